"""Listing cost of the library against the driver manager's own floor and peers.

For each size of configuration it writes a private ODBC configuration (drivers
pointing at Debian's SQLite3 ODBC driver), then measures side by side:
  library         ODBC.getDrivers() / ODBC.getDataSources() in one warmed-up JVM, and
                  ODBC.listDataSources() (scope and all five entries of each data
                  source), against the others' listing of data sources
  reader          a C++ program reading the same files with the same reader
                  (unixODBC's), each data source's driver found: the floor
  driver-manager  a C++ program making one plain pass of SQLDrivers and of
                  SQLDataSources (which cut their lists short)
  pyodbc          pyodbc.drivers() / pyodbc.dataSources()
  odbcinst        odbcinst -q -d / odbcinst -q -s, whole process
and writes a markdown table and a plot to the results folder. The largest
sizes are too slow for the driver manager's listing calls, so only the
library and the floor run there.

The command line is timed as whole processes, on one configuration per size
(N=400 and N=10000 data sources), the contenders taking turns run after run
so that the machine's load falls on each alike: `ri-reve dsns` against
`odbcinst -q -s`, `ri-reve drivers` against `odbcinst -q -d`, and
`java -jar ri-reve.jar dsns`. --command-line measures only these, and puts
them in place of the same section of an existing results.md.

Every contender runs with the same malloc setting: unixODBC's reader takes
about 5 KB of small blocks per section, and glibc's default would hand them
back to the system after each read and fault them in again on the next, a
cost that depends on the process's memory layout rather than on the reading.

Usage: python3 bench/run.py --build build [--results bench/results] [--runs 5] [--smoke] [--command-line]
"""
import argparse
import datetime
import json
import os
import platform
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

CONTENDERS = ["library", "reader", "driver-manager", "pyodbc", "odbcinst"]
FLOOR_ONLY = ["library", "reader"]
SIZES = [(10, 5), (100, 5), (400, 5), (1000, 5), (10, 50), (100, 50), (400, 50), (1000, 50), (100, 20),
         (10000, 5), (10000, 50)]
LARGEST_FOR_ALL = 1000
SMOKE_SIZES = [(10, 5)]
# Large user files of data sources with 7 entries each: the listing's cost as
# the file grows, against odbcinst and against reading the bytes alone.
SCALE_SIZES = [10000, 100000]
SMOKE_SCALE_SIZES = [1000]
# The command line against odbcinst, whole processes, and what they are held to.
CLI_SIZES = [(400, 5), (10000, 5)]
SMOKE_CLI_SIZES = [(10, 5)]
CLI_PAIRS = [("ri-reve dsns", "odbcinst -q -s"), ("ri-reve drivers", "odbcinst -q -d")]
CLI_JAR = "java -jar ri-reve.jar dsns"
JVM_START = "java -version"  # the JVM's own start-up, beside which the jar's time is read
CLI_TARGET_RATIO = 3.0
OLD_JAVA_COMMAND_LINE_MS = (111, 134, 157)  # the Java command line before the native one: least, median, most
CLI_BEGIN, CLI_END = "<!-- command line -->", "<!-- /command line -->"
PYTHON = "/usr/bin/python3"  # Debian's, which has python3-pyodbc
HERE = Path(__file__).resolve().parent


def sqlite_driver():
    for folder in ("/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc", "/usr/lib/odbc"):
        library = Path(folder) / "libsqlite3odbc.so"
        if library.exists():
            return str(library)
    sys.exit("Debian's SQLite3 ODBC driver (libsqliteodbc) is not installed")


def write_configuration(folder, data_sources, drivers):
    library = sqlite_driver()
    with open(folder / "odbcinst.ini", "w") as out:
        for d in range(drivers):
            out.write(f"[Driver {d}]\nDescription=Benchmark driver {d}\nDriver={library}\nUsageCount=1\n\n")
    with open(folder / "odbc.ini", "w") as out:
        for n in range(data_sources):
            out.write(f"[source{n:04d}]\nDriver=Driver {n % drivers}\nDatabase=/tmp/source{n}.db\n"
                      f"Description=Benchmark source {n}\nTimeout=1000\nStepAPI=No\n\n")
    (folder / "user.ini").write_text("")


def write_scale_configuration(folder, data_sources, drivers=5):
    library = sqlite_driver()
    with open(folder / "odbcinst.ini", "w") as out:
        for d in range(drivers):
            out.write(f"[Driver {d}]\nDescription=Benchmark driver {d}\nDriver={library}\nUsageCount=1\n\n")
    (folder / "odbc.ini").write_text("")
    with open(folder / "user.ini", "w") as out:
        for n in range(data_sources):
            out.write(f"[source{n:06d}]\nDriver=Driver {n % drivers}\nDatabase=/tmp/source{n}.db\n"
                      f"Description=Benchmark source {n}\nTimeout=1000\nStepAPI=No\nNoWCHAR=No\nLongNames=Yes\n\n")


def measure_scale(build, folder, runs):
    """One size of the scale rows: warm and fresh-JVM listings, odbcinst, the bytes alone, one registration."""
    env = environment(folder)
    env.pop("GLIBC_TUNABLES")  # the library's own reader needs no malloc setting
    classpath = f"{build / 'ri-reve.jar'}:{build / 'bench'}"
    java = ["java", "-Djava.library.path=" + str(build), "-cp", classpath, "ListingBench"]
    warm = run_json(java + [str(runs)], env)
    fresh = {kind: run_json(java + ["fresh", kind], env) for kind in ("dataSources", "scoped")}
    return {
        "dataSources": warm["dataSources"], "scoped": warm["scoped"], "listed": warm["dataSourcesListed"],
        "freshDataSources": fresh["dataSources"], "freshScoped": fresh["scoped"],
        "odbcinst": time_process(["odbcinst", "-q", "-s"], env, max(3, runs // 5)),
        "bytes": run_json([str(build / "bench" / "listing-floor"), "bytes", str(runs)], env)["bytes"],
        "register": run_json(java + ["register", str(max(5, runs // 3))], env)["register"],
    }


def scale_report(rows):
    lines = ["| sections | getDataSources() | listDataSources() | fresh JVM getDataSources(): s, peak MiB"
             + " | fresh JVM listDataSources(): s, peak MiB | odbcinst -q -s | bytes read, lines counted"
             + " | one registration |",
             "|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for n, r in rows:
        fresh = [r["freshDataSources"], r["freshScoped"]]
        lines.append(f"| {n} | {r['dataSources'] * 1000:.1f} ms | {r['scoped'] * 1000:.1f} ms | "
                     + " | ".join(f"{f['seconds']:.3f} s, {f['peakRssKiB'] / 1024:.0f} MiB" for f in fresh)
                     + f" | {r['odbcinst'] * 1000:.0f} ms | {r['bytes'] * 1000:.2f} ms | {r['register'] * 1000:.1f} ms |")
    if len(rows) >= 2:
        (small, a), (large, b) = rows[0], rows[-1]
        lines += ["", f"From {small} to {large} sections ({large // small} times as many): getDataSources()"
                  + f" {b['dataSources'] / a['dataSources']:.1f} times the time, listDataSources()"
                  + f" {b['scoped'] / a['scoped']:.1f} times."]
    n, r = rows[-1]
    lines += ["", f"At {n} sections, getDataSources() is {r['odbcinst'] / r['dataSources']:.0f} times as fast as"
              + f" `odbcinst -q -s` and takes {r['dataSources'] / r['bytes']:.1f} times as long as reading the file's"
              + " bytes and counting its lines."]
    return "\n".join(lines)


def environment(folder):
    env = dict(os.environ)
    env.update(ODBCSYSINI=str(folder), ODBCINI=str(folder / "user.ini"), HOME=str(folder),
               GLIBC_TUNABLES="glibc.malloc.trim_threshold=1073741824")
    return env


def run_json(command, env):
    done = subprocess.run(command, env=env, capture_output=True, text=True, check=True)
    return json.loads(done.stdout)


def time_process(command, env, runs):
    subprocess.run(command, env=env, capture_output=True, check=True)
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, env=env, capture_output=True, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def measure(build, folder, runs, contenders):
    env = environment(folder)
    floor = str(build / "bench" / "listing-floor")
    classpath = f"{build / 'ri-reve.jar'}:{build / 'bench'}"
    commands = {
        "library": lambda: run_json(["java", "-Djava.library.path=" + str(build), "-cp", classpath,
                                     "ListingBench", str(runs)], env),
        "reader": lambda: run_json([floor, "reader", str(runs)], env),
        "driver-manager": lambda: run_json([floor, "driver-manager", str(runs)], env),
        "pyodbc": lambda: run_json([PYTHON, str(HERE / "pyodbc_listing.py"), str(runs)], env),
        "odbcinst": lambda: {"drivers": time_process(["odbcinst", "-q", "-d"], env, runs),
                             "dataSources": time_process(["odbcinst", "-q", "-s"], env, runs)},
    }
    return {name: commands[name]() for name in contenders}


def first_call(build, folder, runs):
    """Median seconds of a fresh JVM's first getDrivers(), the bundled library extracted and loaded."""
    env = environment(folder)
    classpath = f"{build / 'ri-reve.jar'}:{build / 'bench'}"
    command = ["java", "-Djava.io.tmpdir=" + str(folder), "-cp", classpath, "ListingBench", "first"]
    return statistics.median(run_json(command, env)["firstCall"] for _ in range(runs))


def connection_test(build, folder, runs):
    """Median seconds of one connection test of a SQLite3 database, in the JVM and in a child process, and of
    diagnose() over the machine's drivers (/etc/odbcinst.ini), in one warmed-up JVM."""
    classpath = f"{build / 'ri-reve.jar'}:{build / 'bench'}"
    env = environment(folder)
    env["ODBCSYSINI"] = "/etc"
    # The malloc setting above serves unixODBC's reader; it would make every
    # library file the diagnosis reads a fresh mapping of its own.
    env.pop("GLIBC_TUNABLES")
    return run_json(["java", "-Djava.library.path=" + str(build), "-cp", classpath, "ListingBench", "probe",
                     str(runs), str(folder / "probe.db"), sqlite_driver()], env)


def command_line(build, folder, runs, sizes):
    """Per size, each command's median seconds as a whole process, the commands taking turns, and the lines
    each listing printed."""
    cli = str(build / "bin" / "ri-reve")
    commands = {"ri-reve dsns": [cli, "dsns"], "odbcinst -q -s": ["odbcinst", "-q", "-s"],
                "ri-reve drivers": [cli, "drivers"], "odbcinst -q -d": ["odbcinst", "-q", "-d"],
                CLI_JAR: ["java", "-jar", str(build / "ri-reve.jar"), "dsns"], JVM_START: ["java", "-version"]}
    rows = []
    for n, d in sizes:
        write_configuration(folder, n, d)
        env = environment(folder)
        load = os.getloadavg()[0]
        print(f"measuring the command line, N={n} D={d} ...", file=sys.stderr, flush=True)
        # The warm-up run (the jar extracts its programs once) gives the lines printed.
        lines = {name: subprocess.run(command, env=env, capture_output=True, text=True, check=True)
                 .stdout.count("\n") for name, command in commands.items()}
        times = {name: [] for name in commands}
        for _ in range(runs):
            for name, command in commands.items():
                start = time.perf_counter()
                subprocess.run(command, env=env, capture_output=True, check=True)
                times[name].append(time.perf_counter() - start)
        row = {name: {"median": statistics.median(t), "least": min(t), "most": max(t), "lines": lines[name]}
               for name, t in times.items()}
        row["load"] = (load, os.getloadavg()[0])
        rows.append(((n, d), row))
    return rows


def command_line_report(rows, runs, machine_note):
    ms = lambda seconds: f"{seconds * 1000:.1f}"
    lines = [CLI_BEGIN, "## The command line against odbcinst", "",
             f"Whole processes, start-up included; median milliseconds of {runs} runs (least–most), the six commands"
             + " taking turns run after run on the same configuration (N data sources, D drivers, every data source"
             + " in the system file). Lines printed in brackets; the machine's load average (1 minute) before and"
             + f" after each size, on its {os.cpu_count()} cores: "
             + ", ".join(f"N={n} {r['load'][0]:.1f}–{r['load'][1]:.1f}" for (n, _), r in rows) + "." + machine_note, "",
             "| N | D | " + " | ".join(f"{a} | {b} | ÷" for a, b in CLI_PAIRS) + f" | {CLI_JAR} | {JVM_START} |",
             "|---:|---:|" + "---:|---:|---:|" * len(CLI_PAIRS) + "---:|---:|"]
    worst = 0.0
    for (n, d), r in rows:
        cells = []
        for a, b in CLI_PAIRS:
            worst = max(worst, r[a]["median"] / r[b]["median"])
            cells += [f"{ms(r[x]['median'])} ({ms(r[x]['least'])}–{ms(r[x]['most'])}) [{r[x]['lines']}]"
                      for x in (a, b)] + [f"{r[a]['median'] / r[b]['median']:.2f}"]
        jar = r[CLI_JAR]
        jvm = r[JVM_START]
        cells += [f"{ms(jar['median'])} ({ms(jar['least'])}–{ms(jar['most'])}) [{jar['lines']}]",
                  f"{ms(jvm['median'])} ({ms(jvm['least'])}–{ms(jvm['most'])})"]
        lines.append(f"| {n} | {d} | " + " | ".join(cells) + " |")
    least, median, most = OLD_JAVA_COMMAND_LINE_MS
    slowest_jar = max(r[CLI_JAR]["median"] for _, r in rows) * 1000
    over_jvm = max(r[CLI_JAR]["median"] - r[JVM_START]["median"] for _, r in rows) * 1000
    lines += ["", f"The native program takes at most {worst:.2f} times odbcinst's time (the aim: within"
              + f" {CLI_TARGET_RATIO:g} times): {'met' if worst <= CLI_TARGET_RATIO else 'NOT met'}."
              + f" The jar's command line takes at most {slowest_jar:.0f} ms (median), where the Java command line"
              + f" it replaced took {least}–{most} ms, median {median}: "
              + f"{'no slower' if slowest_jar <= median else 'SLOWER'}; of its time, at most {over_jvm:.0f} ms is more"
              + f" than the JVM's own start-up (`{JVM_START}`).", CLI_END]
    return "\n".join(lines)


def splice(report, section):
    """The report with its command line section replaced, or added before the versions' table."""
    if CLI_BEGIN in report and CLI_END in report:
        head, rest = report.split(CLI_BEGIN, 1)
        return head + section + rest.split(CLI_END, 1)[1]
    head, marker, tail = report.partition("\n| | |\n")
    return head + "\n" + section + "\n" + marker + tail if marker else report + "\n" + section + "\n"


def versions():
    def first_line(command):
        try:
            done = subprocess.run(command, capture_output=True, text=True)
            return (done.stdout or done.stderr).strip().splitlines()[0]
        except (OSError, IndexError):
            return "unknown"

    cpu = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    return {
        "machine": f"{platform.system()} {platform.release()}, {cpu}, {os.cpu_count()} cores",
        "java": first_line(["java", "-version"]),
        "unixODBC": first_line(["odbcinst", "--version"]),
        "pyodbc": first_line([PYTHON, "-c", "import pyodbc; print('pyodbc', pyodbc.version)"]),
        "SQLite3 ODBC driver": first_line(["dpkg-query", "-W", "-f", "libsqliteodbc ${Version}\n", "libsqliteodbc"]),
    }


# The scoped listing is the library's alone: the others' figures it is held
# against are their listings of data sources.
def figure(results, name, kind):
    return results[name].get(kind if name == "library" or kind != "scoped" else "dataSources")


def ratio(results, kind, a, b):
    if a not in results or b not in results or not figure(results, b, kind) or figure(results, a, kind) is None:
        return "-"
    return f"{figure(results, a, kind) / figure(results, b, kind):.2f}"


def cell(results, name, kind):
    return f"{results[name][kind] * 1000:.2f}" if name in results and kind in results[name] else "-"


def listed(results, name, kind):
    return str(results[name][kind + "Listed"]) if name in results and kind + "Listed" in results[name] else "-"


def table(rows):
    lines = ["| N | D | list | listed by library / driver manager | library | reader | driver-manager | pyodbc"
             + " | odbcinst | lib ÷ reader | pyodbc ÷ lib |",
             "|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for (n, d), results in rows:
        for kind, label in (("dataSources", "data sources"), ("scoped", "data sources, scoped"), ("drivers", "drivers")):
            lines.append(f"| {n} | {d} | {label} | {listed(results, 'library', kind)} / "
                         + f"{listed(results, 'driver-manager', kind)} | "
                         + " | ".join(cell(results, name, kind) for name in CONTENDERS)
                         + f" | {ratio(results, kind, 'library', 'reader')}"
                         + f" | {ratio(results, kind, 'pyodbc', 'library')} |")
    return "\n".join(lines)


def plot(rows, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    drivers_counts = sorted({d for (_, d), _ in rows if d != 20})
    figure, axes = plt.subplots(1, len(drivers_counts), figsize=(6 * len(drivers_counts), 4.5), squeeze=False)
    for axis, d in zip(axes[0], drivers_counts):
        points = sorted(((n, results) for (n, dd), results in rows if dd == d), key=lambda p: p[0])
        for name in CONTENDERS:
            measured = [(n, r[name]["dataSources"] * 1000) for n, r in points if name in r]
            axis.plot([n for n, _ in measured], [t for _, t in measured], marker="o", label=name)
        axis.set_title(f"Listing the data sources, {d} drivers")
        axis.set_xlabel("data sources configured (N)")
        axis.set_ylabel("median time (ms)")
        axis.set_xscale("log")
        axis.set_yscale("log")
        axis.grid(True, which="both", alpha=0.3)
        axis.legend()
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, default=Path("build"))
    parser.add_argument("--results", type=Path, default=HERE / "results")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--smoke", action="store_true", help="one small size, one run: checks that it all works")
    parser.add_argument("--command-line", action="store_true",
                        help="only the command line against odbcinst, in place of its section of results.md")
    parser.add_argument("--note", default="", help="a sentence on the machine's state, added to the results")
    args = parser.parse_args()
    build = args.build.resolve()
    runs = 1 if args.smoke else max(5, args.runs)
    sizes = SMOKE_SIZES if args.smoke else SIZES
    cli_sizes = SMOKE_CLI_SIZES if args.smoke else CLI_SIZES
    note = f" {args.note}" if args.note else ""
    args.results.mkdir(parents=True, exist_ok=True)

    if args.command_line:
        with tempfile.TemporaryDirectory(prefix="ri-reve-bench-") as temporary:
            section = command_line_report(command_line(build, Path(temporary), runs, cli_sizes), runs, note)
        path = args.results / "results.md"
        path.write_text(splice(path.read_text() if path.exists() else "", section))
        print(section)
        return

    rows = []
    with tempfile.TemporaryDirectory(prefix="ri-reve-bench-") as temporary:
        folder = Path(temporary)
        for n, d in sizes:
            write_configuration(folder, n, d)
            print(f"measuring N={n} D={d} ...", file=sys.stderr, flush=True)
            rows.append(((n, d), measure(build, folder, runs, CONTENDERS if n <= LARGEST_FOR_ALL else FLOOR_ONLY)))
        scale_rows = []
        for n in (SMOKE_SCALE_SIZES if args.smoke else SCALE_SIZES):
            write_scale_configuration(folder, n)
            print(f"measuring {n} sections of 7 entries ...", file=sys.stderr, flush=True)
            scale_rows.append((n, measure_scale(build, folder, runs)))
        write_configuration(folder, *SMOKE_SIZES[0])
        first = first_call(build, folder, runs)
        cli = command_line(build, folder, runs, cli_sizes)
        probe = connection_test(build, folder, runs)

    largest = max(rows, key=lambda row: row[0])
    report = "\n".join([
        f"# Listing cost, {datetime.date.today()}",
        "",
        "Median milliseconds per listing"
        + f" ({runs} runs after warm-up; odbcinst is a whole process, start-up included).",
        "N data sources, D drivers; every data source uses one of the drivers.",
        "",
        table(rows),
        "",
        "The scoped rows time listDataSources(): every data source with its scope and its five entries;"
        + " their ratios are against the reader's and pyodbc's listing of data sources. Against getDataSources():"
        + " " + ", ".join(f"N={n} D={d} {r['library']['scoped'] / r['library']['dataSources']:.2f}×"
                          for (n, d), r in rows if n == 1000) + ".",
        "",
        "## Large files",
        "",
        "A user file of data sources with 7 entries each, 5 drivers; medians in one warmed-up JVM, a fresh JVM's"
        + " first listing, `odbcinst -q -s` as a whole process, `listing-floor bytes` (read the file, count its"
        + " lines) and one registration of a user data source into the file.",
        "",
        scale_report(scale_rows),
        "",
        f"Peak resident memory of the JVM after listing N={largest[0][0]}, D={largest[0][1]}:"
        + f" {largest[1]['library']['peakRssKiB'] / 1024:.1f} MiB.",
        "",
        f"First call in a fresh JVM (median of {runs}; the bundled library extracted, loaded and used once):"
        + f" {first * 1000:.1f} ms.",
        "",
        command_line_report(cli, runs, note),
        "",
        f"One connection test of a SQLite3 database (connect, four SQLGetInfo, disconnect; median of {runs} in one"
        + f" warmed-up JVM): {probe['inProcess'] * 1000:.2f} ms in the JVM, {probe['isolated'] * 1000:.2f} ms in a"
        + f" child process (the isolation costs {(probe['isolated'] - probe['inProcess']) * 1000:.2f} ms);"
        + f" diagnose() over the machine's {probe['drivers']} drivers: {probe['diagnose'] * 1000:.2f} ms.",
        "",
        "| | |",
        "|---|---|",
        *[f"| {key} | {value} |" for key, value in versions().items()],
        "",
    ])
    (args.results / "results.md").write_text(report)
    plot(rows, args.results / "listing.png")
    print(report)


if __name__ == "__main__":
    main()
