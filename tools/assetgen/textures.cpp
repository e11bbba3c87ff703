// The bitmap manifest: file names and the pictures that fill them.
#include "assets.h"
#include "sprites.h"
#include "writers.h"

bool writeTextures(const std::string& dir) {
    if (!makeDirs(dir)) return false;
    struct Entry {
        const char* name;
        Image8 (*make)();
    };
    const Entry entries[] = {
        {"Marine.bmp", makeMarine},
        {"MarineBlur.bmp", makeMarineBlur},
        {"MarineDead.bmp", makeMarineDead},
        {"Zombie.bmp", makeZombie},
        {"Mind.bmp", makeMind},
        {"Tooth.bmp", makeTooth},
        {"Zombie_Dead.bmp", makeZombieDead},
        {"Mind_Dead.bmp", makeMindDead},
        {"Tooth_Dead.bmp", makeToothDead},
        {"Blood.bmp", makeBlood},
        {"Spot_Explosion.bmp", makeSpotExplosion},
        {"Explosion.bmp", makeExplosion},
        {"Bonus.bmp", makeBonus},
        {"Cell.bmp", makeCell},
        {"QuorvexLogo.bmp", makeLogo},
    };
    for (const Entry& e : entries)
        if (!writeBmp(dir + "/" + e.name, e.make())) return false;
    return true;
}
