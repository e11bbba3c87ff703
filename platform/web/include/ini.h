// The part of inih's interface the game uses, for builds without the
// library (the browser's).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef int (*ini_handler)(void* user, const char* section, const char* name, const char* value);

// Parses INI text: [section], name = value (or name: value), ';' and '#'
// comments. Returns 0, or the first line the handler refused or could not
// read.
int ini_parse_string(const char* string, ini_handler handler, void* user);

#ifdef __cplusplus
}
#endif
