"""The two moments the agent exists for, as a person at a full-screen application meets them: a household
rule raises an alert from a message the agent forwarded, and the alert panel comes up over the full-screen
window; then a meeting is due and its takeover covers every monitor. The demo runs it after the
walkthrough and photographs both."""

import datetime
import os
import signal
import subprocess
import sys
import time

from desktop_session import TestFailure, wait_for
from kindora_desktop import (agent_environment, browser_stand_in, create_database, database_path, pair_set_up_agent,
                             set_up_for_meetings, start_agent, start_devserver)
from x11_windows import X11Windows

# Two monitors side by side, the first one primary: (name, width, height, x, y).
MONITORS = [("LEFT", 1280, 800, 0, 0), ("RIGHT", 1024, 768, 1280, 0)]
SCREEN = "2304x800"
FULL_SCREEN_TITLE = "Quarterly slides (full screen)"
RULE = {"keyword": "help", "title": "Grandma asked for help", "urgency": "CRITICAL", "groupKey": "family"}
# Long enough after the agent starts for the alert to come and go before the lead time begins (an alert
# on screen holds a takeover back).
MEETING_STARTS_IN = 120


def household_moments(session, kindora_binary, devserver_binary, chatdb_binary, say=lambda text: None):
    """Pairs a set-up agent, raises an alert over a full-screen window and lets a meeting take the screens
    over, writing alert-… and meeting-… screenshots. Raises TestFailure at the first thing that is wrong."""
    env = session.env
    x = X11Windows(env)
    server = start_devserver(session, devserver_binary)
    server.call("PUT", "/admin/rules", {"keywords": [RULE]})
    create_database(session, chatdb_binary, 20, 5)
    set_up_for_meetings(session)
    starts = datetime.datetime.fromtimestamp(int(time.time()) + MEETING_STARTS_IN, datetime.timezone.utc)
    server.call("POST", "/admin/meetings", {
        "id": "family-call", "title": "Family call", "startsAt": starts.strftime("%Y-%m-%dT%H:%M:%SZ"),
        "durationSeconds": 1800, "provider": "meet", "joinUrl": "https://meet.google.com/kin-dora-demo",
        "calendarLabel": "FAMILY"})
    bin_dir, _ = browser_stand_in(session)
    kindora, a11y = start_agent(session, kindora_binary, agent_environment(
        session, server, PATH=bin_dir + os.pathsep + env.get("PATH", ""),
        PULSE_SERVER="unix:" + os.path.join(session.home, "no-sound-server")))
    pair_set_up_agent(session, a11y, server)
    wait_for("the running agent", lambda: a11y.find("Running"), timeout=30)
    session.key("Escape")
    say("paired; the household's rule raises an alert for messages that ask for %r" % RULE["keyword"])

    here = os.path.dirname(os.path.abspath(__file__))
    session.processes.start("full-screen", [sys.executable, os.path.join(here, "full_screen_window.py"),
                                            FULL_SCREEN_TITLE], env, session.artifacts)
    window = wait_for("the full-screen window", lambda: x.find(FULL_SCREEN_TITLE), timeout=20)[0]
    _, _, width, height = wait_for("the window to fill its monitor",
                                   lambda: x.geometry(window) if x.geometry(window)[2:] == (1280, 800) else None)
    say("a full-screen application (%dx%d) has the primary monitor" % (width, height))

    subprocess.run([chatdb_binary, "append", database_path(session), "--count", "1",
                    "--text", "Could you help me with the heating this evening?"],
                   env=env, check=True, capture_output=True)
    panel = wait_for("the alert panel", lambda: x.find("Kindora alert"), timeout=60)[0]
    wait_for("the alert's title", lambda: a11y.find(RULE["title"]))
    if not x.is_above(panel, window):
        raise TestFailure("the full-screen window covers the alert panel")
    time.sleep(1.5)  # past the panel's input guard, so its buttons are drawn at full strength
    _, width, height, left, top = MONITORS[0]
    say("the alert over the full-screen window: " +
        session.screenshot("alert-household-rule-over-full-screen", (left, top, width, height)))
    a11y.press(a11y.find("Acknowledge"))
    wait_for("the alert to go", lambda: not x.find("Kindora alert"), timeout=30)

    remaining = starts.timestamp() - 60 - time.time()
    say("the family call starts at %s; its takeover comes a minute before (in %.0f s)"
        % (starts.astimezone().strftime("%H:%M:%S"), max(0, remaining)))
    wait_for("the takeover", lambda: x.find("Kindora meeting") and x.find("Kindora meeting cover"),
             timeout=max(0, remaining) + 30)
    wait_for("the takeover's title", lambda: a11y.find("Family call"))
    time.sleep(1.5)
    say("the meeting takeover on both monitors: " + session.screenshot("meeting-takeover-covers-both-screens"))

    kindora.send_signal(signal.SIGTERM)
    kindora.wait(timeout=20)


def main():
    """Runs the moments on a desktop of two monitors of their own, in a process of their own: AT-SPI's
    registry connects once per process, to the accessibility bus of the first desktop it meets."""
    import argparse
    from desktop_session import DesktopSession
    parser = argparse.ArgumentParser()
    for option in ("--kindora", "--devserver", "--chatdb", "--artifacts"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    try:
        with DesktopSession(args.artifacts, screen=SCREEN, monitors=MONITORS) as session:
            household_moments(session, args.kindora, args.devserver, args.chatdb, say=lambda text: print("  " + text))
    except TestFailure as failure:
        print("demo stopped:", failure, file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
