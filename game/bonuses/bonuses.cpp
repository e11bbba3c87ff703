#include "game/bonuses/bonuses.h"

#include <cstring>

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/effects.h"
#include "game/world/world.h"

namespace {

constexpr float kWalkDivisor = 5000.0f; // plain walking: 1/5000 arena unit per ms

bool owns(int weaponId) {
    World& w = world();
    int owned = w.marine.ownedCount;
    if (owned > 4) owned = 4;
    for (int i = 0; i < owned; ++i)
        if (w.marine.owned[i] == weaponId) return true;
    return false;
}

void giveWeapon(int weaponId) {
    if (!owns(weaponId)) addWeapon(weaponId);
}

// Nothing is added when the timed bonus already runs: its clock restarts.
void startTimed(bool& running, float& time) {
    if (!running) ++world().marine.timedBonusCount;
    running = true;
    time = 0.0f;
}

// Applies the effect and returns its notice, or NoticeNone for an unknown
// kind.
PickupNotice applyEffect(int kind) {
    switch (kind) {
    case BonusFastSpeed:
        startTimed(world().marine.fastSpeed, world().marine.fastSpeedTime);
        return NoticeFastSpeed;
    case BonusFastShot:
        startTimed(world().marine.fastShot, world().marine.fastShotTime);
        return NoticeFastShot;
    case BonusAK:
        giveWeapon(WeaponAK);
        return NoticeAK;
    case BonusShotGun:
        giveWeapon(WeaponShotGun);
        return NoticeShotGun;
    case BonusGrenadeGun:
        giveWeapon(WeaponGrenadeGun);
        return NoticeGrenadeGun;
    case BonusHealth:
        world().marine.health += 20.0f;
        if (world().marine.health > 100.0f) world().marine.health = 100.0f;
        return NoticeHealth;
    case BonusSpecial:
        if (world().marine.specialCount <= 16) world().marine.specialCount *= 2;
        return NoticeSpecial;
    case BonusScore:
        world().score += 100;
        return NoticeScore;
    case BonusMaxAmmo: {
        // Works once per game: the Pistol's clip tells whether it happened.
        Weapon* w = world().marine.weapons;
        if (w[WeaponPistol - 100].clipSize == 7) {
            w[WeaponPistol - 100].clipSize = 14;
            w[WeaponAK - 100].clipSize *= 2;
            w[WeaponShotGun - 100].clipSize *= 2;
        }
        return NoticeMaxAmmo;
    }
    default:
        return NoticeNone;
    }
}

bool insideBox(const Vec2& point, const Bonus& bonus) {
    float half = 2.0f * bonus.size;
    return point.x >= bonus.position.x - half && point.x <= bonus.position.x + half &&
           point.y >= bonus.position.y - half && point.y <= bonus.position.y + half;
}

} // namespace

void addBonus(const Bonus& bonus) {
    World& w = world();
    if (w.bonusCount >= kMaxBonuses) return; // a full ground keeps what it has
    w.bonuses[w.bonusCount++] = bonus;
}

void removeBonus(int index) {
    World& w = world();
    if (index < 0 || index >= w.bonusCount) return;
    for (int i = index; i + 1 < w.bonusCount; ++i)
        w.bonuses[i] = w.bonuses[i + 1];
    --w.bonusCount;
    w.bonuses[w.bonusCount] = Bonus{};
}

void clearBonuses() {
    World& w = world();
    for (int i = 0; i < w.bonusCount; ++i)
        w.bonuses[i] = Bonus{};
    w.bonusCount = 0;
}

void placeBonusEdges(int index) {
    Bonus& bonus = world().bonuses[index];
    float h = 1.5f * bonus.size;
    float x = bonus.position.x;
    float y = bonus.position.y;
    Vec2 bottomLeft(x - h, y - h);
    Vec2 topLeft(x - h, y + h);
    Vec2 topRight(x + h, y + h);
    Vec2 bottomRight(x + h, y - h);
    bonus.edges[0] = {bottomLeft, topLeft};
    bonus.edges[1] = {topLeft, topRight};
    bonus.edges[2] = {topRight, bottomRight};
    bonus.edges[3] = {bottomRight, bottomLeft};
}

void updateBonuses() {
    World& w = world();
    for (int i = 0; i < w.bonusCount; ++i) {
        w.bonuses[i].age += w.frameDelta;
        if (w.bonuses[i].age >= w.bonuses[i].lifetime) {
            removeBonus(i);
            if (i >= w.bonusCount) break;
            // The bonus that moved into place i is not aged this frame.
        }
        Bonus& bonus = w.bonuses[i];
        // The outline is built once. A bonus dropped exactly at (0, 0)
        // starts with lastPosition equal to its position, so an outline that
        // was never built counts as a move too; else it would never show.
        bool unbuilt = bonus.edges[0].p1.x == bonus.edges[0].p2.x &&
                       bonus.edges[0].p1.y == bonus.edges[0].p2.y;
        if (bonus.lastPosition.x != bonus.position.x || bonus.lastPosition.y != bonus.position.y ||
            unbuilt)
            placeBonusEdges(i);
        bonus.lastPosition = bonus.position;
        tryPickUpBonus(i);
    }
}

void tryPickUpBonus(int index) {
    World& w = world();
    if (index < 0 || index >= w.bonusCount) return;
    const Bonus& bonus = w.bonuses[index];
    Vec2 m = w.marine.position;
    // One plain walking step ahead along his facing, also when he stands.
    Vec2 n = m + w.marine.facing * w.frameDelta / kWalkDivisor;

    bool taken = insideBox(m, bonus);
    if (!taken) {
        for (const Segment& edge : bonus.edges)
            if (segmentsCross(m, n, edge.p1, edge.p2)) taken = true;
    }
    if (!taken) return;

    const PickupNotice notice = applyEffect(bonus.kind);
    if (notice != NoticeNone) {
        w.pickupNotice = notice;
        w.pickupMessageAlpha = 1.0f;
    }
    w.score += 5;
    cueSound(SoundPickUp);
    removeBonus(index);
}

const char* noticeText(int notice) {
    // The words each pick-up shows, by notice.
    static const char* const words[kNoticeCount] = {"",
                                                    "Bonus fast speed",
                                                    "Bonus fast shot",
                                                    "Bonus AK",
                                                    "Bonus ShotGun",
                                                    "Bonus GrenadeGun",
                                                    "Bonus Health +20",
                                                    "Bonus Special 2x",
                                                    "Bonus Score +100",
                                                    "2x max ammo"};
    return notice > NoticeNone && notice < kNoticeCount ? words[notice] : "";
}

int noticeFromText(const char* text) {
    for (int i = NoticeNone + 1; i < kNoticeCount; ++i)
        if (std::strcmp(text, noticeText(i)) == 0) return i;
    return NoticeNone;
}

void describeBonuses(const World& w, int shown) {
    // An unknown name would have left the bound texture alone; there is
    // none to leave, so nothing is drawn.
    int index = textureBank.find("Textures/Bonus.bmp");
    if (index < 0) return;
    int slot = textureBank.entrySlot(index);
    for (int i = 0; i < shown && i < w.bonusCount; ++i) {
        const Segment* e = w.bonuses[i].edges;
        const Vec2 corners[4] = {e[0].p1, e[1].p1, e[2].p1, e[3].p1};
        draw::stripQuad(corners, 0.0f, 1.0f, kWhite, slot);
    }
}
