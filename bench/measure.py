"""How bench/run.py measures one run and one group of runs.

A run's wall time is taken around the process; its CPU time is the process's own (with its
waited-for children) plus, for a Wine program, what the Wine server of the run's own prefix
used meanwhile: that server opens, reads and writes for every file a Wine program touches,
in a process of its own. Other Wine servers on the machine (other prefixes, other sessions)
are never counted. Peak memory is the largest resident set of the measured process itself,
taken by /usr/bin/time around it: the rusage of a child forked straight from Python would
start from the forked Python's own resident set (about 15 MB). For a Wine program that is
the Windows process (Wine's own mappings included), which bounds what one engine call uses.

Around each group of runs the machine's load average is read, and from /proc/stat the CPU
that processes other than the measured ones and this script used meanwhile ("others"), in
cores: the load average counts the benchmark's own runs too.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

TICK = os.sysconf("SC_CLK_TCK")
TIME = "/usr/bin/time"


def wine_server_pid(prefix):
    """The Linux process id of the Wine server of `prefix`, or None: a server works in its
    socket folder, named after the prefix's device and inode (server-<dev>-<inode>, hex)."""
    st = os.stat(prefix)
    folder = f"server-{st.st_dev:x}-{st.st_ino:x}"
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
            if os.path.basename(os.readlink(f"/proc/{pid}/cwd")) == folder:
                return int(pid)
        except OSError:
            continue
    return None


def process_ticks(pid):
    """User plus system clock ticks a process has used, or None when it has gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
    except OSError:
        return None
    fields = stat[stat.rindex(")") + 2:].split()
    return int(fields[11]) + int(fields[12])


class Sample:
    """One run: seconds of wall time, of the process's CPU and of its Wine server's CPU,
    peak resident megabytes, and the output when it is read."""

    def __init__(self, wall, cpu, server, peak_mb, output):
        self.wall, self.cpu, self.server, self.peak_mb = wall, cpu, server, peak_mb
        self.output = output
        self.measured_cpu = cpu + server  # as run, before any reading of the output

    @property
    def total_cpu(self):
        return self.cpu + self.server


class WineServer:
    """The server of the benchmark's own prefix, looked up again for every run so a server
    that was restarted is still found."""

    def __init__(self, prefix):
        self.prefix = prefix

    def pid(self):
        pid = wine_server_pid(self.prefix)
        if pid is None:
            sys.exit(f"no wine server runs for the prefix {self.prefix}")
        return pid


def failure_report(code, argv, text):
    """What a failed run said: its beginning, where Wine puts the exception and the backtrace
    of a crash (the module and thread lists follow), and the whole of it kept in a file."""
    fd, path = tempfile.mkstemp(prefix="kelvora-bench-failed-", suffix=".log")
    with os.fdopen(fd, "w") as f:
        f.write(text)
    head = text[:3000] + ("\n[...]" if len(text) > 3000 else "")
    return f"failed ({code}): {' '.join(argv)}\n{head}\n(all of its output: {path})"


def run_once(argv, cwd, server, before=None, capture=False):
    """Runs a command once. Output nobody reads goes to /dev/null: writing a listing into a
    file costs unzip -l more than the listing itself."""
    if before:
        before()
    pid = server.pid() if argv[0] == "wine" else None
    ticks = process_ticks(pid) if pid else 0
    with tempfile.TemporaryFile() as out, tempfile.NamedTemporaryFile("r") as peak:
        start = time.monotonic()
        proc = subprocess.Popen([TIME, "-f", "%M", "-o", peak.name] + argv, cwd=cwd,
                                stdout=out if capture else subprocess.DEVNULL, stderr=out,
                                stdin=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.monotonic() - start
        code = proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
        # time writes "Command exited with non-zero status N" before the figure on failure.
        lines = [line for line in peak.read().splitlines() if line.strip()]
    if code != 0 or not lines:
        sys.exit(failure_report(code, argv, text))
    server_seconds = 0.0
    if pid:
        after = process_ticks(pid)
        if after is None:
            sys.exit(f"the wine server {pid} ended during: {' '.join(argv)}")
        server_seconds = (after - ticks) / TICK
    return Sample(wall, usage.ru_utime + usage.ru_stime, server_seconds, int(lines[-1]) / 1024,
                  text)


class Tool:
    """One contender of a comparison: how to run it, and optionally how to read its figures
    from its own output (`adjust` returns the sample corrected)."""

    def __init__(self, name, argv, cwd, before=None, adjust=None):
        self.name, self.argv, self.cwd, self.before = name, argv, cwd, before
        self.adjust = adjust
        self.samples = []

    def spread(self, what):
        """(min, median, max) of a figure over the runs."""
        values = [what(s) for s in self.samples]
        return min(values), statistics.median(values), max(values)

    def median(self, what):
        return self.spread(what)[1]

    def paired(self, other, what):
        """(min, median, max) of run i of this tool against run i of `other`: the runs
        were taken in turns, so a pair saw the same state of the machine."""
        ratios = [what(a) / what(b) if what(b) > 0 else float("nan")
                  for a, b in zip(self.samples, other.samples)]
        return min(ratios), statistics.median(ratios), max(ratios)


def machine():
    """(1-minute load average, CPU seconds all processors have been busy so far)."""
    with open("/proc/loadavg") as f:
        load = float(f.read().split()[0])
    with open("/proc/stat") as f:
        fields = [int(v) for v in f.readline().split()[1:]]
    busy = sum(fields[:3]) + sum(fields[5:8])  # user nice system, irq softirq steal
    return load, busy / TICK


# A group ran on a busy machine when the load average was above this before it started, or
# when other processes kept more than OTHERS_BUSY cores busy while it ran. The load average
# after a group is printed but not judged: the group's own runs raise it (a two-thread
# engine to about 2), so it would mark every group busy on an idle machine.
LOAD_BUSY, OTHERS_BUSY = 0.5, 0.25


class Group:
    """The machine around one group of runs: the load average before and after, and the
    cores that everything else on the machine kept busy meanwhile."""

    def __init__(self, name, load_before, load_after, others):
        self.name, self.load_before, self.load_after = name, load_before, load_after
        self.others = others

    @property
    def busy(self):
        return self.load_before > LOAD_BUSY or self.others > OTHERS_BUSY

    def text(self):
        return f"{self.load_before:.2f}->{self.load_after:.2f}, others {self.others:.2f}"


def interleave(name, tools, runs, server, settle=0):
    """Runs each tool `runs` times in turns (ours, peer, peer, ours, ...), so a change of
    the machine's speed hits all of them. With `settle`, first waits up to that many
    seconds for the load average to fall to 0.5."""
    deadline = time.monotonic() + settle
    while machine()[0] > LOAD_BUSY and time.monotonic() < deadline:
        time.sleep(5)
    load_before, busy_before = machine()
    start = time.monotonic()
    mine = os.times()  # this script's own work (clearing the output folder) is not others'
    measured = 0.0
    for _ in range(runs):
        for tool in tools:
            sample = run_once(tool.argv, tool.cwd, server, tool.before, tool.adjust is not None)
            measured += sample.measured_cpu
            tool.samples.append(tool.adjust(sample) if tool.adjust else sample)
    load_after, busy_after = machine()
    measured += os.times().user + os.times().system - mine.user - mine.system
    others = max(0.0, busy_after - busy_before - measured) / max(time.monotonic() - start, 1e-9)
    return Group(name, load_before, load_after, others)
