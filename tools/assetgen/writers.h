// File writers: 24-bit BMP, 16-bit PCM WAVE, RGBA PNG and plain text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

// Each returns false (after printing why) when the file cannot be written.
bool writeBmp(const std::string& path, const Image8& img);
bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples, int rate);
bool writePng(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgba);
bool writeText(const std::string& path, const std::string& text);

// Creates a directory and its parents.
bool makeDirs(const std::string& path);
