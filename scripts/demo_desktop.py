#!/usr/bin/python3
"""The desktop agent's demo: kindora against kindora-devserver on a generated Messages database.

Without a display (or with --headless) it runs under its own Xvfb with a window manager and a tray,
walks the agent from a new user to a paired, running agent, and writes a screenshot of every screen;
then, on a desktop of two monitors, a household rule raises an alert from a forwarded message over a
full-screen application, and a meeting that is due takes both monitors over (alert-… and meeting-…).
On a person's display it starts the agent there and leaves the clicking to them, appending messages
now and then and photographing the screen, until the agent quits or Ctrl-C."""

import argparse
import os
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "lib"))
from desktop_session import DesktopSession, TestFailure  # noqa: E402
from kindora_desktop import create_database, start_devserver  # noqa: E402
from walkthrough import walkthrough  # noqa: E402


def display_usable(display):
    return bool(display) and subprocess.run(["xdpyinfo", "-display", display], capture_output=True).returncode == 0


def on_person_display(session, args):
    env = session.env
    server = start_devserver(session, args.devserver, "--demo")
    database = create_database(session, args.chatdb, 200, 7)
    agent_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", KINDORA_DEVELOPMENT_BACKEND_ORIGIN=server.origin)
    kindora = session.processes.start("kindora", [args.kindora], agent_env, session.artifacts)
    print("Kindora is running on your display %s." % session.display)
    print("  Click its tray icon (or its window, when your desktop has no tray) and press")
    print("  \"Pair with Kindora\": the demo household confirms the code by itself after 3 seconds.")
    print("  New messages arrive every 15 seconds. Quit from the popover or press Ctrl-C.")
    shot = 0
    try:
        while kindora.poll() is None:
            time.sleep(15)
            subprocess.run([args.chatdb, "append", database, "--count", "3"], env=env, capture_output=True)
            shot += 1
            print("  3 new messages; the screen now:", session.screenshot("screen-%02d" % shot))
    except KeyboardInterrupt:
        pass


def main():
    parser = argparse.ArgumentParser()
    for option in ("--kindora", "--devserver", "--chatdb", "--artifacts"):
        parser.add_argument(option, required=True)
    parser.add_argument("--headless", action="store_true", help="run under Xvfb even when a display exists")
    args = parser.parse_args()
    display = None if args.headless else os.environ.get("DISPLAY")
    if display_usable(display):
        with DesktopSession(args.artifacts, existing_display=display) as session:
            on_person_display(session, args)
    else:
        print("No display: running under Xvfb with openbox and trayer, screenshots in", args.artifacts)
        with DesktopSession(args.artifacts) as session:
            walkthrough(session, args.kindora, args.devserver, args.chatdb, say=lambda text: print("  " + text))
        print("An alert and a meeting, on a desktop of two monitors:", flush=True)
        moments = subprocess.run([sys.executable, os.path.join(here, "lib", "household_moments.py"),
                                  "--kindora", args.kindora, "--devserver", args.devserver, "--chatdb", args.chatdb,
                                  "--artifacts", args.artifacts])
        if moments.returncode != 0:
            sys.exit(moments.returncode)
    print("Screenshots and logs:", args.artifacts)


if __name__ == "__main__":
    try:
        main()
    except TestFailure as failure:
        print("demo stopped:", failure, file=sys.stderr)
        sys.exit(1)
