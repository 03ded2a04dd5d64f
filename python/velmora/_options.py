"""The arguments of the velmora functions: options' names and values
checked, each bad one raising ValueError that names it, and turned into
the C library's numbers; paths turned into the system's bytes."""

from __future__ import annotations

import operator
import os
import re

import numpy

from . import _velmora

Colour = str | tuple[int, int, int]
Path = str | bytes | os.PathLike


def _numbered(names: tuple[str, ...]) -> dict[str, int]:
    """Each name of one of the C library's lists with its number."""
    return {name: number for number, name in enumerate(names)}


_THICKNESS = _numbered(_velmora.THICKNESSES)
_STYLES = _numbered(_velmora.STYLES)
_FORMATS = _numbered(_velmora.FORMATS)
# Layout name: its number in velmora.h and its channels.
_LAYOUTS = {name: (number, _velmora.layout_bytes(number)) for name, number in _numbered(_velmora.LAYOUTS).items()}
_NAMED_COLOURS = {"black": 0x000000, "white": 0xFFFFFF}


def _choice(option: str, value, choices: dict):
    if not isinstance(value, str) or value not in choices:
        listed = ", ".join(repr(name) for name in choices)
        raise ValueError(f"{option} must be one of {listed}, not {value!r}")
    return choices[value]


def _integer(value) -> int | None:
    """value as an int when it is one (anything with __index__, NumPy's
    integers among them), but not a truth value; else None."""
    if isinstance(value, (bool, numpy.bool_)):
        return None
    try:
        return operator.index(value)
    except TypeError:
        return None


def _truth(option: str, value) -> int:
    # ValueError, as for every bad option, whatever its type.
    if not isinstance(value, (bool, numpy.bool_)):
        raise ValueError(f"{option} must be True or False, not {value!r}")  # noqa: TRY004
    return int(value)


def layout_number(layout: str) -> tuple[int, int]:
    return _choice("layout", layout, _LAYOUTS)


def _colour(option: str, value: Colour) -> int:
    if isinstance(value, str):
        if value.lower() in _NAMED_COLOURS:
            return _NAMED_COLOURS[value.lower()]
        if re.fullmatch(r"#[0-9A-Fa-f]{6}", value):
            return int(value[1:], 16)
    elif isinstance(value, tuple) and len(value) == 3:
        red, green, blue = (_integer(c) for c in value)
        if all(c is not None and 0 <= c <= 255 for c in (red, green, blue)):
            return red << 16 | green << 8 | blue
    raise ValueError(f"{option} must be 'black', 'white', '#RRGGBB' or an (r, g, b) tuple of 0 to 255, not {value!r}")


def image_options(style: str, thickness: str, contrast: int, noise: bool) -> _velmora.Options:
    options = _velmora.Options()
    options.style = _choice("style", style, _STYLES)
    options.thickness = _choice("thickness", thickness, _THICKNESS)
    number = _integer(contrast)
    lowest, highest = _velmora.CONTRAST_LOWEST, _velmora.CONTRAST_HIGHEST
    if number is None or not lowest <= number <= highest:
        raise ValueError(f"contrast must be an integer from {lowest} to {highest}, not {contrast!r}")
    options.contrast = number
    options.noise = _truth("noise", noise)
    return options


def file_options(
    format: str,
    style: str,
    thickness: str,
    contrast: int,
    noise: bool,
    lines: Colour,
    background,
    decode_ahead: bool,
) -> _velmora.Options:
    options = image_options(style, thickness, contrast, noise)
    options.format = _choice("format", format, _FORMATS)
    options.line_colour = _colour("lines", lines)
    options.decode_ahead = _truth("decode_ahead", decode_ahead)
    if background is None:
        # As velmora-cli without --background: an SVG is laid over whatever
        # it is placed on.
        options.transparent = _velmora.format_transparent_by_default(options.format)
    elif background == "transparent":
        if not _velmora.format_transparency(options.format):
            holding = " or ".join(repr(name) for name, number in _FORMATS.items() if _velmora.format_transparency(number))
            raise ValueError(f"background 'transparent' needs format {holding}; {format.upper()} has no transparency")
        options.transparent = 1
    else:
        options.background_colour = _colour("background", background)
    return options


def path_bytes(argument: str, value: Path) -> bytes:
    """The path as the system's bytes, as Python's own file functions take
    it: a str, bytes or os.PathLike."""
    if not isinstance(value, (str, bytes, os.PathLike)):
        raise TypeError(f"{argument} must be a path (str, bytes or os.PathLike), not {type(value).__name__}")
    path = os.fsencode(value)
    # The C library would read the name only up to it, and write another file.
    if b"\0" in path:
        raise ValueError(f"{argument}: embedded null byte")
    return path


def output_format(dst: bytes, format: str | None) -> str:
    """The format written into dst, by the C library's rule for names: its
    extension's, or format's, or BMP for a name without one. ValueError,
    as velmora-cli's -o says it, for a name that contradicts format."""
    wanted = -1 if format is None else _choice("format", format, _FORMATS)
    written = _velmora.format_of_name(dst, wanted)
    if written >= 0:
        return _velmora.FORMATS[written]
    name = os.fsdecode(dst)
    message = f"dst {name!r} ends in {os.path.splitext(name)[1]}"
    if _velmora.format_of_name(dst, -1) >= 0:
        raise ValueError(f"{message}, but format {format!r} writes {_velmora.format_extension(wanted)} files")
    # "bmp writes .bmp, png .png and svg .svg files"
    listed = [f"{name} {_velmora.format_extension(number)}" for name, number in _FORMATS.items()]
    listed[0] = listed[0].replace(" ", " writes ", 1)
    raise ValueError(f"{message}, which is no format's: {', '.join(listed[:-1])} and {listed[-1]} files")
