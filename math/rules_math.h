// The one place the rules get their sine and cosine, and which rules a game
// is played by. Generation 1 is every game recorded before the rules were
// made portable: it keeps the platform's math library, so only a build on
// glibc reproduces it. Generation 2 uses the rules' own functions
// (math/det_math.h) and computes the same bits everywhere.
#pragma once

#include <cstdint>

inline constexpr int kFirstGeneration = 1;
inline constexpr int kCurrentGeneration = 2;

// The generation of the game being played or replayed on this thread (the
// world bound to it sets it).
extern thread_local int rulesGeneration;

// True where this build's math library is the one generation-1 games were
// made with (glibc, on any CPU).
bool platformReplaysGeneration1();

float ruleSin(float x);
float ruleCos(float x);
// Both at once (the portable functions share their work).
void ruleSinCos(float x, float& s, float& c);
