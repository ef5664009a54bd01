#!/usr/bin/python3
"""How long the desktop agent's GUI thread goes without turning its event loop while the agent does the
things that touch the keyring, the sound server and the disk: pairing, acting on an alert, deciding an
automatic join with a live microphone, saving the meeting ledgers, and settings writes.

The real kindora under Xvfb with openbox and a StatusNotifier host stand-in (the tray is its item),
against kindora-devserver, a generated Messages database and a private PulseAudio whose null microphone
is recorded from while a program called "firefox" runs (the agent's in-a-call guess says yes). A second
process calls the item over the session bus every 5 ms from the agent's start to the end (gui_ping.py):
each call is answered on the GUI thread, so the longest round trip is the longest stall. The scenario:
pair through the popover and the wizard; a meeting starts, is taken over and its automatic join is held
while the microphone is live, then made when the recording stops; an alert is acknowledged; do-not-
disturb goes on and off. Prints the longest stalls with what was happening, then on its last line
max_gui_stall_ms=M.

usage: app_stall.py --kindora BIN --devserver BIN --chatdb BIN [--artifacts DIR]
Run inside scripts/with-test-session. The agent must accept KINDORA_DEVELOPMENT_BACKEND_ORIGIN: build
the release preset with -DKINDORA_DEVELOPMENT_BUILD=ON."""

import argparse
import datetime
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "scripts", "lib"))
from desktop_session import DesktopSession, TestFailure, wait_for  # noqa: E402
from kindora_desktop import agent_environment, browser_stand_in, create_database, start_agent, start_devserver  # noqa: E402
from status_notifier import StatusNotifierHost  # noqa: E402

PRESETS = """[General]
com.quillmere.kindora.meetingDisrupt.enabled=true
com.quillmere.kindora.meetingDisrupt.autoJoinEnabled=true
com.quillmere.kindora.meetingDisrupt.presenceSuppressionEnabled=true
"""


class Steps:
    """What the scenario was doing when, to name the stalls."""

    def __init__(self):
        self.steps = []

    def __call__(self, what):
        self.steps.append((time.time(), what))
        print("%7.1f s  %s" % (self.steps[-1][0] - self.steps[0][0], what), flush=True)

    def at(self, moment):
        current = "start"
        for when, what in self.steps:
            if when > moment:
                break
            current = what
        return current


def start_sound_server(session):
    """A private PulseAudio with a null microphone, off the session bus; its address for the agent."""
    directory = os.path.join(session.home, "pulse")
    os.makedirs(os.path.join(directory, "runtime"), mode=0o700)
    socket = os.path.join(directory, "native")
    env = dict(session.env, XDG_RUNTIME_DIR=os.path.join(directory, "runtime"))
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    session.processes.start("pulseaudio", [
        "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--use-pid-file=no",
        "--log-level=error", "-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % socket,
        "-L", "module-null-source source_name=kindora_mic"], env, session.artifacts)
    wait_for("pulseaudio", lambda: os.path.exists(socket), timeout=30)
    return "unix:" + socket, env


def main():
    parser = argparse.ArgumentParser()
    for option in ("--kindora", "--devserver", "--chatdb"):
        parser.add_argument(option, required=True)
    parser.add_argument("--artifacts", default=None)
    args = parser.parse_args()
    artifacts = args.artifacts or tempfile.mkdtemp(prefix="app_stall-")
    step = Steps()

    with DesktopSession(artifacts, tray=False) as session:
        host = StatusNotifierHost(session)
        server = start_devserver(session, args.devserver)
        create_database(session, args.chatdb, 2000, 7)
        pulse_server, pulse_env = start_sound_server(session)
        pulse_env["PULSE_SERVER"] = pulse_server
        recorder = session.processes.start("parecord", ["parecord", "--device=kindora_mic", "/dev/null"],
                                           pulse_env, session.artifacts)
        browser = os.path.join(session.home, "firefox")
        shutil.copy("/bin/sleep", browser)
        session.processes.start("firefox", [browser, "600"], session.env, session.artifacts)
        bin_dir, opened_links = browser_stand_in(session)
        os.makedirs(os.path.join(session.env["XDG_CONFIG_HOME"], "quillmere"))
        with open(os.path.join(session.env["XDG_CONFIG_HOME"], "quillmere", "Kindora.conf"), "w") as conf:
            conf.write(PRESETS)

        env = agent_environment(session, server, PULSE_SERVER=pulse_server,
                                PATH=bin_dir + os.pathsep + session.env.get("PATH", ""))
        step("the agent starts")
        _, a11y = start_agent(session, args.kindora, env)
        item = host.wait_for_item()
        ping_out = open(os.path.join(artifacts, "gui-ping.json"), "w+")
        ping = subprocess.Popen(["/usr/bin/python3", os.path.join(here, "gui_ping.py"), item.service],
                                env=session.env, stdout=ping_out)
        try:
            # A meeting that starts soon after pairing, with a link the agent may open by itself.
            starts = datetime.datetime.fromtimestamp(int(time.time()) + 50, datetime.timezone.utc)
            server.call("POST", "/admin/meetings", {
                "id": "standup", "title": "Stand-up", "startsAt": starts.strftime("%Y-%m-%dT%H:%M:%SZ"),
                "provider": "zoom", "joinUrl": "https://acme.zoom.us/j/123456", "calendarLabel": "WORK"})

            step("pairing: the code asked for")
            wait_for("the setup wizard", lambda: a11y.find("Pair This Computer"), timeout=30)
            item.activate(640, 30)
            a11y.press(wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora", role="push button"),
                                timeout=30))
            code = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code ")).name[len("Pairing code "):]
            step("pairing: the code confirmed")
            server.call("POST", "/admin/pairings/%s/confirm" % code)
            a11y.press(wait_for("the wizard's preferences step", lambda: a11y.find("Continue"), timeout=30))
            step("pairing: the wizard's last step")
            a11y.press(wait_for("the wizard's last step", lambda: a11y.find("Got it")))
            wait_for("the wizard to close", lambda: a11y.find("Got it") is None)

            step("the meeting taken over")
            wait_for("the takeover", lambda: a11y.find("Stand-up"), timeout=90)
            step("the automatic join held while the microphone is live")
            log = os.path.join(artifacts, "kindora.log")  # the agent's stderr, written line by line
            wait_for("the held join", lambda: "reason=already-in-meeting" in open(log, errors="replace").read(),
                     timeout=90)
            time.sleep(16)  # one more look while the microphone is live
            step("the recording stops: the next look joins")
            recorder.send_signal(signal.SIGTERM)
            wait_for("the link opened", lambda: os.path.exists(opened_links), timeout=60)
            if a11y.find("Dismiss"):
                a11y.press(a11y.find("Dismiss"))

            step("an alert, acknowledged")
            server.raise_alert({"title": "Front door open", "urgency": "URGENT"})
            a11y.press(wait_for("the alert's Acknowledge", lambda: a11y.find("Acknowledge"), timeout=60))
            wait_for("the alert to go", lambda: a11y.find("Front door open") is None, timeout=30)

            step("do-not-disturb on and off")
            item.activate(640, 30)
            a11y.press(wait_for("the do-not-disturb menu", lambda: a11y.find("Turn on"), timeout=30))
            a11y.press(wait_for("the 30 minute preset", lambda: a11y.find("30 min")))
            a11y.press(wait_for("Turn off", lambda: a11y.find("Turn off")))
            time.sleep(2)
            step("done")
            session.screenshot("app-stall-end")
        finally:
            ping.send_signal(signal.SIGTERM)
            ping.wait(timeout=30)
            # The test session's keyring outlives this run: revoking makes the agent forget its token.
            try:
                devices = server.call("GET", "/admin/devices")
                for device in devices["devices"] if isinstance(devices, dict) else devices:
                    server.call("POST", "/admin/devices/%s/revoke" % device["id"])
                time.sleep(6)
            except Exception as error:  # the figure matters more than the tidy-up
                print("revoking failed:", error, file=sys.stderr)

    ping_out.seek(0)
    result = json.loads(ping_out.read())
    print("pings: %d, median round trip %.1f ms" % (result["calls"], result["median_ms"]))
    for stall in result["longest"]:
        print("  %6.1f ms during: %s" % (stall["ms"], step.at(stall["at"])))
    if not result["longest"]:
        raise TestFailure("no ping was answered")
    print("max_gui_stall_ms=%.0f" % result["longest"][0]["ms"])


if __name__ == "__main__":
    main()
