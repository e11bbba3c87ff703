#include "game/projectiles/bullets.h"

#include <cmath>

#include "draw/draw_list.h"

#include "game/layers/particle_layer.h"
#include "game/projectiles/bullet_templates.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "math/rng.h"

Bullet bullets[kMaxBullets];
int bulletCount = 0;

void spawnBullet(const char* templateName, const Vec2& position, const Vec2& direction) {
    int index = findBulletTemplate(templateName);
    if (index < 0) return;
    const BulletTemplate& kind = bulletTemplates[index];

    Bullet bullet;
    bullet.position = position;
    bullet.direction = direction;
    bullet.direction.rotate(randomSpreadAngle(kind.spread));
    bullet.trail = kind.trail;
    bullet.scores = kind.scores;
    bullet.speed = kind.speed;
    bullet.damage = kind.damage;
    appendBullet(bullet);
}

void appendBullet(const Bullet& bullet) {
    // A full pool drops the newcomer rather than writing past the end.
    if (bulletCount < 0 || bulletCount >= kMaxBullets) return;
    bullets[bulletCount] = bullet;
    ++bulletCount;
}

void removeBullet(int index) {
    if (index < 0 || index >= bulletCount) return;
    for (int i = index; i < bulletCount - 1; ++i)
        bullets[i] = bullets[i + 1];
    --bulletCount;
}

void clearBullets() {
    for (int i = 0; i < bulletCount && i < kMaxBullets; ++i)
        bullets[i] = Bullet{};
    bulletCount = 0;
}

void moveBullets() {
    for (int i = 0; i < bulletCount; ++i) {
        Bullet& bullet = bullets[i];
        bullet.position += (bullet.direction * bullet.speed) * frameDelta;
        // Sparks fly backwards from the new position; none under the menu.
        if (bullet.trail && !menuShown)
            emitParticle("ParticleSparkRocket", bullet.position,
                         Vec2(-bullet.direction.x, -bullet.direction.y));
    }
    resolveBulletHits();
}

namespace {

// Heads already described in the current run of bullets, on a coarse grid
// over the arena and a little beyond: a cell holds the run's number when a
// head (with its blur) reaches into it.
constexpr int kCells = 64;
constexpr float kGridLow = -1.5f;
constexpr float kCellsPerUnit = kCells / 3.0f;
uint32_t headCells[kCells][kCells];
uint32_t runNumber = 0;
Vec2 heads[kMaxBullets];

struct CellBox {
    int x0, y0, x1, y1;
};

int cellOf(float v) {
    float c = (v - kGridLow) * kCellsPerUnit;
    if (!(c > 0.0f)) return 0; // below the grid, or not a number
    return c >= kCells - 1 ? kCells - 1 : static_cast<int>(c);
}

// The cells a box from `a` to `b` covers, widened by a few pixels: a line is
// one pixel wide and a head two, both smoothed.
CellBox cellsOf(Vec2 a, Vec2 b) {
    const float mx = 8.0f / static_cast<float>(screenWidth > 0 ? screenWidth : 640);
    const float my = 8.0f / static_cast<float>(screenHeight > 0 ? screenHeight : 480);
    return {cellOf(std::fmin(a.x, b.x) - mx), cellOf(std::fmin(a.y, b.y) - my),
            cellOf(std::fmax(a.x, b.x) + mx), cellOf(std::fmax(a.y, b.y) + my)};
}

bool finitePoint(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

} // namespace

void drawBullets() {
    moveBullets();
    if (!drawList.recording) return; // nobody looks

    // A streak fading in toward the head, and the head as a round point.
    // The alpha above one is clamped by the pipeline: a fully lit head.
    constexpr Colour kTail{1.0f, 1.0f, 1.0f, 0.0f};
    constexpr Colour kHead{1.0f, 1.0f, 1.0f, 1.5f};
    for (int i = 0; i < bulletCount; ++i) {
        const Bullet& bullet = bullets[i];
        // Where the bullet will be after one more step of this length.
        heads[i] = bullet.position + bullet.direction * bullet.speed * frameDelta;
    }

    // Each bullet is its streak, then its head over it. Within a run of
    // bullets whose streaks touch no earlier head of the run, the streaks can
    // all go first and the heads after them: nothing drawn overlaps anything
    // it changes places with, so the picture is the same, and the back end
    // draws a run with two calls instead of two per bullet.
    int start = 0;
    while (start < bulletCount) {
        ++runNumber;
        int end = start;
        while (end < bulletCount) {
            const Vec2 tail = bullets[end].position;
            const Vec2 head = heads[end];
            if (!finitePoint(tail) || !finitePoint(head)) {
                if (end == start) ++end; // a run of its own
                break;
            }
            CellBox streak = cellsOf(tail, head);
            bool touches = false;
            for (int y = streak.y0; y <= streak.y1 && !touches; ++y)
                for (int x = streak.x0; x <= streak.x1 && !touches; ++x)
                    touches = headCells[y][x] == runNumber;
            if (touches) break;
            CellBox blot = cellsOf(head, head);
            for (int y = blot.y0; y <= blot.y1; ++y)
                for (int x = blot.x0; x <= blot.x1; ++x)
                    headCells[y][x] = runNumber;
            ++end;
        }
        for (int i = start; i < end; ++i)
            draw::line(bullets[i].position, kTail, heads[i], kHead, 1.0f);
        for (int i = start; i < end; ++i)
            draw::point(heads[i], kHead, 2.0f);
        start = end;
    }
}
