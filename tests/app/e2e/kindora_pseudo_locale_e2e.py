#!/usr/bin/python3
"""The agent under its pseudo-locale (KINDORA_PSEUDO_LOCALE=1: every text accented and about 40 %
longer): walks the wizard's steps and the popover's screens, photographs each, and fails when a text
runs past its control (its last character outside the control's extents, read over AT-SPI) or reads
in plain English (it bypassed the translations).

usage: kindora_pseudo_locale_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session."""

import math
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import TestFailure, run_end_to_end, wait_for  # noqa: E402
from kindora_desktop import agent_environment, create_database, start_agent, start_devserver, tray_center  # noqa: E402

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


def overflowing_texts(a11y):
    """Texts whose last character lies outside their own control or window: clipped or overflowing."""
    problems = []
    app = a11y.application()
    for node in a11y._walk(app):
        try:
            if not a11y.showing(node):
                continue
            text = node.queryText()
        except Exception:
            continue
        try:
            length = text.characterCount
            if length == 0:
                continue
            box = node.queryComponent().getExtents(a11y.pyatspi.DESKTOP_COORDS)
            last = text.getCharacterExtents(length - 1, a11y.pyatspi.DESKTOP_COORDS)
            content = text.getText(0, -1)
        except Exception:
            continue
        right, bottom = last[0] + last[2], last[1] + last[3]
        if last[2] > 0 and (right > box.x + box.width + 1 or bottom > box.y + box.height + 1):
            problems.append("%r runs past its control (%d,%d beyond %s)" % (content, right, bottom, tuple(box)))
    return problems


def plain_english(a11y):
    """Names of showing controls and texts that are words of the source language, untranslated."""
    found = []
    for name in a11y.names():
        letters = [c for c in name if c.isalpha()]
        if len(letters) >= 3 and all(c.isascii() for c in letters) and name not in ("Kindora",) and \
                not name.startswith("/"):
            found.append(name)
    return found


def photograph_and_check(session, a11y, shot, problems):
    time.sleep(0.5)
    print(shot + ":", session.screenshot(shot))
    problems.extend("%s: %s" % (shot, problem) for problem in overflowing_texts(a11y))
    problems.extend("%s: untranslated %r" % (shot, name) for name in plain_english(a11y))


def walk(session, args):
    server = start_devserver(session, args.devserver)
    env = agent_environment(session, server, KINDORA_PSEUDO_LOCALE="1")
    _, a11y = start_agent(session, args.kindora, env)
    problems = []
    find = lambda english: a11y.find_prefix(pseudo_prefix(english))  # noqa: E731

    def press(english):
        """Presses the control, found again if the screen was rebuilt under the finger."""
        def pressed():
            try:
                a11y._press_once(find(english))
                return True
            except Exception:
                return False
        wait_for("a press on %r" % english, pressed)

    wait_for("the wizard's welcome step", lambda: find("Welcome to Kindora"), timeout=30)
    photograph_and_check(session, a11y, "pseudo-wizard-1-welcome", problems)
    press("Get Started")
    wait_for("the wizard's access step", lambda: find("Relaunch Kindora"))
    photograph_and_check(session, a11y, "pseudo-wizard-2-access", problems)

    x, y = tray_center(session)
    session.click(x, y)
    wait_for("the signed-out screen", lambda: find("Pair with Kindora"))
    photograph_and_check(session, a11y, "pseudo-popover-1-signed-out", problems)
    create_database(session, args.chatdb, 10, 3)
    session.key("Escape")
    time.sleep(0.5)
    session.click(x, y)
    wait_for("the signed-out screen", lambda: find("Pair with Kindora"))
    press("Pair with Kindora")
    code_button = wait_for("the pairing code", lambda: find("Pairing code "))
    photograph_and_check(session, a11y, "pseudo-popover-2-pairing-code", problems)
    code = code_button.name[len(pseudo_prefix("Pairing code ")):].split()[0]
    server.call("POST", "/admin/pairings/%s/confirm" % code)
    wait_for("the wizard's preferences step", lambda: find("Continue"), timeout=30)
    photograph_and_check(session, a11y, "pseudo-wizard-4-preferences", problems)
    press("Continue")
    wait_for("the wizard's last step", lambda: find("Got it"))
    photograph_and_check(session, a11y, "pseudo-wizard-5-done", problems)
    press("Got it")
    session.click(x, y)
    wait_for("the running dashboard", lambda: find("Running"), timeout=30)
    photograph_and_check(session, a11y, "pseudo-popover-3-running", problems)

    if problems:
        raise TestFailure("%d texts do not fit or are not translated:\n  %s" % (len(problems), "\n  ".join(problems)))


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"), walk, failure_shot="pseudo-failure")
