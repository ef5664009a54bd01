"""The StatusNotifier side of a DesktopSession: the watcher and host stand-in (status_notifier_stand_in.py)
and the agent's item as the host sees it over the session bus. Shared by the tray's end-to-end test and
the desktop benchmarks. Runs with the system /usr/bin/python3 (python3-gi)."""

import os
import signal
import sys

from desktop_session import wait_for

HERE = os.path.dirname(os.path.abspath(__file__))


class StatusNotifierHost:
    """The stand-in, started in `session`; `host` registers the host at once, else register_host() does."""

    def __init__(self, session, host=True):
        self.out = os.path.join(session.artifacts, "status-notifier.out")
        out = open(self.out, "w+")
        argv = [sys.executable if sys.executable.startswith("/usr/bin/") else "/usr/bin/python3",
                os.path.join(HERE, "status_notifier_stand_in.py")] + (["--host"] if host else [])
        self.process = session.processes.start("status-notifier", argv, session.env, session.artifacts, stdout=out)
        wait_for("the StatusNotifierWatcher", lambda: "watcher ready" in self.lines(), timeout=30)

    def lines(self):
        return open(self.out).read().splitlines()

    def register_host(self):
        os.kill(self.process.pid, signal.SIGUSR1)
        wait_for("the host to register", lambda: "host registered" in self.lines())

    def items(self):
        return [line.split(" ", 2)[2] for line in self.lines() if line.startswith("item registered ")]

    def wait_for_item(self, timeout=30):
        return TrayItem(wait_for("a StatusNotifierItem to register", lambda: (self.items() or [None])[-1],
                                 timeout=timeout))


class TrayItem:
    """A registered item, called as a host calls it."""

    INTERFACE = "org.kde.StatusNotifierItem"

    def __init__(self, service):
        from gi.repository import Gio
        self.service = service
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def _call(self, interface, method, signature, args, timeout_ms=5000):
        from gi.repository import Gio, GLib
        return self.bus.call_sync(self.service, "/StatusNotifierItem", interface, method,
                                  GLib.Variant(signature, args) if signature else None, None,
                                  Gio.DBusCallFlags.NONE, timeout_ms, None).unpack()

    def get(self, name, timeout_ms=5000):
        return self._call("org.freedesktop.DBus.Properties", "Get", "(ss)", (self.INTERFACE, name), timeout_ms)[0]

    def activate(self, x, y):
        self._call(self.INTERFACE, "Activate", "(ii)", (x, y))

    def icon(self):
        """The item's images as (width, height, ARGB bytes), largest last."""
        return sorted((w, h, bytes(pixels)) for w, h, pixels in self.get("IconPixmap"))
