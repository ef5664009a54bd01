#!/usr/bin/python3
"""The agent on a desktop whose panel hosts StatusNotifierItems (KDE Plasma, GNOME with AppIndicator,
Cinnamon, newer XFCE) rather than an XEmbed tray, with the panel coming up after the agent, as it may at
login: a watcher is on the session bus from the start and its host registers seconds after the agent
started. The item registers then, with the tooltip "Kindora"; the host's Activate(x, y) opens the
popover at that point, wherever the pointer is; the icon changes when do-not-disturb goes on.

usage: kindora_status_notifier_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import agent_environment, create_database, start_agent, start_devserver  # noqa: E402
from status_notifier import StatusNotifierHost  # noqa: E402
from x11_windows import X11Windows  # noqa: E402


def agent_log(session):
    return open(os.path.join(session.env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()


def popover_geometry(windows):
    """Where the popover (the visible window titled Kindora) is on the screen, if it is shown."""
    found = windows.find("Kindora")
    return windows.geometry(found[0]) if found else None


def save_icon(session, icon, name):
    """Keeps the largest of the item's images as a PNG among the screenshots, as a host would draw it."""
    width, height, argb = icon[-1]
    rgba = bytearray(len(argb))
    rgba[0::4], rgba[1::4], rgba[2::4], rgba[3::4] = argb[1::4], argb[2::4], argb[3::4], argb[0::4]
    raw = os.path.join(session.artifacts, name + ".rgba")
    with open(raw, "wb") as out:
        out.write(bytes(rgba))
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), "-depth", "8", "rgba:" + raw,
                    os.path.join(session.artifacts, name + ".png")], env=session.env, check=True)
    os.remove(raw)


def walk(session, args):
    env = session.env
    windows = X11Windows(env)
    host = StatusNotifierHost(session, host=False)
    server = start_devserver(session, args.devserver)
    create_database(session, args.chatdb, 20, 4)
    _, a11y = start_agent(session, args.kindora, agent_environment(session, server))
    wait_for("the setup wizard", lambda: a11y.find("Pair This Computer"), timeout=30)
    # No tray of any kind yet: the agent shows itself as a window, and registers no item.
    wait_for("the agent in a window of its own", lambda: a11y.find("Pair with Kindora", role="push button"), timeout=30)
    time.sleep(3)
    if host.items():
        raise TestFailure("an item registered before any host was there: %s" % host.items())

    host.register_host()
    item = host.wait_for_item()
    if item.get("Title") != "Kindora" or item.get("ToolTip")[2] != "Kindora":
        raise TestFailure("the item is not called Kindora: %r, %r" % (item.get("Title"), item.get("ToolTip")))
    signed_out_icon = item.icon()
    if not signed_out_icon or signed_out_icon[-1][0] < 22:
        raise TestFailure("the item shows no usable image: %r" % [(w, h) for w, h, _ in signed_out_icon])

    # The window shown for want of a tray closes; from now on the item opens a popover where the host
    # says, not where the pointer happens to be.
    item.activate(0, 0)
    wait_for("the window to close", lambda: a11y.find("Pair with Kindora", role="push button") is None)
    subprocess.run(["xdotool", "mousemove", "--sync", "40", "760"], env=env, check=True)
    item.activate(900, 30)
    wait_for("the popover", lambda: a11y.find("Pair with Kindora", role="push button"), timeout=15)
    x, y, width, height = wait_for("the popover's window", lambda: popover_geometry(windows))
    session.screenshot("status-notifier-1-popover-at-the-host-point")
    if abs(x + width // 2 - 900) > 2 or not 30 <= y <= 30 + 12:
        raise TestFailure("the popover is at (%d, %d) %dx%d, not under (900, 30)" % (x, y, width, height))

    # Paired and running, then do-not-disturb: the item's image changes with it.
    a11y.press(a11y.find("Pair with Kindora", role="push button"))
    code = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code ")).name[len("Pairing code "):]
    server.call("POST", "/admin/pairings/%s/confirm" % code)
    a11y.press(wait_for("the wizard's preferences step", lambda: a11y.find("Continue"), timeout=30))
    a11y.press(wait_for("the wizard's last step", lambda: a11y.find("Got it")))
    wait_for("the wizard to close", lambda: a11y.find("Got it") is None)
    time.sleep(0.5)  # the wizard's window going may take the popover with it
    if not windows.find("Kindora"):
        item.activate(900, 30)
    wait_for("the running dashboard", lambda: a11y.find("Running"), timeout=30)
    running_icon = item.icon()
    a11y.press(wait_for("the do-not-disturb menu", lambda: a11y.find("Turn on")))
    a11y.press(wait_for("the 30 minute preset", lambda: a11y.find("30 min")))
    dnd_icon = wait_for("the item's image to change", lambda: item.icon() != running_icon and item.icon())
    session.screenshot("status-notifier-2-do-not-disturb")
    save_icon(session, running_icon, "status-notifier-icon-running")
    save_icon(session, dnd_icon, "status-notifier-icon-do-not-disturb")
    if [(w, h) for w, h, _ in dnd_icon] != [(w, h) for w, h, _ in running_icon]:
        raise TestFailure("the do-not-disturb image comes in other sizes than the running one")

    # The test session's keyring outlives this test: revoking makes the agent delete its device token.
    devices = server.call("GET", "/admin/devices")
    for device in devices["devices"] if isinstance(devices, dict) else devices:
        server.call("POST", "/admin/devices/%s/revoke" % device["id"])
    wait_for("the signed-out screen after revocation",
             lambda: a11y.find("Pair with Kindora", role="push button"), timeout=30)
    log = agent_log(session)
    if "Uncaught exception" in log or any(":Qt]" in line and " error: " in line for line in log.splitlines()):
        raise TestFailure("Qt warnings or an exception in the agent's log")


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"), walk, tray=False,
                   failure_shot="status-notifier-failure")
