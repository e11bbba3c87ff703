#include "app/online_link.h"

#include "online/sender.h"
#include "replay/replay_file.h"
#include "replay/replay_recorder.h"

namespace {

// With Online on, the game just lost goes to the outbox at once, so that
// Game Over can follow it.
void sendDeath(const Replay& replay) {
    online::noteFinishedGame(encodeReplay(replay), replay.start.spawnAcceleration,
                             replay.result.day);
}

} // namespace

void startOnline(const std::string& configFile, const std::string& outboxDir) {
    online::startSender(configFile, outboxDir);
    setDeathReplayHandler(sendDeath);
}

void startOnline() {
    startOnline(online::configPath(), online::outboxPath());
}

void stopOnline() {
    setDeathReplayHandler(nullptr);
    online::stopSender();
}
