"""The Ray Data recipe on a local Ray of two CPUs: 200 pictures and a
damaged one, every output checked against velmora-cli's bytes."""

from __future__ import annotations

import subprocess
import sys

import pandas
import pytest

from conftest import ROOT, check_results

RECIPE = ROOT / "python" / "examples" / "ray_convert.py"


@pytest.mark.timeout(900)
def test_ray_recipe_converts_every_picture_as_the_converter(batch, tmp_path):
    pictures, expected = batch
    manifest = tmp_path / "manifest.txt"
    manifest.write_text("".join(f"{p}\n" for p in sorted(pictures.iterdir())))
    output = tmp_path / "lines"
    done = subprocess.run([sys.executable, str(RECIPE), str(manifest), str(output), "--cpus", "2",
                           "--thickness", "thick"], capture_output=True, text=True, timeout=900)
    assert done.returncode == 1 and "1 failed" in done.stderr, done.stderr[-3000:]
    results = pandas.read_parquet(output)
    check_results(list(results[["path", "output", "error"]].itertuples(index=False)), expected)
