"""The Spark recipe on local[2]: 200 pictures and a damaged one, every
output checked against velmora-cli's bytes."""

from __future__ import annotations

import subprocess
import sys

import pandas
import pytest

from conftest import ROOT, check_results

RECIPE = ROOT / "python" / "examples" / "spark_convert.py"


@pytest.mark.timeout(900)
def test_spark_recipe_converts_every_picture_as_the_converter(batch, tmp_path):
    pictures, expected = batch
    output = tmp_path / "lines.parquet"
    done = subprocess.run([sys.executable, str(RECIPE), str(pictures), str(output), "--master", "local[2]",
                           "--thickness", "thick"], capture_output=True, text=True, timeout=900)
    assert done.returncode == 1 and "1 failed" in done.stderr, done.stderr[-3000:]
    results = pandas.read_parquet(output)
    rows = [(path.removeprefix("file:"), output, error) for path, output, error in results.itertuples(index=False)]
    check_results(rows, expected)
