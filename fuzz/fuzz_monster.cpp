// The monster template reader on arbitrary file contents: it adds at most one
// template, or says why not in a box; both words stay terminated and the
// numbers finite.
#include <cmath>

#include "fuzz/fuzz_file.h"
#include "game/monsters/monster_templates.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietBoxes();
    const char* path = fuzz::writeInput(data, size, ".mst");
    templateCount = 0;
    loadMonsterTemplate(path);

    if (templateCount < 0 || templateCount > 1)
        fuzz::fail("one file gave other than zero or one template");
    if (templateCount == 1) {
        const MonsterTemplate& t = monsterTemplates[0];
        if (!fuzz::terminated(t.name, sizeof(t.name))) fuzz::fail("name not terminated");
        if (!fuzz::terminated(t.textureFile, sizeof(t.textureFile)))
            fuzz::fail("texture file not terminated");
        const float values[] = {t.damage, t.health, t.size, t.speed, t.attackInterval};
        for (float v : values)
            if (!std::isfinite(v)) fuzz::fail("template holds a number that is not finite");
        // No texture is loaded here, so every texture file is unknown.
        if (t.texture != 0) fuzz::fail("unknown texture got a slot");
        if (findMonsterTemplate(t.name) != 0) fuzz::fail("loaded template not found by name");
        if (!platform::test::boxes().empty()) fuzz::fail("box shown for a file that loaded");
    } else if (platform::test::boxes().empty()) {
        fuzz::fail("file refused without a box");
    }
    return 0;
}
