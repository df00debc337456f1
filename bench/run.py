#!/usr/bin/env python3
"""Runs every benchmark and prints one table; started by bench/run.sh, which builds the
drivers and floors and starts Wine first.

Each comparison runs our program and its peers in turns (ours, peer, peer, ours, ...), and
every row gives the minimum, median and maximum of its runs; a ratio is the median of the
paired ratios (run i against run i), its spread in brackets. CPU is the process's own plus
its own Wine server's (bench/measure.py says how each figure is taken). 7-Zip's Windows
build (7z.exe) runs under the same Wine prefix and server as our engines, paying the same
price per file; the native tools do not. Every run writes
into folders of its own (a temporary folder and one in /dev/shm for extracted files); the
corpora are built once into a cache folder and only read afterwards.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

from measure import LOAD_BUSY, OTHERS_BUSY, Tool, WineServer, interleave

SECTIONS = ("add", "test", "extract", "open", "big")


def win(path):
    return "Z:" + path.replace("/", "\\")


def spread(low, median, high, digits=2):
    return f"{median:.{digits}f} [{low:.{digits}f}-{high:.{digits}f}]"


def wall(s):
    return s.wall


def cpu(s):
    return s.total_cpu


class Table:
    HEAD = ["operation", "ours s", "peer", "peer s", "time ratio", "ours cpu s", "peer cpu s",
            "cpu ratio", "bytes ours / peer", "peak MB ours/peer", "targets",
            "load before->after", "note"]

    def __init__(self):
        self.rows, self.groups, self.warnings = [], [], []

    def add(self, operation, group, ours, peer=None, targets=None, sizes=None, note="",
            same_work=True):
        """`targets` maps "time", "cpu", "size" or "peak" to the most the row may show;
        without `same_work` the two CPU figures cover different work and are not compared."""
        targets = targets or {}
        figures = {"peak": ours.spread(lambda s: s.peak_mb)[2]}
        row = dict.fromkeys(self.HEAD, "")
        row.update({"operation": operation, "ours s": spread(*ours.spread(wall)),
                    "ours cpu s": spread(*ours.spread(cpu)), "note": note,
                    "load before->after": group.text()})
        peak = f"{figures['peak']:.0f}"
        if peer:
            figures["time"] = ours.paired(peer, wall)[1]
            if same_work:
                figures["cpu"] = ours.paired(peer, cpu)[1]
            peak += f" / {peer.spread(lambda s: s.peak_mb)[2]:.0f}"
            row.update({"peer": peer.name, "peer s": spread(*peer.spread(wall)),
                        "time ratio": spread(*ours.paired(peer, wall)),
                        "peer cpu s": spread(*peer.spread(cpu))})
            if same_work:
                row["cpu ratio"] = spread(*ours.paired(peer, cpu))
        row["peak MB ours/peer"] = peak
        if sizes:
            figures["size"] = sizes[0] / sizes[1]
            row["bytes ours / peer"] = f"{sizes[0]:,} / {sizes[1]:,} = {figures['size']:.4f}"
        row["targets"] = "; ".join(
            f"{what} {'met' if figures[what] <= most else 'MISSED'} (<= {most:g})"
            for what, most in targets.items())
        self.rows.append([row[h] for h in self.HEAD])
        if group.name not in self.groups:
            self.groups.append(group.name)
            if group.busy:
                self.warnings.append(group.name)

    def print(self, groups):
        print("machine: " + (f"BUSY around {len(self.warnings)} of {len(self.groups)} groups "
                             "of runs" if self.warnings else
                             f"quiet (load average at most {LOAD_BUSY} before every "
                             f"group, other processes under {OTHERS_BUSY} cores during "
                             "each)"))
        widths = [max(len(str(r[i])) for r in [self.HEAD] + self.rows)
                  for i in range(len(self.HEAD))]
        for r in [self.HEAD] + self.rows:
            print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())
        for name in self.warnings:
            print(f"WARNING: '{name}' ran on a busy machine (load {groups[name].text()} cores)")
        if self.warnings:
            print("(the benchmark's own runs raise the load average too: 'others' are the cores "
                  "other processes used meanwhile; a two-thread engine loses most when the cores "
                  "are shared, so take the table again on a quiet machine, e.g. with --settle 120)")


def floor_figures(output):
    """(seconds, CPU seconds, its wine server's CPU seconds) of the extraction floor's timed
    part, from its line "floor S s cpu C s server-ticks T: ..."."""
    words = output.split()
    try:
        at = words.index("floor")
        seconds, cpu_s = float(words[at + 1]), float(words[at + 4])
        ticks = int(words[at + 7].rstrip(":"))
    except (ValueError, IndexError):
        sys.exit("the extraction floor printed no figures:\n" + output)
    if ticks < 0:
        sys.exit("the extraction floor could not read its wine server's CPU")
    return seconds, cpu_s, ticks / os.sysconf("SC_CLK_TCK")


def member_data(path):
    """Bytes of the members' compressed data alone, without headers: what the deflate
    encoders themselves made."""
    import zipfile
    with zipfile.ZipFile(path) as z:
        return sum(i.compress_size for i in z.infolist())


def print_sizes(sizes):
    """Our archives' sizes against 7-Zip's at -mx=1, -mx=5 and -mx=9, corpus by corpus, whole
    and of the member data alone (7-Zip's headers carry the NTFS times, ours the extended
    timestamp as well): sizes do not depend on the machine's load, so these ratios hold on a
    busy machine too."""
    for corpus in sorted({c for c, _ in sizes}):
        seven = {t: n for (c, t), n in sizes.items() if c == corpus and t.startswith("7z")}
        ours = {t: n for (c, t), n in sizes.items() if c == corpus and t.startswith("ours")}
        if not seven or not ours:
            continue
        print(f"sizes, {corpus} (archive / member data): " +
              ", ".join(f"{t} {n[0]:,} / {n[1]:,}" for t, n in sorted(seven.items())))
        for tool, n in sorted(ours.items()):
            print(f"  {tool} {n[0]:,} / {n[1]:,}: " +
                  ", ".join(f"{n[0] / m[0]:.4f}x / {n[1] / m[1]:.4f}x {t}"
                            for t, m in sorted(seven.items())))


def make_archive(path, corpus, name):
    """The archive that testing and extracting read: made once, by zip -6."""
    if not os.path.exists(path):
        subprocess.run(["zip", "-q", "-r", "-6", path + ".part.zip", name], cwd=corpus,
                       check=True, stdout=subprocess.DEVNULL)
        os.rename(path + ".part.zip", path)


def make_members(path, count):
    if os.path.exists(path):
        return
    import random
    import zipfile
    random.seed(7)
    with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(count):
            folder = f"dir{i % 97:02d}/sub{i % 13}/"
            ext = random.choice([".txt", ".c", ".h", ".bmp", ".dll", ".exe", ".html", ".gif"])
            z.writestr(folder + f"file{i:06d}{ext}", f"member {i} " * random.randint(1, 20))
    os.rename(path + ".part", path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--bin", required=True, help="the build's bin folder")
    ap.add_argument("--skip-big", action="store_true", help="leave out the 4.5 GiB member")
    ap.add_argument("--only", default=",".join(SECTIONS),
                    help="comma-separated sections to run: " + ", ".join(SECTIONS))
    ap.add_argument("--corpora", default="mixed,small",
                    help="comma-separated corpora that testing and extracting read")
    ap.add_argument("--tiny", action="store_true",
                    help="the small corpora of zip-corpus.py --tiny: checks the tooling only")
    ap.add_argument("--sevenzip", required=True, help="7-Zip's Windows 7z.exe (x64)")
    ap.add_argument("--settle", type=float, default=0,
                    help="seconds to wait at most before each group for the load to fall to 0.5")
    args = ap.parse_args()
    sections = set(args.only.split(","))
    if args.skip_big:
        sections.discard("big")
    if sections - set(SECTIONS):
        sys.exit(f"unknown sections: {', '.join(sorted(sections - set(SECTIONS)))}")

    corpus, runs = args.corpus, args.runs
    server = WineServer(os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine"))
    work = tempfile.mkdtemp(prefix="kelvora-bench-")
    out = tempfile.mkdtemp(prefix="kelvora-bench-out-",
                           dir="/dev/shm" if os.path.isdir("/dev/shm") else None)

    def exe(name):
        return os.path.join(args.bin, name + ".exe")

    print(f"run folder {work}, extraction folder {out}, corpora {corpus}")
    print(f"{os.cpu_count()} processors; wine server {server.pid()} of {server.prefix}")
    if os.environ.get("KELVORA_ARCH") == "x86_64":
        print("warning: the 64-bit build under 64-bit Wine (this machine runs no 32-bit "
              "program); the product is the 32-bit build, whose figures these are not")

    def clean_out():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)

    def removing(path):
        return lambda: os.path.exists(path) and os.remove(path)

    table, groups = Table(), {}

    def group(name, tools, count=runs):
        groups[name] = interleave(name, tools, count, server, args.settle)
        return groups[name]

    # Wine's start-up: a driver run that does nothing (an archive without members).
    nothing = os.path.join(work, "nothing.zip")
    with open(nothing, "wb") as f:
        f.write(b"PK\x05\x06" + bytes(18))
    startup = Tool("wine start-up", ["wine", exe("unzdrive"), "-t", win(nothing)], work)
    group("wine start-up", [startup])
    print(f"Wine start-up (a driver with nothing to do): {spread(*startup.spread(wall))} s, "
          f"cpu incl. server {spread(*startup.spread(cpu))} s")

    def seven_tool(name, argv, cwd, before=None):
        return Tool(name, ["wine", args.sevenzip] + argv + ["-bd", "-bso0", "-bsp0"], cwd, before)

    # Archive sizes of our levels and of 7-Zip's settings, per corpus, for the summary.
    sizes = {}

    if "add" in sections:
        # The mixed corpus at levels 9 and 6, the small files at levels 6 and 9. Level 0
        # (store) shows what the file calls alone cost under Wine; the floor only lists,
        # opens, reads and closes the files on two threads.
        times = {(9, "zip"): 0.60, (6, "bsdtar"): 0.75}
        # 7-Zip at the settings each level answers to: level 6 within half the time of -mx=1
        # and no larger than -mx=5, level 9 within half the time of -mx=5 and no larger than
        # -mx=9; storing against storing.
        seven_goals = {0: {0: {}}, 6: {1: {"time": 0.5}, 5: {"size": 1.0}},
                       9: {5: {"time": 0.5}, 9: {"size": 1.0}}}
        for corpus_name, level, peers in (("mixed", 9, ["zip"]),
                                          ("mixed", 6, ["bsdtar", "zip"]), ("mixed", 0, []),
                                          ("small", 6, ["bsdtar", "zip"]), ("small", 9, [])):
            name = f"add {corpus_name} -{level}"
            ours_zip = os.path.join(work, f"ours-{corpus_name}-{level}.zip")
            ours = Tool("ours", ["wine", exe("zipdrive"), "-r", "-p", f"-{level}",
                                 win(ours_zip), corpus_name], corpus, removing(ours_zip))
            floor = Tool("add floor", ["wine", exe("add-floor"), corpus_name], corpus)
            tools = [ours, floor]
            archives_of = {ours.name: ours_zip}
            for peer in peers:
                archive = os.path.join(work, f"{peer}-{corpus_name}-{level}.zip")
                if peer == "zip":
                    argv = ["zip", "-q", "-r", f"-{level}", archive, corpus_name]
                else:  # libarchive's zip writer deflates at zlib's default level, 6
                    argv = ["bsdtar", "-a", "-cf", archive, corpus_name]
                tools.append(Tool(peer, argv, corpus, removing(archive)))
                archives_of[peer] = archive
            for mx in seven_goals[level]:
                archive = os.path.join(work, f"7z-{corpus_name}-{level}-mx{mx}.zip")
                tool = seven_tool(f"7z.exe -mx={mx}", ["a", "-tzip", f"-mx={mx}", win(archive),
                                                       corpus_name], corpus, removing(archive))
                tools.append(tool)
                archives_of[tool.name] = archive
            g = group(name, tools)
            for check in (["unzip", "-tq", ours_zip], ["7z", "t", "-bd", ours_zip]):
                subprocess.run(check, check=True, stdout=subprocess.DEVNULL)
            table.add(name, g, ours, floor, note="floor: list, open, read, close; 2 threads")
            sizes[(corpus_name, f"ours -{level}")] = (os.path.getsize(ours_zip),
                                                       member_data(ours_zip))
            for peer in tools[2:]:
                peer_zip = archives_of[peer.name]
                goals = {}
                if corpus_name == "mixed" and (level, peer.name) in times:
                    goals["time"] = times[(level, peer.name)]
                if peer.name == "zip":
                    goals["size"] = 1.005
                if peer.name.startswith("7z.exe"):
                    mx = int(peer.name.rsplit("=", 1)[1])
                    goals = seven_goals[level][mx]
                    sizes[(corpus_name, peer.name)] = (os.path.getsize(peer_zip),
                                                       member_data(peer_zip))
                table.add(name, g, ours, peer, goals,
                          (os.path.getsize(ours_zip), os.path.getsize(peer_zip)))

    archives = {}
    if sections & {"test", "extract"}:
        for corpus_name in args.corpora.split(","):
            archives[corpus_name] = os.path.join(corpus, f"{corpus_name}.zip")
            make_archive(archives[corpus_name], corpus, corpus_name)

    if "test" in sections:
        for corpus_name, archive in archives.items():
            ours = Tool("ours", ["wine", exe("unzdrive"), "-t", win(archive)], work)
            seven = Tool("7z t", ["7z", "t", "-bd", archive], work)
            unzip = Tool("unzip -t", ["unzip", "-tq", archive], work)
            seven_exe = seven_tool("7z.exe t", ["t", win(archive)], work)
            g = group(f"test {corpus_name}", [ours, seven, unzip, seven_exe])
            table.add(f"test {corpus_name}", g, ours, seven,
                      {"time": 0.5} if corpus_name == "mixed" else None)
            table.add(f"test {corpus_name}", g, ours, unzip)
            table.add(f"test {corpus_name}", g, ours, seven_exe)

    def floor_adjusted(sample):
        """The floor's own clock and CPU leave out listing and loading the bytes; Wine's
        start-up (medians of the driver that does nothing) is added to each."""
        seconds, cpu_s, server_s = floor_figures(sample.output)
        sample.wall = seconds + startup.median(lambda s: s.wall)
        sample.cpu = cpu_s + startup.median(lambda s: s.cpu)
        sample.server = server_s + startup.median(lambda s: s.server)
        return sample

    if "extract" in sections:
        for corpus_name, archive in archives.items():
            name = f"extract {corpus_name}"
            ours = Tool("ours", ["wine", exe("unzdrive"), "-x", win(out), win(archive)], work,
                        clean_out)
            floors = [Tool(label, ["wine", exe("extract-floor")] + mode +
                           ["--server", str(server.pid()), win(os.path.join(corpus, corpus_name)),
                            win(out)], work, clean_out, floor_adjusted)
                      for label, mode in (("floor", []), ("safe floor", ["--safe"]))]
            unzip = Tool("unzip", ["unzip", "-q", "-o", archive, "-d", out], work, clean_out)
            seven = Tool("7z x", ["7z", "x", "-y", "-bd", f"-o{out}", archive], work, clean_out)
            seven_exe = seven_tool("7z.exe x", ["x", "-y", f"-o{win(out)}", win(archive)], work,
                                   clean_out)
            g = group(name, [ours] + floors + [unzip, seven, seven_exe])
            table.add(name, g, ours, floors[0],
                      note="floor: create, write, time, close; 2 threads; + Wine start-up")
            table.add(name, g, ours, floors[1], {"time": 1.15, "cpu": 1.15},
                      note="safe floor: the same + one rename per file")
            table.add(name, g, ours, unzip)
            table.add(name, g, ours, seven)
            table.add(name, g, ours, seven_exe)
        clean_out()

    if "open" in sections:
        # Opening the members: in the program, from the command to the painted list.
        count = 5000 if args.tiny else 100000
        members = os.path.join(corpus, f"members{count // 1000}k.zip")
        make_members(members, count)

        def opened(sample):
            for line in sample.output.splitlines():
                if line.startswith("open-to-filled-list"):
                    sample.wall = float(line.split()[1])
                    return sample
            sys.exit("listbench printed no time:\n" + sample.output)

        ours = Tool("ours", ["wine", exe("listbench"), win(members)], args.bin, adjust=opened)
        unzip = Tool("unzip -l", ["unzip", "-l", members], work)
        seven_exe = seven_tool("7z.exe l", ["l", win(members)], work)
        name = f"open {count:,} members"
        g = group(name, [ours, unzip, seven_exe])
        table.add(name, g, ours, unzip, {"time": 1.0}, same_work=False,
                  note="ours: in-process, command to painted list (cpu: whole process); "
                       "unzip: whole process")
        table.add(name, g, ours, seven_exe, same_work=False, note="7z.exe: whole process")

    if "big" in sections:
        # One member of 4.5 GiB (zeros, read from a sparse file): memory stays bounded.
        # The tiny run checks the same steps with 64 MiB.
        size, label = (64 << 20, "64 MiB") if args.tiny else (4608 << 20, "4.5 GiB")
        big_dir = os.path.join(work, "big")
        os.makedirs(big_dir)
        with open(os.path.join(big_dir, "huge.bin"), "wb") as f:
            f.truncate(size)
        big_zip = os.path.join(work, "big.zip")
        add = Tool("ours", ["wine", exe("zipdrive"), "-r", "-p", "-6", win(big_zip), "big"],
                   work)
        ga = group(f"add {label} member", [add], 1)
        test = Tool("ours", ["wine", exe("unzdrive"), "-t", win(big_zip)], work)
        unzip_t = Tool("unzip -t", ["unzip", "-tq", big_zip], work)
        gt = group(f"test {label} member", [test, unzip_t], 1)
        extract = Tool("ours", ["wine", exe("unzdrive"), "-x", win(out), win(big_zip)], work,
                       clean_out)
        gx = group(f"extract {label} member", [extract], 1)
        memory = {"peak": 256}
        table.add(f"add {label} member -6", ga, add, targets=memory, note="zeros")
        table.add(f"test {label} member", gt, test, unzip_t, memory)
        table.add(f"extract {label} member", gx, extract, targets=memory)
        clean_out()

    print(f"min, median and max of {runs} runs each; load: 1-minute load average before and "
          "after each group, others: cores other processes kept busy meanwhile\n")
    table.print(groups)
    print_sizes(sizes)
    shutil.rmtree(out, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
