#!/usr/bin/python3
"""The desktop agent as a person meets it: the real kindora under Xvfb with openbox and trayer, against
the real kindora-devserver and a Messages database made by kindora-chatdb, driven with xdotool and
read through AT-SPI by accessible names. Screenshots of each screen land in the artifacts directory.

usage: kindora_desktop_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Accessibility:
    """Finds the running kindora's controls and texts by accessible name over AT-SPI."""

    def __init__(self):
        import pyatspi  # Debian's python3-pyatspi
        self.pyatspi = pyatspi

    def application(self, name="kindora"):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name and app.name.lower() == name:
                return app
        return None

    def _walk(self, node, depth=0):
        if node is None or depth > 60:
            return
        yield node
        for index in range(node.childCount):
            try:
                child = node.getChildAtIndex(index)
            except Exception:
                continue
            yield from self._walk(child, depth + 1)

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def find(self, name, role=None, showing=True):
        app = self.application()
        if app is None:
            return None
        for node in self._walk(app):
            try:
                if node.name == name and (role is None or node.getRoleName() == role) and \
                        (not showing or self.showing(node)):
                    return node
            except Exception:
                continue
        return None

    def find_prefix(self, prefix, showing=True):
        app = self.application()
        if app is None:
            return None
        for node in self._walk(app):
            try:
                if node.name and node.name.startswith(prefix) and (not showing or self.showing(node)):
                    return node
            except Exception:
                continue
        return None

    def press(self, node, timeout=10):
        """Presses the control. A screen that is rebuilt just after it appeared (a status arriving at
        launch) replaces its controls; a press that meets the old one finds the new one by name."""
        name, role = node.name, node.getRoleName()
        deadline = time.monotonic() + timeout
        while True:
            try:
                self._press_once(node)
                return
            except Exception as error:  # GLib.GError from a control that went away
                if "No such object path" not in str(error) or time.monotonic() > deadline:
                    raise
            time.sleep(0.1)
            node = self.find(name, role) or node

    def _press_once(self, node):
        action = node.queryAction()
        for index in range(action.nActions):
            if action.getName(index) in ("Press", "press", "click", "Toggle", "toggle"):
                action.doAction(index)
                return
        action.doAction(0)

    def names(self):
        app = self.application()
        return [node.name for node in self._walk(app) if node is not None and node.name] if app else []


class Devserver:
    def __init__(self, origin):
        self.origin = origin

    def call(self, method, path, body=None):
        request = urllib.request.Request(self.origin + path, method=method,
                                         data=json.dumps(body).encode() if body is not None else b"")
        with urllib.request.urlopen(request, timeout=10) as response:
            return json.loads(response.read() or b"null")


def start_devserver(session, binary, *options):
    """Starts kindora-devserver on a free loopback port and waits until it listens."""
    port = free_port()
    out = open(os.path.join(session.artifacts, "devserver.out"), "w+")
    session.processes.start("devserver", [binary, "--port", str(port)] + list(options), session.env,
                            session.artifacts, stdout=out)
    wait_for("the devserver", lambda: "listening on" in open(out.name).read())
    return Devserver("http://127.0.0.1:%d" % port)


def database_path(session):
    return os.path.join(session.home, "Library/Messages/chat.db")


def create_database(session, chatdb_binary, messages, seed):
    """Makes the Messages database where the agent looks for it, with kindora-chatdb."""
    database = database_path(session)
    os.makedirs(os.path.dirname(database), exist_ok=True)
    subprocess.run([chatdb_binary, "create", database, "--messages", str(messages), "--seed", str(seed)],
                   env=session.env, check=True, capture_output=True)
    return database


def browser_stand_in(session):
    """The desktop's browser: an xdg-open that notes the links it is given. Returns its directory (to put
    first on the PATH) and the file the links land in."""
    links = os.path.join(session.home, "opened-links")
    bin_dir = os.path.join(session.home, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    browser = os.path.join(bin_dir, "xdg-open")
    with open(browser, "w") as script:
        script.write('#!/bin/sh\necho "$1" >> "%s"\n' % links)
    os.chmod(browser, 0o755)
    return bin_dir, links


def relax_for_qt(env):
    """Two AddressSanitizer checks are relaxed for Qt's GUI processes only; the agent's own code keeps them
    in every other suite. libxkbcommon (under Qt's X11 platform) copies length-bounded, unterminated
    strings with strndup, which is correct but trips the strict string checks; and Qt unloads its
    plugins before the leak check runs, so their few hundred bytes of process-lifetime allocations
    show up as leaks from an "<unknown module>" that no suppression can name."""
    if "ASAN_OPTIONS" in env:
        env["ASAN_OPTIONS"] = env["ASAN_OPTIONS"].replace(
            "strict_string_checks=1", "strict_string_checks=0").replace("detect_leaks=1", "detect_leaks=0")
    return env


def agent_environment(session, server, **extra):
    """The GUI agent's environment: on X11, accessible, talking to `server`, plus `extra`."""
    return relax_for_qt(dict(session.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                             KINDORA_DEVELOPMENT_BACKEND_ORIGIN=server.origin, **extra))


def start_agent(session, binary, env):
    """Starts kindora and waits until it is on the accessibility bus; the process and its controls."""
    kindora = session.processes.start("kindora", [binary], env, session.artifacts)
    a11y = Accessibility()
    wait_for("kindora on the accessibility bus", a11y.application, timeout=30)
    return kindora, a11y


def tray_center(session):
    x, y, w, h = session.window_geometry(wait_for("the tray icon", session.tray_window, timeout=30))
    return x + w // 2, y + h // 2


def pair_through_popover(session, a11y, server):
    """Pairs from the tray's popover, walks the wizard to its end and leaves the running dashboard open."""
    # A new user's agent opens the setup wizard at launch, and the wizard taking the focus closes a
    # popover opened before it: the person meets the wizard first, then goes to the tray.
    wait_for("the setup wizard", lambda: a11y.find("Pair This Computer"), timeout=30)
    session.click(*tray_center(session))
    a11y.press(wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora"), timeout=30))
    code = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code ")).name[len("Pairing code "):]
    server.call("POST", "/admin/pairings/%s/confirm" % code)
    a11y.press(wait_for("the wizard's preferences step", lambda: a11y.find("Continue"), timeout=30))
    a11y.press(wait_for("the wizard's last step", lambda: a11y.find("Got it")))
    wait_for("the wizard to close", lambda: a11y.find("Got it") is None)
    if a11y.find("Running") is None:
        session.click(*tray_center(session))
    wait_for("the running dashboard", lambda: a11y.find("Running"), timeout=30)


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
    relaunched_pid = int(open(lock).read().strip())
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


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"),
                   lambda session, args: walkthrough(session, args.kindora, args.devserver, args.chatdb, say=print))
