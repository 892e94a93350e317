#!/usr/bin/env python3
"""Lists what a traced run changed in the file system.

    trace_writes.py <folder of strace -ff -y output files> <allowed>...

Reads the per-process files that `strace -ff -y` wrote and prints every
successful call that created, opened for writing, wrote, truncated, renamed,
linked, removed or re-moded a file or folder whose path starts with none of
the allowed prefixes. An allowed word "mkdir:<path>" lets exactly that folder
be made, and nothing else happen there. Pipes, sockets and anonymous files
are never files. Exits 1 when it printed anything, 0 when the run changed
nothing.
"""

import os
import re
import sys

# Calls whose string arguments are paths that the call changes.
PATH_CALLS = {
    "mkdir", "mkdirat", "rename", "renameat", "renameat2", "link", "linkat", "symlink", "symlinkat",
    "unlink", "unlinkat", "rmdir", "truncate", "chmod", "fchmodat", "mknod", "mknodat", "utimensat",
}
# Calls that change the file behind their first argument, a descriptor.
FD_CALLS = {"write", "writev", "pwrite64", "pwritev", "pwritev2", "ftruncate", "fallocate", "fchmod"}
OPEN_CALLS = {"open", "openat", "openat2", "creat"}
WRITING_FLAGS = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_TMPFILE")

CALL = re.compile(r"^(\w+)\((.*)\)\s+=\s+(-?\d+)(<[^>]*>)?")
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')
DESCRIPTOR = re.compile(r"^-?\d+<([^>]*)>")
AT_DIR = re.compile(r"^(?:AT_FDCWD|\d+)<([^>]*)>")


def real_file(path):
    """Pipes, sockets, anonymous inodes and memory files are not files."""
    return path.startswith("/") and not path.startswith("/memfd:")


def resolve(path, arguments):
    if path.startswith("/"):
        return path
    base = AT_DIR.match(arguments)
    return os.path.join(base.group(1), path) if base else path


def changes(line):
    """The paths a successful call in `line` changed, with the call's name."""
    match = CALL.match(line)
    if not match or match.group(3).startswith("-"):
        return None, []
    name, arguments, result = match.group(1), match.group(2), match.group(4)
    if name in OPEN_CALLS:
        if name != "creat" and not any(flag in arguments for flag in WRITING_FLAGS):
            return name, []
        opened = result[1:-1] if result else resolve(STRING.search(arguments).group(1), arguments)
        return name, [opened]
    if name in FD_CALLS:
        target = DESCRIPTOR.match(arguments)
        return name, [target.group(1)] if target else []
    if name in PATH_CALLS:
        paths = STRING.findall(arguments)
        # The *at calls name a folder descriptor before each relative path.
        return name, [resolve(p, arguments) for p in paths] or ([DESCRIPTOR.match(arguments).group(1)]
                                                                if DESCRIPTOR.match(arguments) else [])
    return name, []


def main():
    folder = sys.argv[1]
    made = {a.removeprefix("mkdir:") for a in sys.argv[2:] if a.startswith("mkdir:")}
    allowed = tuple(a for a in sys.argv[2:] if not a.startswith("mkdir:"))
    found = []
    for entry in sorted(os.listdir(folder)):
        with open(os.path.join(folder, entry), errors="replace") as trace:
            for line in trace:
                name, paths = changes(line.strip())
                for path in paths:
                    path = path.removesuffix("(deleted)")
                    if name in ("mkdir", "mkdirat") and path in made:
                        continue
                    if real_file(path) and not path.startswith(allowed):
                        found.append(f"{entry}: {name} {path}")
    for item in found:
        print(item)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
