// Fire-and-forget sound effects by index.
#pragma once

#include <cstdint>

#include "game/world/effects.h"

constexpr int kMaxSounds = 64;
constexpr int kMaxSources = 64;

extern uint32_t soundBuffers[kMaxSounds];
extern int soundCount;
extern uint32_t activeSources[kMaxSources];
extern int activeSourceCount;

// Opens the default device; with none the game runs silent.
void openAudio();
// Appends one sound; a missing file takes its slot and plays silence.
void loadSound(const char* path);
// Starts sound `index` once. Skipped when silent, out of range or when all
// sources are busy.
void playSound(int index);
// Deletes the sources that have stopped.
void reclaimSounds();
// Releases every source and buffer and closes the device (tests start the
// game more than once in one process); the play counts start again at 0.
void closeAudio();
// New game: stops and deletes every source still in the list.
void clearSounds();
// Test support: opens OpenAL Soft's loopback device, which mixes 16-bit mono
// at `sampleRate` only when renderAudio asks, in place of the sound card.
// Returns false (and leaves the game silent) where the library lacks it.
bool openAudioLoopback(int sampleRate);
// Mixes the next `frames` samples of every playing source into `out`; zeros
// when no loopback device is open.
void renderAudio(int16_t* out, int frames);
// True while a device and context are open (the game is not silent).
bool audioOpen();
// The listener's gain, 0 (silent) to 1: the effects volume. Kept when the
// device is opened again.
void setListenerGain(float value);
float listenerGain();
// Counts every play request, played or not (tests and the benchmark).
extern uint64_t soundPlayCount[kMaxSounds];
