// The page's stand-in for the sender: this build does not send yet. The
// game reads a status that stays off, and the Options screen is told why.
#include "online/sender.h"

namespace online {

namespace {

constexpr const char* kNotYet = "Online is not available in this build yet";

} // namespace

void startSender(const std::string&, const std::string&) {}

void stopSender() {}

void readStatus(Status& out) {
    out = Status{};
}

int bestRankAt(const Status&, float) {
    return 0;
}

void noteFinishedGame(const std::vector<uint8_t>&, float, uint32_t) {}

void requestDaily() {}

OnlineConfig currentConfig() {
    return OnlineConfig{};
}

bool setEnabled(bool on, std::string* why) {
    if (!on) return true;
    if (why != nullptr) *why = kNotYet;
    return false;
}

bool setServer(const std::string&, std::string* why) {
    if (why != nullptr) *why = kNotYet;
    return false;
}

bool setName(const std::string&, std::string* why) {
    if (why != nullptr) *why = kNotYet;
    return false;
}

void forgetMe() {}

} // namespace online
