#include "render/decal_layer.h"

#include <GL/gl.h>

#include "input/input.h"
#include "render/texture_bank.h"

DecalLayer decalLayer;

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
        decal.alpha -= frameDelta * decal.fadeRate;
        if (decal.alpha <= 0.0f) remove(i);
    }
}

void DecalLayer::draw() {
    update();
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < count; ++i) {
        const Decal& decal = decals[i];
        textureBank.bindSlot(decal.texture);
        glColor4f(1.0f, 1.0f, 1.0f, decal.alpha);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(decal.corners[0].x, decal.corners[0].y);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(decal.corners[1].x, decal.corners[1].y);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(decal.corners[2].x, decal.corners[2].y);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(decal.corners[3].x, decal.corners[3].y);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

void DecalLayer::clear() {
    for (int i = 0; i < count && i < kCapacity; ++i)
        decals[i] = Decal{};
    count = 0;
}
