"""python3 -m scripthost register|unregister MODULE.so
python3 -m scripthost reference          (the reference page of the registered type libraries)"""

import sys

from . import AutomationError, register, unregister
from .reference import markdown

USAGE = "usage: python3 -m scripthost register|unregister MODULE.so | reference"


def main(argv):
    try:
        if argv == ["reference"]:
            sys.stdout.write(markdown())
            return 0
        if len(argv) != 2 or argv[0] not in ("register", "unregister"):
            print(USAGE, file=sys.stderr)
            return 2
        (register if argv[0] == "register" else unregister)(argv[1])
    except AutomationError as e:
        print(f"{' '.join(argv)} failed: {e}", file=sys.stderr)
        return 1
    return 0


sys.exit(main(sys.argv[1:]))
