// The pictures behind the texture bank's slots, on the GPU: one atlas for
// every bitmap (render/texture_atlas.h), the ground in a texture of its own
// (it is drawn repeating), and a texture of its own for a bitmap that does
// not fit the atlas.
#pragma once

#include <cstdint>

#include "math/rng.h"

namespace render {

// Reads and decodes these bitmaps for loadTextures, which takes them from
// there. No GL and nothing shown (problems wait for loadTextures), so it may
// run on another thread while the window opens, as long as no other call
// here runs meanwhile.
void readPicturesAhead(const char* const* paths, int count);
// Loads every entry of the bank: the ground from `groundScheme` and the
// game's main random stream (its speckles continue it), the rest
// from their BMP files (black transparent), read ahead where they were.
// A picture that fails to load leaves its slot drawing flat colour, and its
// problem is shown in a box, in the bank's order.
void loadTextures(int groundScheme, Rng& random);
// Makes the ground texture again for another scheme (a replay shows the
// ground its game was played on).
void remakeGround(int groundScheme);

// Where a slot's picture lies: a texture and the part of it that is the
// picture (texture coordinates 0..1 of the picture map onto u0..u1, v0..v1).
struct SlotPicture {
    uint32_t texture = 0;
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
};
// Any slot, known or not; one with no picture gives the atlas's white block
// (drawn as flat colour).
const SlotPicture& slotPicture(int slot);
// The white block (flat colour) and the round spot (round points).
const SlotPicture& whitePicture();
const SlotPicture& spotPicture();
// The GL texture behind a slot, 0 when it has none of its own or in the
// atlas (tests).
uint32_t glTextureName(int slot);
// Deletes every texture (tests that start the game more than once).
void clearTextures();
// Forgets every texture without deleting it (its context is gone).
void forgetTextures();

} // namespace render
