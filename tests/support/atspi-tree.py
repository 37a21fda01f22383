#!/usr/bin/python3
"""Prints every node on the AT-SPI bus as "role|name|description", indented by depth; with
--set PREFIX VALUE sets the value of the first node named PREFIX... instead (exit 3: none)."""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def nodes(node, depth=0):
    yield node, depth
    for i in range(node.get_child_count()):
        if (child := node.get_child_at_index(i)) is not None:
            yield from nodes(child, depth + 1)


def main(argv):
    tree = list(nodes(Atspi.get_desktop(0)))
    if argv[:1] == ["--set"]:
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
