#include "core/audio/ExampleWavs.h"

#include <cstdio>

// Writes the example WAVE files into the folder given as the argument.
int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    if (!kaldorium::WriteExampleWavs(argv[1])) {
        std::fprintf(stderr, "could not write the example WAVE files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
