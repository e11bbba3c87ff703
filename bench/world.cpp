#include "world.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "app/frame.h"
#include "app/input.h"
#include "audio/sound_bank.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "session/session.h"

namespace bench {
namespace {

// A world is a value: the benchmark's snapshots are copies of it.
std::unique_ptr<World> slots[3];

const char* const kMonsterNames[9] = {
    "MonsterToothSmall",  "MonsterToothMedium",  "MonsterToothLarge",
    "MonsterZombieSmall", "MonsterZombieMedium", "MonsterZombieLarge",
    "MonsterMindSmall",   "MonsterMindMedium",   "MonsterMindLarge",
};

const char* const kBulletNames[4] = {"BulletPistol", "BulletAK", "BulletShotGun",
                                     "BulletGrenadeGun"};

struct Script {
    Rng rng;
    float unit() { return static_cast<float>(world().rng.next()) / 32767.0f; }
    float between(float lo, float hi) { return lo + (hi - lo) * unit(); }
    int below(int n) { return world().rng.next() % n; }
    Vec2 direction() {
        Vec2 d(0.0f, 1.0f);
        return d.rotate(between(-3.14159f, 3.14159f));
    }
};

// The path the hit pass will test for a bullet now at `position`, after
// moveBullets has moved it once.
void nextPath(const Bullet& b, Vec2& p, Vec2& q) {
    p = b.position + (b.direction * b.speed) * world().frameDelta;
    q = p + b.direction * b.speed * world().frameDelta;
}

bool crossesAnyMonster(const Vec2& p, const Vec2& q) {
    const float margin = 0.05f; // loose: this only picks the set-up
    float minX = std::fmin(p.x, q.x) - margin, maxX = std::fmax(p.x, q.x) + margin;
    float minY = std::fmin(p.y, q.y) - margin, maxY = std::fmax(p.y, q.y) + margin;
    for (int m = 0; m < world().monsterCount; ++m) {
        const Monster& monster = world().monsters[m];
        const float reach = monster.size * 1.5f;
        if (monster.position.x + reach < minX || monster.position.x - reach > maxX ||
            monster.position.y + reach < minY || monster.position.y - reach > maxY)
            continue;
        for (const Segment& e : monster.hitEdges)
            if (segmentsCross(p, q, e.p1, e.p2)) return true;
    }
    return false;
}

bool insideArena(const Vec2& p) {
    return p.x <= 1.0f && p.x >= -1.0f && p.y <= 1.0f && p.y >= -1.0f;
}

} // namespace

void buildFullLoad(uint32_t seed, int hitsWanted) {
    Script script;
    script.rng.seed(seed);
    resetGame();
    world().rng.seed(seed ^ 0x5bd1e995u);
    session().input.menuShown = 0;
    world().runFactor = 1.0f;
    world().frameDelta = 16.0f;
    world().score = 500;
    world().hitSoundTimer = 1000.0f;
    addWeapon(WeaponAK);
    addWeapon(WeaponShotGun);
    addWeapon(WeaponGrenadeGun);
    selectWeapon(WeaponGrenadeGun);

    // Ground: corpses, blood and scorch marks of the fight so far.
    const char* groundTextures[5] = {"Textures/Tooth_Dead.bmp", "Textures/Zombie_Dead.bmp",
                                     "Textures/Mind_Dead.bmp", "Textures/Blood.bmp",
                                     "Textures/Spot_Explosion.bmp"};
    for (int i = 0; i < 1900; ++i) {
        Decal d;
        d.alpha = script.between(0.1f, 1.0f);
        d.size = script.between(0.03f, 0.12f);
        d.fadeRate = 0.00005f;
        d.texture = textureBank.slotFor(groundTextures[script.below(5)]);
        d.centre = Vec2(script.between(-1.1f, 1.1f), script.between(-1.1f, 1.1f));
        d.direction = script.direction();
        world().decalLayer.add(d);
    }

    // Sparks in the air.
    const char* sparks[3] = {"ParticleSparkRocket", "ParticleShot", "ParticlePistol"};
    for (int i = 0; i < 1000; ++i)
        emitParticle(sparks[script.below(3)],
                     Vec2(script.between(-1.0f, 1.0f), script.between(-1.0f, 1.0f)),
                     script.direction());

    // Pick-ups lying about, none under the Marine.
    for (int i = 0; i < 40; ++i) {
        Bonus b;
        b.kind = BonusFastSpeed + script.below(9);
        b.age = script.between(0.0f, 15000.0f);
        b.lifetime = 20000.0f;
        b.size = 0.025f;
        do {
            b.position = Vec2(script.between(-0.95f, 0.95f), script.between(-0.95f, 0.95f));
        } while (std::fabs(b.position.x) < 0.3f && std::fabs(b.position.y) < 0.3f);
        addBonus(b);
    }

    // Explosions still burning.
    for (int i = 0; i < 30; ++i) {
        AnimSprite s;
        s.alpha = script.between(0.2f, 1.0f);
        s.size = 0.2f;
        s.fadeRate = 0.001f;
        s.frameRate = 20.0f;
        s.frame = script.below(16);
        s.frameCount = 16;
        s.animate = 1;
        s.texture = textureBank.slotFor("Textures/Explosion.bmp");
        s.centre = Vec2(script.between(-1.0f, 1.0f), script.between(-1.0f, 1.0f));
        s.direction = Vec2(1.0f, 0.0f);
        world().spriteLayer.add(s);
    }

    // The horde, over and around the arena, keeping off the Marine.
    while (world().monsterCount < kMonsterSpawnLimit) {
        Vec2 at(script.between(-1.3f, 1.3f), script.between(-1.3f, 1.3f));
        if (std::sqrt(at.dot(at)) < 0.25f) continue;
        if (spawnMonster(kMonsterNames[script.below(9)], at) < 0) break;
        Monster& m = world().monsters[world().monsterCount - 1];
        m.heading = script.direction();
        m.health *= script.between(0.1f, 1.0f); // wounded in the fight so far
        buildHitEdges(m);
    }

    // Bullets in flight: all but `hitsWanted` miss in the next pass, so the
    // pool stays full as in a steady stream of fire.
    int hits = 0;
    bool grenadeHit = false;
    int attempts = 0;
    while (world().bulletCount < kMaxBullets && attempts < 2000000) {
        ++attempts;
        int kind = script.below(4);
        const bool wantHit = hits < hitsWanted;
        if (wantHit && !grenadeHit)
            kind = 3;
        else if (wantHit)
            kind = script.below(3);
        Vec2 from(script.between(-0.97f, 0.97f), script.between(-0.97f, 0.97f));
        spawnBullet(kBulletNames[kind], from, script.direction());
        Vec2 p, q;
        nextPath(world().bullets[world().bulletCount - 1], p, q);
        const bool hit = crossesAnyMonster(p, q);
        if (!insideArena(p) || hit != wantHit) {
            removeBullet(world().bulletCount - 1);
            continue;
        }
        if (hit) {
            ++hits;
            if (kind == 3) grenadeHit = true;
        }
    }
}

void save(int slot) {
    if (!slots[slot]) slots[slot] = std::make_unique<World>();
    *slots[slot] = world();
}

void restore(int slot) {
    world() = *slots[slot];
}

void stepBullets() {
    for (int i = 0; i < world().bulletCount; ++i) {
        Bullet& b = world().bullets[i];
        b.position += (b.direction * b.speed) * world().frameDelta;
    }
}

LoadStats measureLoad(int scratchSlot) {
    save(scratchSlot);
    LoadStats stats;
    stats.monsters = world().monsterCount;
    stats.bullets = world().bulletCount;
    stats.decals = world().decalLayer.count;
    stats.sprites = world().spriteLayer.count;
    stats.particles = world().particleLayer.count;
    stats.bonuses = world().bonusCount;
    const uint64_t blasts = soundPlayCount[SoundExplosion];
    resolveBulletHitsReference();
    stats.kills = stats.monsters - world().monsterCount;
    // Each hit lays one blood splat, a kill two and a corpse, a blast a mark.
    const int blastCount = static_cast<int>(soundPlayCount[SoundExplosion] - blasts);
    stats.hits = world().decalLayer.count - stats.decals - 2 * stats.kills - blastCount;
    restore(scratchSlot);
    return stats;
}

} // namespace bench
