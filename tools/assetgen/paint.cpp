#include "paint.h"

Image8 renderSprite(int size, int ss, FrameFn draw, double phase, double rim, Rgba rimColor) {
    Canvas cv(size, size, ss, kWhole);
    draw(cv, phase);
    if (rim > 0.0) cv.outline(rim, rimColor);
    return cv.resolveSprite();
}

Image8 renderStrip(int size, int ss, FrameFn draw, double rim, Rgba rimColor) {
    Image8 strip(size * 16, size);
    for (int i = 0; i < 16; ++i)
        blit(strip, renderSprite(size, ss, draw, i / 16.0, rim, rimColor), i * size, 0);
    return strip;
}
