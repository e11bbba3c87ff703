#include "game/rules/rule_data.h"

#include "draw/texture_bank.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/projectiles/bullet_templates.h"
#include "game/world/world.h"

namespace {

const char* const kTextures[] = {
    "Textures/Cell.bmp",           "Textures/Marine.bmp",     "Textures/Zombie.bmp",
    "Textures/Mind.bmp",           "Textures/Blood.bmp",      "Textures/Tooth.bmp",
    "Textures/Zombie_Dead.bmp",    "Textures/Mind_Dead.bmp",  "Textures/Tooth_Dead.bmp",
    "Textures/Spot_Explosion.bmp", "Textures/Explosion.bmp",  "Textures/Bonus.bmp",
    "Textures/QuorvexLogo.bmp",    "Textures/MarineBlur.bmp", "Textures/MarineDead.bmp",
};

const char* const kMonsters[] = {
    "Monsters/MonsterZombieSmall.mst", "Monsters/MonsterZombieMedium.mst",
    "Monsters/MonsterZombieLarge.mst", "Monsters/MonsterToothSmall.mst",
    "Monsters/MonsterToothMedium.mst", "Monsters/MonsterToothLarge.mst",
    "Monsters/MonsterMindSmall.mst",   "Monsters/MonsterMindMedium.mst",
    "Monsters/MonsterMindLarge.mst",
};

const char* const kBullets[] = {
    "Bullets/BulletPistol.blt",
    "Bullets/BulletAK.blt",
    "Bullets/BulletShotGun.blt",
    "Bullets/BulletGrenadeGun.blt",
    "Bullets/BulletGrenadeGunExplosion.blt",
    "Bullets/BulletCirclePlayer.blt",
};

const char* const kParticles[] = {
    "Particles/ParticlePistol.prt",
    "Particles/ParticleSparkRocket.prt",
    "Particles/ParticleShot.prt",
};

} // namespace

void registerTextures() {
    textureBank.add(kGroundTexture);
    for (const char* path : kTextures)
        textureBank.add(path);
}

const char* const* picturePaths(int& count) {
    count = static_cast<int>(sizeof(kTextures) / sizeof(kTextures[0]));
    return kTextures;
}

void prepareFirstGame() {
    // Effects that expire on their own shift the sprites of later monsters.
    world().spriteLayer.onExpire = lowerSpriteIndicesFrom;
    resetGame();
}

const char* loadRuleData() {
    // Each loader adds one record per file it could use.
    const char* unread = nullptr;
    for (const char* path : kMonsters) {
        int before = templateCount;
        loadMonsterTemplate(path);
        if (templateCount == before && !unread) unread = path;
    }
    for (const char* path : kBullets) {
        int before = bulletTemplateCount;
        loadBulletTemplate(path);
        if (bulletTemplateCount == before && !unread) unread = path;
    }
    for (const char* path : kParticles) {
        int before = particleTemplates.count;
        particleTemplates.load(path);
        if (particleTemplates.count == before && !unread) unread = path;
    }
    return unread;
}

const char* startRules() {
    // From nothing, even where the game's own start-up ran before (the
    // benchmark, tests): the same slots and templates as a fresh process.
    textureBank.clear();
    templateCount = 0;
    bulletTemplateCount = 0;
    particleTemplates.clear();
    registerTextures();
    prepareFirstGame();
    const char* unread = loadRuleData();
    return unread;
}

void prepareWorld() {
    prepareFirstGame();
}
