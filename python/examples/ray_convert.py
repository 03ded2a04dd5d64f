"""Converts many pictures with Ray Data: read_binary_files reads each file
whole with its path, map_batches converts a batch at a time on the
cluster's workers, and the results (input path, output bytes or the reason
it failed) are written as Parquet.

    python ray_convert.py MANIFEST OUTPUT [--address auto] [--format png]
                          [--thickness thin|thick] [--contrast 1-16] [--noise]

MANIFEST is a text file of input paths, one a line, or a folder whose
BMP, JPEG and PNG files are converted; OUTPUT a folder or object store URL
(s3://bucket/lines) for the Parquet files. A picture that cannot be
converted has its reason in the error column and stops nothing; the exit
status is 1 when any failed. Without --address a local Ray starts here.
"""

from __future__ import annotations

import argparse
import os
import sys

import pandas
import ray

PICTURE_SUFFIXES = (".bmp", ".jpg", ".jpeg", ".png")


class Converter:
    """The batch function, for these options; velmora is imported where it runs."""

    def __init__(self, options: dict):
        self.options = options

    def __call__(self, batch: pandas.DataFrame) -> pandas.DataFrame:
        import velmora

        outputs, errors = [], []
        for content in batch["bytes"]:
            try:
                outputs.append(velmora.convert(content, **self.options))
                errors.append(None)
            except (OSError, MemoryError) as error:  # velmora.ImageError is an OSError
                outputs.append(None)
                errors.append(f"{type(error).__name__}: {error}")
        return pandas.DataFrame({"path": batch["path"], "output": outputs, "error": errors})


def read_manifest(source: str) -> list[str]:
    if os.path.isdir(source):
        names = sorted(n for n in os.listdir(source) if n.lower().endswith(PICTURE_SUFFIXES))
        return [os.path.join(source, name) for name in names]
    with open(source, encoding="utf-8") as manifest:
        return [line.strip() for line in manifest if line.strip()]


def convert_all(paths: list[str], output: str, options: dict) -> int:
    """Converts every path into Parquet at output; the failures."""
    pictures = ray.data.read_binary_files(paths, include_paths=True)
    results = pictures.map_batches(Converter(options), batch_format="pandas", batch_size=32).materialize()
    results.write_parquet(output)
    return int(results.select_columns(["error"]).to_pandas()["error"].notna().sum())


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("manifest")
    parser.add_argument("output")
    parser.add_argument("--address", help="a running Ray cluster's address, or auto")
    parser.add_argument("--cpus", type=int, help="CPUs of the local Ray")
    parser.add_argument("--format", default="png", choices=["bmp", "png", "svg"])
    parser.add_argument("--thickness", default="thin", choices=["thin", "thick"])
    parser.add_argument("--contrast", type=int, default=7)
    parser.add_argument("--noise", action="store_true")
    args = parser.parse_args(argv)
    options = {"format": args.format, "thickness": args.thickness, "contrast": args.contrast, "noise": args.noise}
    ray.init(address=args.address, num_cpus=None if args.address else args.cpus, include_dashboard=False)
    try:
        failed = convert_all(read_manifest(args.manifest), args.output, options)
    finally:
        ray.shutdown()
    print(f"{failed} failed", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
