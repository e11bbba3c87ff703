// Start-up for the rules: the texture names (so every record names the same
// slot with or without pictures behind it), the first game and the monster,
// bullet and particle templates. The front end loads pictures and sounds
// around it.
#pragma once

// Gives each of the game's pictures its slot, in the fixed load order: the
// ground first, then the bitmaps.
void registerTextures();
// The bitmaps' paths, in that order (the ground is made, not read).
const char* const* picturePaths(int& count);
// Connects the sprite layer to the monster pool and resets the world.
void prepareFirstGame();
// Reads the templates from the data folder (the working directory). Returns
// the first file that could not be used (missing or bad), or nullptr when
// every one was read. The game goes on without it; a verifier cannot.
const char* loadRuleData();
// All three, for a program without a window (the verifier);
// returns what loadRuleData returns.
const char* startRules();
// Makes the world bound to this thread what startRules leaves: the first
// game reset. Every world the verifier plays starts so.
void prepareWorld();
