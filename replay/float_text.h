// A float as the shortest decimal text that reads back to it, as
// std::to_chars(first, last, value) writes it ("0.003", "1e+10",
// "123456790528"), computed with integers alone so that every target prints
// the same text: the verifier's results are compared as printed, and not
// every standard library has the float to_chars.
#pragma once

// Writes the text at `first` (no terminating zero) and returns its end, or
// nullptr when it does not fit before `last`. 16 characters always do.
char* shortestFloatText(char* first, char* last, float value);
