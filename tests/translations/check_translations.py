#!/usr/bin/python3
"""Fails when a text of the sources has no finished translation.

Runs lupdate over the sources into a copy of a Qt Linguist file and reports
every message that it marks unfinished (a new or changed text), vanished or
obsolete (a translation whose text is gone from the sources). Run by CTest:

    check_translations.py LUPDATE TS_FILE WORK_DIR -- LUPDATE_ARGUMENTS...
"""
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path


def faults(ts_file):
    """(kind, context, source text) of each message without a finished translation."""
    found = []
    messages = 0
    for context in ElementTree.parse(ts_file).getroot().iter("context"):
        context_name = context.findtext("name")
        for message in context.iter("message"):
            messages += 1
            translation = message.find("translation")
            kind = translation.get("type") if translation is not None else "missing"
            if kind is None and not (translation.text or "").strip():
                kind = "empty"
            if kind is not None:
                found.append((kind, context_name, message.findtext("source")))
    return messages, found


def main(arguments):
    lupdate, ts_file, work_dir = arguments[:3]
    lupdate_arguments = arguments[arguments.index("--") + 1:]
    work = Path(work_dir)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    copy = work / Path(ts_file).name
    shutil.copyfile(ts_file, copy)
    run = subprocess.run([lupdate, *lupdate_arguments, "-ts", str(copy)], capture_output=True, text=True)
    if run.returncode != 0:
        print(f"lupdate failed ({run.returncode}):\n{run.stdout}{run.stderr}")
        return 1
    messages, found = faults(copy)
    if messages == 0:
        print(f"lupdate found no texts to translate: {' '.join(lupdate_arguments)}")
        return 1
    if found:
        print(f"{Path(ts_file).name} is behind the sources; build the target vorn_lupdate and translate:")
        for kind, context, source in found:
            print(f"  {kind}: {context}: {source!r}")
        return 1
    print(f"{Path(ts_file).name}: all {messages} texts translated")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
