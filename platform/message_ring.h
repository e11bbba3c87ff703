// The messages waiting for peekMessage, in a fixed ring so that posting
// never allocates; a full ring drops the new message. Each keeps the
// physical input it came from (0 for a message the program posted).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

struct MessageRing {
    static constexpr int kCapacity = 256;
    Message messages[kCapacity];
    uint32_t physical[kCapacity] = {};
    int head = 0;
    int count = 0;

    void push(const Message& msg, uint32_t from = 0) {
        if (count == kCapacity) return;
        int at = (head + count) % kCapacity;
        messages[at] = msg;
        physical[at] = from;
        ++count;
    }
    bool take(Message& out, uint32_t& from) {
        if (count == 0) return false;
        out = messages[head];
        from = physical[head];
        head = (head + 1) % kCapacity;
        --count;
        return true;
    }
};

} // namespace platform
