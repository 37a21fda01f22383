#!/usr/bin/python3
"""Prints every node on the AT-SPI bus as "role|name|description", indented by depth; with
--set PREFIX VALUE sets the value of the first node whose name starts with PREFIX instead."""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def nodes(node, depth=0):
    yield node, depth
    for i in range(node.get_child_count()):
        if (child := node.get_child_at_index(i)) is not None:
            yield from nodes(child, depth + 1)


tree = list(nodes(Atspi.get_desktop(0)))
if sys.argv[1:2] == ["--set"]:
    target = next(n for n, _ in tree if (n.get_name() or "").startswith(sys.argv[2]))
    if not target.set_current_value(float(sys.argv[3])):
        sys.exit("the value was refused")
    print("set", target.get_name())
else:
    for node, depth in tree:
        print("  " * depth + f"{node.get_role_name()}|{node.get_name()}|{node.get_description()}")
