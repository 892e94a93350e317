#!/usr/bin/env python3
"""CPU share and memory of a process and everything below it.

    tree_usage.py <pid> <seconds> [threads]

Prints one line: `cpu <percent of one core> rss <MB> pss <MB>`, the CPU time
the whole tree spent over `seconds` and its resident and proportional memory
at the end. With `threads`, it then lists the busiest threads (name, share).
"""

import os
import sys
import time

TICK = os.sysconf("SC_CLK_TCK")


def children_of():
    tree = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            tree.setdefault(parent, []).append(int(entry))
    return tree


def tree_of(root):
    children, found, todo = children_of(), [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def cpu_ticks(path):
    """utime + stime of a /proc stat file (0 once the task is gone)."""
    try:
        with open(path) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError, ValueError):
        return 0


def thread_ticks(pids):
    ticks = {}
    for pid in pids:
        try:
            tids = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tids:
            try:
                with open(f"/proc/{pid}/task/{tid}/comm") as comm:
                    name = comm.read().strip()
            except OSError:
                continue
            ticks[(pid, int(tid), name)] = cpu_ticks(f"/proc/{pid}/task/{tid}/stat")
    return ticks


def memory_kb(pids):
    rss = pss = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                for line in rollup:
                    if line.startswith("Rss:"):
                        rss += int(line.split()[1])
                    elif line.startswith("Pss:"):
                        pss += int(line.split()[1])
        except OSError:
            pass
    return rss, pss


def main():
    root, seconds = int(sys.argv[1]), float(sys.argv[2])
    show_threads = len(sys.argv) > 3 and sys.argv[3] == "threads"
    before = thread_ticks(tree_of(root))
    start = time.monotonic()
    time.sleep(seconds)
    pids = tree_of(root)
    after = thread_ticks(pids)
    elapsed = time.monotonic() - start
    # Threads that ended in between are lost; a preview's threads live on.
    spent = {key: ticks - before.get(key, 0) for key, ticks in after.items()}
    share = 100.0 * sum(spent.values()) / TICK / elapsed
    rss, pss = memory_kb(pids)
    print(f"cpu {share:.1f} rss {rss / 1024:.0f} pss {pss / 1024:.0f}")
    if show_threads:
        by_name = {}
        for (_, _, name), ticks in spent.items():
            by_name[name] = by_name.get(name, 0) + ticks
        for name, ticks in sorted(by_name.items(), key=lambda item: -item[1])[:12]:
            if ticks:
                print(f"  {name:<20} {100.0 * ticks / TICK / elapsed:5.1f}")


if __name__ == "__main__":
    main()
