#!/usr/bin/python3
"""Fails when an engine of a component file has no Hungarian name or
description, or names an engine program or icon that is not there.

    check_component.py CATALOGUE BUILD_TREE_COMPONENT INSTALLED_TEMPLATE

CATALOGUE is the compiled Hungarian catalogue (vorn-ibus.mo); the installed
component is made from its template with the prefix of the install, read here
as /usr. Only the build tree's component names files that are there before an
install.
"""
import gettext
import os
import sys
import xml.etree.ElementTree as ElementTree


def faults(catalogue, component_file):
    found = []
    with open(component_file, encoding="utf-8") as f:
        component = ElementTree.fromstring(f.read().replace("@VORN_INSTALL_PREFIX@", "/usr"))
    program = component.findtext("exec").split()[0]
    if not (os.path.isabs(program) and program.endswith("/vorn-ibus-engine")):
        found.append("the engine program is %s" % program)
    engines = component.findall("engines/engine")
    if not engines:
        found.append("no engines")
    for engine in engines:
        name = engine.findtext("name")
        if name != "vorn:" + engine.findtext("layout"):
            found.append("%s: the layout is %s" % (name, engine.findtext("layout")))
        if engine.findtext("textdomain") != "vorn-ibus":
            found.append("%s: the text domain is %s" % (name, engine.findtext("textdomain")))
        for field in ("longname", "description"):
            text = engine.findtext(field)
            if catalogue.gettext(text) == text:
                found.append("%s: no Hungarian %s for \"%s\"" % (name, field, text))
    return found, program, [engine.findtext("icon") for engine in engines]


def main():
    with open(sys.argv[1], "rb") as f:
        catalogue = gettext.GNUTranslations(f)
    failed = False
    for component_file, installed in ((sys.argv[2], False), (sys.argv[3], True)):
        found, program, icons = faults(catalogue, component_file)
        if not installed:
            if not os.access(program, os.X_OK):
                found.append("the engine program %s is not there" % program)
            found += ["the icon %s is not there" % icon for icon in sorted(set(icons)) if not os.path.isfile(icon)]
        for fault in found:
            print("%s: %s" % (component_file, fault))
            failed = True
    return 1 if failed else 0


sys.exit(main())
