// The pictures behind the texture bank's slots, as OpenGL textures.
#pragma once

#include <cstdint>

namespace render {

// Loads every entry of the bank: the ground from `groundScheme`, the rest
// from their BMP files (black transparent). A picture that fails to load
// leaves its slot showing nothing.
void loadTextures(int groundScheme);
// Makes the ground texture again for another scheme (a replay shows the
// ground its game was played on).
void remakeGround(int groundScheme);
void bindTextureSlot(int slot);
uint32_t glTextureName(int slot);
// Deletes every texture (tests that start the game more than once).
void clearTextures();

} // namespace render
