"""Benchmark of the velmora package: prints each measure as a ratio from one
run, next to its target. Never a test: the figures depend on the machine
and its load.

    python python/bench/bench.py [--quick]

Needs velmora, numpy, opencv-python-headless (the comparison) and
dask[distributed] (the cluster ratio). --quick skips the 6000 x 4000 and the
cluster measures.
"""

from __future__ import annotations

import argparse
import os
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

import cv2
import numpy

import velmora

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "examples"))


def photo(height: int, width: int, seed: int = 1) -> numpy.ndarray:
    """A photo-like RGB picture: smooth shading, discs of colour, grain."""
    rng = numpy.random.default_rng(seed)
    small = rng.integers(0, 256, (max(2, height // 64), max(2, width // 64), 3), dtype=numpy.uint8)
    picture = cv2.resize(small, (width, height), interpolation=cv2.INTER_CUBIC)
    for _ in range(40):
        centre = (int(rng.integers(0, width)), int(rng.integers(0, height)))
        radius = int(rng.integers(2, max(3, min(height, width) // 8)))
        cv2.circle(picture, centre, radius, [int(c) for c in rng.integers(0, 256, 3)], -1)
    grain = rng.integers(-8, 9, picture.shape, dtype=numpy.int16)
    return numpy.clip(picture.astype(numpy.int16) + grain, 0, 255).astype(numpy.uint8)


def jpeg(height: int, width: int, seed: int = 1) -> bytes:
    return cv2.imencode(".jpg", photo(height, width, seed), [cv2.IMWRITE_JPEG_QUALITY, 90])[1].tobytes()


def best(function, runs: int) -> float:
    """The shortest of runs timings of function, in seconds."""
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        function()
        times.append(time.perf_counter() - started)
    return min(times)


def report(name: str, ratio: float, target: str) -> None:
    print(f"ratio {name} {ratio:.2f} (target {target})", flush=True)


def opencv_pipeline(data: bytes) -> bytes:
    image = cv2.imdecode(numpy.frombuffer(data, numpy.uint8), cv2.IMREAD_COLOR)
    edges = cv2.Canny(image, 100, 200)
    return cv2.imencode(".png", edges)[1].tobytes()


def against_opencv(height: int, width: int, runs: int, decode_ahead: bool = False) -> None:
    data = jpeg(height, width)
    ours = best(lambda: velmora.convert(data, format="png", decode_ahead=decode_ahead), runs)
    theirs = best(lambda: opencv_pipeline(data), runs)
    if decode_ahead:
        report(f"opencv_over_velmora_convert_decode_ahead_{width}x{height}", theirs / ours, "at least 5")
    else:
        report(f"opencv_over_velmora_convert_{width}x{height}", theirs / ours, "at least 6")


# Run in a process of its own, whose heap holds nothing freed that the
# drawing could reuse unseen: the picture is its only large allocation.
MEMORY_PROBE = """
import sys, numpy, velmora
def peak():
    with open('/proc/self/status') as status:
        return int(dict(line.split(':', 1) for line in status)['VmHWM'].split()[0]) * 1024
pixels = numpy.load(sys.argv[1])
with open('/proc/self/clear_refs', 'w') as clear:
    clear.write('5')  # the peak starts anew at the present size
before = peak()
lines = velmora.extract(pixels)
print(peak() - before - lines.nbytes)
"""


def copy_time(pixels: numpy.ndarray, runs: int) -> float:
    """The best time of numpy.copyto of pixels, whose target is freed on
    return."""
    target = numpy.empty_like(pixels)
    return best(lambda: numpy.copyto(target, pixels), runs)


def extract_against_copy(runs: int) -> None:
    pixels = photo(4000, 6000)
    copy = copy_time(pixels, runs)
    ours = best(lambda: velmora.extract(pixels), runs)
    report("velmora_extract_over_copyto_6000x4000", ours / copy, "at most 3")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "pixels.npy")
        numpy.save(path, pixels)
        probe = subprocess.run([sys.executable, "-c", MEMORY_PROBE, path], capture_output=True, text=True, check=True)
    above = int(probe.stdout)
    print(f"memory extract_peak_above_input_and_output_MB {above / 2**20:.1f} (target at most 16)", flush=True)


def threads_against_one(count: int) -> None:
    files = [jpeg(512, 512, seed) for seed in range(8)]
    work = [files[i % len(files)] for i in range(count)]

    def run(threads: int) -> float:
        with ThreadPoolExecutor(threads) as pool:
            started = time.perf_counter()
            list(pool.map(lambda data: velmora.convert(data, format="png"), work))
            return time.perf_counter() - started

    one = min(run(1) for _ in range(2))
    two = min(run(2) for _ in range(2))
    report("two_threads_over_one_convert_512x512", one / two, "at least 1.8 on 2 cores")


def dask_two_workers_against_one(count: int) -> None:
    from dask.distributed import Client, LocalCluster

    import dask_convert

    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for index in range(count):
            path = os.path.join(folder, f"photo-{index:03}.jpg")
            with open(path, "wb") as file:
                file.write(jpeg(768, 1334, seed=index % 16))
            paths.append(path)
        options = {"format": "png", "thickness": "thin", "contrast": 7, "noise": False}
        times = {}
        for workers in (1, 2):
            with (
                LocalCluster(n_workers=workers, threads_per_worker=1, processes=True) as cluster,
                Client(cluster) as client,
            ):
                dask_convert.convert_all(paths[:8], os.path.join(folder, "warm"), options, client)
                started = time.perf_counter()
                dask_convert.convert_all(paths, os.path.join(folder, f"out{workers}"), options, client)
                times[workers] = time.perf_counter() - started
        report(f"dask_two_workers_over_one_{count}_jpegs_1MP", times[1] / times[2], "at least 1.6")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true")
    quick = parser.parse_args().quick
    print(f"velmora {velmora.__version__}, OpenCV {cv2.__version__}, {os.cpu_count()} processors", flush=True)
    against_opencv(512, 512, runs=30)
    threads_against_one(count=200)
    if quick:
        return
    against_opencv(4000, 6000, runs=3)
    against_opencv(4000, 6000, runs=3, decode_ahead=True)
    extract_against_copy(runs=3)
    dask_two_workers_against_one(count=400)


if __name__ == "__main__":
    main()
