#include "server/http/respond.h"

#include <cstdio>
#include <pqxx/pqxx>

#include "protocol/api.h"
#include "server/db/connection.h"

void replyJson(Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    "application/json");
}

void replyError(Response& res, int status, const std::string& message) {
    replyJson(res, status, {{"error", message}});
}

void withDatabase(Response& res, const std::function<void()>& work) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        DatabaseLease lease;
        if (!lease.ok()) break;
        try {
            work();
            return;
        } catch (const pqxx::broken_connection&) {
            dropThreadConnection();
        } catch (const pqxx::in_doubt_error&) {
            // The commit may or may not have landed: the client asks again
            // and the replay's hash finds it if it did.
            dropThreadConnection();
            break;
        } catch (const pqxx::data_exception&) {
            // The transaction rolled back; the connection is fine.
            return replyError(res, 400, "a value in the request cannot be read");
        } catch (const pqxx::sql_error& e) {
            std::fprintf(stderr, "quorvex-server: database: %s\n", e.what());
            break;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quorvex-server: database: %s\n", e.what());
            dropThreadConnection();
            break;
        }
    }
    res.set_header(protocol::kRetryAfterHeader, "1");
    replyError(res, 503, "the database is unavailable; try again shortly");
}
