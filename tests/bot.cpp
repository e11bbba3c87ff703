#include "bot.h"

#include <cmath>

#include "app/frame.h"
#include "app/input.h"
#include "audio/sound_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "harness.h"
#include "platform/platform.h"
#include "session/session.h"

namespace bot {
namespace {

constexpr float kPi = 3.14159265f;

float length(const Vec2& v) {
    return std::sqrt(v.dot(v));
}

float wrap(float a) {
    while (a > kPi)
        a -= 2.0f * kPi;
    while (a < -kPi)
        a += 2.0f * kPi;
    return a;
}

float angleOf(const Vec2& v) {
    return std::atan2(v.y, v.x);
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

} // namespace

int templateOf(int monsterIndex) {
    const Monster& m = world().monsters[monsterIndex];
    for (int t = 0; t < templateCount; ++t)
        if (monsterTemplates[t].texture == m.texture && monsterTemplates[t].size == m.size)
            return t;
    return -1;
}

void Player::begin(const Skill& skill, uint32_t seed) {
    Tally fresh;
    tally = fresh;
    skill_ = skill;
    random_.seed(seed);
    for (bool& h : held_)
        h = false;
    left_ = right_ = false;
    menuPhase_ = 0;
    moveChoice_ = 0;
    deadFor_ = 0.0f;
    keyAfterDeath_ = false;
    hasTarget_ = false;
    sinceChoice_ = sinceSwitch_ = sinceSpecial_ = 1e9f;
    aimAngle_ = 0.5f * kPi;
    seenCount_ = 0;
    seenMarineHealth_ = world().marine.health;
    seenDead_ = world().marine.marineDead;
    seenBonuses_ = static_cast<int>(soundPlayCount[SoundPickUp]);
    seenSpecials_ = soundPlayCount[SoundSpecial];
    gamesStarted = 0;
}

void Player::hold(uint32_t vk, bool down) {
    if (held_[vk] == down) return;
    held_[vk] = down;
    if (down)
        harness::keyDown(vk);
    else
        harness::keyUp(vk);
}

void Player::setLeft(bool down) {
    if (left_ == down) return;
    left_ = down;
    if (down)
        harness::leftDown();
    else
        harness::leftUp();
}

void Player::setRight(bool down) {
    if (right_ == down) return;
    right_ = down;
    if (down)
        harness::rightDown();
    else
        harness::rightUp();
}

void Player::releaseAll() {
    for (uint32_t vk = 0; vk < 256; ++vk)
        hold(vk, false);
    setLeft(false);
    setRight(false);
}

void Player::act(float ms) {
    sinceChoice_ += ms;
    sinceSwitch_ += ms;
    sinceSpecial_ += ms;

    if (session().input.menuShown) {
        menuStep();
        return;
    }
    menuPhase_ = 0;

    if (world().marine.marineDead) {
        // Anything pressed before the body has lain 2000 ms is ignored:
        // try again every half second.
        releaseAll();
        deadFor_ += ms;
        if (restartGames && deadFor_ >= 2100.0f) {
            harness::key(' ');
            deadFor_ = 1600.0f;
        }
        return;
    }
    deadFor_ = 0.0f;

    move(ms);
    aimAndFire(ms);
    chooseWeapon(ms);
    special(ms);
}

// The menu finds the hovered item while it draws: point, then press, then
// release on later frames.
void Player::menuStep() {
    if (!restartGames) return;
    switch (menuPhase_) {
    case 0:
        releaseAll();
        harness::cursorArena(0.35f, -0.07f);
        break;
    case 1:
        setLeft(true);
        break;
    case 2:
        setLeft(false);
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
void Player::move(float /*ms*/) {
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
    bool bonusWanted = false;
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
            bonusWanted = wanted;
            bestWorth = worth;
        }
    }
    float bonusDist = bonus >= 0 ? length(world().bonuses[bonus].position - p) : 0.0f;

    int best = 0;
    float bestScore = -1e9f;
    for (int c = 0; c < 9; ++c) {
        Vec2 d(static_cast<float>(kDirs[c][0]), static_cast<float>(kDirs[c][1]));
        if (c > 0) d = d / length(d);
        Vec2 q = p + d * speed * kHorizon;
        q.x = std::fmax(-1.0f, std::fmin(1.0f, q.x));
        q.y = std::fmax(-1.0f, std::fmin(1.0f, q.y));
        float room = 1.0f;
        for (int i = 0; i < world().monsterCount; ++i) {
            const Monster& m = world().monsters[i];
            float gap = length(q - m.position) - m.speed * kHorizon - m.size;
            room = std::fmin(room, gap);
        }
        float wall = std::fmin(1.0f - std::fabs(q.x), 1.0f - std::fabs(q.y));
        float score = room - std::fmax(0.0f, 0.35f - wall) * 0.5f;
        if (bonus >= 0 && room > (bonusWanted ? 0.05f : 0.15f))
            score += (bonusWanted ? 2.0f : 0.6f) *
                     (bonusDist - length(world().bonuses[bonus].position - q));
        if (c == moveChoice_) score += 0.02f; // no dithering between equals
        if (score > bestScore) {
            bestScore = score;
            best = c;
        }
    }
    moveChoice_ = best;
    hold('W', kDirs[best][1] > 0);
    hold('S', kDirs[best][1] < 0);
    hold('D', kDirs[best][0] > 0);
    hold('A', kDirs[best][0] < 0);
    hold(VkShift, best != 0 && run);
}

// The visible monster that would reach him first.
int Player::pickTarget() const {
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

void Player::aimAndFire(float ms) {
    const Vec2 p = world().marine.position;

    // Follow the chosen monster: the nearest of its look to where it was.
    if (hasTarget_) {
        int found = -1;
        float bestDist = 0.15f;
        for (int i = 0; i < world().monsterCount; ++i) {
            const Monster& m = world().monsters[i];
            if (m.texture != targetTexture_ || m.size != targetSize_) continue;
            float dist = length(m.position - targetAt_);
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
    if (sinceChoice_ >= skill_.reactionMs) {
        sinceChoice_ = 0.0f;
        int t = pickTarget();
        if (t >= 0) {
            bool same = hasTarget_ && length(world().monsters[t].position - targetAt_) < 1e-6f;
            hasTarget_ = true;
            targetTexture_ = world().monsters[t].texture;
            targetSize_ = world().monsters[t].size;
            targetAt_ = world().monsters[t].position;
            if (!same && skill_.aimNoise > 0.0f) {
                // Box-Muller on the bot's own numbers, never the game's.
                float u1 = (static_cast<float>(random_.next()) + 0.5f) / 32768.0f;
                float u2 = (static_cast<float>(random_.next()) + 0.5f) / 32768.0f;
                noise_ =
                    skill_.aimNoise * std::sqrt(-2.0f * std::log(u1)) * std::cos(2.0f * kPi * u2);
            } else if (!same) {
                noise_ = 0.0f;
            }
        }
    }

    float trueAngle = aimAngle_;
    float dist = 0.0f;
    if (hasTarget_) {
        trueAngle = angleOf(targetAt_ - p);
        dist = length(targetAt_ - p);
        float turn = wrap(trueAngle + noise_ - aimAngle_);
        float most = skill_.aimSpeed * ms * 0.001f;
        aimAngle_ = wrap(aimAngle_ + std::fmax(-most, std::fmin(most, turn)));
    }

    // The cursor far out along the aim: a pixel then turns the aim least.
    Vec2 dir(std::cos(aimAngle_), std::sin(aimAngle_));
    float reach = 1.2f;
    constexpr float kEdge = 0.98f;
    if (dir.x > 1e-6f) reach = std::fmin(reach, (kEdge - p.x) / dir.x);
    if (dir.x < -1e-6f) reach = std::fmin(reach, (-kEdge - p.x) / dir.x);
    if (dir.y > 1e-6f) reach = std::fmin(reach, (kEdge - p.y) / dir.y);
    if (dir.y < -1e-6f) reach = std::fmin(reach, (-kEdge - p.y) / dir.y);
    reach = std::fmax(reach, 0.05f);
    Vec2 point = p + dir * reach;
    harness::cursorArena(std::fmax(-1.0f, std::fmin(1.0f, point.x)),
                         std::fmax(-1.0f, std::fmin(1.0f, point.y)));

    bool fire = false;
    if (hasTarget_ && dist > 1e-6f) {
        float allowed = skill_.fireCone + std::atan(targetSize_ / dist);
        float cursorError = std::fabs(wrap(aimAngle_ - trueAngle));
        float gunError = std::fabs(wrap(angleOf(world().marine.aim) - trueAngle));
        fire = cursorError < allowed && gunError < allowed + 0.1f;
    }
    setLeft(fire);
}

void Player::chooseWeapon(float /*ms*/) {
    if (sinceSwitch_ < 300.0f) return;
    const int current = WeaponPistol + world().marine.currentWeapon;
    const Vec2 p = world().marine.position;
    float near = hasTarget_ ? length(targetAt_ - p) : 1e9f;
    int crowd = hasTarget_ ? monstersWithin(targetAt_, 0.2f) : 0;
    int primary = owns(WeaponAK) ? WeaponAK : WeaponPistol;

    int want = primary;
    if (owns(WeaponGrenadeGun) && rounds(WeaponGrenadeGun) > 0 && near > 0.3f && near < 1.2f &&
        (crowd >= 3 || targetSize_ >= 0.1f))
        want = WeaponGrenadeGun;
    else if (owns(WeaponShotGun) && rounds(WeaponShotGun) > 0 && near < 0.35f)
        want = WeaponShotGun;
    else if (rounds(primary) <= 0 && near < 0.3f) {
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
        harness::key(static_cast<uint32_t>('1' + (want - WeaponPistol)));
        sinceSwitch_ = 0.0f;
    }
}

void Player::special(float /*ms*/) {
    int around = monstersWithin(world().marine.position, 0.15f);
    bool throwIt = world().score >= 100 && sinceSpecial_ >= 1000.0f &&
                   (around >= 4 || (around >= 2 && world().marine.health < 35.0f));
    if (throwIt) sinceSpecial_ = 0.0f;
    setRight(throwIt);
}

void Player::observe() {
    // Nothing is killed before the clock starts; a new game empties the
    // pool with the clock at 0.
    if (world().gameTime > 0.0f) {
        int j = 0;
        for (int i = 0; i < seenCount_; ++i) {
            // Removal keeps the order, so a monster still there is the next
            // one of its kind, no healthier, not far from where it was.
            if (j < world().monsterCount && templateOf(j) == seenTemplate_[i] &&
                world().monsters[j].health <= seenHealth_[i] + 1e-3f &&
                length(world().monsters[j].position - seenAt_[i]) < 0.5f) {
                ++j;
            } else if (seenTemplate_[i] >= 0) {
                ++tally.kills[seenTemplate_[i]];
            }
        }
    }

    // Who hit him: the monsters beside him whose attack clock just restarted.
    float lost = seenMarineHealth_ - world().marine.health;
    if (!seenDead_ && lost > 0.0f) {
        int last = -1;
        for (int i = 0; i < world().monsterCount; ++i) {
            const Monster& m = world().monsters[i];
            if (m.attackTimer != 0.0f || length(m.position - world().marine.position) > 0.13f)
                continue;
            int t = templateOf(i);
            if (t < 0) continue;
            tally.damage[t] += m.damage;
            last = t;
        }
        if (world().marine.marineDead && last >= 0) tally.killer = last;
    }
    tally.bonuses += static_cast<int>(soundPlayCount[SoundPickUp]) - seenBonuses_;
    seenBonuses_ = static_cast<int>(soundPlayCount[SoundPickUp]);
    tally.specials += static_cast<int>(soundPlayCount[SoundSpecial] - seenSpecials_);
    seenSpecials_ = soundPlayCount[SoundSpecial];

    seenCount_ = world().monsterCount;
    for (int i = 0; i < world().monsterCount; ++i) {
        seenTemplate_[i] = templateOf(i);
        seenHealth_[i] = world().monsters[i].health;
        seenAt_[i] = world().monsters[i].position;
    }
    seenMarineHealth_ = world().marine.health;
    seenDead_ = world().marine.marineDead;
}

} // namespace bot
