// The data file's sounds, synthesised: effects, and the ambient loops.
#include <cstring>

#include "generator.h"
#include "murkle_dat.h"

namespace gen {

namespace {

class Wave {
 public:
  explicit Wave(double seconds) : Wave(size_t(seconds * dat::kSampleRate)) {}
  explicit Wave(size_t samples) : samples_(samples, 0.0) {}
  size_t size() const { return samples_.size(); }
  double& at(size_t i) { return samples_[i]; }
  // A tone from start to start + length seconds with a decaying envelope.
  void Tone(double start, double length, double freq, double volume, double decay = 4) {
    size_t first = size_t(start * dat::kSampleRate), n = size_t(length * dat::kSampleRate);
    for (size_t i = 0; i < n && first + i < samples_.size(); ++i) {
      double t = double(i) / dat::kSampleRate;
      double attack = i < 200 ? i / 200.0 : 1.0;
      samples_[first + i] += volume * attack * Exp(-decay * t) * Sin(2 * kPi * freq * t);
    }
  }
  Bytes Chunk(Rng& dither) const {
    const uint32_t n = uint32_t(samples_.size());
    namespace at = dat::wave_at;
    Bytes out(at::kHeaderSize + n + (n & 1));
    uint8_t* p = out.data();
    memcpy(p + at::kRiff, "RIFF", 4);
    dat::Put32(p + at::kRiffSize, uint32_t(out.size() - 8));
    memcpy(p + at::kWaveFmt, "WAVEfmt ", 8);
    dat::Put32(p + at::kFmtSize, 16);
    dat::Put16(p + at::kFormat, 1);  // PCM
    dat::Put16(p + at::kChannels, 1);  // mono
    dat::Put32(p + at::kSampleRate, dat::kSampleRate);
    dat::Put32(p + at::kByteRate, dat::kSampleRate);
    dat::Put16(p + at::kBlockAlign, 1);
    dat::Put16(p + at::kBitsPerSample, 8);
    memcpy(p + at::kData, "data", 4);
    dat::Put32(p + at::kDataSize, n);
    // A little dither keeps quiet passages from sounding stepped.
    uint8_t* samples = p + at::kHeaderSize;
    for (uint32_t i = 0; i < n; ++i)
      samples[i] = Clamp8(128 + int(std::lround(samples_[i] * 120)) + dither.Jitter(1));
    if (n & 1) samples[n] = 0;
    return out;
  }

 private:
  std::vector<double> samples_;
};

Wave Noise(double seconds, double volume, double decay, uint32_t seed) {
  Wave w(seconds);
  Rng rng(seed);
  double low = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = double(i) / dat::kSampleRate;
    low = low * 0.9 + (rng.Below(2001) - 1000) / 1000.0 * 0.1;  // muffled
    w.at(i) = volume * Exp(-decay * t) * low * 3;
  }
  return w;
}

Wave SoundFor(uint32_t id) {
  switch (id) {
    case dat::kSoundBump: {
      Wave w = Noise(0.12, 0.8, 30, 11);
      w.Tone(0, 0.12, 70, 0.5, 25);
      return w;
    }
    case dat::kSoundFirefly: {
      Wave w(0.3);
      w.Tone(0, 0.3, 1320, 0.4, 9);
      w.Tone(0.06, 0.24, 1980, 0.3, 10);
      return w;
    }
    case dat::kSoundOil: {
      Wave w(0.4);
      for (int k = 0; k < 4; ++k) w.Tone(k * 0.09, 0.12, 220 + 60 * k, 0.5, 20);
      return w;
    }
    case dat::kSoundBog: {
      Wave w = Noise(0.8, 0.9, 4, 12);
      w.Tone(0, 0.8, 110, 0.4, 3);
      w.Tone(0.1, 0.7, 82, 0.3, 3);
      return w;
    }
    case dat::kSoundExit: {
      Wave w(1.0);
      const double notes[] = {523.25, 659.25, 783.99, 1046.5};
      for (int k = 0; k < 4; ++k) w.Tone(k * 0.15, 0.45, notes[k], 0.35, 5);
      return w;
    }
    case dat::kSoundLanternOut: {
      Wave w(1.2);
      for (int k = 0; k < 5; ++k) w.Tone(k * 0.2, 0.4, 440 - 60 * k, 0.35, 6);
      return w;
    }
    case dat::kSoundVictory: {
      Wave w(2.5);
      const double tune[] = {392, 523.25, 659.25, 587.33, 659.25, 783.99, 1046.5};
      for (int k = 0; k < 7; ++k) w.Tone(k * 0.25, k == 6 ? 1.0 : 0.4, tune[k], 0.3, k == 6 ? 2 : 5);
      return w;
    }
    default:
      return Wave(size_t(0));
  }
}

// Ambient loops: frogs and crickets at dusk, wind and a low drone in the deep
// marsh. Both start and end at silence, so the loop seam does not click.
Wave Ambient(uint32_t id, size_t samples) {
  Wave w(samples);
  const double seconds = double(samples) / dat::kSampleRate;
  Rng rng(id * 7919);
  if (id == dat::kSoundAmbientDusk) {
    double wind = 0;
    for (size_t i = 0; i < w.size(); ++i) {
      wind = wind * 0.995 + (rng.Below(2001) - 1000) / 1000.0 * 0.005;
      w.at(i) = wind * 2;
    }
    for (double t = 0.3; t < seconds - 1; t += 0.35 + rng.Below(60) / 100.0) {
      if (rng.Below(3) == 0) {
        double f = 180 + rng.Below(80);  // frog: a short low croak, twice
        w.Tone(t, 0.12, f, 0.35, 18);
        w.Tone(t + 0.14, 0.12, f * 0.9, 0.3, 18);
      } else {
        w.Tone(t, 0.05, 4200 + rng.Below(600), 0.12, 40);  // cricket chirp
      }
    }
  } else {
    double wind = 0, gust = 0;
    for (size_t i = 0; i < w.size(); ++i) {
      double t = double(i) / dat::kSampleRate;
      gust = 0.5 + 0.5 * Sin(2 * kPi * t / 7.0) * Sin(2 * kPi * t / 3.1);
      wind = wind * 0.98 + (rng.Below(2001) - 1000) / 1000.0 * 0.02;
      w.at(i) = wind * 4 * gust + 0.12 * Sin(2 * kPi * 55 * t) * (0.6 + 0.4 * Sin(2 * kPi * t / 5));
    }
    for (double t = 1; t < seconds - 2; t += 3 + rng.Below(300) / 100.0)
      w.Tone(t, 1.5, 300 + rng.Below(200), 0.1, 2);  // a distant bird
  }
  const size_t fade = dat::kSampleRate / 4;
  for (size_t i = 0; i < fade && i < w.size() / 2; ++i) {
    double g = double(i) / fade;
    w.at(i) *= g;
    w.at(w.size() - 1 - i) *= g;
  }
  return w;
}

}  // namespace

Bytes SoundChunk(uint32_t id, Rng& dither) { return SoundFor(id).Chunk(dither); }

Bytes AmbientChunk(uint32_t id, size_t samples, Rng& dither) { return Ambient(id, samples).Chunk(dither); }

}  // namespace gen
