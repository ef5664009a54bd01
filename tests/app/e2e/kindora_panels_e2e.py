#!/usr/bin/python3
"""The alert panel and the meeting takeover as a person meets them: the real kindora under Xvfb with
two monitors (RandR monitors on one wide screen), openbox and trayer, against the real kindora-devserver,
with a rival full-screen application. Reads the X server's stacking order and geometry, drives the
panels with the keyboard (xdotool) and AT-SPI, and photographs every state into the artifacts directory.

usage: kindora_panels_e2e.py --kindora BIN --devserver BIN --chatdb BIN --rival BIN --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import datetime
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import (agent_environment, browser_stand_in, create_database, relax_for_qt,  # noqa: E402
                             pair_set_up_agent, set_up_for_meetings, start_agent, start_devserver)
from x11_windows import X11Windows  # noqa: E402

LEFT = ("LEFT", 1280, 800, 0, 0)
RIGHT = ("RIGHT", 1024, 768, 1280, 0)
ALERT = "Kindora alert"
TAKEOVER = "Kindora meeting"
COVER = "Kindora meeting cover"
# Long enough for the alerts to be done before the call's lead time begins (an alert on screen holds a
# takeover back).
PAIR_STARTS_IN = 210


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def rect(monitor):
    _, width, height, x, y = monitor
    return x, y, width, height


class PanelsWalkthrough:
    def __init__(self, session, binaries, say):
        self.session = session
        self.binaries = binaries
        self.say = say
        self.env = session.env
        self.x = X11Windows(session.env)
        self.a11y = None
        self.server = None
        self.rival = None
        self.opened_file = None

    # --- setting up -------------------------------------------------------------------------------

    def start_agent(self):
        env = self.env
        self.server = start_devserver(self.session, self.binaries.devserver)
        create_database(self.session, self.binaries.chatdb, 5, 4)
        # Set up already (no wizard); meetings take the screen a minute ahead and open by themselves.
        set_up_for_meetings(self.session)
        bin_dir, self.opened_file = browser_stand_in(self.session)
        self.agent, self.a11y = start_agent(self.session, self.binaries.kindora, agent_environment(
            self.session, self.server, PATH=bin_dir + os.pathsep + env.get("PATH", ""),
            # No sound server here: the alert sound must stay quiet without failing.
            PULSE_SERVER="unix:" + os.path.join(self.session.home, "no-pulse")))

    def add_meetings(self):
        """Before pairing, so that the first poll sees them: one without a link that is due at once, and
        two copies of one call (on two calendars) due in a few minutes, whose link auto-join opens."""
        self.no_link = self.server.call("POST", "/admin/meetings", {
            "id": "plumber", "title": "Plumber visit", "startsInSeconds": 45, "provider": "other",
            "calendarLabel": "HOME"})
        link = "https://meet.google.com/kin-dora-e2e"
        # The same start to the second: taken over together, opened once.
        starts = datetime.datetime.fromtimestamp(int(time.time()) + PAIR_STARTS_IN, datetime.timezone.utc)
        self.pair = [self.server.call("POST", "/admin/meetings", {
            "id": "call-%s" % which, "title": "Family call (%s)" % which,
            "startsAt": starts.strftime("%Y-%m-%dT%H:%M:%SZ"), "provider": "meet", "joinUrl": link,
            "calendarLabel": which.upper()}) for which in ("family", "work")]
        self.link = link

    def pair_device(self):
        pair_set_up_agent(self.session, self.a11y, self.server)
        # Paired, the agent polls at once: the meeting due now takes the screen (and the keyboard, which
        # closes the popover), or the dashboard shows until it does.
        wait_for("the running agent", lambda: self.x.find(TAKEOVER) or self.a11y.find("Running"), timeout=30)

    def start_rival(self):
        out = open(os.path.join(self.session.artifacts, "rival.out"), "w+")
        self.rival = self.session.processes.start("rival", [self.binaries.rival], relax_for_qt(dict(self.env)),
                                                  self.session.artifacts, stdout=out)
        window = wait_for("the rival full-screen window", lambda: self.x.find("Rival full screen"))[0]
        wait_for("the rival to fill the primary monitor", lambda: self.x.geometry(window) == rect(LEFT))
        screens = open(out.name).read()
        check("LEFT 1280x800+0+0 primary" in screens and "RIGHT 1024x768+1280+0" in screens,
              "Qt does not see the two monitors: " + screens)
        self.rival_window = window

    def raise_rival(self):
        """The rival comes forward by itself, as a full-screen program does when it gets attention."""
        self.rival.send_signal(signal.SIGUSR1)
        subprocess.run(["xdotool", "windowraise", str(self.rival_window)], env=self.env, check=True)
        time.sleep(0.5)

    def shoot(self, name, what, region=None):
        time.sleep(0.4)  # the last frame is on screen
        self.say("%s %s: %s" % (time.strftime("%H:%M:%S"), what, self.session.screenshot(name, region)))

    # --- the alert panel --------------------------------------------------------------------------

    def alert_window(self):
        return wait_for("the alert panel", lambda: self.x.find(ALERT), timeout=20)[0]

    def rival_monitor(self):
        rx, _, rw, _ = self.x.geometry(self.rival_window)
        return next(monitor for monitor in (LEFT, RIGHT) if monitor[3] <= rx + rw // 2 < monitor[3] + monitor[1])

    def check_alert_above_and_centred(self):
        panel = self.alert_window()
        stats = self.x.stats(panel)
        check(stats["override_redirect"], "the alert panel is managed by the window manager")
        self.raise_rival()
        check(self.x.is_above(panel, self.rival_window), "the rival full-screen window covers the alert panel")
        # Centred on the usable area of the monitor that holds the focused window (the rival, which the
        # window manager may have moved to another monitor as they were rearranged).
        _, mw, mh, mx, my = self.rival_monitor()
        wx, wy, ww, wh = self.x.work_area()
        usable = (max(wx, mx), max(wy, my), min(wx + ww, mx + mw) - max(wx, mx), min(wy + wh, my + mh) - max(wy, my))
        expected = (usable[0] + (usable[2] - 380) // 2, usable[1] + (usable[3] - 260) // 2, 380, 260)
        check(self.x.geometry(panel) == expected,
              "the alert panel is at %s, not centred on the usable area of the focused window's monitor %s" %
              (self.x.geometry(panel), expected))
        return panel

    def alerts(self):
        server, a11y = self.server, self.a11y
        # The person is back in the full-screen application: the alerts open on its monitor.
        subprocess.run(["xdotool", "windowactivate", "--sync", str(self.rival_window)], env=self.env, check=True)
        first = self.add_alert(title="Back door open", body="The back door has been open for 20 minutes.",
                               urgency="URGENT", source="Home sensors", raisedSecondsAgo=300)
        wait_for("the single alert", lambda: a11y.find("Back door open"))
        self.check_alert_above_and_centred()
        self.shoot("alert-1-single", "a single urgent alert above the rival full-screen window")
        # The rival took the keyboard when it came forward; a click on the panel takes it back, and
        # Return is the default action: Resolve.
        px, py, pw, ph = self.x.geometry(self.alert_window())
        self.session.click(px + pw - 20, py + 20)
        time.sleep(0.3)
        self.session.key("Return")
        wait_for("Return to resolve it on the server",
                 lambda: self.server.alert_state(first) == "resolved", timeout=20)
        wait_for("the panel to go", lambda: not self.x.find(ALERT))

        group = [self.add_alert(title="Leak sensor %d" % n, urgency="CRITICAL", source="Kitchen sensor %d" % n,
                                groupKey="leak") for n in range(1, 6)]
        wait_for("the group of five", lambda: a11y.find("5 alerts at once"))
        check(a11y.find("2 more copies") is not None, "no '2 more copies' under a group of five")
        self.shoot("alert-2-group-of-five", "five alerts of one incident together")
        a11y.press(a11y.find("Acknowledge"))
        wait_for("Acknowledge to reach the server for all five",
                 lambda: all(self.server.alert_state(alert) == "acknowledged" for alert in group), timeout=20)

        must_resolve = self.add_alert(title="Smoke alarm", urgency="CRITICAL", source="Hallway",
                                      requiresResolution=True, groupKey="smoke")
        not_mine = self.add_alert(title="Smoke alarm (upstairs)", urgency="CRITICAL", source="Landing",
                                  requiresResolution=True, canResolve=False, groupKey="smoke")
        wait_for("both alarms together", lambda: a11y.find("2 alerts at once"))
        check(a11y.find("This alert requires a resolution - Acknowledge is disabled below.") is not None,
              "no resolution hint")
        check(a11y.find("Acknowledge") is None, "Acknowledge is offered for an alert that must be resolved")
        self.shoot("alert-3-requires-resolution", "an alert that must be resolved: no Acknowledge")
        a11y.press(a11y.find("Resolve"))
        wait_for("the 403 as its text", lambda: a11y.find("You don't have permission to resolve this alert."),
                 timeout=20)
        check(self.server.alert_state(must_resolve) == "resolved", "the alert this user may resolve was not")
        self.shoot("alert-4-action-error", "resolving both: the one this user may not resolve is refused (403)")
        a11y.press(a11y.find("Dismiss"))
        wait_for("Dismiss to hide it here", lambda: not self.x.find(ALERT))
        check(self.server.alert_state(not_mine) == "open", "Dismiss must not act on the server")

        plain = self.add_alert(title="Garage left open", urgency="URGENT")
        wait_for("the next alert", lambda: a11y.find("Garage left open"))
        server.call("POST", "/admin/faults", {"endpoint": "ackAlert", "kind": "status", "status": 409,
                                              "body": {"code": "requires-resolution"}})
        a11y.press(a11y.find("Acknowledge"))
        wait_for("the 409 as its text",
                 lambda: a11y.find("This alert requires a resolution, not just an acknowledgement."), timeout=20)
        self.shoot("alert-5-conflict", "the server refused the acknowledgement (409)")
        a11y.press(a11y.find("Dismiss"))
        wait_for("the panel to go", lambda: not self.x.find(ALERT))
        check(self.server.alert_state(plain) == "open", "a refused acknowledgement changed the alert")

    def add_alert(self, **draft):
        return self.server.raise_alert(draft)


    # --- the meeting takeover ---------------------------------------------------------------------

    def takeover_windows(self):
        return (wait_for("the takeover", lambda: self.x.find(TAKEOVER), timeout=90)[0],
                [window for window in self.x.find(COVER)])

    def check_covers(self, monitors):
        """The full takeover on the first (primary) of `monitors`, a cover on each other one, exactly."""
        def exact():
            takeover = self.x.find(TAKEOVER)
            covers = self.x.find(COVER)
            if len(takeover) != 1 or len(covers) != len(monitors) - 1:
                return False
            if self.x.geometry(takeover[0]) != rect(monitors[0]):
                return False
            shown = sorted(self.x.geometry(window) for window in takeover + covers)
            return shown == sorted(rect(monitor) for monitor in monitors)
        wait_for("the takeover to cover exactly %s" % [monitor[0] for monitor in monitors], exact, timeout=10)
        for window in self.x.find(TAKEOVER) + self.x.find(COVER):
            check(self.x.stats(window)["override_redirect"], "a takeover window is managed by the window manager")
            check(self.x.is_above(window, self.rival_window), "the rival covers part of the takeover")

    def meetings(self):
        a11y = self.a11y
        wait_for("the meeting without a link", lambda: a11y.find("Plumber visit"), timeout=90)
        self.takeover_windows()
        self.raise_rival()
        self.check_covers([LEFT, RIGHT])
        check(a11y.find("Join") is None, "Join is offered for a meeting without a link")
        check(a11y.find("Dismiss") is not None, "no Dismiss on a takeover without auto-join")
        self.shoot("meeting-1-no-link", "a meeting without a link: no Join, only Dismiss")
        self.shoot("meeting-2-cover-second-screen", "the cover on the second monitor", rect(RIGHT))

        # Monitors come and go under the takeover: the covers follow at once.
        self.session.remove_monitor("RIGHT")
        self.check_covers([LEFT])
        self.session.set_monitor(*RIGHT)
        self.check_covers([LEFT, RIGHT])
        # The other monitor becomes the primary one: the takeover stays on the monitor it was put on,
        # the one the person works on, as long as that monitor is there.
        self.session.set_monitor(*RIGHT, primary=True)
        self.check_covers([LEFT, RIGHT])
        self.session.set_monitor(*LEFT, primary=True, takes_output=True)
        self.check_covers([LEFT, RIGHT])
        self.session.key("Return")  # no Join here: Return does nothing
        time.sleep(0.5)
        check(self.x.find(TAKEOVER), "Return closed a takeover that offers no Join")
        a11y.press(a11y.find("Dismiss"))
        wait_for("Dismiss to end the takeover", lambda: not self.x.find(TAKEOVER) and not self.x.find(COVER))
        # Gone from the calendar: the next poll ends its claim on the screen.
        self.server.call("DELETE", "/admin/meetings/plumber")

        self.alerts()

        starts = datetime.datetime.fromisoformat(self.pair[0]["startsAt"].replace("Z", "+00:00")).timestamp()
        wait_for("the two copies of the call taken over together",
                 lambda: a11y.find("Family call (family)") and a11y.find("Family call (work)"),
                 timeout=max(10, starts - 60 - time.time() + 30))
        late = time.time() - (starts - 60)
        self.say("taken over %.1f s after its lead time began" % late)
        check(-1.5 <= late <= 5, "the takeover came %.1f s off its lead time" % late)
        # The full takeover on the monitor the person works on (the rival's), a cover on the other one.
        working = self.rival_monitor()
        self.check_covers([working, RIGHT if working == LEFT else LEFT])
        check(a11y.find_prefix("Auto-join opens this at start.") is not None, "auto-join is armed: no caption")
        check(a11y.find("Hide") and a11y.find("Don't auto-join") and a11y.find("Join"), "the armed buttons")
        self.shoot("meeting-3-two-together-auto-join-armed", "two calendar copies of one call, auto-join armed")
        a11y.press(a11y.find("Hide"))
        wait_for("Hide to end the takeover", lambda: not self.x.find(TAKEOVER))
        wait_for("auto-join to open the link at the start",
                 lambda: os.path.exists(self.opened_file) and open(self.opened_file).read().split(),
                 timeout=max(10, starts - time.time() + 15))
        opened = open(self.opened_file).read().split()
        late = time.time() - starts
        self.say("auto-join opened %s %.1f s after the start" % (opened, late))
        check(opened == [self.link], "the stand-in browser got %s" % opened)

    def finish(self):
        # The agent's log is complete once it has stopped.
        self.agent.send_signal(signal.SIGTERM)
        self.agent.wait(timeout=20)
        log_path = os.path.join(self.env["XDG_DATA_HOME"], "Kindora", "kindora.log")
        log = open(log_path, errors="replace").read()
        shutil.copy(log_path, os.path.join(self.session.artifacts, "agent.log"))
        for needed in ("present: id=plumber", "reapplyScreenFrame: ", "MeetingPanel] info: dismiss", "auto-join: joined meeting",
                       "kindora stopped"):
            check(needed in log, "the log lacks %r" % needed)
        check("present: id=call-work" not in log, "hiding the takeover of two meetings presented the second one")
        qt_warnings = [line for line in log.splitlines() if ":Qt]" in line and " error: " in line]
        check(not qt_warnings, "Qt or QML warnings:\n" + "\n".join(qt_warnings))
        check("Uncaught exception" not in log, "an exception escaped an event handler; see agent.log")

    def run(self):
        self.start_agent()
        self.add_meetings()
        self.pair_device()
        self.start_rival()
        self.meetings()
        self.finish()


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb", "--rival"),
                   lambda session, args: PanelsWalkthrough(session, args, say=print).run(),
                   failure_shot="panels-failure", screen="2304x800", monitors=[LEFT, RIGHT])
