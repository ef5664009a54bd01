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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import agent_environment, create_database, pair_through_popover, start_agent, start_devserver  # noqa: E402,E501


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

        server = start_devserver(session, args.devserver)
        create_database(session, args.chatdb, 10, 5)
        kindora, a11y = start_agent(session, args.kindora, agent_environment(
            session, server, KINDORA_DEVELOPMENT_UPDATE_FEED=feed_origin + "/appcast.xml",
            # No system bus, so no PackageKit: the installation must fail and say so.
            DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + os.path.join(session.home, "no-system-bus")))
        pair_through_popover(session, a11y, server)

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
