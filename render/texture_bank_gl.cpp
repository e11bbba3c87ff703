#include "render/texture_bank_gl.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draw/texture_bank.h"
#include "math/rng.h"
#include "platform/platform.h"
#include "render/bmp.h"
#include "render/gl_api.h"
#include "render/texture_atlas.h"

namespace render {
namespace {

SlotPicture slots[TextureBank::kMaxSlots];
SlotPicture white;
SlotPicture spot;
// Textures made here: the atlas, the ground and any picture too large.
std::vector<GLuint> made;
uint32_t madeContext = 0; // the context they live in
GLuint atlasTexture = 0;
GLuint ownTextures[TextureBank::kMaxSlots] = {};

GLuint upload(GLint format, int width, int height, const uint8_t* pixels, bool repeat) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint internal = format == GL_RGB ? GL_RGB8 : GL_RGBA8;
    glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, static_cast<GLenum>(format),
                 GL_UNSIGNED_BYTE, pixels);
    made.push_back(name);
    return name;
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

Picture takePicture(const char* path) {
    for (Picture& ready : readAhead)
        if (ready.path == path) return std::move(ready);
    return readPicture(path);
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
    if (ownTextures[slot] != 0) {
        glDeleteTextures(1, &ownTextures[slot]);
        for (GLuint& name : made)
            if (name == ownTextures[slot]) name = 0;
    }
    // Drawn with coordinates far beyond 0..1: it keeps the repeating wrap.
    ownTextures[slot] = upload(GL_RGB, kSide, kSide, texels.data(), true);
    slots[slot] = SlotPicture{ownTextures[slot], 0.0f, 0.0f, 1.0f, 1.0f};
}

// The picture at (x, y) of the atlas, in texture coordinates.
SlotPicture inAtlas(const TextureAtlas& atlas, int x, int y, int width, int height) {
    const float w = static_cast<float>(atlas.width);
    const float h = static_cast<float>(atlas.height);
    return SlotPicture{atlasTexture, x / w, y / h, (x + width) / w, (y + height) / h};
}

GLint maxTextureSide() {
    GLint side = 2048;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : 2048;
}

} // namespace

void readPicturesAhead(const char* const* paths, int count) {
    readAhead.clear();
    for (int i = 0; i < count; ++i)
        readAhead.push_back(readPicture(paths[i]));
}

void loadTextures(int groundScheme, Rng& random) {
    // What an earlier context held went with it; what this one holds is
    // made anew.
    if (madeContext == platform::contextSerial())
        clearTextures();
    else
        forgetTextures();
    madeContext = platform::contextSerial();
    // Every bitmap first (problems shown in the bank's order), then one atlas.
    std::vector<Picture> pictures;
    std::vector<int> pictureSlots;
    for (int i = 0; i < textureBank.entryCount(); ++i) {
        const int slot = textureBank.entrySlot(i);
        const char* name = textureBank.entryName(i);
        // The ground's speckles continue the game's random sequence, as
        // they always have.
        if (std::strcmp(name, kGroundTexture) == 0) {
            makeGround(slot, groundScheme, random);
            continue;
        }
        Picture picture = takePicture(name);
        if (picture.rgba.empty()) {
            platform::messageBox(picture.problem.c_str(), "Error");
            continue;
        }
        pictures.push_back(std::move(picture));
        pictureSlots.push_back(slot);
    }
    readAhead.clear();

    std::vector<AtlasPicture> given;
    for (const Picture& p : pictures)
        given.push_back({p.width, p.height, p.rgba.data()});
    TextureAtlas atlas;
    packAtlas(given, maxTextureSide(), atlas);
    atlasTexture = upload(GL_RGBA, atlas.width, atlas.height, nullptr, false);
    // Each picture straight from its own texels, then its border strips.
    std::vector<uint8_t> strip;
    auto put = [](int x, int y, int w, int h, const uint8_t* texels) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    };
    const int b = TextureAtlas::kBorder;
    for (size_t i = 0; i < given.size(); ++i) {
        if (!atlas.places[i].placed) continue;
        const AtlasPicture& p = given[i];
        const int x = atlas.places[i].x, y = atlas.places[i].y;
        put(x, y, p.width, p.height, p.rgba);
        wrappedRect(p, -b, -b, b, p.height + 2 * b, strip);
        put(x - b, y - b, b, p.height + 2 * b, strip.data());
        wrappedRect(p, p.width, -b, b, p.height + 2 * b, strip);
        put(x + p.width, y - b, b, p.height + 2 * b, strip.data());
        wrappedRect(p, 0, -b, p.width, b, strip);
        put(x, y - b, p.width, b, strip.data());
        wrappedRect(p, 0, p.height, p.width, b, strip);
        put(x, y + p.height, p.width, b, strip.data());
    }
    whiteTexels(strip);
    put(atlas.whiteX, atlas.whiteY, kWhiteSide, kWhiteSide, strip.data());
    spotTexels(strip);
    put(atlas.spotX - b, atlas.spotY - b, TextureAtlas::kSpot + 2 * b, TextureAtlas::kSpot + 2 * b,
        strip.data());
    white = inAtlas(atlas, atlas.whiteX + 1, atlas.whiteY + 1, 2, 2);
    spot = inAtlas(atlas, atlas.spotX, atlas.spotY, TextureAtlas::kSpot, TextureAtlas::kSpot);
    for (SlotPicture& s : slots)
        if (s.texture == 0) s = white;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const int slot = pictureSlots[i];
        const Picture& p = pictures[i];
        if (atlas.places[i].placed) {
            slots[slot] = inAtlas(atlas, atlas.places[i].x, atlas.places[i].y, p.width, p.height);
        } else {
            std::fprintf(stderr,
                         "%s: %d x %d is too large for the texture atlas; drawn from a "
                         "texture of its own\n",
                         p.path.c_str(), p.width, p.height);
            ownTextures[slot] = upload(GL_RGBA, p.width, p.height, p.rgba.data(), true);
            slots[slot] = SlotPicture{ownTextures[slot], 0.0f, 0.0f, 1.0f, 1.0f};
        }
    }
}

void remakeGround(int groundScheme) {
    int slot = textureBank.slotFor(kGroundTexture);
    if (slot <= 0) return;
    Rng own;
    own.seed(static_cast<uint32_t>(groundScheme) + 1u);
    makeGround(slot, groundScheme, own);
}

const SlotPicture& slotPicture(int slot) {
    if (slot < 0 || slot >= TextureBank::kMaxSlots) return white;
    return slots[slot].texture != 0 ? slots[slot] : white;
}

const SlotPicture& whitePicture() {
    return white;
}

const SlotPicture& spotPicture() {
    return spot;
}

uint32_t glTextureName(int slot) {
    return slot >= 0 && slot < TextureBank::kMaxSlots ? ownTextures[slot] : 0;
}

void forgetTextures() {
    made.clear();
    atlasTexture = 0;
    for (GLuint& name : ownTextures)
        name = 0;
    for (SlotPicture& s : slots)
        s = SlotPicture{};
    white = spot = SlotPicture{};
}

void clearTextures() {
    if (madeContext == platform::contextSerial())
        for (GLuint name : made)
            if (name != 0) glDeleteTextures(1, &name);
    forgetTextures();
}

} // namespace render
