// The error numbers of velmora.h: what the engine's failures are called at
// the door, and the message for each.
#pragma once

#include "pipeline/line_conversion.h"

// The number for a failed conversion. A writing failure of a file
// conversion (toFile) leaves its reason in errno; one of memory or a
// callback is running out of memory, the caller telling its own callback's
// failures apart.
int ErrorOf(const Failure& error, bool toFile);
