"""Paths and files: the names Python's own file functions take, read and
written by the C library alone in every function, and the output's name,
kind and permissions as velmora-cli treats them."""

from __future__ import annotations

import os
import pathlib
import re
import shutil
import stat
import subprocess
import threading

import pytest

import velmora
from conftest import DATA, PICTURES

PNG = DATA / "pngsuite" / "png" / "basn6a08.png"

# Each function that reads a path, given the input and a folder to write in.
READERS = {
    "convert": lambda source, folder: velmora.convert(source),
    "convert_file": lambda source, folder: velmora.convert_file(source, pathlib.Path(folder) / "out.png"),
    "load": lambda source, folder: velmora.load(source),
}


@pytest.mark.parametrize(
    "name, options, message",
    [
        ("d.jpg", {}, "ends in .jpg, which is no format's: bmp writes .bmp, png .png and svg .svg files"),
        ("d.jpg", {"format": "png"}, "ends in .jpg, which is no format's: bmp writes .bmp, png .png and svg .svg files"),
        ("x.bmp", {"format": "png"}, "ends in .bmp, but format 'png' writes .png files"),
        ("x.PNG", {"format": "svg"}, "ends in .PNG, but format 'svg' writes .svg files"),
        ("a.pngx", {}, "ends in .pngx, which is no format's: bmp writes .bmp, png .png and svg .svg files"),
    ],
)
def test_convert_file_refuses_a_name_that_says_another_format(tmp_path, name, options, message):
    dst = tmp_path / name
    with pytest.raises(ValueError, match=f"^dst {re.escape(repr(str(dst)))} {re.escape(message)}$"):
        velmora.convert_file(PICTURES[0], dst, **options)
    assert os.listdir(tmp_path) == []


@pytest.mark.parametrize(
    "name, options, written",
    [("x.PNG", {}, "png"), ("x.Svg", {"format": "svg"}, "svg"), ("x", {"format": "svg"}, "svg"), ("x", {}, "bmp"),
     (".png", {}, "bmp"), ("v1.png/out", {"format": "png"}, "png")],
)
def test_convert_file_writes_the_format_its_name_says(tmp_path, name, options, written):
    dst = tmp_path / name
    dst.parent.mkdir(exist_ok=True)
    velmora.convert_file(PICTURES[0], dst, **options)
    assert dst.read_bytes() == velmora.convert(PICTURES[0], format=written)


def test_the_refusal_says_what_velmora_cli_says(cli, tmp_path):
    dst = tmp_path / "d.jpg"
    with pytest.raises(ValueError) as caught:
        velmora.convert_file(PICTURES[0], dst)
    done = subprocess.run([str(cli), "-o", str(dst), str(PICTURES[0])], capture_output=True, text=True, check=False)
    assert done.returncode == 2
    # "velmora-cli: output '.../d.jpg' ends in .jpg, which is no format's: ..."
    assert done.stderr.splitlines()[0].endswith(str(caught.value).replace("dst ", "output ", 1)), done.stderr


@pytest.mark.parametrize("reader", READERS)
def test_a_path_with_a_null_byte_is_refused(tmp_path, reader):
    copy = tmp_path / "a.jpg"
    shutil.copy(PICTURES[0], copy)
    with pytest.raises(ValueError, match="embedded null byte"):
        READERS[reader](f"{copy}\0b.jpg", tmp_path)
    assert sorted(os.listdir(tmp_path)) == ["a.jpg"]


@pytest.mark.parametrize("dst", ["a\0b.png", b"a\0b.png"])
def test_an_output_name_with_a_null_byte_is_refused(tmp_path, dst):
    folder = os.fsencode(tmp_path) if isinstance(dst, bytes) else str(tmp_path)
    with pytest.raises(ValueError, match="embedded null byte"):
        velmora.convert_file(PICTURES[0], os.path.join(folder, dst))
    assert os.listdir(tmp_path) == []


class BytesPath:
    """An os.PathLike whose path is bytes, as os.DirEntry of a bytes scan."""

    def __init__(self, path: bytes):
        self.path = path

    def __fspath__(self) -> bytes:
        return self.path


def test_paths_are_str_bytes_or_path_like_undecodable_names_too(tmp_path):
    # Not UTF-8: a name only bytes can hold on Linux.
    src = os.fsencode(tmp_path) + b"/\xff photo.jpg"
    dst = os.fsencode(tmp_path) + b"/\xfe lines.png"
    shutil.copy(PICTURES[0], src)
    expected = velmora.convert(PICTURES[0])
    velmora.convert_file(src, dst)
    with open(dst, "rb") as written:
        assert written.read() == expected
    velmora.convert_file(BytesPath(src), BytesPath(dst))
    assert velmora.convert(BytesPath(src)) == expected
    assert velmora.convert(os.fsdecode(src)) == expected
    assert (velmora.load(BytesPath(src)) == velmora.load(PICTURES[0])).all()
    missing = os.fsencode(tmp_path) + b"/\xff missing.jpg"
    with pytest.raises(FileNotFoundError) as caught:
        velmora.convert_file(missing, dst)
    assert caught.value.filename == os.fsdecode(missing)
    with pytest.raises(FileNotFoundError) as caught:
        velmora.load(BytesPath(missing))
    assert caught.value.filename == os.fsdecode(missing)
    notes = os.fsencode(tmp_path) + b"/\xff notes.jpg"
    with open(notes, "wb") as file:
        file.write(b"notes")
    with pytest.raises(velmora.ImageError, match=re.escape(f"{os.fsdecode(notes)}: not a BMP, JPEG or PNG image")):
        velmora.convert(BytesPath(notes))


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: velmora.convert_file(7, "out.png"), "src must be a path (str, bytes or os.PathLike), not int"),
        (lambda: velmora.convert_file(PICTURES[0], None), "dst must be a path (str, bytes or os.PathLike), not NoneType"),
        (lambda: velmora.convert(3.5), "data must be a picture file's bytes or its path (str or os.PathLike), not float"),
        (lambda: velmora.load([1, 2]), "source must be a picture file's bytes or its path (str or os.PathLike), not list"),
    ],
)
def test_what_is_no_path_is_a_type_error_in_a_sentence(call, message):
    with pytest.raises(TypeError, match=f"^{re.escape(message)}$"):
        call()


@pytest.fixture(params=["fifo", "/dev/zero"])
def no_regular_file(request, tmp_path):
    """A pipe with no writer, which would wait for one, or a device that
    never ends."""
    if request.param == "fifo":
        path = tmp_path / "pipe.jpg"
        os.mkfifo(path)
        return path
    return pathlib.Path(request.param)


@pytest.mark.timeout(60, method="thread")
@pytest.mark.parametrize("reader", READERS)
def test_what_is_no_regular_file_is_refused_at_once(tmp_path, no_regular_file, reader):
    with pytest.raises(OSError):
        READERS[reader](no_regular_file, tmp_path)
    assert not (tmp_path / "out.png").exists()


@pytest.fixture
def picture(tmp_path):
    path = tmp_path / "picture.png"
    shutil.copy(PNG, path)
    return path


@pytest.mark.parametrize("dst", ["same", "dot", "link"])
def test_convert_file_never_overwrites_its_input(tmp_path, picture, monkeypatch, dst):
    monkeypatch.chdir(tmp_path)
    output = {"same": picture, "dot": "./picture.png", "link": tmp_path / "link.png"}[dst]
    if dst == "link":
        os.link(picture, output)
    with pytest.raises(ValueError, match="same file") as caught:
        velmora.convert_file(picture, output)
    assert repr(str(picture)) in str(caught.value) and repr(str(output)) in str(caught.value)
    assert picture.read_bytes() == PNG.read_bytes()


def test_convert_file_writes_into_a_pipe_rather_than_replace_it(tmp_path):
    folder = tmp_path / "out"
    folder.mkdir()
    pipe = folder / "pipe.png"
    os.mkfifo(pipe)
    # A second name for the pipe, to let the reader go if its first name
    # was replaced.
    os.link(pipe, tmp_path / "spare")
    got = []
    reader = threading.Thread(target=lambda: got.append(pipe.read_bytes()))
    reader.start()
    try:
        velmora.convert_file(PICTURES[0], pipe)
    finally:
        reader.join(timeout=60)
        if reader.is_alive():
            os.close(os.open(tmp_path / "spare", os.O_WRONLY | os.O_NONBLOCK))
            reader.join()
    assert got == [velmora.convert(PICTURES[0])]
    assert stat.S_ISFIFO(os.stat(pipe).st_mode)
    assert os.listdir(folder) == ["pipe.png"]


@pytest.mark.skipif(os.geteuid() != 0, reason="making a device node needs root")
def test_convert_file_writes_into_a_device_rather_than_replace_it(tmp_path):
    device = tmp_path / "null.png"
    os.mknod(device, stat.S_IFCHR | 0o666, os.makedev(1, 3))
    velmora.convert_file(PICTURES[0], device)
    assert stat.S_ISCHR(os.stat(device).st_mode)
    assert os.listdir(tmp_path) == ["null.png"]


@pytest.mark.parametrize("mode", [0o600, 0o640, 0o755])
def test_a_replaced_file_keeps_its_permissions(tmp_path, mode):
    dst = tmp_path / "out.png"
    dst.write_bytes(b"old")
    dst.chmod(mode)
    velmora.convert_file(PICTURES[0], dst)
    assert dst.read_bytes() == velmora.convert(PICTURES[0])
    assert stat.S_IMODE(os.stat(dst).st_mode) == mode
