#include "exceptions.h"

#include "velmora.h"

#include <cerrno>
#include <new>

namespace nb = nanobind;

namespace {

// Held by the module's attribute for as long as the module lives.
PyObject* ImageErrorType = nullptr;

}  // namespace

void AddImageError(nb::module_& module) {
    ImageErrorType = PyErr_NewException("velmora._velmora.ImageError", PyExc_OSError, nullptr);
    if (!ImageErrorType) throw nb::python_error();
    module.attr("ImageError") = nb::steal(ImageErrorType);
}

void RaiseError(int error, int savedErrno, nb::handle input, nb::handle output) {
    const char* reason = velmora_strerror(error);
    switch (error) {
    case VELMORA_ERROR_OUT_OF_MEMORY: throw std::bad_alloc();
    case VELMORA_ERROR_NOT_AN_IMAGE:
    case VELMORA_ERROR_DAMAGED:
    case VELMORA_ERROR_TOO_MANY_SCANS:
    case VELMORA_ERROR_TOO_LARGE:
        if (input.is_valid()) {
            PyErr_Format(ImageErrorType, "%U: %s", input.ptr(), reason);
        } else {
            PyErr_SetString(ImageErrorType, reason);
        }
        throw nb::python_error();
    case VELMORA_ERROR_CANNOT_OPEN:
    case VELMORA_ERROR_CANNOT_WRITE:
        // The system's reason picks the subclass, as open() would.
        errno = savedErrno;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError,
                                             (error == VELMORA_ERROR_CANNOT_WRITE ? output : input).ptr());
        throw nb::python_error();
    case VELMORA_ERROR_SAME_FILE:
        PyErr_Format(PyExc_ValueError, "src %R and dst %R are the same file: the input is never overwritten",
                     input.ptr(), output.ptr());
        throw nb::python_error();
    default: throw nb::value_error(reason);
    }
}
