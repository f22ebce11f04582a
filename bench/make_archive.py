#!/usr/bin/env python3
"""Writes a synthetic payload-like tree for the extraction benchmark: about `total_mb` megabytes in
about 1,000 files of mixed compressibility (random, text-like, runs of zeros) in nested folders,
with a fixed seed so every run measures the same archive."""
import os
import random
import sys

root, total_mb = sys.argv[1], int(sys.argv[2])
rng = random.Random(1974)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(400)]
files = 1000
budget = total_mb * 1024 * 1024
for index in range(files):
    folder = os.path.join(root, *[f"level{rng.randint(0, 4)}" for _ in range(rng.randint(0, 3))])
    os.makedirs(folder, exist_ok=True)
    size = max(1, int(budget / files * rng.uniform(0.2, 1.8)))
    kind = index % 3
    if kind == 0:
        data = rng.randbytes(size)
    elif kind == 1:
        chunks, length = [], 0
        while length < size:
            word = rng.choice(words) + (b"\r\n" if rng.random() < 0.1 else b" ")
            chunks.append(word)
            length += len(word)
        data = b"".join(chunks)[:size]
    else:
        data = bytes(size // 2) + rng.randbytes(size - size // 2)
    with open(os.path.join(folder, f"file{index:04d}.bin"), "wb") as out:
        out.write(data)
