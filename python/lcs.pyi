"""Exact longest common subsequence (LCS) of strings.

Strings are str (code points), bytes, bytearray or memoryview (bytes), or any
sequence of hashable items (equal items are equal symbols); one call never
mixes the three (TypeError). Similarity is LCS / max(len(a), len(b)), 1.0 for
two empty strings. Every call releases the GIL while it computes, and a long
one stops on Ctrl-C with KeyboardInterrupt. threads=0 means every core.
"""

from typing import Any, Hashable, List, NamedTuple, Optional, Sequence, Tuple, TypeVar, Union

import numpy as np
import numpy.typing as npt

Text = Union[str, bytes, bytearray, memoryview, Sequence[Hashable]]
T = TypeVar("T", str, bytes, bytearray, list, tuple)

class Run(NamedTuple):
    """A run of one edit: 'keep', 'remove' (from a) or 'insert' (from b)."""

    edit: str
    a_pos: int
    b_pos: int
    count: int

class Pairs(NamedTuple):
    """Pairs above a threshold: three numpy arrays of one length."""

    query: npt.NDArray[np.int64]
    choice: npt.NDArray[np.int64]
    length: npt.NDArray[np.int32]

class Pattern:
    """A query prepared once for many comparisons; safe to share between threads."""

    def __init__(self, query: Text) -> None: ...
    @property
    def query(self) -> Text: ...
    def length(self, text: Text) -> int: ...
    def similarity(self, text: Text) -> float: ...
    def __len__(self) -> int: ...

def length(a: Text, b: Text, threads: int = 1) -> int:
    """The LCS length of a and b."""

def similarity(a: Text, b: Text) -> float:
    """LCS / max(len(a), len(b)); 1.0 for two empty strings."""

def lengths(
    query: Union[Text, Pattern], choices: Sequence[Text], threads: int = 1
) -> npt.NDArray[np.int32]:
    """The LCS length of the query with each choice, in the choices' order."""

def extract(
    query: Union[Text, Pattern],
    choices: Sequence[Text],
    limit: Optional[int] = 5,
    min_similarity: float = 0.0,
    threads: int = 1,
) -> List[Tuple[Any, float, int]]:
    """The best choices as (choice, similarity, index), best first, ties in input order."""

def matrix(
    queries: Sequence[Text], choices: Sequence[Text], threads: int = 1
) -> npt.NDArray[np.int32]:
    """The LCS of every query with every choice, shape (len(queries), len(choices))."""

def pairs(
    queries: Sequence[Text],
    choices: Optional[Sequence[Text]] = None,
    min_similarity: float = 0.8,
    threads: int = 1,
) -> Pairs:
    """The pairs with a similarity of at least min_similarity, by query, then choice.

    choices=None: the queries against each other, each unordered pair once.
    """

def align(a: Text, b: Text, threads: int = 1) -> List[Run]:
    """A longest common subsequence as runs of edits, in memory linear in the lengths."""

def opcodes(a: Text, b: Text, threads: int = 1) -> List[Tuple[str, int, int, int, int]]:
    """The alignment in difflib.SequenceMatcher.get_opcodes() form."""

def common_subsequence(a: T, b: Text, threads: int = 1) -> T:
    """One longest common subsequence, of a's type."""

def routine(name: str, a: Union[bytes, bytearray, memoryview], b: Union[bytes, bytearray, memoryview]) -> Union[int, float]:
    """Runs one classic routine by name on bytes; not interruptible."""

def routines() -> List[str]:
    """The names of the classic routines."""

def isa() -> str:
    """The vector paths this process runs."""
