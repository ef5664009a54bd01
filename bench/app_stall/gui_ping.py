#!/usr/bin/python3
"""Pings the agent's tray item over the session bus until SIGTERM: each call is answered on the agent's
GUI thread, so a call's round trip is (up to the pause between calls) how long that thread's event
loop did not turn. Prints, as JSON on stdout: the number of calls, the longest round trips with the
wall-clock time each began, and the median.

usage: gui_ping.py SERVICE [--pause-ms 5]
Runs with the system /usr/bin/python3 (python3-gi)."""

import argparse
import json
import signal
import statistics
import time

from gi.repository import Gio, GLib


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("service")
    parser.add_argument("--pause-ms", type=float, default=5.0)
    args = parser.parse_args()
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    request = GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Title"))
    trips = []
    while not stop:
        began = time.time()
        start = time.monotonic()
        try:
            bus.call_sync(args.service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                          request, None, Gio.DBusCallFlags.NONE, 30000, None)
        except GLib.Error:
            if stop:
                break
            raise
        trips.append((1000.0 * (time.monotonic() - start), began))
        time.sleep(args.pause_ms / 1000.0)
    longest = sorted(trips, reverse=True)[:8]
    print(json.dumps({"calls": len(trips), "median_ms": statistics.median(t for t, _ in trips) if trips else 0,
                      "longest": [{"ms": ms, "at": at} for ms, at in longest]}), flush=True)


if __name__ == "__main__":
    main()
