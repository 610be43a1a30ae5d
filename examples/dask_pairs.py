"""Near-duplicate lines of a list too large for one machine, with Dask.

The list is cut into blocks of consecutive lines. Each block is read by a
task on a worker (from a file that every worker can open) or handed out from
the client's memory, and each pair of blocks is a task of its own: lcs.pairs
of a block against itself (each unordered pair once) and of a block against
every later block. The pairs found are gathered and put in the order that
lcs.pairs of the whole list gives: by the first line, then the second; so the
result equals lcs.pairs(lines, min_similarity=...) in one process. Only the
blocks that a task needs travel to its worker, and the client holds nothing
but the offsets of the blocks and the pairs.

    python3 examples/dask_pairs.py lines.txt                     # a local cluster
    python3 examples/dask_pairs.py lines.txt --scheduler tcp://host:8786

prints one pair a line: the two line numbers (from 1) and their LCS length.
docs/python.md tells how to start a cluster on several machines.
"""

import argparse
import sys

import numpy as np

import lcs


def read_block(path, offset, count):
    """count lines of the file from byte offset, without their line ends."""
    with open(path, "rb") as f:
        f.seek(offset)
        return [f.readline().rstrip(b"\n").decode("utf-8", "surrogateescape") for _ in range(count)]


def block_offsets(path, block):
    """(first line, byte offset, line count) of each block of the file."""
    blocks, line, offset, start, start_offset = [], 0, 0, 0, 0
    with open(path, "rb") as f:
        for text in f:
            line += 1
            offset += len(text)
            if line - start == block:
                blocks.append((start, start_offset, block))
                start, start_offset = line, offset
    if line > start:
        blocks.append((start, start_offset, line - start))
    return blocks


def blocks_of_file(client, path, block):
    """The blocks as (first line, future): each read by a worker."""
    return [(first, client.submit(read_block, path, offset, count, pure=False))
            for first, offset, count in block_offsets(path, block)]


def blocks_of_list(client, lines, block):
    """The blocks as (first line, future), sent from the client's memory."""
    firsts = range(0, len(lines), block)
    futures = client.scatter([lines[first:first + block] for first in firsts])
    return list(zip(firsts, futures))


def pairs_between(queries, first_query, choices, first_choice, min_similarity):
    """lcs.pairs of two blocks (choices None: of one block with itself), in
    the whole list's line numbers."""
    found = lcs.pairs(queries, choices, min_similarity=min_similarity)
    return found.query + first_query, found.choice + first_choice, found.length


def near_duplicates(client, blocks, min_similarity=0.8):
    """The pairs of lines of the blocks whose similarity is at least
    min_similarity, as lcs.Pairs ordered by first line, then second."""
    tasks = []
    for i, (first, lines) in enumerate(blocks):
        tasks.append(client.submit(pairs_between, lines, first, None, first, min_similarity))
        for later_first, later_lines in blocks[i + 1:]:
            tasks.append(client.submit(pairs_between, lines, first, later_lines, later_first,
                                       min_similarity))
    parts = client.gather(tasks)
    if not parts:
        empty = np.zeros(0, dtype=np.int64)
        return lcs.Pairs(empty, empty, np.zeros(0, dtype=np.int32))
    query, choice, length = (np.concatenate(column) for column in zip(*parts))
    order = np.lexsort((choice, query))
    return lcs.Pairs(query[order], choice[order], length[order])


def main(argv=None):
    parser = argparse.ArgumentParser(description="Near-duplicate lines of a file, on a Dask cluster.")
    parser.add_argument("file", help="the lines; on a cluster, a path that every worker can read")
    parser.add_argument("--scheduler", help="the scheduler's address (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=2, help="worker processes of a local cluster")
    parser.add_argument("--block", type=int, default=5000, help="lines a task compares at once")
    parser.add_argument("--min-similarity", type=float, default=0.8)
    args = parser.parse_args(argv)

    from distributed import Client, LocalCluster

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        client = Client(LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                     dashboard_address=None))
    with client:
        found = near_duplicates(client, blocks_of_file(client, args.file, args.block),
                                args.min_similarity)
    for q, c, length in zip(found.query.tolist(), found.choice.tolist(), found.length.tolist()):
        sys.stdout.write(f"{q + 1}\t{c + 1}\t{length}\n")


if __name__ == "__main__":
    main()
