#!/usr/bin/env python3
"""Turns the benchmark binary's JSON output into the one table of the README.

Usage: scripts/bench_table.py build/bench.json

Prints the machine, then a Markdown table: each measurement, its target and
whether it was met. Exits 1 when a benchmark reported an error or is missing,
so that CI notices a benchmark that no longer runs; a target that is missed
is shown, not treated as a failure (the machine is shared and its timings
carry noise).
"""
import json
import os
import sys

FULL = "1,000 departments / 100,000 patients / 1,000,000 visit records"


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    ram_kib = 0
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                ram_kib = int(line.split()[1])
                break
    return model, os.cpu_count(), ram_kib / 1024 / 1024


class Results:
    def __init__(self, data):
        self.by_name = {}
        self.errors = []
        self.missing = []
        for b in data["benchmarks"]:
            if b.get("error_occurred"):
                self.errors.append(f'{b["name"]}: {b.get("error_message", "")}')
                continue
            # Medians when the run repeated, else the single run.
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            self.by_name[b.get("run_name", b["name"])] = b

    def get(self, prefix):
        """The benchmark whose run name starts with prefix ("BM_Save/", "BM_PutL/1000000")."""
        for name, b in self.by_name.items():
            if name == prefix or name.startswith(prefix + "/"):
                return b
        self.missing.append(prefix)
        return None


UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}


def ms(b, key="real_time"):
    return b[key] * UNIT_MS[b["time_unit"]]


def fmt_ms(v):
    if v >= 100:
        return f"{v:,.0f} ms"
    if v >= 10:
        return f"{v:.1f} ms"
    if v >= 0.1:
        return f"{v:.2f} ms"
    return f"{v * 1000:.1f} µs"


def fmt_int(v):
    return f"{v:,.0f}"


def verdict(ok):
    return "yes" if ok else "**no**"


def rows(r):
    out = []

    def timed(what, name, limit_ms):
        b = r.get(name)
        if not b:
            out.append((what, "missing", f"under {limit_ms / 1000:g} s", "—"))
            return
        wall, cpu = ms(b), ms(b, "cpu_time")
        out.append((what, f"{fmt_ms(wall)} (CPU {fmt_ms(cpu)})", f"under {limit_ms / 1000:g} s",
                    verdict(wall < limit_ms)))

    timed(f"Save: {FULL} (three files of 121 MB in all)", "BM_Save", 1000)
    timed("Load: the same collection", "BM_Load", 1000)
    timed("Backup: the same collection", "BM_Backup", 1000)
    timed("Restore: read the backup, save the three files", "BM_Restore", 1000)
    timed("Recovery file, the first change after a load or save: the whole collection "
          "as its base", "BM_RecoveryFirstChange", 1000)
    timed("Recovery file, each later completed entry (one visit record modified): "
          "found, appended, flushed", "BM_RecoveryLaterEntry", 100)

    idx, walk = r.get("BM_LoadIndexedWalkableSize"), r.get("BM_LoadWalkWalkableSize")
    if idx and walk:
        out.append(("Load by walking every parent for each child, against the indexed load "
                     "(at 1,000 / 10,000 / 100,000, a size the walk finishes)",
                     f"{ms(walk) / ms(idx):.0f} times slower ({fmt_ms(ms(walk))} against "
                     f"{fmt_ms(ms(idx))})", "—", "—"))

    b = r.get("BM_LoadFullCollectionInProgram")
    if b:
        out.append(("Load in the real program: Alt+F, L on the same collection, key to frame",
                    f"{fmt_ms(ms(b))} (the program's CPU {fmt_ms(b['program_cpu_ms'])})",
                    "under 1 s", verdict(ms(b) < 1000)))

    b = r.get("BM_MillionRowsThenOneFrame")
    if b:
        history = ""
        if "history_rows" in b:
            history = (f"; scroll-back {fmt_int(b['history_rows'])} rows in "
                       f"{b['history_bytes'] / 2**20:.1f} MiB; half a page up into it "
                       f"{fmt_int(b['history_page_bytes'])} bytes (painted whole: "
                       f"{fmt_int(b['history_whole_bytes'])})")
        out.append(("1,000,000 listing rows through the console layer (the scroll-back keeping "
                    "what scrolls off), then one frame",
                    f"{fmt_ms(ms(b))}, {fmt_int(b['frames'])} frame of "
                    f"{fmt_int(b['frame_bytes'])} bytes{history}", "under 2 s, one frame; a page of scroll-back at most a whole frame",
                    verdict(ms(b) < 2000 and b["frames"] == 1 and
                            b.get("history_page_bytes", 0) <= b.get("history_whole_bytes", 0))))

    small, big = r.get("BM_PutL/1000"), r.get("BM_PutL/1000000")
    if small and big:
        per_small = 1e9 / small["items_per_second"]
        per_big = 1e9 / big["items_per_second"]
        out.append(("The visit-record listing command over 1,000,000 records",
                    f"{fmt_ms(ms(big))}; {per_big:,.0f} ns a row (at 1,000 records: "
                    f"{per_small:,.0f} ns)", "flat per row (within 2 times)",
                    verdict(per_big < 2 * per_small)))

    b = r.get("BM_MenuFrameBytes")
    if b:
        out.append(("Terminal bytes, Right: the menu-bar highlight moves",
                    f"{fmt_int(b['arrow_highlight'])} bytes", "under 300 bytes",
                    verdict(b["arrow_highlight"] < 300)))
        for key, what in (("open_submenu", "Alt+A: a sub-menu opens"),
                          ("submenu_arrow", "Down: the sub-menu highlight moves"),
                          ("close_submenu", "Esc: the sub-menu closes"),
                          ("first_frame", "the first frame of the start screen")):
            out.append((f"Terminal bytes, {what}", f"{fmt_int(b[key])} bytes", "—", "—"))

    b = r.get("BM_RenderFullScreen")
    if b:
        out.append(("A full screen of double-byte text rendered from scratch",
                    f"{fmt_ms(ms(b))}, {fmt_int(b['bytes'])} bytes", "—", "—"))

    start = r.get("BM_StartUpToFirstFrame")
    if start:
        out.append(("Start-up: process start to the first frame, in a 150 x 100 "
                    "pseudo-terminal",
                    f"{fmt_ms(ms(start))} (the program's CPU {fmt_ms(start['program_cpu_ms'])})",
                    "under 100 ms",
                    verdict(ms(start) < 100)))

    load = r.get("BM_LoadFullCollectionInProgram")
    if load and start:
        nodes_mib = load["nodes_mib"]
        peak = load["peak_rss_mib"]
        out.append(("Peak memory of the program with the 1,000,000-record collection loaded "
                    "(resident, VmHWM)",
                    f"{peak:.0f} MiB (start screen alone: {start['peak_rss_mib']:.1f} MiB; "
                    f"the nodes' own bytes: {nodes_mib:.0f} MiB)",
                    "under 1.5 times the nodes' own bytes", verdict(peak < 1.5 * nodes_mib)))
    return out


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    with open(sys.argv[1]) as f:
        data = json.load(f)
    r = Results(data)
    table = rows(r)

    model, cores, ram = machine()
    ctx = data.get("context", {})
    load = ctx.get("load_avg") or []
    reps = 1
    for b in data["benchmarks"]:
        reps = max(reps, int(b.get("repetitions", 1) or 1))
    mhz = ctx.get("mhz_per_cpu")
    clock = f" at {mhz / 1000:.1f} GHz" if mhz else ""
    print(f"Machine: {model}{clock}, {cores} cores, {ram:.1f} GiB RAM"
          + (f"; load average {load[0]:.1f} when the run began" if load else "") + ".")
    print(f"Release build; {'medians of ' + str(reps) + ' runs' if reps > 1 else 'one run'};"
          " times are wall times, CPU times in brackets.")
    print()
    print("| Benchmark | Measured | Target | Met |")
    print("|---|---|---|---|")
    for row in table:
        print("| " + " | ".join(row) + " |")
    status = 0
    for e in r.errors:
        print(f"error: {e}", file=sys.stderr)
        status = 1
    for m in r.missing:
        print(f"error: no result for {m}", file=sys.stderr)
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
