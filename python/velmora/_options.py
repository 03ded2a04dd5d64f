"""The options of the velmora functions: names and values checked, each bad
one raising ValueError that names it, and turned into the C library's
numbers."""

from __future__ import annotations

import re

from . import _velmora

Colour = str | tuple[int, int, int]

_THICKNESS = {"thin": 0, "thick": 1}
_STYLES = {"edges": 0, "ink": 1}
_FORMATS = {"bmp": 0, "png": 1, "svg": 2}
# Layout name: its number in velmora.h and its channels.
_LAYOUTS = {"RGB": (0, 3), "BGR": (1, 3), "RGBA": (2, 4), "BGRA": (3, 4), "GRAY": (4, 1)}
_NAMED_COLOURS = {"black": 0x000000, "white": 0xFFFFFF}


def _choice(option: str, value, choices: dict):
    if not isinstance(value, str) or value not in choices:
        listed = ", ".join(repr(name) for name in choices)
        raise ValueError(f"{option} must be one of {listed}, not {value!r}")
    return choices[value]


def layout_number(layout: str) -> tuple[int, int]:
    return _choice("layout", layout, _LAYOUTS)


def _colour(option: str, value: Colour) -> int:
    if isinstance(value, str):
        if value.lower() in _NAMED_COLOURS:
            return _NAMED_COLOURS[value.lower()]
        if re.fullmatch(r"#[0-9A-Fa-f]{6}", value):
            return int(value[1:], 16)
    elif isinstance(value, tuple) and len(value) == 3 and all(
        isinstance(c, int) and not isinstance(c, bool) and 0 <= c <= 255 for c in value
    ):
        red, green, blue = value
        return red << 16 | green << 8 | blue
    raise ValueError(f"{option} must be 'black', 'white', '#RRGGBB' or an (r, g, b) tuple of 0 to 255, not {value!r}")


def image_options(style: str, thickness: str, contrast: int, noise: bool) -> _velmora.Options:
    options = _velmora.Options()
    options.style = _choice("style", style, _STYLES)
    options.thickness = _choice("thickness", thickness, _THICKNESS)
    if isinstance(contrast, bool) or not isinstance(contrast, int) or not 1 <= contrast <= 16:
        raise ValueError(f"contrast must be an integer from 1 to 16, not {contrast!r}")
    options.contrast = contrast
    # ValueError, as for every bad option, whatever its type.
    if not isinstance(noise, bool):
        raise ValueError(f"noise must be True or False, not {noise!r}")  # noqa: TRY004
    options.noise = int(noise)
    return options


def file_options(
    format: str, style: str, thickness: str, contrast: int, noise: bool, lines: Colour, background
) -> _velmora.Options:
    options = image_options(style, thickness, contrast, noise)
    options.format = _choice("format", format, _FORMATS)
    options.line_colour = _colour("lines", lines)
    if background is None:
        # As velmora-cli without --background: an SVG is laid over whatever
        # it is placed on.
        options.transparent = int(format == "svg")
    elif background == "transparent":
        if format == "bmp":
            raise ValueError("background 'transparent' needs format 'png' or 'svg'; BMP has no transparency")
        options.transparent = 1
    else:
        options.background_colour = _colour("background", background)
    return options
