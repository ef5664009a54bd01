#!/usr/bin/python3
"""Updates as a person meets them: the real kindora under Xvfb with openbox and trayer, paired with the
real kindora-devserver, checking a signed appcast that kindora-appcast wrote (with the development key
that development builds trust) on a loopback HTTP server. The popover's update row goes from "Check for
Updates…" to "… is ready to install." once a newer version is published, and an installation that the
system refuses (here: no system bus, so no PackageKit) leaves the running agent as it was and says why.
Screenshots of each state land in the artifacts directory.

usage: kindora_update_e2e.py --kindora BIN --devserver BIN --chatdb BIN --appcast BIN --signing-key FILE
                             --agent-version VERSION --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import functools
import http.server
import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop_e2e import Accessibility, Devserver, free_port  # noqa: E402


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def next_version(version):
    parts = version.split(".")
    parts[-1] = str(int(parts[-1]) + 1)
    return ".".join(parts)


def publish(appcast_binary, key, feed_dir, origin, version):
    package = os.path.join(feed_dir, "kindora_%s_amd64.deb" % version)
    with open(package, "wb") as out:
        out.write(os.urandom(150_000))
    subprocess.run([appcast_binary, "add", "--key", key, "--appcast", os.path.join(feed_dir, "appcast.xml"),
                    "--url", "%s/%s" % (origin, os.path.basename(package)), "--version", version,
                    "--allow-loopback-http", package], check=True, capture_output=True)
    return package


def walkthrough(session, args, say=lambda text: None):
    env = session.env
    artifacts = session.artifacts

    # The update feed: at first only an older version.
    feed_dir = os.path.join(session.home, "feed")
    os.makedirs(feed_dir)
    feed_server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                                  functools.partial(QuietHandler, directory=feed_dir))
    threading.Thread(target=feed_server.serve_forever, daemon=True).start()
    feed_origin = "http://127.0.0.1:%d" % feed_server.server_address[1]
    try:
        publish(args.appcast, args.signing_key, feed_dir, feed_origin, "0.0.1")

        port = free_port()
        devserver_out = open(os.path.join(artifacts, "devserver.out"), "w+")
        session.processes.start("devserver", [args.devserver, "--port", str(port)], env, artifacts,
                                stdout=devserver_out)
        wait_for("the devserver", lambda: "listening on" in open(devserver_out.name).read())
        server = Devserver("http://127.0.0.1:%d" % port)
        database = os.path.join(session.home, "Library/Messages/chat.db")
        os.makedirs(os.path.dirname(database))
        subprocess.run([args.chatdb, "create", database, "--messages", "10", "--seed", "5"], env=env, check=True,
                       capture_output=True)

        agent_env = dict(env)
        agent_env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_QPA_PLATFORM": "xcb",
            "KINDORA_DEVELOPMENT_BACKEND_ORIGIN": server.origin,
            "KINDORA_DEVELOPMENT_UPDATE_FEED": feed_origin + "/appcast.xml",
            # No system bus, so no PackageKit: the installation must fail and say so.
            "DBUS_SYSTEM_BUS_ADDRESS": "unix:path=" + os.path.join(session.home, "no-system-bus"),
        })
        if "ASAN_OPTIONS" in agent_env:  # as in kindora_desktop_e2e.py: Qt's X11 plugins, not our code
            agent_env["ASAN_OPTIONS"] = agent_env["ASAN_OPTIONS"].replace(
                "strict_string_checks=1", "strict_string_checks=0").replace("detect_leaks=1", "detect_leaks=0")
        kindora = session.processes.start("kindora", [args.kindora], agent_env, artifacts)
        a11y = Accessibility()
        wait_for("kindora on the accessibility bus", a11y.application, timeout=30)

        # Pair through the popover and walk the wizard to its end.
        tray = wait_for("the tray icon", session.tray_window)
        x, y, w, h = session.window_geometry(tray)
        session.click(x + w // 2, y + h // 2)
        a11y.press(wait_for("the signed-out screen", lambda: a11y.find("Pair with Kindora"), timeout=30))
        code = wait_for("the pairing code", lambda: a11y.find_prefix("Pairing code ")).name[len("Pairing code "):]
        server.call("POST", "/admin/pairings/%s/confirm" % code)
        a11y.press(wait_for("the wizard's preferences step", lambda: a11y.find("Continue"), timeout=30))
        got_it = wait_for("the wizard's last step", lambda: a11y.find("Got it"))
        a11y.press(got_it)
        wait_for("the wizard to close", lambda: a11y.find("Got it") is None)
        if a11y.find("Running") is None:
            session.click(x + w // 2, y + h // 2)
        wait_for("the running dashboard", lambda: a11y.find("Running"), timeout=30)

        # The check at launch found nothing newer.
        check = wait_for("the check button", lambda: a11y.find("Check for Updates…"), timeout=30)
        time.sleep(0.3)
        say("no newer version: " + session.screenshot("updates-1-check"))

        # A newer version is published; the person checks, and it is downloaded and verified.
        newer = next_version(args.agent_version)
        publish(args.appcast, args.signing_key, feed_dir, feed_origin, newer)
        a11y.press(check)
        wait_for("the update to be ready", lambda: a11y.find(newer + " is ready to install."), timeout=30)
        install = wait_for("the install button", lambda: a11y.find("Install Update…"))
        time.sleep(0.3)
        say("update %s ready: %s" % (newer, session.screenshot("updates-2-ready")))
        downloaded = os.path.join(env["XDG_CACHE_HOME"] if "XDG_CACHE_HOME" in env else
                                  os.path.join(session.home, ".cache"), "Kindora", "Updates",
                                  "kindora-%s.deb" % newer)
        if not os.path.exists(downloaded):
            raise TestFailure("the verified package is not in the cache directory: " + downloaded)

        # The installation is refused (no PackageKit here): the agent keeps running and says why.
        a11y.press(install)
        failure = wait_for("the installation's failure",
                           lambda: a11y.find_prefix("The update could not be installed"), timeout=30)
        time.sleep(0.3)
        say("installation refused (%s): %s" % (failure.name, session.screenshot("updates-3-install-failed")))
        if kindora.poll() is not None:
            raise TestFailure("the agent ended when the installation failed")
        if a11y.find("Install Update…") is None or a11y.find(newer + " is ready to install.") is None:
            raise TestFailure("the update is no longer offered after a failed installation")

        session.key("Escape")
        kindora.terminate()
        if kindora.wait(timeout=20) != 0:
            raise TestFailure("the agent did not stop cleanly")
        log = open(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()
        shutil.copy(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"),
                    os.path.join(artifacts, "agent.log"))
        qt_warnings = [line for line in log.splitlines() if ":Qt]" in line and " error: " in line]
        if qt_warnings:
            raise TestFailure("Qt or QML warnings:\n" + "\n".join(qt_warnings))
    finally:
        feed_server.shutdown()


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb", "--appcast", "--signing-key", "--agent-version"),
                   lambda session, args: walkthrough(session, args, say=print))
