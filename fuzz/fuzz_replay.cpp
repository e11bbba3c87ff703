// The replay reader on arbitrary bytes: it refuses or accepts without
// reading out of bounds or allocating without bound, and what it accepts
// decodes to its end, writes back to the same bytes and holds only frames
// with a finite time (and, since version 3, of a millisecond or more).
#include <cmath>
#include <string>
#include <vector>

#include "replay/replay_file.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Replay replay;
    std::string why;
    if (!decodeReplay(data, size, replay, why)) {
        if (why.empty()) fuzz::fail("a refusal without a reason");
        return 0;
    }
    ReplayReader reader(replay.events, replay.start.cursorX, replay.start.cursorY);
    ReplayEvent e;
    uint32_t frames = 0;
    while (reader.next(e)) {
        if (e.kind == ReplayEvent::Frame) {
            ++frames;
            if (!std::isfinite(e.tickDelta)) fuzz::fail("a frame time that is not finite");
            if (replay.version >= 3 && !(e.tickDelta >= 1.0f))
                fuzz::fail("a version-3 frame shorter than a millisecond");
        }
    }
    if (reader.error() != nullptr) fuzz::fail("an accepted replay fails while playing");
    if (frames != replay.result.frames) fuzz::fail("frame count differs from the header");
    if (encodeReplay(replay) != std::vector<uint8_t>(data, data + size))
        fuzz::fail("an accepted replay does not write back to itself");
    return 0;
}
