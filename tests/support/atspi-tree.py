#!/usr/bin/python3
"""Prints the accessibility tree of every application on the AT-SPI bus, one node a line:
indentation for depth, then role|name|description. With --set PREFIX VALUE it first sets the
value of the first node whose name starts with PREFIX, as a screen reader's user would.
Exit status 2 when no application is registered yet, 3 when --set found no such node."""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def nodes(node, depth=0):
    yield node, depth
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from nodes(child, depth + 1)


def main(argv):
    desktop = Atspi.get_desktop(0)
    if desktop.get_child_count() == 0:
        return 2
    tree = list(nodes(desktop))
    if len(argv) == 3 and argv[0] == "--set":
        target = next((n for n, _ in tree if (n.get_name() or "").startswith(argv[1])), None)
        if target is None or not target.set_current_value(float(argv[2])):
            return 3
        print("set", target.get_name())
        return 0
    for node, depth in tree:
        print("  " * depth + f"{node.get_role_name()}|{node.get_name()}|{node.get_description()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
