#include "rules_bot.h"

#include <cmath>

#include "game/bonuses/bonuses.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "session/menu_items.h"
#include "session/session.h"

namespace checksums {
namespace {

float length(const Vec2& v) {
    return std::sqrt(v.dot(v));
}

float clampUnit(float v) {
    return std::fmax(-1.0f, std::fmin(1.0f, v));
}

bool visible(const Vec2& p) {
    return std::fabs(p.x) < 1.0f && std::fabs(p.y) < 1.0f;
}

bool owns(int id) {
    for (int k = 0; k < world().marine.ownedCount && k < 4; ++k)
        if (world().marine.owned[k] == id) return true;
    return false;
}

int rounds(int id) {
    return world().marine.weapons[id - WeaponPistol].rounds;
}

int monstersWithin(const Vec2& at, float radius) {
    int n = 0;
    for (int i = 0; i < world().monsterCount; ++i)
        if (length(world().monsters[i].position - at) < radius) ++n;
    return n;
}

// The visible monster that would reach him first.
int pickTarget() {
    int best = -1;
    float soonest = 1e9f;
    for (int i = 0; i < world().monsterCount; ++i) {
        const Monster& m = world().monsters[i];
        if (!visible(m.position)) continue;
        float reach =
            (length(m.position - world().marine.position) - 0.1f) / std::fmax(m.speed, 1e-5f);
        if (reach < soonest) {
            best = i;
            soonest = reach;
        }
    }
    return best;
}

} // namespace

void RulesBot::begin(uint32_t seed) {
    *this = RulesBot{};
    random_.seed(seed);
    cursorX_ = world().screenWidth / 2;
    cursorY_ = world().screenHeight / 2;
}

void RulesBot::hold(Turn& turn, uint32_t vk, bool down) {
    if (held_[vk] == down) return;
    held_[vk] = down;
    turn.add(down ? MsgType::KeyDown : MsgType::KeyUp, vk);
}

void RulesBot::setLeft(Turn& turn, bool down) {
    if (left_ == down) return;
    left_ = down;
    turn.add(down ? MsgType::LButtonDown : MsgType::LButtonUp);
}

void RulesBot::setRight(Turn& turn, bool down) {
    if (right_ == down) return;
    right_ = down;
    turn.add(down ? MsgType::RButtonDown : MsgType::RButtonUp);
}

void RulesBot::releaseAll(Turn& turn) {
    for (uint32_t vk = 0; vk < 256; ++vk)
        hold(turn, vk, false);
    setLeft(turn, false);
    setRight(turn, false);
}

void RulesBot::pointAt(const Vec2& arena) {
    int halfW = world().screenWidth / 2 > 0 ? world().screenWidth / 2 : 1;
    int halfH = world().screenHeight / 2 > 0 ? world().screenHeight / 2 : 1;
    cursorX_ = static_cast<int32_t>(std::lround((arena.x + 1.0f) * static_cast<float>(halfW)));
    cursorY_ = static_cast<int32_t>(std::lround((1.0f - arena.y) * static_cast<float>(halfH)));
}

void RulesBot::act(float ms, Turn& turn) {
    sinceChoice_ += ms;
    sinceSwitch_ += ms;
    sinceSpecial_ += ms;
    if (session().input.menuShown) {
        menuStep(turn);
    } else if (world().marine.marineDead) {
        // Keys before the body has lain 2000 ms are ignored: try every half
        // second after that, and the menu comes back.
        releaseAll(turn);
        menuPhase_ = 0;
        deadFor_ += ms;
        if (deadFor_ >= 2100.0f) {
            turn.add(MsgType::KeyDown, ' ');
            turn.add(MsgType::KeyUp, ' ');
            deadFor_ = 1600.0f;
        }
    } else {
        menuPhase_ = 0;
        deadFor_ = 0.0f;
        move(turn);
        aimAndFire(turn);
        chooseWeapon(turn);
        special(turn);
    }
    turn.cursorX = cursorX_;
    turn.cursorY = cursorY_;
}

// The menu knows the hovered item once a frame has seen the cursor over
// it: point, then press, then release on later frames.
void RulesBot::menuStep(Turn& turn) {
    const HoverBox& box = menuItem(menuItemDoing(MenuAction::NewGame)).hover;
    switch (menuPhase_) {
    case 0:
        releaseAll(turn);
        pointAt(Vec2(0.5f * (box.left + box.right), 0.5f * (box.bottom + box.top)));
        break;
    case 1:
        setLeft(turn, true);
        break;
    case 2:
        setLeft(turn, false);
        ++gamesStarted;
        break;
    default:
        break;
    }
    menuPhase_ = menuPhase_ >= 6 ? 0 : menuPhase_ + 1;
}

// Looks 0.6 s ahead along each of the eight key directions and standing
// still, and takes the one that leaves the most room to the monsters
// walking at him, away from the border, toward a bonus when it is safe.
void RulesBot::move(Turn& turn) {
    static const int kDirs[9][2] = {{0, 0},  {0, 1},   {1, 1},  {1, 0}, {1, -1},
                                    {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    constexpr float kHorizon = 600.0f;
    const Vec2 p = world().marine.position;

    float nearest = 1e9f;
    for (int i = 0; i < world().monsterCount; ++i)
        nearest =
            std::fmin(nearest, length(world().monsters[i].position - p) - world().monsters[i].size);
    bool run = nearest < 0.2f && world().marine.runPower > 10.0f;
    float speed = (run ? 0.4f : 0.2f) * (world().marine.fastSpeed ? 2.0f : 1.0f) * 0.001f;

    // A bonus is worth a walk, a new gun (or health when hurt) a long one.
    int bonus = -1;
    bool wantedMost = false;
    float bestWorth = 1e9f;
    for (int b = 0; b < world().bonusCount; ++b) {
        const Bonus& it = world().bonuses[b];
        bool gun = it.kind >= BonusAK && it.kind <= BonusGrenadeGun &&
                   !owns(WeaponAK + (it.kind - BonusAK));
        bool wanted = gun || (it.kind == BonusHealth && world().marine.health < 70.0f);
        float dist = length(it.position - p);
        if (dist > (wanted ? 2.0f : 0.7f) || monstersWithin(it.position, 0.12f) > 0) continue;
        float worth = dist - (wanted ? 1.0f : 0.0f);
        if (worth < bestWorth) {
            bonus = b;
            wantedMost = wanted;
            bestWorth = worth;
        }
    }
    float bonusDist = bonus >= 0 ? length(world().bonuses[bonus].position - p) : 0.0f;

    int best = 0;
    float bestScore = -1e9f;
    for (int c = 0; c < 9; ++c) {
        Vec2 d(static_cast<float>(kDirs[c][0]), static_cast<float>(kDirs[c][1]));
        if (c > 0) d = d / length(d);
        Vec2 q = p + d * (speed * kHorizon);
        q.x = clampUnit(q.x);
        q.y = clampUnit(q.y);
        float room = 1.0f;
        for (int i = 0; i < world().monsterCount; ++i) {
            const Monster& m = world().monsters[i];
            room = std::fmin(room, length(q - m.position) - m.speed * kHorizon - m.size);
        }
        float wall = std::fmin(1.0f - std::fabs(q.x), 1.0f - std::fabs(q.y));
        float score = room - std::fmax(0.0f, 0.35f - wall) * 0.5f;
        if (bonus >= 0 && room > (wantedMost ? 0.05f : 0.15f))
            score += (wantedMost ? 2.0f : 0.6f) *
                     (bonusDist - length(world().bonuses[bonus].position - q));
        if (c == moveChoice_) score += 0.02f; // no dithering between equals
        if (score > bestScore) {
            bestScore = score;
            best = c;
        }
    }
    moveChoice_ = best;
    hold(turn, 'W', kDirs[best][1] > 0);
    hold(turn, 'S', kDirs[best][1] < 0);
    hold(turn, 'D', kDirs[best][0] > 0);
    hold(turn, 'A', kDirs[best][0] < 0);
    hold(turn, VkShift, best != 0 && run);
}

void RulesBot::aimAndFire(Turn& turn) {
    const Vec2 p = world().marine.position;
    // Follow the chosen monster: the nearest of its size to where it was.
    if (hasTarget_) {
        int found = -1;
        float bestDist = 0.15f;
        for (int i = 0; i < world().monsterCount; ++i) {
            if (world().monsters[i].size != targetSize_) continue;
            float dist = length(world().monsters[i].position - targetAt_);
            if (dist < bestDist) {
                found = i;
                bestDist = dist;
            }
        }
        if (found >= 0) {
            targetAt_ = world().monsters[found].position;
        } else {
            hasTarget_ = false; // it died: a moment to find the next one
            sinceChoice_ = 0.0f;
        }
    }
    // A quarter second to choose again, and a new aim error each time.
    if (sinceChoice_ >= 250.0f) {
        sinceChoice_ = 0.0f;
        int t = pickTarget();
        if (t >= 0) {
            hasTarget_ = true;
            targetSize_ = world().monsters[t].size;
            targetAt_ = world().monsters[t].position;
            // One draw at a time: the order of a call's arguments is the
            // compiler's choice.
            float dx = (static_cast<float>(random_.next()) - 16384.0f) / 16384.0f * 0.04f;
            float dy = (static_cast<float>(random_.next()) - 16384.0f) / 16384.0f * 0.04f;
            aimOffset_ = Vec2(dx, dy);
        }
    }
    if (!hasTarget_) {
        setLeft(turn, false);
        return;
    }
    Vec2 toTarget = targetAt_ + aimOffset_ - p;
    float dist = length(toTarget);
    if (dist < 1e-6f) {
        setLeft(turn, false);
        return;
    }
    // The cursor far out along the aim: a pixel then turns the aim least.
    Vec2 dir = toTarget / dist;
    float reach = 1.2f;
    constexpr float kEdge = 0.98f;
    if (dir.x > 1e-6f) reach = std::fmin(reach, (kEdge - p.x) / dir.x);
    if (dir.x < -1e-6f) reach = std::fmin(reach, (-kEdge - p.x) / dir.x);
    if (dir.y > 1e-6f) reach = std::fmin(reach, (kEdge - p.y) / dir.y);
    if (dir.y < -1e-6f) reach = std::fmin(reach, (-kEdge - p.y) / dir.y);
    reach = std::fmax(reach, 0.05f);
    Vec2 point = p + dir * reach;
    pointAt(Vec2(clampUnit(point.x), clampUnit(point.y)));
    // Fires once the gun has come round: the aim within a cone of the target.
    float aimLength = length(world().marine.aim);
    bool onTarget = aimLength > 1e-6f && world().marine.aim.dot(dir) > 0.9f * aimLength;
    setLeft(turn, onTarget);
}

void RulesBot::chooseWeapon(Turn& turn) {
    if (sinceSwitch_ < 300.0f) return;
    const int current = WeaponPistol + world().marine.currentWeapon;
    const Vec2 p = world().marine.position;
    float near = hasTarget_ ? length(targetAt_ - p) : 1e9f;
    int crowd = hasTarget_ ? monstersWithin(targetAt_, 0.2f) : 0;
    int primary = owns(WeaponAK) ? WeaponAK : WeaponPistol;

    int want = primary;
    if (owns(WeaponGrenadeGun) && rounds(WeaponGrenadeGun) > 0 && near > 0.3f && near < 1.2f &&
        (crowd >= 3 || targetSize_ >= 0.1f)) {
        want = WeaponGrenadeGun;
    } else if (owns(WeaponShotGun) && rounds(WeaponShotGun) > 0 && near < 0.35f) {
        want = WeaponShotGun;
    } else if (rounds(primary) <= 0 && near < 0.3f) {
        // The main gun is reloading and a monster is close: anything loaded.
        for (int id : {WeaponShotGun, WeaponAK, WeaponPistol, WeaponGrenadeGun})
            if (owns(id) && rounds(id) > 0) {
                want = id;
                break;
            }
    } else if (monstersWithin(p, 0.6f) == 0) {
        // A calm moment: reload whatever ran dry (only the gun in hand reloads).
        for (int id : {WeaponAK, WeaponShotGun, WeaponGrenadeGun, WeaponPistol})
            if (owns(id) && rounds(id) <= 0) {
                want = rounds(current) <= 0 ? current : id;
                break;
            }
    }
    if (want != current) {
        uint32_t key = static_cast<uint32_t>('1' + (want - WeaponPistol));
        turn.add(MsgType::KeyDown, key);
        turn.add(MsgType::KeyUp, key);
        sinceSwitch_ = 0.0f;
    }
}

void RulesBot::special(Turn& turn) {
    int around = monstersWithin(world().marine.position, 0.15f);
    bool throwIt = world().score >= 100 && sinceSpecial_ >= 1000.0f &&
                   (around >= 4 || (around >= 2 && world().marine.health < 35.0f));
    if (throwIt) sinceSpecial_ = 0.0f;
    setRight(turn, throwIt);
}

} // namespace checksums
