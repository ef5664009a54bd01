"""A headless desktop for end-to-end tests of the real kindora: an X server (Xvfb), a window manager
(openbox), a tray host (trayer) and the accessibility bus, each a real program started here and
stopped when the session ends. Runs with the system /usr/bin/python3 (pyatspi comes from Debian)."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


class TestFailure(Exception):
    pass


# The session's own programs start slowly on a machine busy compiling; waiting longer for them costs
# nothing when they are quick.
STARTUP_TIMEOUT = 90.0


def wait_for(what, predicate, timeout=20.0, interval=0.1):
    """Polls `predicate` until it returns something true; raises TestFailure naming `what` otherwise."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = predicate()
            if value:
                return value
        except Exception as error:  # the thing may not exist yet
            last_error = error
        time.sleep(interval)
    raise TestFailure("timed out waiting for %s%s" % (what, " (%s)" % last_error if last_error else ""))


class Processes:
    """Programs of the session, ended in reverse order of their start."""

    def __init__(self):
        self.children = []

    def start(self, name, argv, env, log_dir, stdout=None):
        log = open(os.path.join(log_dir, name + ".log"), "wb")
        child = subprocess.Popen(argv, env=env, stdout=stdout or log, stderr=log, start_new_session=True)
        self.children.append((name, child, log))
        return child

    def stop_all(self):
        for name, child, log in reversed(self.children):
            if child.poll() is None:
                child.send_signal(signal.SIGTERM)
                try:
                    child.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait()
            log.close()
        self.children = []


class DesktopSession:
    """Xvfb + openbox + trayer + at-spi-bus-launcher under a home and XDG directories of its own."""

    def __init__(self, artifacts, existing_display=None, tray=True, screen="1280x800", monitors=None):
        """With `existing_display` (a person's own X display) no X server, window manager or tray is
        started; everything else (home, accessibility bus) is still the session's own. Without `tray`
        the desktop has no tray host, as some window managers have none. `monitors` splits the one X
        screen of `screen` into RandR monitors: a list of (name, width, height, x, y), the first one
        primary."""
        self.existing_display = existing_display
        self.tray = tray
        self.screen = screen
        self.monitors = monitors
        self.artifacts = artifacts
        os.makedirs(artifacts, exist_ok=True)
        self.home = tempfile.mkdtemp(prefix="kindora-e2e-")
        self.processes = Processes()
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        for sub in (".local/share", ".config", ".cache"):
            os.makedirs(os.path.join(self.home, sub))
        self.env = dict(os.environ)
        self.env.update({
            "HOME": self.home,
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": runtime,
            "NO_AT_BRIDGE": "0",
        })
        self.display = None

    def __enter__(self):
        self._forget_agent_credentials()
        try:
            if self.existing_display:
                self.display = self.existing_display
                self.env["DISPLAY"] = self.display
            else:
                self._start_x()
                self._start_window_manager_and_tray()
            self._start_accessibility_bus()
        except Exception:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self.processes.stop_all()
        shutil.rmtree(self.home, ignore_errors=True)

    def _forget_agent_credentials(self):
        """The test session's keyring is shared by every test run in it: a device token that an earlier
        test left behind would make this test's agent start paired to a household it does not know."""
        if self.existing_display:
            return  # a person's own session: never touch their keyring
        import gi
        gi.require_version("Secret", "1")
        from gi.repository import Secret
        schema = Secret.Schema.new("com.quillmere.kindora.Credential", Secret.SchemaFlags.DONT_MATCH_NAME,
                                   {"service": Secret.SchemaAttributeType.STRING,
                                    "account": Secret.SchemaAttributeType.STRING})
        for account in ("deviceToken", "deviceId"):
            Secret.password_clear_sync(schema, {"service": "com.quillmere.kindora", "account": account}, None)

    def _start_x(self):
        # Xvfb picks a free display number itself and writes it to a pipe (-displayfd), so that
        # sessions started at the same time (other tests, other users) never share a display.
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.artifacts, "xvfb.log"), "wb")
        # -noreset: by default the server resets when its last client leaves (our readiness probe, or
        # each xrandr call), and a client connecting during the reset (the window manager) is turned
        # away; the reset would also drop the RandR monitors.
        child = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen + "x24",
                                  "-nolisten", "tcp", "-noreset"], env=self.env, stdout=log, stderr=log,
                                 pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        self.processes.children.append(("xvfb", child, log))
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise TestFailure("Xvfb did not start; see xvfb.log")
                number += chunk
        self.display = ":%d" % int(number)
        self.env["DISPLAY"] = self.display
        wait_for("the X server", lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0,
                 timeout=STARTUP_TIMEOUT)
        for index, monitor in enumerate(self.monitors or []):
            self.set_monitor(*monitor, primary=index == 0, takes_output=index == 0)

    def set_monitor(self, name, width, height, x, y, primary=False, takes_output=False):
        """Adds (or replaces) a RandR monitor. The first one takes over Xvfb's only output, so that the
        output's own monitor of the whole screen goes away. A new primary one takes that role from the
        old primary."""
        if name in self.monitors_now():
            self.remove_monitor(name)
        subprocess.run(["xrandr", "--setmonitor", ("*" if primary else "") + name,
                        "%d/%dx%d/%d+%d+%d" % (width, width * 254 // 960, height, height * 254 // 960, x, y),
                        "screen" if takes_output else "none"], env=self.env, check=True, capture_output=True)

    def remove_monitor(self, name):
        subprocess.run(["xrandr", "--delmonitor", name], env=self.env, check=True, capture_output=True)

    def monitors_now(self):
        """{name: (x, y, width, height)} of the RandR monitors."""
        out = subprocess.run(["xrandr", "--listmonitors"], env=self.env, check=True, capture_output=True,
                             text=True).stdout
        found = {}
        for line in out.splitlines()[1:]:
            parts = line.split()
            name = parts[1].lstrip("+*")
            size, x, y = parts[2].split("+")
            width, height = (int(value.split("/")[0]) for value in size.split("x"))
            found[name] = (int(x), int(y), width, height)
        return found

    def _start_window_manager_and_tray(self):
        self.processes.start("openbox", ["openbox", "--sm-disable"], self.env, self.artifacts)
        wait_for("openbox", lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True).stdout,
                 timeout=STARTUP_TIMEOUT)
        if not self.tray:
            return
        self.processes.start("trayer", ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                        "--height", "28", "--SetDockType", "true", "--transparent", "false",
                                        "--tint", "0x202020", "--iconspacing", "0"], self.env, self.artifacts)
        # trayer shows its panel only once an icon docks; until then its own windows tell it runs.
        wait_for("the tray host", lambda: subprocess.run(["xdotool", "search", "--classname", "trayer"],
                                                         env=self.env, capture_output=True).stdout.strip(),
                 timeout=STARTUP_TIMEOUT)
        time.sleep(0.5)  # trayer claims the tray selection right after creating its windows

    def _start_accessibility_bus(self):
        launcher = next((path for path in ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                         if os.path.exists(path)), None)
        if launcher is None:
            raise TestFailure("at-spi-bus-launcher is not installed (scripts/setup-deps installs at-spi2-core)")
        self.processes.start("at-spi-bus", [launcher, "--launch-immediately"], self.env, self.artifacts)
        wait_for("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
            env=self.env, capture_output=True).returncode == 0)

    def tray_window(self):
        """trayer's panel (WM_CLASS "panel", "trayer"), which holds the embedded tray icons."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "^panel$"], env=self.env,
                               capture_output=True, text=True)
        ids = found.stdout.split()
        return ids[0] if ids else None

    def window_geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=self.env,
                             capture_output=True, text=True, check=True).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], env=self.env, check=True)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], env=self.env, check=True)

    def screenshot(self, name, region=None):
        path = os.path.join(self.artifacts, name + ".png")
        argv = ["import", "-display", self.display, "-window", "root"]
        if region:
            x, y, w, h = region
            argv += ["-crop", "%dx%d+%d+%d" % (w, h, x, y)]
        subprocess.run(argv + [path], env=self.env, check=True)
        return path


def run_end_to_end(options, walk, tray=True, failure_shot="failure", **session_options):
    """The common frame of a desktop end-to-end test: exits 77 (skipped) when KINDORA_E2E_SKIP says why,
    parses the required `options` (with --artifacts), runs walk(session, args) in a DesktopSession (given
    `tray` and any other `session_options`, such as screen and monitors) and, on a failure, keeps a
    screenshot and the agent's log; a TestFailure exits 1 with its text."""
    if os.environ.get("KINDORA_E2E_SKIP"):
        print("skipped:", os.environ["KINDORA_E2E_SKIP"])
        sys.exit(77)
    parser = argparse.ArgumentParser()
    for option in tuple(options) + ("--artifacts",):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    try:
        with DesktopSession(args.artifacts, tray=tray, **session_options) as session:
            try:
                walk(session, args)
            except Exception:
                print("the screen at the failure:", session.screenshot(failure_shot), file=sys.stderr)
                data_log = os.path.join(session.env["XDG_DATA_HOME"], "Kindora", "kindora.log")
                if os.path.exists(data_log):
                    shutil.copy(data_log, os.path.join(args.artifacts, "agent.log"))
                raise
    except TestFailure as failure:
        print("FAILED:", failure, file=sys.stderr)
        sys.exit(1)
    print("screenshots in", args.artifacts)
