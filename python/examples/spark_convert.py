"""Converts many pictures with Spark: the binaryFile source reads each file
whole into a row, mapInPandas converts a batch of rows at a time on the
executors, and the results (input path, output bytes or the reason it
failed) are written as Parquet.

    python spark_convert.py INPUT OUTPUT [--master local[2]] [--format png]
                            [--thickness thin|thick] [--contrast 1-16] [--noise]

INPUT is a folder (its BMP, JPEG and PNG files) or a manifest, a text file of
paths one a line; OUTPUT a folder or object store URL (s3a://bucket/lines)
for the Parquet files. A picture that cannot be converted has its reason in
the error column and stops nothing; the exit status is 1 when any failed.
"""

from __future__ import annotations

import argparse
import os
import sys
from collections.abc import Iterator

import pandas
from pyspark.sql import SparkSession

SCHEMA = "path string, output binary, error string"


def converter(options: dict):
    """The function mapInPandas runs on each executor, for these options."""

    def convert_batches(batches: Iterator[pandas.DataFrame]) -> Iterator[pandas.DataFrame]:
        import velmora  # on the executor

        for batch in batches:
            outputs, errors = [], []
            for content in batch["content"]:
                try:
                    outputs.append(velmora.convert(content, **options))
                    errors.append(None)
                except (OSError, MemoryError) as error:  # velmora.ImageError is an OSError
                    outputs.append(None)
                    errors.append(f"{type(error).__name__}: {error}")
            yield pandas.DataFrame({"path": batch["path"], "output": outputs, "error": errors})

    return convert_batches


def input_paths(source: str) -> list[str]:
    """A folder as it is (Spark lists it), or the paths of a manifest."""
    if os.path.isdir(source):
        return [source]
    with open(source, encoding="utf-8") as manifest:
        return [line.strip() for line in manifest if line.strip()]


def convert_all(spark: SparkSession, source: str, output: str, options: dict) -> int:
    """Converts every picture of source into Parquet at output; the failures."""
    pictures = (
        spark.read.format("binaryFile")
        .option("pathGlobFilter", "*.{bmp,BMP,jpg,JPG,jpeg,JPEG,png,PNG}")
        .load(input_paths(source))
        .select("path", "content")
    )
    results = pictures.mapInPandas(converter(options), SCHEMA)
    results.write.mode("overwrite").parquet(output)
    return spark.read.parquet(output).where("error IS NOT NULL").count()


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("input")
    parser.add_argument("output")
    parser.add_argument("--master", default="local[2]")
    parser.add_argument("--format", default="png", choices=["bmp", "png", "svg"])
    parser.add_argument("--thickness", default="thin", choices=["thin", "thick"])
    parser.add_argument("--contrast", type=int, default=7)
    parser.add_argument("--noise", action="store_true")
    args = parser.parse_args(argv)
    options = {"format": args.format, "thickness": args.thickness, "contrast": args.contrast, "noise": args.noise}
    # Local executors run this Python, where velmora is; a cluster's run the
    # Python its configuration names.
    os.environ.setdefault("PYSPARK_PYTHON", sys.executable)
    spark = SparkSession.builder.master(args.master).appName("velmora").getOrCreate()
    try:
        failed = convert_all(spark, args.input, args.output, options)
    finally:
        spark.stop()
    print(f"{failed} failed", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
