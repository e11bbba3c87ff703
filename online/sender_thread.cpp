// The desktop's sender: a thread of its own steps the state machine, each
// request sent through libcurl while the thread waits, abandoned when
// `abandon` rises.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "online/http_client.h"
#include "online/sender.h"
#include "online/sender_machine.h"
#include "online/sender_state.h"

namespace online {

namespace {

using namespace sending;

std::thread thread;

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void sendByCurl(Machine& machine, HttpRequest request, void*) {
    request.stop = &abandon;
    HttpResponse r = perform(request);
    machine.answered(r, nowMs());
}

void run() {
    Shared& sh = shared();
    Machine machine(sh);
    const Transport curl{sendByCurl, nullptr};
    for (;;) {
        while (machine.step(nowMs(), curl)) {
        }
        std::unique_lock<std::mutex> lock(sh.m);
        if (sh.stop) return;
        double now = nowMs();
        auto wait = std::chrono::milliseconds(
            static_cast<long long>(std::max(10.0, machine.nextWork(now) - now)));
        sh.wake.wait_for(lock, wait,
                         [&] { return sh.stop || sh.changed || sh.forget || sh.fetchDaily; });
    }
}

} // namespace

void startSender(const std::string& configFile, const std::string& outboxDir) {
    if (thread.joinable()) return;
    initHttp();
    sending::begin(configFile, outboxDir, "");
    thread = std::thread(run);
}

void stopSender() {
    sending::end();
    abandon.store(true);
    if (thread.joinable()) thread.join();
}

} // namespace online
