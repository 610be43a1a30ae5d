"""The Dask example on a local cluster of two worker processes: the same
pairs as lcs.pairs of the whole list in one process."""

import os
import random

import numpy as np
import pytest

import lcs

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")


def near_duplicate_lines(count, seed=7):
    """Lines of 20 to 40 letters, most with a few altered copies."""
    rng = random.Random(seed)
    lines = []
    while len(lines) < count:
        line = "".join(rng.choices("abcdefghijklmnop", k=rng.randint(20, 40)))
        lines.append(line)
        for _ in range(rng.randint(0, 4)):
            copy = list(line)
            for _ in range(rng.randint(1, 6)):
                copy[rng.randrange(len(copy))] = rng.choice("abcdefghijklmnop")
            lines.append("".join(copy))
    rng.shuffle(lines)
    return lines[:count]


@pytest.mark.cluster
def test_dask_example_equals_pairs_in_one_process(monkeypatch, tmp_path):
    distributed = pytest.importorskip("distributed")
    # The workers are new processes: they find the module and the example
    # on the path that they inherit.
    path = os.pathsep.join(p for p in (os.path.abspath(EXAMPLES), os.environ.get("PYTHONPATH")) if p)
    monkeypatch.setenv("PYTHONPATH", path)
    monkeypatch.syspath_prepend(os.path.abspath(EXAMPLES))
    import dask_pairs

    lines = near_duplicate_lines(20000)
    expected = lcs.pairs(lines, min_similarity=0.8)
    assert len(expected.query) > 1000  # the lines do have near-duplicates
    text = tmp_path / "lines.txt"
    text.write_text("".join(line + "\n" for line in lines))

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        for blocks in (dask_pairs.blocks_of_list(client, lines, 3000),
                       dask_pairs.blocks_of_file(client, str(text), 7000)):
            found = dask_pairs.near_duplicates(client, blocks, min_similarity=0.8)
            for got, want in zip(found, expected):
                np.testing.assert_array_equal(got, want)
