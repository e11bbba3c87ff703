#include "render/texture_bank.h"

#include <GL/gl.h>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "render/bmp.h"
#include "math/rng.h"

TextureBank textureBank;

int TextureBank::find(const char* name) const {
    for (int i = 0; i < count_; ++i)
        if (std::strcmp(entries_[i].name, name) == 0) return i;
    return -1;
}

int TextureBank::slotFor(const char* name) const {
    int index = find(name);
    return index < 0 ? 0 : entries_[index].slot;
}

void TextureBank::bindSlot(int slot) const {
    if (slot < 0 || slot >= kMaxSlots) slot = 0;
    glBindTexture(GL_TEXTURE_2D, names_[slot]);
}

void TextureBank::bindByName(const char* name) const {
    int index = find(name);
    if (index >= 0) bindSlot(entries_[index].slot);
}

int TextureBank::addEntry(const char* name) {
    if (count_ >= kMaxEntries || slotCounter_ + 1 >= kMaxSlots) return 0;
    ++slotCounter_;
    Entry& entry = entries_[count_++];
    entry.slot = slotCounter_;
    std::strncpy(entry.name, name, sizeof(entry.name) - 1);
    entry.name[sizeof(entry.name) - 1] = '\0';
    return slotCounter_;
}

void TextureBank::loadBitmap(const char* path) {
    BmpImage image;
    bool loaded = loadBmp(path, image);
    int slot = addEntry(path);
    // A bitmap that failed keeps its entry with no texture behind it, so
    // whatever asks for it later binds nothing rather than something else.
    if (slot == 0 || !loaded) return;

    std::vector<uint8_t> rgba(static_cast<size_t>(image.width) * image.height * 4);
    const uint8_t* src = image.pixels.data();
    for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
        uint8_t r = src[i * 3], g = src[i * 3 + 1], b = src[i * 3 + 2];
        rgba[i * 4] = r;
        rgba[i * 4 + 1] = g;
        rgba[i * 4 + 2] = b;
        rgba[i * 4 + 3] = (r | g | b) ? 255 : 0; // pure black is transparent
    }
    glGenTextures(1, &names_[slot]);
    glBindTexture(GL_TEXTURE_2D, names_[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
}

void TextureBank::createGrass(const char* name) {
    int slot = addEntry(name);
    if (slot == 0) return;
    rng.seed(platform::tickCount());
    int scheme = rng.next() % 3;
    constexpr int kSide = 512;
    std::vector<uint8_t> texels(kSide * kSide * 3);
    for (int i = 0; i < kSide * kSide; ++i) {
        int value = rng.next();
        uint8_t r = 0, g = 0, b = 0;
        if (scheme == 0) {
            g = static_cast<uint8_t>(value % 50 + 25);
        } else {
            uint8_t v = static_cast<uint8_t>(value % 100 + 50);
            r = g = v;
            b = scheme == 2 ? v : 0;
        }
        texels[i * 3] = r;
        texels[i * 3 + 1] = g;
        texels[i * 3 + 2] = b;
    }
    glGenTextures(1, &names_[slot]);
    glBindTexture(GL_TEXTURE_2D, names_[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kSide, kSide, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 texels.data());
}

void TextureBank::clear() {
    for (int slot = 1; slot <= slotCounter_; ++slot)
        if (names_[slot] != 0) glDeleteTextures(1, &names_[slot]);
    for (uint32_t& name : names_)
        name = 0;
    slotCounter_ = 0;
    count_ = 0;
}

void drawTexturedRect(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x0, y0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x0, y1);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(x1, y1);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(x1, y0);
    glEnd();
}

void drawGround() {
    glEnable(GL_TEXTURE_2D);
    textureBank.bindSlot(textureBank.slotFor("GreenGrass"));
    glColor3f(1.0f, 1.0f, 1.0f);
    drawTexturedRect(-1.0f, -1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
}
