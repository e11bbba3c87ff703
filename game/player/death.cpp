#include "game/player/death.h"

#include "draw/texture_bank.h"
#include "game/layers/decal_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/effects.h"
#include "game/world/world.h"

namespace {

// The Marine's sprite is the first one of every game, so it sits at 0 while
// it exists; then no monster's sprite can be there.
bool marineSpriteAtZero() {
    World& w = world();
    if (w.spriteLayer.count < 1) return false;
    for (int i = 0; i < w.monsterCount; ++i)
        if (w.monsters[i].spriteIndex <= 0) return false;
    return true;
}

void layBody() {
    World& w = world();
    cueSound(SoundMarineDeath);

    Decal body;
    body.alpha = 1.0f;
    body.size = 0.05f;
    body.fadeRate = 0.0f; // lies there until the next game
    body.texture = textureBank.slotFor("Textures/MarineDead.bmp");
    body.centre = w.marine.position;
    body.direction = w.marine.aim; // a quarter turn from the living sprite
    w.decalLayer.add(body);

    if (marineSpriteAtZero()) {
        w.spriteLayer.remove(0);
        for (int i = 0; i < w.monsterCount; ++i)
            --w.monsters[i].spriteIndex;
    }
}

} // namespace

void updateMarineDeath() {
    World& w = world();
    if (w.marine.health > 0.0f) return;
    if (!w.marine.marineDead) layBody();
    w.marine.marineDead = true;
    w.deathTime += w.frameDelta;
}
