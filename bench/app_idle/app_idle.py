#!/usr/bin/python3
"""What the desktop agent costs while nothing happens, and how quickly its popover opens.

The real kindora under Xvfb with openbox and trayer (the end-to-end tests' desktop session), paired with
kindora-devserver through its own popover, on a generated Messages database. After a warm-up it takes
the CPU time of the kindora process (/proc: user + system) over an idle window with the popover closed
and its resident memory at the end; then it opens the popover from the tray icon ten times and takes
the median time from the click to the popover's first frame (the agent logs when that frame is on
screen). Prints on its last line idle_cpu_pct=X rss_kb=Y popover_open_ms=Z.

usage: app_idle.py --kindora BIN --devserver BIN --chatdb BIN [--seconds 60] [--artifacts DIR]
Run inside scripts/with-test-session. The agent must accept KINDORA_DEVELOPMENT_BACKEND_ORIGIN (a
build with KINDORA_DEVELOPMENT_BUILD=ON): a release build talks only to its built-in backend."""

import argparse
import datetime
import os
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "scripts", "lib"))
from desktop_session import DesktopSession, wait_for  # noqa: E402
from kindora_desktop import (agent_environment, create_database, pair_through_popover,  # noqa: E402
                                 start_agent, start_devserver, tray_center)

FIRST_FRAME = "[com.quillmere.kindora:Popover] info: first frame "


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_kb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    raise RuntimeError("no VmRSS for %d" % pid)


def resident_by_mapping(pid):
    """Resident kilobytes per mapped file (anonymous memory as "[anonymous]"), largest first."""
    sizes = {}
    name = None
    for line in open("/proc/%d/smaps" % pid):
        fields = line.split()
        if "-" in fields[0] and len(fields) >= 5:
            name = os.path.basename(fields[5]) if len(fields) > 5 else "[anonymous]"
        elif fields[0] == "Rss:":
            sizes[name] = sizes.get(name, 0) + int(fields[1])
    return sorted(sizes.items(), key=lambda item: -item[1])


def first_frame_times(log_path):
    """The wall-clock times of every first-frame line the agent has logged so far."""
    times = []
    for line in open(log_path, errors="replace"):
        if FIRST_FRAME in line:
            stamp = datetime.datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")
            times.append(stamp.timestamp())
    return times


def main():
    parser = argparse.ArgumentParser()
    for option in ("--kindora", "--devserver", "--chatdb"):
        parser.add_argument(option, required=True)
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--artifacts", default=None)
    args = parser.parse_args()
    artifacts = args.artifacts or tempfile.mkdtemp(prefix="app_idle-")

    with DesktopSession(artifacts) as session:
        env = session.env
        server = start_devserver(session, args.devserver)
        create_database(session, args.chatdb, 10000, 5)
        kindora, a11y = start_agent(session, args.kindora, agent_environment(session, server))
        pair_through_popover(session, a11y, server)
        wait_for("the first sync", lambda: a11y.find("Last sync: —") is None, timeout=30)
        session.key("Escape")
        wait_for("the popover to close", lambda: a11y.find("Running") is None)
        tray = tray_center(session)

        time.sleep(10)  # the loops' first ticks and the accessibility tree settle
        before = cpu_seconds(kindora.pid)
        start = time.monotonic()
        time.sleep(args.seconds)
        idle_cpu_pct = 100.0 * (cpu_seconds(kindora.pid) - before) / (time.monotonic() - start)
        rss_kb = resident_kb(kindora.pid)

        log_path = os.path.join(artifacts, "kindora.log")
        mapped = resident_by_mapping(kindora.pid)
        opens = []
        # The pointer rests on the icon; each round times the click alone.
        subprocess.run(["xdotool", "mousemove", str(tray[0]), str(tray[1])], env=env, check=True)
        for _ in range(10):
            seen = len(first_frame_times(log_path))
            clicked = time.time()
            subprocess.run(["xdotool", "click", "1"], env=env, check=True)
            wait_for("the popover's first frame", lambda: len(first_frame_times(log_path)) > seen)
            opens.append(1000.0 * (first_frame_times(log_path)[-1] - clicked))
            wait_for("the dashboard", lambda: a11y.find("Running"))
            if not opens[1:]:
                session.screenshot("popover-measured")
            session.key("Escape")
            wait_for("the popover to close", lambda: a11y.find("Running") is None)
            time.sleep(0.5)

    print("resident memory by mapping (kB):", ", ".join("%s %d" % item for item in mapped[:8]))
    print("idle window: %.0f s, popover opens (ms): %s" % (args.seconds, " ".join("%.0f" % o for o in opens)))
    print("idle_cpu_pct=%.2f rss_kb=%d popover_open_ms=%.0f" % (idle_cpu_pct, rss_kb, statistics.median(opens)))


if __name__ == "__main__":
    main()
