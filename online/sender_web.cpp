// The page's sender: no thread, so the browser's main loop steps the state
// machine once a frame; the request goes through the browser's fetch and
// its answer arrives between frames. What only the page does lives here:
// its own origin as the server, and Online offered at the first Game Over.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

#include "online/sender.h"
#include "online/sender_machine.h"
#include "online/sender_state.h"
#include "online/sender_web.h"
#include "online/web_fetch.h"

namespace online {

namespace {

using namespace sending;

std::unique_ptr<Machine> machine;

void fetched(const HttpResponse& r) {
    if (machine) machine->answered(r, emscripten_get_now());
}

void sendByFetch(Machine&, HttpRequest request, void*) {
    fetchRequest(std::move(request), fetched);
}

} // namespace

const std::string& pageServer() {
    static std::string origin;
    if (origin.empty()) {
        char text[256] = {};
        EM_ASM({ stringToUTF8(String(location.origin), $0, $1); }, text, sizeof text);
        origin = text;
    }
    return origin;
}

void startSender(const std::string& configFile, const std::string& outboxDir) {
    {
        std::lock_guard<std::mutex> lock(shared().m);
        if (shared().started) return;
    }
    sending::begin(configFile, outboxDir, pageServer());
    // A request still in flight is answered into the same machine.
    if (!machine) machine = std::make_unique<Machine>(shared());
}

void stopSender() {
    // A request in flight is answered after this; its file stays in the
    // outbox for the next visit unless the server took it.
    sending::end();
}

void stepSender() {
    if (!machine) return;
    static const Transport fetch{sendByFetch, nullptr};
    machine->step(emscripten_get_now(), fetch);
}

bool takeOnlineOffer() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    bool offer = sh.offer;
    sh.offer = false;
    return offer;
}

void declineOnline() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.config.asked = true;
    sh.offer = false;
    sh.held.clear();
    std::string why;
    if (!saveConfig(sh.configFile, sh.config, &why))
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
}

} // namespace online
