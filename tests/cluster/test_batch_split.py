#!/usr/bin/env python3
"""kivo-batch-split from the command line: refusals, the lists it reads, the files it writes."""

import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.environ.get("KIVO_BATCH_SPLIT") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "kivo-batch-split")

TEMPLATE = ("VIEWHDF /T AMSR2 /L L1B /S 89AH /I {list} /V OFF\n"
            "OUTIMG /F PNG /O OUT/{name}.png\n"
            "OUTCSV /G /O OUT/{index}.csv\n")


class BatchSplit(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.addCleanup(self.tmp.cleanup)
        templates = tempfile.TemporaryDirectory()
        self.template = os.path.join(templates.name, "template.out")
        self.addCleanup(templates.cleanup)

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data.encode() if isinstance(data, str) else data)
        return path

    @staticmethod
    def read(path):
        with open(path, newline="") as f:
            return f.read()

    def run_tool(self, list_path, template, folder="jobs", stdin=None):
        with open(self.template, "w") as f:
            f.write(template.replace("OUT/", self.dir + "/out/"))
        return subprocess.run([sys.executable, TOOL, list_path, self.template, os.path.join(self.dir, folder)],
                              input=stdin, capture_output=True, cwd=self.dir, text=True)

    def test_refusals(self):
        two = self.write("two.txt", "/d/a.h5\n/d/b.h5\n")
        self.write("full/0000_x.out", "")
        self.write("file", "")
        cases = [  # (what, list, template, folder, words of the message)
            ("missing list", os.path.join(self.dir, "none.txt"), TEMPLATE, "jobs", "cannot read the file list"),
            ("empty list", self.write("empty.txt", ""), TEMPLATE, "jobs", "no product paths"),
            ("blank lines only", self.write("blank.txt", "\r\n  \r\r\n\n"), TEMPLATE, "jobs", "no product paths"),
            ("no reference to the list", two, "VIEWHDF /T AMSR2 /L L1B /S 6V /I fixed.txt\n"
             "OUTCSV /O OUT/{name}.csv\n", "jobs", "refers to {list}"),
            ("list only in an output line", two, "OUTCSV /O OUT/{list}.csv\n", "jobs", "refers to {list}"),
            ("only an escaped brace", two, "VIEWHDF /I {{list}}\nOUTCSV /O OUT/{name}.csv\n", "jobs",
             "refers to {list}"),
            ("unknown placeholder", two, TEMPLATE + "OUTBIN /O OUT/{file}.bin\n", "jobs", "unknown placeholder {file}"),
            ("single brace", two, TEMPLATE + "OUTBIN /O OUT/{name.bin\n", "jobs", "single '{'"),
            ("same output for every product", two, "VIEWHDF /I {list}\nOUTIMG /F PNG /O OUT/map.png\n", "jobs",
             "would both write"),
            ("same product twice", self.write("twice.txt", "/d/a.h5\n/d/a.h5\n"), TEMPLATE, "jobs",
             "would both write"),
            ("same name in two folders", self.write("names.txt", "/d/a.h5\n/e/a.h5\n"),
             "VIEWHDF /I {list}\nOUTCSV /O OUT/{name}.csv\n", "jobs", "would both write"),
            ("folder under a file", two, TEMPLATE, "file/jobs", "cannot write into"),
            ("folder with command files", two, TEMPLATE, "full", "already holds command files"),
        ]
        for what, list_path, template, folder, message in cases:
            with self.subTest(what):
                before = sorted(os.listdir(self.dir))
                result = self.run_tool(list_path, template, folder)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(message, result.stderr)
                self.assertEqual(result.stdout, "")
                self.assertFalse(os.path.exists(os.path.join(self.dir, "jobs")), "nothing is written on a refusal")
                self.assertEqual(sorted(os.listdir(self.dir)), before)
        with self.subTest("missing template"):
            result = subprocess.run([sys.executable, TOOL, two, os.path.join(self.dir, "none.out"),
                                     os.path.join(self.dir, "jobs")], capture_output=True, text=True)
            self.assertEqual((result.returncode, "cannot read the template" in result.stderr), (1, True))
        with self.subTest("usage"):
            self.assertEqual(subprocess.run([sys.executable, TOOL, two], capture_output=True).returncode, 2)

    def test_line_ends_of_the_list(self):
        # LF, CR LF and the program's CR CR LF lists name the same products; blank lines and
        # spaces around a path are dropped; relative paths are taken from the current folder.
        expected = ["/data/a.h5", "/data/b c.h5", self.dir + "/rel/c.h5"]
        for what, text in [("LF", "/data/a.h5\n/data/b c.h5\nrel/c.h5"),
                           ("CR LF", "/data/a.h5\r\n\r\n/data/b c.h5\r\n rel/c.h5 \r\n"),
                           ("file list", "\ufeff/data/a.h5\r\r\n/data/b c.h5\r\r\nrel/c.h5\r\r\n")]:
            with self.subTest(what):
                folder = "jobs_" + what.replace(" ", "_")
                result = self.run_tool(self.write(folder + ".txt", text), TEMPLATE, folder)
                self.assertEqual(result.returncode, 0, result.stderr)
                lists = [path[:-len(".out")] + ".txt" for path in result.stdout.splitlines()]
                self.assertEqual([self.read(p) for p in lists], [p + "\r\r\n" for p in expected])

    def test_filled_command_files(self):
        products = [f"/data/p{i}/GW1AM2_{i:02d}.x.h5" for i in range(12)]
        result = self.run_tool(self.write("list.txt", "\n".join(products) + "\n"),
                               "viewhdf /T AMSR2 /L L1B /S 6V /I {list} /V OFF\n"
                               "OUTHDF /T AMSR2 /L L1B /S 6V /I {list} /O OUT/{index}_{name}.h5\n"
                               "OUTCSV /O OUT/{name}.csv\n"
                               "OUTBIN /O OUT/{{{index}}}.bin\n"
                               "CHANGEMAP /Z 2 /C 0 0 /M EQR\n\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        written = result.stdout.splitlines()
        # One command file per product, printed in list order, which is also the order of their
        # names (a job array's task N takes the N-th file), and nothing else ends in .out.
        self.assertEqual(len(written), 12)
        self.assertEqual(written, sorted(written))
        jobs = os.path.join(self.dir, "jobs")
        self.assertEqual(sorted(os.path.join(jobs, f) for f in os.listdir(jobs) if f.endswith(".out")), written)
        out = self.dir + "/out/"
        self.assertEqual(self.read(written[11]), (
            f"viewhdf /T AMSR2 /L L1B /S 6V /I {jobs}/0011_GW1AM2_11.x.txt /V OFF\r\n"
            f"OUTHDF /T AMSR2 /L L1B /S 6V /I {jobs}/0011_GW1AM2_11.x.txt /O {out}0011_GW1AM2_11.x.h5\r\n"
            f"OUTCSV /O {out}GW1AM2_11.x.csv\r\n"
            f"OUTBIN /O {out}{{0011}}.bin\r\n"
            "CHANGEMAP /Z 2 /C 0 0 /M EQR\r\n"))
        self.assertEqual(self.read(os.path.join(jobs, "0011_GW1AM2_11.x.txt")), products[11] + "\r\r\n")

    def test_list_from_standard_input(self):
        result = self.run_tool("-", "VIEWHDF /I {list}\nOUTCSV /O OUT/{product}.csv\n",
                               stdin="/d/a.h5\n/d/b.h5\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"/O {self.dir}/out//d/b.h5.csv", self.read(result.stdout.splitlines()[1]))


if __name__ == "__main__":
    unittest.main()
