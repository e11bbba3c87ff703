// Two bitmap fonts as display lists: 0 small, 1 large.
#pragma once

#include <cstdint>

extern uint32_t fontLists[2];

void createFont(const char* face, int height, int width, int index);
// printf-style text whose first baseline starts at arena (x, y), in the
// current colour. Bounded to 255 characters; codes outside 32-127 skipped.
void drawText(int font, float x, float y, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
