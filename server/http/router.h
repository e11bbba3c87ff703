// Routes by method and a regular expression over the whole path; the
// first route that matches both answers.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "server/http/request.h"

class Router {
  public:
    void Get(const std::string& pattern, Handler h) { add("GET", pattern, std::move(h)); }
    void Post(const std::string& pattern, Handler h) { add("POST", pattern, std::move(h)); }
    void Put(const std::string& pattern, Handler h) { add("PUT", pattern, std::move(h)); }
    void Patch(const std::string& pattern, Handler h) { add("PATCH", pattern, std::move(h)); }
    void Delete(const std::string& pattern, Handler h) { add("DELETE", pattern, std::move(h)); }
    void Options(const std::string& pattern, Handler h) { add("OPTIONS", pattern, std::move(h)); }

    // Fills req.matches and runs the route's handler; false when no route
    // takes the request.
    bool dispatch(Request& req, Response& res) const;

  private:
    struct Route {
        std::string method;
        std::regex pattern;
        Handler handler;
    };
    void add(const char* method, const std::string& pattern, Handler h);
    std::vector<Route> routes_;
};
