// The game's dialogs: the high-score table and the name of a new high score,
// and the table they show and keep.
#ifndef MURKLE_WINDOW_DIALOGS_H
#define MURKLE_WINDOW_DIALOGS_H

#include <windows.h>

#include "score_table.h"

struct App;

struct ScoreBook {
  // The player's own table; empty when the profile has no place for it.
  char path[MAX_PATH] = "";
  bool told_unsaved = false;
  ScoreTable table = {};
  char last_name[kScoreNameSize] = "";
};

// The high-score table.
void ShowScores(App& app);
// The table after a game, with the new entry's place (-1: not in it) and what
// it says about the score.
void ShowGameScore(App& app, int place, uint32_t score);
// The name of a new high score; false when the player cancels.
bool AskName(App& app, char (&name)[kScoreNameSize]);

#endif
