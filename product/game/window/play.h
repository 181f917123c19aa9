// Play: what keys, clicks and commands do to the game.
#ifndef MURKLE_WINDOW_PLAY_H
#define MURKLE_WINDOW_PLAY_H

#include <windows.h>

#include "game.h"

struct App;

enum class Screen { kTitle, kPlaying, kOver };

struct PlayState {
  Game game;
  Screen screen = Screen::kTitle;
  // How to play, shown over a game in progress, which waits underneath.
  bool help = false;
  unsigned tick = 0;
  bool walking = false;
  int walk_x = 0, walk_y = 0;
  char banner[128] = "";
};

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

#endif
