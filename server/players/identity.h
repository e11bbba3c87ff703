// Who a submission comes from: the player's chosen name and secret token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 2-20 characters: letters and digits of any script, space, '_', '-', '.';
// no space at either end. On success `key` is the name folded to lower
// case, which is what must be unique. Otherwise `why` says what is wrong.
bool checkPlayerName(const std::string& name, std::string& key, std::string& why);

// The token from "Authorization: Bearer <token>": 43-256 characters of
// base64 or hex (at least 32 random bytes). Empty when missing or malformed.
std::string bearerToken(const std::string& authorization);

// Whether a token's bytes (hex or base64 decoded) hold fewer than 16
// distinct values: random 32 bytes hold about 30, a made-up token far fewer.
bool weakToken(const std::string& token);

// Raw SHA-256 digest (32 bytes).
std::string sha256(const void* data, size_t size);
std::string hexOf(const std::string& bytes);
