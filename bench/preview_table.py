#!/usr/bin/env python3
"""The preview benchmarks' table: medians of each case's rounds.

    preview_table.py <folder> <name>=<label> ...

Each <folder>/<name> holds one tree_usage.py line a round; "floor" must be
among them. A label ending in "*" gets no ratio to the floor. A case named
<a>/<b> prints the ratio of the two cases' CPU medians instead of a row.
"""
import statistics
import sys

folder, cases = sys.argv[1], [arg.split("=", 1) for arg in sys.argv[2:]]
ratios = [(name.split("/"), label) for name, label in cases if "/" in name]
cases = [(name, label) for name, label in cases if "/" not in name]


def medians(name):
    rows = [line.split() for line in open(f"{folder}/{name}")]
    return [statistics.median(float(row[i]) for row in rows) for i in (1, 3, 5)]


floor = medians("floor")[0]
width = max(len(label) for _, label in cases) + 2
print(f"{'program':<{width}} {'CPU % of a core':>16} {'RSS MB':>7} {'PSS MB':>7} {'CPU / floor':>12}")
for name, label in cases:
    cpu, rss, pss = medians(name)
    ratio = f"{'':>12}" if label.endswith("*") else f"{cpu / floor:12.2f}"
    print(f"{label.rstrip('*'):<{width}} {cpu:16.2f} {rss:7.0f} {pss:7.0f} {ratio}")
for (a, b), label in ratios:
    print(f"{label}: {medians(a)[0] / medians(b)[0]:.2f}")
