"""zorscale's paint beside numpy's own lookup, on 10^7 float64 values.

    PYTHONPATH=build/release/python ZOR_MODULE_PATH=build/release/bin \\
        python3 bench/zorscale_paint.py

numpy's way is what a Python user would write for a scale of plain blocks: the block of each
value by np.searchsorted on the boundaries, then its color by take. The medians of 7 runs are
printed in milliseconds, with what each gives per value.
"""

import statistics
import time

import numpy as np

import zorscale

COUNT = 10_000_000
RUNS = 7


def median_ms(work):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        work()
        times.append((time.perf_counter() - start) * 1000.0)
    return statistics.median(times)


def main():
    rng = np.random.default_rng(1)
    values = rng.normal(0.0, 1.0, COUNT)
    for blocks, plain in ((10, True), (10, False), (256, False)):
        scale = zorscale.Scale(blocks)
        if plain:  # every color imposed: viridis sampled onto fewer blocks than its entries
            scale.impose_preset("viridis")
            scale.classify(values[:100_000], "quantile")
        else:
            scale.fit(values[:100_000])
        boundaries, colors = scale.boundaries, scale.colors
        blended = not all(scale.colors_imposed)
        numpy_ms = median_ms(lambda: np.take(colors, np.searchsorted(boundaries, values, side="right"), axis=0))
        one_ms = median_ms(lambda: scale.paint(values, threads=1))
        two_ms = median_ms(lambda: scale.paint(values, threads=2))
        kind = "blended blocks" if blended else "plain blocks"
        print(f"{blocks:4d} blocks ({kind:14s}): numpy searchsorted+take {numpy_ms:7.1f} ms, "
              f"zorscale paint 1 thread {one_ms:7.1f} ms ({one_ms / numpy_ms:.2f}x), "
              f"2 threads {two_ms:7.1f} ms ({two_ms / numpy_ms:.2f}x)")


if __name__ == "__main__":
    main()
