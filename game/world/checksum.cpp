#include "game/world/checksum.h"

#include <cstring>
#include <initializer_list>

#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullet_templates.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "math/rules_math.h"

namespace {

// FNV-1a over the values themselves, field by field, so padding bytes never
// take part.
struct Hasher {
    uint64_t h = 14695981039346656037ull;

    void bytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    }
    void u32(uint32_t v) { bytes(&v, sizeof v); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void vec(const Vec2& v) {
        f32(v.x);
        f32(v.y);
    }
    void seg(const Segment& s) {
        vec(s.p1);
        vec(s.p2);
    }
};

void hashMarine(Hasher& k) {
    const Marine& m = world().marine;
    for (float f : {m.blurInterval, m.blurTimer, m.blurFade, m.runRegen, m.fireTimer, m.reloadTimer,
                    m.specialTimer, m.fastSpeedTime, m.fastShotTime, m.health, m.runPower})
        k.f32(f);
    k.i32(m.specialCount);
    k.i32(m.spriteIndex);
    for (const Weapon& w : m.weapons) {
        k.f32(w.fireInterval);
        k.f32(w.reloadTime);
        k.i32(w.clipSize);
        k.i32(w.rounds);
        k.bytes(w.name, strnlen(w.name, sizeof w.name));
    }
    k.i32(m.ownedCount);
    for (int32_t id : m.owned)
        k.i32(id);
    k.i32(m.currentWeapon);
    k.i32(m.timedBonusCount);
    k.u32((m.firstDropDone ? 1u : 0u) | (m.marineDead ? 2u : 0u) | (m.fastSpeed ? 4u : 0u) |
          (m.fastShot ? 8u : 0u));
    k.vec(m.aim);
    k.vec(m.position);
    k.vec(m.facing);
    k.vec(m.moveInput);
}

void hashPools(Hasher& k) {
    World& w = world();
    k.i32(w.monsterCount);
    for (int i = 0; i < w.monsterCount; ++i) {
        const Monster& m = w.monsters[i];
        k.vec(m.position);
        k.vec(m.moveDir);
        k.vec(m.heading);
        for (const Segment& s : m.hitEdges)
            k.seg(s);
        for (float f : {m.speed, m.damage, m.health, m.size, m.attackTimer, m.attackInterval})
            k.f32(f);
        k.i32(m.spriteIndex);
        k.i32(m.scoreValue);
        k.i32(m.texture);
    }
    k.i32(w.bulletCount);
    for (int i = 0; i < w.bulletCount; ++i) {
        const Bullet& b = w.bullets[i];
        k.vec(b.position);
        k.vec(b.direction);
        k.f32(b.speed);
        k.f32(b.damage);
        k.u32((b.trail ? 1u : 0u) | (b.scores ? 2u : 0u));
    }
    k.i32(w.bonusCount);
    for (int i = 0; i < w.bonusCount; ++i) {
        const Bonus& b = w.bonuses[i];
        k.i32(b.kind);
        k.f32(b.age);
        k.f32(b.lifetime);
        k.f32(b.size);
        k.vec(b.position);
        k.vec(b.lastPosition);
        for (const Segment& s : b.edges)
            k.seg(s);
    }
    k.i32(w.decalLayer.count);
    for (int i = 0; i < w.decalLayer.count; ++i) {
        const Decal& d = w.decalLayer.decals[i];
        k.f32(d.alpha);
        k.f32(d.size);
        k.f32(d.fadeRate);
        k.i32(d.texture);
        k.vec(d.centre);
        k.vec(d.direction);
        for (const Vec2& c : d.corners)
            k.vec(c);
    }
    k.i32(w.spriteLayer.count);
    for (int i = 0; i < w.spriteLayer.count; ++i) {
        const AnimSprite& s = w.spriteLayer.sprites[i];
        for (float f : {s.alpha, s.size, s.fadeRate, s.frameRate, s.frameTimer})
            k.f32(f);
        k.i32(s.frame);
        k.i32(s.frameCount);
        k.u32(s.animate);
        k.i32(s.texture);
        k.vec(s.centre);
        k.vec(s.direction);
        for (const Vec2& c : s.corners)
            k.vec(c);
    }
    k.i32(w.particleLayer.count);
    for (int i = 0; i < w.particleLayer.count; ++i) {
        const Particle& p = w.particleLayer.particles[i];
        for (float f : {p.life, p.decay, p.speed, p.damping})
            k.f32(f);
        k.i32(p.spread);
        k.f32(p.red);
        k.f32(p.green);
        k.f32(p.blue);
        k.vec(p.position);
        k.vec(p.direction);
    }
}

} // namespace

uint64_t worldChecksum() {
    World& w = world();
    Hasher k;
    hashMarine(k);
    hashPools(k);
    k.u32(w.score);
    k.u32(w.rng.state);
    // The first generation had one stream; its checksums stay as they were.
    if (rulesGeneration != kFirstGeneration) {
        k.u32(w.spawnRng.state);
        k.u32(w.dropRng.state);
    }
    for (float f :
         {w.spawnTimer, w.spawnInterval, w.hmSoundTimer, w.hitSoundTimer, w.deathTime, w.gameTime})
        k.f32(f);
    return k.h;
}

uint64_t rulesFingerprint() {
    Hasher k;
    k.i32(bulletTemplateCount);
    for (int i = 0; i < bulletTemplateCount && i < kMaxBulletTemplates; ++i) {
        const BulletTemplate& t = bulletTemplates[i];
        k.f32(t.damage);
        k.f32(t.speed);
        k.i32(t.spread);
        k.u32((t.scores ? 1u : 0u) | (t.trail ? 2u : 0u));
        k.bytes(t.name, strnlen(t.name, sizeof t.name));
        k.u32(0);
    }
    k.i32(templateCount);
    for (int i = 0; i < templateCount && i < kMaxMonsterTemplates; ++i) {
        const MonsterTemplate& t = monsterTemplates[i];
        for (float f : {t.damage, t.health, t.size, t.speed, t.attackInterval})
            k.f32(f);
        k.i32(t.scoreValue);
        k.i32(t.texture);
        k.bytes(t.name, strnlen(t.name, sizeof t.name));
        k.u32(0);
    }
    k.i32(particleTemplates.count);
    for (int i = 0; i < particleTemplates.count && i < ParticleTemplates::kCapacity; ++i) {
        const ParticleTemplate& t = particleTemplates.templates[i];
        k.i32(t.spread);
        for (float f : {t.life, t.decay, t.speed, t.damping, t.red, t.green, t.blue})
            k.f32(f);
        k.bytes(t.name, strnlen(t.name, sizeof t.name));
        k.u32(0);
    }
    return k.h;
}
