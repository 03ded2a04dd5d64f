"""Converts many pictures on a Dask cluster: a bag of paths, each mapped to
its output file by velmora.convert_file on whichever worker takes it.

    python dask_convert.py MANIFEST OUTPUT_DIR [--workers N] [--format png]
                           [--thickness thin|thick] [--contrast 1-16] [--noise]

MANIFEST is a text file of input paths, one a line, or a folder whose
pictures are converted. Each output is OUTPUT_DIR/NAME-velmora.FORMAT, as
velmora-cli --output-dir names it. A picture that cannot be converted is
reported with its reason and stops nothing; the exit status is 1 when any
failed. Without --scheduler, a LocalCluster of single-threaded worker
processes runs here; with --scheduler ADDRESS, the cluster there does.
"""

from __future__ import annotations

import argparse
import json
import os
import sys

import dask.bag
from dask.distributed import Client, LocalCluster

import velmora

PICTURE_SUFFIXES = (".bmp", ".jpg", ".jpeg", ".png")


def read_manifest(source: str) -> list[str]:
    """The input paths: the lines of a manifest, or the pictures of a folder."""
    if os.path.isdir(source):
        names = sorted(n for n in os.listdir(source) if n.lower().endswith(PICTURE_SUFFIXES))
        return [os.path.join(source, name) for name in names]
    with open(source, encoding="utf-8") as manifest:
        return [line.strip() for line in manifest if line.strip()]


def convert_one(path: str, output_dir: str, options: dict) -> dict:
    """Converts one picture; a failure is this picture's result, not an exception."""
    stem = os.path.splitext(os.path.basename(path))[0]
    output = os.path.join(output_dir, f"{stem}-velmora.{options['format']}")
    try:
        velmora.convert_file(path, output, **options)
    except (OSError, MemoryError) as error:  # velmora.ImageError is an OSError
        return {"input": path, "output": None, "error": f"{type(error).__name__}: {error}"}
    return {"input": path, "output": output, "error": None}


def convert_all(paths: list[str], output_dir: str, options: dict, client: Client) -> list[dict]:
    """The results of every path, in their order, computed on client's cluster."""
    os.makedirs(output_dir, exist_ok=True)
    # A few partitions per worker thread keeps them busy to the end.
    partitions = max(1, min(len(paths), 4 * sum(client.nthreads().values())))
    bag = dask.bag.from_sequence(paths, npartitions=partitions)
    return bag.map(convert_one, output_dir, options).compute()


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("manifest")
    parser.add_argument("output_dir")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=os.cpu_count())
    parser.add_argument("--format", default="png", choices=["bmp", "png", "svg"])
    parser.add_argument("--thickness", default="thin", choices=["thin", "thick"])
    parser.add_argument("--contrast", type=int, default=7)
    parser.add_argument("--noise", action="store_true")
    args = parser.parse_args(argv)
    options = {"format": args.format, "thickness": args.thickness, "contrast": args.contrast, "noise": args.noise}
    paths = read_manifest(args.manifest)
    if args.scheduler:
        with Client(args.scheduler) as client:
            results = convert_all(paths, args.output_dir, options, client)
    else:
        with (
            LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True) as cluster,
            Client(cluster) as client,
        ):
            results = convert_all(paths, args.output_dir, options, client)
    for result in results:
        print(json.dumps(result, ensure_ascii=False))
    failed = sum(result["error"] is not None for result in results)
    print(f"{len(results) - failed} converted, {failed} failed", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
