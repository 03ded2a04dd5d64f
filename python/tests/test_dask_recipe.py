"""The Dask recipe on a LocalCluster: 200 pictures and a damaged one, every
output checked against velmora-cli's bytes."""

from __future__ import annotations

import json
import pathlib
import subprocess
import sys

import pytest

from conftest import DATA, ROOT, photo, write_bmp

RECIPE = ROOT / "python" / "examples" / "dask_convert.py"


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    pictures = tmp_path_factory.mktemp("pictures")
    for index in range(200):
        write_bmp(pictures / f"picture-{index:03}.bmp", photo(64, 64, seed=index))
    (pictures / "damaged.jpg").write_bytes((DATA / "jpeg" / "baseline.jpg").read_bytes()[:700])
    return pictures


@pytest.mark.timeout(600)
def test_dask_recipe_converts_every_picture_as_the_converter(cli, folder, tmp_path):
    expected_dir = tmp_path / "cli"
    subprocess.run([str(cli), "--quiet", "--format", "png", "--thickness", "thick", "--output-dir", str(expected_dir),
                    *sorted(str(p) for p in folder.iterdir())], timeout=300)
    manifest = tmp_path / "manifest.txt"
    manifest.write_text("".join(f"{p}\n" for p in sorted(folder.iterdir())))
    output_dir = tmp_path / "out"
    done = subprocess.run([sys.executable, str(RECIPE), str(manifest), str(output_dir), "--workers", "2",
                           "--thickness", "thick"], capture_output=True, text=True, timeout=600)
    assert done.returncode == 1, done.stderr
    results = [json.loads(line) for line in done.stdout.splitlines()]
    assert len(results) == 201
    failed = [r for r in results if r["error"]]
    assert [pathlib.Path(r["input"]).name for r in failed] == ["damaged.jpg"]
    assert "ImageError" in failed[0]["error"] and "damaged" in failed[0]["error"]
    outputs = sorted(p.name for p in output_dir.iterdir())
    assert outputs == sorted(p.name for p in expected_dir.iterdir()) and len(outputs) == 200
    for name in outputs:
        assert (output_dir / name).read_bytes() == (expected_dir / name).read_bytes(), name
