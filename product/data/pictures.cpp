// The data file's pictures: tile sheets and backdrops, drawn from fixed seeds.
#include <cstring>

#include "generator.h"
#include "murkle_dat.h"

namespace gen {

namespace {

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

}  // namespace

Bytes TileSheetChunk(uint32_t id) {
  Picture (*const sheets[])(uint32_t) = {MudFloor, ReedWall, BogWater, StartSlab, ExitGate,
                                         Fireflies, OilFlasks, Player, Icons};
  return sheets[id - 1](id * 31337u).Chunk();
}

Bytes BackdropChunk(uint32_t id) {
  const Scene scenes[dat::kBackdrops] = {
      {{8, 10, 36}, {70, 60, 90}, {30, 44, 30}, {10, 14, 30}, 22, 120, 2, 101},    // title
      {{20, 24, 60}, {150, 90, 70}, {40, 56, 34}, {20, 24, 40}, 0, 40, 1, 202},     // dusk
      {{4, 6, 20}, {24, 30, 60}, {20, 30, 22}, {6, 8, 20}, 16, 300, 1, 303},        // night
      {{30, 36, 44}, {90, 100, 104}, {36, 46, 40}, {30, 36, 40}, 12, 20, 6, 404},   // mist
      {{2, 3, 8}, {12, 16, 24}, {10, 18, 12}, {4, 6, 10}, 0, 500, 3, 505},          // deep
      {{2, 2, 4}, {40, 14, 14}, {14, 12, 10}, {6, 4, 4}, 0, 60, 2, 606},            // game over
      {{40, 60, 120}, {250, 180, 90}, {50, 80, 40}, {40, 50, 90}, 26, 10, 1, 707},  // victory
  };
  return Backdrop(scenes[id - 1]).Chunk();
}

}  // namespace gen
