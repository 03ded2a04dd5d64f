// _velmora: the work behind the velmora package, over the C library of
// velmora.h. The package's Python layer checks and names the options and
// turns paths into the system's bytes; this module takes them as
// velmora_options and bytes. Files are read by the library alone, so every
// entry point refuses what is no regular file alike. Every function
// releases the GIL while it works, and every array it returns owns its
// memory.
#include "exceptions.h"

#include "base/dib.h"
#include "velmora.h"

#include <nanobind/nanobind.h>
#include <nanobind/ndarray.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace nb = nanobind;

namespace {

using FileBytes = nb::ndarray<const uint8_t, nb::ndim<1>, nb::c_contig, nb::device::cpu>;
using Pixels = nb::ndarray<const uint8_t, nb::device::cpu>;

struct Released {
    void operator()(void* output) const { velmora_free(output); }
};

// A NumPy array over data, which it owns from now on.
template <typename T>
nb::ndarray<nb::numpy, T> Owning(std::unique_ptr<uint8_t[]> data, std::initializer_list<size_t> shape) {
    uint8_t* bytes = data.release();
    nb::capsule owner(bytes, [](void* p) noexcept { delete[] static_cast<uint8_t*>(p); });
    return nb::ndarray<nb::numpy, T>(bytes, shape, owner);
}

// A path in the system's bytes, as messages and OSError name it: the str
// os.fsdecode gives.
nb::object FileName(const nb::bytes& path) {
    return nb::steal(PyUnicode_DecodeFSDefaultAndSize(path.c_str(), Py_ssize_t(path.size())));
}

nb::bytes Convert(FileBytes data, const velmora_options& options) {
    void* output = nullptr;
    size_t size = 0;
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_convert(data.data(), data.size(), &options, &output, &size);
    }
    if (error) RaiseError(error, 0, nb::handle());
    const std::unique_ptr<void, Released> owned(output);
    return nb::bytes(static_cast<const char*>(output), size);
}

// Takes the output file's bytes into the std::string at user; a failure to
// hold them is the only one.
int Collect(void* user, const void* bytes, size_t size) {
    try {
        static_cast<std::string*>(user)->append(static_cast<const char*>(bytes), size);
        return 0;
    } catch (const std::bad_alloc&) {
        return 1;
    }
}

nb::bytes ConvertPath(const nb::bytes& input, const velmora_options& options) {
    std::string output;
    int error;
    int savedErrno;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_convert_file_detailed(input.c_str(), nullptr, Collect, &output, &options, nullptr);
        savedErrno = errno;
    }
    if (error == VELMORA_ERROR_WRITE_CALLBACK) throw std::bad_alloc();
    if (error) RaiseError(error, savedErrno, FileName(input));
    return nb::bytes(output.data(), output.size());
}

void ConvertFile(const nb::bytes& input, const nb::bytes& output, const velmora_options& options) {
    int error;
    int savedErrno;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_convert_file(input.c_str(), output.c_str(), &options);
        savedErrno = errno;
    }
    if (error) RaiseError(error, savedErrno, FileName(input), FileName(output));
}

// The pixels velmora_load or velmora_load_file left, as an array that owns
// them, or the error raised.
nb::ndarray<nb::numpy, uint8_t> Loaded(int error, int savedErrno, nb::handle name, unsigned char* pixels, int width,
                                       int height) {
    if (error) RaiseError(error, savedErrno, name);
    nb::capsule owner(pixels, [](void* p) noexcept { velmora_free(p); });
    return nb::ndarray<nb::numpy, uint8_t>(pixels, {size_t(height), size_t(width), 3}, owner);
}

nb::ndarray<nb::numpy, uint8_t> Load(FileBytes data) {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_load(data.data(), data.size(), &pixels, &width, &height);
    }
    return Loaded(error, 0, nb::handle(), pixels, width, height);
}

nb::ndarray<nb::numpy, uint8_t> LoadPath(const nb::bytes& path) {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    int error;
    int savedErrno;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_load_file(path.c_str(), &pixels, &width, &height);
        savedErrno = errno;
    }
    return Loaded(error, savedErrno, FileName(path), pixels, width, height);
}

// Refuses a width x height picture of more pixels than the library draws
// (VELMORA_ERROR_TOO_LARGE), before memory is spent on it: the engine's
// own rule, which velmora_extract follows.
void CheckSize(int64_t width, int64_t height) {
    if (!DibSizeAllowed(width, height, 24)) RaiseError(VELMORA_ERROR_TOO_LARGE, 0, nb::str("image"));
}

// The lines of an H x W or H x W x channels array whose channels lie side
// by side and whose pixels and rows lie apart; the package's Python layer
// brings any other array to that.
nb::object Extract(Pixels image, int layout, const velmora_options& options, bool asBool) {
    const bool colour = image.ndim() == 3;
    if (colour && image.stride(2) != 1) throw nb::value_error("image: the channels of each pixel must lie side by side");
    const size_t width = image.shape(1), height = image.shape(0);
    CheckSize(int64_t(width), int64_t(height));
    const int64_t pixelBytes = colour ? image.shape(2) : 1;
    // The stride of a dimension of one is never stepped, and NumPy leaves
    // it anything (0 for an axis added with None): the packed one's instead.
    const ptrdiff_t pixelStride = width == 1 ? pixelBytes : image.stride(1);
    const ptrdiff_t rowStride = height == 1 ? pixelBytes * int64_t(width) : image.stride(0);
    std::unique_ptr<uint8_t[]> lines(new uint8_t[width * height]);
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_extract_view(image.data(), int(width), int(height), pixelStride, rowStride, layout, &options,
                                     lines.get(), ptrdiff_t(width));
        // NumPy's bool is one byte, 1 for true: a line.
        if (!error && asBool) {
            std::transform(lines.get(), lines.get() + width * height, lines.get(),
                           [](uint8_t value) { return uint8_t(value == 0); });
        }
    }
    if (error) RaiseError(error, 0, nb::handle());
    if (asBool) return nb::cast(Owning<bool>(std::move(lines), {height, width}));
    return nb::cast(Owning<uint8_t>(std::move(lines), {height, width}));
}

int FormatOfName(const nb::bytes& path, int wanted) {
    return velmora_format_of_name(path.c_str(), wanted);
}

std::optional<std::string> FormatExtension(int format) {
    const char* extension = velmora_format_extension(format);
    return extension ? std::optional<std::string>(extension) : std::nullopt;
}

// The names of one of the library's lists, by number: counted up from 0 to
// the first null.
nb::tuple Names(const char* (*nameOf)(int value)) {
    nb::list names;
    for (int value = 0; const char* name = nameOf(value); ++value) names.append(name);
    return nb::tuple(names);
}

}  // namespace

NB_MODULE(_velmora, m) {
    AddImageError(m);

    nb::class_<velmora_options>(m, "Options")
        .def("__init__", [](velmora_options* options) { velmora_options_init(new (options) velmora_options); })
        .def_rw("thickness", &velmora_options::thickness)
        .def_rw("contrast", &velmora_options::contrast)
        .def_rw("noise", &velmora_options::noise)
        .def_rw("style", &velmora_options::style)
        .def_rw("format", &velmora_options::format)
        .def_rw("line_colour", &velmora_options::line_colour)
        .def_rw("background_colour", &velmora_options::background_colour)
        .def_rw("transparent", &velmora_options::transparent)
        .def_rw("decode_ahead", &velmora_options::decode_ahead);

    m.def("convert", &Convert, nb::arg("data"), nb::arg("options"));
    m.def("convert_path", &ConvertPath, nb::arg("path"), nb::arg("options"));
    m.def("convert_file", &ConvertFile, nb::arg("input"), nb::arg("output"), nb::arg("options"));
    m.def("load", &Load, nb::arg("data"));
    m.def("load_path", &LoadPath, nb::arg("path"));
    m.def("check_size", &CheckSize, nb::arg("width"), nb::arg("height"));
    m.def("extract", &Extract, nb::arg("image"), nb::arg("layout"), nb::arg("options"), nb::arg("as_bool"));
    m.def("format_of_name", &FormatOfName, nb::arg("path"), nb::arg("wanted"));
    m.def("format_extension", &FormatExtension, nb::arg("format"));
    m.def("format_transparency", &velmora_format_transparency, nb::arg("format"));
    m.def("format_transparent_by_default", &velmora_format_transparent_by_default, nb::arg("format"));
    m.def("layout_bytes", &velmora_layout_bytes, nb::arg("layout"));
    m.attr("STYLES") = Names(velmora_style_name);
    m.attr("THICKNESSES") = Names(velmora_thickness_name);
    m.attr("FORMATS") = Names(velmora_format_name);
    m.attr("LAYOUTS") = Names(velmora_layout_name);
    m.attr("CONTRAST_LOWEST") = int(VELMORA_CONTRAST_LOWEST);
    m.attr("CONTRAST_HIGHEST") = int(VELMORA_CONTRAST_HIGHEST);
    m.attr("CONTRAST_DEFAULT") = int(VELMORA_CONTRAST_DEFAULT);
    m.attr("VERSION") = velmora_version();
}
