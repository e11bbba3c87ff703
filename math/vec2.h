// Arena geometry: x to the right, y up, the visible arena from -1 to 1.
// Angles are radians, positive counter-clockwise.
#pragma once

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float x_, float y_) : x(x_), y(y_) {}

    void set(float x_, float y_) {
        x = x_;
        y = y_;
    }
    void setZero() { x = y = 0.0f; }

    float dot(const Vec2& b) const { return x * b.x + y * b.y; }
    // Cosine of the angle between the two; a zero length counts as 1.
    float cosAngle(const Vec2& b) const;
    // Turns this vector in place, counter-clockwise for a positive angle.
    Vec2& rotate(float angle);
    // A quarter turn clockwise, scaled to length 1; (0, 0) stays (0, 0).
    Vec2 perpUnit() const;

    Vec2 operator+(const Vec2& b) const { return {x + b.x, y + b.y}; }
    Vec2 operator-(const Vec2& b) const { return {x - b.x, y - b.y}; }
    Vec2 operator*(float s) const { return {x * s, y * s}; }
    Vec2 operator/(float s) const { return {x / s, y / s}; }
    Vec2& operator+=(const Vec2& b) {
        x += b.x;
        y += b.y;
        return *this;
    }
    Vec2& operator-=(const Vec2& b) {
        x -= b.x;
        y -= b.y;
        return *this;
    }
    Vec2& operator*=(float s) {
        x *= s;
        y *= s;
        return *this;
    }
};

struct Segment {
    Vec2 p1;
    Vec2 p2;
};

// Corners of a quad of half extent `size` centred on `centre` and turned to
// face `direction`, in drawing order.
void orientedQuad(const Vec2& centre, const Vec2& direction, float size, Vec2 corners[4]);

// True when segment p1-p2 properly crosses segment p3-p4. Touching, shared
// end points and collinear segments do not count.
bool segmentsCross(float p1x, float p1y, float p2x, float p2y, float p3x, float p3y, float p4x,
                   float p4y);
inline bool segmentsCross(const Vec2& p1, const Vec2& p2, const Vec2& p3, const Vec2& p4) {
    return segmentsCross(p1.x, p1.y, p2.x, p2.y, p3.x, p3.y, p4.x, p4.y);
}

// Degrees to radians the way the game has always done it.
constexpr float kDegToRad = (1.0f / 180.0f) * 3.1415926535f;
