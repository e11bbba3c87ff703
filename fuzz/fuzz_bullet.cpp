// The bullet template reader on arbitrary file contents: it adds at most one
// template, or says why not in a box; names stay terminated.
#include <cmath>

#include "fuzz/fuzz_file.h"
#include "game/projectiles/bullet_templates.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietBoxes();
    const char* path = fuzz::writeInput(data, size, ".blt");
    bulletTemplateCount = 0;
    loadBulletTemplate(path);

    if (bulletTemplateCount < 0 || bulletTemplateCount > 1)
        fuzz::fail("one file gave other than zero or one template");
    if (bulletTemplateCount == 1) {
        const BulletTemplate& t = bulletTemplates[0];
        if (!fuzz::terminated(t.name, sizeof(t.name))) fuzz::fail("name not terminated");
        if (!std::isfinite(t.damage) || !std::isfinite(t.speed))
            fuzz::fail("template holds a number that is not finite");
        if (findBulletTemplate(t.name) != 0) fuzz::fail("loaded template not found by name");
        if (!platform::test::boxes().empty()) fuzz::fail("box shown for a file that loaded");
    } else if (platform::test::boxes().empty()) {
        fuzz::fail("file refused without a box");
    }
    return 0;
}
