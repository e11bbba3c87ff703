#include "verify/verifier.h"

#include <cstring>

#include "app/frame.h"
#include "app/input.h"
#include "app/replay_player.h"
#include "app/replay_recorder.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "game/world/checksum.h"
#include "input/settings_values.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/user_files.h"

namespace {

float shippedAcceleration = 0.0f;
bool started = false;

bool sameResult(const ReplayResult& a, const ReplayResult& b) {
    return a.score == b.score && std::memcmp(&a.gameTime, &b.gameTime, sizeof a.gameTime) == 0 &&
           a.kills == b.kills && a.checksum == b.checksum;
}

} // namespace

bool startVerifier() {
    if (started) return true;
    platform::runHeadless();
    platform::setFrameCap(false);
    readSettings("Settings.ini");
    shippedAcceleration = spawnAcceleration;
    if (!platform::createWindow("Quorvex Game", 64, 48)) return false;
    windowProc(Message{MsgType::Create, 0});
    platform::discardDrawing(true);
    started = true;
    return true;
}

void stopVerifier() {
    // OpenAL would note a device left open at exit.
    closeAudio();
}

uint64_t verifierFingerprint() {
    return rulesFingerprint();
}

float shippedSpawnAcceleration() {
    return shippedAcceleration;
}

VerifyOutcome verifyFile(const std::string& path) {
    VerifyOutcome out;
    std::string bytes;
    std::string why;
    switch (platform::readFileLimited(path, kMaxReplayFileBytes, bytes, &why)) {
    case platform::ReadStatus::Ok:
        break;
    case platform::ReadStatus::Missing:
        out.reason = "no such file";
        return out;
    case platform::ReadStatus::TooBig:
        out.reason = "too large to be a replay";
        return out;
    default:
        out.reason = why.empty() ? "cannot be read" : why;
        return out;
    }
    Replay replay;
    if (!decodeReplay(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), replay, why)) {
        out.reason = why;
        return out;
    }
    return verifyReplay(replay);
}

VerifyOutcome verifyReplay(const Replay& replay) {
    VerifyOutcome out;
    out.decoded = true;
    out.recorded = replay.result;
    out.fingerprint = replay.rulesFingerprint;
    out.spawnAcceleration = replay.start.spawnAcceleration;
    if (replay.rulesFingerprint != rulesFingerprint()) {
        out.reason = "made with other rule data (bullet, monster or particle templates) than the "
                     "installed game's";
        return out;
    }
    out.replayed = playReplayNow(replay);
    out.played = true;
    if (sameResult(out.replayed, replay.result)) {
        out.status = VerifyStatus::Verified;
    } else {
        out.status = VerifyStatus::Differs;
        out.reason = "the replay does not reproduce its game";
    }
    return out;
}
