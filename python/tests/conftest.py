"""Shared pieces of the module's tests: the plain LCS they compare against
and seeded random strings of every family."""

import random

import pytest

import lcs


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "cluster: starts a Dask cluster of worker processes (deselect with -m 'not cluster')"
    )


def reference_lcs(a, b):
    """The LCS length by the prefix recurrence, on any two sequences."""
    previous = [0] * (len(b) + 1)
    for x in a:
        row = [0]
        for j, y in enumerate(b):
            row.append(previous[j] + 1 if x == y else max(previous[j + 1], row[j]))
        previous = row
    return previous[-1]


def reference_similarity(a, b):
    longer = max(len(a), len(b))
    return 1.0 if longer == 0 else reference_lcs(a, b) / longer


# Letters of every width CPython stores a str in: 1 byte (with 0 and 255),
# 2 bytes, and 4 bytes (outside the Basic Multilingual Plane).
NARROW = "ab\x00\xff"
WIDE = "ab\u0109\U0001f600"
WORDS = ["the", "a", "cat", "dog", 1, (2, 3)]


def random_string(rng, family, size):
    if family == "ascii":
        return "".join(rng.choice("abcd") for _ in range(size))
    if family == "narrow":
        return "".join(rng.choice(NARROW) for _ in range(size))
    if family == "wide":
        return "".join(rng.choice(WIDE) for _ in range(size))
    if family == "bytes":
        return bytes(rng.choice(b"ab\x00\xff") for _ in range(size))
    if family == "words":
        return [rng.choice(WORDS) for _ in range(size)]
    raise ValueError(family)


FAMILIES = ["ascii", "narrow", "wide", "bytes", "words"]


@pytest.fixture
def rng():
    return random.Random(20240607)
