#include "game/projectiles/bullet_templates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/world/effects.h"

BulletTemplate bulletTemplates[kMaxBulletTemplates];
int bulletTemplateCount = 0;

namespace {

void reportBadFile(const char* path) {
    char text[512];
    std::snprintf(text, sizeof(text), "Bad bullet file: %s", path);
    reportProblem(text, "Error");
}

// Reads name, trail, scores, spread, damage and speed. False when the file
// ends early, does not match, or holds a name longer than 255 characters.
bool readTemplate(std::FILE* file, BulletTemplate& out) {
    char name[256] = {};
    if (std::fscanf(file, "%255s", name) != 1) return false;
    if (std::strlen(name) == 255) {
        // The conversion stops at 255; anything glued on means a longer name.
        int next = std::fgetc(file);
        if (next != EOF && !std::isspace(next)) return false;
    }

    int trail = 0;
    int scores = 0;
    int spread = 0;
    if (std::fscanf(file, "%i %i %i", &trail, &scores, &spread) != 3) return false;

    float damage = 0.0f;
    float speed = 0.0f;
    if (std::fscanf(file, "%f %f", &damage, &speed) != 2) return false;
    // "nan" and "inf" read as numbers but would leave bullets that never
    // leave the arena.
    if (!std::isfinite(damage) || !std::isfinite(speed)) return false;

    out = BulletTemplate{};
    std::memcpy(out.name, name, sizeof(name));
    out.trail = trail != 0;
    out.scores = scores != 0;
    out.spread = spread;
    out.damage = damage;
    out.speed = speed;
    return true;
}

} // namespace

void loadBulletTemplate(const char* path) {
    // The game loads six; a full table leaves any further file alone.
    if (bulletTemplateCount < 0 || bulletTemplateCount >= kMaxBulletTemplates) return;

    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        reportProblem("File not found", "Error");
        return;
    }
    BulletTemplate loaded;
    bool ok = readTemplate(file, loaded);
    std::fclose(file);
    if (!ok) {
        reportBadFile(path);
        return;
    }
    bulletTemplates[bulletTemplateCount] = loaded;
    ++bulletTemplateCount;
}

int findBulletTemplate(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < bulletTemplateCount; ++i)
        if (std::strcmp(bulletTemplates[i].name, name) == 0) return i;
    return -1;
}
