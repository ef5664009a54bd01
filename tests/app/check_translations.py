#!/usr/bin/env python3
"""Fails while the source language's plural forms (app/translations/kindora_en.ts) miss a plural text
of the program or keep one it no longer has: runs lupdate as the build's update_translations target
does, on a copy, and compares."""
import argparse
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path


def messages(ts_file):
    tree = ElementTree.parse(ts_file)
    found = {}
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            forms = [form.text or "" for form in translation.iter("numerusform")]
            found[(name, message.findtext("source"))] = (translation.get("type"), forms)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--source-dir", required=True)
    arguments = parser.parse_args()
    source = Path(arguments.source_dir)
    kept = source / "app/translations/kindora_en.ts"
    with tempfile.TemporaryDirectory() as scratch:
        copy = Path(scratch) / "kindora_en.ts"
        shutil.copy(kept, copy)
        subprocess.run(
            [arguments.lupdate, "-silent", "-pluralonly", "-locations", "none", "-no-obsolete",
             "-tr-function-alias", "QT_TRANSLATE_NOOP+=KINDORA_PHRASE,QT_TRANSLATE_N_NOOP+=KINDORA_PLURAL_PHRASE",
             "-extensions", "cpp,hpp,qml", str(source / "core"), str(source / "app"), "-ts", str(copy)],
            check=True)
        current = messages(copy)
    problems = []
    for key, (state, forms) in sorted(current.items()):
        if state == "unfinished" or not all(forms):
            problems.append(f"no English plural forms for {key[0]}: {key[1]!r}")
    for key in sorted(set(messages(kept)) - set(current)):
        problems.append(f"kept but no longer used: {key[0]}: {key[1]!r}")
    for problem in problems:
        print(problem)
    if problems:
        print("build the target update_translations and fill in the forms in app/translations/kindora_en.ts")
        return 1
    print(f"{len(current)} plural texts, each with its English forms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
