#!/usr/bin/env python3
"""The conversion benchmark; bench/run.sh builds the tools and calls this.

Writes routes of growing size with the project's own layer writer, converts
each with rte2kmz and measures, in the same run, the deflate floor (raw
deflate of the very KML bytes that rte2kmz wrote, in memory,
bench_deflate_floor) and a peer (gpsbabel converting the same route as GPX to
KML). Then a library of small routes, in one rte2kmz call and in one call per
file, against its file-system floor (bench_fs_floor), and the peak memory of a
route whose long caption grows five-fold when it is escaped. Prints a table,
the targets met or missed, and how busy the machine was.

Times are wall-clock medians over the runs, the runs of the tools compared
taking turns; peak memory is the largest resident size of the runs.
"""

import argparse
import collections
import glob
import os
import shutil
import statistics
import sys
import time

MiB = 1024 * 1024
WORK = None  # the work folder, set by main


def run(argv, stdout_path=os.devnull):
    """Runs a program to its end: (wall seconds, peak resident bytes).

    The peak comes from GNU time: a process started straight from Python
    would report at least Python's own size (the kernel keeps the larger
    resident size across exec)."""
    peak_file = os.path.join(WORK, "peak.txt")
    command = ["/usr/bin/time", "-f", "%M", "-o", peak_file, *argv]
    actions = [(os.POSIX_SPAWN_OPEN, 1, stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    start = time.perf_counter()
    pid = os.posix_spawn(command[0], command, os.environ, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"bench: {' '.join(argv[:4])} ... ended with {code}")
    with open(peak_file) as f:
        return wall, int(f.read().split()[-1]) * 1024


def program(argv):
    """A measure: one run of a program, (wall seconds, peak bytes)."""
    return lambda: run(argv)


def self_timed(argv):
    """A measure: one run of a bench tool that prints the seconds of its own
    work first, (those seconds, peak bytes)."""
    def measure():
        report = os.path.join(WORK, "floor.txt")
        _, peak = run(argv, report)
        with open(report) as f:
            return float(f.read().split()[0]), peak
    return measure


def interleaved(measures, runs):
    """Runs every measure `runs` times, taking turns, so that all of them meet
    the same load of a shared machine: {name: (median seconds, peak bytes)}."""
    results = {name: [] for name in measures}
    for _ in range(runs):
        for name, measure in measures.items():
            results[name].append(measure())
    return {name: (statistics.median(t for t, _ in r), max(m for _, m in r)) for name, r in results.items()}


class Table:
    def __init__(self):
        self.rows = []

    def add(self, case, tool, runs, seconds, peak, waypoints, floor_s=None, peer_s=None):
        ratio = lambda base: f"{seconds / base:.2f}" if base else "–"
        self.rows.append([case, tool, str(runs), f"{seconds:.3f}", f"{peak / MiB:.1f}",
                          ratio(floor_s), ratio(peer_s), f"{waypoints / seconds:,.0f}"])

    def print(self):
        head = ["route", "tool", "runs", "time s", "peak MiB", "× floor", "× peer", "waypoints/s"]
        widths = [max(len(r[i]) for r in [head, *self.rows]) for i in range(len(head))]
        line = lambda cells: "| " + " | ".join(c.rjust(w) if i >= 2 else c.ljust(w)
                                               for i, (c, w) in enumerate(zip(cells, widths))) + " |"
        print(line(head))
        print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        for row in self.rows:
            print(line(row))


def one_route(tools, work, table, size, runs):
    rte = os.path.join(work, f"route-{size}.rte")
    gpx = os.path.join(work, f"route-{size}.gpx")
    run([tools["make"], rte, str(size), gpx])
    # A first conversion keeps the KML for the floor and warms the caches.
    kept = os.path.join(work, f"kml-{size}")
    os.makedirs(kept, exist_ok=True)
    run([tools["rte2kmz"], "--keep-kml", "--target", kept, rte])
    kml = os.path.join(kept, f"route-{size}.kml")

    out = os.path.join(work, f"out-{size}")
    os.makedirs(out, exist_ok=True)
    measured = interleaved({
        "conv": program([tools["rte2kmz"], "--target", out, rte]),
        "floor": self_timed([tools["deflate floor"], "1", kml]),
        "peer": program([tools["gpsbabel"], "-i", "gpx", "-f", gpx, "-o", "kml",
                         "-F", os.path.join(work, f"peer-{size}.kml")]),
    }, runs)
    (conv_s, conv_peak), (floor_s, floor_peak), (peer_s, peer_peak) = (
        measured["conv"], measured["floor"], measured["peer"])

    case = f"{size:,} wpt"
    table.add(case, "rte2kmz", runs, conv_s, conv_peak, size, floor_s, peer_s)
    table.add(case, "deflate floor", runs, floor_s, floor_peak, size, floor_s, peer_s)
    table.add(case, "gpsbabel", runs, peer_s, peer_peak, size, floor_s, peer_s)
    return {"size": size, "rte_bytes": os.path.getsize(rte), "kml_bytes": os.path.getsize(kml),
            "conv": conv_s, "peak": conv_peak, "floor": floor_s, "peer": peer_s}


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def library(tools, work, table, files, size, runs):
    folder = fresh_folder(os.path.join(work, "small"))
    run([tools["make"], "--many", folder, str(files), str(size)])
    routes = sorted(glob.glob(os.path.join(folder, "*.rte")))
    kept = fresh_folder(os.path.join(work, "kml-small"))
    run([tools["rte2kmz"], "--keep-kml", "--target", kept, *routes])
    pairs = [f"{route}:{os.path.join(kept, os.path.basename(route)[:-4])}.kml" for route in routes]

    # Both start empty, so that both meet the same folders: one run that
    # creates the archives, then runs that replace them.
    out = fresh_folder(os.path.join(work, "out-small"))
    floor_out = fresh_folder(os.path.join(work, "floor-small"))
    measured = interleaved({
        "one": program([tools["rte2kmz"], "--target", out, *routes]),
        "floor": self_timed([tools["fs floor"], "1", floor_out, *pairs]),
    }, runs)
    (one_s, one_peak), (floor_s, floor_peak) = measured["one"], measured["floor"]
    start = time.perf_counter()
    each_peak = max(run([tools["rte2kmz"], "--target", out, route])[1] for route in routes)
    each_s = time.perf_counter() - start

    case = f"{files:,} × {size} wpt"
    waypoints = files * size
    table.add(case, "rte2kmz, one call", runs, one_s, one_peak, waypoints, floor_s)
    table.add(case, "rte2kmz, call per file", 1, each_s, each_peak, waypoints, floor_s)
    table.add(case, "file-system floor", runs, floor_s, floor_peak, waypoints, floor_s)
    return {"one": one_s, "floor": floor_s}


def long_caption(tools, work, table, characters, runs):
    """A route whose caption is all "&", each escaped to five characters in
    the KML and the GPX document: memory must follow the file, not the escapes."""
    rte = os.path.join(work, "caption.rte")
    run([tools["make"], "--long-caption", rte, str(characters)])
    out = fresh_folder(os.path.join(work, "out-caption"))
    measured = interleaved({
        "kmz": program([tools["rte2kmz"], "--target", out, rte]),
        "gpx": program([tools["rte2kmz"], "--gpx", "--target", out, rte]),
    }, runs)
    case = f"caption of {characters:,} &"
    table.add(case, "rte2kmz", runs, *measured["kmz"], 3)
    table.add(case, "rte2kmz --gpx", runs, *measured["gpx"], 3)
    return {"rte_bytes": os.path.getsize(rte), "peak": max(measured["kmz"][1], measured["gpx"][1])}


# A target of the benchmark: the row it judges, what it says, and the measured
# figure it limits, from that row's results.
Target = collections.namedtuple("Target", "label row text figure limit at_least")
TARGETS = [
    Target("a", ("route", 1_000_000), "1,000,000 wpt: rte2kmz time ≤ 1.3 × the deflate floor",
           lambda r: r["conv"] / r["floor"], 1.3, False),
    Target("b", ("route", 1_000_000), "1,000,000 wpt: gpsbabel time ≥ 8 × rte2kmz's",
           lambda r: r["peer"] / r["conv"], 8, True),
    Target("c", ("route", 1_000_000), "1,000,000 wpt: rte2kmz peak memory ≤ 2.2 × the .rte size",
           lambda r: r["peak"] / r["rte_bytes"], 2.2, False),
    Target("d", ("library", 2000, 20), "2,000 × 20 wpt in one call ≤ 1.5 × their file-system floor",
           lambda r: r["one"] / r["floor"], 1.5, False),
    Target("e", ("caption", 20_000_000), "caption of 20,000,000 &, with or without --gpx: peak memory "
           "≤ 8 × the .rte size + 64 MiB", lambda r: r["peak"] / (8 * r["rte_bytes"] + 64 * MiB), 1, False),
]


def route_lines(routes):
    """Sizes and ratios of the single routes, and how their time grows."""
    lines = [f"{r['size']:>9,} wpt: .rte {r['rte_bytes'] / MiB:.1f} MiB, KML {r['kml_bytes'] / MiB:.1f} MiB; "
             f"rte2kmz {r['conv'] / r['floor']:.2f} × floor, peer {r['peer'] / r['conv']:.1f} × slower, "
             f"peak memory {r['peak'] / r['rte_bytes']:.2f} × .rte" for r in routes]
    lines += [f"time {large['size']:,} / {small['size']:,} wpt: {large['conv'] / small['conv']:.1f} "
              f"(size ratio {large['size'] / small['size']:.0f})" for small, large in zip(routes, routes[1:])]
    return lines


def target_lines(measured):
    """A verdict for every target whose row was measured."""
    lines = []
    for t in TARGETS:
        if t.row in measured:
            figure = t.figure(measured[t.row])
            passed = figure >= t.limit if t.at_least else figure <= t.limit
            lines.append(f"  {'PASS' if passed else 'FAIL'} ({t.label}) {t.text}: {figure:.2f} ×")
    return ["Targets:", *lines] if lines else []


def load_line(start, end):
    loads = lambda three: " ".join(f"{x:.2f}" for x in three)
    return (f"Machine: {os.cpu_count()} CPUs; load average over 1, 5, 15 min {loads(start)} at start, "
            f"{loads(end)} at end (which includes the benchmark's own load of about 1).")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", required=True, help="folder with rte2kmz and the bench tools")
    parser.add_argument("--work", required=True, help="folder for the routes and the results")
    parser.add_argument("--sizes", default="1000:9,100000:5,1000000:3",
                        help="waypoints:runs of the single routes, none when empty (default %(default)s)")
    parser.add_argument("--small", default="2000:20:7",
                        help="files:waypoints:runs of the library of small routes, none when empty "
                             "(default %(default)s)")
    parser.add_argument("--caption", default="20000000:3",
                        help="characters:runs of the route with a long caption, none when empty "
                             "(default %(default)s)")
    args = parser.parse_args()

    tools = {"rte2kmz": os.path.join(args.bin, "rte2kmz"),
             "make": os.path.join(args.bin, "bench_make_routes"),
             "deflate floor": os.path.join(args.bin, "bench_deflate_floor"),
             "fs floor": os.path.join(args.bin, "bench_fs_floor"),
             "gpsbabel": shutil.which("gpsbabel")}
    if not tools["gpsbabel"]:
        sys.exit("bench: gpsbabel is not installed")
    os.makedirs(args.work, exist_ok=True)
    global WORK
    WORK = args.work
    os.environ.setdefault("TZ", "Europe/Amsterdam")

    load_at_start = os.getloadavg()
    table = Table()
    measured = {}
    for entry in filter(None, args.sizes.split(",")):
        size, runs = (int(x) for x in entry.split(":"))
        print(f"bench: {size:,} waypoints ...", file=sys.stderr, flush=True)
        measured["route", size] = one_route(tools, args.work, table, size, runs)
    if args.small:
        files, size, runs = (int(x) for x in args.small.split(":"))
        print(f"bench: {files:,} routes of {size} waypoints ...", file=sys.stderr, flush=True)
        measured["library", files, size] = library(tools, args.work, table, files, size, runs)
    if args.caption:
        characters, runs = (int(x) for x in args.caption.split(":"))
        print(f"bench: a caption of {characters:,} characters ...", file=sys.stderr, flush=True)
        measured["caption", characters] = long_caption(tools, args.work, table, characters, runs)
    load_at_end = os.getloadavg()

    table.print()
    routes = [result for (kind, *_), result in measured.items() if kind == "route"]
    for section in (route_lines(routes), target_lines(measured), [load_line(load_at_start, load_at_end)]):
        if section:
            print()
            print("\n".join(section))


if __name__ == "__main__":
    main()
