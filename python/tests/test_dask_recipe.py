"""The Dask recipe on a LocalCluster of two workers: 200 pictures and a
damaged one, every output checked against velmora-cli's bytes."""

from __future__ import annotations

import json
import subprocess
import sys

import pytest

from conftest import ROOT, check_results

RECIPE = ROOT / "python" / "examples" / "dask_convert.py"


@pytest.mark.timeout(600)
def test_dask_recipe_converts_every_picture_as_the_converter(batch, tmp_path):
    pictures, expected = batch
    manifest = tmp_path / "manifest.txt"
    manifest.write_text("".join(f"{p}\n" for p in sorted(pictures.iterdir())))
    output_dir = tmp_path / "out"
    done = subprocess.run([sys.executable, str(RECIPE), str(manifest), str(output_dir), "--workers", "2",
                           "--thickness", "thick"], capture_output=True, text=True, timeout=600)
    assert done.returncode == 1 and "200 converted, 1 failed" in done.stderr, done.stderr[-3000:]
    results = [json.loads(line) for line in done.stdout.splitlines()]
    rows = [(r["input"], r["output"] and open(r["output"], "rb").read(), r["error"]) for r in results]
    check_results(rows, expected)
    assert len(list(output_dir.iterdir())) == 200
