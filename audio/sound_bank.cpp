#include "audio/sound_bank.h"

#include <AL/al.h>
#include <AL/alc.h>
#ifndef QUORVEX_WEB
#include <AL/alext.h>
#endif

#include <cstdio>
#include <cstring>
#include <string>

#include "audio/wav_decode.h"
#include "platform/audio_gate.h"
#include "platform/file_read.h"

uint32_t soundBuffers[kMaxSounds] = {};
int soundCount = 0;
uint32_t activeSources[kMaxSources] = {};
int activeSourceCount = 0;
uint64_t soundPlayCount[kMaxSounds] = {};

namespace {

ALCdevice* device = nullptr;
ALCcontext* context = nullptr;
#ifndef QUORVEX_WEB
// Set only for the loopback device, which mixes when asked to.
LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
#endif
// The player's volume, kept over device changes.
float gain = 1.0f;

bool audible() {
    return context != nullptr;
}

// Makes a context on the opened device; without one the game stays silent.
bool startContext(const ALCint* attributes) {
    if (!device) return false;
    context = alcCreateContext(device, attributes);
    if (!context) {
        alcCloseDevice(device);
        device = nullptr;
        return false;
    }
    alcMakeContextCurrent(context);
    alListenerf(AL_GAIN, gain);
    return true;
}

// The game's own WAV reading, the same on the desktop and in the page: a
// file it cannot read leaves the buffer empty, with a line on stderr.
void fillFromWav(ALuint buffer, const char* path) {
    std::string bytes;
    std::string why;
    WavSamples wav;
    if (platform::readFileLimited(path, 16u << 20, bytes, &why) != platform::ReadStatus::Ok ||
        !decodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wav, why)) {
        std::fprintf(stderr, "quorvex: %s: %s\n", path, why.c_str());
        return;
    }
    ALenum format = wav.channels == 2
                        ? (wav.bitsPerSample == 16 ? AL_FORMAT_STEREO16 : AL_FORMAT_STEREO8)
                        : (wav.bitsPerSample == 16 ? AL_FORMAT_MONO16 : AL_FORMAT_MONO8);
    alBufferData(buffer, format, wav.data.data(), static_cast<ALsizei>(wav.data.size()),
                 wav.sampleRate);
}

} // namespace

void openAudio() {
    closeAudio();
    device = alcOpenDevice(nullptr);
    startContext(nullptr);
}

#ifdef QUORVEX_WEB
bool openAudioLoopback(int) {
    return false;
}

void renderAudio(int16_t* out, int frames) {
    if (out && frames > 0) std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(frames));
}
#else
bool openAudioLoopback(int sampleRate) {
    closeAudio();
    if (sampleRate <= 0 || alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE)
        return false;
    auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!openLoopback || !render) return false;
    device = openLoopback(nullptr);
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_MONO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 sampleRate,
                                 0};
    if (!startContext(attributes)) return false;
    renderSamples = render;
    return true;
}

void renderAudio(int16_t* out, int frames) {
    if (!out || frames <= 0) return;
    if (renderSamples && device) {
        renderSamples(device, out, frames);
    } else {
        std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(frames));
    }
}

#endif

bool audioOpen() {
    return audible();
}

void loadSound(const char* path) {
    if (soundCount >= kMaxSounds) return;
    ALuint buffer = 0;
    if (audible() && path) {
        alGenBuffers(1, &buffer);
        // A file that cannot be read leaves the slot an empty buffer.
        fillFromWav(buffer, path);
        // A sample block the library refuses leaves the buffer empty; the
        // error must not be taken for a later call's.
        alGetError();
    }
    // Silent or not, the sound keeps its index.
    soundBuffers[soundCount++] = buffer;
}

void playSound(int index) {
    if (index < 0 || index >= kMaxSounds) return;
    ++soundPlayCount[index];
    // Before the player's first click or key the page has no sound: what
    // would have played then is dropped, not kept for later.
    if (!platform::soundAllowed()) return;
    if (!audible() || index >= soundCount || activeSourceCount >= kMaxSources) return;

    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return; // the library ran out of voices
    alSourcei(source, AL_BUFFER, static_cast<ALint>(soundBuffers[index]));
    alSourcePlay(source);
    activeSources[activeSourceCount++] = source;
}

void reclaimSounds() {
    if (!audible()) return;
    // The entry that moves into a freed place waits for the next pass.
    for (int i = 0; i < activeSourceCount; ++i) {
        ALint state = AL_STOPPED;
        alGetSourcei(activeSources[i], AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) continue;
        ALuint source = activeSources[i];
        alDeleteSources(1, &source);
        for (int j = i; j < activeSourceCount - 1; ++j)
            activeSources[j] = activeSources[j + 1];
        activeSources[--activeSourceCount] = 0;
    }
}

void clearSounds() {
    if (audible()) {
        for (int i = 0; i < activeSourceCount; ++i) {
            ALuint source = activeSources[i];
            alSourceStop(source);
            alDeleteSources(1, &source);
        }
    }
    for (int i = 0; i < activeSourceCount; ++i)
        activeSources[i] = 0;
    activeSourceCount = 0;
}

void closeAudio() {
    clearSounds();
    if (audible()) {
        for (int i = 0; i < soundCount; ++i) {
            ALuint buffer = soundBuffers[i];
            if (buffer != 0) alDeleteBuffers(1, &buffer);
        }
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device) alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
#ifndef QUORVEX_WEB
    renderSamples = nullptr;
#endif
    for (int i = 0; i < kMaxSounds; ++i) {
        soundBuffers[i] = 0;
        soundPlayCount[i] = 0;
    }
    soundCount = 0;
}

void setListenerGain(float value) {
    gain = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    if (audible()) alListenerf(AL_GAIN, gain);
}

float listenerGain() {
    if (!audible()) return gain;
    ALfloat value = 1.0f;
    alGetListenerf(AL_GAIN, &value);
    return value;
}
