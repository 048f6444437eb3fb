// A rectangle in whole pixels, edges as the system's RECT holds them (right and bottom exclusive),
// for the window rules that are built and tested without the system's headers.
#pragma once
#include <cstdint>

struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
