// The API's requests and the reading of their answers, apart from how the
// bytes travel: libcurl on a thread on the desktop, the browser's fetch in
// the page.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "online/api.h"
#include "online/http_client.h"
#include "protocol/api.h"

namespace online {

namespace {

using nlohmann::json;

// The body as a JSON object; a discarded (empty) value when it is not one.
json parseObject(const std::string& body) {
    json j = json::parse(body, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return json();
    return j;
}

std::string text(const json& j, const char* key) {
    if (j.is_object() && j.contains(key) && j[key].is_string()) return j[key].get<std::string>();
    return "";
}

int64_t integer(const json& j, const char* key) {
    if (j.is_object() && j.contains(key) && j[key].is_number_integer())
        return j[key].get<int64_t>();
    return 0;
}

double number(const json& j, const char* key) {
    if (j.is_object() && j.contains(key) && j[key].is_number()) return j[key].get<double>();
    return 0.0;
}

// The server's own words for a refusal, else the status.
std::string reasonOf(const HttpResponse& r) {
    json j = parseObject(r.body);
    std::string reason = text(j, "reason");
    if (reason.empty()) reason = text(j, "error");
    if (reason.empty()) reason = "the server answered " + std::to_string(r.status);
    if (reason.size() > 200) reason.resize(200);
    return reason;
}

} // namespace

std::string escapeSegment(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        if ((b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
            b == '-' || b == '.' || b == '_' || b == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

HttpRequest submitRequest(const Account& a, const std::string& replay) {
    HttpRequest req;
    req.method = "POST";
    req.url = a.server + protocol::kRunsPath;
    req.token = a.token;
    req.name = a.name;
    req.body = replay;
    return req;
}

SubmitResult readSubmit(const HttpResponse& r) {
    SubmitResult out;
    out.retryAfterSeconds = r.retryAfterSeconds;
    if (!r.transferred) {
        out.kind = r.error == "stopped" ? SubmitResult::Stopped : SubmitResult::Again;
        out.reason = r.error;
        return out;
    }
    out.reached = true;
    if (r.status == 202 || r.status == 200) {
        json j = parseObject(r.body);
        out.id = integer(j, "id");
        out.status = text(j, "status");
        out.rank = static_cast<int>(integer(j, "rank"));
        if (out.id > 0) {
            out.kind = SubmitResult::Taken;
        } else {
            out.kind = SubmitResult::Again;
            out.reason = "the server's answer cannot be read";
        }
    } else if (r.status == 409) {
        out.kind = SubmitResult::NameTaken;
        out.reason = reasonOf(r);
    } else if (r.status == 400 || r.status == 413 || r.status == 415 || r.status == 422) {
        // What the server says about the file itself: it will never be taken.
        out.kind = SubmitResult::Refused;
        out.reason = reasonOf(r);
    } else {
        // Busy, slow, broken, redirecting, or an address that leads to
        // something else (404, 405, 401): the run itself is not at fault.
        out.kind = SubmitResult::Again;
        out.reason = "the server answered " + std::to_string(r.status);
    }
    return out;
}

HttpRequest runInfoRequest(const std::string& server, int64_t id) {
    HttpRequest req;
    req.url = server + protocol::kRunsPath + "/" + std::to_string(id);
    req.totalSeconds = 15;
    return req;
}

RunInfo readRunInfo(const HttpResponse& r) {
    RunInfo out;
    if (!r.transferred || r.status != 200) {
        out.error = r.transferred ? reasonOf(r) : r.error;
        return out;
    }
    json j = parseObject(r.body);
    out.status = text(j, "status");
    out.rank = static_cast<int>(integer(j, "rank"));
    out.reason = text(j, "reason");
    out.board = text(j, "board");
    out.spawnAcceleration = static_cast<float>(number(j, "spawn_acceleration"));
    out.ok = !out.status.empty();
    if (!out.ok) out.error = "the server's answer cannot be read";
    return out;
}

HttpRequest playerInfoRequest(const std::string& server, const std::string& name) {
    HttpRequest req;
    req.url = server + protocol::kPlayersPath + "/" + escapeSegment(name);
    req.totalSeconds = 15;
    return req;
}

PlayerInfo readPlayerInfo(const HttpResponse& r) {
    PlayerInfo out;
    if (r.transferred && r.status == 404) {
        out.ok = out.unknown = true;
        return out;
    }
    if (!r.transferred || r.status != 200) {
        out.error = r.transferred ? reasonOf(r) : r.error;
        return out;
    }
    json j = parseObject(r.body);
    if (!j.is_object() || !j.contains("best") || !j["best"].is_array()) {
        out.error = "the server's answer cannot be read";
        return out;
    }
    for (const json& b : j["best"]) {
        BestRun run;
        run.board = text(b, "board");
        // A server from before generations ranked generation 1 alone.
        run.generation = static_cast<int>(integer(b, "generation"));
        if (run.generation <= 0) run.generation = 1;
        run.run = integer(b, "run");
        run.score = static_cast<int>(integer(b, "score"));
        run.time = number(b, "time");
        run.rank = static_cast<int>(integer(b, "rank"));
        out.best.push_back(run);
    }
    out.ok = true;
    return out;
}

bool readDaily(const std::string& body, DailyInfo& out) {
    json j = parseObject(body);
    std::string date = text(j, "date");
    unsigned year = 0, month = 0, day = 0;
    char end = 0;
    bool dated = date.size() == 10 &&
                 std::sscanf(date.c_str(), "%4u-%2u-%2u%c", &year, &month, &day, &end) == 3 &&
                 month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 2000;
    int64_t seed = j.is_object() && j.contains("seed") && j["seed"].is_number_unsigned()
                       ? j["seed"].get<int64_t>()
                       : -1;
    if (!dated || seed < 0 || seed > 0xffffffffLL) {
        out.error = "daily unreadable";
        return false;
    }
    out.day = year * 10000 + month * 100 + day;
    out.seed = static_cast<uint32_t>(seed);
    out.spawnAcceleration = static_cast<float>(number(j, "spawn_acceleration"));
    out.generation = static_cast<int>(integer(j, "generation"));
    out.board = text(j, "board");
    out.ok = true;
    return true;
}

HttpRequest dailyRequest(const std::string& server) {
    HttpRequest req;
    req.url = server + protocol::kDailyPath;
    req.totalSeconds = 15;
    return req;
}

DailyInfo readDailyAnswer(const HttpResponse& r) {
    DailyInfo out;
    if (!r.transferred) {
        out.error = "server unreachable";
        return out;
    }
    // Short: the menu shows it beside the plate.
    if (r.status != 200) {
        out.error = "server answered " + std::to_string(r.status);
        return out;
    }
    readDaily(r.body, out);
    return out;
}

HttpRequest forgetRequest(const Account& a) {
    HttpRequest req;
    req.method = "DELETE";
    req.url = a.server + protocol::kPlayerMePath;
    req.token = a.token;
    return req;
}

bool readForget(const HttpResponse& r, std::string& message) {
    if (!r.transferred) {
        message = r.error;
        return false;
    }
    if (r.status == 200) {
        json j = parseObject(r.body);
        message = "the server forgot " + text(j, "deleted") + " and " +
                  std::to_string(integer(j, "runs")) + " runs";
        return true;
    }
    if (r.status == 404) {
        message = "the server did not know this player";
        return true;
    }
    message = reasonOf(r);
    return false;
}

} // namespace online
