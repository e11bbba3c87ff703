// The frame as a description. Game and interface code append what to draw,
// in the painter's order, to one fixed-capacity list; a back end draws the
// list at the end of the frame (render/ on OpenGL), or nobody does (the
// verifier). Nothing here knows a graphics library.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Colour {
    float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
};

inline constexpr Colour kWhite{1.0f, 1.0f, 1.0f, 1.0f};

enum class Primitive : uint8_t { Quads, Lines, LineLoop, Points, Text };

// Texture slot of a flat (untextured) record. Slots are the texture bank's
// own numbers (0 names no picture).
inline constexpr int16_t kNoTexture = -1;

struct DrawVertex {
    float x, y;
    float u, v;
    float r, g, b, a;
};

// One run of vertices (or one text) drawn with the same state. Records that
// share primitive, texture, blending and size are merged as they are added,
// so a back end draws each record with one call.
struct DrawCommand {
    Primitive primitive = Primitive::Quads;
    uint8_t blend = 1;  // source alpha over the picture; 0 replaces it
    uint8_t smooth = 0; // round points
    int16_t texture = kNoTexture;
    float size = 1.0f;  // line width or point size, in pixels
    uint32_t first = 0; // first vertex, or first character of a text
    uint32_t count = 0; // vertices, or characters
    // Text only: font (0 small, 1 large) and start of its first baseline.
    int32_t font = 0;
    float x = 0.0f, y = 0.0f;
    Colour colour;
};

struct DrawList {
    static constexpr uint32_t kMaxVertices = 65536;
    static constexpr uint32_t kMaxCommands = 16384;
    static constexpr uint32_t kMaxTextBytes = 16384;

    DrawVertex vertices[kMaxVertices];
    DrawCommand commands[kMaxCommands];
    char text[kMaxTextBytes];
    uint32_t vertexCount = 0;
    uint32_t commandCount = 0;
    uint32_t textBytes = 0;
    // Records that did not fit since the last clear: dropped, never drawn.
    uint32_t dropped = 0;
    // Off where nobody draws the list (the verifier): records are not even
    // formatted.
    bool recording = true;
};

// The list the game fills this frame.
extern DrawList drawList;

namespace draw {

namespace detail {
extern thread_local DrawList* target;
}

// Makes `list` the one this thread's drawing fills for a scope (drawList
// otherwise), and the one before it again after.
class Target {
  public:
    explicit Target(DrawList& list);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

  private:
    DrawList* before_;
};

// Empties the list (the frame's start).
void clear();

// A quad through four corners in order, each with its texture coordinate.
void quad(const Vec2 corners[4], const float uv[8], Colour colour, int texture, bool blend = true);
// An upright quad from (x0, y0) to (x1, y1), the whole texture over it:
// corners bottom-left, top-left, top-right, bottom-right.
void rect(float x0, float y0, float x1, float y1, Colour colour, int texture = kNoTexture,
          bool blend = true);
// A sprite or decal quad: corners as orientedQuad gives them, showing the
// strip's frame from u0 to u1.
void stripQuad(const Vec2 corners[4], float u0, float u1, Colour colour, int texture);
// A line whose colour runs from `from` to `to`.
void line(Vec2 a, Colour from, Vec2 b, Colour to, float width);
// A line of one colour.
void line(Vec2 a, Vec2 b, Colour colour, float width);
// A closed outline through `count` points (at most 8).
void lineLoop(const Vec2* points, int count, Colour colour, float width);
void point(Vec2 at, Colour colour, float size, bool smooth = true);
// printf-style text whose first baseline starts at arena (x, y). Bounded to
// 255 characters; codes outside 32-127 are skipped.
void text(int font, float x, float y, Colour colour, const char* format, ...)
    __attribute__((format(printf, 5, 6)));

} // namespace draw
