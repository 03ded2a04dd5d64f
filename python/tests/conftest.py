"""Shared fixtures: the converter the package is checked against, the
project's test pictures, and a reader of the converter's BMP pixels."""

from __future__ import annotations

import os
import pathlib
import struct
import subprocess

import numpy
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"

# Pictures of every kind the loader reads: baseline, progressive, grey,
# CMYK and subsampled JPEGs, PNGs with alpha, palettes and 16 bits, BMPs
# with palettes, RLE and alpha.
PICTURES = [
    DATA / "jpeg" / "baseline.jpg",
    DATA / "jpeg" / "progressive.jpg",
    DATA / "jpeg" / "grey.jpg",
    DATA / "jpeg" / "cmyk.jpg",
    DATA / "jpeg" / "subsampled-420.jpg",
    DATA / "jpeg" / "reference.png",
    DATA / "pngsuite" / "png" / "basn6a08.png",
    DATA / "pngsuite" / "png" / "basn3p04.png",
    DATA / "pngsuite" / "png" / "basn2c16.png",
    DATA / "bmp" / "rgb24.bmp",
    DATA / "bmp" / "pal8rle.bmp",
    DATA / "bmp" / "argb32.bmp",
]


@pytest.fixture(scope="session")
def cli() -> pathlib.Path:
    path = pathlib.Path(os.environ.get("VELMORA_CLI", ROOT / "build" / "native" / "cli" / "velmora-cli"))
    if not path.exists():
        pytest.fail(f"velmora-cli not found at {path}: build the native preset or set VELMORA_CLI")
    return path


def run_cli(cli: pathlib.Path, src: pathlib.Path, dst: pathlib.Path, *options: str) -> bytes:
    """The bytes velmora-cli writes for src with the options."""
    subprocess.run([str(cli), "--quiet", *options, "-o", str(dst), str(src)], check=True, timeout=120)
    return dst.read_bytes()


def bmp_pixels(data: bytes) -> numpy.ndarray:
    """The first channel of a 24-bit BMP as an H x W array, top row first."""
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (3 * width + 3) & ~3
    rows = numpy.frombuffer(data, numpy.uint8, stride * abs(height), offset).reshape(abs(height), stride)
    pixels = rows[:, 0 : 3 * width : 3]
    return pixels[::-1] if height > 0 else pixels


def write_bmp(path: pathlib.Path, rgb: numpy.ndarray) -> None:
    """An uncompressed 24-bit BMP of an H x W x 3 RGB array."""
    height, width, _ = rgb.shape
    stride = (3 * width + 3) & ~3
    rows = numpy.zeros((height, stride), numpy.uint8)
    rows[:, : 3 * width] = rgb[::-1, :, ::-1].reshape(height, 3 * width)
    header = struct.pack("<2sIHHI", b"BM", 54 + rows.size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, rows.size, 0, 0, 0, 0)
    path.write_bytes(header + info + rows.tobytes())


def photo(height: int, width: int, seed: int = 7) -> numpy.ndarray:
    """A photo-like RGB picture: smooth shading, discs and a little noise."""
    rng = numpy.random.default_rng(seed)
    y, x = numpy.mgrid[0:height, 0:width]
    picture = numpy.stack([x * 255 // max(width, 1), y * 255 // max(height, 1), (x + y) % 256], axis=2).astype(float)
    for _ in range(12):
        cy, cx, r = rng.integers(0, height), rng.integers(0, width), rng.integers(3, max(4, min(height, width) // 3))
        picture[(y - cy) ** 2 + (x - cx) ** 2 < r * r] = rng.integers(0, 256, 3)
    picture += rng.normal(0, 6, picture.shape)
    return picture.clip(0, 255).astype(numpy.uint8)


@pytest.fixture(scope="session")
def batch(cli, tmp_path_factory):
    """The recipes' folder: 200 small pictures and a damaged JPEG, with the
    folder of velmora-cli's thick-line PNGs of them."""
    pictures = tmp_path_factory.mktemp("pictures")
    for index in range(200):
        write_bmp(pictures / f"picture-{index:03}.bmp", photo(64, 64, seed=index))
    (pictures / "damaged.jpg").write_bytes((DATA / "jpeg" / "baseline.jpg").read_bytes()[:700])
    expected = tmp_path_factory.mktemp("expected")
    # Exit status 1 for the damaged picture.
    subprocess.run([str(cli), "--quiet", "--format", "png", "--thickness", "thick", "--output-dir", str(expected),
                    *sorted(str(p) for p in pictures.iterdir())], timeout=300, check=False)
    return pictures, expected


def check_results(results, expected: pathlib.Path) -> None:
    """Rows of (path, output, error) from a recipe: the damaged picture
    failed with its reason, every other output is velmora-cli's."""
    assert len(results) == 201
    # A missing error may come back from Parquet as None or NaN.
    failed = [(path, error) for path, output, error in results if isinstance(error, str)]
    assert [pathlib.Path(path).name for path, _ in failed] == ["damaged.jpg"], failed
    assert "ImageError" in failed[0][1] and "damaged" in failed[0][1]
    for path, output, error in results:
        if not isinstance(error, str):
            name = pathlib.PurePath(path).stem + "-velmora.png"
            assert output == (expected / name).read_bytes(), name
