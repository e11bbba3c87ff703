// The shader program saved between runs: made and saved the first time,
// loaded after, made anew over another driver's or shader's file, and a
// file that is not one is moved aside, never read as one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "harness.h"
#include "platform/platform.h"
#include "render/gl_api.h"
#include "render/program_cache.h"
#include "render/shader_program.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t movedAside(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.path().filename().string().find(".bad-") != std::string::npos;
    return n;
}

} // namespace

TEST(ProgramCache, SavedOnceLoadedAfterAndMadeAnewOverWhatDoesNotFit) {
    if (!platform::createWindow("Quorvex Game", 64, 64)) GTEST_SKIP() << "no display";
    const std::string home = harness::scratchDataDir(false) + "/cache";
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string kept = before ? before : "";
    setenv("XDG_CACHE_HOME", home.c_str(), 1);
    const std::string path = render::programCachePath(render::contextIsEs());
    ASSERT_EQ(path.rfind(home + "/quorvex/", 0), 0u) << path;
    const std::string dir = home + "/quorvex";

    struct Case {
        const char* what;
        const char* fileBefore; // nullptr: leave the file as the last case left it
        render::ProgramCacheUse use;
        size_t movedAside;
    } cases[] = {
        {"no file yet", nullptr, render::ProgramCacheUse::Saved, 0},
        {"the file just saved", nullptr, render::ProgramCacheUse::Loaded, 0},
        {"another driver's file", "", render::ProgramCacheUse::Saved, 0},
        {"not a cache at all", "PNG\r\n and more", render::ProgramCacheUse::Saved, 1},
        {"a truncated one", "QVPB\x01\x01\x01\x01\xff\xff", render::ProgramCacheUse::Saved, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fileBefore != nullptr) {
            std::string text = c.fileBefore;
            if (text.empty()) {
                // A whole file of ours, for a driver that is not this one.
                text = readAll(path);
                ASSERT_GT(text.size(), 12u);
                text[12] ^= 0x20;
            }
            std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        }
        GLuint program = render::makeShaderProgram();
        ASSERT_NE(program, 0u);
        EXPECT_EQ(render::lastProgramCacheUse(), c.use);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        glDeleteProgram(program);
        EXPECT_EQ(movedAside(dir), c.movedAside);
    }
    // The file was made again each time and loads.
    GLuint program = render::makeShaderProgram();
    EXPECT_EQ(render::lastProgramCacheUse(), render::ProgramCacheUse::Loaded);
    glDeleteProgram(program);
    if (before)
        setenv("XDG_CACHE_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    platform::destroyWindow();
}
