#include "game/layers/decal_layer.h"

#include "draw/draw_list.h"
#include "game/world/world.h"

bool DecalLayer::add(const Decal& decal) {
    // A full layer keeps what it has; the newest mark is the one lost.
    if (count >= kCapacity) return false;
    Decal& slot = decals[count];
    slot = decal;
    orientedQuad(slot.centre, slot.direction, slot.size, slot.corners);
    ++count;
    return true;
}

void DecalLayer::remove(int index) {
    if (index < 0 || index >= count) return;
    for (int i = index; i < count - 1; ++i)
        decals[i] = decals[i + 1];
    --count;
}

void DecalLayer::update() {
    // The decal that moves into a freed place is faded in the next frame.
    for (int i = 0; i < count; ++i) {
        Decal& decal = decals[i];
        decal.alpha -= world().frameDelta * decal.fadeRate;
        if (decal.alpha <= 0.0f) remove(i);
    }
}

void DecalLayer::draw(int shown) const {
    for (int i = 0; i < shown && i < count; ++i) {
        const Decal& decal = decals[i];
        draw::stripQuad(decal.corners, 0.0f, 1.0f, Colour{1.0f, 1.0f, 1.0f, decal.alpha},
                        decal.texture);
    }
}

void DecalLayer::clear() {
    for (int i = 0; i < count && i < kCapacity; ++i)
        decals[i] = Decal{};
    count = 0;
}
