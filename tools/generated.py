"""Shared command line of the generators in tools/: write the outputs, or
with --check report which committed files differ from what would be written.

Standard library only; importing it has no side effects.
"""

import os
import sys


def run(name, doc, repo_root, outputs, argv=None):
    """outputs: a callable returning {relative path: bytes}. Exit code:
    0 done or up to date, 1 a committed file differs, 2 a bad argument."""
    argv = list(sys.argv[1:] if argv is None else argv)
    check = False
    for arg in argv:
        if arg == "--check":
            check = True
        elif arg in ("-h", "--help"):
            print(doc.strip())
            return 0
        else:
            print("%s: unknown argument %r" % (name, arg), file=sys.stderr)
            return 2

    stale = []
    for rel, data in outputs().items():
        path = os.path.join(repo_root, rel)
        shown = rel.replace(os.sep, "/")
        if check:
            try:
                with open(path, "rb") as f:
                    current = f.read()
            except OSError:
                current = None
            if current != data:
                stale.append(shown)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (shown, len(data)))

    if check:
        for shown in stale:
            print("%s: %s is out of date; run python3 tools/%s" % (name, shown, name),
                  file=sys.stderr)
        if stale:
            return 1
        print("%s: files are up to date" % name)
    return 0
