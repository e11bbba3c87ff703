#include "server/http/router.h"

#include <strings.h>

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

template <typename List> const std::string* find(const List& list, const std::string& name) {
    for (const auto& [k, v] : list)
        if (sameName(k, name)) return &v;
    return nullptr;
}

} // namespace

bool Request::has_header(const std::string& name) const {
    return find(headers, name) != nullptr;
}

std::string Request::get_header_value(const std::string& name) const {
    const std::string* v = find(headers, name);
    return v ? *v : std::string();
}

size_t Request::get_header_value_count(const std::string& name) const {
    size_t n = 0;
    for (const auto& [k, v] : headers)
        n += sameName(k, name);
    return n;
}

bool Request::has_param(const std::string& name) const {
    for (const auto& [k, v] : params)
        if (k == name) return true;
    return false;
}

std::string Request::get_param_value(const std::string& name) const {
    for (const auto& [k, v] : params)
        if (k == name) return v;
    return {};
}

void Response::set_header(const std::string& name, const std::string& value) {
    for (auto& [k, v] : headers)
        if (sameName(k, name)) {
            v = value;
            return;
        }
    headers.emplace_back(name, value);
}

bool Response::has_header(const std::string& name) const {
    return find(headers, name) != nullptr;
}

void Response::set_content(std::string content, const std::string& type) {
    body = std::move(content);
    set_header("Content-Type", type);
}

void Router::add(const char* method, const std::string& pattern, Handler h) {
    routes_.push_back({method, std::regex(pattern), std::move(h)});
}

bool Router::dispatch(Request& req, Response& res) const {
    const std::string& method = req.method == "HEAD" ? std::string("GET") : req.method;
    for (const Route& r : routes_) {
        if (r.method != method) continue;
        std::smatch m;
        if (!std::regex_match(req.path, m, r.pattern)) continue;
        req.matches.assign(m.begin(), m.end());
        r.handler(req, res);
        return true;
    }
    return false;
}
