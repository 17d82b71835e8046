#pragma once
// Shared by the fuzz targets: a GUI application on the offscreen platform, and a loud stop
// when a checked property does not hold (libFuzzer keeps the input that did it).
#include <cstdio>
#include <cstdlib>

// Creates the application once; forms and fonts need it.
void StartOffscreenApplication();

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
