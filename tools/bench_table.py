#!/usr/bin/env python3
"""One table of every benchmark's ratios against its anchors.

    bench_table.py <results folder>

Reads what `bash tools/dev.sh bench` saved there: color.txt (the colour
benchmark's output, whose ratio lines it takes as they are), skin.json
(Google Benchmark's JSON of the skin benchmark), live.txt, startup.txt and
preview.txt.
A ratio below 1 means ours is faster or smaller than the anchor. Where a
benchmark has no anchor, or its anchor did not run, the table says why and
shows the benchmark's own figures instead.
"""

import json
import os
import re
import sys


def read(folder, name):
    path = os.path.join(folder, name)
    return open(path, errors="replace").read() if os.path.exists(path) else None


def colour_rows(text):
    if text is None:
        return [("colour", "-", "not run", "-")]
    rows, reasons = [], []
    section = text.split("Ratios (ours / anchor", 1)[-1] if "Ratios (ours / anchor" in text else ""
    for line in section.splitlines()[1:]:
        match = re.match(r"\s+(\S+)\s+/\s+(\S+)\s+=\s+([0-9.]+)", line)
        if match:
            rows.append(("colour", match.group(1), match.group(2), match.group(3)))
        elif line.strip():
            reasons.append(line.strip())
    for reason in reasons:
        rows.append(("colour", "ours/* against opencv/*", reason, "-"))
    if not rows:
        rows.append(("colour", "-", "the benchmark printed no ratios", "-"))
    return rows


def unanchored(benchmark, figures, why):
    """Rows of a benchmark without an anchor: its own figures, the reason once."""
    return [(benchmark, figure, why if index == 0 else "", "-") for index, figure in enumerate(figures)]


def skin_rows(text):
    if text is None:
        return [("skin", "-", "not run", "-")]
    figures = [f"{run['name']}: {run['real_time']:.3g} {run['time_unit']}"
               for run in json.loads(text).get("benchmarks", []) if run.get("run_type", "iteration") == "iteration"]
    return unanchored("skin", figures, "none in the benchmark: it times our own skin code (outline, decoding, a skin change)") or [
        ("skin", "-", "the benchmark reported nothing", "-")]


def live_rows(text):
    if text is None:
        return [("live", "-", "not run", "-")]
    figures = [line.strip() for line in text.splitlines() if line.startswith("  ")]
    return unanchored("live", figures, "none in the benchmark: absolute cost of our live path (CPU share, latency)") or [
        ("live", "-", "the benchmark reported nothing", "-")]


def startup_rows(text):
    if text is None:
        return [("startup", "-", "not run", "-")]
    figures = {}
    for name, line in re.findall(r"== (\S+)\n(.*)", text):
        match = re.search(r"first paint ([0-9.]+) ms.*resident quabrel ([0-9.]+) MB, with child processes ([0-9.]+) MB",
                          line)
        if match:
            figures[name] = [float(value) for value in match.groups()]
    if "quabrel" not in figures:
        return [("startup", "-", "the program's runs painted nothing", "-")]
    if "quabrel_nobanner" not in figures:
        return [("startup", "-", "the anchor (quabrel_nobanner) painted nothing", "-")]
    ours, anchor = figures["quabrel"], figures["quabrel_nobanner"]
    labels = ("first paint", "resident memory of quabrel", "resident memory with child processes")
    units = ("ms", "MB", "MB")
    return [("startup", f"{label}: {o:.1f} {unit}", f"without the banner's engine: {a:.1f} {unit}", f"{o / a:.2f}")
            for label, unit, o, a in zip(labels, units, ours, anchor)]


def preview_rows(text):
    """The preview benchmark's table: each program's CPU and memory against
    the bare GStreamer floor."""
    if text is None:
        return [("preview", "-", "not run", "-")]
    figures = {}
    for line in text.splitlines():
        match = re.match(r"(banner on|banner off|bare GStreamer)(?:, installed)?\s+([0-9.]+)\s+([0-9.]+)\s+([0-9.]+)", line)
        if match:
            figures[match.group(1)] = [float(value) for value in match.groups()[1:]]
    floor = figures.get("bare GStreamer")
    if floor is None or not floor[0]:
        return [("preview", "-", "the floor did not run", "-")]
    rows = []
    for name in ("banner on", "banner off"):
        if name in figures:
            cpu, rss, pss = figures[name]
            rows.append(("preview", f"{name}: CPU {cpu:.1f} %, RSS {rss:.0f} MB, PSS {pss:.0f} MB",
                         f"bare GStreamer: CPU {floor[0]:.1f} %, PSS {floor[2]:.0f} MB", f"{cpu / floor[0]:.2f} (CPU)"))
    return rows or [("preview", "-", "the program's runs showed nothing", "-")]


def main():
    folder = sys.argv[1]
    rows = [("benchmark", "case", "anchor", "ours / anchor")]
    rows += colour_rows(read(folder, "color.txt"))
    rows += skin_rows(read(folder, "skin.json"))
    rows += live_rows(read(folder, "live.txt"))
    rows += startup_rows(read(folder, "startup.txt"))
    rows += preview_rows(read(folder, "preview.txt"))
    widths = [max(len(row[i]) for row in rows) for i in range(3)]
    for index, row in enumerate(rows):
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)) + "  " + row[3])
        if index == 0:
            print("  ".join("-" * width for width in widths) + "  " + "-" * len(row[3]))


if __name__ == "__main__":
    main()
