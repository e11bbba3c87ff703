#include "math/vec2.h"

#include <cmath>

#include "math/rules_math.h"

namespace {
float lengthOrOne(const Vec2& v) {
    float len = std::sqrt(v.x * v.x + v.y * v.y);
    return len == 0.0f ? 1.0f : len;
}
} // namespace

float Vec2::cosAngle(const Vec2& b) const {
    return dot(b) / (lengthOrOne(*this) * lengthOrOne(b));
}

Vec2& Vec2::rotate(float angle) {
    float s, c;
    ruleSinCos(angle, s, c);
    float nx = x * c - y * s;
    float ny = x * s + y * c;
    x = nx;
    y = ny;
    return *this;
}

Vec2 Vec2::perpUnit() const {
    float len = lengthOrOne(*this);
    return {y / len, -x / len};
}

void orientedQuad(const Vec2& centre, const Vec2& direction, float size, Vec2 corners[4]) {
    Vec2 p = direction.perpUnit();
    corners[0] = centre + (direction + p) * size;
    corners[1] = centre + (direction - p) * size;
    corners[2] = centre - (direction + p) * size;
    corners[3] = centre - (direction - p) * size;
}

bool segmentsCross(float p1x, float p1y, float p2x, float p2y, float p3x, float p3y, float p4x,
                   float p4y) {
    float d1x = p2x - p1x;
    float d1y = p2y - p1y;
    float s3 = (p3x - p1x) * d1y - (p3y - p1y) * d1x;
    float s4 = (p4x - p1x) * d1y - (p4y - p1y) * d1x;
    if (s3 * s4 >= 0.0f) return false;
    float d2x = p4x - p3x;
    float d2y = p4y - p3y;
    float t1 = (p1x - p3x) * d2y - (p1y - p3y) * d2x;
    float t2 = (p2x - p3x) * d2y - (p2y - p3y) * d2x;
    return t1 * t2 < 0.0f;
}
