"""extract: the engine's lines for every layout, view, dtype and option."""

from __future__ import annotations

import numpy
import pytest

import velmora
from conftest import PICTURES, bmp_pixels, photo, run_cli, write_bmp
from velmora import _velmora
from velmora._options import image_options

OPTIONS = [
    {"style": style, "thickness": thickness, "contrast": contrast, "noise": noise}
    for style in ("edges", "ink", "photo")
    for thickness in ("thin", "thick")
    for contrast in (1, 4, 7, 11, 16)
    for noise in (False, True)
]


def cli_flags(style="edges", thickness="thin", contrast=7, noise=False):
    return ["--style", style, "--thickness", thickness, "--contrast", str(contrast), "--noise", "on" if noise else "off"]


@pytest.fixture(scope="module")
def picture(tmp_path_factory):
    path = tmp_path_factory.mktemp("extract") / "photo.bmp"
    write_bmp(path, photo(61, 83))
    return path


@pytest.mark.parametrize("options", OPTIONS, ids=lambda o: "-".join(str(v) for v in o.values()))
def test_extract_is_the_converters_drawing_for_every_option(cli, picture, tmp_path, options):
    expected = bmp_pixels(run_cli(cli, picture, tmp_path / "out.bmp", *cli_flags(**options)))
    numpy.testing.assert_array_equal(velmora.extract(velmora.load(picture), **options), expected)


@pytest.mark.parametrize("source", PICTURES, ids=lambda p: p.name)
def test_load_then_extract_is_the_converters_drawing(cli, source, tmp_path):
    expected = bmp_pixels(run_cli(cli, source, tmp_path / "out.bmp", *cli_flags(contrast=5)))
    numpy.testing.assert_array_equal(velmora.extract(velmora.load(source), contrast=5), expected)


@pytest.mark.parametrize("style", ["ink", "photo"])
@pytest.mark.parametrize("source", PICTURES, ids=lambda p: p.name)
def test_ink_and_photo_extract_is_the_converters_png(cli, source, tmp_path, style):
    drawing = velmora.load(run_cli(cli, source, tmp_path / "out.png", *cli_flags(style=style, thickness="thick")))
    lines = velmora.extract(velmora.load(source), style=style, thickness="thick")
    numpy.testing.assert_array_equal(lines, drawing[..., 0])
    if style == "ink":
        assert (lines != velmora.extract(velmora.load(source), thickness="thick")).any()


def layouts(rgb: numpy.ndarray, alpha: numpy.ndarray):
    """The same picture in every layout, alpha given to the four-channel ones."""
    yield "RGB", rgb
    yield "BGR", rgb[..., ::-1].copy()
    yield "RGBA", numpy.dstack([rgb, alpha])
    yield "BGRA", numpy.dstack([rgb[..., ::-1], alpha])


@pytest.mark.parametrize("options", OPTIONS[::3], ids=lambda o: "-".join(str(v) for v in o.values()))
def test_every_layout_gives_the_same_drawing(options):
    rgb = photo(40, 57, seed=3)
    opaque = numpy.full(rgb.shape[:2], 255, numpy.uint8)
    expected = velmora.extract(rgb, **options)
    for layout, pixels in layouts(rgb, opaque):
        numpy.testing.assert_array_equal(velmora.extract(pixels, layout=layout, **options), expected, err_msg=layout)
    grey = rgb[..., 1].copy()
    numpy.testing.assert_array_equal(
        velmora.extract(grey, layout="GRAY", **options), velmora.extract(numpy.dstack([grey] * 3), **options)
    )


def test_alpha_is_laid_over_white_alike_in_both_orders():
    rgb = photo(40, 57, seed=4)
    alpha = numpy.random.default_rng(5).integers(0, 256, rgb.shape[:2], dtype=numpy.uint8)
    drawings = {layout: velmora.extract(p, layout=layout) for layout, p in layouts(rgb, alpha)}
    numpy.testing.assert_array_equal(drawings["RGBA"], drawings["BGRA"])
    # Fully transparent is white paper: no lines at all.
    clear = numpy.dstack([rgb, numpy.zeros_like(alpha)])
    assert (velmora.extract(clear, layout="RGBA") == 255).all()


def views(pixels: numpy.ndarray):
    """Views into a larger buffer with strides other than a packed row's."""
    yield "crop", pixels[3:-2, 5:-4]
    yield "bottom-up", pixels[::-1]
    yield "every other column", pixels[:, ::2]
    yield "reversed columns", pixels[:, ::-1]
    yield "fortran order", numpy.asfortranarray(pixels)
    # Axes of one added with None: NumPy gives them a stride of 0.
    yield "a row", pixels[7][None]
    yield "a column", pixels[:, 7][:, None]
    # Broadcast views repeat one row or one column: strides of 0.
    yield "a row broadcast", numpy.broadcast_to(pixels[4:5], pixels.shape)
    yield "a column broadcast", numpy.broadcast_to(pixels[:, 4:5], pixels.shape)
    if pixels.ndim == 3:
        yield "channels of a wider pixel", numpy.dstack([pixels, pixels[..., :1]])[..., : pixels.shape[2]]
        yield "reversed channels", pixels[..., ::-1]
        yield "reversed channels, every other column", pixels[:, ::2, ::-1]
        yield "channels first", numpy.ascontiguousarray(pixels.transpose(2, 0, 1)).transpose(1, 2, 0)
        # Each pixel a byte after the last: pixels that overlap.
        height, width, channels = pixels.shape
        yield "overlapping pixels", numpy.lib.stride_tricks.as_strided(
            pixels, (height, width, channels), (pixels.strides[0], 1, 1), writeable=False
        )


@pytest.mark.parametrize("layout", ["RGB", "BGR", "RGBA", "BGRA", "GRAY"])
def test_strided_views_give_the_drawing_of_their_copy(layout):
    rgb = photo(45, 64, seed=6)
    pixels = {"GRAY": rgb[..., 0], "RGBA": numpy.dstack([rgb, rgb[..., 2]]), "BGRA": numpy.dstack([rgb, rgb[..., 0]])}
    pixels = pixels.get(layout, rgb)
    for name, view in views(pixels):
        expected = velmora.extract(numpy.ascontiguousarray(view), layout=layout, thickness="thick", noise=True)
        got = velmora.extract(view, layout=layout, thickness="thick", noise=True)
        numpy.testing.assert_array_equal(got, expected, err_msg=name)


def test_reversed_channels_are_read_as_the_other_order():
    rgb = photo(45, 64, seed=6)
    # Red and blue weigh differently here, so a swap would show.
    assert (velmora.extract(rgb, layout="RGB") != velmora.extract(rgb, layout="BGR")).any()
    for layout in ("RGB", "BGR"):
        view = rgb[::-1, ::2, ::-1]
        expected = velmora.extract(numpy.ascontiguousarray(view), layout=layout)
        numpy.testing.assert_array_equal(velmora.extract(view, layout=layout), expected, err_msg=layout)


def test_the_module_refuses_channels_that_lie_apart():
    # The Python layer copies such an array first; the module alone would
    # read the wrong bytes.
    with pytest.raises(ValueError, match="side by side"):
        _velmora.extract(numpy.asfortranarray(photo(8, 8)), 0, image_options("edges", "thin", 7, False), False)


def test_bool_marks_lines_true():
    rgb = photo(30, 30, seed=9)
    lines = velmora.extract(rgb, dtype=bool)
    assert lines.dtype == numpy.bool_ and lines.shape == (30, 30)
    numpy.testing.assert_array_equal(lines, velmora.extract(rgb) == 0)
    assert lines.any() and not lines.all()


def test_read_only_and_memory_mapped_arrays_are_read_and_never_written(tmp_path):
    rgb = photo(33, 44, seed=10)
    expected = velmora.extract(rgb)
    frozen = rgb.copy()
    frozen.flags.writeable = False
    numpy.testing.assert_array_equal(velmora.extract(frozen), expected)
    path = tmp_path / "pixels.raw"
    path.write_bytes(rgb.tobytes())
    for mode in ("r", "r+"):
        mapped = numpy.memmap(path, numpy.uint8, mode, shape=rgb.shape)
        numpy.testing.assert_array_equal(velmora.extract(mapped), expected)
        del mapped
    assert path.read_bytes() == rgb.tobytes()


def test_buffers_are_viewed_as_arrays():
    rgb = photo(20, 24, seed=11)
    view = memoryview(rgb.tobytes()).cast("B", rgb.shape)
    numpy.testing.assert_array_equal(velmora.extract(view), velmora.extract(rgb))


@pytest.mark.parametrize(
    "call, named",
    [
        (lambda a: velmora.extract(a, thickness="medium"), "thickness"),
        (lambda a: velmora.extract(a, style="pen"), "style must be one of 'edges', 'ink', 'photo', not 'pen'"),
        (lambda a: velmora.extract(a, style=1), "style"),
        (lambda a: velmora.extract(a, contrast=0), "contrast"),
        (lambda a: velmora.extract(a, contrast=17), "contrast"),
        (lambda a: velmora.extract(a, noise=1), "noise"),
        (lambda a: velmora.extract(a, layout="CMYK"), "layout"),
        (lambda a: velmora.extract(a, layout="RGBA"), "layout 'RGBA' needs an H x W x 4"),
        (lambda a: velmora.extract(a[..., 0]), "layout 'RGB' needs an H x W x 3"),
        (lambda a: velmora.extract(a.astype(numpy.float32)), "uint8"),
        (lambda a: velmora.extract(a, dtype=numpy.int16), "dtype"),
        (lambda a: velmora.extract(a[:0]), r"the array of shape \(0, 8, 3\) is empty"),
        (lambda a: velmora.extract(a[:, :0, 0], layout="GRAY"), r"the array of shape \(8, 0\) is empty"),
        (lambda a: velmora.extract(numpy.zeros((0, 0, 3), numpy.uint8)), "empty"),
        (lambda a: velmora.extract(a, contrast=True), "contrast"),
        (lambda a: velmora.extract(a, contrast=numpy.True_), "contrast"),
        (lambda a: velmora.extract(a, contrast=7.0), "contrast"),
        (lambda a: velmora.extract(a, contrast=numpy.float64(7)), "contrast"),
        (lambda a: velmora.extract(a, contrast=numpy.int64(17)), "contrast"),
        (lambda a: velmora.extract(a, noise=numpy.int64(1)), "noise"),
    ],
)
def test_bad_arguments_raise_value_error_naming_them(call, named):
    with pytest.raises(ValueError, match=named):
        call(photo(8, 8))


@pytest.mark.parametrize(
    "shape",
    [(100_000, 100_000, 3), (16385, 16384, 3), (1, 2**31, 3), (2**20, 2**31, 3), (100_000, 100_000)],
)
def test_a_view_too_large_to_hold_is_refused_before_memory_is_spent(shape):
    # Broadcast from one pixel: the view costs nothing, its drawing or copy
    # would take gigabytes.
    view = numpy.broadcast_to(numpy.zeros(shape[2:], numpy.uint8), shape)
    with pytest.raises(velmora.ImageError, match="too large"):
        velmora.extract(view, layout="RGB" if len(shape) == 3 else "GRAY")


def test_numpy_scalars_are_taken_as_integers_and_truth_values():
    rgb = photo(40, 50, seed=12)
    expected = velmora.extract(rgb, contrast=5, noise=True)
    for contrast in (numpy.int64(5), numpy.uint8(5), numpy.arange(1, 17)[4]):
        for noise in (numpy.True_, numpy.bool_(1)):
            numpy.testing.assert_array_equal(velmora.extract(rgb, contrast=contrast, noise=noise), expected)
    numpy.testing.assert_array_equal(velmora.extract(rgb, noise=numpy.False_), velmora.extract(rgb))
