/*
 * velmora.h: the Velmora Extractor engine as a C library. It turns a colour
 * photograph or drawing into a black-on-white line drawing, the same one the
 * window program and velmora-cli make, from a BMP, JPEG or PNG file's bytes
 * or from pixels the caller holds.
 *
 * C99 and C++. Stable within a major version: functions, constants and the
 * layout of velmora_options keep their meaning; new ones are only added.
 *
 * Every function returns VELMORA_OK (0) on success and a positive error
 * number on failure (see velmora_strerror), except velmora_options_init,
 * velmora_free, velmora_strerror and velmora_version, which cannot fail,
 * and the velmora_format_ functions, which answer a question.
 *
 * Threads: every function is re-entrant and may run on several threads at
 * once, on different or the same inputs; each call keeps its state on its
 * own stack and heap. Shared between calls are only the choice of vector
 * instructions, made once on first use under the C++ runtime's guard for
 * static initialisation, and two lock-free records: the pixel memory in use
 * and the temporary files being written (which velmora-cli removes when
 * interrupted).
 */
#ifndef VELMORA_H
#define VELMORA_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(VELMORA_BUILDING) && defined(__GNUC__) && !defined(_WIN32)
#define VELMORA_API __attribute__((visibility("default")))
#else
#define VELMORA_API
#endif

/* Error numbers. A bad option has one number for each field. */
enum {
    VELMORA_OK = 0,
    VELMORA_ERROR_NULL_ARGUMENT = 1,     /* a pointer that must be given is null */
    VELMORA_ERROR_THICKNESS = 2,         /* thickness is neither VELMORA_THIN nor VELMORA_THICK */
    VELMORA_ERROR_CONTRAST = 3,          /* contrast is not 1 to 16 */
    VELMORA_ERROR_NOISE = 4,             /* noise is neither 0 nor 1 */
    VELMORA_ERROR_FORMAT = 5,            /* format is no VELMORA_FORMAT_ value */
    VELMORA_ERROR_LINE_COLOUR = 6,       /* line_colour is over 0xFFFFFF */
    VELMORA_ERROR_BACKGROUND_COLOUR = 7, /* background_colour is over 0xFFFFFF */
    VELMORA_ERROR_TRANSPARENT = 8,       /* transparent is neither 0 nor 1 */
    VELMORA_ERROR_TRANSPARENT_BMP = 9,   /* a transparent background asked of BMP output */
    VELMORA_ERROR_RESERVED = 10,         /* a reserved field of the options is not zero */
    VELMORA_ERROR_DIMENSIONS = 11,       /* width or height is not positive */
    VELMORA_ERROR_STRIDE = 12,           /* a row stride is shorter than a row */
    VELMORA_ERROR_LAYOUT = 13,           /* layout is no VELMORA_LAYOUT_ value */
    VELMORA_ERROR_NOT_AN_IMAGE = 14,     /* the input is not a BMP, JPEG or PNG file */
    VELMORA_ERROR_DAMAGED = 15,          /* the picture is damaged or cut short */
    VELMORA_ERROR_TOO_MANY_SCANS = 16,   /* a progressive JPEG of more scans than the decoder takes */
    VELMORA_ERROR_TOO_LARGE = 17,        /* the picture has too many pixels */
    VELMORA_ERROR_OUT_OF_MEMORY = 18,
    VELMORA_ERROR_CANNOT_OPEN = 19,      /* the input file cannot be opened or read; errno says why */
    VELMORA_ERROR_CANNOT_WRITE = 20,     /* the output file cannot be written; errno says why */
    VELMORA_ERROR_READ_CALLBACK = 21,    /* the read callback reported a failure */
    VELMORA_ERROR_WRITE_CALLBACK = 22,   /* the write callback reported a failure */
    VELMORA_ERROR_STYLE = 23,            /* style is none of VELMORA_STYLE_EDGES, _INK, _PHOTO */
    VELMORA_ERROR_OUTPUT_NAME = 24,      /* the output file's name ends in another format's extension, or in
                                            one of no format (velmora_format_of_name) */
    VELMORA_ERROR_SAME_FILE = 25         /* the output file is the input file, by any name */
};

/* Line thickness: thin marks the darker side of each edge, thick both; of
   ink, thick adds one pixel around each stroke. */
enum { VELMORA_THIN = 0, VELMORA_THICK = 1 };

/* Line style: edges marks where brightness steps, so a wide stroke gives a
   line along each side; ink draws each dark stroke once, solid and as wide
   as it is, and a dark area wider than about 64 pixels as an outline band;
   photo draws the outlines of what a photograph shows, once each, in the
   picture's own scale: the same photo at any size gives the same drawing,
   scaled, its lines about a thousandth of the longer side wide. */
enum { VELMORA_STYLE_EDGES = 0, VELMORA_STYLE_INK = 1, VELMORA_STYLE_PHOTO = 2 };

/* Output file formats. BMP: 24 bits a pixel. PNG: 1 bit a pixel, greyscale
   or a two-colour palette. SVG: one stroke along the middle of each line. */
enum { VELMORA_FORMAT_BMP = 0, VELMORA_FORMAT_PNG = 1, VELMORA_FORMAT_SVG = 2 };

/* Contrast: 1 to 16, fewer lines as it grows; 7 by default. */
enum { VELMORA_CONTRAST_LOWEST = 1, VELMORA_CONTRAST_HIGHEST = 16, VELMORA_CONTRAST_DEFAULT = 7 };

/* Pixel layouts for velmora_extract, 8 bits a channel, channels in the
   order named. Alpha is laid over white paper, as the window program lays a
   transparent PNG. */
enum {
    VELMORA_LAYOUT_RGB = 0,
    VELMORA_LAYOUT_BGR = 1,
    VELMORA_LAYOUT_RGBA = 2,
    VELMORA_LAYOUT_BGRA = 3,
    VELMORA_LAYOUT_GRAY = 4
};

/*
 * Options of a conversion. Fill one with velmora_options_init, then change
 * the fields wanted. The struct has a fixed size within a major version:
 * later fields are taken from `reserved`, which velmora_options_init sets
 * to their defaults (zero so far). A library older than its caller's header
 * refuses a reserved field that is not zero (VELMORA_ERROR_RESERVED) rather
 * than ignore an option it does not know.
 */
typedef struct velmora_options {
    int thickness;              /* VELMORA_THIN (default) or VELMORA_THICK */
    int contrast;               /* 1 to 16, default 7; larger keeps only stronger edges */
    int noise;                  /* 1 removes small specks; default 0 */
    int format;                 /* VELMORA_FORMAT_BMP (default), _PNG or _SVG */
    uint32_t line_colour;       /* 0xRRGGBB, default 0x000000 (black) */
    uint32_t background_colour; /* 0xRRGGBB, default 0xFFFFFF (white) */
    int transparent;            /* 1: the background fully transparent (PNG and SVG only); default 0 */
    int decode_ahead;           /* not 0: the picture decoded on a second thread, started and joined
                                   within the call, while its lines are drawn: for a caller with a
                                   processor to spare; the same bytes; default 0 */
    int style;                  /* VELMORA_STYLE_EDGES (default), _INK or _PHOTO */
    int reserved[7];
} velmora_options;

/* Fills options with the defaults: thin lines, contrast 7, no noise
   removal, BMP, black lines on an opaque white background. An SVG then has
   a white rectangle under its strokes; velmora-cli's SVG without
   --background is transparent = 1. Does nothing for null. */
VELMORA_API void velmora_options_init(velmora_options* options);

/*
 * Converts the picture file (BMP, JPEG or PNG) in the size bytes at data
 * into the bytes of an output file in the options' format, the bytes
 * velmora-cli writes with the same options. JPEG and PNG pictures are turned
 * upright as their EXIF orientation says; the pixel density is kept.
 *
 * data is only read, during the call. On success *output points at
 * *output_size bytes that the caller owns and releases with velmora_free;
 * on failure *output is null and *output_size 0.
 *
 * Errors: VELMORA_ERROR_NULL_ARGUMENT (data, options, output or output_size
 * null), a bad option, VELMORA_ERROR_NOT_AN_IMAGE, _DAMAGED,
 * _TOO_MANY_SCANS, _TOO_LARGE, _OUT_OF_MEMORY.
 */
VELMORA_API int velmora_convert(const void* data, size_t size, const velmora_options* options, void** output,
                                size_t* output_size);

/* Releases what velmora_convert, velmora_load or velmora_load_file returned; null is ignored. */
VELMORA_API void velmora_free(void* output);

/*
 * Reads up to size bytes of the input into buffer and returns how many; 0
 * at the end of the input; (size_t)-1 for a failure, which ends the
 * conversion with VELMORA_ERROR_READ_CALLBACK.
 */
typedef size_t (*velmora_read_function)(void* user, void* buffer, size_t size);

/*
 * Takes the next size bytes of the output file (size > 0; the bytes are
 * valid during the call only). Returns 0 when they were taken, anything else
 * to end the conversion with VELMORA_ERROR_WRITE_CALLBACK.
 */
typedef int (*velmora_write_function)(void* user, const void* bytes, size_t size);

/*
 * The same conversion with the input read through read and the output
 * handed to write, each called with its own user pointer, on the calling
 * thread only. The input is read to its end first (it may not exceed 2 GiB:
 * VELMORA_ERROR_TOO_LARGE), once its first 16 bytes, asked for alone, start
 * a BMP, JPEG or PNG: anything else is refused then, unread past them
 * (VELMORA_ERROR_NOT_AN_IMAGE). The output goes to write in order as it is
 * made: a PNG a row at a time as the drawing's rows become final, a BMP or
 * an SVG once whole. When the conversion fails after write was first
 * called (a picture found damaged halfway), what write took is no whole
 * file: the caller discards it.
 *
 * Errors: those of velmora_convert (read and write null give
 * VELMORA_ERROR_NULL_ARGUMENT), VELMORA_ERROR_READ_CALLBACK and
 * VELMORA_ERROR_WRITE_CALLBACK.
 */
VELMORA_API int velmora_convert_stream(velmora_read_function read, void* read_user, velmora_write_function write,
                                       void* write_user, const velmora_options* options);

/*
 * The same conversion from the picture file named input into the file
 * named output. Names are UTF-8 on every system (Windows included). The
 * output is written all or nothing: into a temporary file beside it that
 * replaces it only once complete, so a failure leaves any existing file at
 * output as it was and no temporary file; on Linux the temporary file has
 * no name until then, so that nothing is left of it even when the process
 * is killed. A file replaced keeps its mode, and its owner and group as
 * far as the system allows. An output that is a character device or a
 * named pipe (not on Windows) is written into, never replaced; a pipe
 * waits for its reader. A PNG input is read as the conversion goes; other
 * files are read whole first. The output's name must agree with the
 * options' format (velmora_format_of_name): a name without an extension
 * takes it. The output may not be the input, by whatever name (a link,
 * another spelling).
 *
 * Errors: those of velmora_convert, VELMORA_ERROR_OUTPUT_NAME,
 * VELMORA_ERROR_SAME_FILE, VELMORA_ERROR_CANNOT_OPEN and
 * VELMORA_ERROR_CANNOT_WRITE. With these two, errno holds the system's
 * reason on return (ENOENT, EACCES, ENOSPC, ...; EIO when the system gave
 * none), for a caller to report as strerror(errno) or raise as its
 * language's exception for that reason. An input that is a folder gives
 * EISDIR; one that is a pipe, a device or a socket ENOTSUP (it is not read
 * as a picture file). An output that is a folder gives EISDIR (EACCES on
 * Windows); a socket or a block device ENOTSUP. Memory that runs out as
 * the input is opened is VELMORA_ERROR_OUT_OF_MEMORY. On success errno is
 * left as the caller had it.
 */
VELMORA_API int velmora_convert_file(const char* input, const char* output, const velmora_options* options);

/*
 * Extracts the lines of the width x height picture at pixels into lines:
 * 0 for a line pixel, 255 for the background, one byte a pixel, exactly
 * what the window program extracts from the same picture with the options'
 * thickness, contrast and noise (its other fields are checked but unused).
 *
 * pixels is the picture's top row, in the layout (VELMORA_LAYOUT_*); row y
 * starts at pixels + y * stride. stride may exceed a row (a view into a
 * wider buffer) or be negative (rows stored bottom-up, pixels then pointing
 * at the last row stored); its size must be at least a row's bytes. lines
 * and lines_stride are the same for the output, at least width bytes a row.
 * The input is only read, a few rows at a time, and never copied whole; the
 * two buffers must not overlap.
 *
 * Errors: VELMORA_ERROR_NULL_ARGUMENT, _DIMENSIONS, _STRIDE, _LAYOUT, a bad
 * option, VELMORA_ERROR_TOO_LARGE (more pixels than a picture file may
 * hold), VELMORA_ERROR_OUT_OF_MEMORY. On an error lines is left as it was.
 */
VELMORA_API int velmora_extract(const unsigned char* pixels, int width, int height, ptrdiff_t stride, int layout,
                                const velmora_options* options, unsigned char* lines, ptrdiff_t lines_stride);

/*
 * velmora_extract for pixels that need not lie side by side in their rows,
 * as in a view of every other column or a transposed array: pixel x of row
 * y starts at pixels + y * stride + x * pixel_stride. Either stride may be
 * negative; the size of each must be at least a pixel's bytes (else
 * VELMORA_ERROR_STRIDE). velmora_extract is this call with pixel_stride the
 * layout's bytes a pixel. Rows of such a view are gathered one at a time;
 * everything else, errors included, is as for velmora_extract.
 */
VELMORA_API int velmora_extract_view(const unsigned char* pixels, int width, int height, ptrdiff_t pixel_stride,
                                     ptrdiff_t stride, int layout, const velmora_options* options,
                                     unsigned char* lines, ptrdiff_t lines_stride);

/*
 * Output formats and failures told in detail: what a program such as
 * velmora-cli needs to name its formats and to say what went wrong, with
 * no knowledge of its own of the formats the library writes.
 */

/* The format's name as velmora-cli's --format takes it ("bmp", "png",
   "svg"), its file name extension with the dot, in small letters (".bmp"),
   and its media type ("image/bmp", "image/png", "image/svg+xml"): static
   strings; null for a number that is no VELMORA_FORMAT_ value, so that a
   caller may list every format by counting up from 0 until the first
   null. */
VELMORA_API const char* velmora_format_name(int format);
VELMORA_API const char* velmora_format_extension(int format);
VELMORA_API const char* velmora_format_media_type(int format);

/* 1 when the format can have a transparent background (the options'
   transparent), 0 when it cannot or for no format. */
VELMORA_API int velmora_format_transparency(int format);

/* The VELMORA_FORMAT_ value whose velmora_format_name is name, compared
   exactly; -1 for null or a name of no format. */
VELMORA_API int velmora_format_named(const char* name);

/* 1 when the format, with no background asked for, is best written with a
   transparent one (SVG: strokes laid over whatever the drawing is placed
   on), as velmora-cli and Python write it; 0 for white (BMP, PNG) or for no
   format. velmora_options_init itself always gives white. */
VELMORA_API int velmora_format_transparent_by_default(int format);

/*
 * The names of the other choices, for front ends to list and take them
 * with no list of their own: static strings, null for a number that is no
 * value, so that counting up from 0 until the first null lists them all;
 * the _named functions give the value of a name, compared exactly, or -1.
 */

/* Styles: "edges", "ink", "photo" (VELMORA_STYLE_EDGES, _INK, _PHOTO). */
VELMORA_API const char* velmora_style_name(int style);
VELMORA_API int velmora_style_named(const char* name);

/* Thicknesses: "thin", "thick" (VELMORA_THIN, VELMORA_THICK). */
VELMORA_API const char* velmora_thickness_name(int thickness);
VELMORA_API int velmora_thickness_named(const char* name);

/* Pixel layouts: "RGB", "BGR", "RGBA", "BGRA", "GRAY" (VELMORA_LAYOUT_*),
   and the bytes a pixel of each takes; 0 bytes for no layout. */
VELMORA_API const char* velmora_layout_name(int layout);
VELMORA_API int velmora_layout_named(const char* name);
VELMORA_API int velmora_layout_bytes(int layout);

/* The format of an output file named path, by the one rule for names that
   velmora-cli's -o, velmora_convert_file and Python's convert_file follow:
   a name ending in a format's extension, in any letter case ("a.PNG"), is
   written in that format; a name without an extension (none in its last
   part; a leading dot names a hidden file) in wanted, or in BMP when wanted
   is -1. wanted is a VELMORA_FORMAT_ value, or -1 for the format the name
   says. Returns the VELMORA_FORMAT_ value to write; -1 when the name ends
   in another format's extension than wanted, or in one of no format
   ("a.jpg"), or for a null path or a wanted of no format. */
VELMORA_API int velmora_format_of_name(const char* path, int wanted);

/*
 * Where a conversion failed, beyond its error number: filled by the
 * _detailed conversions below into the caller's struct, which they only
 * write. The same error number can be either side's: out of memory while
 * the picture is decoded is the input's (it is too large to hold), while
 * its lines are drawn the conversion's own.
 */
typedef struct velmora_failure {
    int input;        /* 1: the input's failure: it could not be opened, read, decoded or held in memory
                         (VELMORA_ERROR_CANNOT_OPEN, _NOT_AN_IMAGE, _DAMAGED, _TOO_MANY_SCANS,
                         _TOO_LARGE, _READ_CALLBACK, _OUT_OF_MEMORY); 0: the output's (_CANNOT_WRITE,
                         _WRITE_CALLBACK), the conversion's own memory (_OUT_OF_MEMORY), a bad
                         argument, or success */
    int system_error; /* with VELMORA_ERROR_CANNOT_OPEN and _CANNOT_WRITE, the errno value the system
                         gave (ENOENT, EACCES, ENOSPC, ...), 0 when it gave none (where errno says
                         EIO); else 0 */
    int reserved[6];  /* zero */
} velmora_failure;

/*
 * velmora_convert_file with its failure told in *failure, and, when output
 * is null, the output file's bytes handed to write (with write_user, on the
 * calling thread) in order instead of written into a file; the sizes of
 * the pieces are the library's choice, and what write took of a
 * conversion that failed is no whole file: the caller discards it. write
 * is unused when output is given. failure may be null; otherwise it is filled on every return, zeros
 * on success. errno is set as by velmora_convert_file.
 *
 * Errors: those of velmora_convert_file (output and write both null give
 * VELMORA_ERROR_NULL_ARGUMENT), and VELMORA_ERROR_WRITE_CALLBACK.
 */
VELMORA_API int velmora_convert_file_detailed(const char* input, const char* output, velmora_write_function write,
                                              void* write_user, const velmora_options* options,
                                              velmora_failure* failure);

/*
 * velmora_convert_stream with its failure told in *failure (which may be
 * null; otherwise filled on every return, zeros on success). A failure of
 * write is the output's; the caller knows its reason.
 */
VELMORA_API int velmora_convert_stream_detailed(velmora_read_function read, void* read_user,
                                                velmora_write_function write, void* write_user,
                                                const velmora_options* options, velmora_failure* failure);

/* A sentence in English for the error number, naming its cause; a static
   string, never null ("unknown error" for a number not listed). */
VELMORA_API const char* velmora_strerror(int error);

/* The library's version, "MAJOR.MINOR" as velmora-cli --version gives it;
   a static string. */
VELMORA_API const char* velmora_version(void);

/* Loading a picture's pixels. */

/*
 * Decodes the picture file (BMP, JPEG or PNG) in the size bytes at data
 * into the pixels velmora_convert and the window program work on: turned
 * upright as a JPEG's or PNG's EXIF orientation says, transparent parts
 * laid over white, as VELMORA_LAYOUT_RGB, 3 bytes a pixel (red, green,
 * blue), rows top first and side by side (the stride is 3 * *width). That
 * is, velmora_extract of these pixels gives the lines velmora_convert draws
 * from the file.
 *
 * data is only read, during the call. On success *pixels points at
 * 3 * *width * *height bytes that the caller owns and releases with
 * velmora_free, and *width and *height are positive; on failure *pixels is
 * null and *width and *height are 0.
 *
 * Errors: VELMORA_ERROR_NULL_ARGUMENT (data, pixels, width or height null),
 * VELMORA_ERROR_NOT_AN_IMAGE, _DAMAGED, _TOO_MANY_SCANS, _TOO_LARGE,
 * _OUT_OF_MEMORY. Re-entrant, as every function here.
 */
VELMORA_API int velmora_load(const void* data, size_t size, unsigned char** pixels, int* width, int* height);

/*
 * velmora_load of the picture file named path (UTF-8 on every system, as
 * for velmora_convert_file), read as velmora_convert_file reads it: a
 * file that is not a regular one (a pipe, a device, a folder) is refused
 * at once rather than waited for or read without end, and one whose first
 * bytes start no BMP, JPEG or PNG, or larger than any picture, before the
 * rest is read. Pixels, ownership and failure as for velmora_load.
 *
 * Errors: those of velmora_load (path null gives
 * VELMORA_ERROR_NULL_ARGUMENT), and VELMORA_ERROR_CANNOT_OPEN, with errno
 * holding the system's reason on return (EIO when the system gave none).
 */
VELMORA_API int velmora_load_file(const char* path, unsigned char** pixels, int* width, int* height);

#ifdef __cplusplus
}
#endif

#endif
