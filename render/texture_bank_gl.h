// The pictures behind the texture bank's slots, as OpenGL textures.
#pragma once

#include <cstdint>

namespace render {

// Reads and decodes these bitmaps for loadTextures, which takes them from
// there. No GL and nothing shown (problems wait for loadTextures), so it may
// run on another thread while the window opens, as long as no other call
// here runs meanwhile.
void readPicturesAhead(const char* const* paths, int count);
// Loads every entry of the bank: the ground from `groundScheme`, the rest
// from their BMP files (black transparent), read ahead where they were.
// A picture that fails to load leaves its slot showing nothing, and its
// problem is shown in a box, in the bank's order.
void loadTextures(int groundScheme);
// Makes the ground texture again for another scheme (a replay shows the
// ground its game was played on).
void remakeGround(int groundScheme);
void bindTextureSlot(int slot);
uint32_t glTextureName(int slot);
// Deletes every texture (tests that start the game more than once).
void clearTextures();

} // namespace render
