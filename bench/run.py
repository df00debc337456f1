#!/usr/bin/env python3
"""Runs every benchmark and prints one table; started by bench/run.sh, which builds the
drivers and starts Wine first.

Each comparison runs our program and its peers in turns (ours, peer, peer, ours, ...), so a
change of machine speed during the run hits all of them, and reports medians of the runs.
Every run writes into folders of its own (a temporary folder and one in /dev/shm for
extracted files); the corpora are built once into a cache folder and only read afterwards.
For each tool the table gives its CPU time over its wall time: about 1 means it ran on one
thread, about 2 that it kept two busy. Peak memory is the largest resident set of the
process (Wine's own mappings included), which bounds what one engine call uses.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def win(path):
    return "Z:" + path.replace("/", "\\")


class Sample:
    def __init__(self, wall, cpu, rss_mb, output, server_cpu=0.0):
        self.wall, self.cpu, self.rss_mb, self.output = wall, cpu, rss_mb, output
        self.server_cpu = server_cpu


def server_cpu():
    """CPU seconds the wine server has used so far: it works for every file a Wine program
    opens, in a process of its own that the program's own CPU time leaves out."""
    total = 0.0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        if stat[stat.index("(") + 1:stat.rindex(")")].startswith("wineserver"):
            fields = stat[stat.rindex(")") + 2:].split()
            total += (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return total


def run_once(argv, cwd, before=None, capture=False):
    """Runs a command once. Output nobody reads goes to /dev/null: writing a listing into a
    file costs unzip -l more than the listing itself."""
    if before:
        before()
    server_before = server_cpu() if argv[0] == "wine" else 0.0
    start = time.monotonic()
    with tempfile.TemporaryFile() as out:
        proc = subprocess.Popen(argv, cwd=cwd, stdout=out if capture else subprocess.DEVNULL,
                                stderr=out, stdin=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        wall = time.monotonic() - start
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {' '.join(argv)}\n{text[-2000:]}")
    server = server_cpu() - server_before if argv[0] == "wine" else 0.0
    return Sample(wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024, text, server)


class Tool:
    """One contender of a comparison: how to run it and how to read its time."""

    def __init__(self, name, argv, cwd, before=None, seconds=None):
        self.name, self.argv, self.cwd, self.before = name, argv, cwd, before
        self.seconds = seconds or (lambda sample: sample.wall)
        self.capture = seconds is not None  # the time is read from the output
        self.samples = []

    def median(self, what):
        return statistics.median(what(s) for s in self.samples)

    @property
    def time(self):
        return statistics.median(self.seconds(s) for s in self.samples)

    @property
    def threads(self):
        return self.median(lambda s: s.cpu / s.wall if s.wall > 0 else 0)

    @property
    def server(self):
        return self.median(lambda s: s.server_cpu)

    @property
    def cpu(self):
        return self.median(lambda s: s.cpu)

    @property
    def peak_mb(self):
        return max(s.rss_mb for s in self.samples)


def interleave(tools, runs):
    for _ in range(runs):
        for tool in tools:
            tool.samples.append(run_once(tool.argv, tool.cwd, tool.before, tool.capture))


class Table:
    def __init__(self):
        self.rows = []

    def add(self, operation, ours, peer=None, target=None, sizes=None, note=""):
        row = [operation, f"{ours.time:.2f}", "", "", "", "", "", f"{ours.peak_mb:.0f}",
               f"{ours.threads:.1f}", f"{ours.server:.1f}", "", note]
        if peer:
            ratio = ours.time / peer.time if peer.time > 0 else float("nan")
            row[2:5] = [peer.name, f"{peer.time:.2f}", f"{ratio:.2f}"]
            if target is not None:
                row[5] = f"{'met' if ratio <= target else 'MISSED'} (<= {target:.2f})"
            row[10] = f"{peer.threads:.1f}"
        if sizes:
            row[6] = f"{sizes[0]:,} / {sizes[1]:,} = {sizes[0] / sizes[1]:.4f}"
        self.rows.append(row)

    def print(self):
        head = ["operation", "ours s", "peer", "peer s", "ratio", "target", "bytes ours / peer",
                "ours peak MB", "ours cpu/wall", "server cpu s", "peer cpu/wall", "note"]
        widths = [max(len(str(r[i])) for r in [head] + self.rows) for i in range(len(head))]
        for r in [head] + self.rows:
            print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def make_archive(path, argv, cwd):
    if not os.path.exists(path):
        subprocess.run(argv, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def make_members100k(path):
    if os.path.exists(path):
        return
    import random
    import zipfile
    random.seed(7)
    with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(100000):
            folder = f"dir{i % 97:02d}/sub{i % 13}/"
            ext = random.choice([".txt", ".c", ".h", ".bmp", ".dll", ".exe", ".html", ".gif"])
            z.writestr(folder + f"file{i:06d}{ext}", f"member {i} " * random.randint(1, 20))
    os.rename(path + ".part", path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--bin", required=True, help="the build's bin folder")
    ap.add_argument("--floors", required=True, help="folder of the floor programs")
    ap.add_argument("--skip-big", action="store_true", help="leave out the 4.5 GiB member")
    args = ap.parse_args()

    corpus, runs = args.corpus, args.runs
    work = tempfile.mkdtemp(prefix="kelvora-bench-")
    out = tempfile.mkdtemp(prefix="kelvora-bench-out-",
                           dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    zipdrive = os.path.join(args.bin, "zipdrive.exe")
    unzdrive = os.path.join(args.bin, "unzdrive.exe")
    listbench = os.path.join(args.bin, "listbench.exe")
    print(f"run folder {work}, extraction folder {out}, corpora {corpus}")
    print(f"{os.cpu_count()} processors; load average before: {load()}")

    def clean_out():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)

    def removing(path):
        return lambda: os.path.exists(path) and os.remove(path)

    def size(path):
        return os.path.getsize(path)

    table = Table()

    # Wine's start-up: a driver run that does nothing (an archive without members).
    nothing = os.path.join(work, "nothing.zip")
    with open(nothing, "wb") as f:
        f.write(b"PK\x05\x06" + bytes(18))
    startup = Tool("wine start-up", ["wine", unzdrive, "-t", win(nothing)], work)
    interleave([startup], runs)
    print(f"Wine start-up (a driver with nothing to do): {startup.time:.2f} s")

    # Adding: the mixed corpus at levels 9 and 6, the small files at level 6. Level 0 (store)
    # shows what the file calls alone cost under Wine. The CPU floor is all the CPU time
    # a run needs, ours and the wine server's, shared by every processor: the wall time
    # cannot fall below it without doing less work.
    processors = os.cpu_count() or 1
    targets = {(9, "zip"): 0.60, (6, "bsdtar"): 0.75}
    for corpus_name, level, peers in (("mixed", 9, ["zip"]), ("mixed", 6, ["bsdtar", "zip"]),
                                      ("mixed", 0, []), ("small", 6, ["bsdtar", "zip"])):
        ours_zip = os.path.join(work, f"ours-{corpus_name}-{level}.zip")
        ours = Tool("ours", ["wine", zipdrive, "-r", "-p", f"-{level}", win(ours_zip),
                             corpus_name], corpus, removing(ours_zip))
        tools = [ours]
        for peer in peers:
            archive = os.path.join(work, f"{peer}-{corpus_name}-{level}.zip")
            if peer == "zip":
                argv = ["zip", "-q", "-r", f"-{level}", archive, corpus_name]
            else:  # libarchive's zip writer deflates at zlib's default level, 6
                argv = ["bsdtar", "-a", "-cf", archive, corpus_name]
            tools.append(Tool(peer, argv, corpus, removing(archive)))
        interleave(tools, runs)
        subprocess.run(["unzip", "-tq", ours_zip], check=True, stdout=subprocess.DEVNULL)
        floor = f"cpu floor {(ours.cpu + ours.server) / processors:.2f} s"
        if len(tools) == 1:
            table.add(f"add {corpus_name} -{level}", ours, note=floor + "; store only")
        for peer in tools[1:]:
            peer_zip = os.path.join(work, f"{peer.name}-{corpus_name}-{level}.zip")
            goal = targets.get((level, peer.name)) if corpus_name == "mixed" else None
            note = floor + ("; size target <= 1.005" if peer.name == "zip" else "")
            table.add(f"add {corpus_name} -{level}", ours, peer, goal,
                      (size(ours_zip), size(peer_zip)), note)

    # The archives that testing, extracting and opening read: made once, by zip -6.
    archives = {}
    for corpus_name in ("mixed", "small"):
        archives[corpus_name] = os.path.join(corpus, f"{corpus_name}.zip")
        make_archive(archives[corpus_name],
                     ["zip", "-q", "-r", "-6", archives[corpus_name] + ".part.zip", corpus_name],
                     corpus)
        if os.path.exists(archives[corpus_name] + ".part.zip"):
            os.rename(archives[corpus_name] + ".part.zip", archives[corpus_name])

    for corpus_name, archive in archives.items():
        ours = Tool("ours", ["wine", unzdrive, "-t", win(archive)], work)
        seven = Tool("7z t", ["7z", "t", "-bd", archive], work)
        unzip = Tool("unzip -t", ["unzip", "-tq", archive], work)
        interleave([ours, seven, unzip], runs)
        table.add(f"test {corpus_name}", ours, seven, 0.5 if corpus_name == "mixed" else None)
        table.add(f"test {corpus_name}", ours, unzip)

    for corpus_name, archive in archives.items():
        ours = Tool("ours", ["wine", unzdrive, "-x", win(out), win(archive)], work, clean_out)
        # The floor's own clock leaves out loading the bytes; Wine's start-up is added.
        floor = Tool("floor", ["wine", os.path.join(args.floors, "extract-floor.exe"),
                               win(os.path.join(corpus, corpus_name)), win(out)], work, clean_out,
                     lambda s: float(s.output.split()[1]) + startup.time)
        unzip = Tool("unzip", ["unzip", "-q", "-o", archive, "-d", out], work, clean_out)
        seven = Tool("7z x", ["7z", "x", "-y", "-bd", f"-o{out}", archive], work, clean_out)
        interleave([ours, floor, unzip, seven], runs)
        table.add(f"extract {corpus_name}", ours, floor, 1.15,
                  note="floor: Wine start-up + the same file calls, bytes ready in memory")
        table.add(f"extract {corpus_name}", ours, unzip)
        table.add(f"extract {corpus_name}", ours, seven)
    clean_out()

    # Opening 100,000 members: in the program, from the command to the painted list.
    members = os.path.join(corpus, "members100k.zip")
    make_members100k(members)

    def opened(sample):
        for line in sample.output.splitlines():
            if line.startswith("open-to-filled-list"):
                return float(line.split()[1])
        sys.exit("listbench printed no time:\n" + sample.output)

    ours = Tool("ours", ["wine", listbench, win(members)], args.bin, seconds=opened)
    unzip = Tool("unzip -l", ["unzip", "-l", members], work)
    interleave([ours, unzip], runs)
    table.add("open 100,000 members", ours, unzip, 1.0,
              note="ours: in-process, command to painted list; unzip: whole process")

    if not args.skip_big:
        # One member of 4.5 GiB (zeros, read from a sparse file): memory stays bounded.
        big_dir = os.path.join(work, "big")
        os.makedirs(big_dir)
        with open(os.path.join(big_dir, "huge.bin"), "wb") as f:
            f.truncate(4608 << 20)
        big_zip = os.path.join(work, "big.zip")
        add = Tool("ours", ["wine", zipdrive, "-r", "-p", "-6", win(big_zip), "big"], work)
        interleave([add], 1)
        test = Tool("ours", ["wine", unzdrive, "-t", win(big_zip)], work)
        interleave([test], 1)
        extract = Tool("ours", ["wine", unzdrive, "-x", win(out), win(big_zip)], work,
                       clean_out)
        interleave([extract], 1)
        unzip_t = Tool("unzip -t", ["unzip", "-tq", big_zip], work)
        interleave([unzip_t], 1)
        table.add("add 4.5 GiB member -6", add, note="zeros; peak memory target < 256 MB")
        table.add("test 4.5 GiB member", test, unzip_t, note="peak memory target < 256 MB")
        table.add("extract 4.5 GiB member", extract, note="peak memory target < 256 MB")
        clean_out()

    print(f"load average after: {load()}; medians of {runs} runs\n")
    table.print()
    shutil.rmtree(out, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
