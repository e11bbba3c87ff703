// The page's HTTP: one request through the browser's fetch, its answer
// handed back between frames as the desktop's client would give it.
#pragma once

#include "online/http_client.h"

namespace online {

using FetchAnswered = void (*)(const HttpResponse&);

// Sends `req` (kept until the browser has copied it); `done` gets the
// answer, or a response that says the server could not be reached.
void fetchRequest(HttpRequest req, FetchAnswered done);

} // namespace online
