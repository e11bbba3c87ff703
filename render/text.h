// Two bitmap fonts as display lists: 0 small, 1 large.
#pragma once

#include <cstdint>

extern uint32_t fontLists[2];

void createFont(const char* face, int height, int width, int index);
