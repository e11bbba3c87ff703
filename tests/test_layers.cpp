// The three effect layers: their arithmetic (fading, frame stepping, damping,
// the removal scan that lets a moved-in record wait a frame) and, through the
// real game, what they put on screen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/input.h"
#include "draw/texture_bank.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/world/world.h"
#include "harness.h"

namespace fs = std::filesystem;

namespace {

// Sets frameDelta for one test and puts the old value back.
struct FrameDelta {
    float saved;
    explicit FrameDelta(float ms) : saved(world().frameDelta) { world().frameDelta = ms; }
    ~FrameDelta() { world().frameDelta = saved; }
};

Decal makeDecal(float alpha, float fadeRate, int texture = 0) {
    Decal d;
    d.alpha = alpha;
    d.size = 0.1f;
    d.fadeRate = fadeRate;
    d.texture = texture;
    d.centre = {0.0f, 0.0f};
    d.direction = {1.0f, 0.0f};
    return d;
}

AnimSprite makeSprite(float alpha, float fadeRate, float frameRate, uint8_t animate) {
    AnimSprite s;
    s.alpha = alpha;
    s.size = 0.1f;
    s.fadeRate = fadeRate;
    s.frameRate = frameRate;
    s.frameCount = 16;
    s.animate = animate;
    s.direction = {1.0f, 0.0f};
    return s;
}

Particle makeParticle(float life, float decay, float speed, float damping) {
    Particle p;
    p.life = life;
    p.decay = decay;
    p.speed = speed;
    p.damping = damping;
    p.spread = 1; // no turn
    p.direction = {1.0f, 0.0f};
    return p;
}

void expectNear(const Vec2& v, float x, float y) {
    EXPECT_NEAR(v.x, x, 1e-6f);
    EXPECT_NEAR(v.y, y, 1e-6f);
}

} // namespace

// ---------------------------------------------------------------- decals

TEST(DecalLayer, CornersFollowTheOrientedQuad) {
    auto layer = std::make_unique<DecalLayer>();
    ASSERT_TRUE(layer->add(makeDecal(1.0f, 0.0f)));
    const Decal& d = layer->decals[0];
    expectNear(d.corners[0], 0.1f, -0.1f);
    expectNear(d.corners[1], 0.1f, 0.1f);
    expectNear(d.corners[2], -0.1f, 0.1f);
    expectNear(d.corners[3], -0.1f, -0.1f);
}

TEST(DecalLayer, CorpseFadesOutAfterTwentySecondsOfPlay) {
    auto layer = std::make_unique<DecalLayer>();
    FrameDelta delta(100.0f);
    layer->add(makeDecal(1.0f, 0.00005f));
    for (int i = 0; i < 199; ++i)
        layer->update();
    EXPECT_EQ(layer->count, 1) << "gone before 19.9 s";
    layer->update();
    layer->update();
    EXPECT_EQ(layer->count, 0) << "still there after 20.1 s";
}

TEST(DecalLayer, FrozenFrameChangesNothing) {
    auto layer = std::make_unique<DecalLayer>();
    FrameDelta delta(0.0f);
    layer->add(makeDecal(0.7f, 0.01f));
    for (int i = 0; i < 100; ++i)
        layer->update();
    ASSERT_EQ(layer->count, 1);
    EXPECT_FLOAT_EQ(layer->decals[0].alpha, 0.7f);
}

TEST(DecalLayer, MovedInDecalWaitsForTheNextFrame) {
    auto layer = std::make_unique<DecalLayer>();
    FrameDelta delta(10.0f);
    layer->add(makeDecal(0.5f, 0.1f, 1)); // gone in this frame
    layer->add(makeDecal(0.5f, 0.1f, 2)); // due too, but moves into index 0
    layer->add(makeDecal(1.0f, 0.01f, 3));
    layer->update();
    ASSERT_EQ(layer->count, 2);
    EXPECT_EQ(layer->decals[0].texture, 2);
    EXPECT_FLOAT_EQ(layer->decals[0].alpha, 0.5f) << "the moved-in decal was faded this frame";
    EXPECT_EQ(layer->decals[1].texture, 3);
    EXPECT_FLOAT_EQ(layer->decals[1].alpha, 0.9f);
    layer->update();
    ASSERT_EQ(layer->count, 1);
    EXPECT_EQ(layer->decals[0].texture, 3);
}

TEST(DecalLayer, FullLayerDropsTheNewDecalAndClearEmpties) {
    auto layer = std::make_unique<DecalLayer>();
    for (int i = 0; i < DecalLayer::kCapacity; ++i)
        ASSERT_TRUE(layer->add(makeDecal(1.0f, 0.0f, 1)));
    EXPECT_FALSE(layer->add(makeDecal(1.0f, 0.0f, 7)));
    EXPECT_EQ(layer->count, DecalLayer::kCapacity);
    EXPECT_EQ(layer->decals[DecalLayer::kCapacity - 1].texture, 1);

    layer->clear();
    EXPECT_EQ(layer->count, 0);
    EXPECT_EQ(layer->decals[0].texture, 0);
    EXPECT_EQ(layer->decals[0].alpha, 0.0f);
    EXPECT_TRUE(layer->add(makeDecal(1.0f, 0.0f, 5)));
}

// ---------------------------------------------------------------- sprites

TEST(SpriteLayer, FrameAdvancesEverySeventhSixteenMillisecondFrame) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    FrameDelta delta(16.0f);
    layer->add(makeSprite(1.0f, 0.0f, 10.0f, 1));
    AnimSprite& s = layer->sprites[0];
    for (int i = 0; i < 6; ++i)
        layer->update();
    EXPECT_EQ(s.frame, 0);
    EXPECT_FLOAT_EQ(s.frameTimer, 960.0f);
    layer->update();
    EXPECT_EQ(s.frame, 1);
    EXPECT_FLOAT_EQ(s.frameTimer, 0.0f) << "the excess over 1000 is dropped";
    for (int i = 0; i < 7; ++i)
        layer->update();
    EXPECT_EQ(s.frame, 2);
}

TEST(SpriteLayer, FramesWrapAndOneLongFrameStepsOnlyOnce) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    FrameDelta delta(5000.0f);
    AnimSprite sprite = makeSprite(1.0f, 0.0f, 10.0f, 1);
    sprite.frame = 14;
    layer->add(sprite);
    layer->update();
    EXPECT_EQ(layer->sprites[0].frame, 15);
    layer->update();
    EXPECT_EQ(layer->sprites[0].frame, 0);
}

TEST(SpriteLayer, ExplosionFadesOutAfterOneSecond) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    FrameDelta delta(10.0f);
    layer->add(makeSprite(1.0f, 0.001f, 20.0f, 1));
    for (int i = 0; i < 99; ++i)
        layer->update();
    EXPECT_EQ(layer->count, 1) << "gone before 990 ms";
    layer->update();
    layer->update();
    EXPECT_EQ(layer->count, 0) << "still there after 1010 ms";
}

TEST(SpriteLayer, FrozenSpriteKeepsFrameAndIsNeverRemoved) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    FrameDelta delta(500.0f);
    AnimSprite sprite = makeSprite(-0.5f, 0.001f, 10.0f, 0);
    sprite.frame = 3;
    layer->add(sprite);
    for (int i = 0; i < 10; ++i)
        layer->update();
    ASSERT_EQ(layer->count, 1);
    EXPECT_EQ(layer->sprites[0].frame, 3);
    EXPECT_FLOAT_EQ(layer->sprites[0].alpha, -0.5f);
}

namespace {
// Stand-in for the monster pool: three monsters naming their sprites.
int monsterSprites[3];
int expireCalls = 0;
int expiredIndex = -1;
void lowerMonsterSprites(int removed) {
    ++expireCalls;
    expiredIndex = removed;
    for (int& index : monsterSprites)
        if (index >= removed) --index;
}
} // namespace

TEST(SpriteLayer, FadedSpriteLowersLaterOwnersIndicesBeforeItGoes) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    FrameDelta delta(16.0f);
    for (int i = 0; i < 10; ++i) {
        AnimSprite sprite = makeSprite(1.0f, 0.0f, 10.0f, 1);
        sprite.texture = 100 + i;
        if (i == 5) sprite.alpha = 0.001f, sprite.fadeRate = 0.001f; // gone in this frame
        layer->add(sprite);
    }
    monsterSprites[0] = 3;
    monsterSprites[1] = 6;
    monsterSprites[2] = 9;
    expireCalls = 0;
    layer->onExpire = lowerMonsterSprites;
    layer->update();

    EXPECT_EQ(expireCalls, 1);
    EXPECT_EQ(expiredIndex, 5);
    EXPECT_EQ(layer->count, 9);
    EXPECT_EQ(monsterSprites[0], 3);
    EXPECT_EQ(monsterSprites[1], 5);
    EXPECT_EQ(monsterSprites[2], 8);
    // Each monster still names its own sprite.
    EXPECT_EQ(layer->sprites[monsterSprites[0]].texture, 103);
    EXPECT_EQ(layer->sprites[monsterSprites[1]].texture, 106);
    EXPECT_EQ(layer->sprites[monsterSprites[2]].texture, 109);
    // The sprite that moved into index 5 was not animated in that frame.
    EXPECT_FLOAT_EQ(layer->sprites[5].frameTimer, 0.0f);
    EXPECT_FLOAT_EQ(layer->sprites[6].frameTimer, 160.0f);
}

TEST(SpriteLayer, PlaceMovesOnlyTheCornersOfALiveSprite) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    AnimSprite stored = makeSprite(0.8f, 0.0f, 10.0f, 1);
    stored.frame = 4;
    layer->add(stored);

    AnimSprite where = makeSprite(0.1f, 0.5f, 1.0f, 0);
    where.centre = {0.5f, 0.5f};
    where.direction = {0.0f, 1.0f};
    where.size = 0.2f;
    layer->place(0, where);
    const AnimSprite& s = layer->sprites[0];
    // P = perpUnit(0, 1) = (1, 0).
    expectNear(s.corners[0], 0.7f, 0.7f);
    expectNear(s.corners[1], 0.3f, 0.7f);
    expectNear(s.corners[2], 0.3f, 0.3f);
    expectNear(s.corners[3], 0.7f, 0.3f);
    EXPECT_FLOAT_EQ(s.alpha, 0.8f);
    EXPECT_FLOAT_EQ(s.size, 0.1f);
    EXPECT_EQ(s.frame, 4);
    EXPECT_EQ(s.animate, 1);
    expectNear(s.centre, 0.0f, 0.0f);

    // No sprite there: nothing happens.
    layer->place(1, where);
    layer->place(-1, where);
    layer->place(AnimSpriteLayer::kCapacity, where);
    EXPECT_EQ(layer->count, 1);
    expectNear(layer->sprites[1].corners[0], 0.0f, 0.0f);
}

TEST(SpriteLayer, FullLayerRefusesTheNewSprite) {
    auto layer = std::make_unique<AnimSpriteLayer>();
    for (int i = 0; i < AnimSpriteLayer::kCapacity; ++i)
        ASSERT_TRUE(layer->add(makeSprite(1.0f, 0.0f, 10.0f, 1)));
    EXPECT_FALSE(layer->add(makeSprite(1.0f, 0.0f, 10.0f, 1)));
    EXPECT_EQ(layer->count, AnimSpriteLayer::kCapacity);
    layer->remove(AnimSpriteLayer::kCapacity); // past the end: ignored
    layer->remove(-1);
    EXPECT_EQ(layer->count, AnimSpriteLayer::kCapacity);
    layer->clear();
    EXPECT_EQ(layer->count, 0);
}

// ---------------------------------------------------------------- particles

TEST(ParticleLayer, DampingDividesOncePerFrameEvenWhenFrozen) {
    auto layer = std::make_unique<ParticleLayer>();
    FrameDelta delta(0.0f);
    Particle p = makeParticle(1.0f, 0.002f, 0.008f, 2.0f);
    p.position = {0.25f, 0.5f};
    layer->add(p);
    for (int i = 0; i < 3; ++i)
        layer->update();
    const Particle& q = layer->particles[0];
    EXPECT_FLOAT_EQ(q.speed, 0.001f);
    EXPECT_FLOAT_EQ(q.life, 1.0f);
    expectNear(q.position, 0.25f, 0.5f);
}

TEST(ParticleLayer, MovesWithTheDampedSpeedTimesFrameDelta) {
    auto layer = std::make_unique<ParticleLayer>();
    FrameDelta delta(16.0f);
    layer->add(makeParticle(1.0f, 0.0f, 0.001f, 1.0f));
    layer->add(makeParticle(1.0f, 0.0f, 0.002f, 2.0f));
    layer->update();
    expectNear(layer->particles[0].position, 0.016f, 0.0f);
    expectNear(layer->particles[1].position, 0.016f, 0.0f); // new speed 0.001
}

TEST(ParticleLayer, LifeRunsOutAfterHalfASecond) {
    auto layer = std::make_unique<ParticleLayer>();
    FrameDelta delta(10.0f);
    layer->add(makeParticle(1.0f, 0.002f, 0.0f, 1.0f));
    for (int i = 0; i < 49; ++i)
        layer->update();
    EXPECT_EQ(layer->count, 1);
    layer->update();
    layer->update();
    EXPECT_EQ(layer->count, 0);
}

TEST(ParticleLayer, MovedInParticleMovesWithoutAgeing) {
    auto layer = std::make_unique<ParticleLayer>();
    FrameDelta delta(10.0f);
    layer->add(makeParticle(0.01f, 0.1f, 0.0f, 1.0f)); // dies now
    Particle next = makeParticle(1.0f, 0.01f, 0.001f, 1.0f);
    next.red = 0.5f;
    layer->add(next);
    layer->add(makeParticle(0.01f, 0.1f, 0.0f, 1.0f)); // last one dies too

    layer->update();
    ASSERT_EQ(layer->count, 1);
    const Particle& p = layer->particles[0];
    EXPECT_FLOAT_EQ(p.red, 0.5f);
    EXPECT_FLOAT_EQ(p.life, 1.0f) << "aged in the frame it moved down";
    expectNear(p.position, 0.01f, 0.0f);
    layer->update();
    EXPECT_FLOAT_EQ(layer->particles[0].life, 0.9f);
    expectNear(layer->particles[0].position, 0.02f, 0.0f);
}

TEST(ParticleLayer, ZeroDampingKeepsTheSpeedFinite) {
    auto layer = std::make_unique<ParticleLayer>();
    FrameDelta delta(16.0f);
    layer->add(makeParticle(1.0f, 0.0f, 0.001f, 0.0f));
    layer->update();
    EXPECT_FLOAT_EQ(layer->particles[0].speed, 0.001f);
    EXPECT_TRUE(std::isfinite(layer->particles[0].position.x));
}

TEST(ParticleLayer, SpreadTurnsTheNewParticleWithinItsRange) {
    auto layer = std::make_unique<ParticleLayer>();
    Particle p = makeParticle(1.0f, 0.0f, 0.0f, 1.0f);
    layer->add(p);
    expectNear(layer->particles[0].direction, 1.0f, 0.0f);
    p.spread = 10;
    float lowest = 0.0f, highest = 0.0f;
    for (int i = 1; i < 400; ++i) {
        layer->add(p);
        const Vec2& d = layer->particles[i].direction;
        float degrees = std::atan2(d.y, d.x) * 180.0f / 3.1415926535f;
        lowest = std::min(lowest, degrees);
        highest = std::max(highest, degrees);
    }
    EXPECT_NEAR(lowest, -5.0f, 1e-3f);
    EXPECT_NEAR(highest, 4.0f, 1e-3f);
}

TEST(ParticleLayer, FullLayerDropsTheNewParticle) {
    auto layer = std::make_unique<ParticleLayer>();
    for (int i = 0; i < ParticleLayer::kCapacity; ++i)
        ASSERT_TRUE(layer->add(makeParticle(1.0f, 0.0f, 0.0f, 1.0f)));
    Particle extra = makeParticle(1.0f, 0.0f, 0.0f, 1.0f);
    extra.red = 1.0f;
    EXPECT_FALSE(layer->add(extra));
    EXPECT_EQ(layer->count, ParticleLayer::kCapacity);
    EXPECT_EQ(layer->particles[ParticleLayer::kCapacity - 1].red, 0.0f);
}

// ---------------------------------------------------------------- templates

namespace {

class ParticleTemplateFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvex-prt-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        table = std::make_unique<ParticleTemplates>();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = dir + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    std::string dir;
    std::unique_ptr<ParticleTemplates> table;
};

} // namespace

TEST_F(ParticleTemplateFiles, ReadsNameSpreadAndSevenNumbers) {
    table->load(write("a.prt", "ParticleShot\n0x10\n1.5 0.002 0.003 1.05 1 0.5 0.25\n").c_str());
    ASSERT_EQ(table->count, 1);
    const ParticleTemplate& t = table->templates[0];
    EXPECT_STREQ(t.name, "ParticleShot");
    EXPECT_EQ(t.spread, 16);
    EXPECT_FLOAT_EQ(t.life, 1.5f);
    EXPECT_FLOAT_EQ(t.decay, 0.002f);
    EXPECT_FLOAT_EQ(t.speed, 0.003f);
    EXPECT_FLOAT_EQ(t.damping, 1.05f);
    EXPECT_FLOAT_EQ(t.red, 1.0f);
    EXPECT_FLOAT_EQ(t.green, 0.5f);
    EXPECT_FLOAT_EQ(t.blue, 0.25f);

    table->load(write("b.prt", "ParticlePistol 010 1 1 1 1 1 1 1").c_str());
    ASSERT_EQ(table->count, 2);
    EXPECT_EQ(table->templates[1].spread, 8); // a leading 0 reads octal

    EXPECT_EQ(table->find("ParticleShot"), 0);
    EXPECT_EQ(table->find("ParticlePistol"), 1);
    EXPECT_EQ(table->find("particleshot"), -1);
    EXPECT_EQ(table->find("ParticleSho"), -1);
    EXPECT_EQ(table->find(""), -1);
}

TEST_F(ParticleTemplateFiles, ShortMalformedOrMissingFilesAddNothing) {
    table->load((dir + "/missing.prt").c_str());
    table->load(write("short.prt", "ParticleShot 10 1 0.002 0.001 1").c_str());
    table->load(write("word.prt", "ParticleShot 10 1 0.002 fast 1 1 1 1").c_str());
    table->load(write("spread.prt", "ParticleShot ten 1 0.002 0.001 1 1 1 1").c_str());
    table->load(write("nan.prt", "ParticleShot 10 nan 0.002 0.001 1 1 1 1").c_str());
    table->load(write("empty.prt", "").c_str());
    EXPECT_EQ(table->count, 0);
    EXPECT_EQ(table->templates[0].name[0], '\0') << "a rejected file left a half-filled template";
}

TEST_F(ParticleTemplateFiles, OverlongNameIsRefusedWithoutOverflow) {
    std::string longName(300, 'x');
    table->load(write("long.prt", longName + " 10 1 0.002 0.001 1 1 1 1").c_str());
    EXPECT_EQ(table->count, 0);

    std::string fits(255, 'y');
    table->load(write("fits.prt", fits + " 10 1 0.002 0.001 1 1 1 1").c_str());
    ASSERT_EQ(table->count, 1);
    EXPECT_EQ(std::string(table->templates[0].name), fits);
    EXPECT_EQ(table->templates[0].spread, 10);
}

TEST_F(ParticleTemplateFiles, FullTableIgnoresFurtherFiles) {
    std::string path = write("t.prt", "ParticleShot 10 1 0.002 0.001 1 1 1 1");
    for (int i = 0; i < ParticleTemplates::kCapacity; ++i)
        table->load(path.c_str());
    EXPECT_EQ(table->count, ParticleTemplates::kCapacity);
    table->load(write("u.prt", "ParticleLast 10 1 0.002 0.001 1 1 1 1").c_str());
    EXPECT_EQ(table->count, ParticleTemplates::kCapacity);
    EXPECT_EQ(table->find("ParticleLast"), -1);
}

TEST_F(ParticleTemplateFiles, EmitCopiesTheTemplateByName) {
    // emitParticle works on the game's own table and layer.
    ParticleTemplates savedTable = particleTemplates;
    particleTemplates.clear();
    particleTemplates.load(
        write("s.prt", "ParticleSparkRocket 1 0.8 0.004 0.002 1.1 1 0.6 0.1").c_str());
    world().particleLayer.clear();

    emitParticle("NoSuchParticle", {0.0f, 0.0f}, {1.0f, 0.0f});
    EXPECT_EQ(world().particleLayer.count, 0);
    emitParticle("ParticleSparkRocket", {0.25f, -0.5f}, {0.0f, 2.0f});
    ASSERT_EQ(world().particleLayer.count, 1);
    const Particle& p = world().particleLayer.particles[0];
    EXPECT_FLOAT_EQ(p.life, 0.8f);
    EXPECT_FLOAT_EQ(p.decay, 0.004f);
    EXPECT_FLOAT_EQ(p.speed, 0.002f);
    EXPECT_FLOAT_EQ(p.damping, 1.1f);
    EXPECT_EQ(p.spread, 1);
    EXPECT_FLOAT_EQ(p.green, 0.6f);
    expectNear(p.position, 0.25f, -0.5f);
    expectNear(p.direction, 0.0f, 2.0f); // the length is kept; it scales the motion

    world().particleLayer.clear();
    particleTemplates = savedTable;
}

// ---------------------------------------------------------------- on screen

namespace {

// A little BMP writer for test art: 24-bit, bottom row first.
struct Art {
    int width;
    int height;
    std::vector<uint8_t> rgb; // bottom row first
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        size_t i = (static_cast<size_t>(y) * width + x) * 3;
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
};

void writeBmp(const std::string& path, const Art& art) {
    int rowBytes = (art.width * 3 + 3) & ~3;
    uint32_t dataSize = static_cast<uint32_t>(rowBytes * art.height);
    std::vector<uint8_t> file(54 + dataSize, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(art.width));
    put32(22, static_cast<uint32_t>(art.height));
    file[26] = 1;
    file[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < art.height; ++y)
        for (int x = 0; x < art.width; ++x) {
            const uint8_t* src = &art.rgb[(static_cast<size_t>(y) * art.width + x) * 3];
            uint8_t* dst = &file[54 + static_cast<size_t>(y) * rowBytes + x * 3];
            dst[0] = src[2]; // BMP keeps blue first
            dst[1] = src[1];
            dst[2] = src[0];
        }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
}

// Four quadrants, by texture coordinate: (0, 0) red, (1, 0) green,
// (0, 1) blue, (1, 1) yellow.
Art quadrantArt() {
    Art art{8, 8, std::vector<uint8_t>(8 * 8 * 3)};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool right = x >= 4, top = y >= 4;
            if (!right && !top) art.set(x, y, 255, 0, 0);
            if (right && !top) art.set(x, y, 0, 255, 0);
            if (!right && top) art.set(x, y, 0, 0, 255);
            if (right && top) art.set(x, y, 255, 255, 0);
        }
    return art;
}

// A strip of 16 frames, 8 texels wide: the frame's left half in colour A,
// its right half in colour B, each shade naming the frame.
uint8_t shade(int frame) {
    return static_cast<uint8_t>(20 + frame * 14);
}
Art stripArt() {
    Art art{16 * 8, 4, std::vector<uint8_t>(16 * 8 * 4 * 3)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16 * 8; ++x) {
            int frame = x / 8;
            if (x % 8 < 4)
                art.set(x, y, shade(frame), 200, 40);
            else
                art.set(x, y, 40, shade(frame), 200);
        }
    return art;
}

::testing::AssertionResult colourNear(harness::Pixel p, int r, int g, int b, int tolerance = 6) {
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
        std::abs(p.b - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ") wanted (" << r
           << ", " << g << ", " << b << ")";
}

// Boots the game on test art and closes the menu.
bool bootOnTestArt() {
    std::string dir = harness::scratchDataDir(true);
    if (dir.empty()) return false;
    fs::create_directories(dir + "/Textures");
    writeBmp(dir + "/Textures/Blood.bmp", quadrantArt());
    writeBmp(dir + "/Textures/Explosion.bmp", stripArt());
    if (!harness::boot(dir.c_str())) return false;
    harness::cursorArena(-0.9f, -0.9f); // keep the aim line out of the way
    harness::key(VkEscape);
    return harness::frame(0);
}

} // namespace

TEST(LayersOnScreen, DecalSpriteAndParticlesLandWhereTheySay) {
    ASSERT_TRUE(bootOnTestArt());

    world().decalLayer.clear();
    Decal decal = makeDecal(1.0f, 0.0f, textureBank.slotFor("Textures/Blood.bmp"));
    decal.centre = {-0.5f, 0.4f};
    decal.size = 0.2f;
    world().decalLayer.add(decal);

    AnimSprite sprite = makeSprite(1.0f, 0.0f, 0.0f, 0);
    sprite.texture = textureBank.slotFor("Textures/Explosion.bmp");
    sprite.frame = 3;
    sprite.centre = {0.5f, 0.4f};
    sprite.size = 0.2f;
    int spriteIndex = world().spriteLayer.count;
    ASSERT_TRUE(world().spriteLayer.add(sprite));

    world().particleLayer.clear();
    for (int i = 0; i < 5; ++i) {
        Particle p = makeParticle(1.0f, 0.0f, 0.0f, 1.0f);
        p.red = 1.0f;
        p.position = {0.3f + 0.1f * i, -0.4f};
        world().particleLayer.add(p);
    }
    ASSERT_TRUE(harness::frame(0));

    // Corner 0 (texture (0, 0)) lies at centre + size * ((1, 0) + (0, -1)):
    // lower right; corner 1 (0, 1) upper right; corner 2 (1, 1) upper left.
    EXPECT_TRUE(colourNear(harness::pixelArena(-0.4f, 0.3f), 255, 0, 0));
    EXPECT_TRUE(colourNear(harness::pixelArena(-0.4f, 0.5f), 0, 0, 255));
    EXPECT_TRUE(colourNear(harness::pixelArena(-0.6f, 0.5f), 255, 255, 0));
    EXPECT_TRUE(colourNear(harness::pixelArena(-0.6f, 0.3f), 0, 255, 0));

    // Frame 3 of the strip: its left half (s = u0) on the corner 0/1 side.
    EXPECT_TRUE(colourNear(harness::pixelArena(0.6f, 0.4f), shade(3), 200, 40));
    EXPECT_TRUE(colourNear(harness::pixelArena(0.4f, 0.4f), 40, shade(3), 200));

    for (int i = 0; i < 5; ++i) {
        harness::Pixel p = harness::pixelArena(0.3f + 0.1f * i, -0.4f);
        EXPECT_GT(p.r, 200) << "particle " << i;
        EXPECT_LT(p.g, 40) << "particle " << i;
        EXPECT_LT(p.b, 40) << "particle " << i;
    }

    // A frame count of 0 draws the whole strip as one frame instead of
    // dividing by zero.
    world().spriteLayer.sprites[spriteIndex].frameCount = 0;
    world().spriteLayer.sprites[spriteIndex].frame = 0;
    ASSERT_TRUE(harness::frame(0));
    EXPECT_TRUE(
        colourNear(harness::pixelArena(0.5f + 0.2f * 15.5f / 16.0f, 0.4f), shade(0), 200, 40, 10));

    world().decalLayer.clear();
    world().particleLayer.clear();
    world().spriteLayer.remove(spriteIndex);
}

TEST(LayersOnScreen, LayersOverGroundScreenshot) {
    ASSERT_TRUE(bootOnTestArt());
    world().decalLayer.clear();
    world().particleLayer.clear();
    int blood = textureBank.slotFor("Textures/Blood.bmp");
    int strip = textureBank.slotFor("Textures/Explosion.bmp");
    for (int i = 0; i < 6; ++i) {
        Decal d = makeDecal(1.0f - 0.12f * i, 0.0f, blood);
        d.centre = {-0.75f + 0.3f * i, 0.55f};
        d.direction = Vec2(1.0f, 0.0f).rotate(0.4f * i);
        d.size = 0.1f;
        world().decalLayer.add(d);
    }
    for (int i = 0; i < 8; ++i) {
        AnimSprite s = makeSprite(1.0f, 0.0f, 0.0f, 0);
        s.texture = strip;
        s.frame = i * 2;
        s.centre = {-0.8f + 0.22f * i, 0.25f};
        s.direction = Vec2(0.0f, 1.0f).rotate(-0.3f * i);
        s.size = 0.08f;
        world().spriteLayer.add(s);
    }
    for (int i = 0; i < 200; ++i) {
        Particle p = makeParticle(1.0f, 0.0f, 0.0f, 1.0f);
        p.red = 1.0f;
        p.green = 0.3f + 0.0035f * i;
        p.blue = 0.1f;
        float a = 0.0314f * i;
        p.position = {0.45f + 0.25f * std::cos(a) * (0.5f + 0.0025f * i),
                      -0.45f + 0.25f * std::sin(a) * (0.5f + 0.0025f * i)};
        world().particleLayer.add(p);
    }
    ASSERT_TRUE(harness::frame(0));
    harness::screenshot("layers_over_ground");
    world().decalLayer.clear();
    world().particleLayer.clear();
}
