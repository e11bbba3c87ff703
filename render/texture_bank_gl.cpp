#include "render/texture_bank_gl.h"

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "draw/texture_bank.h"
#include "math/rng.h"
#include "platform/platform.h"
#include "render/bmp.h"

namespace render {
namespace {

uint32_t names[TextureBank::kMaxSlots] = {};

void upload(int slot, GLint format, int width, int height, const uint8_t* pixels) {
    glGenTextures(1, &names[slot]);
    glBindTexture(GL_TEXTURE_2D, names[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, static_cast<GLenum>(format),
                 GL_UNSIGNED_BYTE, pixels);
}

// A bitmap read and made ready for upload, or why it could not be.
struct Picture {
    std::string path;
    std::string problem;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

Picture readPicture(const char* path) {
    Picture picture;
    picture.path = path;
    BmpImage image;
    if (!readBmp(path, image, picture.problem)) return picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
    const uint8_t* src = image.pixels.data();
    uint8_t* rgba = picture.rgba.data();
    for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
        uint8_t r = src[i * 3], g = src[i * 3 + 1], b = src[i * 3 + 2];
        rgba[i * 4] = r;
        rgba[i * 4 + 1] = g;
        rgba[i * 4 + 2] = b;
        rgba[i * 4 + 3] = (r | g | b) ? 255 : 0; // pure black is transparent
    }
    return picture;
}

// Pictures read ahead, waiting for their upload.
std::vector<Picture> readAhead;

void loadBitmap(int slot, const char* path) {
    Picture own;
    Picture* picture = nullptr;
    for (Picture& ready : readAhead)
        if (ready.path == path) picture = &ready;
    if (!picture) {
        own = readPicture(path);
        picture = &own;
    }
    // A bitmap that failed keeps its slot with no texture behind it, so
    // whatever names it binds nothing rather than something else.
    if (picture->rgba.empty()) {
        platform::messageBox(picture->problem.c_str(), "Error");
        return;
    }
    upload(slot, GL_RGBA, picture->width, picture->height, picture->rgba.data());
    picture->rgba = std::vector<uint8_t>();
}

// The speckled ground, 512 x 512, drawn from `random`: green, grey or
// yellow-grey by scheme.
void makeGround(int slot, int scheme, Rng& random) {
    constexpr int kSide = 512;
    std::vector<uint8_t> texels(kSide * kSide * 3);
    for (int i = 0; i < kSide * kSide; ++i) {
        int value = random.next();
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
    if (names[slot] != 0) glDeleteTextures(1, &names[slot]);
    upload(slot, GL_RGB, kSide, kSide, texels.data());
}

} // namespace

void readPicturesAhead(const char* const* paths, int count) {
    readAhead.clear();
    for (int i = 0; i < count; ++i)
        readAhead.push_back(readPicture(paths[i]));
}

void loadTextures(int groundScheme) {
    for (int i = 0; i < textureBank.entryCount(); ++i) {
        int slot = textureBank.entrySlot(i);
        const char* name = textureBank.entryName(i);
        // The ground's speckles continue the game's random sequence, as
        // they always have.
        if (std::strcmp(name, kGroundTexture) == 0)
            makeGround(slot, groundScheme, rng);
        else
            loadBitmap(slot, name);
    }
    readAhead.clear();
}

void remakeGround(int groundScheme) {
    int slot = textureBank.slotFor(kGroundTexture);
    if (slot <= 0) return;
    Rng own;
    own.seed(static_cast<uint32_t>(groundScheme) + 1u);
    makeGround(slot, groundScheme, own);
}

void bindTextureSlot(int slot) {
    if (slot < 0 || slot >= TextureBank::kMaxSlots) slot = 0;
    glBindTexture(GL_TEXTURE_2D, names[slot]);
}

uint32_t glTextureName(int slot) {
    return slot >= 0 && slot < TextureBank::kMaxSlots ? names[slot] : 0;
}

void clearTextures() {
    for (uint32_t& name : names) {
        if (name != 0) glDeleteTextures(1, &name);
        name = 0;
    }
}

} // namespace render
