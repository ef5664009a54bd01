"""The kindora desktop agent on a DesktopSession: the devserver it talks to, the Messages database it
reads, the agent itself and its controls read and pressed over AT-SPI by accessible name. Shared by
the end-to-end tests, the demo and the desktop benchmarks. Runs with the system /usr/bin/python3
(pyatspi comes from Debian)."""

import json
import os
import socket
import subprocess
import time
import urllib.request

from desktop_session import wait_for


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

    def raise_alert(self, draft):
        """Raises a household alert as the backend's rules would; returns its id."""
        return self.call("POST", "/admin/interrupts", draft)["interrupt"]["id"]

    def alert_state(self, alert_id):
        """The alert's state on the backend ("open", "acknowledged", "resolved"), None when unknown."""
        for alert in self.call("GET", "/admin/interrupts"):
            if alert["interrupt"]["id"].lower() == alert_id.lower():
                return alert["state"]
        return None


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


def set_up_for_meetings(session, set_up=True):
    """Settings whose meetings take the screen a minute ahead and open by themselves, of an agent set
    up already (no wizard) or, with `set_up` false, of a new user (the wizard opens)."""
    settings = os.path.join(session.env["XDG_CONFIG_HOME"], "quillmere")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "Kindora.conf"), "w") as conf:
        conf.write("[General]\n"
                   + ("com.quillmere.kindora.setupWizard.didComplete=true\n" if set_up else "")
                   + "com.quillmere.kindora.meetingDisrupt.enabled=true\n"
                   "com.quillmere.kindora.meetingDisrupt.leadTime=oneMinute\n"
                   "com.quillmere.kindora.meetingDisrupt.autoJoinEnabled=true\n")


def start_agent(session, binary, env):
    """Starts kindora and waits until it is on the accessibility bus; the process and its controls."""
    kindora = session.processes.start("kindora", [binary], env, session.artifacts)
    a11y = Accessibility()
    wait_for("kindora on the accessibility bus", a11y.application, timeout=30)
    return kindora, a11y


def tray_center(session):
    x, y, w, h = session.window_geometry(wait_for("the tray icon", session.tray_window, timeout=30))
    return x + w // 2, y + h // 2


def pair_set_up_agent(session, a11y, server):
    """Pairs an agent whose setup is complete (no wizard) from the tray's popover and confirms at once."""
    session.click(*tray_center(session))
    a11y.press(wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora")))
    wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code "))
    devices = server.call("GET", "/admin/devices")
    devices = devices["devices"] if isinstance(devices, dict) else devices
    server.call("POST", "/admin/pairings/%s/confirm" % devices[0]["code"])


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
