#include "render/program_cache.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/user_files.h"
#include "render/gl_api.h"

namespace render {
namespace {

// "QVPB", a format version, the key, the driver's binary format, the binary.
constexpr char kMagic[4] = {'Q', 'V', 'P', 'B'};
constexpr uint32_t kVersion = 1;
constexpr size_t kMaxFile = 1 << 20;

void putU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i) & 0xff));
}

bool takeU32(const std::string& in, size_t& at, uint32_t& v) {
    if (in.size() - at < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    at += 4;
    return true;
}

bool binariesOffered() {
    GLint formats = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &formats);
    return formats > 0;
}

} // namespace

std::string programCachePath(bool es) {
    const std::string dir = platform::userCacheDir();
    if (dir.empty()) return "";
    return dir + (es ? "/shaders-es.bin" : "/shaders.bin");
}

bool loadCachedProgram(uint32_t program, const std::string& key, const std::string& path) {
    if (path.empty() || !binariesOffered()) return false;
    std::string file;
    if (platform::readFileLimited(path, kMaxFile, file, nullptr) != platform::ReadStatus::Ok)
        return false;
    size_t at = 4;
    uint32_t version = 0, keySize = 0, format = 0, size = 0;
    const bool readable = file.size() >= 4 && std::memcmp(file.data(), kMagic, 4) == 0 &&
                          takeU32(file, at, version) && takeU32(file, at, keySize) &&
                          file.size() - at >= keySize;
    if (!readable) {
        std::string movedTo;
        if (platform::moveAside(path, movedTo))
            std::fprintf(stderr, "%s is not a shader cache; moved to %s\n", path.c_str(),
                         movedTo.c_str());
        return false;
    }
    // Another version, driver or shader: made anew and saved over it.
    if (version != kVersion || file.compare(at, keySize, key) != 0) return false;
    at += keySize;
    if (!takeU32(file, at, format) || !takeU32(file, at, size) || file.size() - at != size)
        return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    glProgramBinary(program, format, file.data() + at, static_cast<GLsizei>(size));
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    return glGetError() == GL_NO_ERROR && linked == GL_TRUE;
}

bool saveCachedProgram(uint32_t program, const std::string& key, const std::string& path) {
    if (path.empty() || !binariesOffered()) return false;
    GLint length = 0;
    glGetProgramiv(program, GL_PROGRAM_BINARY_LENGTH, &length);
    if (length <= 0 || static_cast<size_t>(length) > kMaxFile) return false;
    std::vector<char> binary(static_cast<size_t>(length));
    GLsizei got = 0;
    GLenum format = 0;
    glGetProgramBinary(program, length, &got, &format, binary.data());
    if (got <= 0) return false;
    std::string file(kMagic, 4);
    putU32(file, kVersion);
    putU32(file, static_cast<uint32_t>(key.size()));
    file += key;
    putU32(file, format);
    putU32(file, static_cast<uint32_t>(got));
    file.append(binary.data(), static_cast<size_t>(got));
    const std::string dir = path.substr(0, path.rfind('/'));
    return platform::makePrivateDirs(dir, nullptr) &&
           platform::writeFileSafely(path, file.data(), file.size(), nullptr);
}

} // namespace render
