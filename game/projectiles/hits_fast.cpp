// The game's hit pass: the same monster-by-bullet scan as the reference, in
// the same order with the same effects, but a pair only reaches the segment
// test when that test could come out true.
//
// Bullets get pass-local ids in pool order (fragments appended during the
// scan get the next ids), so ascending id is ascending slot. For each
// monster slot the scan takes, in ascending id:
// 1. Candidates: the bullets whose path box, widened by kMargin, reaches the
//    grid cells of the monster's box, plus those flying nearly parallel to
//    one of its sides. Nothing else can cross (see "Why candidates").
// 2. Per candidate and side, a line test with a bound on the reference's
//    rounding (see "Why sides"); only the sides it cannot rule out go to
//    segmentsCross, on the very floats the reference uses.
// Anything unusual (far-away or non-finite coordinates, too many ids) gets
// the plain test, or the plain scan from where the pass stands.
//
// Why candidates. segmentsCross(P, Q, E1, E2) takes the line through P
// along d = fl(Q - P); a side end point can come out on the wrong side of it
// (or on it) only within 2.01u |A - P| of that line (u = 2^-24), and the
// same holds for P and Q against the side's line. So a float "crossing"
// needs a point X of PQ and a point Y of the side that both lie within
// W = 2.01u R of both lines (R <= 2 sqrt2 C, C the largest |coordinate|).
// Lines at an angle with sine s leave room only for |X - Y| <= 4W / s: a
// pair whose boxes lie more than kMargin apart cannot cross unless
// s <= 23 u C / kMargin. The scan takes 128 u C / kMargin as "nearly
// parallel". Nearly collinear paths far from a side do "cross" in float.
//
// Why sides. The reference's side of P against the line E1 + t fl(E2 - E1)
// is the sign of an expression whose rounding error is below
// 2.01u |P - E1| |fl(E2 - E1)| <= 5.7u C |fl(E2 - E1)|; the distance below,
// from a unit normal n and offset c computed in float, errs by less than
// 22u C. So when both P and Q lie more than 28u C (the scan takes 128u C)
// on one side, the reference's t1 and t2 share their sign and the test is
// false. The same holds for E1 and E2 against the path's line.
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "game/monsters/monsters.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"

namespace {

constexpr int kMaxIds = 2048;
constexpr int kWords = kMaxIds / 64;
constexpr int kBaseWords = kMaxBullets / 64; // ids given at the start of a pass
constexpr int kGrid = 128;                   // columns and rows
constexpr int kLevels = 6;                   // runs of up to 32 cells
constexpr float kGridLow = -1.25f;           // boxes beyond the grid count
constexpr float kGridHigh = 1.25f;           // in its border cells
constexpr int kBuckets = 4096;               // line directions, half a turn
constexpr float kMargin = 1.0f / 128.0f;     // box gap that rules a pair out
constexpr float kUnit = 1.0f / 16777216.0f;  // float rounding unit, 2^-24
// Coordinates beyond this get the plain test against everything.
constexpr float kFar = 64.0f;
// Directions shorter than this (but not zero) get the plain test too: the
// rounding bounds assume no underflow.
constexpr float kTiny = 8.67361738e-19f; // 2^-60
// Above this the near-parallel bound would let nearly everything through.
constexpr float kMaxParallel = 0.25f;

using Bits = uint64_t[kWords];
using BaseBits = uint64_t[kBaseWords];
using Floats = float __attribute__((vector_size(16))); // one lane per side
using Lanes = int32_t __attribute__((vector_size(16)));

// Per id, fixed for the pass: a record never changes while it is in the
// pool, it only moves down.
struct PathLine {
    float px, py, qx, qy; // as below; not-a-number for the unfiltered kinds,
    float mx, my, o;      // so that no side is ruled out; unit normal, offset
};
struct PathEnds {
    float px, py, qx, qy; // the exact floats the reference tests
};

// The pass's scratch, one for each thread: a thread steps one world at a
// time, and several can step theirs at once.
thread_local PathLine lines[kMaxIds];
thread_local PathEnds ends[kMaxIds];
thread_local Bits live;              // ids still in the pool
thread_local Bits always;            // ids tested against every monster
thread_local bool anyAlways = false; // some id is in `always`
thread_local int nextId = 0;
thread_local int usedWords = 0;
thread_local int baseIds = 0;
thread_local float bulletReach = 0.0f; // largest |coordinate| of the filtered paths

// columns[k][i] holds the ids whose widened boxes reach a column from i to
// i + 2^k - 1, so a run of up to 2^(kLevels-1) columns is the union of two
// entries.
thread_local BaseBits columns[kLevels][kGrid];
thread_local BaseBits rows[kLevels][kGrid];
thread_local uint8_t colLo[kMaxBullets], colHi[kMaxBullets], rowLo[kMaxBullets], rowHi[kMaxBullets];
static_assert(kGrid <= 256, "cells are stored in bytes");

// Filtered ids given during the scan (fragments), checked one by one.
struct LatePath {
    int id;
    uint8_t colLo, colHi, rowLo, rowHi;
    int bucket;
};
thread_local LatePath latePaths[kMaxIds];
thread_local int lateCount = 0;

// Filtered start-of-pass ids sorted by direction bucket.
thread_local uint16_t bucketOfId[kMaxBullets];
thread_local int bucketStart[kBuckets + 1];
thread_local uint16_t byBucket[kMaxBullets];

// The monster in the current slot.
struct MonsterView {
    bool testAll; // no filtering: every live id, every side
    // Per side: unit normal, offset, end points, all not-a-number for
    // testAll so that no side is ruled out; and the rounding margin.
    Floats nx, ny, c, x1, y1, x2, y2;
    float margin;
    int colLo, colHi, rowLo, rowHi;
    int bucketLo[4], bucketHi[4];
};

thread_local MonsterView view;

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

// Orientation of a line over half a turn as a bucket: monotone in the angle
// (a "diamond" angle, no trigonometry), wrapping at half a turn.
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

void setBit(uint64_t* bits, int id) {
    bits[id >> 6] |= uint64_t{1} << (id & 63);
}

enum class PathKind { Filtered, Always, None };

// Caches bullet `slot` under a new id. False when the ids have run out.
bool addPath(int slot, PathKind& kind) {
    World& w = world();
    if (nextId >= kMaxIds) return false;
    const int id = nextId++;
    usedWords = (nextId + 63) >> 6;
    setBit(live, id);

    // Exactly the reference's floats.
    const Bullet& bullet = w.bullets[slot];
    Vec2 p = bullet.position;
    Vec2 q = p + bullet.direction * bullet.speed * w.frameDelta;
    ends[id] = PathEnds{p.x, p.y, q.x, q.y};

    const float dx = q.x - p.x;
    const float dy = q.y - p.y;
    // A path of no length crosses nothing: its side tests are all zero.
    if (dx == 0.0f && dy == 0.0f && finite(p.x) && finite(p.y)) {
        kind = PathKind::None;
        return true;
    }
    const float reachP = absf(p.x) > absf(p.y) ? absf(p.x) : absf(p.y);
    const float reachQ = absf(q.x) > absf(q.y) ? absf(q.x) : absf(q.y);
    const bool usable = finite(p.x) && finite(p.y) && finite(q.x) && finite(q.y) &&
                        reachP <= kFar && reachQ <= kFar &&
                        (absf(dx) >= kTiny || absf(dy) >= kTiny);
    PathLine& line = lines[id];
    if (!usable) {
        const float nan = __builtin_nanf("");
        line = PathLine{nan, nan, nan, nan, nan, nan, nan};
        setBit(always, id);
        anyAlways = true;
        kind = PathKind::Always;
        return true;
    }
    if (reachP > bulletReach) bulletReach = reachP;
    if (reachQ > bulletReach) bulletReach = reachQ;
    const float inverse = 1.0f / std::sqrt(dx * dx + dy * dy);
    const float mx = dy * inverse, my = -dx * inverse;
    line = PathLine{p.x, p.y, q.x, q.y, mx, my, mx * p.x + my * p.y};
    kind = PathKind::Filtered;
    return true;
}

// The cells a path's box, widened by kMargin, reaches.
void cellsOf(const PathEnds& e, uint8_t& cLo, uint8_t& cHi, uint8_t& rLo, uint8_t& rHi) {
    cLo = static_cast<uint8_t>(cellOf((e.px < e.qx ? e.px : e.qx) - kMargin));
    cHi = static_cast<uint8_t>(cellOf((e.px < e.qx ? e.qx : e.px) + kMargin));
    rLo = static_cast<uint8_t>(cellOf((e.py < e.qy ? e.py : e.qy) - kMargin));
    rHi = static_cast<uint8_t>(cellOf((e.py < e.qy ? e.qy : e.py) + kMargin));
}

// Union of the entries for cells lo to hi: blocks of the largest stored
// size, the last one ending at hi (overlaps do no harm).
void orRange(uint64_t* out, const BaseBits (*table)[kGrid], int lo, int hi, int words) {
    int level = 31 - __builtin_clz(static_cast<unsigned>(hi - lo + 1));
    if (level > kLevels - 1) level = kLevels - 1;
    const int size = 1 << level;
    const uint64_t* last = table[level][hi - size + 1];
    for (int w = 0; w < words; ++w)
        out[w] = last[w];
    for (int start = lo; start + size <= hi; start += size) {
        const uint64_t* block = table[level][start];
        for (int w = 0; w < words; ++w)
            out[w] |= block[w];
    }
}

void buildTable(BaseBits (*table)[kGrid], const uint8_t* lo, const uint8_t* hi,
                const bool* filtered, int words) {
    for (int i = 0; i < kGrid; ++i)
        std::memset(table[0][i], 0, sizeof(uint64_t) * static_cast<size_t>(words));
    for (int id = 0; id < baseIds; ++id) {
        if (!filtered[id]) continue;
        for (int i = lo[id]; i <= hi[id]; ++i)
            setBit(table[0][i], id);
    }
    for (int k = 1; k < kLevels; ++k) {
        const int half = 1 << (k - 1);
        for (int i = 0; i + (1 << k) <= kGrid; ++i)
            for (int w = 0; w < words; ++w)
                table[k][i][w] = table[k - 1][i][w] | table[k - 1][i + half][w];
    }
}

bool startPass() {
    std::memset(live, 0, sizeof(live));
    std::memset(always, 0, sizeof(always));
    anyAlways = false;
    lateCount = 0;
    nextId = 0;
    usedWords = 0;
    bulletReach = 0.0f;

    thread_local bool filtered[kMaxBullets];
    int counts[kBuckets + 1] = {};
    for (int b = 0; b < world().bulletCount; ++b) {
        PathKind kind;
        if (!addPath(b, kind)) return false;
        filtered[b] = kind == PathKind::Filtered;
        if (!filtered[b]) continue;
        const PathEnds& e = ends[b];
        cellsOf(e, colLo[b], colHi[b], rowLo[b], rowHi[b]);
        bucketOfId[b] = static_cast<uint16_t>(bucketOf(e.qx - e.px, e.qy - e.py));
        ++counts[bucketOfId[b] + 1];
    }
    baseIds = nextId;
    const int words = (baseIds + 63) >> 6;
    buildTable(columns, colLo, colHi, filtered, words);
    buildTable(rows, rowLo, rowHi, filtered, words);

    bucketStart[0] = 0;
    for (int i = 0; i < kBuckets; ++i)
        bucketStart[i + 1] = bucketStart[i] + counts[i + 1];
    int fill[kBuckets];
    std::memcpy(fill, bucketStart, sizeof(fill));
    for (int id = 0; id < baseIds; ++id)
        if (filtered[id]) byBucket[fill[bucketOfId[id]]++] = static_cast<uint16_t>(id);
    return true;
}

void viewEverything() {
    const float nan = __builtin_nanf("");
    const Floats none = {nan, nan, nan, nan};
    view.testAll = true;
    view.nx = view.ny = view.c = none;
    view.x1 = view.y1 = view.x2 = view.y2 = none;
    view.margin = 0.0f;
}

// Reads the monster in slot m. Its hit edges do not change during the pass
// (knock-back moves only its position), so neither does this view until the
// slot gets another monster.
void viewMonster(int m) {
    const Segment* edges = world().monsters[m].hitEdges;
    float minX = edges[0].p1.x, maxX = minX;
    float minY = edges[0].p1.y, maxY = minY;
    float ux[4], uy[4];
    for (int k = 0; k < 4; ++k) {
        const float x1 = edges[k].p1.x, y1 = edges[k].p1.y;
        const float x2 = edges[k].p2.x, y2 = edges[k].p2.y;
        // The direction the crossing test itself takes for this side.
        const float dx = x2 - x1, dy = y2 - y1;
        const bool ok = finite(x1) && finite(y1) && finite(x2) && finite(y2) && absf(x1) <= kFar &&
                        absf(y1) <= kFar && absf(x2) <= kFar && absf(y2) <= kFar &&
                        (absf(dx) >= kTiny || absf(dy) >= kTiny);
        if (!ok) {
            viewEverything();
            return;
        }
        minX = x1 < minX ? x1 : minX;
        minX = x2 < minX ? x2 : minX;
        maxX = x1 > maxX ? x1 : maxX;
        maxX = x2 > maxX ? x2 : maxX;
        minY = y1 < minY ? y1 : minY;
        minY = y2 < minY ? y2 : minY;
        maxY = y1 > maxY ? y1 : maxY;
        maxY = y2 > maxY ? y2 : maxY;
        const float inverse = 1.0f / std::sqrt(dx * dx + dy * dy);
        ux[k] = dx * inverse;
        uy[k] = dy * inverse;
        view.nx[k] = uy[k];
        view.ny[k] = -ux[k];
        view.c[k] = uy[k] * x1 - ux[k] * y1;
        view.x1[k] = x1;
        view.y1[k] = y1;
        view.x2[k] = x2;
        view.y2[k] = y2;
    }

    float reach = bulletReach;
    const float monsterReach[4] = {absf(minX), absf(maxX), absf(minY), absf(maxY)};
    for (float r : monsterReach)
        reach = r > reach ? r : reach;
    if (reach < 1.0f / 1048576.0f) reach = 1.0f / 1048576.0f;
    const float parallel = 128.0f * kUnit * reach / kMargin;
    if (parallel > kMaxParallel) {
        viewEverything();
        return;
    }
    view.testAll = false;
    view.margin = 128.0f * kUnit * reach;
    view.colLo = cellOf(minX);
    view.colHi = cellOf(maxX);
    view.rowLo = cellOf(minY);
    view.rowHi = cellOf(maxY);

    // Directions whose |sine| with a side is at most `bound` lie within
    // asin(bound) of it, under atan(t) for this t (also for the largest
    // bound, 0.25), with 2^-14 to spare: turn the side that far both ways and
    // take the buckets in between. The turned vectors are not normalised;
    // buckets do not care. Opposite sides are parallel up to rounding: one
    // within 2^-16 of an earlier side's line shares its run of buckets, the
    // spare angle covering the difference.
    const float bound = parallel + 16.0f * kUnit; // and the sine's own rounding
    const float t = 1.1f * bound + 1.0f / 16384.0f;
    for (int k = 0; k < 4; ++k) {
        const float x = ux[k], y = uy[k];
        int same = -1;
        for (int j = 0; j < k && same < 0; ++j)
            if (absf(x * uy[j] - y * ux[j]) <= 1.0f / 65536.0f) same = j;
        if (same >= 0) {
            view.bucketLo[k] = view.bucketLo[same];
            view.bucketHi[k] = view.bucketHi[same];
            continue;
        }
        view.bucketLo[k] = bucketOf(x + y * t, y - x * t);
        view.bucketHi[k] = bucketOf(x - y * t, y + x * t);
    }
}

void addBucketRun(uint64_t* out, int lo, int hi) {
    for (int i = bucketStart[lo]; i < bucketStart[hi + 1]; ++i)
        setBit(out, byBucket[i]);
}

// Ids that may hit the current monster.
void candidates(uint64_t* out) {
    if (view.testAll) {
        for (int w = 0; w < usedWords; ++w)
            out[w] = live[w];
        return;
    }
    const int words = (baseIds + 63) >> 6;
    uint64_t cols[kBaseWords];
    uint64_t rowBits[kBaseWords];
    orRange(cols, columns, view.colLo, view.colHi, words);
    orRange(rowBits, rows, view.rowLo, view.rowHi, words);
    for (int w = 0; w < words; ++w)
        out[w] = cols[w] & rowBits[w];
    for (int w = words; w < usedWords; ++w)
        out[w] = 0;
    for (int k = 0; k < 4; ++k) {
        bool seen = false;
        for (int j = 0; j < k; ++j)
            seen = seen ||
                   (view.bucketLo[j] == view.bucketLo[k] && view.bucketHi[j] == view.bucketHi[k]);
        if (seen) continue;
        if (view.bucketLo[k] <= view.bucketHi[k]) {
            addBucketRun(out, view.bucketLo[k], view.bucketHi[k]);
        } else { // wraps over half a turn
            addBucketRun(out, view.bucketLo[k], kBuckets - 1);
            addBucketRun(out, 0, view.bucketHi[k]);
        }
    }
    for (int i = 0; i < lateCount; ++i) {
        const LatePath& l = latePaths[i];
        bool in = l.colLo <= view.colHi && l.colHi >= view.colLo && l.rowLo <= view.rowHi &&
                  l.rowHi >= view.rowLo;
        for (int k = 0; k < 4 && !in; ++k) {
            const int lo = view.bucketLo[k], hi = view.bucketHi[k];
            in = lo <= hi ? (l.bucket >= lo && l.bucket <= hi) : (l.bucket >= lo || l.bucket <= hi);
        }
        if (in) setBit(out, l.id);
    }
    if (anyAlways) {
        for (int w = 0; w < usedWords; ++w)
            out[w] |= always[w];
    }
    for (int w = 0; w < usedWords; ++w)
        out[w] &= live[w];
}

// The sides of the current monster, as bits 0 to 3, that the path might
// cross in the reference's test; see "Why sides". Branch-free: candidates go
// either way at random.
unsigned sidesToTest(const PathLine& l) {
    const Floats g = Floats{} + view.margin;
    // P and Q against each side's line...
    const Floats tp = view.nx * l.px + view.ny * l.py - view.c;
    const Floats tq = view.nx * l.qx + view.ny * l.qy - view.c;
    // ...and each side's end points against the path's line.
    const Floats s1 = l.mx * view.x1 + l.my * view.y1 - l.o;
    const Floats s2 = l.mx * view.x2 + l.my * view.y2 - l.o;
    const Lanes apart = ((tp > g) & (tq > g)) | ((tp < -g) & (tq < -g)) | ((s1 > g) & (s2 > g)) |
                        ((s1 < -g) & (s2 < -g));
    const Lanes test = ~apart;
#if defined(__SSE__)
    return static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(test)));
#else
    return static_cast<unsigned>((test[0] & 1) | (test[1] & 2) | (test[2] & 4) | (test[3] & 8));
#endif
}

bool crosses(int id, unsigned sides, int m) {
    const PathEnds& e = ends[id];
    const Vec2 p(e.px, e.py), q(e.qx, e.qy);
    // The reference tests all four, but only the answer matters, and a side
    // left out cannot cross.
    const Segment* edges = world().monsters[m].hitEdges;
    for (int k = 0; k < 4; ++k)
        if ((sides >> k & 1u) && segmentsCross(p, q, edges[k].p1, edges[k].p2)) return true;
    return false;
}

struct Candidate {
    uint16_t id;
    uint16_t sides;
};

// Candidates of the current monster from id `from` on with a side to test,
// in ascending order, into `out`; returns how many.
int gather(int from, Candidate* out) {
    uint64_t cand[kWords];
    candidates(cand);
    int n = 0;
    for (int w = from >> 6; w < usedWords; ++w) {
        uint64_t bits = cand[w];
        if ((w << 6) < from) bits &= ~uint64_t{0} << (from & 63);
        while (bits != 0) {
            const int id = (w << 6) + __builtin_ctzll(bits);
            bits &= bits - 1;
            const unsigned sides = sidesToTest(lines[id]);
            out[n] = Candidate{static_cast<uint16_t>(id), static_cast<uint16_t>(sides)};
            n += sides != 0 ? 1 : 0;
        }
    }
    return n;
}

// Pool slot of a live id: the live ids below it.
int slotOf(int id) {
    int slot = 0;
    for (int w = 0; w < (id >> 6); ++w)
        slot += __builtin_popcountll(live[w]);
    const uint64_t below = (uint64_t{1} << (id & 63)) - 1;
    return slot + __builtin_popcountll(live[id >> 6] & below);
}

// First live id after `id`, or -1.
int nextLive(int id) {
    for (int i = id + 1; i < nextId;) {
        const uint64_t bits = live[i >> 6] >> (i & 63);
        if (bits != 0) return i + __builtin_ctzll(bits);
        i = ((i >> 6) + 1) << 6;
    }
    return -1;
}

// The plain scan, from monster slot m and bullet slot b on.
void scanFrom(int m, int b) {
    World& w = world();
    for (; m < w.monsterCount; ++m, b = 0) {
        for (; b < w.bulletCount && m < w.monsterCount; ++b) {
            const Bullet& bullet = w.bullets[b];
            Vec2 p = bullet.position;
            Vec2 q = p + bullet.direction * bullet.speed * w.frameDelta;
            bool hit = false;
            for (const Segment& edge : w.monsters[m].hitEdges)
                if (segmentsCross(p, q, edge.p1, edge.p2)) hit = true;
            if (hit) applyBulletHit(m, b);
        }
    }
}

} // namespace

void resolveBulletHits() {
    World& w = world();
    // Strict bounds: a bullet exactly on the border stays.
    for (int i = 0; i < w.bulletCount; ++i) {
        const Vec2& p = w.bullets[i].position;
        if (p.x > 1.0f || p.x < -1.0f || p.y > 1.0f || p.y < -1.0f) removeBullet(i);
    }

    w.hitSoundTimer += w.frameDelta;
    if (w.monsterCount < 1) return;

    if (!startPass()) {
        scanFrom(0, 0);
        return;
    }

    thread_local Candidate order[kMaxIds];
    for (int m = 0; m < w.monsterCount; ++m) {
        viewMonster(m);
        int from = 0; // lowest id still to test against this slot
        for (;;) {
            const int n = gather(from, order);
            int id = -1;
            for (int i = 0; i < n && id < 0; ++i)
                if (crosses(order[i].id, order[i].sides, m)) id = order[i].id;
            if (id < 0) break;

            const int slot = slotOf(id);
            const int monstersBefore = w.monsterCount;
            const int bulletsBefore = w.bulletCount;
            applyBulletHit(m, slot);
            live[id >> 6] &= ~(uint64_t{1} << (id & 63));

            // Fragments were appended before the bullet left the pool.
            const int appended = w.bulletCount - (bulletsBefore - 1);
            for (int k = appended; k > 0; --k) {
                PathKind kind;
                const int newId = nextId;
                if (!addPath(w.bulletCount - k, kind)) {
                    // Out of ids: finish with the plain scan from here.
                    scanFrom(m, slot + 1);
                    return;
                }
                if (kind == PathKind::Filtered) {
                    LatePath& l = latePaths[lateCount++];
                    l.id = newId;
                    cellsOf(ends[newId], l.colLo, l.colHi, l.rowLo, l.rowHi);
                    l.bucket =
                        bucketOf(ends[newId].qx - ends[newId].px, ends[newId].qy - ends[newId].py);
                }
            }

            // The reference goes on at slot + 1: the bullet that moved into
            // the freed slot waits for the next pass.
            if (w.monsterCount < monstersBefore) {
                if (m >= w.monsterCount) break;
                viewMonster(m); // the next monster moved into this slot
            } else if (appended > 0) {
                viewMonster(m); // the new paths may reach further
            }
            if (slot >= w.bulletCount) break;
            const int skipped = nextLive(id);
            if (skipped < 0) break;
            from = skipped + 1;
        }
    }
}
