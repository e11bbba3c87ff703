#include "render/gl_backend.h"

#include <GL/gl.h>

#include "draw/draw_batches.h"
#include "render/text.h"
#include "render/texture_bank_gl.h"

namespace render {
namespace {

SubmitStats stats;
// The list as runs (see draw_batches.h), rebuilt every frame.
DrawList batched;

// What the pipeline is set to, as far as this back end knows; -1 unknown.
struct State {
    int textured = -1;
    int texture = -1;
    int blend = -1;
    int smooth = -1;
    float lineWidth = -1.0f;
    float pointSize = -1.0f;
};

GLenum glPrimitive(Primitive p) {
    switch (p) {
    case Primitive::Quads:
        return GL_QUADS;
    case Primitive::Lines:
        return GL_LINES;
    case Primitive::LineLoop:
        return GL_LINE_LOOP;
    default:
        return GL_POINTS;
    }
}

void setTexturing(State& s, int texture) {
    bool on = texture != kNoTexture;
    if (s.textured != (on ? 1 : 0)) {
        if (on)
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
        s.textured = on ? 1 : 0;
    }
    if (on && s.texture != texture) {
        bindTextureSlot(texture);
        s.texture = texture;
    }
}

void setBlend(State& s, int blend) {
    if (s.blend == blend) return;
    if (blend)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    s.blend = blend;
}

void setSize(State& s, const DrawCommand& c) {
    if (c.primitive == Primitive::Points) {
        if (s.pointSize != c.size) {
            glPointSize(c.size);
            s.pointSize = c.size;
        }
        if (s.smooth != c.smooth) {
            if (c.smooth)
                glEnable(GL_POINT_SMOOTH);
            else
                glDisable(GL_POINT_SMOOTH);
            s.smooth = c.smooth;
        }
    } else if (c.primitive == Primitive::Lines || c.primitive == Primitive::LineLoop) {
        if (s.lineWidth != c.size) {
            glLineWidth(c.size);
            s.lineWidth = c.size;
        }
    }
}

void drawText(State& s, const DrawList& list, const DrawCommand& c) {
    if (c.font < 0 || c.font > 1 || fontLists[c.font] == 0) return;
    // Glyph bitmaps would be textured from whatever is bound.
    setTexturing(s, kNoTexture);
    setBlend(s, 1);
    // The raster position takes the current colour when it is set.
    glColor4f(c.colour.r, c.colour.g, c.colour.b, c.colour.a);
    glListBase(fontLists[c.font] - 32);
    // A start outside the window makes the raster position invalid, and GL
    // then draws none of the text.
    glRasterPos2f(c.x, c.y);
    glCallLists(static_cast<GLsizei>(c.count), GL_UNSIGNED_BYTE, list.text + c.first);
    ++stats.texts;
}

} // namespace

void prepareContext() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void submitDrawList(const DrawList& given) {
    stats = SubmitStats{};
    stats.records = given.commandCount;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float pixelW = 2.0f / static_cast<float>(viewport[2] > 0 ? viewport[2] : 1);
    const float pixelH = 2.0f / static_cast<float>(viewport[3] > 0 ? viewport[3] : 1);
    const DrawList& list = draw::batch(given, pixelW, pixelH, batched) ? batched : given;

    State s;
    const GLsizei stride = sizeof(DrawVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, stride, &list.vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, stride, &list.vertices[0].u);
    glColorPointer(4, GL_FLOAT, stride, &list.vertices[0].r);

    for (uint32_t i = 0; i < list.commandCount; ++i) {
        const DrawCommand& c = list.commands[i];
        if (c.primitive == Primitive::Text) {
            drawText(s, list, c);
            continue;
        }
        setTexturing(s, c.texture);
        setBlend(s, c.blend);
        setSize(s, c);
        glDrawArrays(glPrimitive(c.primitive), static_cast<GLint>(c.first),
                     static_cast<GLsizei>(c.count));
        ++stats.drawCalls;
    }

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The state every frame has ended in.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glLineWidth(1.0f);
    glDisable(GL_POINT_SMOOTH);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}

const SubmitStats& lastSubmitStats() {
    return stats;
}

} // namespace render
