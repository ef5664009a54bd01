#!/usr/bin/python3
"""The agent on a desktop whose keyring is locked at login: paired once, then started again with the
collection holding its credentials locked. The popover says "Waiting for the keyring to be unlocked" and
offers "Unlock Keyring…", nothing asks for an unlock by itself, nothing is forwarded; once the keyring is
unlocked (as the person does at the login screen) the agent runs healthy and forwards what waited.

The credentials live in a collection of the test's own, made, locked and unlocked with a password through
gnome-keyring's own interface, so the session's login keyring (shared with other tests) stays unlocked.

usage: kindora_locked_keyring_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import (agent_environment, create_database, database_path, pair_through_popover,  # noqa: E402
                             start_agent, start_devserver, tray_center)

import gi  # noqa: E402
gi.require_version("Secret", "1")
from gi.repository import Gio, GLib, Secret  # noqa: E402

SERVICE = "com.quillmere.kindora"
PASSWORD = "kindora-locked-e2e"


class OwnCollection:
    """A gnome-keyring collection of the test's own, on one connection (sessions belong to it)."""

    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.session = self.call("/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "OpenSession",
                                 GLib.Variant("(sv)", ("plain", GLib.Variant("s", ""))))[1]
        self.path = self.call("/org/freedesktop/secrets", "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                              "CreateWithMasterPassword",
                              GLib.Variant("(a{sv}(oayays))", (
                                  {"org.freedesktop.Secret.Collection.Label": GLib.Variant("s", "Kindora e2e")},
                                  self.secret(PASSWORD))))[0]

    def call(self, path, interface, method, parameters):
        return self.bus.call_sync("org.freedesktop.secrets", path, interface, method, parameters, None,
                                  Gio.DBusCallFlags.NONE, 25000, None).unpack()

    def secret(self, text):
        return (self.session, b"", text.encode(), "text/plain")

    def add(self, account, value):
        self.call(self.path, "org.freedesktop.Secret.Collection", "CreateItem", GLib.Variant("(a{sv}(oayays)b)", (
            {"org.freedesktop.Secret.Item.Label": GLib.Variant("s", "Kindora " + account),
             "org.freedesktop.Secret.Item.Attributes": GLib.Variant("a{ss}", {"service": SERVICE, "account": account})},
            self.secret(value), True)))

    def lock(self):
        self.call("/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "Lock",
                  GLib.Variant("(ao)", ([self.path],)))

    def unlock(self):
        self.call("/org/freedesktop/secrets", "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                  "UnlockWithMasterPassword", GLib.Variant("(o(oayays))", (self.path, self.secret(PASSWORD))))

    def delete(self):
        self.unlock()
        self.call(self.path, "org.freedesktop.Secret.Collection", "Delete", None)


def move_credentials_into(collection):
    """Takes the agent's items out of the login keyring and puts them into `collection`."""
    schema = Secret.Schema.new("com.quillmere.kindora.Credential", Secret.SchemaFlags.DONT_MATCH_NAME,
                               {"service": Secret.SchemaAttributeType.STRING,
                                "account": Secret.SchemaAttributeType.STRING})
    for account in ("deviceToken", "deviceId"):
        attributes = {"service": SERVICE, "account": account}
        value = Secret.password_lookup_sync(schema, attributes, None)
        if not value:
            raise TestFailure("pairing left no %s in the keyring" % account)
        Secret.password_clear_sync(schema, attributes, None)
        collection.add(account, value)


def open_popover(session, a11y, name):
    """The popover showing `name` (a click on the tray icon opens it when it is not open yet)."""
    if a11y.find(name) is None:
        session.click(*tray_center(session))
    return wait_for(name, lambda: a11y.find(name), timeout=30)


def walk(session, args):
    server = start_devserver(session, args.devserver)
    create_database(session, args.chatdb, 20, 4)
    env = agent_environment(session, server)
    first, a11y = start_agent(session, args.kindora, env)
    pair_through_popover(session, a11y, server)
    first.terminate()
    first.wait(timeout=30)

    collection = OwnCollection()
    try:
        move_credentials_into(collection)
        collection.lock()
        subprocess.run([args.chatdb, "append", database_path(session), "--count", "6", "--seed", "5"], env=env,
                       check=True, capture_output=True)
        forwarded_before = len(server.call("GET", "/admin/messages"))

        _, a11y = start_agent(session, args.kindora, env)
        open_popover(session, a11y, "Waiting for the keyring to be unlocked")
        wait_for("the unlock button", lambda: a11y.find("Unlock Keyring…", role="push button"))
        if a11y.find("Pair with Kindora") is not None:
            raise TestFailure("a locked keyring showed the agent signed out")
        if a11y.find("Sync now") is not None:
            raise TestFailure("the popover offers Sync now, which cannot send without the token")
        print("waiting for the keyring:", session.screenshot("locked-keyring-1-waiting"))
        if len(server.call("GET", "/admin/messages")) != forwarded_before:
            raise TestFailure("messages were forwarded without the token")

        collection.unlock()
        wait_for("the waiting to end", lambda: a11y.find("Waiting for the keyring to be unlocked") is None,
                 timeout=30)
        wait_for("the six waiting messages forwarded",
                 lambda: len(server.call("GET", "/admin/messages")) == forwarded_before + 6, timeout=30)
        open_popover(session, a11y, "This session: 6")
        if a11y.find("Unlock Keyring…") is not None:
            raise TestFailure("the unlock button stayed after the unlock")
        print("unlocked and forwarded:", session.screenshot("locked-keyring-2-unlocked"))
    finally:
        collection.delete()


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"), walk)
