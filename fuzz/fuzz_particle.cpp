// The particle template reader on arbitrary file contents: it adds at most
// one template, with a terminated name and finite numbers.
#include <cmath>

#include "fuzz/fuzz_file.h"
#include "game/layers/particle_layer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietBoxes();
    const char* path = fuzz::writeInput(data, size, ".prt");
    particleTemplates.clear();
    particleTemplates.load(path);

    if (particleTemplates.count < 0 || particleTemplates.count > 1)
        fuzz::fail("one file gave other than zero or one template");
    if (particleTemplates.count == 1) {
        const ParticleTemplate& t = particleTemplates.templates[0];
        if (!fuzz::terminated(t.name, sizeof(t.name))) fuzz::fail("name not terminated");
        const float values[] = {t.life, t.decay, t.speed, t.damping, t.red, t.green, t.blue};
        for (float v : values)
            if (!std::isfinite(v)) fuzz::fail("template holds a number that is not finite");
        if (particleTemplates.find(t.name) != 0) fuzz::fail("loaded template not found by name");
    }
    return 0;
}
