#include "server/db/migrations.h"

#include <algorithm>

namespace {

struct Migration {
    int version;
    const char* name;
    const char* sql;
};

const Migration kMigrations[] = {
#include "migrations.inc"
};

// Any number will do as long as every server process uses the same one.
constexpr long long kMigrationLock = 0x51564d4947;

} // namespace

int knownSchemaVersion() {
    int newest = 0;
    for (const Migration& m : kMigrations)
        newest = std::max(newest, m.version);
    return newest;
}

bool migrateSchema(pqxx::connection& conn, std::string& why) {
    {
        pqxx::work tx(conn);
        tx.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
        tx.exec("CREATE TABLE IF NOT EXISTS schema_migrations ("
                "version integer PRIMARY KEY, name text NOT NULL, "
                "applied_at timestamptz NOT NULL DEFAULT now())");
        tx.commit();
    }
    for (const Migration& m : kMigrations) {
        pqxx::work tx(conn);
        // Several servers may start at once: one applies, the others wait.
        tx.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
        int newest =
            tx.exec("SELECT coalesce(max(version), 0) FROM schema_migrations")[0][0].as<int>();
        if (newest > knownSchemaVersion()) {
            why = "the database has schema version " + std::to_string(newest) +
                  "; this server knows up to " + std::to_string(knownSchemaVersion());
            return false;
        }
        if (!tx.exec_params("SELECT 1 FROM schema_migrations WHERE version = $1", m.version)
                 .empty())
            continue;
        tx.exec(m.sql);
        tx.exec_params("INSERT INTO schema_migrations (version, name) VALUES ($1, $2)", m.version,
                       std::string(m.name));
        tx.commit();
    }
    pqxx::work tx(conn);
    int newest = tx.exec("SELECT coalesce(max(version), 0) FROM schema_migrations")[0][0].as<int>();
    if (newest > knownSchemaVersion()) {
        why = "the database has schema version " + std::to_string(newest) +
              "; this server knows up to " + std::to_string(knownSchemaVersion());
        return false;
    }
    return true;
}
