// The library's error numbers raised as Python's own exceptions: a bad
// option as ValueError, a picture that cannot be read as velmora.ImageError
// (an OSError), out of memory as MemoryError, and a file the system refused
// as the OSError subclass of its errno (FileNotFoundError, PermissionError).
#pragma once

#include <nanobind/nanobind.h>

// Adds ImageError, an OSError for a picture that is damaged, no image or
// too large, to the module, for RaiseError to raise.
void AddImageError(nanobind::module_& module);

// Raises error, a VELMORA_ERROR_ number, as its exception. input and output
// (Python strings, or null handles) name the files: the output a failure
// to write it, both the refusal to overwrite the input, the input anything
// else. savedErrno is errno as the failing call left it, for a file the
// system refused.
[[noreturn]] void RaiseError(int error, int savedErrno, nanobind::handle input,
                             nanobind::handle output = nanobind::handle());
