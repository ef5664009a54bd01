#!/usr/bin/python3
"""The agent under its pseudo-locale (KINDORA_PSEUDO_LOCALE=1: every text accented and about 40 %
longer), on two monitors: walks the wizard's steps, the popover's screens (signed out, pairing code,
access missing, running), the meeting takeover and its cover on the second monitor (a meeting without
a link, then two calendar copies of a call with auto-join armed) and the alert panel (a group of five
with another alert waiting, a single alert, a refused acknowledgement, a group that must be resolved
and a refused resolution). It photographs each and fails when a text runs past its control or its
window (its last character outside their extents, read over AT-SPI) or reads in plain English (it
bypassed the translations); what the household and the calendar wrote stays as they wrote it.

usage: kindora_pseudo_locale_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session."""

import datetime
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import (agent_environment, browser_stand_in, create_database, set_up_for_meetings,  # noqa: E402
                             start_agent, start_devserver, tray_center)

LEFT = ("LEFT", 1280, 800, 0, 0)
RIGHT = ("RIGHT", 1024, 768, 1280, 0)
LOWER = "åƀçðéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýž"
UPPER = "ÅƁÇÐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽ"


def pseudo_prefix(english):
    """The start of `english` as the pseudo-locale shows it (the padding after it is left out)."""
    out = "["
    for char in english:
        if "a" <= char <= "z":
            out += LOWER[ord(char) - ord("a")]
        elif "A" <= char <= "Z":
            out += UPPER[ord(char) - ord("A")]
        else:
            out += char
    return out


def outside(inner, box):
    """Whether the right or bottom edge of `inner` (x, y, width, height) lies beyond `box`."""
    return inner[0] + inner[2] > box[0] + box[2] + 1 or inner[1] + inner[3] > box[1] + box[3] + 1


class PseudoLocaleCheck:
    """Reads what the agent shows over AT-SPI and notes every text that does not fit or is not translated.
    `verbatim` are the texts the household and the calendar wrote, shown as they are."""

    def __init__(self, session, a11y):
        self.session = session
        self.a11y = a11y
        self.verbatim = {"Kindora"}
        self.problems = []

    def find(self, english):
        return self.a11y.find_prefix(pseudo_prefix(english))

    def press(self, english):
        """Presses the control, found again if the screen was rebuilt under the finger."""
        def pressed():
            self.a11y._press_once(self.find(english))
            return True
        wait_for("a press on %r" % english, pressed)

    def photograph(self, shot, region=None):
        time.sleep(0.5)  # the last frame is on screen
        print(shot + ":", self.session.screenshot(shot, region))
        self.problems.extend("%s: %s" % (shot, problem) for problem in self.overflowing_texts())
        self.problems.extend("%s: untranslated %r" % (shot, name) for name in self.plain_english())

    def overflowing_texts(self):
        """Showing texts whose last character lies outside their own control or their window."""
        pyatspi = self.a11y.pyatspi
        problems = []
        app = self.a11y.application()
        for window in (app.getChildAtIndex(index) for index in range(app.childCount)):
            try:
                if not self.a11y.showing(window):
                    continue
                frame = self.extents(window)
            except Exception:
                continue
            for node in self.a11y._walk(window):
                try:
                    if not self.a11y.showing(node):
                        continue
                    text = node.queryText()
                    length = text.characterCount
                    if length == 0:
                        continue
                    box = tuple(node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
                    last = tuple(text.getCharacterExtents(length - 1, pyatspi.DESKTOP_COORDS))
                    content = text.getText(0, -1)
                except NotImplementedError:
                    # A line set character by character (a countdown in tabular digits) has no text of
                    # its own to read: the line as a whole stays inside the window.
                    if node.name and node.getRoleName() in ("label", "static") and outside(self.extents(node), frame):
                        problems.append("%r runs past its window (%s beyond %s)" % (node.name, self.extents(node), frame))
                    continue
                except Exception:
                    continue
                if last[2] <= 0:
                    continue
                if outside(last, box):
                    problems.append("%r runs past its control (%s beyond %s)" % (content, last, box))
                elif outside(last, frame):
                    problems.append("%r runs past its window (%s beyond %s)" % (content, last, frame))
        return problems

    def extents(self, node):
        return tuple(node.queryComponent().getExtents(self.a11y.pyatspi.DESKTOP_COORDS))

    def plain_english(self):
        """Names of showing controls and texts that are words of the source language, untranslated."""
        found = []
        for name in self.a11y.names():
            letters = [c for c in name if c.isalpha()]
            if len(letters) >= 3 and all(c.isascii() for c in letters) and name not in self.verbatim and \
                    not name.startswith("/"):
                found.append(name)
        return found


class PseudoLocaleWalk:
    def __init__(self, session, args):
        self.session = session
        self.args = args
        self.server = start_devserver(session, args.devserver)
        set_up_for_meetings(session, set_up=False)  # a new user: the wizard opens
        bin_dir, _ = browser_stand_in(session)  # auto-join opens the call's link in a stand-in browser
        env = agent_environment(session, self.server, KINDORA_PSEUDO_LOCALE="1",
                                PATH=bin_dir + os.pathsep + session.env.get("PATH", ""),
                                PULSE_SERVER="unix:" + os.path.join(session.home, "no-pulse"))
        _, a11y = start_agent(session, args.kindora, env)
        self.check = PseudoLocaleCheck(session, a11y)
        self.tray = None

    def open_popover_at(self, english):
        """Opens the popover (unless it shows already) and waits for the control that marks its screen."""
        check = self.check
        if check.find(english) is None:
            self.session.click(*self.tray)
        return wait_for("the popover's %r" % english, lambda: check.find(english), timeout=30)

    def wizard_and_popover(self):
        check = self.check
        wait_for("the wizard's welcome step", lambda: check.find("Welcome to Kindora"), timeout=30)
        check.photograph("pseudo-wizard-1-welcome")
        check.press("Get Started")
        wait_for("the wizard's access step", lambda: check.find("Relaunch Kindora"))
        check.photograph("pseudo-wizard-2-access")

        self.tray = tray_center(self.session)
        self.open_popover_at("Pair with Kindora")
        check.photograph("pseudo-popover-1-signed-out")
        database = create_database(self.session, self.args.chatdb, 10, 3)
        wait_for("the wizard to see the database", lambda: check.find("The Messages database is readable"))
        check.photograph("pseudo-wizard-2b-access-detected")
        # The database goes out of reach again, so that the agent is paired without it.
        messages = os.path.dirname(database)
        os.rename(messages, messages + ".away")

        self.open_popover_at("Pair with Kindora")
        check.press("Pair with Kindora")
        code_button = wait_for("the pairing code", lambda: check.find("Pairing code "))
        check.photograph("pseudo-popover-2-pairing-code")
        code = code_button.name[len(pseudo_prefix("Pairing code ")):].split()[0]
        self.server.call("POST", "/admin/pairings/%s/confirm" % code)
        wait_for("the pairing code to go", lambda: check.find("Pairing code ") is None, timeout=30)
        self.open_popover_at("Check Again")
        check.photograph("pseudo-popover-3-access-missing")

        # The database is back: Check Again finds it, the agent runs and takes the screen for meetings.
        self.add_meetings()
        os.rename(messages + ".away", messages)
        check.press("Check Again")

    def add_meetings(self):
        """One without a link, due at once, and two copies of one call (on two calendars, with a link that
        auto-join will open) due two minutes later. The first is taken over as soon as the agent runs; it
        holds the screen's claim until a poll finds it gone from the calendar, a minute later, and the
        call is taken over when the alerts have gone."""
        self.server.call("POST", "/admin/meetings", {"id": "plumber", "title": "Plumber visit", "startsInSeconds": 45,
                                                     "provider": "other", "calendarLabel": "HOME"})
        starts = datetime.datetime.fromtimestamp(int(time.time()) + 130, datetime.timezone.utc)
        for which in ("family", "work"):
            self.server.call("POST", "/admin/meetings", {
                "id": "call-%s" % which, "title": "Family call (%s)" % which,
                "startsAt": starts.strftime("%Y-%m-%dT%H:%M:%SZ"), "provider": "meet",
                "joinUrl": "https://meet.google.com/kin-dora-e2e", "calendarLabel": which.upper()})
        self.check.verbatim |= {"Plumber visit", "HOME", "Family call (family)", "Family call (work)",
                                "Family call (family) · Family call (work)", "FAMILY", "WORK"}

    def meeting_without_link(self):
        check = self.check
        wait_for("the meeting without a link", lambda: check.a11y.find("Plumber visit"), timeout=60)
        wait_for("the takeover on the first monitor and its cover on the second",
                 lambda: len(self.showing_named("Plumber visit")) == 2)
        check.photograph("pseudo-meeting-1-no-link")
        check.photograph("pseudo-meeting-2-cover-second-screen", (1280, 0, 1024, 768))
        check.press("Dismiss")
        wait_for("Dismiss to end the takeover", lambda: not self.showing_named("Plumber visit"))
        self.server.call("DELETE", "/admin/meetings/plumber")

    def call_together(self):
        check = self.check
        wait_for("the call's two copies together",
                 lambda: check.a11y.find("Family call (family)") and check.a11y.find("Family call (work)"), timeout=120)
        wait_for("auto-join's caption", lambda: check.find("Auto-join opens this at start."))
        check.photograph("pseudo-meeting-3-two-together-auto-join-armed")
        check.photograph("pseudo-meeting-4-cover-two-together", (1280, 0, 1024, 768))
        check.press("Hide")
        wait_for("Hide to end the takeover", lambda: check.a11y.find("Family call (family)") is None)

    def showing_named(self, name):
        a11y = self.check.a11y
        return [node for node in a11y._walk(a11y.application()) if node.name == name and a11y.showing(node)]

    def rest_of_wizard_and_running(self):
        check = self.check
        wait_for("the wizard's preferences step", lambda: check.find("Continue"), timeout=30)
        check.photograph("pseudo-wizard-4-preferences")
        check.press("Continue")
        wait_for("the wizard's last step", lambda: check.find("Got it"))
        check.photograph("pseudo-wizard-5-done")
        check.press("Got it")
        wait_for("the wizard to close", lambda: check.find("Got it") is None)
        self.open_popover_at("Running")
        check.photograph("pseudo-popover-4-running")
        self.session.key("Escape")

    def add_alert(self, **draft):
        self.check.verbatim |= {value for key, value in draft.items() if key in ("title", "body", "source")}
        return self.server.raise_alert(draft)


    def alerts(self):
        """Three incidents at once: five leak sensors, two smoke alarms that must be resolved (one by
        someone else) and the garage, shown in turn oldest first, the ones waiting counted in the header."""
        check, a11y = self.check, self.check.a11y
        leak = [self.add_alert(title="Leak sensor %d" % n, urgency="CRITICAL", source="Kitchen sensor %d" % n,
                               groupKey="leak", raisedSecondsAgo=400) for n in range(1, 6)]
        self.add_alert(title="Smoke alarm", urgency="CRITICAL", source="Hallway", requiresResolution=True,
                       groupKey="smoke", raisedSecondsAgo=300)
        self.add_alert(title="Smoke alarm (upstairs)", urgency="CRITICAL", source="Landing", requiresResolution=True,
                       canResolve=False, groupKey="smoke", raisedSecondsAgo=300)
        garage = self.add_alert(title="Garage left open", body="The garage door has been open for 20 minutes.",
                                urgency="URGENT", source="Home sensors", raisedSecondsAgo=120)
        wait_for("the group of five", lambda: check.find("5 alerts at once"), timeout=30)
        wait_for("the others waiting", lambda: check.find("+2 more"))
        check.photograph("pseudo-alert-1-group-of-five")
        check.press("Acknowledge")
        wait_for("the group acknowledged", lambda: all(self.server.alert_state(alert) == "acknowledged" for alert in leak),
                 timeout=20)

        wait_for("both alarms together", lambda: check.find("2 alerts at once"), timeout=30)
        wait_for("the resolution hint", lambda: check.find("This alert requires a resolution - "))
        check.press("Resolve")
        # The server's refusal carries its own words, which are shown as they are.
        refusal = "You don't have permission to resolve this alert."
        check.verbatim.add(refusal)
        wait_for("the refusal (403)", lambda: a11y.find(refusal), timeout=20)
        check.photograph("pseudo-alert-2-resolution-refused")
        check.press("Dismiss")

        wait_for("the single alert", lambda: a11y.find("Garage left open"), timeout=20)
        check.photograph("pseudo-alert-3-single")
        self.server.call("POST", "/admin/faults", {"endpoint": "ackAlert", "kind": "status", "status": 409,
                                                   "body": {"code": "requires-resolution"}})
        check.press("Acknowledge")
        wait_for("the refusal (409)", lambda: check.find("This alert requires a resolution, not just"), timeout=20)
        check.photograph("pseudo-alert-4-acknowledgement-refused")
        check.press("Dismiss")
        wait_for("the panel to go", lambda: a11y.find("Garage left open") is None)
        if self.server.alert_state(garage) != "open":
            raise TestFailure("a refused acknowledgement changed the alert")

    def run(self):
        self.wizard_and_popover()
        self.meeting_without_link()
        self.rest_of_wizard_and_running()
        self.alerts()
        self.call_together()
        problems = self.check.problems
        if problems:
            raise TestFailure("%d texts do not fit or are not translated:\n  %s" % (len(problems), "\n  ".join(problems)))


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"), lambda session, args: PseudoLocaleWalk(session, args).run(),
                   failure_shot="pseudo-failure", screen="2304x800", monitors=[LEFT, RIGHT])
