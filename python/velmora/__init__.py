"""Velmora Extractor for Python: photographs and drawings turned into
black-on-white line drawings, the same ones the window program and
velmora-cli make.

- ``extract(image)`` draws the lines of a NumPy array (or any buffer) of
  pixels, without copying it, into a new H x W ``uint8`` array: edges, or
  with ``style="ink"`` each dark stroke solid and as wide as it is.
- ``convert(data)`` turns a BMP, JPEG or PNG file's bytes (or a path) into
  the bytes of a BMP, PNG or SVG file, byte for byte those of velmora-cli;
  ``convert_file(src, dst)`` writes the output file all or nothing.
- ``load(source)`` decodes a picture file, turned upright, into an RGB array.

Every function releases the GIL while it works, so threads run side by
side. A picture that cannot be read raises ``ImageError`` (an ``OSError``),
a bad option ``ValueError`` naming it, a file the system refuses its own
``OSError`` (``FileNotFoundError``, ``PermissionError``), and lack of memory
``MemoryError``.
"""

from __future__ import annotations

import os
from typing import Literal, Union

import numpy

from . import _velmora
from ._options import Colour, file_options, image_options, layout_number
from ._velmora import ImageError

__all__ = ["ImageError", "__version__", "convert", "convert_file", "extract", "load"]

__version__: str = _velmora.VERSION

ImageError.__module__ = __name__
ImageError.__doc__ = "A picture that is damaged or cut short, not a BMP, JPEG or PNG file, or too large."

Source = Union[bytes, bytearray, memoryview, str, "os.PathLike[str]"]


def _read(source: Source) -> tuple[numpy.ndarray, str]:
    """The bytes of a picture file given as bytes or a path, and its name."""
    if isinstance(source, (str, os.PathLike)):
        name = os.fspath(source)
        with open(name, "rb") as file:
            return numpy.frombuffer(file.read(), numpy.uint8), name
    return numpy.frombuffer(source, numpy.uint8), ""


def extract(
    image,
    *,
    style: Literal["edges", "ink"] = "edges",
    thickness: Literal["thin", "thick"] = "thin",
    contrast: int = 7,
    noise: bool = False,
    layout: Literal["RGB", "BGR", "RGBA", "BGRA", "GRAY"] = "RGB",
    dtype=numpy.uint8,
) -> numpy.ndarray:
    """The line drawing of an H x W x 3, H x W x 4 or H x W ``uint8`` picture.

    ``image`` is any array or buffer NumPy can view; it is read, never
    written. Whatever its rows and columns (crops, every other column,
    reversed rows or columns) it is read where it lies, as long as each
    pixel's channels lie side by side, forwards or, for three channels,
    backwards (``image[..., ::-1]``). An array whose channels lie apart
    (channels first transposed to last, ``numpy.asfortranarray``) is copied
    once with ``numpy.ascontiguousarray``. ``layout`` names its channels: ``"RGB"`` (``load``,
    PIL), ``"BGR"`` (OpenCV), ``"RGBA"``, ``"BGRA"`` (alpha laid over white)
    or ``"GRAY"`` (an H x W array). ``style`` ``"edges"`` draws lines where
    the brightness steps, two along a wide dark stroke; ``"ink"`` draws each
    stroke darker than the paper around it solid and as wide as it is, for
    scanned or photographed drawings and handwriting. ``thickness``
    ``"thick"`` marks both sides of each edge, or one pixel more round each
    ink stroke; ``contrast`` 1 to 16 keeps fewer lines as it grows; ``noise``
    removes small specks.

    Returns a new H x W array: ``uint8`` with 0 for a line and 255 for the
    background, or with ``dtype=bool`` True for a line. The result is the
    window program's for the same pixels.
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
    as_bool = numpy.dtype(dtype) == numpy.bool_
    if not as_bool and numpy.dtype(dtype) != numpy.uint8:
        raise ValueError(f"dtype must be numpy.uint8 or bool, not {dtype!r}")
    options = image_options(style, thickness, contrast, noise)
    if channels > 1 and pixels.strides[2] != 1:
        if pixels.strides[2] == -1 and channels == 3:
            # Three channels backwards are the other order forwards, from
            # two bytes earlier: read where they lie.
            pixels = pixels[..., ::-1]
            number, _ = layout_number("BGR" if layout == "RGB" else "RGB")
        else:
            pixels = numpy.ascontiguousarray(pixels)
    return _velmora.extract(pixels, number, options, as_bool)


def convert(
    data: Source,
    *,
    format: Literal["bmp", "png", "svg"] = "png",
    style: Literal["edges", "ink"] = "edges",
    thickness: Literal["thin", "thick"] = "thin",
    contrast: int = 7,
    noise: bool = False,
    lines: Colour = "black",
    background: Colour | Literal["transparent"] | None = None,
) -> bytes:
    """The output file's bytes for a BMP, JPEG or PNG picture file.

    ``data`` is the file's bytes (any bytes-like object) or its path. The
    result is byte for byte what ``velmora-cli`` writes with the same
    options (``style`` as ``--style``, and the options ``extract`` takes):
    ``format`` ``"png"`` (1 bit a pixel), ``"bmp"`` (24 bits) or
    ``"svg"`` (one stroke along each line); ``lines`` and ``background`` a
    colour, ``"black"``, ``"white"``, ``"#RRGGBB"`` or an (r, g, b) tuple;
    ``background="transparent"`` (PNG and SVG) leaves all but the lines
    transparent. Without ``background`` a PNG or BMP is white under the
    lines and an SVG has no background, as velmora-cli makes them.
    The picture is turned upright as its EXIF orientation says, and its
    pixel density is kept.
    """
    options = file_options(format, style, thickness, contrast, noise, lines, background)
    pixels, name = _read(data)
    return _velmora.convert(pixels, options, name)


def convert_file(
    src: str | os.PathLike[str],
    dst: str | os.PathLike[str],
    *,
    format: Literal["bmp", "png", "svg"] | None = None,
    style: Literal["edges", "ink"] = "edges",
    thickness: Literal["thin", "thick"] = "thin",
    contrast: int = 7,
    noise: bool = False,
    lines: Colour = "black",
    background: Colour | Literal["transparent"] | None = None,
) -> None:
    """Converts the picture file ``src`` into the file ``dst``.

    As ``convert``; without ``format`` a ``dst`` ending in ``.png`` (any case)
    is PNG, one in ``.svg`` SVG and any other BMP, as velmora-cli's ``-o``.
    The file is written all or nothing, through a temporary file beside it
    that replaces it once complete: a failure leaves any existing ``dst`` as
    it was.
    """
    dst = os.fspath(dst)
    if format is None:
        suffix = os.path.splitext(dst)[1].lower()
        format = "png" if suffix == ".png" else "svg" if suffix == ".svg" else "bmp"
    options = file_options(format, style, thickness, contrast, noise, lines, background)
    _velmora.convert_file(os.fspath(src), dst, options)


def load(source: Source) -> numpy.ndarray:
    """The picture of a BMP, JPEG or PNG file as an H x W x 3 RGB ``uint8``
    array, turned upright as its EXIF orientation says, transparent parts
    laid over white: the pixels ``extract`` and ``convert`` see, for a
    pipeline to resize or crop in between."""
    pixels, name = _read(source)
    return _velmora.load(pixels, name)
