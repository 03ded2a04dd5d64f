// _velmora: the work behind the velmora package, over the C library of
// velmora.h. The package's Python layer checks and names the options; this
// module takes them as velmora_options. Every function releases the GIL
// while it works, and every array it returns owns its memory.
#include "exceptions.h"

#include "velmora.h"

#include <nanobind/nanobind.h>
#include <nanobind/ndarray.h>
#include <nanobind/stl/string.h>

#include <algorithm>
#include <cerrno>
#include <memory>
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

nb::bytes Convert(FileBytes data, const velmora_options& options, const std::string& name) {
    void* output = nullptr;
    size_t size = 0;
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_convert(data.data(), data.size(), &options, &output, &size);
    }
    if (error) RaiseError(error, name, 0);
    const std::unique_ptr<void, Released> owned(output);
    return nb::bytes(static_cast<const char*>(output), size);
}

void ConvertFile(const std::string& input, const std::string& output, const velmora_options& options) {
    int error;
    int savedErrno;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_convert_file(input.c_str(), output.c_str(), &options);
        savedErrno = errno;
    }
    if (error) RaiseError(error, error == VELMORA_ERROR_CANNOT_WRITE ? output : input, savedErrno);
}

nb::ndarray<nb::numpy, uint8_t> Load(FileBytes data, const std::string& name) {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_load(data.data(), data.size(), &pixels, &width, &height);
    }
    if (error) RaiseError(error, name, 0);
    nb::capsule owner(pixels, [](void* p) noexcept { velmora_free(p); });
    return nb::ndarray<nb::numpy, uint8_t>(pixels, {size_t(height), size_t(width), 3}, owner);
}

// The lines of an H x W or H x W x channels array whose channels lie side
// by side; the package's Python layer brings any other array to that.
nb::object Extract(Pixels image, int layout, const velmora_options& options, bool asBool) {
    const bool colour = image.ndim() == 3;
    if (colour && image.stride(2) != 1) throw nb::value_error("image: the channels of each pixel must lie side by side");
    const size_t width = image.shape(1), height = image.shape(0);
    const int64_t pixelBytes = colour ? image.shape(2) : 1;
    // The stride of a dimension of one is never stepped, and NumPy leaves
    // it anything (0 for an axis added with None): the packed one's instead.
    const ptrdiff_t pixelStride = width == 1 ? pixelBytes : image.stride(1);
    const ptrdiff_t rowStride = height == 1 ? pixelBytes * int64_t(width) : image.stride(0);
    std::unique_ptr<uint8_t[]> lines(new uint8_t[std::max<size_t>(width * height, 1)]);
    int error;
    {
        nb::gil_scoped_release unlocked;
        error = velmora_extract_view(image.data(), int(std::min<size_t>(width, INT32_MAX)),
                                     int(std::min<size_t>(height, INT32_MAX)), pixelStride, rowStride, layout,
                                     &options, lines.get(), ptrdiff_t(width));
        // NumPy's bool is one byte, 1 for true: a line.
        if (!error && asBool) {
            std::transform(lines.get(), lines.get() + width * height, lines.get(),
                           [](uint8_t value) { return uint8_t(value == 0); });
        }
    }
    if (error) RaiseError(error, "", 0);
    if (asBool) return nb::cast(Owning<bool>(std::move(lines), {height, width}));
    return nb::cast(Owning<uint8_t>(std::move(lines), {height, width}));
}

}  // namespace

NB_MODULE(_velmora, m) {
    nb::exception<ImageFailure>(m, "ImageError", PyExc_OSError);

    nb::class_<velmora_options>(m, "Options")
        .def("__init__", [](velmora_options* options) { velmora_options_init(new (options) velmora_options); })
        .def_rw("thickness", &velmora_options::thickness)
        .def_rw("contrast", &velmora_options::contrast)
        .def_rw("noise", &velmora_options::noise)
        .def_rw("style", &velmora_options::style)
        .def_rw("format", &velmora_options::format)
        .def_rw("line_colour", &velmora_options::line_colour)
        .def_rw("background_colour", &velmora_options::background_colour)
        .def_rw("transparent", &velmora_options::transparent);

    m.def("convert", &Convert, nb::arg("data"), nb::arg("options"), nb::arg("name"));
    m.def("convert_file", &ConvertFile, nb::arg("input"), nb::arg("output"), nb::arg("options"));
    m.def("load", &Load, nb::arg("data"), nb::arg("name"));
    m.def("extract", &Extract, nb::arg("image"), nb::arg("layout"), nb::arg("options"), nb::arg("as_bool"));
    m.attr("VERSION") = velmora_version();
}
