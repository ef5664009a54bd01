"""The tour of the desktop agent from a new user to a paired, running agent and back to signed out:
the desktop end-to-end test runs it, and the demo runs it to photograph every screen."""

import os
import shutil
import signal
import subprocess
import time

from desktop_session import TestFailure, wait_for
from kindora_desktop import agent_environment, browser_stand_in, create_database, database_path, start_agent, start_devserver


def walkthrough(session, kindora_binary, devserver_binary, chatdb_binary, say=lambda text: None):
    """Walks the agent from a new user to a paired, running agent and back to signed out, checking each
    screen by accessible name and photographing it. Raises TestFailure at the first thing that is wrong."""
    env = session.env
    artifacts = session.artifacts
    server = start_devserver(session, devserver_binary)
    database = database_path(session)
    bin_dir, opened_links = browser_stand_in(session)
    agent_env = agent_environment(session, server, PATH=bin_dir + os.pathsep + env.get("PATH", ""))
    # A new user whose Messages database cannot be read yet: the wizard opens at its first step.
    kindora, a11y = start_agent(session, kindora_binary, agent_env)
    wait_for("the wizard's welcome step", lambda: a11y.find("Welcome to Kindora"), timeout=20)
    time.sleep(0.5)
    say("the setup wizard opened: " + session.screenshot("wizard-1-welcome"))
    a11y.press(a11y.find("Get Started"))
    wait_for("the wizard's access step", lambda: a11y.find("Relaunch Kindora"))
    time.sleep(0.3)
    say("its access step: " + session.screenshot("wizard-2-access"))

    # The tray icon opens the popover, signed out; Escape closes it again.
    tray = wait_for("the tray icon", session.tray_window)
    x, y, w, h = session.window_geometry(tray)
    session.click(x + w // 2, y + h // 2)
    wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora"))
    time.sleep(0.3)
    say("the tray popover, signed out: " + session.screenshot("popover-1-signed-out"))
    session.key("Escape")
    wait_for("Escape to close the popover", lambda: a11y.find("Pair with Kindora") is None)

    # The database becomes readable: the wizard notices within its 2-second check and asks for a
    # relaunch, which replaces the agent (the new one waits for the old one to exit).
    create_database(session, chatdb_binary, 40, 3)
    say("Messages database with 40 messages of history: %s" % database)
    wait_for("the wizard to see the database", lambda: a11y.find_prefix("The Messages database is readable"))
    time.sleep(0.3)
    say("the wizard saw access arrive: " + session.screenshot("wizard-2b-access-detected"))
    a11y.press(a11y.find("Relaunch Kindora"))
    if kindora.wait(timeout=20) != 0:
        raise TestFailure("the agent did not quit cleanly for its relaunch")
    lock = os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.lock")
    wait_for("the relaunched agent", lambda: a11y.find("Pair This Computer"), timeout=30)
    relaunched_pid = int(open(lock).read().split()[0])  # "<pid> <program>"
    time.sleep(0.3)
    say("relaunched; the wizard at pairing: " + session.screenshot("wizard-3-pairing"))

    session.click(x + w // 2, y + h // 2)
    pair = wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora"))
    a11y.press(pair)
    code_button = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code "))
    code = code_button.name[len("Pairing code "):]
    wait_for("the countdown", lambda: a11y.find_prefix("Code expires in "))
    time.sleep(0.3)
    say("pairing code %s: %s" % (code, session.screenshot("popover-2-pairing-code")))

    server.call("POST", "/admin/pairings/%s/confirm" % code)
    # The wizard moves on by itself once paired (and comes to the front): preferences, then done.
    continue_button = wait_for("the wizard's preferences step", lambda: a11y.find("Continue"), timeout=30)
    time.sleep(0.3)
    say("paired; the wizard's preferences: " + session.screenshot("wizard-4-preferences"))
    a11y.press(continue_button)
    got_it = wait_for("the wizard's last step", lambda: a11y.find("Got it"))
    time.sleep(0.3)
    say("the wizard's last step: " + session.screenshot("wizard-5-done"))
    a11y.press(got_it)
    wait_for("the wizard to close", lambda: a11y.find("Got it") is None)

    if a11y.find("Running") is None:
        session.click(x + w // 2, y + h // 2)
    wait_for("the running dashboard", lambda: a11y.find("Running"), timeout=30)
    wait_for("the first sync", lambda: a11y.find("Last sync: —") is None, timeout=30)
    time.sleep(0.3)
    say("running: " + session.screenshot("popover-3-running"))

    # "Open Kindora" hands the household's site to the desktop's browser.
    a11y.press(a11y.find("Open Kindora"))
    opened = wait_for("the browser to be asked for the household's site",
                      lambda: os.path.exists(opened_links) and open(opened_links).read().split())
    if opened != [server.origin] and opened != [server.origin + "/"]:
        raise TestFailure("Open Kindora opened %s, not %s" % (opened, server.origin))
    say("Open Kindora opened %s" % opened[0])
    if a11y.find("Running") is None:
        session.click(x + w // 2, y + h // 2)
    wait_for("the running dashboard again", lambda: a11y.find("Running"), timeout=30)

    # New messages arrive: the session counter moves.
    subprocess.run([chatdb_binary, "append", database, "--count", "5", "--seed", "9"], env=env, check=True,
                   capture_output=True)
    wait_for("five messages forwarded this session", lambda: a11y.find("This session: 5"), timeout=30)
    say("five new messages forwarded: " + session.screenshot("popover-4-counters"))

    # Do-not-disturb on: its time left shows and the tray icon changes.
    tray_before = session.screenshot("tray-running", (x, y, w, h))
    a11y.press(wait_for("the do-not-disturb menu", lambda: a11y.find("Turn on")))
    a11y.press(wait_for("the 30 minute preset", lambda: a11y.find("30 min")))
    wait_for("do-not-disturb time left", lambda: a11y.find("30m left"))
    time.sleep(0.5)
    say("do-not-disturb for 30 minutes: " + session.screenshot("popover-5-do-not-disturb"))
    tray_after = session.screenshot("tray-do-not-disturb", (x, y, w, h))
    if open(tray_before, "rb").read() == open(tray_after, "rb").read():
        raise TestFailure("the tray icon did not change when do-not-disturb came on")

    # "Setup…" on a paired agent opens the wizard at its end, with no second pairing; Escape closes it
    # unfinished and leaves the agent running.
    a11y.press(a11y.find("Setup…"))
    wait_for("the wizard at its last step", lambda: a11y.find("Got it"), timeout=30)
    if a11y.find("Pair This Computer") is not None:
        raise TestFailure("the wizard of a paired agent offers to pair again")
    time.sleep(0.3)
    say("Setup… while paired: " + session.screenshot("wizard-6-setup-while-paired"))
    session.key("Escape")
    wait_for("Escape to close the wizard", lambda: a11y.find("Got it") is None)
    if a11y.find("Turn off") is None:
        session.click(x + w // 2, y + h // 2)
    wait_for("the dashboard after the wizard", lambda: a11y.find("Turn off"), timeout=30)

    # A second kindora never starts a second agent: it shows the running one and exits 0.
    second = subprocess.run([kindora_binary], env=agent_env, capture_output=True, text=True, timeout=30)
    if second.returncode != 0 or "already running" not in second.stdout:
        raise TestFailure("a second launch: exit %d, %r" % (second.returncode, second.stdout + second.stderr))
    if not os.path.exists("/proc/%d" % relaunched_pid):
        raise TestFailure("the running agent ended when a second one was launched")

    # The Messages database stops being readable: the agent says so when it next becomes active.
    hidden = database + ".away"
    os.rename(database, hidden)
    session.key("Escape")
    wait_for("Escape to close the popover", lambda: a11y.find("Turn off") is None)
    time.sleep(0.5)
    session.click(x + w // 2, y + h // 2)
    check_again = wait_for("the access screen", lambda: a11y.find("Check Again"), timeout=30)
    time.sleep(0.3)
    say("the database cannot be read: " + session.screenshot("popover-5b-access-missing"))
    tray_alert = session.screenshot("tray-access-missing", (x, y, w, h))
    if open(tray_alert, "rb").read() == open(tray_after, "rb").read():
        raise TestFailure("the tray icon did not show the alert image while the database was unreadable")
    os.rename(hidden, database)
    a11y.press(check_again)
    wait_for("the dashboard again", lambda: a11y.find("Running"), timeout=30)

    # The household revokes the device: the popover returns to the signed-out screen.
    devices = server.call("GET", "/admin/devices")
    for device in devices["devices"] if isinstance(devices, dict) else devices:
        server.call("POST", "/admin/devices/%s/revoke" % device["id"])
    wait_for("the signed-out screen after revocation", lambda: a11y.find("Pair with Kindora"), timeout=30)
    time.sleep(0.3)
    say("the household revoked this computer: " + session.screenshot("popover-6-revoked"))

    os.kill(relaunched_pid, signal.SIGTERM)
    wait_for("the agent to stop on SIGTERM", lambda: not os.path.exists("/proc/%d" % relaunched_pid) or
             open("/proc/%d/stat" % relaunched_pid).read().split()[2] == "Z")
    log = open(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()
    if log.count("kindora stopped") != 2:
        raise TestFailure("both agents should have stopped cleanly; see kindora.log")
    qt_warnings = [line for line in log.splitlines() if ":Qt]" in line and " error: " in line]
    if qt_warnings:
        raise TestFailure("Qt or QML warnings:\n" + "\n".join(qt_warnings))
    if "Uncaught exception" in log:
        raise TestFailure("an exception escaped an event handler; see kindora.log")
    shutil.copy(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), os.path.join(artifacts, "agent.log"))
