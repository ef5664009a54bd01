#!/usr/bin/python3
"""A StatusNotifierWatcher and its host on the session bus, as a desktop panel (KDE Plasma, GNOME's
AppIndicator extension, XFCE) provides them, for tests and benchmarks of the tray icon. It owns
org.kde.StatusNotifierWatcher at once; the host registers at start with --host, else when the program
gets SIGUSR1 (a panel that comes up after the agent). Each line on stdout says what happened:
"watcher ready", "host registered", "item registered SERVICE".

usage: status_notifier_stand_in.py [--host]
Runs with the system /usr/bin/python3 (python3-gi)."""

import argparse
import signal
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>
"""
PATH = "/StatusNotifierWatcher"
NAME = "org.kde.StatusNotifierWatcher"


class Watcher:
    def __init__(self, host_at_start):
        self.items = []
        self.host = host_at_start
        self.connection = None

    def say(self, line):
        print(line, flush=True)

    def on_bus(self, connection, _name):
        self.connection = connection
        info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
        connection.register_object(PATH, info, self.on_call, self.on_get, None)

    def on_name(self, _connection, _name):
        self.say("watcher ready")
        if self.host:
            self.say("host registered")

    def on_call(self, connection, sender, _path, _interface, method, parameters, invocation):
        if method == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            # An item may give an object path, meaning its own connection.
            item = sender + service if service.startswith("/") else service
            if item not in self.items:
                self.items.append(item)
                self.say("item registered " + item)
                connection.emit_signal(None, PATH, NAME, "StatusNotifierItemRegistered", GLib.Variant("(s)", (item,)))
            invocation.return_value(None)
        elif method == "RegisterStatusNotifierHost":
            self.register_host()
            invocation.return_value(None)

    def on_get(self, _connection, _sender, _path, _interface, prop):
        if prop == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", self.items)
        if prop == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", self.host)
        if prop == "ProtocolVersion":
            return GLib.Variant("i", 0)
        return None

    def register_host(self):
        if self.host:
            return
        self.host = True
        self.say("host registered")
        self.connection.emit_signal(None, PATH, NAME, "StatusNotifierHostRegistered", None)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", action="store_true", help="the host is registered from the start")
    args = parser.parse_args()
    watcher = Watcher(args.host)
    loop = GLib.MainLoop()
    Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, watcher.on_bus, watcher.on_name,
                     lambda *_: (print("the watcher's name is taken", file=sys.stderr), loop.quit()))
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, lambda: watcher.register_host() or True)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)
    loop.run()


if __name__ == "__main__":
    main()
