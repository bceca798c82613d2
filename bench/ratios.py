#!/usr/bin/env python3
"""Reads Google Benchmark JSON files and prints each benchmark beside its floor.

A floor is the benchmark of the same name with "Floor" appended and the same arguments, run in the
same binary, so the ratio does not depend on how loaded the machine was. Targets are given as
"name/args-prefix=limit" with the limit either a ratio ("1.3x") or a time ("16ms", "2ms");
each row says whether it is met. With --plot DIR it also writes keystroke.dat and keystroke.png
(time against catalogue lines) there, the PNG through gnuplot when it is installed.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys

UNIT = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(paths):
    runs = {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                if b.get("run_type", "iteration") != "iteration":
                    continue
                runs[b["name"]] = b["real_time"] * UNIT[b["time_unit"]]
                if b.get("unit") == "MB":
                    MEGABYTES.add(b["name"])
    return runs


# Figures that are memory, not time (window_timing writes them with "unit": "MB").
MEGABYTES = set()


def split(name):
    base, _, args = name.partition("/")
    return base, args


def parse_targets(wanted):
    targets = []
    for given in wanted:
        key, _, limit = given.rpartition("=")
        targets.append((key, limit))
    return targets


def judge(name, ms, ratio, targets):
    for key, limit in targets:
        if name.startswith(key):
            if limit.endswith("x"):
                ok = ratio is not None and ratio <= float(limit[:-1])
            elif limit.endswith("MB"):
                ok = ms <= float(limit[:-2])
            else:
                ok = ms <= float(limit[:-2])
            return f"≤ {limit}", "met" if ok else "NOT met"
    return "", ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("json", nargs="+")
    parser.add_argument("--target", action="append", default=[])
    parser.add_argument("--plot")
    args = parser.parse_args()
    runs = load(args.json)
    targets = parse_targets(args.target)

    print(f"{'benchmark':58} {'time ms':>10} {'floor ms':>10} {'ratio':>8}  target")
    print(f"{'(memory rows in MB)':58}")
    for name, ms in runs.items():
        base, rest = split(name)
        if base.endswith("Floor"):
            continue
        floor = runs.get(f"{base}Floor/{rest}" if rest else f"{base}Floor")
        ratio = ms / floor if floor else None
        target, verdict = judge(name, ms, ratio, targets)
        floor_text = f"{floor:10.3f}" if floor else f"{'':10}"
        ratio_text = f"{ratio:7.2f}x" if ratio else f"{'':8}"
        print(f"{name:58} {ms:10.3f} {floor_text} {ratio_text}  {target} {verdict}".rstrip())

    if args.plot:
        write_plot(runs, args.plot)


def write_plot(runs, folder):
    os.makedirs(folder, exist_ok=True)
    series = {}
    for name, ms in runs.items():
        base, rest = split(name)
        if base not in ("BM_Keystroke", "BM_KeystrokeFloor"):
            continue
        fields = dict(part.split(":") for part in rest.split("/"))
        label = f"{base.replace('BM_', '')} typed={fields['typed']} sorted={fields['sorted']}"
        series.setdefault(label, []).append((int(fields["lines"]), ms))
    data = os.path.join(folder, "keystroke.dat")
    with open(data, "w") as f:
        for label, points in sorted(series.items()):
            f.write(f'"{label}"\n')
            for lines, ms in sorted(points):
                f.write(f"{lines} {ms}\n")
            f.write("\n\n")
    if not shutil.which("gnuplot"):
        print(f"gnuplot not found: the points are in {data}", file=sys.stderr)
        return
    png = os.path.join(folder, "keystroke.png")
    plots = ", ".join(
        f'"{data}" index {i} with linespoints title columnheader(1)' for i in range(len(series)))
    script = f"""
set terminal pngcairo size 900,560
set output "{png}"
set logscale xy
set xlabel "catalogue lines"
set ylabel "one keystroke, ms"
set key top left
set grid
plot {plots}
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)
    print(f"plot: {png}")


if __name__ == "__main__":
    main()
