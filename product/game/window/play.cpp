// What the player's keys, clicks and commands do to the game: moves, walks,
// levels, help, and the scores at the end.
#include "play.h"

#include <windows.h>

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "layout.h"
#include "messages.h"
#include "resource.h"
#include "storage.h"

void StopWalking(App& app) {
  app.play.walking = false;
  KillTimer(app.window, kWalkTimer);
}

namespace {

void StartLevelSound(App& app) {
  app.sound.ambient = app.play.game.level().ambient;
  PlayAmbient(app);
}

}  // namespace

bool MayLeaveGame(App& app, UINT question) {
  if (app.play.screen != Screen::kPlaying) return true;
  StopWalking(app);
  char text[160];
  LoadText(app.instance, question, text, sizeof text);
  // No is the default: Enter keeps playing.
  return ShowMessage(app, text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void NewGame(App& app) {
  StopWalking(app);
  app.play.game.NewGame(app.content.levels.data(), int(app.content.levels.size()));
  app.play.screen = Screen::kPlaying;
  app.play.help = false;
  app.play.banner[0] = '\0';
  StartLevelSound(app);
  InvalidateRect(app.window, nullptr, FALSE);
}

namespace {

// The player's table as it stands on disk now, so that a game saved meanwhile
// by another copy of Murkle counts when this score is weighed.
void ReloadTable(App& app) {
  ScoreTable latest;
  DWORD error = 0;
  if (app.scores.path[0] && LoadScores(app.scores.path, &latest, &error) == ScoreLoad::kLoaded)
    app.scores.table = latest;
}

// Into the player's profile, never next to the program, merged with what is
// there; the entry's place, or -1. A table that cannot be kept is said once;
// the scores stay in memory until the game is closed.
int SaveEntry(App& app, const char* name, uint32_t score, int level) {
  DWORD error = 0;
  int place = -1;
  if (app.scores.path[0] && MakeProfileFolder(&error) &&
      SaveScore(app.scores.path, name, score, level, &app.scores.table, &place, &error))
    return place;
  place = InsertScore(&app.scores.table, name, score, level);
  if (app.scores.told_unsaved) return place;
  app.scores.told_unsaved = true;
  if (!app.scores.path[0]) {
    char text[256];
    LoadText(app.instance, IDS_SCORES_NOT_KEPT, text, sizeof text);
    ShowMessage(app, text, MB_OK | MB_ICONINFORMATION);
    return place;
  }
  ShowSystemError<IDS_SCORE_NOT_SAVED>(app, error, static_cast<const char*>(app.scores.path));
  return place;
}

}  // namespace

void RecordScore(App& app) {
  const uint32_t score = app.play.game.score();
  ReloadTable(app);
  if (!ScoreQualifies(app.scores.table, score)) {
    ShowGameScore(app, -1, score);
    return;
  }
  char name[kScoreNameSize];
  if (!AskName(app, name)) return;
  CleanScoreName(name, app.scores.last_name);
  const int place = SaveEntry(app, name, score, app.play.game.level_number());
  ShowGameScore(app, place, score);
}

namespace {

void AfterMove(App& app, MoveResult result) {
  Game& game = app.play.game;
  switch (result) {
    case MoveResult::kIgnored:
    case MoveResult::kStep:
      break;
    case MoveResult::kBump:
      PlayEffect(app, dat::kSoundBump);
      break;
    case MoveResult::kFirefly:
      PlayEffect(app, dat::kSoundFirefly);
      break;
    case MoveResult::kOil:
      PlayEffect(app, dat::kSoundOil);
      break;
    case MoveResult::kBog:
      PlayEffect(app, dat::kSoundBog);
      LoadText(app.instance, IDS_BOG_TOOK_LANTERN, app.play.banner, sizeof app.play.banner);
      break;
    case MoveResult::kLanternOut:
      PlayEffect(app, dat::kSoundLanternOut);
      LoadText(app.instance, IDS_LANTERN_OUT, app.play.banner, sizeof app.play.banner);
      break;
    case MoveResult::kExit:
      PlayEffect(app, dat::kSoundExit);
      FormatLoaded<kGameFormats, IDS_LEVEL_DONE>(app.instance, app.play.banner, sizeof app.play.banner,
                                                 static_cast<const char*>(game.level().name));
      break;
    case MoveResult::kVictory:
    case MoveResult::kGameOver:
      app.sound.ambient = 0;
      KillTimer(app.window, kAmbientTimer);
      PlayEffect(app, result == MoveResult::kVictory ? dat::kSoundVictory : dat::kSoundLanternOut);
      app.play.screen = Screen::kOver;
      PostMessageA(app.window, kGameEnded, 0, 0);
      break;
  }
  // A walk goes on over pickups but stops at anything that changes the game.
  if (result != MoveResult::kStep && result != MoveResult::kFirefly && result != MoveResult::kOil) StopWalking(app);
  InvalidateRect(app.window, nullptr, FALSE);
}

void Move(App& app, Direction direction) {
  app.play.banner[0] = '\0';
  AfterMove(app, app.play.game.Move(direction));
}

}  // namespace

void WalkStep(App& app) {
  Direction d;
  if (!app.play.walking || !app.play.game.StepTowards(app.play.walk_x, app.play.walk_y, &d)) {
    StopWalking(app);
    return;
  }
  Move(app, d);
  if (app.play.game.x() == app.play.walk_x && app.play.game.y() == app.play.walk_y) StopWalking(app);
}

namespace {

void Continue(App& app) {
  if (app.play.screen != Screen::kPlaying) {
    NewGame(app);
  } else if (app.play.game.NextLevel()) {
    app.play.banner[0] = '\0';
    StartLevelSound(app);
    InvalidateRect(app.window, nullptr, FALSE);
  }
}

}  // namespace

// Help comes over a game in progress and goes again leaving it as it was; with
// no game it is the title screen.
void ToggleHelp(App& app) {
  if (app.play.screen != Screen::kPlaying) {
    app.play.screen = Screen::kTitle;
  } else {
    StopWalking(app);
    app.play.help = !app.play.help;
    PlayAmbient(app);
  }
  InvalidateRect(app.window, nullptr, FALSE);
}

// A click goes on wherever Enter would: out of help, to the next level, or
// into a new game.
void Click(App& app, int x, int y) {
  if (app.play.help) {
    ToggleHelp(app);
    return;
  }
  if (app.play.screen != Screen::kPlaying || app.play.game.phase() == Phase::kLevelDone) {
    Continue(app);
    return;
  }
  // Cells are counted from the player's, which sits in the middle of the view.
  const int dx = (x - layout::kPlayerLeft + layout::kCell * 64) / layout::kCell - 64;
  const int dy = (y - layout::kPlayerTop + layout::kCell * 64) / layout::kCell - 64;
  if (y < layout::kStatusHeight || (dx == 0 && dy == 0)) return;
  app.play.walk_x = app.play.game.x() + dx;
  app.play.walk_y = app.play.game.y() + dy;
  app.play.walking = true;
  WalkStep(app);
  if (app.play.walking) SetTimer(app.window, kWalkTimer, kWalkMs, nullptr);
}

void OnKey(App& app, WPARAM key) {
  if (app.play.help) {
    if (key == VK_RETURN || key == VK_SPACE || key == VK_ESCAPE) ToggleHelp(app);
    return;
  }
  if (app.play.screen == Screen::kPlaying && app.play.game.phase() == Phase::kPlaying) {
    switch (key) {
      case VK_UP: StopWalking(app); Move(app, Direction::kUp); return;
      case VK_DOWN: StopWalking(app); Move(app, Direction::kDown); return;
      case VK_LEFT: StopWalking(app); Move(app, Direction::kLeft); return;
      case VK_RIGHT: StopWalking(app); Move(app, Direction::kRight); return;
    }
  }
  if (key == VK_RETURN || key == VK_SPACE) Continue(app);
}
