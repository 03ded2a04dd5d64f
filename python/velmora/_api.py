"""The functions of the velmora package, over its module _velmora: their
arguments checked and named here, the work done there."""

from __future__ import annotations

from typing import Literal

import numpy

from . import _velmora
from ._options import Colour, Path, file_options, image_options, layout_number, output_format, path_bytes
from ._velmora import ImageError

__all__ = ["ImageError", "__version__", "convert", "convert_file", "extract", "load"]

__version__: str = _velmora.VERSION

Source = bytes | bytearray | memoryview | Path
# The library's names (_velmora.STYLES, ...), written out for type checkers;
# a test holds them to the library's.
Style = Literal["edges", "ink", "photo"]
Thickness = Literal["thin", "thick"]
Format = Literal["bmp", "png", "svg"]
Layout = Literal["RGB", "BGR", "RGBA", "BGRA", "GRAY"]


def _is_path(source: Source) -> bool:
    # bytes are a file's contents here, never a name.
    return isinstance(source, str) or hasattr(source, "__fspath__")


def _contents(argument: str, source: Source) -> numpy.ndarray:
    """The bytes of a picture file given as a bytes-like object."""
    try:
        return numpy.frombuffer(source, numpy.uint8)
    except TypeError:
        message = f"{argument} must be a picture file's bytes or its path (str or os.PathLike), not"
        raise TypeError(f"{message} {type(source).__name__}") from None


def extract(
    image,
    *,
    style: Style = "edges",
    thickness: Thickness = "thin",
    contrast: int = _velmora.CONTRAST_DEFAULT,
    noise: bool = False,
    layout: Layout = "RGB",
    dtype=numpy.uint8,
) -> numpy.ndarray:
    """The line drawing of an H x W x 3, H x W x 4 or H x W ``uint8`` picture.

    ``image`` is any array or buffer NumPy can view; it is read, never
    written. Whatever its rows and columns (crops, every other column,
    reversed rows or columns) it is read where it lies, as long as each
    pixel's channels lie side by side, forwards or, for three channels,
    backwards (``image[..., ::-1]``). An array whose channels lie apart
    (channels first transposed to last, ``numpy.asfortranarray``) or whose
    pixels or rows overlap (a ``numpy.broadcast_to`` view) is copied once
    with ``numpy.ascontiguousarray``. ``layout`` names its channels:
    ``"RGB"`` (``load``, PIL), ``"BGR"`` (OpenCV), ``"RGBA"``, ``"BGRA"``
    (alpha laid over white) or ``"GRAY"`` (an H x W array). ``style``
    ``"edges"`` draws lines where the brightness steps, two along a wide
    dark stroke; ``"ink"`` draws each stroke darker than the paper around it
    solid and as wide as it is, for scanned or photographed drawings and
    handwriting; ``"photo"`` draws the outlines of what a photograph shows,
    once each, texture left out, in the picture's own scale: the same photo
    at any size gives the same drawing, scaled, its lines about a thousandth
    of the longer side wide. ``thickness`` ``"thick"`` marks both sides of
    each edge, one pixel more round each ink stroke, or photo lines twice
    as wide; ``contrast`` 1 to 16 (any integer, NumPy's too) keeps fewer
    lines as it grows; ``noise`` (True or False) removes small specks.

    Returns a new H x W array: ``uint8`` with 0 for a line and 255 for the
    background, or with ``dtype=bool`` True for a line. The result is the
    window program's for the same pixels. An empty array raises
    ``ValueError``; one of more pixels than a picture may hold (about 268
    million) ``ImageError``, before any memory is spent on it.
    """
    pixels = numpy.asarray(image)
    if pixels.dtype != numpy.uint8:
        raise ValueError(f"image: the pixels must be uint8, not {pixels.dtype}")
    number, channels = layout_number(layout)
    shape = pixels.shape
    wanted = (0, 0) if channels == 1 else (0, 0, channels)
    if len(shape) != len(wanted) or (channels > 1 and shape[2] != channels):
        expected = "H x W" if channels == 1 else f"H x W x {channels}"
        raise ValueError(f"image: layout {layout!r} needs an {expected} array, not one of shape {shape}")
    if pixels.size == 0:
        raise ValueError(f"image: the array of shape {shape} is empty; a picture has at least one pixel")
    as_bool = numpy.dtype(dtype) == numpy.bool_
    if not as_bool and numpy.dtype(dtype) != numpy.uint8:
        raise ValueError(f"dtype must be numpy.uint8 or bool, not {dtype!r}")
    options = image_options(style, thickness, contrast, noise)
    _velmora.check_size(shape[1], shape[0])
    # Pixels or rows closer than a pixel's bytes (0 in a broadcast view)
    # overlap, which the library does not read.
    overlapping = any(size > 1 and abs(step) < channels for size, step in zip(shape[:2], pixels.strides[:2]))
    if channels > 1 and pixels.strides[2] == -1 and channels == 3 and not overlapping:
        # Three channels backwards are the other order forwards, from two
        # bytes earlier: read where they lie.
        pixels = pixels[..., ::-1]
        number, _ = layout_number("BGR" if layout == "RGB" else "RGB")
    elif overlapping or (channels > 1 and pixels.strides[2] != 1):
        pixels = numpy.ascontiguousarray(pixels)
    return _velmora.extract(pixels, number, options, as_bool)


def convert(
    data: Source,
    *,
    format: Format = "png",
    style: Style = "edges",
    thickness: Thickness = "thin",
    contrast: int = _velmora.CONTRAST_DEFAULT,
    noise: bool = False,
    lines: Colour = "black",
    background: Colour | Literal["transparent"] | None = None,
    decode_ahead: bool = False,
) -> bytes:
    """The output file's bytes for a BMP, JPEG or PNG picture file.

    ``data`` is the file's bytes (any bytes-like object) or its path (a str
    or ``os.PathLike``). The result is byte for byte what ``velmora-cli``
    writes with the same options (``style`` as ``--style``, and the options
    ``extract`` takes): ``format`` ``"png"`` (1 bit a pixel), ``"bmp"`` (24
    bits) or ``"svg"`` (one stroke along each line); ``lines`` and
    ``background`` a colour, ``"black"``, ``"white"``, ``"#RRGGBB"`` or an
    (r, g, b) tuple; ``background="transparent"`` (PNG and SVG) leaves all
    but the lines transparent. Without ``background`` a PNG or BMP is white
    under the lines and an SVG has no background, as velmora-cli makes them.
    The picture is turned upright as its EXIF orientation says, and its
    pixel density is kept. ``decode_ahead=True`` decodes the picture on a
    second thread while its lines are drawn, as velmora-cli does: faster
    for a large picture when a processor is free, the same bytes.

    A path is read by the C library, as ``convert_file`` reads it: a pipe,
    a device or a folder raises ``OSError`` at once.
    """
    options = file_options(format, style, thickness, contrast, noise, lines, background, decode_ahead)
    if _is_path(data):
        return _velmora.convert_path(path_bytes("data", data), options)
    return _velmora.convert(_contents("data", data), options)


def convert_file(
    src: Path,
    dst: Path,
    *,
    format: Format | None = None,
    style: Style = "edges",
    thickness: Thickness = "thin",
    contrast: int = _velmora.CONTRAST_DEFAULT,
    noise: bool = False,
    lines: Colour = "black",
    background: Colour | Literal["transparent"] | None = None,
    decode_ahead: bool = False,
) -> None:
    """Converts the picture file ``src`` into the file ``dst``.

    As ``convert``; paths are str, bytes or ``os.PathLike``. ``dst``'s
    name follows velmora-cli's ``-o``: one ending in ``.bmp``, ``.png`` or
    ``.svg`` (any case) is written in that format, one without an extension
    in ``format`` (BMP without it). A name that says another format than
    ``format``, or none of the three (``d.jpg``), raises ``ValueError``
    naming it, as does ``dst`` being ``src`` itself (by another path or a
    hard link too). The file is written all or nothing, through a temporary
    file beside it that replaces it once complete, keeping its permissions:
    a failure leaves any existing ``dst`` as it was.
    """
    src_path, dst_path = path_bytes("src", src), path_bytes("dst", dst)
    written = output_format(dst_path, format)
    options = file_options(written, style, thickness, contrast, noise, lines, background, decode_ahead)
    _velmora.convert_file(src_path, dst_path, options)


def load(source: Source) -> numpy.ndarray:
    """The picture of a BMP, JPEG or PNG file as an H x W x 3 RGB ``uint8``
    array, turned upright as its EXIF orientation says, transparent parts
    laid over white: the pixels ``extract`` and ``convert`` see, for a
    pipeline to resize or crop in between. ``source`` is the file's bytes
    or its path, read by the C library as ``convert`` reads it."""
    if _is_path(source):
        return _velmora.load_path(path_bytes("source", source))
    return _velmora.load(_contents("source", source))
