"""bench/report's arithmetic: reading Google Benchmark's output, the growth
fit, the targets' verdicts and the results file."""

import importlib.machinery
import os
import sys
import tempfile
import types
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def load_report():
    path = os.path.join(ROOT, "bench", "report")
    module = types.ModuleType("report")
    module.__file__ = path
    importlib.machinery.SourceFileLoader("report", path).exec_module(module)
    return module


report = load_report()


def entry(name, cpu_ms, **counters):
    fields = {"name": name, "run_name": name, "run_type": "iteration", "cpu_time": cpu_ms,
              "real_time": cpu_ms, "time_unit": "ms"}
    fields.update(counters)
    return fields


def results(*entries):
    return report.Results({"context": {}, "benchmarks": list(entries)})


class ReadingResults(unittest.TestCase):
    def test_names_lengths_and_units(self):
        r = results(entry("A_Alg/random-4/1000", 2.0, peak_allocated_bytes=4096.0),
                    entry("A_Alg/lopsided-4/1000/1000000", 3.0),
                    entry("A_Alg/random-4_BigO", 1.0),
                    dict(entry("A_Alg/random-4/2000", 8.0), error_occurred=True))
        self.assertAlmostEqual(r.seconds("A_Alg", "random-4", 1000), 0.002)
        self.assertAlmostEqual(r.seconds("A_Alg", "lopsided-4", 1000, 1000000), 0.003)
        self.assertEqual(r.peak("A_Alg", "random-4", 1000), 4096.0)
        self.assertIsNone(r.seconds("A_Alg", "random-4", 2000), "failed runs are left out")
        self.assertEqual(r.lengths(), [1000])

    def test_median_of_repetitions_wins_over_mean(self):
        median = dict(entry("A_Alg/random-4/1000", 5.0), run_type="aggregate",
                      aggregate_name="median")
        mean = dict(entry("A_Alg/random-4/1000", 9.0), run_type="aggregate", aggregate_name="mean")
        r = results(median, mean)
        self.assertAlmostEqual(r.seconds("A_Alg", "random-4", 1000), 0.005)


class GrowthFit(unittest.TestCase):
    def test_exponent_of_exact_powers(self):
        for exponent in (1.0, 2.0, 3.0):
            r = results(*[entry("A_Alg/random-4/%d" % n, 1e-6 * n ** exponent)
                          for n in (1000, 2000, 5000, 10000)])
            self.assertAlmostEqual(r.exponent("A_Alg", "random-4"), exponent, places=6)

    def test_small_lengths_left_out_when_three_large_ones_exist(self):
        # Fixed costs dominate at 250 and 500; they must not bend the fit.
        points = [(250, 5.0), (500, 5.0)] + [(n, 1e-6 * n * n) for n in (1000, 2000, 4000)]
        r = results(*[entry("A_Alg/random-4/%d" % n, t) for n, t in points])
        self.assertAlmostEqual(r.exponent("A_Alg", "random-4"), 2.0, places=6)

    def test_no_fit_from_one_point(self):
        self.assertIsNone(results(entry("A_Alg/random-4/1000", 1.0)).exponent("A_Alg", "random-4"))


class Targets(unittest.TestCase):
    def test_ratio_verdicts(self):
        targets = []
        report.ratio_target(targets, "speed", "faster", 8.0, 1.0, 8)
        report.ratio_target(targets, "speed", "slower", 7.9, 1.0, 8)
        report.ratio_target(targets, "speed", "absent", None, 1.0, 8)
        self.assertEqual([t.verdict() for t in targets], ["met", "missed", "not measured"])
        self.assertEqual(targets[1].measured, "7.90 x")
        self.assertTrue(targets[0].verdict(quick=True).startswith("(quick"))

    def test_every_target_is_listed_before_any_routine_exists(self):
        targets = report.collect_targets(results(), None)
        self.assertTrue(all(t.met is None for t in targets))
        texts = " ".join(t.text for t in targets)
        for name in ("AllisonDix_Alg", "Hirschberg_AlgB", "Hirschberg_AlgC", "HuntSzymanski_Alg",
                     "SmithWaterman_Alg", "NeedlemanWunsch_Alg", "Diff_Alg", "Hyyro_Alg"):
            self.assertIn(name, texts)

    def test_growth_within_tolerance(self):
        r = results(*[entry("Hirschberg_AlgB/random-4/%d" % n, 1e-6 * n ** 2.15)
                      for n in (1000, 2000, 5000)])
        targets = []
        report.exponent_target(targets, "growth", r, "Hirschberg_AlgB", "random-4", 2, 0.2)
        report.exponent_target(targets, "growth", r, "Hirschberg_AlgB", "random-4", 2, 0.1)
        self.assertEqual([t.verdict() for t in targets], ["met", "missed"])


class ResultsFile(unittest.TestCase):
    def test_targets_are_grouped_by_topic(self):
        targets = []
        report.ratio_target(targets, "memory", "small", 1.0, 1.0, 1)
        report.ratio_target(targets, "speed", "fast", 8.0, 1.0, 8)
        args = types.SimpleNamespace(quick=False, budget=60)
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "results.md")
            report.write_markdown(path, args, results(), targets, None, {})
            with open(path) as text:
                written = text.read()
        speed, memory = written.index("### Speed"), written.index("### Memory")
        self.assertLess(speed, written.index("| fast |"))
        self.assertLess(written.index("| fast |"), memory)
        self.assertLess(memory, written.index("| small |"))


class ProgramPeak(unittest.TestCase):
    def test_launchers_figure_is_read_or_none(self):
        with tempfile.TemporaryDirectory() as directory:
            cases = [("7561216\n", 7561216), ("", None), ("garbled\n", None)]
            for written, expected in cases:
                path = os.path.join(directory, "peak.txt")
                with open(path, "w") as out:
                    out.write(written)
                self.assertEqual(report.read_peak(path), expected, written)
            self.assertIsNone(report.read_peak(os.path.join(directory, "missing.txt")))


if __name__ == "__main__":
    sys.exit(unittest.main())
