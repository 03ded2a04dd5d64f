/* The native C library's output for the browser tests: converts INPUT into
 * OUTPUT through velmora_convert_file, with the options given as numbers in
 * velmora_options' order (thickness, contrast, noise, format, transparent,
 * style). It gives the tests the bytes of an option that velmora-cli may
 * not offer; fixtures.js compiles it against build/native's library.
 *   reference INPUT OUTPUT THICKNESS CONTRAST NOISE FORMAT TRANSPARENT STYLE */
#include <velmora.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    velmora_options options;
    int error;

    if (argc != 9) {
        fprintf(stderr, "usage: reference INPUT OUTPUT THICKNESS CONTRAST NOISE FORMAT TRANSPARENT STYLE\n");
        return 2;
    }
    velmora_options_init(&options);
    options.thickness = atoi(argv[3]);
    options.contrast = atoi(argv[4]);
    options.noise = atoi(argv[5]);
    options.format = atoi(argv[6]);
    options.transparent = atoi(argv[7]);
    options.style = atoi(argv[8]);
    error = velmora_convert_file(argv[1], argv[2], &options);
    if (error) {
        fprintf(stderr, "reference: %s\n", velmora_strerror(error));
        return 1;
    }
    return 0;
}
