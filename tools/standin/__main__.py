"""Entry point: `python3 -m tools.standin` from the repository root, or this file as a script."""

import os
import sys

if __package__ in (None, ""):
    sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
    from tools.standin.cli import main
else:
    from .cli import main

if __name__ == "__main__":
    sys.exit(main())
