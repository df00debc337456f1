#!/usr/bin/env python3
"""The benchmark's tooling: peak memory and Wine server CPU belong to the measured process,
the table's verdicts follow its figures, and the floor programs do the work they stand for.
The Wine checks need the build's prefix with its server running (scripts/test.sh starts it).
"""
import contextlib
import datetime
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import measure  # noqa: E402
import run  # noqa: E402

BIN = os.environ.get("KELVORA_BIN", "")
PREFIX = os.environ.get("WINEPREFIX", "")


def sample(wall, cpu=0.0, server=0.0, peak=1.0):
    return measure.Sample(wall, cpu, server, peak, "")


def tool(name, walls, cpus=None, servers=None):
    t = measure.Tool(name, [name], "/")
    cpus = cpus or [0.0] * len(walls)
    servers = servers or [0.0] * len(walls)
    t.samples = [sample(w, c, s) for w, c, s in zip(walls, cpus, servers)]
    return t


QUIET = measure.Group("quiet", 0.2, 0.3, 0.1)


class MeasuredProcess(unittest.TestCase):
    def test_peak_memory_is_the_measured_process_not_the_forking_python(self):
        # Forked straight from this Python, `true` would read this process's resident set.
        self.assertLess(measure.run_once(["true"], "/", None).peak_mb, 8)
        big = measure.run_once([sys.executable, "-c", "b = b'x' * (160 << 20)"], "/", None)
        self.assertGreaterEqual(big.peak_mb, 160)

    def test_cpu_of_a_native_program_has_no_server_share(self):
        busy = measure.run_once(
            [sys.executable, "-c", "import time\nt = time.process_time()\n"
             "while time.process_time() - t < 0.3: pass"], "/", None)
        self.assertGreaterEqual(busy.cpu, 0.25)
        self.assertEqual(busy.server, 0.0)
        self.assertGreaterEqual(busy.wall, busy.cpu * 0.9)

    def test_a_failing_run_stops_the_benchmark(self):
        with contextlib.redirect_stderr(io.StringIO()), self.assertRaises(SystemExit):
            measure.run_once(["false"], "/", None)

    def test_a_failed_run_shows_its_beginning_and_keeps_all_of_it(self):
        # A crash under Wine prints the exception first and long module lists after it.
        script = ("import sys\nprint('Unhandled exception: page fault', file=sys.stderr)\n"
                  "print('module ' * 2000, file=sys.stderr)\nsys.exit(5)")
        with self.assertRaises(SystemExit) as stop:
            measure.run_once([sys.executable, "-c", script], "/", None)
        report = str(stop.exception.code)
        self.assertIn("failed (5)", report)
        self.assertIn("Unhandled exception: page fault", report)
        path = report.rsplit("(all of its output: ", 1)[1].rstrip(")")
        self.addCleanup(os.remove, path)
        with open(path) as kept:
            whole = kept.read()
        self.assertTrue(whole.startswith("Unhandled exception"))
        self.assertIn("module " * 2000, whole)
        self.assertLess(len(report), len(whole))

    def test_paired_ratios_take_run_i_against_run_i(self):
        ours, peer = tool("ours", [1.0, 3.0, 2.0]), tool("peer", [2.0, 2.0, 1.0])
        self.assertEqual(ours.paired(peer, run.wall), (0.5, 1.5, 2.0))
        self.assertEqual(ours.spread(run.wall), (1.0, 2.0, 3.0))


class Verdicts(unittest.TestCase):
    CASES = [  # ours walls, cpus, servers; peer walls, cpus; targets; sizes; verdict
        ([1.0, 1.1, 1.2], None, None, [1.0] * 3, None, {"time": 1.15}, None,
         "time met (<= 1.15)"),
        ([1.3, 1.2, 1.25], None, None, [1.0] * 3, None, {"time": 1.15}, None,
         "time MISSED (<= 1.15)"),
        # Same wall time, but the engine's own server doubles its CPU.
        ([1.0] * 3, [1.0] * 3, [1.0] * 3, [1.0] * 3, [1.0] * 3, {"time": 1.15, "cpu": 1.15},
         None, "time met (<= 1.15); cpu MISSED (<= 1.15)"),
        ([1.0] * 3, None, None, [1.0] * 3, None, {"size": 1.005}, (1005, 1000),
         "size met (<= 1.005)"),
        ([1.0] * 3, None, None, [1.0] * 3, None, {"size": 1.005}, (1006, 1000),
         "size MISSED (<= 1.005)"),
    ]

    def test_targets(self):
        for walls, cpus, servers, peer_walls, peer_cpus, targets, sizes, verdict in self.CASES:
            with self.subTest(verdict=verdict, sizes=sizes):
                table = run.Table()
                table.add("op", QUIET, tool("ours", walls, cpus, servers),
                          tool("peer", peer_walls, peer_cpus), targets, sizes)
                self.assertEqual(table.rows[0][run.Table.HEAD.index("targets")], verdict)

    def test_unlike_work_leaves_the_cpu_uncompared(self):
        table = run.Table()
        table.add("open", QUIET, tool("ours", [1.0], [5.0]), tool("peer", [1.0], [0.1]),
                  same_work=False)
        self.assertEqual(table.rows[0][run.Table.HEAD.index("cpu ratio")], "")

    def test_a_busy_group_gets_a_warning_line(self):
        busy = measure.Group("busy op", 0.4, 1.3, 0.9)
        table = run.Table()
        table.add("quiet op", QUIET, tool("ours", [1.0]))
        table.add("busy op", busy, tool("ours", [1.0]))
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            table.print({"quiet": QUIET, "busy op": busy})
        warnings = [line for line in printed.getvalue().splitlines()
                    if line.startswith("WARNING")]
        self.assertEqual(len(warnings), 1)
        self.assertIn("'busy op'", warnings[0])
        self.assertIn("0.40->1.30", warnings[0])
        self.assertIn("machine: BUSY around 1 of 2 groups", printed.getvalue())

    def test_a_quiet_table_says_so_without_warnings(self):
        table = run.Table()
        table.add("quiet op", QUIET, tool("ours", [1.0]))
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            table.print({"quiet op": QUIET})
        self.assertTrue(printed.getvalue().startswith("machine: quiet (load average at most 0.5"))
        self.assertNotIn("WARNING", printed.getvalue())

    def test_busy_means_loaded_before_or_shared_during_not_raised_by_our_own_runs(self):
        for before, after, others, busy in (
                (0.3, 2.1, 0.02, False),  # only our own runs raised the load
                (0.5, 0.6, 0.25, False),  # at both limits
                (0.8, 1.9, 0.02, True),   # loaded when the group started
                (0.1, 1.2, 0.6, True),    # another process shared the cores
        ):
            with self.subTest(before=before, after=after, others=others):
                self.assertEqual(measure.Group("op", before, after, others).busy, busy)


@unittest.skipUnless(PREFIX and BIN and measure.wine_server_pid(PREFIX),
                     "needs the build's Wine prefix with its server running")
class UnderWine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kelvora-bench-test-")
        self.source = os.path.join(self.dir, "source")
        for folder in ("a/b/c", "a/d", "e"):
            os.makedirs(os.path.join(self.source, folder))
        self.files = {}
        for i in range(600):
            rel = ["a/b/c", "a/d", "e", "."][i % 4] + f"/f{i:03}.txt"
            data = os.urandom(i * 37)
            with open(os.path.join(self.source, rel), "wb") as f:
                f.write(data)
            self.files[os.path.normpath(rel)] = data
        self.server = measure.WineServer(PREFIX)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_the_server_found_is_this_prefix_s_own(self):
        pid = measure.wine_server_pid(PREFIX)
        with open(f"/proc/{pid}/environ", "rb") as f:
            env = dict(v.split("=", 1) for v in f.read().decode().split("\0") if "=" in v)
        if "WINEPREFIX" in env:
            self.assertEqual(os.path.realpath(env["WINEPREFIX"]), os.path.realpath(PREFIX))
        self.assertIsNone(measure.wine_server_pid(self.dir))

    def test_the_extraction_floors_write_the_tree_with_its_time(self):
        when = datetime.datetime(2001, 2, 3, 4, 5, 6, tzinfo=datetime.timezone.utc).timestamp()
        for mode in ([], ["--safe"]):
            with self.subTest(mode=mode):
                out = os.path.join(self.dir, "out" + "".join(mode))
                result = measure.run_once(
                    ["wine", os.path.join(BIN, "extract-floor.exe")] + mode +
                    ["--server", str(self.server.pid()), "source", os.path.basename(out)],
                    self.dir, self.server, capture=True)
                seconds, cpu, server = run.floor_figures(result.output)
                self.assertGreater(seconds, 0)
                self.assertLessEqual(cpu, result.cpu)
                self.assertLessEqual(server, result.server + 0.02)
                written = {}
                for root, _, names in os.walk(out):
                    for name in names:
                        path = os.path.join(root, name)
                        with open(path, "rb") as f:
                            written[os.path.relpath(path, out)] = f.read()
                        self.assertEqual(os.path.getmtime(path), when)
                self.assertEqual(written, self.files)

    def test_the_adding_floor_reads_every_file_and_its_server_is_counted(self):
        result = measure.run_once(["wine", os.path.join(BIN, "add-floor.exe"), "source"],
                                  self.dir, self.server, capture=True)
        total = sum(len(d) for d in self.files.values())
        self.assertIn(f"add floor: {len(self.files)} files, {total} bytes", result.output)
        self.assertGreater(result.server, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
