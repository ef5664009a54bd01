#!/usr/bin/python3
"""A stand-in for logind's session on a private bus, for the panels' end-to-end test: owns
org.freedesktop.login1, answers GetSessionByPID and GetSession with one session, whose LockedHint it
reports and changes when told on standard input ("lock" or "unlock", one per line), announcing each
change as logind does (the Lock or Unlock signal and PropertiesChanged). Prints "ready" once it owns the
name and "locked"/"unlocked" after each change.

usage: logind_stand_in.py BUS_ADDRESS"""

import sys
import threading

import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

SESSION = "/org/freedesktop/login1/session/_31"
MANAGER_XML = """<node><interface name="org.freedesktop.login1.Manager">
  <method name="GetSessionByPID"><arg type="u" direction="in"/><arg type="o" direction="out"/></method>
  <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
</interface></node>"""
SESSION_XML = """<node><interface name="org.freedesktop.login1.Session">
  <property name="LockedHint" type="b" access="read"/>
  <signal name="Lock"/>
  <signal name="Unlock"/>
</interface></node>"""


class Logind:
    def __init__(self, address):
        self.locked = False
        self.loop = GLib.MainLoop()
        self.bus = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None, None)
        manager = Gio.DBusNodeInfo.new_for_xml(MANAGER_XML).interfaces[0]
        session = Gio.DBusNodeInfo.new_for_xml(SESSION_XML).interfaces[0]
        self.bus.register_object("/org/freedesktop/login1", manager, self.manager_call, None, None)
        self.bus.register_object(SESSION, session, None, self.session_property, None)
        self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                           GLib.Variant("(su)", ("org.freedesktop.login1", 4)), None, Gio.DBusCallFlags.NONE, -1,
                           None)

    def manager_call(self, connection, sender, path, interface, method, parameters, invocation):
        invocation.return_value(GLib.Variant("(o)", (SESSION,)))

    def session_property(self, connection, sender, path, interface, name):
        return GLib.Variant("b", self.locked)

    def set_locked(self, locked):
        self.locked = locked
        self.bus.emit_signal(None, SESSION, "org.freedesktop.login1.Session", "Lock" if locked else "Unlock", None)
        self.bus.emit_signal(None, SESSION, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                             GLib.Variant("(sa{sv}as)", ("org.freedesktop.login1.Session",
                                                         {"LockedHint": GLib.Variant("b", locked)}, [])))
        self.bus.flush_sync(None)
        print("locked" if locked else "unlocked", flush=True)


def main():
    logind = Logind(sys.argv[1])

    def commands():
        for line in sys.stdin:
            word = line.strip()
            if word in ("lock", "unlock"):
                GLib.idle_add(logind.set_locked, word == "lock")
        GLib.idle_add(logind.loop.quit)

    threading.Thread(target=commands, daemon=True).start()
    print("ready", flush=True)
    logind.loop.run()


if __name__ == "__main__":
    main()
