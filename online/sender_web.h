// What the page adds to the sender: it has no thread, so the browser's
// main loop steps it, and it offers Online itself at the first Game Over.
#pragma once

#include <string>

namespace online {

// Once a frame: starts the next request when none is in flight. Answers
// come back between frames, from the browser.
void stepSender();
// The page's own origin ("http://host:port"): the only server it sends to.
const std::string& pageServer();
// True once, after the first game that ends while Online was never offered:
// the caller asks the player (a name, or "No thanks").
bool takeOnlineOffer();
// "No thanks": Online stays off, the game just lost is dropped, and the
// page never asks again (the Options screen still can turn it on).
void declineOnline();

} // namespace online
