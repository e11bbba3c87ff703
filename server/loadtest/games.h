// Real games for quorvex-load to send: a replay's inputs played again from
// other starts, and the forged files the tests submit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Replay;

bool loadReplay(const std::string& path, Replay& replay);
// Loads the rules for making games, from the game's data folder.
bool startRulesIn(const std::string& data);
// `count` distinct games made from `bases` in turn, as files.
std::vector<std::string> distinctGames(const std::vector<Replay>& bases, int count, uint64_t salt);
// quorvex-load forge IN OUT [options]: see main.cpp.
int forge(int argc, char** argv);
