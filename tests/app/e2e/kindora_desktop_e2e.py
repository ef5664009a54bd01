#!/usr/bin/python3
"""The desktop agent as a person meets it: the real kindora under Xvfb with openbox and trayer, against
the real kindora-devserver and a Messages database made by kindora-chatdb, driven with xdotool and
read through AT-SPI by accessible names. Screenshots of each screen land in the artifacts directory.

usage: kindora_desktop_e2e.py --kindora BIN --devserver BIN --chatdb BIN --artifacts DIR
Runs inside scripts/with-test-session (a private D-Bus session with an unlocked keyring)."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from desktop_session import run_end_to_end  # noqa: E402
from walkthrough import walkthrough  # noqa: E402


if __name__ == "__main__":
    run_end_to_end(("--kindora", "--devserver", "--chatdb"),
                   lambda session, args: walkthrough(session, args.kindora, args.devserver, args.chatdb, say=print))
