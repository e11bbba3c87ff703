// Seeded random numbers and value noise: the only sources of variety in the content.
#pragma once

#include <cstdint>

// SplitMix64: tiny, well mixed and the same everywhere.
class Prng {
  public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform();                   // [0, 1)
    double range(double lo, double hi); // [lo, hi)
    int below(int n);                   // 0 .. n-1
    double gauss();                     // roughly normal, mean 0, deviation 1

  private:
    std::uint64_t state_;
};

// Hash of integer lattice coordinates to [0, 1).
double hash2(int x, int y, std::uint32_t seed);

// Smooth value noise in [0, 1]; period (when > 0) makes it tile along x.
double valueNoise(double x, double y, std::uint32_t seed, int period = 0);

// Fractal sum of value noise, normalised to [0, 1].
double fbm(double x, double y, int octaves, std::uint32_t seed, int period = 0);

// Distance to the nearest of jittered cell points (cellular noise), in cell units.
double cellular(double x, double y, std::uint32_t seed);
