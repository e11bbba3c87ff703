// The rules' own sine and cosine, made of + - * / alone, so that every
// compiler, CPU and C library computes the same bits from the same angle.
// Within about half a unit in the last place of the float result for every
// angle the rules use (|x| <= 8 is checked exhaustively); larger angles
// still give the same bits everywhere, only less accurately.
#pragma once

#include <cfloat>

// Wider intermediate floats (x87, some old targets) would round the rules
// differently from everyone else's.
static_assert(FLT_EVAL_METHOD == 0, "the rules need float and double evaluated at their own width");
// Fast-math lets the compiler reorder and fuse as it likes (the build's
// -ffp-contract=off keeps it from fusing multiply-adds).
#if defined(__FAST_MATH__)
#error "the rules must be built without fast-math"
#endif

float detSin(float x);
float detCos(float x);
// Both at once, as Vec2::rotate wants them.
void detSinCos(float x, float& s, float& c);
