// One spawner, no waves: a monster every spawnInterval ms, the interval
// shrinking with the time played and larger monsters joining as it falls.
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/world/world.h"
#include "input/settings_values.h"
#include "math/rng.h"

namespace {

// Indexed by the kind draw (Tooth, Zombie, Mind), then by size.
const char* const kMonsterNames[3][3] = {
    {"MonsterToothSmall", "MonsterToothMedium", "MonsterToothLarge"},
    {"MonsterZombieSmall", "MonsterZombieMedium", "MonsterZombieLarge"},
    {"MonsterMindSmall", "MonsterMindMedium", "MonsterMindLarge"},
};

// Slightly less than a degree; the spawn circle has always used it.
constexpr float kSpawnDegree = 0.017444445f;

} // namespace

void updateSpawner(float radius, float /*unused*/) {
    World& w = world();
    w.spawnTimer += w.frameDelta;
    if (w.spawnInterval != 0.0f) w.spawnInterval -= world().spawnAcceleration * w.frameDelta;
    if (w.spawnInterval <= 0.0f) w.spawnInterval = 0.0f;

    if (w.spawnTimer < w.spawnInterval) return;
    if (w.monsterCount >= kMonsterSpawnLimit) return; // the timer waits for room
    w.spawnTimer = 0.0f;

    // Draw order matters for replays: angle, kind, size.
    Rng& random = spawnRandom();
    Vec2 position(radius, radius);
    int degrees = random.next() % 360;
    position.rotate(static_cast<float>(degrees) * kSpawnDegree);
    int kind = random.next() % 3;
    int size = 0;
    if (w.spawnInterval >= 750.0f)
        size = 0;
    else if (w.spawnInterval >= 500.0f)
        size = random.next() % 2;
    else
        size = random.next() % 3;

    spawnMonster(kMonsterNames[kind][size], position);
}

int spawnMonster(const char* templateName, const Vec2& position) {
    int index = findMonsterTemplate(templateName);
    if (index < 0) return -1;
    const MonsterTemplate& t = monsterTemplates[index];

    Monster monster;
    monster.position = position;
    monster.moveDir = Vec2(0.0f, 0.0f);
    monster.heading = Vec2(0.0f, 1.0f);
    monster.speed = t.speed;
    monster.damage = t.damage;
    monster.health = t.health;
    monster.size = t.size;
    monster.attackTimer = 0.0f;
    monster.attackInterval = t.attackInterval;
    monster.scoreValue = t.scoreValue;
    monster.texture = t.texture;
    return addMonster(monster);
}

int addMonster(const Monster& monster) {
    World& w = world();
    if (w.monsterCount >= kMaxMonsters) return -1;

    // Never fades, so the layer never drops it.
    AnimSprite sprite =
        stripSprite(monster.size, 0.0f, 10.0f, monster.texture, monster.position, monster.heading);

    // The monster's sprite takes the next free slot of the layer. With the
    // layer full there is no sprite to name, so the monster is not added.
    int spriteIndex = w.spriteLayer.count;
    if (!w.spriteLayer.add(sprite)) return -1;

    Monster& added = w.monsters[w.monsterCount];
    added = monster;
    added.spriteIndex = spriteIndex;
    return ++w.monsterCount;
}
