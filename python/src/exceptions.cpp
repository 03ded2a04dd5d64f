#include "exceptions.h"

#include "velmora.h"

#include <cerrno>
#include <new>

namespace nb = nanobind;

void RaiseError(int error, const std::string& name, int savedErrno) {
    const std::string reason = velmora_strerror(error);
    switch (error) {
    case VELMORA_ERROR_OUT_OF_MEMORY: throw std::bad_alloc();
    case VELMORA_ERROR_NOT_AN_IMAGE:
    case VELMORA_ERROR_DAMAGED:
    case VELMORA_ERROR_TOO_MANY_SCANS:
    case VELMORA_ERROR_TOO_LARGE: throw ImageFailure(name.empty() ? reason : name + ": " + reason);
    case VELMORA_ERROR_CANNOT_OPEN:
    case VELMORA_ERROR_CANNOT_WRITE: {
        // The system's reason picks the subclass, as open() would.
        errno = savedErrno;
        const nb::str file(name.c_str());
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, file.ptr());
        throw nb::python_error();
    }
    default: throw nb::value_error(reason.c_str());
    }
}
