#!/usr/bin/python3
"""Updates as a person meets them: the real kindora under Xvfb with openbox and trayer, paired with the
real kindora-devserver, asking a stand-in PackageKit (kindora-packagekit-standin) on a private system
bus. The check at launch fails as one does before the network is up, and the popover stays quiet about
it; the check the person asks for says why it failed. Once the package manager offers a newer kindora,
the person's check finds and downloads it and the row says "… is ready to install."; "Install Update…"
asks PackageKit to update kindora from trusted repositories only, and a refusal (the person did not
authorise it) leaves the running agent as it was and says why. Screenshots of each state land in the
artifacts directory.

usage: kindora_update_e2e.py --kindora BIN --devserver BIN --chatdb BIN --packagekit BIN
                             --agent-version VERSION --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import agent_environment, create_database, pair_through_popover, start_agent, start_devserver  # noqa: E402,E501


def next_version(version):
    parts = version.split(".")
    parts[-1] = str(int(parts[-1]) + 1)
    return ".".join(parts)


def write(path, text):
    with open(path + ".new", "w") as out:
        out.write(text)
    os.replace(path + ".new", path)


def start_package_kit(session, binary):
    """A private bus daemon standing in for the system bus, with the stand-in PackageKit on it: the
    bus's address, the stand-in's control directory and the file its calls are written to."""
    socket = os.path.join(session.home, "system-bus")
    session.processes.start("system-bus", ["dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket],
                            session.env, session.artifacts)
    wait_for("the private system bus", lambda: os.path.exists(socket))
    address = "unix:path=" + socket
    control = os.path.join(session.home, "packagekit")
    os.makedirs(control)
    calls = os.path.join(session.home, "packagekit-calls.log")
    with open(calls, "w") as out:
        session.processes.start("packagekit", [binary, "--control", control],
                                dict(session.env, DBUS_SYSTEM_BUS_ADDRESS=address), session.artifacts, stdout=out)
    wait_for("the stand-in PackageKit", lambda: open(calls).read().startswith("ready"))
    return address, control, calls


def walkthrough(session, args, say=lambda text: None):
    env = session.env
    system_bus, control, calls = start_package_kit(session, args.packagekit)
    # The network is not up yet: refreshing the package lists fails.
    offline = "Cannot refresh the package lists whilst offline"
    write(os.path.join(control, "fail-RefreshCache"), "2 " + offline)

    server = start_devserver(session, args.devserver)
    create_database(session, args.chatdb, 10, 5)
    kindora, a11y = start_agent(session, args.kindora,
                                agent_environment(session, server, DBUS_SYSTEM_BUS_ADDRESS=system_bus))
    pair_through_popover(session, a11y, server)

    # The check at launch failed: nothing is said about it.
    check = wait_for("the check button", lambda: a11y.find("Check for Updates…"), timeout=30)
    wait_for("the check at launch", lambda: "RefreshCache" in open(calls).read())
    time.sleep(0.3)
    if a11y.find_prefix("Could not check for updates") is not None:
        raise TestFailure("the failed check at launch shows an error")
    say("check at launch failed quietly: " + session.screenshot("updates-1-quiet"))

    # The person asks: the failure is shown.
    a11y.press(check)
    wait_for("the asked check's failure",
             lambda: a11y.find("Could not check for updates: %s." % offline), timeout=30)
    time.sleep(0.3)
    say("asked check failed: " + session.screenshot("updates-2-asked-failed"))

    # Online again, and the repository has a newer kindora: the person's check finds and downloads it.
    newer = next_version(args.agent_version)
    package_id = "kindora;%s;amd64;kindora-stable" % newer
    os.remove(os.path.join(control, "fail-RefreshCache"))
    write(os.path.join(control, "offer"), package_id + "\n")
    time.sleep(0.3)  # the stand-in reads its script every 100 ms
    a11y.press(wait_for("the check button", lambda: a11y.find("Check for Updates…")))
    wait_for("the update to be ready", lambda: a11y.find(newer + " is ready to install."), timeout=30)
    install = wait_for("the install button", lambda: a11y.find("Install Update…"))
    if a11y.find_prefix("Could not check for updates") is not None:
        raise TestFailure("the error of the failed check is still shown after a successful one")
    # The stand-in writes the calls it answered every 100 ms: wait for the line rather than race it.
    wait_for("the update downloaded into the package cache",
             lambda: "DownloadPackages flags=1 ids=" + package_id in open(calls).read(), timeout=10)
    time.sleep(0.3)
    say("update %s ready: %s" % (newer, session.screenshot("updates-3-ready")))

    # The person does not authorise the installation: the agent keeps running and says why.
    write(os.path.join(control, "fail-UpdatePackages"), "2 Failed to obtain authentication.")
    time.sleep(0.3)  # the stand-in reads its script every 100 ms
    a11y.press(install)
    failure = wait_for("the installation's failure",
                       lambda: a11y.find("The update could not be installed: Failed to obtain authentication."),
                       timeout=30)
    time.sleep(0.3)
    say("installation refused (%s): %s" % (failure.name, session.screenshot("updates-4-install-refused")))
    wait_for("the update asked for with only-trusted transactions",
             lambda: "UpdatePackages flags=2 ids=%s hints=interactive=true" % package_id in open(calls).read(),
             timeout=10)
    if kindora.poll() is not None:
        raise TestFailure("the agent ended when the installation failed")
    if a11y.find("Install Update…") is None or a11y.find(newer + " is ready to install.") is None:
        raise TestFailure("the update is no longer offered after a refused installation")

    session.key("Escape")
    kindora.terminate()
    if kindora.wait(timeout=20) != 0:
        raise TestFailure("the agent did not stop cleanly")
    log = open(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), errors="replace").read()
    shutil.copy(os.path.join(env["XDG_DATA_HOME"], "Kindora", "kindora.log"), os.path.join(session.artifacts, "agent.log"))
    qt_warnings = [line for line in log.splitlines() if ":Qt]" in line and " error: " in line]
    if qt_warnings:
        raise TestFailure("Qt or QML warnings:\n" + "\n".join(qt_warnings))


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb", "--packagekit", "--agent-version"),
                   lambda session, args: walkthrough(session, args, say=print))
