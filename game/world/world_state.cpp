#include "game/world/world_state.h"

float gameTime = 0.0f;
char pickupMessage[260] = {};
float pickupMessageAlpha = 0.0f;
int32_t monstersKilled = 0;
int32_t groundScheme = 0;
uint32_t gameSeed = 0;
