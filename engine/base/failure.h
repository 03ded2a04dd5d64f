// Why work on a picture failed, one type from the decoders and the outputs
// up to the front ends that word it: the picture's reason (image: not an
// image, damaged, too large, OutOfMemory when it could not be held) or else
// the system's (system: an errno value from writing the output; ENOMEM when
// the work's own memory could not be had). A file that could not be opened
// has image CannotOpen and, when known, the system's reason in system.
#pragma once

#include "base/dib.h"

struct Failure {
    ImageError image = ImageError::None;
    int system = 0;
};
