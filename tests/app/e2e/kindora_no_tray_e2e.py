#!/usr/bin/python3
"""The agent on a desktop without a tray host, used with the keyboard alone: the popover's content opens
at launch as an ordinary window (so the agent is never unreachable), Tab reaches "Pair with Kindora",
Space presses it, and the pairing code button copies the code to the X clipboard.

usage: kindora_no_tray_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import agent_environment, create_database, start_agent, start_devserver  # noqa: E402


def focused_name(a11y):
    app = a11y.application()
    for node in a11y._walk(app) if app else []:
        try:
            if node.getState().contains(a11y.pyatspi.STATE_FOCUSED) and node.name:
                return node.name
        except Exception:
            continue
    return None


def tab_to(session, a11y, name, limit=20):
    """Presses Tab until the control called `name` has the keyboard focus."""
    for _ in range(limit):
        if focused_name(a11y) == name:
            return
        session.key("Tab")
        time.sleep(0.2)
    raise TestFailure("Tab never reached %r (focus on %r)" % (name, focused_name(a11y)))


def walk(session, args):
    env = session.env
    server = start_devserver(session, args.devserver)
    create_database(session, args.chatdb, 20, 4)
    _, a11y = start_agent(session, args.kindora, agent_environment(session, server))
    wait_for("the signed-out screen in a window of its own", lambda: a11y.find("Pair with Kindora"), timeout=30)
    # A new user's agent also opens the setup wizard at launch; once it is up it no longer takes the
    # focus from the window the person goes to.
    wait_for("the setup wizard", lambda: a11y.find("Pair This Computer"), timeout=30)

    # An ordinary, managed window called Kindora, not a popover that closes when it loses focus.
    window = wait_for("the Kindora window", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^Kindora$"], env=env, capture_output=True,
        text=True).stdout.split())[0]
    subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env, check=True)
    time.sleep(0.5)
    session.screenshot("no-tray-1-window")

    tab_to(session, a11y, "Pair with Kindora")
    session.key("space")
    code = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code ")).name[len("Pairing code "):]
    tab_to(session, a11y, "Pairing code " + code)
    session.key("space")
    wait_for("the copy confirmation", lambda: a11y.find("Copied to clipboard"))
    copied = wait_for("the code on the clipboard", lambda: subprocess.run(
        ["xclip", "-selection", "clipboard", "-o"], env=env, capture_output=True, text=True).stdout == code)
    time.sleep(0.3)
    session.screenshot("no-tray-2-code-copied")
    if not copied:
        raise TestFailure("the clipboard does not hold the pairing code")

    server.call("POST", "/admin/pairings/%s/confirm" % code)
    wait_for("the wizard's preferences step after pairing", lambda: a11y.find("Continue"), timeout=30)

    # The test session's keyring outlives this test: revoking makes the agent delete its device token,
    # so that the next test's agent starts signed out.
    devices = server.call("GET", "/admin/devices")
    for device in devices["devices"] if isinstance(devices, dict) else devices:
        server.call("POST", "/admin/devices/%s/revoke" % device["id"])
    wait_for("the signed-out screen after revocation",
             lambda: a11y.find("Pair with Kindora", role="push button"), timeout=30)
    log = open(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()
    if "Uncaught exception" in log or any(":Qt]" in line and " error: " in line for line in log.splitlines()):
        raise TestFailure("Qt warnings or an exception in the agent's log")


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"), walk, tray=False, failure_shot="no-tray-failure")
