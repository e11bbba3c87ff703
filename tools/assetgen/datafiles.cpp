// Settings.ini and the monster, bullet and particle templates. The numbers are written
// as literal text so that the files never depend on how a machine formats floats.
#include "assets.h"
#include "writers.h"

namespace {

// name, score, then damage health size speed attackInterval
struct MonsterRow {
    const char* name;
    const char* numbers;
    const char* texture;
};

const MonsterRow kMonsters[] = {
    // Zombies: slow and tough, they hit hard when they arrive.
    {"MonsterZombieSmall", "15\n5.0 40.0 0.05 0.00009 800.0", "Textures/Zombie.bmp"},
    {"MonsterZombieMedium", "35\n9.0 95.0 0.09 0.00007 900.0", "Textures/Zombie.bmp"},
    {"MonsterZombieLarge", "80\n14.0 200.0 0.15 0.00006 1000.0", "Textures/Zombie.bmp"},
    // Teeth: fast and fragile, biting often but lightly.
    {"MonsterToothSmall", "10\n3.5 18.0 0.04 0.00024 350.0", "Textures/Tooth.bmp"},
    {"MonsterToothMedium", "25\n5.0 40.0 0.065 0.0002 400.0", "Textures/Tooth.bmp"},
    {"MonsterToothLarge", "60\n8.0 85.0 0.1 0.00017 450.0", "Textures/Tooth.bmp"},
    // Minds: in between.
    {"MonsterMindSmall", "12\n4.0 28.0 0.045 0.00014 600.0", "Textures/Mind.bmp"},
    {"MonsterMindMedium", "30\n7.0 65.0 0.075 0.00011 700.0", "Textures/Mind.bmp"},
    {"MonsterMindLarge", "70\n10.0 140.0 0.12 0.00008 800.0", "Textures/Mind.bmp"},
};

// name, then trail scores spread, then damage speed
const char* const kBullets[][2] = {
    {"BulletPistol", "0 1 2\n30.0 0.005"},
    {"BulletAK", "0 1 6\n20.0 0.006"},
    {"BulletShotGun", "0 1 14\n14.0 0.0045"},
    {"BulletGrenadeGun", "1 1 2\n60.0 0.002"},
    {"BulletGrenadeGunExplosion", "0 1 360\n12.0 0.003"},
    {"BulletCirclePlayer", "0 1 1\n50.0 0.004"},
};

// name, spread, then life decay speed damping red green blue
const char* const kParticles[][2] = {
    {"ParticlePistol", "60\n0.9 0.004 0.0004 1.05 0.95 0.9 0.75"},
    {"ParticleSparkRocket", "50\n0.9 0.0028 0.0004 1.04 1.0 0.55 0.12"},
    {"ParticleShot", "20\n1.0 0.007 0.0012 1.08 1.0 0.92 0.3"},
};

} // namespace

bool writeDataFiles(const std::string& dir) {
    // Windowed 1024x768x32; no FPS counter. The spawn interval falls from 1000 ms to 750 ms
    // (Medium monsters join) in 83 s, to 500 ms (Large ones join) in 167 s and to 0 in
    // 333 s. With the monsters above a decent player lasts about 3.5 minutes
    // (docs/DIFFICULTY.md).
    if (!writeText(dir + "/Settings.ini", "0 1024 768 32 0.003 0\n")) return false;
    if (!makeDirs(dir + "/Monsters") || !makeDirs(dir + "/Bullets") ||
        !makeDirs(dir + "/Particles"))
        return false;
    for (const MonsterRow& m : kMonsters) {
        std::string text = std::string(m.name) + "\n" + m.numbers + "\n" + m.texture + "\n";
        if (!writeText(dir + "/Monsters/" + m.name + ".mst", text)) return false;
    }
    for (const auto& b : kBullets)
        if (!writeText(dir + "/Bullets/" + b[0] + ".blt", std::string(b[0]) + "\n" + b[1] + "\n"))
            return false;
    for (const auto& p : kParticles)
        if (!writeText(dir + "/Particles/" + p[0] + ".prt", std::string(p[0]) + "\n" + p[1] + "\n"))
            return false;
    return true;
}
