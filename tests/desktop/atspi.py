#!/usr/bin/env python3
"""Prints the accessibility tree of the running VELK, one object a line: depth, role, name,
description, and the text of text objects. session.sh greps it as a screen reader would read."""
import sys

import pyatspi


def dump(obj, depth):
    try:
        text = obj.queryText().getText(0, -1) if "Text" in pyatspi.listInterfaces(obj) else ""
    except Exception:
        text = ""
    print(f"{depth}|{obj.getRoleName()}|{obj.name}|{obj.description}|{text}")
    for child in obj:
        if child is not None and depth < 12:
            dump(child, depth + 1)


for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == sys.argv[1]:
        dump(app, 0)
        sys.exit(0)
sys.exit(1)
