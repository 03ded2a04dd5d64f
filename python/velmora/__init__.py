"""Velmora Extractor for Python: photographs and drawings turned into
black-on-white line drawings, the same ones the window program and
velmora-cli make.

- ``extract(image)`` draws the lines of a NumPy array (or any buffer) of
  pixels, without copying it, into a new H x W ``uint8`` array: edges,
  with ``style="ink"`` each dark stroke solid and as wide as it is, or with
  ``style="photo"`` the outlines of what a photograph shows, in its own
  scale.
- ``convert(data)`` turns a BMP, JPEG or PNG file's bytes (or a path) into
  the bytes of a BMP, PNG or SVG file, byte for byte those of velmora-cli;
  ``convert_file(src, dst)`` writes the output file all or nothing.
- ``load(source)`` decodes a picture file, turned upright, into an RGB array.

Every function releases the GIL while it works, so threads run side by
side. Paths are str, bytes or ``os.PathLike``, as for ``open``, and files
are read by the C library: a pipe or a device is refused at once. A picture
that cannot be read raises ``ImageError`` (an ``OSError``), a bad option
``ValueError`` naming it, a file the system refuses its own ``OSError``
(``FileNotFoundError``, ``PermissionError``), and lack of memory
``MemoryError``.
"""

from ._api import ImageError, __version__, convert, convert_file, extract, load

__all__ = ["ImageError", "__version__", "convert", "convert_file", "extract", "load"]

ImageError.__module__ = __name__
ImageError.__doc__ = "A picture that is damaged or cut short, not a BMP, JPEG or PNG file, or too large."
