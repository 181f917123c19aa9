// The game window's state and its parts, one file each: sound, messages,
// dialogs, play (what keys, clicks and commands do to the game), drawing, and
// loading the data and the scores. main.cpp has the window and WinMain.
#ifndef MURKLE_WINDOW_APP_H
#define MURKLE_WINDOW_APP_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "data_file.h"
#include "game.h"
#include "score_table.h"

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kWalkTimer = 2;
constexpr UINT_PTR kAmbientTimer = 3;
constexpr UINT kAnimationMs = 150;
constexpr UINT kWalkMs = 110;
// Sent to ourselves after a game ends, so that the final picture is painted
// before the name is asked for.
constexpr UINT kGameEnded = WM_APP + 1;

enum class Screen { kTitle, kPlaying, kOver };

struct App {
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  char data_path[MAX_PATH] = "";
  // The player's own table; empty when the profile has no place for it.
  char score_path[MAX_PATH] = "";
  bool told_unsaved = false;
  std::vector<uint8_t> data_bytes;
  DataFile data;
  std::vector<Level> levels;
  PictureView sheets[dat::kTileSheets + 1] = {};
  PictureView backdrops[dat::kBackdrops + 1] = {};
  const char* how_to_play = "";
  size_t how_to_play_size = 0;
  ScoreTable scores = {};
  char last_name[kScoreNameSize] = "";
  Game game;
  Screen screen = Screen::kTitle;
  // How to play, shown over a game in progress, which waits underneath.
  bool help = false;
  Canvas canvas;
  unsigned tick = 0;
  bool walking = false;
  int walk_x = 0, walk_y = 0;
  bool sound_on = true;
  // False once no sound can be played; the player is told the first time.
  bool sound_possible = true;
  bool told_no_sound = false;
  uint32_t ambient = 0;
  char banner[128] = "";
};

// sound.cpp: the level's ambient loop, and an effect over it; and the Sound
// item of the menu, ticked and enabled as sound is on and can be played.
void PlayAmbient(App& app);
void PlayEffect(App& app, uint32_t id);
void CheckSoundDevice(App& app);
void ShowSoundState(App& app);

// dialogs.cpp: the high-score table; the table after a game, with the new
// entry's place (-1: not in it) and what it says about the score; and the
// name of a new high score (false when the player cancels).
void ShowScores(App& app);
void ShowGameScore(App& app, int place, uint32_t score);
bool AskName(App& app, char (&name)[kScoreNameSize]);

// play.cpp: what keys, clicks and commands do to the game.
void StopWalking(App& app);
// A game in progress is given up only when the player says so (question: the
// string-table text that asks); true when there is none to lose.
bool MayLeaveGame(App& app, UINT question);
void NewGame(App& app);
void RecordScore(App& app);
void WalkStep(App& app);
void ToggleHelp(App& app);
void Click(App& app, int x, int y);
void OnKey(App& app, WPARAM key);

// drawing.cpp: the whole client area, through the back buffer.
void Paint(App& app, HDC target);

// loading.cpp: the data file next to the program (false, with the player
// told why, when it cannot be used), and the player's score table.
bool LoadData(App& app);
void LoadTable(App& app);

#endif
