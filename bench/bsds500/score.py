"""Scores line drawings against the people's boundaries of BSDS500.

The protocol is the benchmark's at one operating point: the drawing's lines
are thinned to one pixel, then matched one to one, within 0.0075 of the
picture's diagonal, against each person's drawing (pyEdgeEval's matching).
A line pixel is right when it matches some person's; recall counts every
person's pixels. Counts are summed over the split before precision, recall
and F are taken.

    score.py score BSDS SPLIT FOLDER      drawings named as the pictures
    score.py compare BSDS SPLIT --cli velmora-cli [--drawn NAME=FOLDER]...   every style and Canny
    score.py people BSDS SPLIT            each person against the others

BSDS is the folder holding data/images and data/groundTruth. A drawing is
black lines on white, NAME.png or NAME-velmora.png, of any size: one that is
not the picture's size is scaled to it, a pixel being a line where any part
of it was.
"""

import argparse
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from multiprocessing import Pool
from pathlib import Path

import cv2
import numpy as np
from pyEdgeEval.common.binary_label.evaluate_boundaries import (
    evaluate_boundaries_threshold_multiple_gts,
)
from pyEdgeEval.datasets.bsds import load_bsds_gt_boundaries

MAX_DIST = 0.0075
CANNY_SIGMA = 2.0
CANNY_LOW = 30
CANNY_HIGH = 70


@dataclass
class Counts:
    """Matched and total pixels: recall over the people's, precision over the drawing's."""

    matched_truth: int = 0
    truth: int = 0
    matched_lines: int = 0
    lines: int = 0

    def add(self, other: "Counts") -> None:
        self.matched_truth += other.matched_truth
        self.truth += other.truth
        self.matched_lines += other.matched_lines
        self.lines += other.lines

    def precision(self) -> float:
        return self.matched_lines / self.lines if self.lines else 0.0

    def recall(self) -> float:
        return self.matched_truth / self.truth if self.truth else 0.0

    def f(self) -> float:
        p, r = self.precision(), self.recall()
        return 2 * p * r / (p + r) if p + r > 0 else 0.0


def picture_names(bsds: Path, split: str, limit: int | None) -> list[str]:
    names = sorted(p.stem for p in (bsds / "data" / "images" / split).glob("*.jpg"))
    if not names:
        sys.exit(f"no pictures in {bsds / 'data' / 'images' / split}")
    return names[:limit] if limit else names


def people(bsds: Path, split: str, name: str) -> list[np.ndarray]:
    return load_bsds_gt_boundaries(str(bsds / "data" / "groundTruth" / split / f"{name}.mat"))


def drawing_path(folder: Path, name: str) -> Path:
    for candidate in (folder / f"{name}.png", folder / f"{name}-velmora.png"):
        if candidate.exists():
            return candidate
    raise FileNotFoundError(f"{folder}: no drawing of {name} ({name}.png or {name}-velmora.png)")


def read_lines(path: Path, shape: tuple[int, int]) -> np.ndarray:
    """The drawing's line pixels at the picture's size (height, width)."""
    grey = cv2.imread(str(path), cv2.IMREAD_GRAYSCALE)
    if grey is None:
        raise ValueError(f"{path}: not a readable picture")
    ink = (grey < 128).astype(np.float32)
    if ink.shape != shape:
        ink = cv2.resize(ink, (shape[1], shape[0]), interpolation=cv2.INTER_AREA)
    return ink > 0


def match(lines: np.ndarray, truths: list[np.ndarray]) -> Counts:
    count_r, sum_r, count_p, sum_p = evaluate_boundaries_threshold_multiple_gts(
        np.array([0.5]), lines.astype(np.float64), truths, max_dist=MAX_DIST, apply_thinning=True
    )
    return Counts(int(count_r[0]), int(sum_r[0]), int(count_p[0]), int(sum_p[0]))


def score_drawing(job: tuple[Path, str, str, Path]) -> Counts:
    bsds, split, name, folder = job
    truths = people(bsds, split, name)
    return match(read_lines(drawing_path(folder, name), truths[0].shape), truths)


def score_people(job: tuple[Path, str, str]) -> Counts:
    bsds, split, name = job
    truths = people(bsds, split, name)
    total = Counts()
    for i, truth in enumerate(truths):
        total.add(match(truth > 0, truths[:i] + truths[i + 1 :]))
    return total


def summed(results: list[Counts]) -> Counts:
    total = Counts()
    for r in results:
        total.add(r)
    return total


def score_folder(bsds: Path, split: str, folder: Path, names: list[str], jobs: int) -> Counts:
    with Pool(jobs) as pool:
        return summed(pool.map(score_drawing, [(bsds, split, n, folder) for n in names]))


def draw_canny(pictures: list[Path], out: Path) -> None:
    out.mkdir(parents=True, exist_ok=True)
    for picture in pictures:
        grey = cv2.cvtColor(cv2.imread(str(picture)), cv2.COLOR_BGR2GRAY)
        edges = cv2.Canny(cv2.GaussianBlur(grey, (0, 0), CANNY_SIGMA), CANNY_LOW, CANNY_HIGH)
        if not cv2.imwrite(str(out / f"{picture.stem}.png"), 255 - edges):
            raise OSError(f"{out}: cannot write {picture.stem}.png")


def velmora_styles(cli: Path) -> list[str]:
    """The styles the converter's usage line offers: [--style edges|ink|...]."""
    usage = subprocess.run([str(cli), "--help"], check=True, capture_output=True, text=True).stdout
    return usage.split("[--style ", 1)[1].split("]", 1)[0].split("|")


def draw_velmora(cli: Path, style: str, pictures: list[Path], out: Path) -> None:
    command = [str(cli), "--style", style, "--format", "png", "--quiet", "--output-dir", str(out)]
    subprocess.run(command + [str(p) for p in pictures], check=True)


def print_table(rows: list[tuple[str, Counts]]) -> None:
    print(f"{'drawing':<10} {'precision':>9} {'recall':>7} {'F':>6}")
    for label, c in rows:
        print(f"{label:<10} {c.precision():9.3f} {c.recall():7.3f} {c.f():6.3f}")


def drawn_folder(text: str) -> tuple[str, Path]:
    label, sep, folder = text.partition("=")
    if not sep or not label:
        raise argparse.ArgumentTypeError(f"'{text}' is not NAME=FOLDER")
    return label, Path(folder)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("-j", "--jobs", type=int, default=2, help="processes scoring at once (2)")
    parser.add_argument("--limit", type=int, help="only the first N pictures of the split, by name")
    commands = parser.add_subparsers(dest="command", required=True)
    for name in ("score", "compare", "people"):
        command = commands.add_parser(name)
        command.add_argument("bsds", type=Path)
        command.add_argument("split", choices=("train", "val", "test"))
        if name == "score":
            command.add_argument("folder", type=Path)
        if name == "compare":
            command.add_argument("--cli", type=Path, required=True, help="velmora-cli to draw with")
            command.add_argument("--drawn", type=drawn_folder, action="append", default=[],
                                 metavar="NAME=FOLDER", help="also score drawings made elsewhere")
    args = parser.parse_args()
    names = picture_names(args.bsds, args.split, args.limit)

    if args.command == "score":
        print_table([(args.folder.name, score_folder(args.bsds, args.split, args.folder, names, args.jobs))])
    elif args.command == "people":
        with Pool(args.jobs) as pool:
            print_table([("people", summed(pool.map(score_people, [(args.bsds, args.split, n) for n in names])))])
    else:
        pictures = [args.bsds / "data" / "images" / args.split / f"{n}.jpg" for n in names]
        with tempfile.TemporaryDirectory() as scratch:
            folders = {style: Path(scratch) / style for style in velmora_styles(args.cli)}
            for style, folder in folders.items():
                draw_velmora(args.cli, style, pictures, folder)
            folders["canny"] = Path(scratch) / "canny"
            draw_canny(pictures, folders["canny"])
            folders.update(dict(args.drawn))
            print_table([(label, score_folder(args.bsds, args.split, f, names, args.jobs))
                         for label, f in folders.items()])


if __name__ == "__main__":
    main()
