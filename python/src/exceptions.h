// The library's error numbers raised as Python's own exceptions: a bad
// option as ValueError, a picture that cannot be read as velmora.ImageError
// (an OSError), out of memory as MemoryError, and a file the system refused
// as the OSError subclass of its errno (FileNotFoundError, PermissionError).
#pragma once

#include <nanobind/nanobind.h>

#include <stdexcept>
#include <string>

// Thrown for a picture that is damaged, no image or too large; the module
// registers it as velmora.ImageError.
struct ImageFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raises error, a VELMORA_ERROR_ number, as its exception. name (may be
// empty) is the file or input the message names; savedErrno is errno as the
// failing call left it, for a file the system refused.
[[noreturn]] void RaiseError(int error, const std::string& name, int savedErrno);
