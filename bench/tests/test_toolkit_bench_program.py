"""lcs_toolkit_bench as its users run it: its exit statuses on bad usage and
on a file it cannot write, and a quick run's table, one column a path.

    test_toolkit_bench_program.py PATH_TO_lcs_toolkit_bench
"""

import os
import subprocess
import sys
import tempfile
import unittest

PROGRAM = None


def run(*args):
    return subprocess.run([PROGRAM] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=600)


class Usage(unittest.TestCase):
    def test_refusals_end_with_status_2_and_one_line(self):
        cases = [
            (["--no-such-option"], "unknown or incomplete option '--no-such-option'"),
            (["--out"], "unknown or incomplete option '--out'"),
            (["--only", "short,nosuch"], "no family of races named 'nosuch'"),
            (["--paths", "sse9"], "none of the paths asked for runs here"),
            (["--child", "plain"], "--child and --emit go together"),
            (["--against", "/no/such/program"], "no program at /no/such/program"),
            (["--against", PROGRAM, "--against-rounds", "0"], "--against-rounds takes 1 or more"),
        ]
        for args, message in cases:
            result = run(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(message, result.stderr, args)
            self.assertEqual(result.stdout, "", args)

    def test_unwritable_out_fails_before_any_timing(self):
        result = run("--quick", "--out", "/no/such/folder/toolkit.md")
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot write /no/such/folder/toolkit.md", result.stderr)
        self.assertNotIn("path plain", result.stderr, "no child ran")


class QuickRun(unittest.TestCase):
    def test_table_has_the_processor_and_a_column_per_path(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = os.path.join(scratch, "toolkit.md")
            result = run("--quick", "--only", "threads", "--paths", "plain", "--out", out)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(out) as written:
                table = written.read()
        self.assertEqual(table, result.stdout, "the file holds what was printed")
        self.assertIn("Processor: ", table)
        self.assertIn("features: ", table)
        self.assertIn("forced through `LCS_ISA`: `plain`", table)
        self.assertIn("| topic | target | plain |", table)
        rows = [line for line in table.splitlines() if line.startswith("| one pair on every core")]
        # Two lengths of each of two alphabets, each beside the machine's scaling.
        self.assertEqual(len(rows), 4, table)
        for row in rows:
            self.assertIn("the machine's own 2-thread scaling", row)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
