// Host tool: writes the game's data file (murkle.dat) and its initial score table
// (murkle.hsc). Everything is drawn and synthesised from fixed seeds, so every
// run on every machine writes the same bytes.
//
//   make_dat <murkle.dat> [<murkle.hsc>]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "murkle_dat.h"
#include "score_table.h"

namespace {

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

double Sin(double x) {
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

double Cos(double x) { return Sin(x + kPi / 2); }

double Exp(double x) {
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

uint8_t Clamp8(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

struct Colour {
  int r, g, b;
};
Colour Mix(Colour a, Colour b, double t) {
  return {int(a.r + (b.r - a.r) * t), int(a.g + (b.g - a.g) * t), int(a.b + (b.b - a.b) * t)};
}

// --- Pictures -------------------------------------------------------------------

class Picture {
 public:
  Picture(int width, int height, int frame_width)
      : width_(width), height_(height), frame_width_(frame_width),
        stride_(dat::PictureStride(width)), pixels_(stride_ * height, 0) {}
  int width() const { return width_; }
  int height() const { return height_; }
  void Set(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = &pixels_[size_t(y) * stride_ + size_t(x) * 3];
    p[0] = Clamp8(c.b);
    p[1] = Clamp8(c.g);
    p[2] = Clamp8(c.r);
  }
  Colour Get(int x, int y) const {
    const uint8_t* p = &pixels_[size_t(y) * stride_ + size_t(x) * 3];
    return {p[2], p[1], p[0]};
  }
  Bytes Chunk() const {
    Bytes out(dat::kPictureHeaderSize);
    dat::Put16(&out[dat::picture_at::kWidth], uint16_t(width_));
    dat::Put16(&out[dat::picture_at::kHeight], uint16_t(height_));
    dat::Put16(&out[dat::picture_at::kFrameWidth], uint16_t(frame_width_));
    dat::Put16(&out[dat::picture_at::kBitsPerPixel], 24);
    out.insert(out.end(), pixels_.begin(), pixels_.end());
    return out;
  }

 private:
  int width_, height_, frame_width_;
  size_t stride_;
  Bytes pixels_;
};

const Colour kKey = {dat::kKeyRed, dat::kKeyGreen, dat::kKeyBlue};

void FillFrame(Picture& pic, int frame, Colour c) {
  for (int y = 0; y < dat::kTileSize; ++y)
    for (int x = 0; x < dat::kTileSize; ++x) pic.Set(frame * dat::kTileSize + x, y, c);
}

void Disc(Picture& pic, int frame, double cx, double cy, double radius, Colour c) {
  for (int y = 0; y < dat::kTileSize; ++y)
    for (int x = 0; x < dat::kTileSize; ++x) {
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy <= radius * radius) pic.Set(frame * dat::kTileSize + x, y, c);
    }
}

// A soft glow: blends towards c, strongest at the centre.
void Glow(Picture& pic, int frame, double cx, double cy, double radius, Colour c) {
  for (int y = 0; y < dat::kTileSize; ++y)
    for (int x = 0; x < dat::kTileSize; ++x) {
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      double d = std::sqrt(dx * dx + dy * dy) / radius;
      if (d >= 1) continue;
      int px = frame * dat::kTileSize + x;
      Colour old = pic.Get(px, y);
      bool key = old.r == kKey.r && old.g == kKey.g && old.b == kKey.b;
      if (key && d > 0.55) continue;  // sprites keep a crisp outline
      pic.Set(px, y, Mix(key ? Colour{0, 0, 0} : old, c, (1 - d) * (1 - d)));
    }
}

void Rect(Picture& pic, int frame, int x0, int y0, int x1, int y1, Colour c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (x >= 0 && x < dat::kTileSize) pic.Set(frame * dat::kTileSize + x, y, c);
}

Picture MudFloor(uint32_t seed) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int f = 0; f < 8; ++f) {
    for (int y = 0; y < dat::kTileSize; ++y)
      for (int x = 0; x < dat::kTileSize; ++x) {
        int n = rng.Jitter(9);
        int wave = int(6 * Sin((x + f * 5) * 0.4) * Sin(y * 0.3));
        pic.Set(f * 32 + x, y, {74 + n + wave, 62 + n + wave, 38 + n / 2});
      }
    for (int blade = 0; blade < 6 + f; ++blade) {
      int x = rng.Below(32), y = 8 + rng.Below(24), h = 3 + rng.Below(6);
      for (int k = 0; k < h; ++k) pic.Set(f * 32 + x + (k > h / 2 ? 1 : 0), y - k, {58, 104 + k * 6, 40});
    }
    for (int stone = 0; stone < f % 3; ++stone)
      Disc(pic, f, 4 + rng.Below(24), 4 + rng.Below(24), 2 + rng.Below(2), {110, 104, 92});
  }
  return pic;
}

Picture ReedWall(uint32_t seed) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int f = 0; f < 8; ++f) {
    for (int y = 0; y < dat::kTileSize; ++y)
      for (int x = 0; x < dat::kTileSize; ++x) {
        int n = rng.Jitter(6);
        pic.Set(f * 32 + x, y, {22 + n, 40 + n, 20 + n});
      }
    for (int stalk = 0; stalk < 9; ++stalk) {
      int x = rng.Below(30), top = rng.Below(10);
      Colour c = {40 + rng.Below(30), 90 + rng.Below(50), 30 + rng.Below(20)};
      for (int y = top; y < 32; ++y) {
        int sway = int(2 * Sin(y * 0.2 + stalk + f));
        pic.Set(f * 32 + x + sway, y, c);
        pic.Set(f * 32 + x + sway + 1, y, Mix(c, {0, 0, 0}, 0.4));
      }
      // Bulrush heads.
      if (stalk % 3 == 0) Rect(pic, f, x - 1, top, x + 2, top + 6, {92, 58, 30});
    }
  }
  return pic;
}

Picture BogWater(uint32_t seed) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int f = 0; f < 8; ++f) {
    for (int y = 0; y < dat::kTileSize; ++y)
      for (int x = 0; x < dat::kTileSize; ++x) {
        double dx = x - 15.5, dy = y - 15.5;
        double r = std::sqrt(dx * dx + dy * dy);
        // sin(a + 2 * angle), with the angle's double-angle cosine and sine
        // taken from dx and dy directly.
        const double a = r * 0.7 - f * kPi / 4, r2 = r * r > 0 ? r * r : 1;
        double swirl = Sin(a) * (dx * dx - dy * dy) / r2 + Cos(a) * (2 * dx * dy) / r2;
        int n = rng.Jitter(4) + int(10 * swirl);
        pic.Set(f * 32 + x, y, {30 + n, 36 + n, 24 + n / 2});
      }
    int bx = 8 + (f * 5) % 16, by = 24 - f * 2;
    Disc(pic, f, bx, by, 2.2, {90, 100, 70});
    Disc(pic, f, bx, by, 1.0, {50, 58, 40});
  }
  return pic;
}

Picture StartSlab(uint32_t seed) {
  Picture pic(dat::kTileSize, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int n = rng.Jitter(10);
      bool edge = x < 3 || y < 3 || x > 28 || y > 28;
      pic.Set(x, y, edge ? Colour{74 + n, 62 + n, 38 + n} : Colour{128 + n, 122 + n, 110 + n});
    }
  return pic;
}

Picture ExitGate(uint32_t seed) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int f = 0; f < 8; ++f) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        int n = rng.Jitter(8);
        pic.Set(f * 32 + x, y, {74 + n, 62 + n, 38 + n / 2});
      }
    // A ring of stepping stones around a pulsing light.
    for (int s = 0; s < 8; ++s) {
      double a = s * kPi / 4 + f * 0.1;
      Disc(pic, f, 16 + 11 * Cos(a), 16 + 11 * Sin(a), 3, {120, 116, 100});
    }
    double pulse = 0.5 + 0.5 * Sin(f * kPi / 4);
    Glow(pic, f, 16, 16, 8 + 4 * pulse, {170 + int(60 * pulse), 230, 255});
  }
  return pic;
}

Picture Fireflies(uint32_t seed) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  Rng rng(seed);
  for (int f = 0; f < 8; ++f) {
    FillFrame(pic, f, kKey);
    double cx = 16 + 3 * Sin(f * kPi / 4), cy = 16 + 2 * Cos(f * kPi / 4);
    Glow(pic, f, cx, cy, 11 + rng.Below(3), {250, 240, 120});
    Disc(pic, f, cx, cy, 2.5, {255, 255, 200});
    bool up = f % 2 == 0;
    Disc(pic, f, cx - 3, cy - (up ? 4 : 1), 2, {200, 220, 230});
    Disc(pic, f, cx + 3, cy - (up ? 4 : 1), 2, {200, 220, 230});
  }
  return pic;
}

Picture OilFlasks(uint32_t) {
  Picture pic(dat::kTileSize * 4, dat::kTileSize, dat::kTileSize);
  for (int f = 0; f < 4; ++f) {
    FillFrame(pic, f, kKey);
    Disc(pic, f, 16, 20, 9, {60, 80, 110});
    Rect(pic, f, 13, 5, 19, 13, {60, 80, 110});
    Rect(pic, f, 12, 3, 20, 6, {120, 80, 40});
    // The oil inside catches the light as the flask sways.
    Disc(pic, f, 16, 22, 6, {200, 150, 40});
    Disc(pic, f, 13 + f, 18, 1.5, {255, 240, 190});
  }
  return pic;
}

// Player frames: down, up, left, right, two steps each.
Picture Player(uint32_t) {
  Picture pic(dat::kTileSize * 8, dat::kTileSize, dat::kTileSize);
  const Colour coat = {110, 70, 40}, skin = {230, 190, 150}, hat = {50, 40, 30};
  for (int f = 0; f < 8; ++f) {
    FillFrame(pic, f, kKey);
    int dir = f / 2, step = f % 2;
    Rect(pic, f, 11, 12, 21, 24, coat);                        // body
    Rect(pic, f, 11 + step * 2, 24, 14 + step * 2, 30, hat);  // legs
    Rect(pic, f, 18 - step * 2, 24, 21 - step * 2, 30, hat);
    Disc(pic, f, 16, 9, 5, skin);  // head
    Rect(pic, f, 10, 3, 22, 6, hat);
    int lx = dir == 2 ? 6 : dir == 3 ? 26 : 24, ly = 18 + step;
    if (dir == 0) {
      Disc(pic, f, 14, 9, 0.9, {20, 20, 20});
      Disc(pic, f, 18, 9, 0.9, {20, 20, 20});
    }
    Glow(pic, f, lx, ly, 7, {255, 220, 120});
    Rect(pic, f, lx - 2, ly - 2, lx + 2, ly + 3, {250, 200, 80});
  }
  return pic;
}

Picture Icons(uint32_t) {
  Picture pic(dat::kTileSize * 3, dat::kTileSize, dat::kTileSize);
  for (int f = 0; f < 3; ++f) FillFrame(pic, f, kKey);
  // Lantern.
  Rect(pic, 0, 10, 8, 22, 26, {60, 50, 40});
  Glow(pic, 0, 16, 17, 9, {255, 220, 120});
  Rect(pic, 0, 12, 4, 20, 8, {60, 50, 40});
  // Oil drop.
  Disc(pic, 1, 16, 20, 8, {200, 150, 40});
  for (int y = 4; y < 14; ++y) Rect(pic, 1, 16 - (y - 4) / 2, y, 17 + (y - 4) / 2, y + 1, {200, 150, 40});
  // Firefly.
  Glow(pic, 2, 16, 16, 12, {250, 240, 120});
  Disc(pic, 2, 16, 16, 3, {255, 255, 200});
  return pic;
}

struct Scene {
  Colour sky_top, sky_bottom, land, water;
  double moon;  // 0: no moon
  int stars, mist;
  uint32_t seed;
};

// A marsh at night: sky, far hills, reeds and still water with reflections.
Picture Backdrop(const Scene& s) {
  const int w = dat::kBackdropWidth, h = dat::kBackdropHeight, horizon = h * 11 / 20;
  Picture pic(w, h, w);
  Rng rng(s.seed);
  std::vector<int> hill(w), reeds(w);
  for (int x = 0; x < w; ++x) {
    hill[x] = horizon - 30 - int(26 * Sin(x * 0.011 + s.seed % 7) + 14 * Sin(x * 0.037 + 1.3) +
                                 5 * Sin(x * 0.13));
    reeds[x] = horizon - 4 - rng.Below(18) * (rng.Below(4) == 0);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Colour c;
      if (y < horizon) {
        c = Mix(s.sky_top, s.sky_bottom, double(y) / horizon);
        if (s.moon > 0) {
          double dx = x - 470.0, dy = y - 90.0, d = std::sqrt(dx * dx + dy * dy);
          if (d < s.moon) c = {236, 232, 200};
          else if (d < s.moon * 4) c = Mix(c, {180, 180, 160}, 0.25 * (1 - d / (s.moon * 4)));
        }
        if (y > hill[x]) c = Mix(s.land, {0, 0, 0}, 0.3 + 0.4 * double(y - hill[x]) / (horizon - hill[x] + 1));
        if (y > reeds[x]) c = {s.land.r / 3, s.land.g / 2, s.land.b / 3};
      } else {
        // Water mirrors the sky and hills, darker and rippled.
        int mirror = 2 * horizon - y - 1 + int(3 * Sin(y * 0.5 + x * 0.02));
        if (mirror < 0) mirror = 0;
        Colour up = pic.Get(x, mirror);
        c = Mix(up, s.water, 0.45 + 0.3 * double(y - horizon) / (h - horizon));
      }
      int n = rng.Jitter(3);
      pic.Set(x, y, {c.r + n, c.g + n, c.b + n});
    }
  for (int i = 0; i < s.stars; ++i) {
    int x = rng.Below(w), y = rng.Below(horizon - 60);
    int b = 150 + rng.Below(100);
    pic.Set(x, y, {b, b, b});
  }
  // Mist banks: soft horizontal bands over everything.
  for (int band = 0; band < s.mist; ++band) {
    int cy = horizon - 40 + rng.Below(160), thick = 20 + rng.Below(30);
    double phase = rng.Below(100) * 0.1;
    for (int y = cy - thick; y < cy + thick; ++y) {
      if (y < 0 || y >= h) continue;
      for (int x = 0; x < w; ++x) {
        double t = 1 - std::fabs(double(y - cy)) / thick;
        t *= 0.25 * (1 + Sin(x * 0.015 + phase));
        pic.Set(x, y, Mix(pic.Get(x, y), {170, 180, 185}, t));
      }
    }
  }
  return pic;
}

// --- Sounds ---------------------------------------------------------------------

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

// --- Levels ---------------------------------------------------------------------

struct LevelPlan {
  const char* name;
  int side;
  int radius;
  uint32_t backdrop;
  uint32_t ambient;
};

const LevelPlan kLevels[] = {
    {"Reed Edge", 11, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Willow Bend", 15, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Heron Pools", 19, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Peat Cuttings", 23, 3, dat::kBackdropNight, dat::kSoundAmbientDusk},
    {"Drowned Lane", 27, 3, dat::kBackdropNight, dat::kSoundAmbientDusk},
    {"Mistwater", 31, 3, dat::kBackdropMist, dat::kSoundAmbientDeep},
    {"Lantern Fen", 35, 3, dat::kBackdropMist, dat::kSoundAmbientDeep},
    {"Black Sedge", 39, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
    {"Old Causeway", 43, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
    {"Murkle Deep", 47, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
};
constexpr int kLevelCount = int(sizeof kLevels / sizeof kLevels[0]);

// Breadth-first distances from (sx, sy) over cells that pass(); -1 unreachable.
template <typename Pass>
std::vector<int> Distances(int side, int sx, int sy, Pass pass) {
  std::vector<int> dist(size_t(side) * side, -1);
  std::vector<int> queue;
  dist[size_t(sy) * side + sx] = 0;
  queue.push_back(sy * side + sx);
  for (size_t head = 0; head < queue.size(); ++head) {
    int x = queue[head] % side, y = queue[head] / side;
    const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k) {
      int nx = x + dx[k], ny = y + dy[k];
      if (nx < 0 || ny < 0 || nx >= side || ny >= side) continue;
      int i = ny * side + nx;
      if (dist[i] >= 0 || !pass(i)) continue;
      dist[i] = dist[size_t(y) * side + x] + 1;
      queue.push_back(i);
    }
  }
  return dist;
}

Bytes MakeLevel(int number, const LevelPlan& plan) {
  const int side = plan.side;
  Rng rng(0x4D55524Bu + uint32_t(number) * 104729u);
  std::vector<uint8_t> cell(size_t(side) * side, dat::kWall);
  auto at = [&](int x, int y) -> uint8_t& { return cell[size_t(y) * side + x]; };

  // A maze carved by a randomised depth-first walk over the odd cells...
  std::vector<int> stack = {1 * side + 1};
  at(1, 1) = dat::kFloor;
  while (!stack.empty()) {
    int x = stack.back() % side, y = stack.back() / side;
    int options[4], count = 0;
    const int dx[] = {2, -2, 0, 0}, dy[] = {0, 0, 2, -2};
    for (int k = 0; k < 4; ++k) {
      int nx = x + dx[k], ny = y + dy[k];
      if (nx > 0 && ny > 0 && nx < side - 1 && ny < side - 1 && at(nx, ny) == dat::kWall) options[count++] = k;
    }
    if (count == 0) {
      stack.pop_back();
      continue;
    }
    int k = options[rng.Below(count)];
    at(x + dx[k] / 2, y + dy[k] / 2) = dat::kFloor;
    at(x + dx[k], y + dy[k]) = dat::kFloor;
    stack.push_back((y + dy[k]) * side + x + dx[k]);
  }
  // ...with some walls knocked through, so that there is more than one way round.
  for (int n = side * side / 14; n > 0; --n) {
    int x = 1 + rng.Below(side - 2), y = 1 + rng.Below(side - 2);
    bool across = (at(x - 1, y) == dat::kFloor && at(x + 1, y) == dat::kFloor) ||
                  (at(x, y - 1) == dat::kFloor && at(x, y + 1) == dat::kFloor);
    if (at(x, y) == dat::kWall && across) at(x, y) = dat::kFloor;
  }

  // The exit is the floor cell farthest from the start.
  at(1, 1) = dat::kStart;
  auto open = [&](int i) { return cell[i] != dat::kWall && cell[i] != dat::kBog; };
  std::vector<int> dist = Distances(side, 1, 1, open);
  int exit = 0;
  for (int i = 0; i < side * side; ++i)
    if (dist[i] > dist[exit]) exit = i;
  cell[exit] = dat::kExit;
  const int path = dist[exit];

  // Bogs where they do not cut anything off from the start.
  int reachable = 0;
  for (int d : dist) reachable += d >= 0;
  for (int tries = side * 3, placed = 0; tries > 0 && placed < side / 2; --tries) {
    int i = rng.Below(side * side);
    if (cell[i] != dat::kFloor || dist[i] < 3) continue;
    cell[i] = dat::kBog;
    std::vector<int> d = Distances(side, 1, 1, open);
    int still = 0;
    for (int v : d) still += v >= 0;
    if (still != reachable - 1) {
      cell[i] = dat::kFloor;
      continue;
    }
    --reachable;
    ++placed;
  }
  dist = Distances(side, 1, 1, open);

  // Fireflies all over, flasks of oil a fair walk apart.
  for (int n = side + side / 2, tries = side * side; n > 0 && tries > 0; --tries) {
    int i = rng.Below(side * side);
    if (cell[i] == dat::kFloor && dist[i] > 1) {
      cell[i] = dat::kFirefly;
      --n;
    }
  }
  const int flasks = 1 + side / 10;
  for (int n = flasks, tries = side * side; n > 0 && tries > 0; --tries) {
    int i = rng.Below(side * side);
    if (cell[i] == dat::kFloor && dist[i] > path / 4) {
      cell[i] = dat::kOilFlask;
      --n;
    }
  }

  // Enough oil to reach the exit with room to look around; darker levels are
  // meaner with it.
  const int oil = path * 2 + 40 - number * 2;
  const int flask = side * 2;

  Bytes out(dat::kLevelHeaderSize + cell.size(), 0);
  namespace field = dat::level_at;
  dat::Put16(&out[field::kWidth], uint16_t(side));
  dat::Put16(&out[field::kHeight], uint16_t(side));
  dat::Put16(&out[field::kOil], uint16_t(oil));
  dat::Put16(&out[field::kFlaskOil], uint16_t(flask));
  out[field::kRadius] = uint8_t(plan.radius);
  out[field::kBackdrop] = uint8_t(plan.backdrop);
  out[field::kAmbient] = uint8_t(plan.ambient);
  memcpy(&out[field::kName], plan.name, strlen(plan.name));
  memcpy(&out[dat::kLevelHeaderSize], cell.data(), cell.size());
  return out;
}

// Line breaks only between paragraphs: the window wraps the lines to its panel.
const char kHowToPlay[] =
    "Night has fallen on the marsh, and the fireflies are out.\r\n"
    "\r\n"
    "Walk with the arrow keys, or click where you want to go. "
    "Your lantern lights the cells around you; the marsh remembers what you have seen, dimly.\r\n"
    "\r\n"
    "Every step burns oil. Pick up flasks to refill the lantern. "
    "Catch fireflies for points. Keep out of the bog holes. "
    "Reach the stepping stones to leave the level: the oil you have left is worth a bonus.\r\n"
    "\r\n"
    "A bog hole or an empty lantern costs one of your three lanterns.\r\n";

// --- The file -------------------------------------------------------------------

struct Chunk {
  uint32_t tag, id;
  Bytes bytes;
};

Bytes Assemble(const std::vector<Chunk>& chunks) {
  const size_t directory = dat::kHeaderSize;
  size_t offset = directory + chunks.size() * dat::kEntrySize;
  Bytes file(offset, 0);
  for (size_t i = 0; i < chunks.size(); ++i) {
    offset = (file.size() + 3) & ~size_t(3);
    file.resize(offset, 0);
    file.insert(file.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
    uint8_t* entry = &file[directory + i * dat::kEntrySize];
    dat::Put32(entry + dat::entry_at::kTag, chunks[i].tag);
    dat::Put32(entry + dat::entry_at::kId, chunks[i].id);
    dat::Put32(entry + dat::entry_at::kOffset, uint32_t(offset));
    dat::Put32(entry + dat::entry_at::kSize, uint32_t(chunks[i].bytes.size()));
    dat::Put32(entry + dat::entry_at::kCrc, dat::Crc32(chunks[i].bytes.data(), chunks[i].bytes.size()));
  }
  namespace at = dat::header_at;
  memcpy(&file[at::kMagic], dat::kMagic, sizeof dat::kMagic);
  dat::Put32(&file[at::kVersion], dat::kVersion);
  dat::Put32(&file[at::kFileSize], uint32_t(file.size()));
  dat::Put32(&file[at::kChunkCount], uint32_t(chunks.size()));
  dat::Put32(&file[at::kDirectory], uint32_t(directory));
  dat::Put32(&file[at::kDirectoryCrc], dat::Crc32(&file[directory], chunks.size() * dat::kEntrySize));
  dat::Put32(&file[at::kHeaderCrc], dat::Crc32(&file[0], at::kHeaderCrc));
  return file;
}

// Every chunk but the deep marsh's ambient loop, which takes the room left
// (MakeFile); deep_sound is where it goes in the list.
std::vector<Chunk> MakeChunks(size_t* deep_sound, Rng* dither) {
  std::vector<Chunk> chunks;
  for (int i = 0; i < kLevelCount; ++i) chunks.push_back({dat::kTagLevel, uint32_t(i + 1), MakeLevel(i + 1, kLevels[i])});

  Picture (*const sheets[])(uint32_t) = {MudFloor, ReedWall, BogWater, StartSlab, ExitGate,
                                         Fireflies, OilFlasks, Player, Icons};
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id)
    chunks.push_back({dat::kTagTiles, id, sheets[id - 1](id * 31337u).Chunk()});

  const Scene scenes[dat::kBackdrops] = {
      {{8, 10, 36}, {70, 60, 90}, {30, 44, 30}, {10, 14, 30}, 22, 120, 2, 101},    // title
      {{20, 24, 60}, {150, 90, 70}, {40, 56, 34}, {20, 24, 40}, 0, 40, 1, 202},     // dusk
      {{4, 6, 20}, {24, 30, 60}, {20, 30, 22}, {6, 8, 20}, 16, 300, 1, 303},        // night
      {{30, 36, 44}, {90, 100, 104}, {36, 46, 40}, {30, 36, 40}, 12, 20, 6, 404},   // mist
      {{2, 3, 8}, {12, 16, 24}, {10, 18, 12}, {4, 6, 10}, 0, 500, 3, 505},          // deep
      {{2, 2, 4}, {40, 14, 14}, {14, 12, 10}, {6, 4, 4}, 0, 60, 2, 606},            // game over
      {{40, 60, 120}, {250, 180, 90}, {50, 80, 40}, {40, 50, 90}, 26, 10, 1, 707},  // victory
  };
  for (uint32_t id = 1; id <= dat::kBackdrops; ++id)
    chunks.push_back({dat::kTagBackdrop, id, Backdrop(scenes[id - 1]).Chunk()});

  static_assert(dat::kSoundAmbientDeep == dat::kSounds, "the loop that fills the file is the last sound");
  for (uint32_t id = 1; id < dat::kSoundAmbientDeep; ++id) {
    Wave w = id == dat::kSoundAmbientDusk ? Ambient(id, size_t(12 * dat::kSampleRate)) : SoundFor(id);
    chunks.push_back({dat::kTagSound, id, w.Chunk(*dither)});
  }
  *deep_sound = chunks.size();
  chunks.push_back({dat::kTagSound, dat::kSoundAmbientDeep, Bytes()});
  chunks.push_back({dat::kTagText, dat::kTextHowToPlay, Bytes(kHowToPlay, kHowToPlay + sizeof kHowToPlay - 1)});
  return chunks;
}

// The file at the size that the installer declares for it, or as little below
// it as the chunks' 4-byte alignment leaves: the deep marsh's ambient loop
// takes the room. Empty when even a loop of no samples does not fit.
Bytes MakeFile(size_t size) {
  size_t deep = 0;
  Rng dither(0xD17E);
  std::vector<Chunk> chunks = MakeChunks(&deep, &dither);
  chunks[deep].bytes = Wave(size_t(0)).Chunk(dither);
  const size_t empty = Assemble(chunks).size();
  if (empty > size) return Bytes();
  // Each sample is a byte; an odd count gets a pad byte, and the text after
  // the loop moves to the next 4-byte boundary.
  for (size_t samples = size - empty + 4; samples > 0; --samples) {
    Rng loop_dither = dither;
    chunks[deep].bytes = Ambient(dat::kSoundAmbientDeep, samples).Chunk(loop_dither);
    Bytes file = Assemble(chunks);
    if (file.size() <= size) return file;
  }
  return Bytes();
}

bool WriteFile(const char* path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: make_dat <size in bytes> <murkle.dat> [<murkle.hsc>]\n");
    return 2;
  }
  Bytes file = MakeFile(std::strtoul(argv[1], nullptr, 10));
  if (file.empty()) {
    std::fprintf(stderr, "make_dat: the data does not fit in %s bytes\n", argv[1]);
    return 1;
  }
  if (!WriteFile(argv[2], file.data(), file.size())) {
    std::fprintf(stderr, "make_dat: cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc == 4) {
    ScoreTable table;
    DefaultScoreTable(&table);
    uint8_t bytes[kScoreFileSize];
    SerializeScores(table, bytes);
    if (!WriteFile(argv[3], bytes, sizeof bytes)) {
      std::fprintf(stderr, "make_dat: cannot write %s\n", argv[3]);
      return 1;
    }
  }
  return 0;
}
