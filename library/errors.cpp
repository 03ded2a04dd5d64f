#include "errors.h"

#include "velmora.h"

#include <cerrno>

int ErrorOf(const Failure& error, bool toFile) {
    switch (error.image) {
    case ImageError::None: break;
    case ImageError::CannotOpen:
        // Memory is no reason to open a file; a read error may leave no
        // reason of the system's.
        if (error.system == ENOMEM) return VELMORA_ERROR_OUT_OF_MEMORY;
        errno = error.system != 0 ? error.system : EIO;
        return VELMORA_ERROR_CANNOT_OPEN;
    case ImageError::NotAnImage: return VELMORA_ERROR_NOT_AN_IMAGE;
    case ImageError::Corrupt: return VELMORA_ERROR_DAMAGED;
    case ImageError::TooLarge: return VELMORA_ERROR_TOO_LARGE;
    case ImageError::OutOfMemory: return VELMORA_ERROR_OUT_OF_MEMORY;
    case ImageError::TooManyScans: return VELMORA_ERROR_TOO_MANY_SCANS;
    }
    if (error.system == ENOMEM || !toFile) return VELMORA_ERROR_OUT_OF_MEMORY;
    errno = error.system;
    return VELMORA_ERROR_CANNOT_WRITE;
}

const char* velmora_strerror(int error) {
    switch (error) {
    case VELMORA_OK: return "no error";
    case VELMORA_ERROR_NULL_ARGUMENT: return "a pointer argument that must be given is null";
    case VELMORA_ERROR_THICKNESS: return "bad option: thickness must be VELMORA_THIN or VELMORA_THICK";
    case VELMORA_ERROR_CONTRAST: return "bad option: contrast must be 1 to 16";
    case VELMORA_ERROR_NOISE: return "bad option: noise must be 0 or 1";
    case VELMORA_ERROR_FORMAT: return "bad option: format must be VELMORA_FORMAT_BMP, _PNG or _SVG";
    case VELMORA_ERROR_LINE_COLOUR: return "bad option: line_colour must be 0xRRGGBB, at most 0xFFFFFF";
    case VELMORA_ERROR_BACKGROUND_COLOUR: return "bad option: background_colour must be 0xRRGGBB, at most 0xFFFFFF";
    case VELMORA_ERROR_TRANSPARENT: return "bad option: transparent must be 0 or 1";
    case VELMORA_ERROR_TRANSPARENT_BMP:
        return "bad option: a transparent background needs PNG or SVG output; BMP has no transparency";
    case VELMORA_ERROR_RESERVED:
        return "bad option: a reserved field is not zero (options not made by velmora_options_init, "
               "or for a newer version of the library)";
    case VELMORA_ERROR_DIMENSIONS: return "width and height must be positive";
    case VELMORA_ERROR_STRIDE: return "a stride is shorter than what it steps over: a row of pixels, or a pixel";
    case VELMORA_ERROR_LAYOUT: return "unknown pixel layout";
    case VELMORA_ERROR_NOT_AN_IMAGE: return "not a BMP, JPEG or PNG image";
    case VELMORA_ERROR_DAMAGED: return "the image is damaged or cut short";
    case VELMORA_ERROR_TOO_MANY_SCANS: return "the progressive JPEG has more scans than the decoder takes";
    case VELMORA_ERROR_TOO_LARGE: return "the image is too large";
    case VELMORA_ERROR_OUT_OF_MEMORY: return "out of memory";
    case VELMORA_ERROR_CANNOT_OPEN: return "cannot open or read the input file";
    case VELMORA_ERROR_CANNOT_WRITE: return "cannot write the output file";
    case VELMORA_ERROR_READ_CALLBACK: return "the read callback reported a failure";
    case VELMORA_ERROR_WRITE_CALLBACK: return "the write callback reported a failure";
    case VELMORA_ERROR_STYLE: return "bad option: style must be VELMORA_STYLE_EDGES, VELMORA_STYLE_INK or VELMORA_STYLE_PHOTO";
    case VELMORA_ERROR_OUTPUT_NAME:
        return "the output file's name ends in the extension of another format than the one written, or of none";
    case VELMORA_ERROR_SAME_FILE: return "the output file is the input file";
    }
    return "unknown error";
}
