#include "render/gl_backend.h"

#include <cmath>
#include <cstddef>

#include "platform/platform.h"
#include "render/gl_api.h"
#include "render/shader_program.h"
#include "render/text.h"
#include "render/texture_bank_gl.h"

namespace render {
namespace {

struct Vertex {
    float x, y;
    float u, v;
    float r, g, b, a;
};

// Every list vertex becomes at most four (a point's quad; a line's two ends
// make four) and every character one quad: room for a list of quads, lines
// or points, less for one of points and a full load of text, where a record
// that does not fit is left out (never written past the end).
constexpr uint32_t kMaxQuads = DrawList::kMaxVertices;
constexpr uint32_t kMaxVertices = kMaxQuads * 4;

Vertex vertices[kMaxVertices];
uint32_t vertexCount = 0;

// A run of quads drawn with one call.
struct Run {
    uint32_t texture;
    uint8_t blend;
    uint32_t firstQuad;
    uint32_t quads;
};
Run runs[DrawList::kMaxCommands + 1];
uint32_t runCount = 0;

GLuint program = 0;
uint32_t programContext = 0; // the context the program and buffers live in
GLuint vertexArray = 0;
GLuint vertexBuffer = 0;
GLuint indexBuffer = 0;
// The picture's quad into the window has a buffer of its own: sharing the
// frame's would give it another size twice a frame, and the driver fresh
// storage for the next frame's vertices each time.
GLuint presentArray = 0;
GLuint presentBuffer = 0;
SubmitStats stats;

// The picture, in pixels per list unit and back.
struct View {
    float width = 1.0f, height = 1.0f;  // pixels
    float pixelW = 2.0f, pixelH = 2.0f; // one pixel in list units
};

bool room(uint32_t quads) {
    return vertexCount + quads * 4 <= kMaxVertices;
}

// Starts a run, or lengthens the last one when it has the same state.
void note(uint32_t texture, uint8_t blend, uint32_t quads) {
    if (quads == 0) return;
    if (runCount > 0) {
        Run& last = runs[runCount - 1];
        if (last.texture == texture && last.blend == blend) {
            last.quads += quads;
            return;
        }
    }
    runs[runCount++] = Run{texture, blend, vertexCount / 4 - quads, quads};
}

void put(float x, float y, float u, float v, const DrawVertex& colourOf) {
    vertices[vertexCount++] = Vertex{x, y, u, v, colourOf.r, colourOf.g, colourOf.b, colourOf.a};
}

// The middle of a picture: where flat colour samples the white block.
void middleOf(const SlotPicture& p, float& u, float& v) {
    u = (p.u0 + p.u1) * 0.5f;
    v = (p.v0 + p.v1) * 0.5f;
}

void quads(const DrawList& list, const DrawCommand& c) {
    const SlotPicture& p = slotPicture(c.texture);
    const bool flat = c.texture == kNoTexture;
    const float du = p.u1 - p.u0, dv = p.v1 - p.v0;
    float whiteU, whiteV;
    middleOf(p, whiteU, whiteV);
    const uint32_t n = c.count / 4;
    if (!room(n)) return;
    for (uint32_t i = 0; i < n * 4; ++i) {
        const DrawVertex& d = list.vertices[c.first + i];
        if (flat)
            put(d.x, d.y, whiteU, whiteV, d);
        else
            put(d.x, d.y, p.u0 + d.u * du, p.v0 + d.v * dv, d);
    }
    note(p.texture, c.blend, n);
}

// A line `width` pixels wide as a rectangle along it, each end's colour
// at its end.
bool segment(const DrawVertex& a, const DrawVertex& b, float width, const View& view) {
    const float dx = (b.x - a.x) / view.pixelW;
    const float dy = (b.y - a.y) / view.pixelH;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f)) return false;
    const float half = width * 0.5f / length;
    const float nx = -dy * half * view.pixelW;
    const float ny = dx * half * view.pixelH;
    float u, v;
    middleOf(whitePicture(), u, v);
    put(a.x + nx, a.y + ny, u, v, a);
    put(a.x - nx, a.y - ny, u, v, a);
    put(b.x - nx, b.y - ny, u, v, b);
    put(b.x + nx, b.y + ny, u, v, b);
    return true;
}

void lines(const DrawList& list, const DrawCommand& c, const View& view) {
    const bool loop = c.primitive == Primitive::LineLoop;
    const uint32_t segments = loop ? (c.count >= 2 ? c.count : 0) : c.count / 2;
    if (!room(segments)) return;
    uint32_t made = 0;
    for (uint32_t i = 0; i < segments; ++i) {
        const DrawVertex& a = list.vertices[c.first + (loop ? i : 2 * i)];
        const DrawVertex& b = list.vertices[c.first + (loop ? (i + 1) % c.count : 2 * i + 1)];
        if (segment(a, b, c.size, view)) ++made;
    }
    note(whitePicture().texture, c.blend, made);
}

// A point as a square `size` pixels wide about it: round ones show the
// atlas's soft spot, square ones flat colour.
void points(const DrawList& list, const DrawCommand& c, const View& view) {
    if (!room(c.count)) return;
    const SlotPicture& p = c.smooth ? spotPicture() : whitePicture();
    const float hx = c.size * 0.5f * view.pixelW, hy = c.size * 0.5f * view.pixelH;
    for (uint32_t i = 0; i < c.count; ++i) {
        const DrawVertex& d = list.vertices[c.first + i];
        if (c.smooth) {
            put(d.x - hx, d.y - hy, p.u0, p.v0, d);
            put(d.x - hx, d.y + hy, p.u0, p.v1, d);
            put(d.x + hx, d.y + hy, p.u1, p.v1, d);
            put(d.x + hx, d.y - hy, p.u1, p.v0, d);
        } else {
            float u, v;
            middleOf(p, u, v);
            put(d.x - hx, d.y - hy, u, v, d);
            put(d.x - hx, d.y + hy, u, v, d);
            put(d.x + hx, d.y + hy, u, v, d);
            put(d.x + hx, d.y - hy, u, v, d);
        }
    }
    note(p.texture, c.blend, c.count);
}

void text(const DrawList& list, const DrawCommand& c, const View& view) {
    if (!fontReady(c.font)) return;
    // The old raster position: a start outside the picture drew nothing.
    if (!(c.x >= -1.0f && c.x <= 1.0f && c.y >= -1.0f && c.y <= 1.0f)) return;
    static GlyphQuad glyphs[256];
    const float x = (c.x + 1.0f) * 0.5f * view.width;
    const float y = (c.y + 1.0f) * 0.5f * view.height;
    const int n = layoutText(c.font, x, y, list.text + c.first, c.count, glyphs, 256);
    if (!room(static_cast<uint32_t>(n))) return;
    DrawVertex tint{0.0f, 0.0f, 0.0f, 0.0f, c.colour.r, c.colour.g, c.colour.b, c.colour.a};
    for (int i = 0; i < n; ++i) {
        const GlyphQuad& g = glyphs[i];
        const float x0 = g.x0 * view.pixelW - 1.0f, x1 = g.x1 * view.pixelW - 1.0f;
        const float y0 = g.y0 * view.pixelH - 1.0f, y1 = g.y1 * view.pixelH - 1.0f;
        put(x0, y0, g.u0, g.v0, tint);
        put(x0, y1, g.u0, g.v1, tint);
        put(x1, y1, g.u1, g.v1, tint);
        put(x1, y0, g.u1, g.v0, tint);
    }
    // Text always blended, as bitmaps were.
    note(glyphTexture(), 1, static_cast<uint32_t>(n));
    ++stats.texts;
}

// Two triangles a quad, the same for every frame, for as many quads as a
// frame has needed so far: the whole worst case would cost start-up the
// time to fill and copy 1.5 MB.
uint32_t indices[kMaxQuads * 6];
uint32_t indexedQuads = 0;

// Needs the vertex array bound: the element buffer is part of it.
void indexQuads(uint32_t quads) {
    if (quads <= indexedQuads) return;
    uint32_t want = indexedQuads == 0 ? 4096 : indexedQuads * 2;
    while (want < quads)
        want *= 2;
    if (want > kMaxQuads) want = kMaxQuads;
    for (uint32_t q = indexedQuads; q < want; ++q) {
        const uint32_t v = q * 4;
        uint32_t* i = &indices[q * 6];
        i[0] = v;
        i[1] = v + 1;
        i[2] = v + 2;
        i[3] = v;
        i[4] = v + 2;
        i[5] = v + 3;
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(want * 6 * sizeof(uint32_t)),
                 indices, GL_STATIC_DRAW);
    indexedQuads = want;
}

// A vertex array reading Vertex records from a buffer of its own, indexed by
// the shared quad indices.
void makeVertexArray(GLuint& array, GLuint& buffer) {
    glGenVertexArrays(1, &array);
    glGenBuffers(1, &buffer);
    glBindVertexArray(array);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    const GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(kTexCoordAttribute);
    glVertexAttribPointer(kTexCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, u)));
    glEnableVertexAttribArray(kColourAttribute);
    glVertexAttribPointer(kColourAttribute, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, r)));
    glBindVertexArray(0);
}

// Shows the finished picture: one quad of its texture over the letterboxed
// rectangle, no blending, white tint (the texels as they are).
bool presentPicture(uint32_t texture, int windowW, int windowH, int x, int y, int w, int h) {
    if (program == 0 || programContext != platform::contextSerial() || windowW <= 0 || windowH <= 0)
        return false;
    const float x0 = 2.0f * static_cast<float>(x) / static_cast<float>(windowW) - 1.0f;
    const float y0 = 2.0f * static_cast<float>(y) / static_cast<float>(windowH) - 1.0f;
    const float x1 = 2.0f * static_cast<float>(x + w) / static_cast<float>(windowW) - 1.0f;
    const float y1 = 2.0f * static_cast<float>(y + h) / static_cast<float>(windowH) - 1.0f;
    const Vertex quad[4] = {{x0, y0, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f},
                            {x1, y0, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f},
                            {x1, y1, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f},
                            {x0, y1, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}};
    glUseProgram(program);
    glBindVertexArray(presentArray);
    glBindBuffer(GL_ARRAY_BUFFER, presentBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STREAM_DRAW);
    indexQuads(1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDisable(GL_BLEND);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glEnable(GL_BLEND);
    glBindVertexArray(0);
    return true;
}

} // namespace

bool prepareContext() {
    // Once a context; a new window's context has none of it.
    if (program != 0 && programContext == platform::contextSerial()) return true;
    program = makeShaderProgram();
    if (program == 0) return false;
    programContext = platform::contextSerial();
    indexedQuads = 0;
    glGenBuffers(1, &indexBuffer);
    makeVertexArray(vertexArray, vertexBuffer);
    makeVertexArray(presentArray, presentBuffer);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    platform::setPicturePresenter(presentPicture);
    return true;
}

void submitDrawList(const DrawList& list) {
    stats = SubmitStats{};
    stats.records = list.commandCount;
    if (program == 0 || programContext != platform::contextSerial()) return;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    View view;
    view.width = static_cast<float>(viewport[2] > 0 ? viewport[2] : 1);
    view.height = static_cast<float>(viewport[3] > 0 ? viewport[3] : 1);
    view.pixelW = 2.0f / view.width;
    view.pixelH = 2.0f / view.height;

    vertexCount = 0;
    runCount = 0;
    for (uint32_t i = 0; i < list.commandCount; ++i) {
        const DrawCommand& c = list.commands[i];
        switch (c.primitive) {
        case Primitive::Quads:
            quads(list, c);
            break;
        case Primitive::Lines:
        case Primitive::LineLoop:
            lines(list, c, view);
            break;
        case Primitive::Points:
            points(list, c, view);
            break;
        case Primitive::Text:
            text(list, c, view);
            break;
        }
    }
    stats.quads = vertexCount / 4;
    if (runCount == 0) return;

    glUseProgram(program);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    // A fresh store of just the frame's size (orphaning): the driver may
    // still be reading the last frame's while this one is written, and
    // writing into the old store would wait for it.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(Vertex)), vertices,
                 GL_STREAM_DRAW);
    indexQuads(stats.quads);
    glActiveTexture(GL_TEXTURE0);
    int texture = -1, blend = -1;
    for (uint32_t i = 0; i < runCount; ++i) {
        const Run& r = runs[i];
        if (static_cast<int>(r.texture) != texture) {
            glBindTexture(GL_TEXTURE_2D, r.texture);
            texture = static_cast<int>(r.texture);
        }
        if (r.blend != blend) {
            if (r.blend)
                glEnable(GL_BLEND);
            else
                glDisable(GL_BLEND);
            blend = r.blend;
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(r.quads * 6), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(static_cast<uintptr_t>(r.firstQuad) * 6 *
                                                     sizeof(uint32_t)));
        ++stats.drawCalls;
    }
    // Blending on between frames, as every frame starts.
    glEnable(GL_BLEND);
    glBindVertexArray(0);
}

const SubmitStats& lastSubmitStats() {
    return stats;
}

} // namespace render
