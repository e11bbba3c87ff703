// The request and answer the handlers see, whatever serves the socket.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct Request {
    std::string method; // HEAD is served as GET
    std::string path;   // decoded, without the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::pair<std::string, std::string>> params; // decoded query
    std::string remote_addr;
    std::string body;
    std::vector<std::string> matches; // the route's whole match, then its groups

    // Header names compare ignoring case; the first of several wins.
    bool has_header(const std::string& name) const;
    std::string get_header_value(const std::string& name) const;
    size_t get_header_value_count(const std::string& name) const;
    bool has_param(const std::string& name) const;
    std::string get_param_value(const std::string& name) const;
};

struct Response {
    int status = 200;
    std::string body;
    // Bytes that outlive the server (the web files), sent in place of `body`
    // without a copy.
    const std::string* sharedBody = nullptr;
    std::vector<std::pair<std::string, std::string>> headers;

    // Replaces a header of the same name.
    void set_header(const std::string& name, const std::string& value);
    bool has_header(const std::string& name) const;
    void set_content(std::string content, const std::string& type);
};

using Handler = std::function<void(const Request&, Response&)>;
