"""The include-graph check on small trees of its own: what it must refuse and what it lets by."""

import os
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
# The script's name has a dash, so it is loaded as a module by hand.
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "include-graph.py")
graph = types.ModuleType("include_graph")
graph.__file__ = SCRIPT
with open(SCRIPT, encoding="utf-8") as source:
    exec(compile(source.read(), SCRIPT, "exec"), graph.__dict__)


class IncludeGraphTest(unittest.TestCase):
    def tree(self, files):
        root = tempfile.mkdtemp()
        self.addCleanup(lambda: __import__("shutil").rmtree(root))
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        return root

    def problems(self, files):
        return graph.check(self.tree(files))[1]

    def test_arrows_down_the_floors_pass(self):
        self.assertEqual(self.problems({
            "base/EngineRecords.h": '#include "base/zipcore/ZipFormat.h"\n',
            "base/zipcore/ZipFormat.h": "",
            "dlls/unzeng/Plan.h": '#include "base/EngineRecords.h"\n#include "Local.h"\n',
            "engine/ZipKeep.h": '#include "base/EngineRecords.h"\n#include "ui/Form.h"\n',
            "tests/engine/ListTest.cpp": '#include "dlls/unzeng/Plan.h"\n',
        }), [])

    def test_arrows_against_the_floors_are_refused(self):
        cases = [
            ("dlls/unzeng/Plan.h", "engine/EngineRecords.h"),  # an engine into the program
            ("engine/ZipKeep.cpp", "dlls/unzeng/Plan.h"),  # the program into an engine
            ("base/MemberNames.h", "ui/Form.h"),  # the ground floor upward
            ("base/zipcore/ZipFormat.h", "base/Handle.h"),  # zip core above itself
            ("ui/Form.h", "mainwindow/Main.h"),  # framework into a window
            ("dlls/tools/unzdrive.cpp", "engine/ZipKeep.h"),  # engine driver into the program
            ("wizard/Wizard3.cpp", "mainwindow/EngineProblems.h"),  # a page into the main window
            ("mainwindow/Main.h", "app/Kelvora.rc"),  # a window into the program above it
        ]
        for source, target in cases:
            with self.subTest(source=source, target=target):
                found = self.problems({source: f'#include "{target}"\n'})
                self.assertEqual(len(found), 1, found)
                self.assertIn("against the floors", found[0])

    def test_climbing_out_and_unknown_folders_are_refused(self):
        found = self.problems({
            "dlls/zipeng/FileIo.h": '#include "../../engine/ZipKeep.h"\n',
            "engine/ZipKeep.h": '#include "elsewhere/Thing.h"\n',
        })
        self.assertEqual(len(found), 2, found)
        self.assertIn("climbs out", found[0])
        self.assertIn("no known folder", found[1])

    def test_cycles_are_found(self):
        self.assertEqual(graph.find_cycle([("a", "b"), ("b", "c"), ("c", "a")]),
                         ["a", "b", "c", "a"])
        self.assertIsNone(graph.find_cycle([("a", "b"), ("b", "c"), ("a", "c")]))

    def test_the_allowed_table_has_no_cycle(self):
        arrows = [(a, b) for a, targets in graph.ALLOWED.items() for b in (targets or ())]
        self.assertIsNone(graph.find_cycle(arrows))


if __name__ == "__main__":
    unittest.main()
