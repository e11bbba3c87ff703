// The frame's draw list: records merge only with their neighbours of the same
// state, in the order they were added; runs for the back end gather records
// of one state only where nothing they pass covers them; a full list drops
// and counts, never overflows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "draw/draw_list.h"
#include "harness.h"
#include "render/gl_backend.h"

namespace {

struct Want {
    Primitive primitive;
    int texture;
    int blend;
    uint32_t count;
};

const Vec2 kCorners[4] = {Vec2(-0.1f, -0.1f), Vec2(-0.1f, 0.1f), Vec2(0.1f, 0.1f),
                          Vec2(0.1f, -0.1f)};

} // namespace

TEST(DrawList, NeighboursOfTheSameStateMergeAndOrderIsKept) {
    ASSERT_TRUE(harness::boot());
    draw::clear();
    // Interleaved textures, a flat quad, an opaque one, lines of two widths,
    // points, a text between two runs of the same texture.
    draw::stripQuad(kCorners, 0.0f, 1.0f, kWhite, 3);
    draw::stripQuad(kCorners, 0.0f, 1.0f, Colour{1, 1, 1, 0.5f}, 3);
    draw::stripQuad(kCorners, 0.0f, 1.0f, kWhite, 4);
    draw::stripQuad(kCorners, 0.0f, 1.0f, kWhite, 3);
    draw::rect(-1, -1, 1, 1, kWhite, 3, false);
    draw::rect(-0.5f, -0.5f, 0.5f, 0.5f, kWhite);
    draw::rect(-0.4f, -0.4f, 0.4f, 0.4f, kWhite);
    draw::line(Vec2(0, 0), Vec2(1, 1), kWhite, 1.0f);
    draw::line(Vec2(0, 0), Vec2(1, 0), kWhite, 1.0f);
    draw::line(Vec2(0, 0), Vec2(0, 1), kWhite, 2.0f);
    draw::point(Vec2(0, 0), kWhite, 3.0f);
    draw::point(Vec2(0.1f, 0), kWhite, 3.0f);
    draw::text(0, 0.0f, 0.0f, kWhite, "Score %d", 7);
    draw::stripQuad(kCorners, 0.0f, 1.0f, kWhite, 3);
    draw::lineLoop(kCorners, 4, kWhite, 3.0f);
    draw::lineLoop(kCorners, 4, kWhite, 3.0f);

    const std::vector<Want> want = {
        {Primitive::Quads, 3, 1, 8},
        {Primitive::Quads, 4, 1, 4},
        {Primitive::Quads, 3, 1, 4},
        {Primitive::Quads, 3, 0, 4},
        {Primitive::Quads, kNoTexture, 1, 8},
        {Primitive::Lines, kNoTexture, 1, 4},
        {Primitive::Lines, kNoTexture, 1, 2},
        {Primitive::Points, kNoTexture, 1, 2},
        {Primitive::Text, kNoTexture, 1, 7},
        {Primitive::Quads, 3, 1, 4},
        {Primitive::LineLoop, kNoTexture, 1, 4},
        {Primitive::LineLoop, kNoTexture, 1, 4},
    };
    ASSERT_EQ(drawList.commandCount, want.size());
    uint32_t vertex = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        const DrawCommand& c = drawList.commands[i];
        EXPECT_EQ(c.primitive, want[i].primitive) << "record " << i;
        EXPECT_EQ(c.texture, want[i].texture) << "record " << i;
        EXPECT_EQ(c.blend, want[i].blend) << "record " << i;
        EXPECT_EQ(c.count, want[i].count) << "record " << i;
        if (c.primitive == Primitive::Text) continue;
        EXPECT_EQ(c.first, vertex) << "record " << i << " starts where the last ended";
        vertex += c.count;
    }
    EXPECT_EQ(drawList.dropped, 0u);

    // Every picture, flat colour, line and point comes from the one atlas:
    // a call for the first four quads, one for the opaque rect, one for the
    // rest up to the text, the text, and the rest after it.
    render::submitDrawList(drawList);
    EXPECT_EQ(render::lastSubmitStats().drawCalls, 5u);
    EXPECT_EQ(render::lastSubmitStats().texts, 1u);
}

TEST(DrawList, AFullListDropsAndCountsWhatDoesNotFit) {
    draw::clear();
    const uint32_t quads = DrawList::kMaxVertices / 4;
    // Alternating textures: every quad opens a record of its own.
    for (uint32_t i = 0; i < quads + 100; ++i)
        draw::stripQuad(kCorners, 0.0f, 1.0f, kWhite, static_cast<int>(i % 2));
    EXPECT_EQ(drawList.vertexCount, DrawList::kMaxVertices);
    EXPECT_LE(drawList.commandCount, DrawList::kMaxCommands);
    EXPECT_EQ(drawList.dropped, 100u + (quads - DrawList::kMaxCommands));

    draw::clear();
    std::string line(200, 'W');
    for (int i = 0; i < 200; ++i)
        draw::text(0, 0.0f, 0.0f, kWhite, "%s", line.c_str());
    EXPECT_LE(drawList.textBytes, DrawList::kMaxTextBytes);
    EXPECT_GT(drawList.dropped, 0u);
    draw::clear();
    EXPECT_EQ(drawList.dropped, 0u);

    // The back end's worst: every vertex a point (a quad each) and the text
    // full too. What does not fit is left out, never written past the end.
    ASSERT_TRUE(harness::boot());
    draw::clear();
    for (uint32_t i = 0; i < DrawList::kMaxVertices; ++i)
        draw::point(Vec2(0.0f, 0.0f), kWhite, 3.0f, (i / 1000) % 2 == 0);
    for (int i = 0; i < 200; ++i)
        draw::text(0, 0.0f, 0.0f, kWhite, "%s", line.c_str());
    render::submitDrawList(drawList);
    EXPECT_LE(render::lastSubmitStats().quads, DrawList::kMaxVertices);
    EXPECT_GT(render::lastSubmitStats().quads, DrawList::kMaxVertices - 2000);
    draw::clear();
}
