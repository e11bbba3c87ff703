#include "game/monsters/monster_templates.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "draw/texture_bank.h"
#include "game/world/effects.h"

MonsterTemplate monsterTemplates[kMaxMonsterTemplates];
int templateCount = 0;

namespace {

constexpr int kMaxWord = 255;

// Reads the next whitespace-separated word. False at the end of the file or
// for a word longer than kMaxWord, so nothing is ever cut silently.
bool readWord(std::FILE* file, char (&out)[kMaxWord + 1]) {
    int c = std::fgetc(file);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f')
        c = std::fgetc(file);
    if (c == EOF) return false;
    int length = 0;
    while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') {
        if (length == kMaxWord) return false;
        out[length++] = static_cast<char>(c);
        c = std::fgetc(file);
    }
    out[length] = '\0';
    return true;
}

// The integer notations of "%i": optional sign, decimal, 0 octal, 0x hex.
bool readInt(std::FILE* file, int32_t& out) {
    char word[kMaxWord + 1];
    if (!readWord(file, word)) return false;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(word, &end, 0);
    if (end == word || *end != '\0' || errno == ERANGE) return false;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool readFloat(std::FILE* file, float& out) {
    char word[kMaxWord + 1];
    if (!readWord(file, word)) return false;
    char* end = nullptr;
    float value = std::strtof(word, &end);
    if (end == word || *end != '\0') return false;
    // "nan" never dies and never arrives; "1e39" overflows to infinity.
    if (!std::isfinite(value)) return false;
    out = value;
    return true;
}

// Fills `t` from the file's tokens; false when any token is missing or bad.
bool parseTemplate(std::FILE* file, MonsterTemplate& t) {
    return readWord(file, t.name) && readInt(file, t.scoreValue) && readFloat(file, t.damage) &&
           readFloat(file, t.health) && readFloat(file, t.size) && readFloat(file, t.speed) &&
           readFloat(file, t.attackInterval) && readWord(file, t.textureFile);
}

} // namespace

void loadMonsterTemplate(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        reportProblem("File not found", "Error");
        return;
    }
    if (templateCount >= kMaxMonsterTemplates) {
        std::fclose(file);
        return;
    }
    // Parse into a scratch record so a bad file leaves no half-filled entry.
    MonsterTemplate t;
    bool ok = parseTemplate(file, t);
    std::fclose(file);
    if (!ok) {
        char text[320];
        std::snprintf(text, sizeof(text), "Bad monster file: %.260s", path);
        reportProblem(text, "Error");
        return;
    }
    // An unknown texture gives slot 0, which binds nothing: the monster
    // still works, it just draws untextured.
    t.texture = textureBank.slotFor(t.textureFile);
    monsterTemplates[templateCount++] = t;
}

int findMonsterTemplate(const char* name) {
    for (int i = 0; i < templateCount; ++i)
        if (std::strcmp(monsterTemplates[i].name, name) == 0) return i;
    return -1;
}
