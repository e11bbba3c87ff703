// The game's hit pass: the same monster-by-bullet scan as the reference, in
// the same order with the same effects, but a pair only reaches the segment
// tests when it could possibly pass them.
//
// Bullets get pass-local ids in pool order (fragments appended during the
// scan get the next ids), so ascending id is ascending slot. Per id we keep
// the path P-Q and its bounding box, and set its bit in the column and row
// bitmaps its box (widened by kMargin) covers and in the bitmap of its path's
// direction. A monster's candidates are the bullets in its columns and rows,
// plus those flying nearly parallel to one of its sides: the crossing test is
// done in float, and nearly collinear segments can "cross" through rounding
// although their boxes are far apart. For any other pair the rounding is
// bounded (see pairMayCross), and a box gap beyond kMargin rules it out.
//
// Anything unusual (far-away or non-finite coordinates, too many ids) falls
// back to the plain scan from where the pass stands.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/input.h"
#include "game/monsters/monsters.h"
#include "game/projectiles/bullets.h"

namespace {

constexpr int kMaxIds = 2048;
constexpr int kWords = kMaxIds / 64;
constexpr int kGrid = 64;                   // columns and rows
constexpr float kGridLow = -1.25f;          // boxes beyond the grid clamp to
constexpr float kGridHigh = 1.25f;          // its border cells
constexpr int kBuckets = 256;               // line directions over half a turn
constexpr float kMargin = 1.0f / 64.0f;     // box gap that rules a pair out
constexpr float kUnit = 1.0f / 16777216.0f; // float rounding unit, 2^-24
// Coordinates beyond this get the plain test against everything.
constexpr float kFar = 64.0f;
// Directions shorter than this (but not zero) get the plain test too: the
// rounding bounds below assume no underflow.
constexpr float kTiny = 8.67361738e-19f; // 2^-60
// Above this near-parallel bound the filter would pass nearly everything.
constexpr float kMaxParallel = 0.25f;

using Bits = uint64_t[kWords];

// Per id, fixed for the pass: a record never changes while it is in the
// pool, it only moves down.
struct PathCache {
    float px, py, qx, qy; // the exact floats the reference tests
    float minX, maxX, minY, maxY;
    float ux, uy; // unit direction of fl(Q - P)
};

PathCache paths[kMaxIds];
Bits live;   // ids still in the pool
Bits always; // ids tested against every monster
Bits columns[kGrid];
Bits rows[kGrid];
Bits buckets[kBuckets];
int nextId = 0;
int usedWords = 0;
int clearedWords = 0;     // words that may hold bits from earlier passes
float bulletReach = 0.0f; // largest |coordinate| of the filtered paths

// The monster in the current slot.
struct MonsterView {
    bool testAll = false;         // no filtering for this one
    float minX, maxX, minY, maxY; // box of its hit edges, widened by kMargin
    float ex[4], ey[4];           // unit directions of its four edges
    float parallel = 0.0f;        // sine below which a pair is nearly parallel
    int colLo, colHi, rowLo, rowHi;
    int bucketLo[4], bucketHi[4];
};

MonsterView view;

bool finite(float v) {
    return v - v == 0.0f;
}

float absf(float v) {
    return v < 0.0f ? -v : v;
}

int cellOf(float v) {
    // Monotone in v, so overlapping intervals get overlapping cell ranges.
    float scaled = (v - kGridLow) * (static_cast<float>(kGrid) / (kGridHigh - kGridLow));
    if (!(scaled >= 0.0f)) return 0;
    if (scaled >= static_cast<float>(kGrid - 1)) return kGrid - 1;
    return static_cast<int>(scaled);
}

// Orientation of a line direction over half a turn, as a bucket; monotone
// in the angle (a "diamond" angle: no trigonometry).
int bucketOf(float x, float y) {
    if (y < 0.0f || (y == 0.0f && x < 0.0f)) {
        x = -x;
        y = -y;
    }
    float d = x >= 0.0f ? y / (x + y) : 1.0f + (-x) / (y - x);
    int b = static_cast<int>(d * (static_cast<float>(kBuckets) / 2.0f));
    if (b < 0) return 0;
    if (b >= kBuckets) return kBuckets - 1;
    return b;
}

void setBit(Bits& bits, int id) {
    bits[id >> 6] |= uint64_t{1} << (id & 63);
}

void clearBit(Bits& bits, int id) {
    bits[id >> 6] &= ~(uint64_t{1} << (id & 63));
}

void clearWords(Bits& bits, int words) {
    std::memset(bits, 0, sizeof(uint64_t) * static_cast<size_t>(words));
}

// Caches bullet `slot` under a new id. False when the ids have run out.
bool addPath(int slot) {
    if (nextId >= kMaxIds) return false;
    const int id = nextId++;
    usedWords = (nextId + 63) >> 6;
    if (usedWords > clearedWords) clearedWords = usedWords;
    setBit(live, id);

    // Exactly the reference's floats.
    const Bullet& bullet = bullets[slot];
    Vec2 p = bullet.position;
    Vec2 q = p + bullet.direction * bullet.speed * frameDelta;
    PathCache& c = paths[id];
    c.px = p.x;
    c.py = p.y;
    c.qx = q.x;
    c.qy = q.y;
    c.minX = p.x < q.x ? p.x : q.x;
    c.maxX = p.x < q.x ? q.x : p.x;
    c.minY = p.y < q.y ? p.y : q.y;
    c.maxY = p.y < q.y ? q.y : p.y;
    c.ux = 0.0f; // stays 0 for the kinds that are never filtered
    c.uy = 0.0f;

    const float dx = q.x - p.x;
    const float dy = q.y - p.y;
    // A path of no length crosses nothing (its side tests are all zero).
    if (dx == 0.0f && dy == 0.0f && finite(p.x) && finite(p.y)) return true;

    const float reach = absf(p.x) > absf(p.y) ? absf(p.x) : absf(p.y);
    const float reachQ = absf(q.x) > absf(q.y) ? absf(q.x) : absf(q.y);
    const bool usable = finite(p.x) && finite(p.y) && finite(q.x) && finite(q.y) && reach <= kFar &&
                        reachQ <= kFar && (absf(dx) >= kTiny || absf(dy) >= kTiny);
    if (!usable) {
        setBit(always, id);
        return true;
    }
    if (reach > bulletReach) bulletReach = reach;
    if (reachQ > bulletReach) bulletReach = reachQ;

    const float length = std::sqrt(dx * dx + dy * dy);
    c.ux = dx / length;
    c.uy = dy / length;

    const int colLo = cellOf(c.minX - kMargin), colHi = cellOf(c.maxX + kMargin);
    const int rowLo = cellOf(c.minY - kMargin), rowHi = cellOf(c.maxY + kMargin);
    for (int i = colLo; i <= colHi; ++i)
        setBit(columns[i], id);
    for (int i = rowLo; i <= rowHi; ++i)
        setBit(rows[i], id);
    setBit(buckets[bucketOf(dx, dy)], id);
    return true;
}

// Reads the monster in slot m. Its hit edges do not change during the pass
// (knock-back moves only its position), so neither does this view until the
// slot gets another monster.
void viewMonster(int m) {
    const Monster& monster = monsters[m];
    view = MonsterView{};
    float minX = monster.hitEdges[0].p1.x, maxX = minX;
    float minY = monster.hitEdges[0].p1.y, maxY = minY;
    bool ok = true;
    for (int k = 0; k < 4; ++k) {
        const Segment& e = monster.hitEdges[k];
        const float xs[2] = {e.p1.x, e.p2.x};
        const float ys[2] = {e.p1.y, e.p2.y};
        for (int j = 0; j < 2; ++j) {
            if (!finite(xs[j]) || !finite(ys[j]) || absf(xs[j]) > kFar || absf(ys[j]) > kFar)
                ok = false;
            if (xs[j] < minX) minX = xs[j];
            if (xs[j] > maxX) maxX = xs[j];
            if (ys[j] < minY) minY = ys[j];
            if (ys[j] > maxY) maxY = ys[j];
        }
        // The direction the crossing test itself uses for this side.
        const float dx = e.p2.x - e.p1.x;
        const float dy = e.p2.y - e.p1.y;
        if (absf(dx) < kTiny && absf(dy) < kTiny) {
            ok = false;
            continue;
        }
        const float length = std::sqrt(dx * dx + dy * dy);
        view.ex[k] = dx / length;
        view.ey[k] = dy / length;
    }
    if (!ok) {
        view.testAll = true;
        return;
    }

    float reach = bulletReach;
    const float monsterReach[4] = {absf(minX), absf(maxX), absf(minY), absf(maxY)};
    for (float r : monsterReach)
        if (r > reach) reach = r;
    if (reach < 1.0f / 1048576.0f) reach = 1.0f / 1048576.0f;
    // See pairMayCross: 128 u C / M, over five times the bound.
    view.parallel = 128.0f * kUnit * reach / kMargin;
    if (view.parallel > kMaxParallel) {
        view.testAll = true;
        return;
    }

    view.minX = minX - kMargin;
    view.maxX = maxX + kMargin;
    view.minY = minY - kMargin;
    view.maxY = maxY + kMargin;
    view.colLo = cellOf(minX);
    view.colHi = cellOf(maxX);
    view.rowLo = cellOf(minY);
    view.rowHi = cellOf(maxY);

    // Directions within asin(parallel) of a side, with room for the
    // rounding of this arithmetic: turn the side both ways and take the
    // buckets in between (wrapping over half a turn).
    const float half = 2.0f * view.parallel + 1.0f / 4096.0f;
    const float c = std::cos(half), s = std::sin(half);
    for (int k = 0; k < 4; ++k) {
        const float x = view.ex[k], y = view.ey[k];
        view.bucketLo[k] = bucketOf(x * c + y * s, y * c - x * s);
        view.bucketHi[k] = bucketOf(x * c - y * s, x * s + y * c);
    }
}

void orRange(uint64_t* out, const Bits* table, int lo, int hi) {
    for (int i = lo; i <= hi; ++i)
        for (int w = 0; w < usedWords; ++w)
            out[w] |= table[i][w];
}

void orBuckets(uint64_t* out, int lo, int hi) {
    if (lo <= hi) {
        orRange(out, buckets, lo, hi);
    } else {
        orRange(out, buckets, lo, kBuckets - 1);
        orRange(out, buckets, 0, hi);
    }
}

// Ids that may hit the current monster.
void candidates(uint64_t* out) {
    if (view.testAll) {
        for (int w = 0; w < usedWords; ++w)
            out[w] = live[w];
        return;
    }
    uint64_t cols[kWords] = {};
    uint64_t rowBits[kWords] = {};
    orRange(cols, columns, view.colLo, view.colHi);
    orRange(rowBits, rows, view.rowLo, view.rowHi);
    uint64_t parallel[kWords] = {};
    for (int k = 0; k < 4; ++k) {
        bool seen = false;
        for (int j = 0; j < k; ++j)
            seen = seen ||
                   (view.bucketLo[j] == view.bucketLo[k] && view.bucketHi[j] == view.bucketHi[k]);
        if (!seen) orBuckets(parallel, view.bucketLo[k], view.bucketHi[k]);
    }
    for (int w = 0; w < usedWords; ++w)
        out[w] = ((cols[w] & rowBits[w]) | parallel[w] | always[w]) & live[w];
}

// False only when the reference's float test cannot pass for this pair.
//
// The test takes the line through P along d = fl(Q - P); a side end point's
// sign can come out wrong only within 2.01u |A - P| of that line, and the
// same holds for P and Q against the side's line. So a float "crossing"
// needs a point X of PQ and a point Y of the side that both lie within
// W = 2.01u R of both lines (R <= 2 sqrt2 C, C the largest |coordinate|).
// Lines at an angle with sine s leave room only for |X - Y| <= 4W / s, so a
// pair whose boxes are more than kMargin apart cannot cross unless
// s <= 23 u C / kMargin; view.parallel takes 128 u C / kMargin.
bool pairMayCross(int id) {
    if (view.testAll) return true;
    const PathCache& c = paths[id];
    const bool near =
        c.minX <= view.maxX && c.maxX >= view.minX && c.minY <= view.maxY && c.maxY >= view.minY;
    if (near) return true;
    if (c.ux == 0.0f && c.uy == 0.0f) return true; // never cached: the "always" kind
    const float bound = view.parallel + 16.0f * kUnit;
    for (int k = 0; k < 4; ++k) {
        const float sine = absf(c.ux * view.ey[k] - c.uy * view.ex[k]);
        if (sine <= bound) return true;
    }
    return false;
}

bool crosses(int id, int m) {
    const PathCache& c = paths[id];
    const Vec2 p(c.px, c.py), q(c.qx, c.qy);
    // Any side will do: the reference tests all four, but only the answer
    // matters.
    for (const Segment& edge : monsters[m].hitEdges)
        if (segmentsCross(p, q, edge.p1, edge.p2)) return true;
    return false;
}

// Pool slot of a live id: the live ids below it.
int slotOf(int id) {
    int slot = 0;
    for (int w = 0; w < (id >> 6); ++w)
        slot += __builtin_popcountll(live[w]);
    uint64_t below = (uint64_t{1} << (id & 63)) - 1;
    return slot + __builtin_popcountll(live[id >> 6] & below);
}

// First live id after `id`, or -1.
int nextLive(int id) {
    for (int i = id + 1; i < nextId; ++i) {
        const int w = i >> 6;
        const uint64_t bits = live[w] >> (i & 63);
        if (bits == 0) {
            i = (w << 6) + 63;
            continue;
        }
        return i + __builtin_ctzll(bits);
    }
    return -1;
}

// The plain scan, from monster slot m and bullet slot b on.
void scanFrom(int m, int b) {
    for (; m < monsterCount; ++m, b = 0) {
        for (; b < bulletCount && m < monsterCount; ++b) {
            const Bullet& bullet = bullets[b];
            Vec2 p = bullet.position;
            Vec2 q = p + bullet.direction * bullet.speed * frameDelta;
            bool hit = false;
            for (const Segment& edge : monsters[m].hitEdges)
                if (segmentsCross(p, q, edge.p1, edge.p2)) hit = true;
            if (hit) applyBulletHit(m, b);
        }
    }
}

bool startPass() {
    const int clearTo = clearedWords > kWords ? kWords : clearedWords;
    clearWords(live, clearTo);
    clearWords(always, clearTo);
    for (Bits& bits : columns)
        clearWords(bits, clearTo);
    for (Bits& bits : rows)
        clearWords(bits, clearTo);
    for (Bits& bits : buckets)
        clearWords(bits, clearTo);
    nextId = 0;
    usedWords = 0;
    clearedWords = 0;
    bulletReach = 0.0f;
    for (int b = 0; b < bulletCount; ++b)
        if (!addPath(b)) return false;
    return true;
}

} // namespace

void resolveBulletHits() {
    // Strict bounds: a bullet exactly on the border stays.
    for (int i = 0; i < bulletCount; ++i) {
        const Vec2& p = bullets[i].position;
        if (p.x > 1.0f || p.x < -1.0f || p.y > 1.0f || p.y < -1.0f) removeBullet(i);
    }

    hitSoundTimer += frameDelta;
    if (monsterCount < 1) return;

    if (!startPass()) {
        scanFrom(0, 0);
        return;
    }

    uint64_t cand[kWords];
    for (int m = 0; m < monsterCount; ++m) {
        viewMonster(m);
        candidates(cand);
        int from = 0; // lowest id still to test against this slot
        int w = 0;
        while (w < usedWords) {
            const int base = w << 6;
            uint64_t bits = cand[w];
            if (from >= base + 64)
                bits = 0;
            else if (from > base)
                bits &= ~uint64_t{0} << (from - base);
            if (bits == 0) {
                ++w;
                continue;
            }
            const int id = base + __builtin_ctzll(bits);
            from = id + 1;
            if (!pairMayCross(id) || !crosses(id, m)) continue;

            const int slot = slotOf(id);
            const int monstersBefore = monsterCount;
            const int bulletsBefore = bulletCount;
            applyBulletHit(m, slot);
            clearBit(live, id);

            // Fragments were appended before the bullet left the pool.
            const int appended = bulletCount - (bulletsBefore - 1);
            for (int k = appended; k > 0; --k) {
                if (!addPath(bulletCount - k)) {
                    // Out of ids: finish with the plain scan from here.
                    scanFrom(m, slot + 1);
                    return;
                }
            }

            // The reference goes on at slot + 1: the bullet that moved into
            // the freed slot waits for the next pass.
            if (monsterCount < monstersBefore) {
                if (m >= monsterCount) break;
                viewMonster(m); // the next monster moved into this slot
            } else if (appended > 0) {
                viewMonster(m); // the new paths may reach further
            }
            if (slot >= bulletCount) break;
            const int skipped = nextLive(id);
            if (skipped < 0) break;
            from = skipped + 1;
            candidates(cand);
            w = from >> 6;
        }
    }
}
