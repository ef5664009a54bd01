#!/usr/bin/python3
"""The panels at a real desk, as a person meets them: the real kindora under Xvfb with two monitors,
openbox and trayer, against the real kindora-devserver, with a stand-in logind on a private system bus,
a stand-in screen locker and rival windows someone is working in.

- A calendar invite and an alert whose titles carry markup and a remote image read literally, and
  nothing fetches the image; an invite's smb:// link offers no Join.
- A locker started over a takeover takes the keyboard and stays on top; the panels never fight it.
- Escape leaves the takeover.
- Return pressed as an alert appears (typing elsewhere) does nothing; after the panel's first second
  it resolves; Return on a focused Dismiss dismisses.
- The alert opens centred on the monitor of the focused window.
- While logind says the session is locked no panel shows; what became due shows on unlock.

usage: kindora_panels_trust_e2e.py --kindora BIN --devserver BIN --chatdb BIN --rival BIN --locker BIN
                                   --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import http.server
import os
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import (agent_environment, browser_stand_in, create_database, free_port,  # noqa: E402
                             pair_set_up_agent, relax_for_qt, set_up_for_meetings, start_agent, start_devserver)
from x11_windows import X11Windows  # noqa: E402

LEFT = ("LEFT", 1280, 800, 0, 0)
RIGHT = ("RIGHT", 1024, 768, 1280, 0)
ALERT = "Kindora alert"
TAKEOVER = "Kindora meeting"
RIGHT_RIVAL = "Rival on RIGHT"


def check(condition, message):
    if not condition:
        raise TestFailure(message)


class Beacon:
    """A loopback web server that records every request: the address an <img> in remote text names."""

    def __init__(self):
        self.requests = []
        beacon = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                beacon.requests.append(self.path)
                self.send_response(204)
                self.end_headers()

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", free_port()), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/beacon" % self.server.server_port

    def close(self):
        self.server.shutdown()


class TrustWalkthrough:
    def __init__(self, session, binaries, say):
        self.session = session
        self.binaries = binaries
        self.say = say
        self.env = session.env
        self.x = X11Windows(session.env)
        self.beacon = Beacon()
        self.markup = '<b>Bold</b> <img src="%s">' % self.beacon.url

    # --- setting up -------------------------------------------------------------------------------

    def start_system_bus_and_logind(self):
        socket_path = os.path.join(self.session.home, "system_bus_socket")
        self.session.processes.start("system-bus", [
            "dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + socket_path],
            self.env, self.session.artifacts)
        wait_for("the private system bus", lambda: os.path.exists(socket_path))
        self.system_bus = "unix:path=" + socket_path
        self.logind = subprocess.Popen(
            [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "logind_stand_in.py"),
             self.system_bus], env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check(self.logind.stdout.readline().strip() == "ready", "the logind stand-in did not start")

    def set_locked(self, locked):
        self.logind.stdin.write("lock\n" if locked else "unlock\n")
        self.logind.stdin.flush()
        check(self.logind.stdout.readline().strip() == ("locked" if locked else "unlocked"),
              "the logind stand-in did not change the lock")

    def start_agent(self):
        env = self.env
        self.server = start_devserver(self.session, self.binaries.devserver)
        create_database(self.session, self.binaries.chatdb, 3, 7)
        set_up_for_meetings(self.session)
        bin_dir, self.opened_file = browser_stand_in(self.session)
        # A calendar invite anyone could send: markup in the title, a file-share link. Due at once.
        self.server.call("POST", "/admin/meetings", {
            "id": "invite", "title": self.markup, "startsInSeconds": 50, "provider": "other",
            "joinUrl": "smb://files.example/share", "calendarLabel": "WORK"})
        self.agent, self.a11y = start_agent(self.session, self.binaries.kindora, agent_environment(
            self.session, self.server, PATH=bin_dir + os.pathsep + env.get("PATH", ""),
            DBUS_SYSTEM_BUS_ADDRESS=self.system_bus,
            PULSE_SERVER="unix:" + os.path.join(self.session.home, "no-pulse")))

    def pair(self):
        pair_set_up_agent(self.session, self.a11y, self.server)

    def start_rival(self, *argv, title):
        out = open(os.path.join(self.session.artifacts, "rival-%s.out" % len(argv)), "w+")
        process = self.session.processes.start("rival", [self.binaries.rival, *argv],
                                               relax_for_qt(dict(self.env)), self.session.artifacts, stdout=out)
        window = wait_for("the rival window %r" % title, lambda: self.x.find(title))[0]
        return process, window

    def shoot(self, name, what, settle=0.4):
        time.sleep(settle)
        self.say("%s %s: %s" % (time.strftime("%H:%M:%S"), what, self.session.screenshot(name)))


    def add_alert(self, **draft):
        return self.server.raise_alert(dict({"urgency": "URGENT"}, **draft))

    # --- the takeover -------------------------------------------------------------------------------

    def takeover(self):
        takeover = wait_for("the invite's takeover", lambda: self.x.find(TAKEOVER), timeout=60)[0]
        wait_for("the title read literally", lambda: self.a11y.find(self.markup), timeout=10)
        check(self.a11y.find("Join") is None, "Join is offered for an smb:// link")
        check(self.a11y.find("Dismiss") is not None, "no Dismiss on the takeover")
        self.shoot("trust-1-takeover-markup-title", "an invite with markup and a file-share link, shown as text")

        # Someone works on the primary monitor; a screen locker starts over it all, as at a lock.
        self.rival, self.rival_window = self.start_rival(title="Rival full screen")
        wait_for("the takeover back above the rival", lambda: self.x.is_above(takeover, self.rival_window))
        locker = subprocess.Popen([self.binaries.locker, "5"], env=self.env, stdout=subprocess.PIPE, text=True)
        first = locker.stdout.readline().split()
        check(first and first[-1] == "grab=success", "the locker could not take the keyboard: %s" % first)
        locker_window = int(first[0].split("=")[1])
        # The rival comes forward as the locker is up: the takeover follows it, but stays under the locker.
        self.rival.send_signal(signal.SIGUSR1)
        time.sleep(1)
        check(self.x.is_above(locker_window, takeover), "the takeover is drawn over the locker")
        self.shoot("trust-2-locker-over-takeover", "a screen locker over the takeover: no meeting text shows",
                   settle=0)
        out, _ = locker.communicate(timeout=20)
        raises = int(out.split("raises=")[1].split()[0])
        self.say("the locker raised itself %d times in 5 s" % raises)
        check(raises <= 3, "the panels fought the locker: it had to raise itself %d times in 5 s" % raises)

        # Escape leaves the takeover: the person clicks it (it has been up long past its guard) and presses it.
        wait_for("the takeover above the rival again", lambda: self.x.is_above(takeover, self.rival_window))
        self.session.click(40, 40)
        time.sleep(0.3)
        self.session.key("Escape")
        wait_for("Escape to end the takeover", lambda: not self.x.find(TAKEOVER))
        check(not os.path.exists(self.opened_file), "leaving the takeover opened something")

    # --- the alert panel ----------------------------------------------------------------------------

    def alerts(self):
        # Someone types in a window on the second monitor: that is where the alert appears.
        _, right_window = self.start_rival("1", title=RIGHT_RIVAL)
        subprocess.run(["xdotool", "windowactivate", "--sync", str(right_window)], env=self.env, check=True)
        typed = self.add_alert(title=self.markup, body="Sent to the household", source="Rules")
        panel = wait_for("the alert panel", lambda: self.x.find(ALERT), interval=0.02, timeout=20)[0]
        self.session.key("Return")  # the Enter of a chat message, just as the panel appears
        appeared = time.monotonic()
        self.shoot("trust-3-alert-unarmed", "the alert just appeared: buttons not armed yet", settle=0)
        wx, wy, ww, wh = self.x.work_area()
        _, width, height, mx, my = RIGHT
        usable = (max(wx, mx), max(wy, my), min(wx + ww, mx + width) - max(wx, mx),
                  min(wy + wh, my + height) - max(wy, my))
        expected = (usable[0] + (usable[2] - 380) // 2, usable[1] + (usable[3] - 260) // 2, 380, 260)
        check(self.x.geometry(panel) == expected, "the alert is at %s, not centred on the focused window's "
              "monitor %s" % (self.x.geometry(panel), expected))
        check(self.a11y.find(self.markup) is not None, "the alert's title is not read literally")
        time.sleep(max(0.0, appeared + 1.3 - time.monotonic()))
        check(self.server.alert_state(typed) == "open", "a Return typed as the panel appeared resolved the alert")
        self.shoot("trust-4-alert-armed", "the same alert a second later: armed", settle=0)
        self.session.key("Return")
        wait_for("Return, once armed, to resolve it", lambda: self.server.alert_state(typed) == "resolved", timeout=20)
        wait_for("the panel to go", lambda: not self.x.find(ALERT))

        tabbed = self.add_alert(title="Garage left open", source="Sensors")
        wait_for("the next alert", lambda: self.x.find(ALERT), timeout=20)
        time.sleep(1.3)
        for _ in range(3):  # Acknowledge, Resolve, Dismiss
            self.session.key("Tab")
        dismiss = wait_for("Dismiss to have the focus", lambda: self.focused("Dismiss"), timeout=5)
        check(dismiss, "Tab never reached Dismiss")
        self.session.key("Return")
        wait_for("Return on Dismiss to dismiss", lambda: not self.x.find(ALERT))
        time.sleep(0.5)
        check(self.server.alert_state(tabbed) == "open", "Return on a focused Dismiss acted on the server")
        check(not self.beacon.requests, "remote text fetched %s" % self.beacon.requests)

    def focused(self, name):
        node = self.a11y.find(name)
        return node is not None and node.getState().contains(self.a11y.pyatspi.STATE_FOCUSED)

    # --- the lock ---------------------------------------------------------------------------------

    def lock(self):
        self.add_alert(title="Window open upstairs", groupKey="window")
        wait_for("the alert", lambda: self.x.find(ALERT), timeout=20)
        self.set_locked(True)
        wait_for("the panel to leave the locked screen", lambda: not self.x.find(ALERT))
        self.add_alert(title="Dryer finished", urgency="CRITICAL", groupKey="dryer")
        time.sleep(7)  # more than one poll of the alerts
        check(not self.x.find(ALERT), "an alert showed while the session is locked")
        self.shoot("trust-5-locked", "the session locked: nothing of the household shows", settle=0)
        self.set_locked(False)
        wait_for("the alert to show on unlock", lambda: self.x.find(ALERT), timeout=10)
        self.shoot("trust-6-unlocked", "unlocked: the waiting alert shows")

    def finish(self):
        self.agent.send_signal(signal.SIGTERM)
        self.agent.wait(timeout=20)
        log = open(os.path.join(self.env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()
        with open(os.path.join(self.session.artifacts, "agent.log"), "w") as copy:
            copy.write(log)
        check("Join not offered for meeting invite: its link is not a web address (smb://files.example)" in log,
              "the log does not say why Join was not offered")
        check("/share" not in log, "the log holds the whole join link")
        check("Session locked" in log and "Session unlocked" in log, "the log lacks the session's lock")
        check(not self.beacon.requests, "remote text fetched %s" % self.beacon.requests)
        self.logind.stdin.close()
        self.logind.wait(timeout=10)
        self.beacon.close()

    def run(self):
        self.start_system_bus_and_logind()
        self.start_agent()
        self.pair()
        self.takeover()
        self.alerts()
        self.lock()
        self.finish()


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb", "--rival", "--locker"),
                   lambda session, args: TrustWalkthrough(session, args, say=print).run(),
                   failure_shot="trust-failure", screen="2304x800", monitors=[LEFT, RIGHT])
