// Pick-ups dropped by killed monsters.
#pragma once

#include <cstdint>

#include "math/vec2.h"

enum BonusKind : int32_t {
    BonusFastSpeed = 200,
    BonusFastShot = 201,
    BonusAK = 202,
    BonusShotGun = 203,
    BonusGrenadeGun = 204,
    BonusHealth = 205,
    BonusSpecial = 206,
    BonusScore = 207,
    BonusMaxAmmo = 208,
};

// What the last pick-up says, as the world keeps it: which notice, never
// its words, which belong to the picture.
enum PickupNotice : int32_t {
    NoticeNone,
    NoticeFastSpeed,
    NoticeFastShot,
    NoticeAK,
    NoticeShotGun,
    NoticeGrenadeGun,
    NoticeHealth,
    NoticeSpecial,
    NoticeScore,
    NoticeMaxAmmo,
    kNoticeCount
};
// The notice's words ("" for none or a notice this build does not know),
// and the notice whose words `text` is (NoticeNone for any other text).
const char* noticeText(int notice);
int noticeFromText(const char* text);

struct Bonus {
    int32_t kind = 0;
    float age = 0.0f;
    float lifetime = 0.0f;
    float size = 0.0f;
    Vec2 position;
    Vec2 lastPosition;
    Segment edges[4];
};

constexpr int kMaxBonuses = 1024;

// Appends a bonus; a full pool drops it.
void addBonus(const Bonus& bonus);
void removeBonus(int index);
void clearBonuses();
struct World;
// The first `shown` bonuses on the ground (those dropped later in the frame
// show from the next one).
void describeBonuses(const World& w, int shown);
void updateBonuses();
void placeBonusEdges(int index);
void tryPickUpBonus(int index);
