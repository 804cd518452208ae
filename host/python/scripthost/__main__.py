"""python3 -m scripthost register|unregister MODULE.so"""

import sys

from . import AutomationError, register, unregister


def main(argv):
    if len(argv) != 2 or argv[0] not in ("register", "unregister"):
        print("usage: python3 -m scripthost register|unregister MODULE.so", file=sys.stderr)
        return 2
    action = register if argv[0] == "register" else unregister
    try:
        action(argv[1])
    except AutomationError as e:
        print(f"{argv[0]} {argv[1]} failed: {e}", file=sys.stderr)
        return 1
    return 0


sys.exit(main(sys.argv[1:]))
