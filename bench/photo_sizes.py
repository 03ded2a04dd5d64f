"""Whether a style draws a photo the same at any size, and how much it draws.

    photo_sizes.py --cli velmora-cli PHOTO... [--style photo] [--options ...]

For each photo: the share of line pixels in the converter's drawing of it,
and how well that drawing, reduced to a quarter of the photo's size (a pixel
a line where any of its 4 x 4 is), agrees with the drawing of the photo
itself reduced to a quarter first: precision, recall and F of line pixels
with one of the other's within 2 pixels. Runs with the benchmark environment
of bench/bsds500 (numpy, scipy, OpenCV).
"""

import argparse
import subprocess
import tempfile
from pathlib import Path

import cv2
import numpy as np
from scipy import ndimage as ndi

TOLERANCE = 2
QUARTER = 4


def drawing(cli: Path, picture: Path, out: Path, options: list[str]) -> np.ndarray:
    subprocess.run([str(cli), *options, "--format", "png", "--quiet", "-o", str(out), str(picture)], check=True)
    return cv2.imread(str(out), cv2.IMREAD_GRAYSCALE) == 0


def reduced(lines: np.ndarray, shape: tuple[int, int]) -> np.ndarray:
    h, w = lines.shape
    padded = np.zeros((shape[0] * QUARTER, shape[1] * QUARTER), bool)
    padded[: min(h, padded.shape[0]), : min(w, padded.shape[1])] = lines[: padded.shape[0], : padded.shape[1]]
    return padded.reshape(shape[0], QUARTER, shape[1], QUARTER).any(axis=(1, 3))


def matched(lines: np.ndarray, other: np.ndarray) -> float:
    """The share of lines' pixels within TOLERANCE (chessboard) of one of other's."""
    if not lines.any():
        return 0.0
    near = ndi.binary_dilation(other, np.ones((2 * TOLERANCE + 1,) * 2, bool))
    return float((lines & near).sum() / lines.sum())


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", type=Path, required=True)
    parser.add_argument("--style", default="photo")
    parser.add_argument("photos", type=Path, nargs="+")
    args = parser.parse_args()
    options = ["--style", args.style]
    print(f"{'photo':<20} {'size':>11} {'lines':>7} {'precision':>9} {'recall':>7} {'F':>6}")
    with tempfile.TemporaryDirectory() as scratch:
        for photo in args.photos:
            picture = cv2.imread(str(photo), cv2.IMREAD_COLOR)
            h, w = picture.shape[:2]
            quarter_shape = (h // QUARTER, w // QUARTER)
            small_path = Path(scratch) / "small.png"
            small_picture = cv2.resize(picture, (quarter_shape[1], quarter_shape[0]), interpolation=cv2.INTER_AREA)
            cv2.imwrite(str(small_path), small_picture)
            full = drawing(args.cli, photo, Path(scratch) / "full.png", options)
            small = drawing(args.cli, small_path, Path(scratch) / "small-lines.png", options)
            big = reduced(full, quarter_shape)
            precision, recall = matched(big, small), matched(small, big)
            f = 2 * precision * recall / (precision + recall) if precision + recall else 0.0
            print(f"{photo.stem:<20} {w:>5} x {h:<5} {100 * full.mean():6.2f}% {precision:9.3f} {recall:7.3f} {f:6.3f}")


if __name__ == "__main__":
    main()
