#include "render/sprite_layer.h"
// Placeholder until the layer lands.
AnimSpriteLayer spriteLayer;
bool AnimSpriteLayer::add(const AnimSprite&) { return false; }
void AnimSpriteLayer::place(int, const AnimSprite&) {}
void AnimSpriteLayer::remove(int) {}
void AnimSpriteLayer::update() {}
void AnimSpriteLayer::draw() {}
void AnimSpriteLayer::clear() { count = 0; }
