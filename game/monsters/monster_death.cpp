// A killed monster: its corpse on the ground, a possible bonus, and its
// record and sprite out of their pools with every later index kept true.
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "math/rng.h"

namespace {

constexpr float kCorpseFadeRate = 0.00005f; // gone after 20 s of play
constexpr float kBonusLifetime = 20000.0f;
constexpr float kBonusSize = 0.025f;

} // namespace

void addMonsterCorpse(const Monster& monster) {
    int corpseTexture = -1;
    if (monster.texture == textureBank.slotFor("Textures/Tooth.bmp"))
        corpseTexture = textureBank.slotFor("Textures/Tooth_Dead.bmp");
    else if (monster.texture == textureBank.slotFor("Textures/Zombie.bmp"))
        corpseTexture = textureBank.slotFor("Textures/Zombie_Dead.bmp");
    else if (monster.texture == textureBank.slotFor("Textures/Mind.bmp"))
        corpseTexture = textureBank.slotFor("Textures/Mind_Dead.bmp");
    // A kind we have no dead picture for leaves no corpse rather than
    // someone else's.
    if (corpseTexture < 0) return;

    Decal corpse;
    corpse.alpha = 1.0f;
    corpse.size = monster.size;
    corpse.fadeRate = kCorpseFadeRate;
    corpse.texture = corpseTexture;
    corpse.centre = monster.position;
    corpse.direction = monster.heading.perpUnit(); // as its sprite faced
    world().decalLayer.add(corpse);
}

void removeMonster(int index) {
    World& w = world();
    if (index < 0 || index >= w.monsterCount) return;
    ++w.monstersKilled;
    const Vec2 position = w.monsters[index].position;
    const int spriteIndex = w.monsters[index].spriteIndex;

    // The first kill of a game always arms the Marine; later ones drop one
    // time in ten.
    Rng& random = dropRandom();
    bool drops = !w.marine.firstDropDone || random.next() % 10 == 1;
    if (drops) {
        Bonus bonus;
        if (!w.marine.firstDropDone)
            bonus.kind = BonusAK + random.next() % 2;
        else
            bonus.kind = BonusFastSpeed + random.next() % 9;
        bonus.age = 0.0f;
        bonus.lifetime = kBonusLifetime;
        bonus.size = kBonusSize;
        bonus.position = position;
        bonus.lastPosition = Vec2(0.0f, 0.0f);
        addBonus(bonus);
        w.marine.firstDropDone = true;
    }

    if (spriteIndex >= 0 && spriteIndex < w.spriteLayer.count) w.spriteLayer.remove(spriteIndex);

    for (int i = index; i + 1 < w.monsterCount; ++i)
        w.monsters[i] = w.monsters[i + 1];
    --w.monsterCount;
    w.monsters[w.monsterCount] = Monster{};
    // Their sprites lay after the removed one and have just moved down.
    for (int i = index; i < w.monsterCount; ++i)
        --w.monsters[i].spriteIndex;
}
