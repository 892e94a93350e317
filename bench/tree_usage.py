#!/usr/bin/env python3
"""CPU share and memory of a process and everything below it.

    tree_usage.py <pid> <seconds> [threads]

Prints one line: `cpu <percent of one core> rss <MB> pss <MB>`, the CPU time
the whole tree spent over `seconds` and its resident and proportional memory
at the end. With `threads`, it then lists the busiest threads (name, share).
CPU time is the scheduler's own count (schedstat, or the debug file sched
where a kernel leaves schedstat at zero): the tick counts of /proc/<pid>/stat
move in steps of 10 ms, about 8 % of what a preview spends in 10 s.
"""

import os
import sys
import time

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


def schedstat_seconds(task):
    """Time a /proc task has run, in seconds (0 once the task is gone)."""
    try:
        with open(f"{task}/schedstat") as schedstat:
            return int(schedstat.read().split()[0]) / 1e9
    except (OSError, IndexError, ValueError):
        return 0.0


def sched_seconds(task):
    """The same count from the scheduler's debug file (milliseconds there),
    for kernels that keep it but leave schedstat at zero."""
    try:
        with open(f"{task}/sched") as sched:
            for line in sched:
                if line.startswith("se.sum_exec_runtime"):
                    return float(line.split(":")[1]) / 1e3
    except (OSError, IndexError, ValueError):
        pass
    return 0.0


def cpu_seconds(task):
    return schedstat_seconds(task) or sched_seconds(task)


def thread_seconds(pids):
    spent = {}
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
            spent[(pid, int(tid), name)] = cpu_seconds(f"/proc/{pid}/task/{tid}")
    return spent


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
    before = thread_seconds(tree_of(root))
    start = time.monotonic()
    time.sleep(seconds)
    pids = tree_of(root)
    after = thread_seconds(pids)
    elapsed = time.monotonic() - start
    # Threads that ended in between are lost; a preview's threads live on.
    spent = {key: used - before.get(key, 0) for key, used in after.items()}
    if after and not any(after.values()):
        sys.exit("tree_usage.py: this kernel counts no run time per task (schedstat, sched)")
    share = 100.0 * sum(spent.values()) / elapsed
    rss, pss = memory_kb(pids)
    print(f"cpu {share:.2f} rss {rss / 1024:.0f} pss {pss / 1024:.0f}")
    if show_threads:
        by_name = {}
        for (_, _, name), used in spent.items():
            by_name[name] = by_name.get(name, 0) + used
        for name, used in sorted(by_name.items(), key=lambda item: -item[1])[:12]:
            if used:
                print(f"  {name:<20} {100.0 * used / elapsed:5.2f}")


if __name__ == "__main__":
    main()
