#include "app/startup.h"

#include <GL/gl.h>

#include "app/input.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/projectiles/bullet_templates.h"
#include "platform/platform.h"
#include "render/particle_layer.h"
#include "math/rng.h"
#include "render/sprite_layer.h"
#include "render/text.h"
#include "render/texture_bank.h"

namespace {

const char* const kTextures[] = {
    "Textures/Cell.bmp",           "Textures/Marine.bmp",     "Textures/Zombie.bmp",
    "Textures/Mind.bmp",           "Textures/Blood.bmp",      "Textures/Tooth.bmp",
    "Textures/Zombie_Dead.bmp",    "Textures/Mind_Dead.bmp",  "Textures/Tooth_Dead.bmp",
    "Textures/Spot_Explosion.bmp", "Textures/Explosion.bmp",  "Textures/Bonus.bmp",
    "Textures/QuorvexLogo.bmp",    "Textures/MarineBlur.bmp", "Textures/MarineDead.bmp",
};

// The order gives each sound its index for playSound.
const char* const kSounds[] = {
    "Sounds/PistolShot.wav",  "Sounds/AKShot.wav",    "Sounds/ShotGun.wav", "Sounds/GrenadeGun.wav",
    "Sounds/Damage.wav",      "Sounds/Explosion.wav", "Sounds/PickUp.wav",  "Sounds/MarineHm.wav",
    "Sounds/MarineDeath.wav", "Sounds/Special.wav",
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

void startUp() {
    rng.seed(platform::tickCount());
    platform::showCursor(false);

    int small = 15;
    int large = 30;
    if (screenWidth == 640) {
        small = 8;
        large = 18;
    } else if (screenWidth == 800) {
        small = 12;
        large = 23;
    }
    createFont("Courier new", small, small, 0);
    createFont("Courier new", large, large, 1);

    textureBank.createGrass("GreenGrass");
    for (const char* path : kTextures)
        textureBank.loadBitmap(path);

    // Effects that expire on their own shift the sprites of later monsters.
    spriteLayer.onExpire = lowerSpriteIndicesFrom;
    resetGame();

    openAudio();
    for (const char* path : kSounds)
        loadSound(path);
    for (const char* path : kMonsters)
        loadMonsterTemplate(path);
    for (const char* path : kBullets)
        loadBulletTemplate(path);
    for (const char* path : kParticles)
        particleTemplates.load(path);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    menuShown = 1;
}
