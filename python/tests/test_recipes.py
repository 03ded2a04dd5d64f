"""The recipes, each on a local cluster of two workers: 200 pictures and a
damaged one, every output checked against velmora-cli's bytes."""

from __future__ import annotations

import json
import pathlib
import subprocess
import sys

import pandas
import pytest

from conftest import ROOT, check_results


def manifest_of(pictures: pathlib.Path, tmp_path: pathlib.Path) -> pathlib.Path:
    manifest = tmp_path / "manifest.txt"
    manifest.write_text("".join(f"{p}\n" for p in sorted(pictures.iterdir())))
    return manifest


def dask_rows(done: subprocess.CompletedProcess[str], output: pathlib.Path) -> list[tuple]:
    assert "200 converted, 1 failed" in done.stderr, done.stderr[-3000:]
    assert len(list(output.iterdir())) == 200
    results = [json.loads(line) for line in done.stdout.splitlines()]
    return [(r["input"], r["output"] and open(r["output"], "rb").read(), r["error"]) for r in results]


def ray_rows(done: subprocess.CompletedProcess[str], output: pathlib.Path) -> list[tuple]:
    return list(pandas.read_parquet(output)[["path", "output", "error"]].itertuples(index=False))


def spark_rows(done: subprocess.CompletedProcess[str], output: pathlib.Path) -> list[tuple]:
    results = pandas.read_parquet(output).itertuples(index=False)
    return [(path.removeprefix("file:"), lines, error) for path, lines, error in results]


# Each recipe: its script, what it reads (a manifest of paths, or the folder
# for Spark's binaryFile source), its cluster's option and its rows.
RECIPES = [
    ("dask_convert.py", manifest_of, ["--workers", "2"], dask_rows),
    ("ray_convert.py", manifest_of, ["--cpus", "2"], ray_rows),
    ("spark_convert.py", lambda pictures, _: pictures, ["--master", "local[2]"], spark_rows),
]


@pytest.mark.timeout(900)
@pytest.mark.parametrize("script, source, cluster, rows", RECIPES, ids=[r[0] for r in RECIPES])
def test_recipe_converts_every_picture_as_the_converter(batch, tmp_path, script, source, cluster, rows):
    pictures, expected = batch
    output = tmp_path / "out"
    recipe = ROOT / "python" / "examples" / script
    done = subprocess.run([sys.executable, str(recipe), str(source(pictures, tmp_path)), str(output), *cluster,
                           "--thickness", "thick"], capture_output=True, text=True, timeout=900, check=False)
    assert done.returncode == 1 and "1 failed" in done.stderr, done.stderr[-3000:]
    check_results(rows(done, output), expected)
