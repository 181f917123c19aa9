// The game window and its parts, one file each: sound, messages, dialogs,
// play (what keys, clicks and commands do to the game), drawing, and loading
// the data and the scores. main.cpp has the window and WinMain.
#ifndef MURKLE_WINDOW_APP_H
#define MURKLE_WINDOW_APP_H

#include <windows.h>

#include "canvas.h"
#include "dialogs.h"
#include "loading.h"
#include "play.h"
#include "sound.h"

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kWalkTimer = 2;
constexpr UINT_PTR kAmbientTimer = 3;
constexpr UINT kAnimationMs = 150;
constexpr UINT kWalkMs = 110;
// Sent to ourselves after a game ends, so that the final picture is painted
// before the name is asked for.
constexpr UINT kGameEnded = WM_APP + 1;

// The window and what each part owns: its resources (the back buffer with
// its bitmaps and fonts), what the data file gives it, the play, the score
// table and the sound. The parts' functions are declared in their headers.
struct App {
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  Canvas canvas;
  GameContent content;
  PlayState play;
  ScoreBook scores;
  SoundState sound;
};

#endif
