#include "draw/draw_list.h"

#include <cstdarg>
#include <cstdio>

DrawList drawList;

namespace draw::detail {
thread_local DrawList* target = &drawList;
}

namespace draw {

Target::Target(DrawList& list) : before_(detail::target) {
    detail::target = &list;
}

Target::~Target() {
    detail::target = before_;
}

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 127;

bool mergeable(Primitive p) {
    return p == Primitive::Quads || p == Primitive::Lines || p == Primitive::Points;
}

// Room for `count` more vertices under a command of this state: extends the
// last command when it has the same state, else opens a new one. Null when
// the list is full (the record is dropped and counted).
DrawVertex* reserve(Primitive primitive, int texture, bool blend, float size, bool smooth,
                    uint32_t count) {
    DrawList& list = *detail::target;
    if (!list.recording) return nullptr;
    if (list.vertexCount + count > DrawList::kMaxVertices) {
        ++list.dropped;
        return nullptr;
    }
    DrawCommand* last = list.commandCount > 0 ? &list.commands[list.commandCount - 1] : nullptr;
    bool same = last && mergeable(primitive) && last->primitive == primitive &&
                last->texture == texture && last->blend == (blend ? 1 : 0) && last->size == size &&
                last->smooth == (smooth ? 1 : 0);
    if (!same) {
        if (list.commandCount >= DrawList::kMaxCommands) {
            ++list.dropped;
            return nullptr;
        }
        DrawCommand& c = list.commands[list.commandCount++];
        c = DrawCommand{};
        c.primitive = primitive;
        c.texture = static_cast<int16_t>(texture);
        c.blend = blend ? 1 : 0;
        c.smooth = smooth ? 1 : 0;
        c.size = size;
        c.first = list.vertexCount;
        last = &c;
    }
    last->count += count;
    DrawVertex* at = &list.vertices[list.vertexCount];
    list.vertexCount += count;
    return at;
}

void put(DrawVertex& v, Vec2 p, float u, float t, Colour c) {
    v = DrawVertex{p.x, p.y, u, t, c.r, c.g, c.b, c.a};
}

} // namespace

void clear() {
    DrawList& list = *detail::target;
    list.vertexCount = 0;
    list.commandCount = 0;
    list.textBytes = 0;
    list.dropped = 0;
}

void quad(const Vec2 corners[4], const float uv[8], Colour colour, int texture, bool blend) {
    DrawVertex* v = reserve(Primitive::Quads, texture, blend, 1.0f, false, 4);
    if (!v) return;
    for (int i = 0; i < 4; ++i)
        put(v[i], corners[i], uv[i * 2], uv[i * 2 + 1], colour);
}

void rect(float x0, float y0, float x1, float y1, Colour colour, int texture, bool blend) {
    const Vec2 corners[4] = {Vec2(x0, y0), Vec2(x0, y1), Vec2(x1, y1), Vec2(x1, y0)};
    static constexpr float kWhole[8] = {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f};
    quad(corners, kWhole, colour, texture, blend);
}

void stripQuad(const Vec2 corners[4], float u0, float u1, Colour colour, int texture) {
    const float uv[8] = {u0, 0.0f, u0, 1.0f, u1, 1.0f, u1, 0.0f};
    quad(corners, uv, colour, texture, true);
}

void line(Vec2 a, Colour from, Vec2 b, Colour to, float width) {
    DrawVertex* v = reserve(Primitive::Lines, kNoTexture, true, width, false, 2);
    if (!v) return;
    put(v[0], a, 0.0f, 0.0f, from);
    put(v[1], b, 0.0f, 0.0f, to);
}

void line(Vec2 a, Vec2 b, Colour colour, float width) {
    DrawVertex* v = reserve(Primitive::Lines, kNoTexture, true, width, false, 2);
    if (!v) return;
    put(v[0], a, 0.0f, 0.0f, colour);
    put(v[1], b, 0.0f, 0.0f, colour);
}

void lineLoop(const Vec2* points, int count, Colour colour, float width) {
    if (count < 2 || count > 8) return;
    DrawVertex* v =
        reserve(Primitive::LineLoop, kNoTexture, true, width, false, static_cast<uint32_t>(count));
    if (!v) return;
    for (int i = 0; i < count; ++i)
        put(v[i], points[i], 0.0f, 0.0f, colour);
}

void point(Vec2 at, Colour colour, float size, bool smooth) {
    DrawVertex* v = reserve(Primitive::Points, kNoTexture, true, size, smooth, 1);
    if (!v) return;
    put(v[0], at, 0.0f, 0.0f, colour);
}

void text(int font, float x, float y, Colour colour, const char* format, ...) {
    if (font < 0 || font > 1 || !format || !detail::target->recording) return;
    char formatted[256];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(formatted, sizeof(formatted), format, args);
    va_end(args);
    if (written <= 0) return;

    DrawList& list = *detail::target;
    if (list.commandCount >= DrawList::kMaxCommands) {
        ++list.dropped;
        return;
    }
    // Only codes 32 to 127 have a glyph.
    uint32_t start = list.textBytes;
    uint32_t length = 0;
    for (const char* c = formatted; *c != '\0'; ++c) {
        unsigned char code = static_cast<unsigned char>(*c);
        if (code < kFirstChar || code > kLastChar) continue;
        if (start + length >= DrawList::kMaxTextBytes) {
            ++list.dropped;
            return;
        }
        list.text[start + length++] = *c;
    }
    if (length == 0) return;
    list.textBytes += length;
    DrawCommand& c = list.commands[list.commandCount++];
    c = DrawCommand{};
    c.primitive = Primitive::Text;
    c.first = start;
    c.count = length;
    c.font = font;
    c.x = x;
    c.y = y;
    c.colour = colour;
}

} // namespace draw
