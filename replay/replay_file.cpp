#include "replay/replay_file.h"

#include <cmath>
#include <cstring>

#include "replay/replay_start_checks.h"

namespace {

constexpr uint8_t kMagic[4] = {'Q', 'V', 'R', 'P'};
constexpr uint8_t kTagMessage = 0x10;
constexpr uint8_t kTagFrame = 0x80;
constexpr uint8_t kFrameCursorMoved = 0x01;
constexpr uint8_t kFrameRawDelta = 0x02;
// Whole milliseconds below this are stored as integers; anything else as
// the float's bits.
constexpr float kIntegerDeltaLimit = 16777216.0f;

uint64_t fnv1a(const uint8_t* data, size_t size) {
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

void putU8(std::vector<uint8_t>& out, uint8_t v) {
    out.push_back(v);
}
void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putU64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putF32(std::vector<uint8_t>& out, float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, bits);
}
void putVarint(std::vector<uint8_t>& out, uint32_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<uint8_t>(v));
}
uint32_t zigzag(int64_t v) {
    return static_cast<uint32_t>((v << 1) ^ (v >> 63));
}

// Bounds-checked reading: every read past the end sets `bad` and yields 0.
struct Cursor {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool bad = false;

    bool have(size_t n) {
        if (bad || size - at < n) {
            bad = true;
            return false;
        }
        return true;
    }
    uint8_t u8() { return have(1) ? data[at++] : 0; }
    uint32_t u32() {
        if (!have(4)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(data[at++]) << (8 * i);
        return v;
    }
    uint64_t u64() {
        uint64_t lo = u32();
        uint64_t hi = u32();
        return lo | (hi << 32);
    }
    float f32() {
        uint32_t bits = u32();
        float v = 0.0f;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    bool varint(uint32_t& v) {
        v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (!have(1)) return false;
            uint8_t b = data[at++];
            if (shift == 28 && (b & 0xF0) != 0) return false; // past 32 bits
            v |= static_cast<uint32_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
};

void putStart(std::vector<uint8_t>& out, const ReplayStart& s, uint32_t version) {
    putU32(out, static_cast<uint32_t>(s.screenWidth));
    putU32(out, static_cast<uint32_t>(s.screenHeight));
    putF32(out, s.spawnAcceleration);
    putU32(out, static_cast<uint32_t>(s.showFps));
    putU32(out, s.rngState);
    putF32(out, s.spawnTimer);
    putF32(out, s.hmSoundTimer);
    putF32(out, s.runFactor);
    putF32(out, s.pickupMessageAlpha);
    out.insert(out.end(), s.pickupMessage, s.pickupMessage + sizeof s.pickupMessage);
    out.insert(out.end(), s.keyDown, s.keyDown + sizeof s.keyDown);
    putU8(out, s.leftButtonDown);
    putU8(out, s.rightButtonDown);
    putU8(out, s.creditsShown);
    putU32(out, static_cast<uint32_t>(s.menuHover));
    putU32(out, static_cast<uint32_t>(s.cursorX));
    putU32(out, static_cast<uint32_t>(s.cursorY));
    putF32(out, s.cursorArenaX);
    putF32(out, s.cursorArenaY);
    putU8(out, s.padConnected);
    out.insert(out.end(), s.padHeld, s.padHeld + sizeof s.padHeld);
    for (int16_t v : s.padAxis)
        putU32(out, static_cast<uint16_t>(v));
    putU8(out, s.padAiming);
    putU8(out, s.padInUse);
    putF32(out, s.padCrosshairX);
    putF32(out, s.padCrosshairY);
    if (version < 2) return;
    putU8(out, s.groundScheme);
    putF32(out, s.padDeadZone);
    putF32(out, s.padAimReach);
    if (version < 3) return;
    putU32(out, s.seed);
}

void takeBytes(Cursor& in, void* to, size_t n) {
    if (!in.have(n)) return;
    std::memcpy(to, in.data + in.at, n);
    in.at += n;
}

void takeStart(Cursor& in, ReplayStart& s, uint32_t version) {
    s.screenWidth = static_cast<int32_t>(in.u32());
    s.screenHeight = static_cast<int32_t>(in.u32());
    s.spawnAcceleration = in.f32();
    s.showFps = static_cast<int32_t>(in.u32());
    s.rngState = in.u32();
    s.spawnTimer = in.f32();
    s.hmSoundTimer = in.f32();
    s.runFactor = in.f32();
    s.pickupMessageAlpha = in.f32();
    takeBytes(in, s.pickupMessage, sizeof s.pickupMessage);
    takeBytes(in, s.keyDown, sizeof s.keyDown);
    s.leftButtonDown = in.u8();
    s.rightButtonDown = in.u8();
    s.creditsShown = in.u8();
    s.menuHover = static_cast<int32_t>(in.u32());
    s.cursorX = static_cast<int32_t>(in.u32());
    s.cursorY = static_cast<int32_t>(in.u32());
    s.cursorArenaX = in.f32();
    s.cursorArenaY = in.f32();
    s.padConnected = in.u8();
    takeBytes(in, s.padHeld, sizeof s.padHeld);
    for (int16_t& v : s.padAxis)
        v = static_cast<int16_t>(static_cast<uint16_t>(in.u32()));
    s.padAiming = in.u8();
    s.padInUse = in.u8();
    s.padCrosshairX = in.f32();
    s.padCrosshairY = in.f32();
    if (version < 2) return;
    s.groundScheme = in.u8();
    s.padDeadZone = in.f32();
    s.padAimReach = in.f32();
    if (version < 3) return;
    s.seed = in.u32();
}

bool validMessageType(uint8_t type) {
    // Create, Destroy and Quit belong to the program, never to a game.
    return type >= static_cast<uint8_t>(MsgType::KeyDown) &&
           type <= static_cast<uint8_t>(MsgType::PadRemoved) &&
           type != static_cast<uint8_t>(MsgType::Quit);
}

} // namespace

int generationOf(uint32_t version) {
    return version >= 3 ? 2 : 1;
}

const char* gameEndName(GameEnd end) {
    switch (end) {
    case GameEnd::Death:
        return "death";
    case GameEnd::NewGame:
        return "new-game";
    case GameEnd::ExitWin:
        return "exit";
    case GameEnd::ProgramEnd:
        return "program-end";
    default:
        return nullptr;
    }
}

void ReplayWriter::message(const Message& msg) {
    putU8(out_, kTagMessage);
    putU8(out_, static_cast<uint8_t>(msg.type));
    putVarint(out_, msg.wParam);
}

void ReplayWriter::frame(float tickDelta, int32_t cursorX, int32_t cursorY) {
    uint8_t tag = kTagFrame;
    bool moved = cursorX != cursorX_ || cursorY != cursorY_;
    bool whole = tickDelta >= 0.0f && tickDelta < kIntegerDeltaLimit &&
                 tickDelta == std::floor(tickDelta) && !std::signbit(tickDelta);
    if (moved) tag |= kFrameCursorMoved;
    if (!whole) tag |= kFrameRawDelta;
    putU8(out_, tag);
    if (whole) {
        putVarint(out_, static_cast<uint32_t>(tickDelta));
    } else {
        putF32(out_, tickDelta);
    }
    if (moved) {
        putVarint(out_, zigzag(static_cast<int64_t>(cursorX) - cursorX_));
        putVarint(out_, zigzag(static_cast<int64_t>(cursorY) - cursorY_));
        cursorX_ = cursorX;
        cursorY_ = cursorY;
    }
    ++frames_;
}

bool ReplayReader::next(ReplayEvent& out) {
    if (error_ != nullptr || at_ >= events_.size()) return false;
    Cursor in{events_.data(), events_.size(), at_};
    uint8_t tag = in.u8();
    if (tag == kTagMessage) {
        uint8_t type = in.u8();
        uint32_t wParam = 0;
        if (in.bad || !in.varint(wParam)) {
            error_ = "an event is cut short";
            return false;
        }
        if (!validMessageType(type)) {
            error_ = "an event of unknown kind";
            return false;
        }
        out.kind = ReplayEvent::Message;
        out.msg = Message{static_cast<MsgType>(type), wParam};
    } else if ((tag & 0xFC) == kTagFrame) {
        float delta = 0.0f;
        if (tag & kFrameRawDelta) {
            delta = in.f32();
        } else {
            uint32_t whole = 0;
            if (!in.varint(whole)) in.bad = true;
            delta = static_cast<float>(whole);
        }
        if (tag & kFrameCursorMoved) {
            uint32_t dx = 0, dy = 0;
            if (!in.varint(dx) || !in.varint(dy)) in.bad = true;
            int64_t x = cursorX_ + (static_cast<int64_t>(dx >> 1) ^ -static_cast<int64_t>(dx & 1));
            int64_t y = cursorY_ + (static_cast<int64_t>(dy >> 1) ^ -static_cast<int64_t>(dy & 1));
            if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) {
                error_ = "the cursor leaves the screen's range";
                return false;
            }
            cursorX_ = static_cast<int32_t>(x);
            cursorY_ = static_cast<int32_t>(y);
        }
        if (in.bad) {
            error_ = "an event is cut short";
            return false;
        }
        if (!std::isfinite(delta)) {
            error_ = "a frame's time is not a number";
            return false;
        }
        out.kind = ReplayEvent::Frame;
        out.tickDelta = delta;
        out.cursorX = cursorX_;
        out.cursorY = cursorY_;
    } else {
        error_ = "an event of unknown kind";
        return false;
    }
    at_ = in.at;
    return true;
}

std::vector<uint8_t> encodeReplay(const Replay& replay) {
    std::vector<uint8_t> out;
    out.reserve(replay.events.size() + 1024);
    out.insert(out.end(), kMagic, kMagic + 4);
    putU32(out, replay.version);
    putU64(out, replay.rulesFingerprint);
    putStart(out, replay.start, replay.version);
    putU32(out, static_cast<uint32_t>(replay.events.size()));
    out.insert(out.end(), replay.events.begin(), replay.events.end());
    putU32(out, replay.result.score);
    putF32(out, replay.result.gameTime);
    putU32(out, static_cast<uint32_t>(replay.result.kills));
    putU64(out, replay.result.checksum);
    putU32(out, replay.result.frames);
    putU64(out, static_cast<uint64_t>(replay.result.endTime));
    if (replay.version >= 3) {
        putU8(out, static_cast<uint8_t>(replay.result.end));
        putU32(out, replay.result.day);
        putU32(out, static_cast<uint32_t>(replay.secondSums.size()));
        for (uint64_t sum : replay.secondSums)
            putU64(out, sum);
    }
    putU64(out, fnv1a(out.data(), out.size()));
    return out;
}

bool decodeReplay(const uint8_t* data, size_t size, Replay& out, std::string& why) {
    if (size < 4 || std::memcmp(data, kMagic, 4) != 0) {
        why = "not a replay file";
        return false;
    }
    if (size > kMaxReplayFileBytes) {
        why = "too large to be a replay";
        return false;
    }
    Cursor in{data, size, 4};
    uint32_t version = in.u32();
    if (!in.bad && (version < 1 || version > kReplayVersion)) {
        why = "replay version " + std::to_string(version) + " (this game reads versions 1 to " +
              std::to_string(kReplayVersion) + ")";
        return false;
    }
    out.version = version;
    out.rulesFingerprint = in.u64();
    out.start = ReplayStart{};
    takeStart(in, out.start, version);
    uint32_t eventBytes = in.u32();
    if (in.bad) {
        why = "truncated";
        return false;
    }
    if (eventBytes > kMaxReplayEventBytes) {
        why = "absurd length of its inputs";
        return false;
    }
    if (!in.have(eventBytes)) {
        why = "truncated";
        return false;
    }
    out.events.assign(data + in.at, data + in.at + eventBytes);
    in.at += eventBytes;
    out.result.score = in.u32();
    out.result.gameTime = in.f32();
    out.result.kills = static_cast<int32_t>(in.u32());
    out.result.checksum = in.u64();
    out.result.frames = in.u32();
    out.result.endTime = static_cast<int64_t>(in.u64());
    out.result.end = GameEnd::Unknown;
    out.result.day = 0;
    out.secondSums.clear();
    if (version >= 3) {
        uint8_t end = in.u8();
        out.result.end = static_cast<GameEnd>(end);
        out.result.day = in.u32();
        uint32_t count = in.u32();
        if (!in.bad && (end < 1 || end > 4)) {
            why = "it does not say how its game ended";
            return false;
        }
        if (!in.bad && out.result.day != 0 && !validReplayDay(out.result.day)) {
            why = "its day is no date";
            return false;
        }
        if (!in.bad && (count > kMaxSecondSums || !in.have(size_t{count} * 8))) {
            why = count > kMaxSecondSums ? "absurd count of its checksums" : "truncated";
            return false;
        }
        out.secondSums.resize(in.bad ? 0 : count);
        for (uint64_t& sum : out.secondSums)
            sum = in.u64();
    }
    size_t summed = in.at;
    uint64_t sum = in.u64();
    if (in.bad) {
        why = "truncated";
        return false;
    }
    if (in.at != size) {
        why = "unexpected bytes after the end";
        return false;
    }
    if (sum != fnv1a(data, summed)) {
        why = "damaged (its checksum does not match)";
        return false;
    }
    if (const char* absurd = absurdReplayStart(out.start, version)) {
        why = absurd;
        return false;
    }
    // Walk the stream once, so a bad event is found before anything plays.
    ReplayReader reader(out.events, out.start.cursorX, out.start.cursorY);
    ReplayEvent e;
    uint32_t frames = 0;
    while (reader.next(e)) {
        if (e.kind != ReplayEvent::Frame) continue;
        ++frames;
        // Since version 3 the game never runs a frame shorter than a
        // millisecond.
        if (version >= 3 && !(e.tickDelta >= 1.0f)) {
            why = "a frame shorter than a millisecond";
            return false;
        }
    }
    if (reader.error() != nullptr) {
        why = reader.error();
        return false;
    }
    if (frames != out.result.frames) {
        why = "its frame count does not match its inputs";
        return false;
    }
    return true;
}
