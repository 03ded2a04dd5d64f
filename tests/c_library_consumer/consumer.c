/* A program written against the installed velmora.h alone, in strict C99:
 * prints the library's version and converts INPUT (under 1 MiB) in FORMAT
 * (bmp, png or svg; SVG without a background, as velmora-cli writes it)
 * from memory to memory, through callbacks and from file to file (telling
 * the system's reason of a failure), into OUTPUT.memory, OUTPUT.stream and
 * OUTPUT.file.
 *   consumer INPUT OUTPUT FORMAT */
#include <velmora.h>

#include <stdio.h>
#include <string.h>

static int Fail(const char* door, int error) {
    fprintf(stderr, "consumer: %s: %s\n", door, velmora_strerror(error));
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

int main(int argc, char** argv) {
    static unsigned char bytes[1 << 20];
    char name[4096];
    velmora_options options;
    velmora_failure failure;
    FILE* in;
    FILE* out;
    size_t size;
    void* converted = NULL;
    int error;

    if (argc != 4 || strlen(argv[2]) > sizeof name - 16) {
        fprintf(stderr, "usage: consumer INPUT OUTPUT bmp|png|svg\n");
        return 2;
    }
    velmora_options_init(&options);
    options.format = velmora_format_named(argv[3]);
    if (options.format < 0) return 2;
    options.transparent = options.format == VELMORA_FORMAT_SVG;
    printf("velmora %s\n", velmora_version());

    in = fopen(argv[1], "rb");
    if (!in) return 1;
    error = velmora_convert(bytes, fread(bytes, 1, sizeof bytes, in), &options, &converted, &size);
    if (error) return Fail("memory", error);
    sprintf(name, "%s.memory", argv[2]);
    out = fopen(name, "wb");
    if (!out || fwrite(converted, 1, size, out) != size || fclose(out) != 0) return 1;
    velmora_free(converted);

    rewind(in);
    sprintf(name, "%s.stream", argv[2]);
    out = fopen(name, "wb");
    if (!out) return 1;
    error = velmora_convert_stream(ReadFile, in, WriteFile, out, &options);
    if (fclose(out) != 0 || error) return Fail("stream", error);
    fclose(in);

    /* The file door takes the name of its format. */
    sprintf(name, "%s.file%s", argv[2], velmora_format_extension(options.format));
    error = velmora_convert_file_detailed(argv[1], name, NULL, NULL, &options, &failure);
    if (error && failure.system_error) fprintf(stderr, "consumer: %s\n", strerror(failure.system_error));
    return error ? Fail("file", error) : 0;
}
