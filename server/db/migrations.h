// The schema's numbered migrations, applied at start in one transaction
// each and recorded in schema_migrations.
#pragma once

#include <pqxx/pqxx>
#include <string>

// Brings the database up to the newest schema this build knows. False with
// `why` set when the database holds a newer schema than that.
bool migrateSchema(pqxx::connection& conn, std::string& why);
int knownSchemaVersion();
