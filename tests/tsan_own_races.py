#!/usr/bin/env python3
"""Runs a test binary built with ThreadSanitizer and fails only on races in
our own code.

Qt, GLib and GStreamer are not built with the sanitizer: their locks are
invisible to it, so it reports races between their own internals. A report
counts here when either racing access happens in a frame of ours (the top
two frames of an access stack lie in the source tree)."""

import os
import re
import subprocess
import sys


def main() -> int:
    source_root, command = sys.argv[1], sys.argv[2:]
    env = dict(os.environ, TSAN_OPTIONS="halt_on_error=0 report_signal_unsafe=0 exitcode=0")
    run = subprocess.run(command, env=env, capture_output=True, text=True, timeout=900)
    output = run.stdout + run.stderr
    reports = output.split("WARNING: ThreadSanitizer")[1:]
    ours = []
    for report in reports:
        body = report.split("SUMMARY")[0]
        accesses = re.split(r"\n  (?=(?:Previous )?(?:[Aa]tomic )?(?:[Rr]ead|[Ww]rite) of size)", body)[1:]
        for access in accesses:
            frames = [line for line in access.splitlines() if re.match(r"\s+#\d", line)][:2]
            # An allocator's own write is the allocation, not an access. The
            # C libraries' frames above it are often skipped by the unwinder,
            # so that their caller of ours shows as if it had written; a
            # race of ours has its other access in our frames as well.
            if frames and re.match(r"\s+#0 (malloc|calloc|realloc|posix_memalign|aligned_alloc) ", frames[0]):
                continue
            if any(source_root in frame for frame in frames):
                ours.append(body)
                break
    print(f"{len(reports)} reports from the media and toolkit libraries, {len(ours)} with an access in our code")
    for body in ours:
        print("WARNING: ThreadSanitizer" + body)
    if run.returncode != 0:
        # The test's own failures first: the sanitizer's reports bury them.
        failures = [line for line in output.splitlines()
                    if not line.startswith(("WARNING: ThreadSanitizer", "    #", "SUMMARY"))
                    and re.search(r"Failure|Expected|Which is|Value of|Actual|\[  FAILED", line)]
        print("\n".join(failures)[-6000:] or output[-4000:])
        print(f"test exited with {run.returncode}")
        return 1
    return 1 if ours else 0


if __name__ == "__main__":
    sys.exit(main())
