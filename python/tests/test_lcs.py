"""The module against a plain Python LCS on seeded random strings of every
family, and its errors. The kernel itself is the C++ tests' concern."""

import difflib
import os
import random
import signal
import threading
import time

import numpy as np
import pytest

import lcs
from conftest import FAMILIES, random_string, reference_lcs, reference_similarity


def random_pairs(rng, family, count=30, longest=40):
    return [(random_string(rng, family, rng.randint(0, longest)),
             random_string(rng, family, rng.randint(0, longest))) for _ in range(count)]


@pytest.mark.parametrize("family", FAMILIES)
def test_length_and_similarity(rng, family):
    for a, b in random_pairs(rng, family):
        expected = reference_lcs(a, b)
        assert lcs.length(a, b) == expected
        assert lcs.length(a, b, threads=2) == expected
        assert lcs.similarity(a, b) == pytest.approx(reference_similarity(a, b))


def test_long_strings_take_the_released_paths(rng):
    # 300 x 300 runs without the GIL on the calling thread, the longer ones on
    # a watched thread of their own; their LCS is known by construction: b is
    # a part of a, then symbols that a lacks.
    a = random_string(rng, "wide", 300)
    b = random_string(rng, "wide", 300)
    assert lcs.length(a, b) == reference_lcs(a, b)
    a = random_string(rng, "wide", 9000)
    assert lcs.length(a, a[3000:] + "xyz" * 1000) == 6000
    a = bytes(rng.randrange(256) for _ in range(20000))
    assert lcs.length(a, a[5000:15000]) == 10000
    assert lcs.align(a, a[5000:15000])[1] == lcs.Run("keep", 5000, 0, 10000)


@pytest.mark.parametrize("make", [bytearray, memoryview, lambda b: memoryview(bytearray(b))])
def test_bytes_like_objects_are_bytes(rng, make):
    for a, b in random_pairs(rng, "bytes", count=10):
        assert lcs.length(make(a), b) == reference_lcs(a, b)
        assert lcs.common_subsequence(make(a), b) == bytes(lcs.common_subsequence(a, b))


def test_equal_items_are_equal_symbols():
    assert lcs.length([1, 2.0, "x"], [2, 1.0, "x"]) == 2  # 1 == 1.0, 2 == 2.0
    assert lcs.length(("a", "b"), ["b"]) == 1
    assert lcs.length(range(5), [4, 3, 2]) == 1


@pytest.mark.parametrize("family", FAMILIES)
def test_pattern(rng, family):
    query = random_string(rng, family, 25)
    pattern = lcs.Pattern(query)
    assert len(pattern) == len(query) and pattern.query is query
    for text, _ in random_pairs(rng, family):
        assert pattern.length(text) == reference_lcs(query, text)
        assert pattern.similarity(text) == pytest.approx(reference_similarity(query, text))


@pytest.mark.parametrize("family", FAMILIES)
def test_lengths(rng, family):
    query = random_string(rng, family, 30)
    choices = [random_string(rng, family, rng.randint(0, 70)) for _ in range(200)]
    expected = [reference_lcs(query, c) for c in choices]
    for q in (query, lcs.Pattern(query)):
        for threads in (1, 2):
            got = lcs.lengths(q, choices, threads=threads)
            assert got.dtype == np.int32 and got.tolist() == expected
    assert lcs.lengths(query, []).tolist() == []


def test_lengths_of_narrow_and_wide_str_together():
    # One list holding 1-, 2- and 4-byte strs is given to the library in one form.
    choices = ["abc", "\xe9bc", "\u0109bc", "\U0001f600bc"]
    for query in ("\xe9bc", "\U0001f600bc"):
        assert lcs.lengths(query, choices).tolist() == [reference_lcs(query, c) for c in choices]
        assert lcs.lengths(lcs.Pattern(query), choices).tolist() == [reference_lcs(query, c) for c in choices]


def reference_extract(query, choices, limit, min_similarity):
    scored = [(reference_similarity(query, c), i) for i, c in enumerate(choices)]
    kept = sorted((s, i) for s, i in scored if s >= min_similarity)
    kept.sort(key=lambda pair: (-pair[0], pair[1]))
    return [(choices[i], s, i) for s, i in kept[:limit]]


@pytest.mark.parametrize("family", ["ascii", "wide", "bytes", "words"])
@pytest.mark.parametrize("limit, min_similarity", [(5, 0.0), (3, 0.5), (None, 0.25), (0, 0.0), (1000, 1.0)])
def test_extract(rng, family, limit, min_similarity):
    query = random_string(rng, family, 12)
    choices = [random_string(rng, family, rng.randint(0, 20)) for _ in range(300)]
    choices += [query, query[:6]]  # an exact match and one at a known similarity
    expected = reference_extract(query, choices, len(choices) if limit is None else limit, min_similarity)
    for threads in (1, 2):
        got = lcs.extract(query, choices, limit=limit, min_similarity=min_similarity, threads=threads)
        assert [(c, i) for c, _, i in got] == [(c, i) for c, _, i in expected]
        assert [s for _, s, _ in got] == pytest.approx([s for _, s, _ in expected])
        assert all(got[k][0] is choices[got[k][2]] for k in range(len(got)))


@pytest.mark.parametrize("family", ["ascii", "wide", "bytes", "words"])
def test_matrix(rng, family):
    queries = [random_string(rng, family, rng.randint(0, 30)) for _ in range(13)]
    choices = [random_string(rng, family, rng.randint(0, 30)) for _ in range(17)]
    expected = [[reference_lcs(q, c) for c in choices] for q in queries]
    for threads in (1, 2):
        got = lcs.matrix(queries, choices, threads=threads)
        assert got.dtype == np.int32 and got.shape == (13, 17) and got.tolist() == expected
    assert lcs.matrix([], choices).shape == (0, 17)


def reference_pairs(queries, choices, min_similarity):
    one_list = choices is None
    choices = queries if one_list else choices
    return [(q, c, reference_lcs(queries[q], choices[c]))
            for q in range(len(queries)) for c in range(q + 1 if one_list else 0, len(choices))
            if reference_similarity(queries[q], choices[c]) >= min_similarity]


@pytest.mark.parametrize("family", ["ascii", "wide", "bytes", "words"])
@pytest.mark.parametrize("two_lists", [False, True])
def test_pairs(rng, family, two_lists):
    base = random_string(rng, family, 10)
    # Near-duplicates of one string, so that pairs exist at every threshold;
    # a string at exactly 0.8 of another is kept.
    queries = [base[:rng.randint(5, 10)] + random_string(rng, family, rng.randint(0, 3)) for _ in range(40)]
    queries.append(base[:8])
    choices = [base[:rng.randint(5, 10)] for _ in range(30)] if two_lists else None
    for min_similarity in (0.0, 0.5, 0.8, 1.0):
        expected = reference_pairs(queries, choices, min_similarity)
        for threads in (1, 2):
            got = lcs.pairs(queries, choices, min_similarity=min_similarity, threads=threads)
            assert (got.query.dtype, got.choice.dtype, got.length.dtype) == (np.int64, np.int64, np.int32)
            assert list(zip(got.query.tolist(), got.choice.tolist(), got.length.tolist())) == expected


def replay(a, b, operations):
    """b rebuilt from a and difflib-style operations, checking their format."""
    assert operations == [] or operations[0][1] == operations[0][3] == 0
    rebuilt, i, j = [], 0, 0
    for tag, i1, i2, j1, j2 in operations:
        assert (i1, j1) == (i, j) and i1 <= i2 and j1 <= j2
        assert tag in {"equal", "delete", "insert", "replace"}
        if tag == "equal":
            assert list(a[i1:i2]) == list(b[j1:j2]) and i2 - i1 == j2 - j1 > 0
        assert (tag == "delete") == (i2 > i1 and j2 == j1)
        assert (tag == "insert") == (i2 == i1 and j2 > j1)
        assert (tag == "replace") == (i2 > i1 and j2 > j1 and tag != "equal")
        rebuilt += list(b[j1:j2])
        i, j = i2, j2
    assert (i, j) == (len(a), len(b))
    assert all(x[0] != y[0] for x, y in zip(operations, operations[1:]) if x[0] == "equal")
    return rebuilt


@pytest.mark.parametrize("family", FAMILIES)
def test_align_opcodes_and_common_subsequence(rng, family):
    for a, b in random_pairs(rng, family):
        expected = reference_lcs(a, b)
        runs = lcs.align(a, b)
        assert sum(r.count for r in runs if r.edit == "keep") == expected
        assert all(r.count > 0 and r.edit in {"keep", "remove", "insert"} for r in runs)
        operations = lcs.opcodes(a, b, threads=2)
        assert replay(a, b, operations) == list(b)
        assert sum(i2 - i1 for tag, i1, i2, _, _ in operations if tag == "equal") == expected
        common = lcs.common_subsequence(a, b)
        assert type(common) is type(a) and len(common) == expected
        assert reference_lcs(common, a) == reference_lcs(common, b) == expected


def test_opcodes_as_difflib_gives_them():
    for a, b in [("kitten", "sitting"), ("", ""), ("", "ab"), ("ab", ""), ("abc", "abc")]:
        assert lcs.opcodes(a, b) == difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes()


def test_routines(rng):
    names = lcs.routines()
    assert "HuntSzymanski_Alg" in names and "SmithWaterman_Alg" in names
    for a, b in random_pairs(rng, "bytes", count=10, longest=25):
        for name in names:
            result = lcs.routine(name, a, b)
            if name == "SmithWaterman_Alg":
                assert isinstance(result, float) and 0.0 <= result <= min(len(a), len(b))
            else:
                assert result == reference_lcs(a, b), name


def test_isa():
    assert lcs.isa() in {"avx512", "avx2", "plain"} or "," in lcs.isa()


@pytest.mark.parametrize("call, error", [
    # Kinds do not mix, as Python's own str == bytes does not.
    (lambda: lcs.length("a", b"a"), TypeError),
    (lambda: lcs.length("a", ["a"]), TypeError),
    (lambda: lcs.similarity(b"a", [97]), TypeError),
    (lambda: lcs.lengths("a", ["a", b"a"]), TypeError),
    (lambda: lcs.Pattern("a").length(b"a"), TypeError),
    (lambda: lcs.lengths(lcs.Pattern(b"a"), ["a"]), TypeError),
    (lambda: lcs.length(1, "a"), TypeError),
    (lambda: lcs.length(None, "a"), TypeError),
    (lambda: lcs.length({"a"}, "a"), TypeError),
    (lambda: lcs.length([[1]], [1]), TypeError),  # unhashable items
    (lambda: lcs.lengths("a", "abc"), TypeError),  # choices must be a list of strings
    (lambda: lcs.lengths("a", 5), TypeError),
    (lambda: lcs.routine("Hyyro_Alg", "a", "b"), TypeError),
    (lambda: lcs.length("a", "b", threads=1.5), TypeError),
    # Bad values.
    (lambda: lcs.length("a", "b", threads=-1), ValueError),
    (lambda: lcs.lengths("a", ["b"], threads=-2), ValueError),
    (lambda: lcs.extract("a", ["b"], min_similarity=1.5), ValueError),
    (lambda: lcs.extract("a", ["b"], min_similarity=float("nan")), ValueError),
    (lambda: lcs.extract("a", ["b"], limit=-1), ValueError),
    (lambda: lcs.pairs(["a"], min_similarity=-0.1), ValueError),
    (lambda: lcs.routine("NoSuch_Alg", b"a", b"b"), ValueError),
    # Too long: refused before anything is read or copied.
    (lambda: lcs.length(range(2 ** 31), [1]), ValueError),
    (lambda: lcs.lengths("a", [range(2 ** 31)]), TypeError),
    (lambda: lcs.lengths([1], [range(2 ** 31)]), ValueError),
    (lambda: lcs.length(range(2 ** 70), [1]), OverflowError),
    # A table of 10^12 counters is refused, not left to the out-of-memory killer.
    (lambda: lcs.routine("Hirschberg_AlgA", b"a" * 10 ** 6, b"b" * 10 ** 6), MemoryError),
])
def test_errors(call, error):
    with pytest.raises(error):
        call()


def test_gil_is_released_while_computing(rng):
    a = random_string(rng, "ascii", 60000)
    b = random_string(rng, "ascii", 60000)
    started, done, ticks = threading.Event(), threading.Event(), [0]

    def compute():
        started.set()
        lcs.length(a, b)
        done.set()

    worker = threading.Thread(target=compute)
    worker.start()
    started.wait()
    while not done.is_set():
        ticks[0] += 1
        time.sleep(0)  # yields the GIL to the worker if it wants it
    worker.join()
    assert ticks[0] > 100


def test_a_list_emptied_during_a_call_does_not_change_it(rng):
    # The call holds its own reference to every choice: another thread that
    # empties the list while the GIL is released frees nothing in use.
    query = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=200))
    for _ in range(3):
        choices = ["".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=200)) for _ in range(20000)]
        expected = lcs.lengths(query, list(choices)).tolist()
        copy = list(choices)
        got = []
        worker = threading.Thread(target=lambda: got.append(lcs.lengths(query, choices).tolist()))
        worker.start()
        choices.clear()
        worker.join()
        assert got[0] in (expected, [])  # as it was when the call read it
        assert lcs.lengths(query, copy).tolist() == expected


LETTERS = bytes(range(ord("a"), ord("z") + 1))


def random_text(rng, size):
    """size random letters, quickly: a million of them in milliseconds."""
    return rng.randbytes(size).translate(bytes(LETTERS[b % 26] for b in range(256))).decode("ascii")


class Text(str):
    """A str subclass: read in place, never copied, given back as itself."""


# A list long enough to be collected on two threads, each copying half, with
# one element other than a plain narrow str at the ends and the seam of the
# halves: the run of copies stops there and that element is taken as it is.
LONG = 40_000


@pytest.fixture(scope="module")
def long_choices():
    rng = random.Random(20240607)
    return [random_text(rng, rng.randint(5, 15)) for _ in range(LONG)]


@pytest.mark.parametrize("odd", [None, Text("odd one"), "wide \u0109", "wider \U0001f600", "x" * 300])
@pytest.mark.parametrize("where", [0, LONG // 2 - 1, LONG // 2, LONG - 1])
def test_long_lists_with_an_odd_element(long_choices, odd, where):
    choices = list(long_choices)
    if odd is not None:
        choices[where] = odd
    query = "thequickbrownfoxjumps"
    pattern = lcs.Pattern(query)
    expected = [pattern.length(c) for c in choices]
    for threads in (1, 2):
        assert lcs.lengths(query, choices, threads=threads).tolist() == expected
        got = lcs.extract(query, choices, limit=None, threads=threads)
        assert sorted(i for _, _, i in got) == list(range(LONG))
        assert all(c is choices[i] for c, _, i in got)


@pytest.mark.parametrize("where", [0, LONG // 2, LONG - 1])
def test_long_lists_do_not_mix_families(long_choices, where):
    choices = list(long_choices)
    choices[where] = b"bytes"
    for threads in (1, 2):
        with pytest.raises(TypeError):
            lcs.lengths("query", choices, threads=threads)


def test_a_list_longer_than_a_run_is_read_in_runs():
    # On one thread, lengths and extract collect 65,536 choices at a time:
    # the runs may differ in form (the second one here wide), and a list that
    # shrinks while it is read (an item's __hash__ runs Python code) ends
    # the result.
    choices = ["ab"] * 140_000
    choices[70_000] = "a\u0109b"
    assert lcs.lengths("ab", choices).tolist() == [2] * 140_000
    for threads in (1, 2):
        got = lcs.extract("ab", choices, limit=None, threads=threads)
        assert [i for _, _, i in got] == [i for i in range(140_000) if i != 70_000] + [70_000]
        assert got[-1][0] is choices[70_000] and got[-1][1] == 2 / 3

    class Shrinking(str):
        def __hash__(self):
            del words[100_000:]
            return str.__hash__(self)

    words = [["a", "b"]] * 140_000
    words[99_999] = [Shrinking("a")]
    got = lcs.lengths(["a", "b"], words).tolist()
    assert got == [2] * 99_999 + [1]
    words = [["a", "b"]] * 140_000
    words[99_999] = [Shrinking("a")]
    assert [i for _, _, i in lcs.extract(["a", "b"], words, limit=2)] == [0, 1]
    assert len(words) == 100_000


@pytest.mark.parametrize("threads", [1, 2])
@pytest.mark.parametrize("change", ["clear", "replace"])
def test_a_list_changed_during_a_long_extract(threads, change):
    # The list holds the only reference to each choice: another thread that
    # empties it, or puts other strings in its places, while extract computes
    # frees the strings that extract read. Extract compares the texts as they
    # were and gives back those texts (new str objects where the list's own
    # are gone).
    rng = random.Random(20240607)
    size = 600
    source = random_text(rng, LONG * size)
    query = random_text(rng, 1000)

    def text(i):
        return source[i * size:(i + 1) * size]

    expected = [(s, i) for _, s, i in lcs.extract(query, [text(i) for i in range(LONG)], limit=10)]
    choices = [text(i) for i in range(LONG)]
    got, started = [], threading.Event()

    def extract():
        started.set()
        got.extend(lcs.extract(query, choices, limit=10, threads=threads))

    worker = threading.Thread(target=extract)
    worker.start()
    started.wait()
    time.sleep(0.02)  # the choices are collected in about a millisecond
    assert worker.is_alive()  # still computing: the change lands during the call
    if change == "clear":
        choices.clear()
    else:
        choices[:] = [text(i)[::-1] for i in range(LONG)]
    worker.join()
    assert [(s, i) for _, s, i in got] == expected
    assert all(c == text(i) for c, _, i in got)


def thread_count():
    return len(os.listdir("/proc/self/task")) if os.path.isdir("/proc/self/task") else 0


def test_ctrl_c_stops_a_long_call(rng):
    a = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=1_000_000))
    b = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=1_000_000))
    threads_before = thread_count()
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.3, interrupt)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            lcs.length(a, b)
    finally:
        timer.join()
    # A loose bound; the benchmark holds the half second.
    assert time.monotonic() - sent[0] < 3.0
    assert lcs.length("ABCBDAB", "BDCABA") == 4  # the interpreter goes on
    assert thread_count() == threads_before  # the worker has ended


def test_the_stub_lists_every_public_name():
    import ast

    stub = os.path.join(os.path.dirname(__file__), "..", "lcs.pyi")
    with open(stub) as f:
        tree = ast.parse(f.read())
    stubbed = {node.name for node in tree.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    public = {name for name in dir(lcs) if not name.startswith("_")}
    assert stubbed == public
