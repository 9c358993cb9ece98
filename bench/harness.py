#!/usr/bin/python3
"""Runs the six workloads on the runtime and the peers, interleaved, and
prints the table of million statements per second.

Called by run.sh, which installs the peers, builds the runtime and compiles
the programs first. Settings come from the environment (see README.md).
"""

import datetime
import math
import os
import platform
import resource
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS_DIR = os.path.join(HERE, "peers")

WORKLOADS = ["W1", "W2", "W3", "W4", "W5", "W6"]
TITLES = {
    "W1": "integer loop",
    "W2": "float arithmetic",
    "W3": "string building",
    "W4": "procedure calls",
    "W5": "array work",
    "W6": "label jumps",
}
FULL_SIZE = {
    "W1": 200_000_000,
    "W2": 20_000,
    "W3": 100_000,
    "W4": 100_000_000,
    "W5": 10_000,
    "W6": 300_000_000,
}
DIVISOR = {
    "lua":     {"W1": 1,    "W2": 1,    "W3": 1,   "W4": 1,    "W5": 1,    "W6": 1},
    "python3": {"W1": 4,    "W2": 4,    "W3": 1,   "W4": 4,    "W5": 4,    "W6": 4},
    "perl":    {"W1": 4,    "W2": 4,    "W3": 1,   "W4": 10,   "W5": 4,    "W6": 20},
    "yabasic": {"W1": 8,    "W2": 8,    "W3": 2,   "W4": 16,   "W5": 8,    "W6": 8},
    "brandy":  {"W1": 8,    "W2": 8,    "W3": 2,   "W4": 40,   "W5": 8,    "W6": 10},
    "bwbasic": {"W1": 1000, "W2": 1000, "W3": 100, "W4": 1000, "W5": 1000, "W6": 1000},
}
PEER_ORDER = ["lua", "python3", "perl", "yabasic", "brandy", "bwbasic"]

# Largest sizes whose values stay below 2^31 in the runtime's 32-bit integers.
SIZE_LIMIT = {
    "W1": 1_147_483_647,          # s + i < 2^31
    "W2": 1_000_000,              # t stays far below the float limit
    "W3": (2**31 - 1) // 286,     # c = 286 N
    "W4": (2**31 - 1) // 3,       # s = 3 N
    "W5": (2**31 - 1 - 49_995_000) // 10_000,
    "W6": (2**31 - 1) // 3,       # s = 3 N
}
# First size tried when the runtime's size is calibrated.
CALIBRATION_START = {"W1": 20_000, "W2": 4, "W3": 200, "W4": 20_000, "W5": 4, "W6": 20_000}


def env_int(name, default):
    value = os.environ.get(name, "")
    return int(value) if value.strip() else default


def env_float(name, default):
    value = os.environ.get(name, "")
    return float(value) if value.strip() else default


QUICK = os.environ.get("QUICK", "0") not in ("", "0")
ROUNDS = env_int("ROUNDS", 1 if QUICK else 3)
QUICK_DIVISOR = env_int("QUICK_DIVISOR", 100)
TARGET_SECONDS = env_float("TARGET_SECONDS", 0.2 if QUICK else 2.0)
TIMEOUT = env_float("RUN_TIMEOUT", 600.0)
RUNTIME_DIR = os.environ.get("BENCH_PROGRAMS", os.path.join(HERE, "build", "programs"))
RESULTS = os.environ.get("BENCH_RESULTS", os.path.join(HERE, "results.md"))
CLOCK = os.environ.get("CLOCK", "cpu").strip().lower() or "cpu"
if CLOCK not in ("cpu", "wall"):
    sys.exit("bench: CLOCK must be cpu or wall")
CLOCK_NAME = {"cpu": "processor", "wall": "wall-clock"}
OTHER_CLOCK = "wall" if CLOCK == "cpu" else "cpu"
CLOCK_TEXT = {
    "cpu": "processor time (user + system) of each run, which a busy shared machine "
           "disturbs much less than wall-clock time",
    "wall": "wall-clock time of each run",
}
ONLY_PEERS = os.environ.get("PEERS", "").split()
ONLY_WORKLOADS = [w.upper() for w in os.environ.get("WORKLOADS", "").split()]


# ---------------------------------------------------------------- statements

def statements(workload, n):
    """Canonical statement count of one run of the neutral listing at size n:
    every executed line counts 1 (WHILE tests including the last failing one,
    WEND, assignments, PRINT, DIM), a single-line IF counts 1 plus 1 when its
    statement runs, a label counts 0, a call counts 3 (call, entry, return)."""
    if workload == "W1":
        # s=0, i=0, the failing WHILE, PRINT; per iteration WHILE, i=, s=, IF, WEND;
        # the THEN branch runs once per 10^9 that the running total passes.
        return 4 + 5 * n + (n * (n + 1) // 2) // 1_000_000_000
    if workload == "W2":
        # t=, p=, failing outer WHILE, PRINT; per pass WHILE, p=, x=, i=,
        # 10,000 x (WHILE, i=, x=, WEND), failing inner WHILE, t=, WEND.
        return 4 + 40_007 * n
    if workload == "W3":
        # c=, k=, m$=, failing outer WHILE, PRINT; per pass WHILE, k=, s$=, j=,
        # 200 x (WHILE, s$=, j=, WEND), failing inner WHILE, l=, m$=, c=, WEND.
        return 5 + 809 * n
    if workload == "W4":
        # s=, i=, failing WHILE, PRINT; per iteration WHILE, i=, call, entry,
        # return, WEND.
        return 4 + 6 * n
    if workload == "W5":
        # DIM, s=, p=, failing outer WHILE, PRINT; per pass WHILE, p=, k=,
        # 10,000 x 4 + 1, s=, k=, 10,000 x 4 + 1, WEND.
        return 5 + 80_008 * n
    if workload == "W6":
        # i=, s=, PRINT; per iteration i=, s=, IF (the jump counts with it).
        return 3 + 3 * n
    raise ValueError(workload)


# ----------------------------------------------------------------- checksums

def x10000():
    x = 0.0
    i = 0
    while i < 10000:
        i += 1
        x = x * 1.000001 + 0.5
    return x


_X10000 = x10000()


def expected(workload, n):
    """The checksum as a list of tokens (numbers as int or float)."""
    if workload == "W1":
        return [(n * (n + 1) // 2) % 1_000_000_000]
    if workload == "W2":
        t = 0.0
        for _ in range(n):
            t = t + _X10000
        return [t]
    if workload == "W3":
        return [286 * n, "VWXYZABCDE"]
    if workload == "W4":
        return [3 * n]
    if workload == "W5":
        return [49_995_000 + 10_000 * n]
    if workload == "W6":
        return [n, 3 * n]
    raise ValueError(workload)


def checksum_line(output):
    """The last line that is not empty and not a diagnostic of the peer
    (brandy writes heap.c lines to standard error, bwbasic a banner first)."""
    lines = [line.replace("\r", "").strip() for line in output.splitlines()]
    lines = [line for line in lines if line and not line.startswith("heap.c:")]
    return lines[-1] if lines else ""


def check(workload, n, output, tolerance):
    """Returns None when the output holds the right checksum, else a reason."""
    line = checksum_line(output)
    tokens = line.split()
    want = expected(workload, n)
    if len(tokens) != len(want):
        return f"checksum {line!r}, expected {format_expected(want)}"
    for got, exp in zip(tokens, want):
        if isinstance(exp, str):
            if got != exp:
                return f"checksum {line!r}, expected {format_expected(want)}"
            continue
        try:
            value = float(got)
        except ValueError:
            return f"checksum {line!r} is not a number, expected {format_expected(want)}"
        if isinstance(exp, float):
            if abs(value - exp) > tolerance * abs(exp):
                return (f"checksum {line!r}, expected {exp!r} "
                        f"(relative tolerance {tolerance:g})")
        elif value != exp:
            return f"checksum {line!r}, expected {format_expected(want)}"
    return None


def format_expected(want):
    return " ".join(repr(t) if isinstance(t, float) else str(t) for t in want)


# -------------------------------------------------------------- implementors

class Impl:
    def __init__(self, name, command, tolerance, ext=None, env=None, size_env=None):
        self.name = name
        self.command = command      # function (workload, n) -> argv
        self.tolerance = tolerance  # relative tolerance of the W2 checksum
        self.env = env or {}
        self.size_env = size_env    # the size goes in this variable (bwbasic)

    def run(self, workload, n):
        env = dict(os.environ)
        env.update(self.env)
        if self.size_env:
            env[self.size_env] = str(n)
        argv = self.command(workload, n)
        # The runs are sequential, so the difference of the children's usage
        # before and after is this run's processor time.
        usage = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        try:
            proc = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, env=env, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return Timing(time.perf_counter() - start, usage), f"timed out after {TIMEOUT:g} s"
        except OSError as err:
            return Timing(0.0, usage), f"could not start: {err}"
        timing = Timing(time.perf_counter() - start, usage)
        output = proc.stdout.decode("latin-1") + "\n" + proc.stderr.decode("latin-1")
        if proc.returncode != 0:
            tail = checksum_line(output)
            return timing, f"exit code {proc.returncode} ({tail!r})"
        return timing, check(workload, n, output, self.tolerance)


class Timing:
    """Wall-clock and processor seconds (user + system) of one run."""

    def __init__(self, wall, usage_before):
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.wall = wall
        self.cpu = ((after.ru_utime - usage_before.ru_utime)
                    + (after.ru_stime - usage_before.ru_stime))

    @property
    def seconds(self):
        """The seconds that the figures use (CLOCK=cpu or wall)."""
        return self.wall if CLOCK == "wall" else self.cpu

    @property
    def other_seconds(self):
        return self.cpu if CLOCK == "wall" else self.wall


def peer(name, workload):
    return os.path.join(PEERS_DIR, f"{workload.lower()}.{name}")


def make_impls():
    impls = {}
    impls["talven"] = Impl(
        "talven", lambda w, n: [os.path.join(RUNTIME_DIR, w.lower()), str(n)], 1e-6)
    table = {
        "lua": ("lua5.4", lambda w, n: ["lua5.4", peer("lua", w), str(n)], {}, None),
        "python3": ("/usr/bin/python3",
                    lambda w, n: ["/usr/bin/python3", peer("py", w), str(n)], {}, None),
        "perl": ("perl", lambda w, n: ["perl", peer("pl", w), str(n)], {}, None),
        "yabasic": ("yabasic", lambda w, n: ["yabasic", peer("yab", w), str(n)], {}, None),
        "brandy": ("brandy",
                   lambda w, n: ["brandy", "-quit", peer("bbc", w), "--", str(n)],
                   {"SDL_VIDEODRIVER": "dummy", "SDL_AUDIODRIVER": "dummy"}, None),
        "bwbasic": ("bwbasic", lambda w, n: ["bwbasic", peer("bas", w)], {}, "BENCH_N"),
    }
    skipped = []
    for name in PEER_ORDER:
        if ONLY_PEERS and name not in ONLY_PEERS:
            continue
        binary, command, env, size_env = table[name]
        if not which(binary):
            skipped.append(name)
            continue
        impls[name] = Impl(name, command, 1e-9, env=env, size_env=size_env)
    return impls, skipped


def which(binary):
    if os.path.isabs(binary):
        return os.access(binary, os.X_OK)
    for d in os.environ.get("PATH", "").split(os.pathsep):
        if os.access(os.path.join(d, binary), os.X_OK):
            return True
    return False


# ----------------------------------------------------------------- the sizes

def peer_size(name, workload):
    n = FULL_SIZE[workload] // DIVISOR[name][workload]
    if QUICK:
        n = max(1, n // QUICK_DIVISOR)
    return n


def round_size(n):
    """Rounds to two significant digits, so that the sizes read well."""
    if n < 100:
        return max(1, int(n))
    digits = int(math.floor(math.log10(n))) - 1
    return int(round(n / 10**digits) * 10**digits)


def calibrate(impl, workload, failures):
    """Finds a size at which one run of the runtime takes about TARGET_SECONDS."""
    fixed = os.environ.get(f"TALVEN_{workload}", "").strip()
    if fixed:
        return int(fixed), None
    n = CALIBRATION_START[workload]
    limit = SIZE_LIMIT[workload]
    while True:
        timing, error = impl.run(workload, n)
        seconds = timing.seconds
        if error:
            failures.append(("talven", workload, "calibration", n, error))
            return None, error
        if seconds >= TARGET_SECONDS / 8 or n >= limit:
            break
        n = min(limit, n * 4)
    n = round_size(n * TARGET_SECONDS / max(seconds, 1e-3))
    return max(1, min(limit, n)), None


# --------------------------------------------------------------------- table

def fmt_rate(value):
    if value is None:
        return "—"
    if value >= 100:
        return f"{value:.0f}"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 1:
        return f"{value:.2f}"
    return f"{value:.3f}"


def fmt_ratio(value):
    if value is None:
        return "—"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 1:
        return f"{value:.2f}"
    return f"{value:.3f}"


def median(values):
    return statistics.median(values) if values else None


def main():
    impls, skipped = make_impls()
    names = list(impls)
    workloads = [w for w in WORKLOADS if not ONLY_WORKLOADS or w in ONLY_WORKLOADS]
    failures = []   # (impl, workload, round, size, reason)
    sizes = {}      # (impl, workload) -> n
    times = {}      # (impl, workload) -> [seconds of valid runs, by CLOCK]
    others = {}     # (impl, workload) -> [seconds of valid runs, by the other clock]
    started = datetime.datetime.now()
    load_before = os.getloadavg()

    mode = "QUICK" if QUICK else "full"
    print(f"bench: {mode} mode, {ROUNDS} round(s), runtime target {TARGET_SECONDS:g} s per run",
          flush=True)
    if skipped:
        print(f"bench: skipped (not installed): {', '.join(skipped)}", flush=True)

    for w in workloads:
        for name in names:
            if name == "talven":
                n, error = calibrate(impls[name], w, failures)
                if error:
                    print(f"  {w} talven: calibration failed: {error}", flush=True)
            else:
                n = peer_size(name, w)
            sizes[(name, w)] = n
            times[(name, w)] = []
            others[(name, w)] = []
        print(f"  {w} sizes: " + ", ".join(
            f"{name} {sizes[(name, w)]}" for name in names if sizes[(name, w)]), flush=True)

    for r in range(1, ROUNDS + 1):
        for w in workloads:
            # Rotate the order each round, so that no one always runs after the same one.
            order = names[(r - 1) % len(names):] + names[:(r - 1) % len(names)]
            for name in order:
                n = sizes[(name, w)]
                if not n:
                    continue
                timing, error = impls[name].run(w, n)
                seconds = timing.seconds
                if error:
                    failures.append((name, w, r, n, error))
                    print(f"  round {r} {w} {name:8} n={n}: NOT COUNTED: {error}", flush=True)
                else:
                    times[(name, w)].append(seconds)
                    others[(name, w)].append(timing.other_seconds)
                    rate = statements(w, n) / max(seconds, 1e-6) / 1e6
                    print(f"  round {r} {w} {name:8} n={n}: {timing.cpu:.3f} s processor, "
                          f"{timing.wall:.3f} s wall, {rate:.2f} M statements/s", flush=True)

    load_after = os.getloadavg()
    finished = datetime.datetime.now()
    report = build_report(names, workloads, sizes, times, others, failures, skipped,
                          started, finished, load_before, load_after)
    print()
    print(report)
    with open(RESULTS, "w", encoding="utf-8") as f:
        f.write(report)
    print(f"bench: table written to {os.path.relpath(RESULTS)}")
    return 1 if failures else 0


def source_state():
    """The commit the runtime was built from, and whether its sources had
    changes that were not committed yet (the tree is shared)."""
    repo = os.path.dirname(HERE)
    try:
        head = subprocess.run(["git", "-C", repo, "rev-parse", "--short", "HEAD"],
                              capture_output=True, text=True, check=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", repo, "status", "--porcelain", "--", "src",
                                "CMakeLists.txt", "cmake"],
                               capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "an unknown commit"
    return f"commit {head}" + (" with uncommitted changes in the sources" if dirty else "")


def build_report(names, workloads, sizes, times, others, failures, skipped,
                 started, finished, load_before, load_after):
    peers = [n for n in names if n != "talven"]
    rate = {}
    for name in names:
        for w in workloads:
            secs = median(times[(name, w)])
            n = sizes[(name, w)]
            rate[(name, w)] = statements(w, n) / secs / 1e6 if secs and n else None

    out = []
    mode = "QUICK (smoke test, sizes too small to mean much)" if QUICK else "full"
    out.append("# Benchmark results")
    out.append("")
    out.append(f"Run {started:%Y-%m-%d %H:%M}–{finished:%H:%M}, {mode} mode, "
               f"{ROUNDS} interleaved round(s), medians of the counted runs. "
               f"Machine: {platform.machine()}, {os.cpu_count()} cores, load average "
               f"{load_before[0]:.2f} at the start and {load_after[0]:.2f} at the end. "
               f"Runtime: Release build of {source_state()}, size calibrated to about {TARGET_SECONDS:g} s per run. "
               f"Clock: {CLOCK_TEXT[CLOCK]}.")
    out.append("")
    out.append("## Million statements per second (median)")
    out.append("")
    header = "| workload | talven | " + " | ".join(peers) + " |"
    out.append(header)
    out.append("|---|" + "---:|" * (1 + len(peers)))
    for w in workloads:
        cells = [fmt_rate(rate[("talven", w)])] + [fmt_rate(rate[(p, w)]) for p in peers]
        out.append(f"| {w} {TITLES[w]} | " + " | ".join(cells) + " |")
    out.append("")
    out.append("## Ratio talven / peer (statements per second)")
    out.append("")
    out.append("| workload | " + " | ".join(peers) + " |")
    out.append("|---|" + "---:|" * len(peers))
    for w in workloads:
        cells = []
        for p in peers:
            a, b = rate[("talven", w)], rate[(p, w)]
            cells.append(fmt_ratio(a / b) if a and b else "—")
        out.append(f"| {w} {TITLES[w]} | " + " | ".join(cells) + " |")
    out.append("")
    for title, table in ((f"Median {CLOCK_NAME[CLOCK]} seconds per run (size in parentheses)", times),
                         (f"Median {CLOCK_NAME[OTHER_CLOCK]} seconds per run, for comparison",
                          others)):
        out.append(f"## {title}")
        out.append("")
        out.append("| workload | talven | " + " | ".join(peers) + " |")
        out.append("|---|" + "---:|" * (1 + len(peers)))
        for w in workloads:
            cells = []
            for name in names:
                secs = median(table[(name, w)])
                n = sizes[(name, w)]
                if secs is None:
                    cells.append(f"— ({n})" if n else "—")
                else:
                    cells.append(f"{secs:.3f} ({n})")
            out.append(f"| {w} {TITLES[w]} | " + " | ".join(cells) + " |")
        out.append("")
    out.append("## Runs not counted")
    out.append("")
    if failures:
        for name, w, r, n, reason in failures:
            where = "calibration" if r == "calibration" else f"round {r}"
            out.append(f"- {w} {name}, {where}, size {n}: {reason}")
    else:
        out.append("None: every checksum was right.")
    if skipped:
        out.append("")
        out.append(f"Peers skipped (not installed): {', '.join(skipped)}.")
    out.append("")
    return "\n".join(out)


if __name__ == "__main__":
    sys.exit(main())
