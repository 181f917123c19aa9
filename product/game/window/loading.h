// Loading: the data file next to the program, and the player's score table.
#ifndef MURKLE_WINDOW_LOADING_H
#define MURKLE_WINDOW_LOADING_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "data_file.h"
#include "game.h"

struct App;

// What the data file gives the window, read once at the start.
struct GameContent {
  char path[MAX_PATH] = "";
  std::vector<uint8_t> bytes;
  DataFile file;
  std::vector<Level> levels;
  PictureView sheets[dat::kTileSheets + 1] = {};
  PictureView backdrops[dat::kBackdrops + 1] = {};
  const char* how_to_play = "";
  size_t how_to_play_size = 0;
};

// The data file next to the program; false, with the player told why, when it
// cannot be used.
bool LoadData(App& app);
// The player's score table, or the installed one until the player has one.
void LoadTable(App& app);

#endif
