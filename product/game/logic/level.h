// One level of the marsh as the game plays it, and its parser.
#ifndef MURKLE_LEVEL_H
#define MURKLE_LEVEL_H

#include <cstddef>
#include <cstdint>

#include "murkle_dat.h"

constexpr int kMaxCells = dat::kMaxLevelSide * dat::kMaxLevelSide;
constexpr int kMaxLightRadius = 8;

struct Level {
  int width, height;
  int oil;        // at the start and the lantern's capacity
  int flask_oil;  // what one flask adds
  int radius;     // cells the lantern lights
  uint32_t backdrop, ambient;
  char name[dat::kLevelNameSize];
  int start_x, start_y;
  uint8_t cells[kMaxCells];  // width * height codes, row by row

  dat::CellCode At(int x, int y) const { return dat::CellCode(cells[y * width + x]); }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// False unless data is a level chunk the game can play: sides in range, known
// cell codes, exactly one start, at least one exit, some oil, a sane light
// radius, a terminated name, and a backdrop and an ambient sound that exist.
bool ParseLevel(const uint8_t* data, size_t size, Level* level);

#endif
