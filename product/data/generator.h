// The data file generator's pieces (make_dat.cpp assembles the file): its
// arithmetic, and the chunks each part draws, synthesises or lays out. Plain
// C++: the generator runs on the build machine.
#ifndef MURKLE_DATA_GENERATOR_H
#define MURKLE_DATA_GENERATOR_H

#include <cmath>
#include <cstdint>
#include <vector>

namespace gen {

using Bytes = std::vector<uint8_t>;

// xorshift32: small, and the same on every platform.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return int(Next() % uint32_t(n)); }
  // Roughly uniform in [-amplitude, amplitude].
  int Jitter(int amplitude) { return Below(2 * amplitude + 1) - amplitude; }

 private:
  uint32_t state_;
};

// Floating point draws the shapes and tones. Only + - * / and sqrt are used,
// which IEEE 754 rounds the same way everywhere; the C library's sin and exp may
// differ in the last bit between versions, so we bring our own. (The tool is
// built with -ffp-contract=off, so that no multiply-add is fused either.)
constexpr double kPi = 3.14159265358979323846;

inline double Sin(double x) {
  x -= 2 * kPi * std::floor(x / (2 * kPi) + 0.5);  // to [-pi, pi]
  if (x > kPi / 2) x = kPi - x;
  else if (x < -kPi / 2) x = -kPi - x;
  double term = x, sum = x;
  for (int n = 1; n < 12; ++n) {
    term *= -x * x / ((2.0 * n) * (2.0 * n + 1));
    sum += term;
  }
  return sum;
}

inline double Cos(double x) { return Sin(x + kPi / 2); }

inline double Exp(double x) {
  const double ln2 = 0.69314718055994530942;
  const int k = int(std::floor(x / ln2 + 0.5));
  const double r = x - k * ln2;
  double term = 1, sum = 1;
  for (int n = 1; n < 20; ++n) {
    term *= r / n;
    sum += term;
  }
  return std::ldexp(sum, k);
}

inline uint8_t Clamp8(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

struct Colour {
  int r, g, b;
};
inline Colour Mix(Colour a, Colour b, double t) {
  return {int(a.r + (b.r - a.r) * t), int(a.g + (b.g - a.g) * t), int(a.b + (b.b - a.b) * t)};
}

// pictures.cpp: tile sheet id (1 to dat::kTileSheets), backdrop id (1 to
// dat::kBackdrops), each as its chunk.
Bytes TileSheetChunk(uint32_t id);
Bytes BackdropChunk(uint32_t id);

// sounds.cpp: sound id as its chunk, dithered with dither; the ambient loops
// take their length in samples.
Bytes SoundChunk(uint32_t id, Rng& dither);
Bytes AmbientChunk(uint32_t id, size_t samples, Rng& dither);

// levels.cpp: the levels, numbered from 1, as their chunks.
int LevelCount();
Bytes LevelChunk(int number);
// True, with the first such item's cell, when a level chunk holds a firefly
// or a flask that no walk from the start reaches without crossing the exit or
// a bog: the player could never take it.
bool FindUnreachableItem(const Bytes& chunk, int* x, int* y);

}  // namespace gen

#endif
