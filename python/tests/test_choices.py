"""The package's choices are the C library's: the names each option takes,
their numbers, the contrast's bounds and default, and the literal types of
the arguments and the module's stubs, which a type checker reads."""

from __future__ import annotations

import ast
import inspect
import pathlib
import typing

import pytest

import velmora
from velmora import _options, _velmora

# Each of the library's lists, as the module counts it from velmora.h's
# functions; the package's map of its names to their numbers; and the
# arguments typed with its names.
CHOICES = [
    ("STYLES", _options._STYLES, [(velmora.extract, "style"), (velmora.convert, "style"),
                                  (velmora.convert_file, "style")]),
    ("THICKNESSES", _options._THICKNESS, [(velmora.extract, "thickness"), (velmora.convert, "thickness"),
                                          (velmora.convert_file, "thickness")]),
    ("FORMATS", _options._FORMATS, [(velmora.convert, "format"), (velmora.convert_file, "format")]),
    ("LAYOUTS", {name: number for name, (number, _) in _options._LAYOUTS.items()}, [(velmora.extract, "layout")]),
]

STUBS = pathlib.Path(_velmora.__file__).with_name("_velmora.pyi")


def literals(hint) -> tuple:
    """The values of the Literal in a type hint, within a union too."""
    if typing.get_origin(hint) is typing.Literal:
        return typing.get_args(hint)
    return tuple(value for part in typing.get_args(hint) for value in literals(part))


def stub_names() -> set:
    """The module's constants its stubs declare: their values are the
    library's, read when the module loads, so the stubs give only types."""
    tree = ast.parse(STUBS.read_text())
    return {node.target.id for node in tree.body if isinstance(node, ast.AnnAssign)}


@pytest.mark.parametrize(("names", "numbered", "arguments"), CHOICES, ids=[row[0] for row in CHOICES])
def test_lists_are_the_librarys(names, numbered, arguments):
    listed = getattr(_velmora, names)
    assert listed and all(isinstance(name, str) for name in listed)
    assert numbered == {name: number for number, name in enumerate(listed)}
    assert names in stub_names()
    for function, argument in arguments:
        assert literals(typing.get_type_hints(function)[argument]) == listed, (function.__name__, argument)


def test_every_layout_has_its_channels():
    assert {name: channels for name, (_, channels) in _options._LAYOUTS.items()} == {
        "RGB": 3, "BGR": 3, "RGBA": 4, "BGRA": 4, "GRAY": 1}


def test_contrast_is_bounded_and_defaulted_by_the_library():
    lowest, highest, default = _velmora.CONTRAST_LOWEST, _velmora.CONTRAST_HIGHEST, _velmora.CONTRAST_DEFAULT
    assert {"CONTRAST_LOWEST", "CONTRAST_HIGHEST", "CONTRAST_DEFAULT"} <= stub_names()
    for function in (velmora.extract, velmora.convert, velmora.convert_file):
        assert inspect.signature(function).parameters["contrast"].default == default, function.__name__
    for contrast in (lowest, highest):
        assert _options.image_options("edges", "thin", contrast, False).contrast == contrast
    for contrast in (lowest - 1, highest + 1):
        with pytest.raises(ValueError, match=f"contrast must be an integer from {lowest} to {highest}, not {contrast}"):
            _options.image_options("edges", "thin", contrast, False)


@pytest.mark.parametrize("format", _velmora.FORMATS)
def test_background_by_format_is_the_librarys(format):
    number = _options._FORMATS[format]
    options = _options.file_options(format, "edges", "thin", 7, False, "black", None, False)
    assert options.transparent == _velmora.format_transparent_by_default(number)
    if _velmora.format_transparency(number):
        assert _options.file_options(format, "edges", "thin", 7, False, "black", "transparent", False).transparent == 1
    else:
        with pytest.raises(ValueError, match=f"; {format.upper()} has no transparency"):
            _options.file_options(format, "edges", "thin", 7, False, "black", "transparent", False)
