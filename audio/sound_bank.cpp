#include "audio/sound_bank.h"
// Placeholder until the sound bank lands.
uint32_t soundBuffers[kMaxSounds] = {};
int soundCount = 0;
uint32_t activeSources[kMaxSources] = {};
int activeSourceCount = 0;
uint64_t soundPlayCount[kMaxSounds] = {};
void openAudio() {}
void closeAudio() { soundCount = 0; }
void loadSound(const char*) { ++soundCount; }
void playSound(int index) {
    if (index >= 0 && index < kMaxSounds) ++soundPlayCount[index];
}
void reclaimSounds() {}
void clearSounds() { activeSourceCount = 0; }
