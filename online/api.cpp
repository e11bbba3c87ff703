#include "online/api.h"

#include "online/http_client.h"

namespace online {

namespace {

// One request on this thread, abandoned when `stop` rises.
HttpResponse performStoppable(HttpRequest req, const std::atomic<bool>* stop) {
    req.stop = stop;
    return perform(req);
}

} // namespace

SubmitResult submitRun(const Account& a, const std::string& replay, const std::atomic<bool>* stop) {
    return readSubmit(performStoppable(submitRequest(a, replay), stop));
}

RunInfo runInfo(const std::string& server, int64_t id, const std::atomic<bool>* stop) {
    return readRunInfo(performStoppable(runInfoRequest(server, id), stop));
}

PlayerInfo playerInfo(const std::string& server, const std::string& name,
                      const std::atomic<bool>* stop) {
    return readPlayerInfo(performStoppable(playerInfoRequest(server, name), stop));
}

DailyInfo dailyInfo(const std::string& server, const std::atomic<bool>* stop) {
    return readDailyAnswer(performStoppable(dailyRequest(server), stop));
}

bool forgetPlayer(const Account& a, std::string& message, const std::atomic<bool>* stop) {
    return readForget(performStoppable(forgetRequest(a), stop), message);
}

} // namespace online
