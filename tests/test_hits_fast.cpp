// The game's hit pass against the plain reference scan: the same worlds run
// through both must end bit for bit the same, random draws and sounds
// included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "game/layers/particle_layer.h"
#include "game/world/world.h"
#include "monster_world.h"

namespace {

// Everything a hit pass can touch, copied out after a pass.
struct Outcome {
    int bulletCount, monsterCount, bonusCount, decalCount, spriteCount, particleCount;
    Bullet bullets[kMaxBullets];
    Monster monsters[kMaxMonsters];
    Bonus bonuses[kMaxBonuses];
    Decal decals[DecalLayer::kCapacity];
    AnimSprite sprites[AnimSpriteLayer::kCapacity];
    uint32_t rngState, dropState, score;
    float hitSoundTimer;
    uint64_t sounds[kMaxSounds];
    bool firstDropDone;
};

Outcome expected;
Outcome actual;

void capture(Outcome& out) {
    out.bulletCount = world().bulletCount;
    out.monsterCount = world().monsterCount;
    out.bonusCount = world().bonusCount;
    out.decalCount = world().decalLayer.count;
    out.spriteCount = world().spriteLayer.count;
    out.particleCount = world().particleLayer.count;
    std::memcpy(out.bullets, world().bullets, sizeof(Bullet) * world().bulletCount);
    std::memcpy(out.monsters, world().monsters, sizeof(Monster) * world().monsterCount);
    std::memcpy(out.bonuses, world().bonuses, sizeof(Bonus) * world().bonusCount);
    std::memcpy(out.decals, world().decalLayer.decals, sizeof(Decal) * world().decalLayer.count);
    std::memcpy(out.sprites, world().spriteLayer.sprites,
                sizeof(AnimSprite) * world().spriteLayer.count);
    out.rngState = world().rng.state;
    out.dropState = world().dropRng.state;
    out.score = world().score;
    out.hitSoundTimer = world().hitSoundTimer;
    std::memcpy(out.sounds, soundPlayCount, sizeof(out.sounds));
    out.firstDropDone = world().marine.firstDropDone;
}

template <typename T> bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Records with padding are compared field by field, so stray padding bytes
// of a stack copy cannot tell them apart.
bool sameBullet(const Bullet& a, const Bullet& b) {
    return sameBits(a.position, b.position) && sameBits(a.direction, b.direction) &&
           sameBits(a.speed, b.speed) && sameBits(a.damage, b.damage) && a.trail == b.trail &&
           a.scores == b.scores;
}

bool sameSprite(const AnimSprite& a, const AnimSprite& b) {
    return sameBits(a.alpha, b.alpha) && sameBits(a.size, b.size) &&
           sameBits(a.fadeRate, b.fadeRate) && sameBits(a.frameRate, b.frameRate) &&
           sameBits(a.frameTimer, b.frameTimer) && a.frame == b.frame &&
           a.frameCount == b.frameCount && a.animate == b.animate && a.texture == b.texture &&
           sameBits(a.centre, b.centre) && sameBits(a.direction, b.direction) &&
           sameBits(a.corners, b.corners);
}

::testing::AssertionResult sameOutcome(const Outcome& a, const Outcome& b) {
    auto fail = [](const char* what, int index) {
        return ::testing::AssertionFailure() << what << " differs at " << index;
    };
    if (a.bulletCount != b.bulletCount) return fail("bullet count", a.bulletCount);
    if (a.monsterCount != b.monsterCount) return fail("monster count", a.monsterCount);
    if (a.bonusCount != b.bonusCount) return fail("bonus count", a.bonusCount);
    if (a.decalCount != b.decalCount) return fail("decal count", a.decalCount);
    if (a.spriteCount != b.spriteCount) return fail("sprite count", a.spriteCount);
    if (a.particleCount != b.particleCount) return fail("particle count", a.particleCount);
    for (int i = 0; i < a.bulletCount; ++i)
        if (!sameBullet(a.bullets[i], b.bullets[i])) return fail("bullet", i);
    for (int i = 0; i < a.monsterCount; ++i)
        if (!sameBits(a.monsters[i], b.monsters[i])) return fail("monster", i);
    for (int i = 0; i < a.bonusCount; ++i)
        if (!sameBits(a.bonuses[i], b.bonuses[i])) return fail("bonus", i);
    for (int i = 0; i < a.decalCount; ++i)
        if (!sameBits(a.decals[i], b.decals[i])) return fail("decal", i);
    for (int i = 0; i < a.spriteCount; ++i)
        if (!sameSprite(a.sprites[i], b.sprites[i])) return fail("sprite", i);
    if (a.rngState != b.rngState) return fail("random state", 0);
    if (a.dropState != b.dropState) return fail("drop stream's state", 0);
    if (a.score != b.score) return fail("score", 0);
    if (!sameBits(a.hitSoundTimer, b.hitSoundTimer)) return fail("hit sound timer", 0);
    for (int i = 0; i < kMaxSounds; ++i)
        if (a.sounds[i] != b.sounds[i]) return fail("sound count", i);
    if (a.firstDropDone != b.firstDropDone) return fail("first drop", 0);
    return ::testing::AssertionSuccess();
}

// A world from a seed: the same seed always builds the same world.
struct WorldMaker {
    Rng script;
    int monstersBuilt = 0;

    float unit() { return static_cast<float>(script.next()) / 32767.0f; }
    float between(float lo, float hi) { return lo + (hi - lo) * unit(); }
    int below(int n) { return script.next() % n; }
    Vec2 anyDirection() {
        switch (below(4)) {
        case 0:
            return Vec2(0.0f, 1.0f);
        case 1:
            return Vec2(below(2) ? 1.0f : -1.0f, 0.0f);
        default: {
            Vec2 d(0.0f, 1.0f);
            return d.rotate(between(-3.2f, 3.2f));
        }
        }
    }

    void fillers(int decals, int sprites, int bonusesWanted) {
        Decal d;
        d.alpha = 1.0f;
        d.size = 0.01f;
        d.direction = Vec2(0.0f, 1.0f);
        for (int i = 0; i < decals; ++i)
            world().decalLayer.add(d);
        AnimSprite s;
        s.alpha = 1.0f;
        s.size = 0.01f;
        s.frameCount = 1;
        s.direction = Vec2(0.0f, 1.0f);
        for (int i = 0; i < sprites; ++i)
            world().spriteLayer.add(s);
        Bonus b;
        b.kind = BonusScore;
        b.lifetime = 1000.0f;
        for (int i = 0; i < bonusesWanted; ++i)
            addBonus(b);
    }

    void build(uint32_t seed) {
        // Spread nearby seeds apart: the first draws of a linear
        // congruential sequence follow its seed closely.
        script.seed(seed * 2654435761u);
        script.next();
        script.next();
        arena::fresh(seed);
        const int kind = below(10);
        const bool nearFull = kind == 0 && below(25) == 0;
        const bool chain = kind == 1;
        const bool far = kind == 2;
        world().frameDelta = static_cast<float>(below(8) == 0 ? 0 : (below(3) == 0 ? 33 : 16));
        if (below(20) == 0) world().frameDelta = 400.0f;
        world().marine.currentWeapon = below(2) ? 3 : below(3);
        world().marine.firstDropDone = below(2);
        world().hitSoundTimer = between(0.0f, 400.0f);
        if (chain) {
            // Fragments that blast again: ids run out and the pass finishes
            // the plain way.
            arena::setBulletTemplate("BulletGrenadeGunExplosion", 3.0f, 0.004f, 360, true, true);
            world().marine.currentWeapon = 3;
        }
        if (below(6) == 0) fillers(DecalLayer::kCapacity - 10 - below(20), 0, 0);
        if (below(8) == 0) fillers(0, 0, kMaxBonuses - 3);
        if (below(10) == 0) fillers(0, AnimSpriteLayer::kCapacity - 1100 - below(20), 0);

        const int monstersWanted = nearFull ? 1000 + below(24) : 1 + below(60);
        const float spread = far ? 150.0f : 1.3f;
        Vec2 stack(between(-1.0f, 1.0f), between(-1.0f, 1.0f));
        for (int i = 0; i < monstersWanted; ++i) {
            Vec2 at(between(-spread, spread), between(-spread, spread));
            if (below(6) == 0) at = stack; // several on one point
            const float sizes[5] = {0.04f, 0.05f, 0.075f, 0.15f, 0.0f};
            float size = sizes[below(below(50) == 0 ? 5 : 4)];
            const float healths[4] = {1.0f, 10.0f, 40.0f, 1000.0f};
            int m = arena::addMonsterAt(at, size, healths[below(4)], 0);
            if (m < 0) break;
            world().monsters[m].heading = below(3) == 0 ? Vec2(0.0f, 1.0f) : anyDirection();
            world().monsters[m].scoreValue = below(50);
            buildHitEdges(world().monsters[m]);
            // Knocked back since its edges were built.
            if (below(4) == 0) world().monsters[m].position += Vec2(0.02f, -0.02f);
        }
        monstersBuilt = world().monsterCount;

        const int bulletsWanted = nearFull ? kMaxBullets - below(4) : 1 + below(120);
        const float speeds[5] = {0.005f, 0.006f, 0.0045f, 0.002f, 0.003f};
        for (int i = 0; i < bulletsWanted; ++i) {
            Bullet b;
            b.position = Vec2(between(-1.05f, 1.05f), between(-1.05f, 1.05f));
            b.direction = anyDirection();
            b.speed = speeds[below(5)];
            b.damage = static_cast<float>(1 + below(40));
            b.trail = below(4) == 0;
            b.scores = below(5) != 0;
            const Monster& target = world().monsters[below(world().monsterCount)];
            const Segment& edge = target.hitEdges[below(4)];
            switch (below(8)) {
            case 0: // on the border
                b.position.x = below(2) ? 1.0f : -1.0f;
                break;
            case 1: { // exactly on a side: an end, the middle, or along it
                const int where = below(3);
                b.position =
                    where == 0 ? edge.p1 : (where == 1 ? edge.p2 : (edge.p1 + edge.p2) * 0.5f);
                if (below(2) == 0) {
                    Vec2 along = edge.p2 - edge.p1;
                    float length = std::sqrt(along.dot(along));
                    if (length > 0.0f) b.direction = along / length;
                }
                break;
            }
            case 2: { // on the line of a side, well beyond its end
                Vec2 along = edge.p2 - edge.p1;
                float length = std::sqrt(along.dot(along));
                if (length == 0.0f) break;
                b.direction = along / length;
                if (below(2)) b.direction = b.direction * -1.0f;
                b.position = edge.p2 + along * between(1.0f, 6.0f);
                break;
            }
            case 3: // just outside a side, heading in
                b.position = target.position - target.heading * (target.size + 0.001f);
                b.direction = target.heading;
                break;
            default:
                break;
            }
            if (far && below(3) == 0) b.speed = 20.0f;
            appendBullet(b);
        }
    }
};

// Builds the world of `seed` and runs `passes` passes of one scan on it,
// capturing after each.
template <typename Scan>
uint32_t runWorld(WorldMaker& maker, uint32_t seed, Scan scan, Outcome* out, int passes) {
    maker.build(seed);
    const uint32_t start = world().rng.state;
    for (int p = 0; p < passes; ++p) {
        scan();
        capture(out[p]);
    }
    return start;
}

Outcome expectedPasses[2];
Outcome actualPasses[2];

} // namespace

TEST(FastHits, RandomWorldsEndExactlyAsTheReferenceScanLeavesThem) {
    WorldMaker maker;
    int hitWorlds = 0;
    int nearFullWorlds = 0;
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        const uint32_t start = runWorld(maker, seed, resolveBulletHitsReference, expectedPasses, 2);
        runWorld(maker, seed, resolveBulletHits, actualPasses, 2);
        if (maker.monstersBuilt >= 1000) ++nearFullWorlds;
        for (int p = 0; p < 2; ++p)
            ASSERT_TRUE(sameOutcome(expectedPasses[p], actualPasses[p]))
                << "seed " << seed << " pass " << p;
        if (expectedPasses[1].rngState != start) ++hitWorlds; // hits draw random numbers
    }
    // The worlds did exercise hits and full pools.
    EXPECT_GT(hitWorlds, 500);
    EXPECT_GT(nearFullWorlds, 5);
}

// Nearly collinear segments can "cross" in float although their boxes lie
// apart; a plain box filter would miss these hits.
TEST(FastHits, CollinearPathsFarFromTheSideHitAsInTheReference) {
    int found = 0;
    Rng script;
    script.seed(77);
    for (int attempt = 0; attempt < 20000 && found < 12; ++attempt) {
        arena::fresh(5);
        Monster m;
        m.position =
            Vec2((script.next() % 1000) * 0.001f - 0.5f, (script.next() % 1000) * 0.001f - 0.5f);
        m.heading = Vec2(0.0f, 1.0f);
        m.heading.rotate((script.next() % 6283) * 0.001f);
        m.size = 0.05f;
        m.health = 1000.0f;
        if (addMonster(m) < 0) break;
        buildHitEdges(world().monsters[0]);
        const Segment& edge = world().monsters[0].hitEdges[script.next() % 4];
        Vec2 along = edge.p2 - edge.p1;
        Bullet b;
        b.direction = along / std::sqrt(along.dot(along));
        b.position = edge.p2 + along * (2.0f + (script.next() % 100) * 0.1f);
        b.speed = (script.next() % 2 ? 1.0f : -1.0f) * 0.002f; // stops short of the side
        b.damage = 1.0f;
        appendBullet(b);

        Vec2 p = world().bullets[0].position;
        Vec2 q = p + b.direction * b.speed * world().frameDelta;
        bool apart = std::fmin(p.x, q.x) > std::fmax(edge.p1.x, edge.p2.x) ||
                     std::fmax(p.x, q.x) < std::fmin(edge.p1.x, edge.p2.x) ||
                     std::fmin(p.y, q.y) > std::fmax(edge.p1.y, edge.p2.y) ||
                     std::fmax(p.y, q.y) < std::fmin(edge.p1.y, edge.p2.y);
        if (!apart || std::fabs(p.x) > 1.0f || std::fabs(p.y) > 1.0f) continue;
        resolveBulletHits();
        bool fastHit = world().monsters[0].health < 1000.0f;
        arena::fresh(5);
        addMonster(m);
        buildHitEdges(world().monsters[0]);
        appendBullet(b);
        resolveBulletHitsReference();
        bool referenceHit = world().monsters[0].health < 1000.0f;
        ASSERT_EQ(fastHit, referenceHit) << "attempt " << attempt;
        if (referenceHit) ++found;
    }
    // Rounding does produce such hits, and they were all matched.
    EXPECT_GT(found, 0);
}
