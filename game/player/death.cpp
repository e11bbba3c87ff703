#include "game/player/death.h"

#include "draw/texture_bank.h"
#include "game/layers/decal_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/effects.h"
#include "input/input.h"

float deathTime = 0.0f;

namespace {

// The Marine's sprite is the first one of every game, so it sits at 0 while
// it exists; then no monster's sprite can be there.
bool marineSpriteAtZero() {
    if (spriteLayer.count < 1) return false;
    for (int i = 0; i < monsterCount; ++i)
        if (monsters[i].spriteIndex <= 0) return false;
    return true;
}

void layBody() {
    cueSound(SoundMarineDeath);

    Decal body;
    body.alpha = 1.0f;
    body.size = 0.05f;
    body.fadeRate = 0.0f; // lies there until the next game
    body.texture = textureBank.slotFor("Textures/MarineDead.bmp");
    body.centre = marine.position;
    body.direction = marine.aim; // a quarter turn from the living sprite
    decalLayer.add(body);

    if (marineSpriteAtZero()) {
        spriteLayer.remove(0);
        for (int i = 0; i < monsterCount; ++i)
            --monsters[i].spriteIndex;
    }
}

} // namespace

void updateMarineDeath() {
    if (marine.health > 0.0f) return;
    if (!marine.marineDead) layBody();
    marine.marineDead = true;
    deathTime += frameDelta;
}
