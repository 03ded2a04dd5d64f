"""convert, convert_file and load: velmora-cli's bytes, and each error as
Python's own exception."""

from __future__ import annotations

import os
import subprocess
import sys
import threading
import time

import numpy
import pytest

import velmora
from conftest import DATA, PICTURES, photo, run_cli, write_bmp

# (velmora keyword arguments, the same for velmora-cli)
COLOURS = [
    ({}, []),
    ({"lines": "white", "background": "black"}, ["--lines", "white", "--background", "black"]),
    ({"lines": "#1A2b3C", "background": (250, 240, 200)}, ["--lines", "#1a2b3c", "--background", "#FAF0C8"]),
    ({"lines": (200, 0, 0)}, ["--lines", "#C80000"]),
]
TRANSPARENT = ({"background": "transparent"}, ["--background", "transparent"])
INK = ({"style": "ink"}, ["--style", "ink"])
PHOTO = ({"style": "photo"}, ["--style", "photo"])


def cases():
    for fmt in ("bmp", "png", "svg"):
        for options, flags in COLOURS + ([TRANSPARENT] if fmt != "bmp" else []) + [INK, PHOTO]:
            yield fmt, options, flags


@pytest.mark.parametrize("fmt, options, flags", list(cases()), ids=lambda v: str(v) if isinstance(v, str) else None)
@pytest.mark.parametrize("source", PICTURES[::3], ids=lambda p: p.name)
def test_convert_gives_the_converters_bytes(cli, tmp_path, source, fmt, options, flags):
    expected = run_cli(cli, source, tmp_path / f"out.{fmt}", "--format", fmt, "--thickness", "thick", *flags)
    assert velmora.convert(source, format=fmt, thickness="thick", **options) == expected
    assert velmora.convert(source.read_bytes(), format=fmt, thickness="thick", **options) == expected


def test_convert_takes_any_bytes_like_object(cli, tmp_path):
    source = DATA / "jpeg" / "progressive.jpg"
    expected = run_cli(cli, source, tmp_path / "out.png", "--noise", "on", "--contrast", "3")
    data = source.read_bytes()
    for given in (bytearray(data), memoryview(data), numpy.frombuffer(data, numpy.uint8), str(source)):
        assert velmora.convert(given, noise=True, contrast=3) == expected


# The output's name says its format, as velmora-cli's -o; a name without an
# extension takes the format given.
@pytest.mark.parametrize(
    "name, cli_name, options, flags",
    [
        ("out.png", "cli.png", {}, []),
        ("OUT.SVG", "CLI.SVG", {"lines": "white", "background": "transparent"},
         ["--lines", "white", "--background", "transparent"]),
        ("out.bmp", "cli.bmp", {"lines": "#102030", "noise": True}, ["--lines", "#102030", "--noise", "on"]),
        ("out", "cli.png", {"format": "png", "background": "black"}, ["--format", "png", "--background", "black"]),
        ("ink.bmp", "cli.bmp", {"style": "ink", "noise": True}, ["--style", "ink", "--noise", "on"]),
        ("photo.svg", "cli.svg", {"style": "photo", "contrast": 4}, ["--style", "photo", "--contrast", "4"]),
    ],
)
def test_convert_file_writes_the_converters_file_chosen_by_its_name(cli, tmp_path, name, cli_name, options, flags):
    source = PICTURES[0]
    expected = run_cli(cli, source, tmp_path / cli_name, *flags)
    velmora.convert_file(source, tmp_path / name, **options)
    assert (tmp_path / name).read_bytes() == expected


def test_convert_file_failing_leaves_the_existing_output(tmp_path):
    damaged = tmp_path / "damaged.jpg"
    damaged.write_bytes((DATA / "jpeg" / "baseline.jpg").read_bytes()[:700])
    output = tmp_path / "out.png"
    output.write_bytes(b"kept")
    with pytest.raises(velmora.ImageError, match="damaged"):
        velmora.convert_file(damaged, output)
    assert output.read_bytes() == b"kept"
    assert sorted(os.listdir(tmp_path)) == ["damaged.jpg", "out.png"]


def test_image_errors_name_the_reason_and_the_file(tmp_path):
    text = tmp_path / "notes.jpg"
    text.write_bytes(b"not a picture at all")
    with pytest.raises(velmora.ImageError, match=f"{text}: not a BMP, JPEG or PNG image"):
        velmora.convert(text)
    truncated = (DATA / "jpeg" / "baseline.jpg").read_bytes()[:700]
    with pytest.raises(velmora.ImageError, match="damaged or cut short"):
        velmora.convert(truncated)
    with pytest.raises(velmora.ImageError, match="damaged or cut short"):
        velmora.load(truncated)
    # A BMP header claiming 100000 x 100000 pixels.
    huge = bytearray((DATA / "bmp" / "rgb24.bmp").read_bytes())
    huge[18:26] = (100000).to_bytes(4, "little") * 2
    with pytest.raises(velmora.ImageError, match="too large"):
        velmora.convert(bytes(huge))
    assert issubclass(velmora.ImageError, OSError)


def test_system_errors_are_oserrors_of_their_errno(tmp_path):
    with pytest.raises(FileNotFoundError):
        velmora.convert(tmp_path / "missing.jpg")
    with pytest.raises(FileNotFoundError):
        velmora.load(tmp_path / "missing.jpg")
    with pytest.raises(FileNotFoundError) as caught:
        velmora.convert_file(tmp_path / "missing.jpg", tmp_path / "out.png")
    assert caught.value.filename == str(tmp_path / "missing.jpg")
    with pytest.raises(FileNotFoundError) as caught:
        velmora.convert_file(PICTURES[0], tmp_path / "no folder" / "out.png")
    assert caught.value.filename == str(tmp_path / "no folder" / "out.png")
    if os.geteuid() != 0:
        locked = tmp_path / "locked"
        locked.mkdir(mode=0o500)
        with pytest.raises(PermissionError):
            velmora.convert_file(PICTURES[0], locked / "out.png")


@pytest.mark.parametrize(
    "options, named",
    [
        ({"format": "gif"}, "format"),
        ({"lines": "red"}, "lines"),
        ({"lines": (0, 0, 256)}, "lines"),
        ({"background": "#12345"}, "background"),
        ({"format": "bmp", "background": "transparent"}, "transparent"),
        ({"thickness": 1}, "thickness"),
        ({"style": "Ink"}, "style"),
        ({"style": None}, "style"),
        ({"contrast": 7.0}, "contrast"),
        ({"decode_ahead": 1}, "decode_ahead"),
        ({"decode_ahead": None}, "decode_ahead"),
    ],
)
def test_bad_options_raise_value_error_naming_them(options, named):
    with pytest.raises(ValueError, match=named):
        velmora.convert(PICTURES[0], **options)


@pytest.mark.parametrize("source", PICTURES[:6:2] + PICTURES[6::3], ids=lambda p: p.name)
def test_decoding_ahead_gives_the_same_bytes(tmp_path, source):
    expected = velmora.convert(source, format="png", thickness="thick")
    assert velmora.convert(source, format="png", thickness="thick", decode_ahead=True) == expected
    assert velmora.convert(source.read_bytes(), format="png", thickness="thick", decode_ahead=numpy.True_) == expected
    velmora.convert_file(source, tmp_path / "out.png", thickness="thick", decode_ahead=True)
    assert (tmp_path / "out.png").read_bytes() == expected


def test_numpy_scalars_are_taken_as_options():
    expected = velmora.convert(PICTURES[0], contrast=3, noise=True, lines=(200, 10, 0))
    sweep = numpy.arange(1, 17)
    got = velmora.convert(PICTURES[0], contrast=sweep[2], noise=numpy.True_, lines=tuple(numpy.array([200, 10, 0])))
    assert got == expected


def test_the_package_lists_only_its_api():
    assert [name for name in dir(velmora) if not name.startswith("_")] == [
        "ImageError", "convert", "convert_file", "extract", "load"
    ]
    assert sorted(velmora.__all__) == sorted(["ImageError", "__version__", "convert", "convert_file", "extract", "load"])


def test_out_of_memory_is_memory_error(tmp_path):
    # In a process of its own whose address space ends just past what it
    # holds, so that the drawing's memory cannot be had.
    script = """
import resource, numpy, velmora
pixels = numpy.zeros((6000, 6000, 3), numpy.uint8)
with open('/proc/self/statm') as statm:
    size = int(statm.read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (size + (16 << 20), resource.RLIM_INFINITY))
try:
    velmora.extract(pixels)
except MemoryError:
    print('MemoryError')
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120, check=False)
    assert done.stdout.strip() == "MemoryError", done.stderr


def test_load_gives_the_rgb_pixels_upright():
    rgb = velmora.load(DATA / "bmp" / "rgb24.bmp")
    header, _, body = (DATA / "bmp" / "rgb24.pam").read_bytes().partition(b"ENDHDR\n")
    fields = dict(line.split(b" ", 1) for line in header.splitlines() if b" " in line)
    width, height, depth = (int(fields[key]) for key in (b"WIDTH", b"HEIGHT", b"DEPTH"))
    expected = numpy.frombuffer(body, numpy.uint8).reshape(height, width, depth)[..., :3]
    assert rgb.dtype == numpy.uint8 and rgb.flags.c_contiguous
    numpy.testing.assert_array_equal(rgb, expected)


# Each given a picture as a file, its bytes and its pixels; none reads a
# file in Python, which lets go of the lock by itself.
WORK = {
    "convert": lambda source, data, pixels: velmora.convert(data, noise=True, thickness="thick"),
    "convert_file": lambda source, data, pixels: velmora.convert_file(source, source.with_suffix(".png")),
    "load": lambda source, data, pixels: velmora.load(data),
    "extract": lambda source, data, pixels: velmora.extract(pixels, noise=True),
    "extract strided": lambda source, data, pixels: velmora.extract(pixels[:, ::-1, ::-1], layout="BGR", dtype=bool),
}


@pytest.mark.parametrize("work", WORK)
def test_the_gil_is_released_during_the_work(tmp_path, work):
    source = tmp_path / "large.bmp"
    pixels = photo(1500, 1500)
    write_bmp(source, pixels)
    data = source.read_bytes()
    span = []

    def convert():
        started = time.perf_counter()
        WORK[work](source, data, pixels)
        span.extend([started, time.perf_counter()])

    # With a long switch interval a thread keeps the lock until it waits
    # for something: this one ticks inside the conversion only if the
    # conversion lets go of it.
    interval = sys.getswitchinterval()
    sys.setswitchinterval(0.5)
    try:
        worker = threading.Thread(target=convert)
        ticks = []
        worker.start()
        while worker.is_alive():
            ticks.append(time.perf_counter())
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    started, ended = span
    inside = sum(started < tick < ended for tick in ticks)
    assert inside > 1000, f"{inside} ticks in the {ended - started:.3f} s of {work}"


def test_version_is_the_projects():
    text = (DATA.parent.parent / "CMakeLists.txt").read_text()
    assert f"project(velmora VERSION {velmora.__version__} " in text
