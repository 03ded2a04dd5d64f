/* A program written against the installed velmora.h alone, in strict C99:
 * converts INPUT in FORMAT (bmp, png or svg; SVG without a background, as
 * velmora-cli writes it) from memory to memory, through callbacks and from
 * file to file, into OUTPUT.memory, OUTPUT.stream and OUTPUT.file.
 *   consumer INPUT OUTPUT FORMAT */
#include <velmora.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Fail(const char* what, int error) {
    fprintf(stderr, "consumer: %s: %s\n", what, velmora_strerror(error));
    return 1;
}

static size_t ReadFile(void* user, void* buffer, size_t size) {
    FILE* file = (FILE*)user;
    const size_t got = fread(buffer, 1, size, file);
    return ferror(file) ? (size_t)-1 : got;
}

static int WriteFile(void* user, const void* bytes, size_t size) {
    return fwrite(bytes, 1, size, (FILE*)user) == size ? 0 : 1;
}

static char* Named(const char* output, const char* suffix) {
    char* name = malloc(strlen(output) + strlen(suffix) + 1);
    if (name) sprintf(name, "%s%s", output, suffix);
    return name;
}

int main(int argc, char** argv) {
    velmora_options options;
    FILE* in;
    FILE* out;
    char* name;
    void* bytes;
    size_t size;
    long length;
    void* converted = NULL;
    size_t converted_size = 0;
    int error;

    if (argc != 4) {
        fprintf(stderr, "usage: consumer INPUT OUTPUT bmp|png|svg\n");
        return 2;
    }
    velmora_options_init(&options);
    options.format = strcmp(argv[3], "png") == 0 ? VELMORA_FORMAT_PNG
                     : strcmp(argv[3], "svg") == 0 ? VELMORA_FORMAT_SVG
                                                   : VELMORA_FORMAT_BMP;
    options.transparent = options.format == VELMORA_FORMAT_SVG;
    printf("velmora %s\n", velmora_version());

    in = fopen(argv[1], "rb");
    if (!in || fseek(in, 0, SEEK_END) != 0 || (length = ftell(in)) < 0 || fseek(in, 0, SEEK_SET) != 0) return 1;
    size = (size_t)length;
    bytes = malloc(size);
    if (!bytes || fread(bytes, 1, size, in) != size) return 1;
    error = velmora_convert(bytes, size, &options, &converted, &converted_size);
    if (error) return Fail("memory", error);
    name = Named(argv[2], ".memory");
    out = name ? fopen(name, "wb") : NULL;
    if (!out || fwrite(converted, 1, converted_size, out) != converted_size || fclose(out) != 0) return 1;
    velmora_free(converted);
    free(name);
    free(bytes);

    rewind(in);
    name = Named(argv[2], ".stream");
    out = name ? fopen(name, "wb") : NULL;
    if (!out) return 1;
    error = velmora_convert_stream(ReadFile, in, WriteFile, out, &options);
    if (fclose(out) != 0 || error) return Fail("stream", error);
    fclose(in);
    free(name);

    name = Named(argv[2], ".file");
    if (!name) return 1;
    error = velmora_convert_file(argv[1], name, &options);
    free(name);
    return error ? Fail("file", error) : 0;
}
