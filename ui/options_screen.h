// The Options screen's picture: pages as tabs, one row per choice with its
// value, a help line for the chosen row, and a question or a capture prompt
// over it all. The program fills the picture; this only draws it and says
// what lies under a point.
#pragma once

#include "math/vec2.h"

inline constexpr int kOptionsPageCount = 5;
inline constexpr int kOptionsRowMax = 24;
extern const char* const kOptionsPageNames[kOptionsPageCount];

struct OptionsRow {
    char label[40] = {};
    char value[40] = {};
    bool stepped = false; // drawn with < and >, the sides of the value step it
};

struct OptionsPicture {
    int page = 0;
    // Row 0 is the strip of tabs; rows 1 on are the page's.
    OptionsRow rows[kOptionsRowMax];
    int rowCount = 1;
    int selected = 0;
    char help[96] = {};
    char notice[96] = {};
    // A question ("Keep this display? 7") or a capture prompt; "" for none.
    char prompt[96] = {};
    bool promptChoices = false; // "No" and "Yes" below it
    int promptChoice = 0;       // 0 No, 1 Yes
};

void drawOptionsScreen(const OptionsPicture& picture);

// Under a point: the row (0 for the tabs) or -1; the tab or -1; which side
// of a row's value (-1 left half, +1 right half, 0 the label); the
// question's choice (0 No, 1 Yes) or -1.
int optionsRowAt(Vec2 p, int rowCount);
int optionsTabAt(Vec2 p);
int optionsValueSide(Vec2 p);
int optionsChoiceAt(Vec2 p);
