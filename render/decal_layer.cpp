#include "render/decal_layer.h"
// Placeholder until the layer lands.
DecalLayer decalLayer;
bool DecalLayer::add(const Decal&) { return false; }
void DecalLayer::remove(int) {}
void DecalLayer::update() {}
void DecalLayer::draw() {}
void DecalLayer::clear() { count = 0; }
