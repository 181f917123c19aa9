// Murkle's window: loads the data from next to the executable and the player's
// score table from their profile, turns keys, clicks and menu commands into
// moves, and draws the marsh by lantern light.
#include <windows.h>
#include <mmsystem.h>

#include <climits>
#include <cstring>
#include <vector>

#include "canvas.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "data_file.h"
#include "formats.h"
#include "game.h"
#include "layout.h"
#include "resource.h"
#include "score_table.h"
#include "storage.h"

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kWalkTimer = 2;
constexpr UINT_PTR kAmbientTimer = 3;
constexpr UINT kAnimationMs = 150;
constexpr UINT kWalkMs = 110;
// Sent to ourselves after a game ends, so that the final picture is painted
// before the name is asked for.
constexpr UINT kGameEnded = WM_APP + 1;
constexpr size_t kMaxDataFile = 64u << 20;

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
  uint32_t ambient = 0;
  char banner[128] = "";
};

// --- Sound ------------------------------------------------------------------------

void PlayAmbient(App& app) {
  KillTimer(app.window, kAmbientTimer);
  SoundView sound;
  if (!app.sound_on || app.help || app.ambient == 0 || !app.data.Sound(app.ambient, &sound)) {
    PlaySoundA(nullptr, nullptr, 0);
    return;
  }
  PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT);
}

// One sound plays at a time, so an effect interrupts the ambient loop, which
// starts again once the effect is over.
void PlayEffect(App& app, uint32_t id) {
  SoundView sound;
  if (!app.sound_on || !app.data.Sound(id, &sound)) return;
  PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
  if (app.ambient != 0) SetTimer(app.window, kAmbientTimer, sound.milliseconds + 100, nullptr);
}

UINT DataErrorTextId(DataError error) {
  switch (error) {
    case DataError::kNone: break;
    case DataError::kTooShort: return IDS_DATA_TOO_SHORT;
    case DataError::kBadMagic: return IDS_DATA_BAD_MAGIC;
    case DataError::kBadVersion: return IDS_DATA_BAD_VERSION;
    case DataError::kBadHeader: return IDS_DATA_BAD_HEADER;
    case DataError::kBadDirectory: return IDS_DATA_BAD_DIRECTORY;
    case DataError::kChunkOutside: return IDS_DATA_CHUNK_OUTSIDE;
    case DataError::kBadChunk: return IDS_DATA_BAD_CHUNK;
    case DataError::kMissingChunk: return IDS_DATA_MISSING_CHUNK;
    case DataError::kBadContent: return IDS_DATA_BAD_CONTENT;
    case DataError::kTooLarge: return IDS_DATA_TOO_LARGE;
  }
  return IDS_DATA_UNUSABLE_REASON;
}

// --- Messages -----------------------------------------------------------------------

// A message box over the window (or alone, before it exists), captioned with
// the game's name.
void ShowMessage(const App& app, const char* text, UINT type) {
  char caption[32];
  LoadText(app.instance, IDS_GAME_NAME, caption, sizeof caption);
  MessageBoxA(app.window, text, caption, type);
}

// Text Id of the string table with args, then the system's words for error.
template <UINT Id, typename... Args>
void ShowSystemError(const App& app, DWORD error, Args... args) {
  char what[MAX_PATH + 160], reason[256] = "", text[768];
  FormatLoaded<kGameFormats, Id>(app.instance, what, sizeof what, args...);
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                      sizeof reason, nullptr))
    FormatLoaded<kGameFormats, IDS_ERROR_NUMBER>(app.instance, reason, sizeof reason,
                                                 static_cast<unsigned long>(error));
  FormatText(text, sizeof text, "%s\n\n%s", what, reason);
  ShowMessage(app, text, MB_OK | MB_ICONEXCLAMATION);
}

// --- Dialogs ------------------------------------------------------------------------

struct NameRequest {
  HINSTANCE instance;
  uint32_t score;
  char name[kScoreNameSize];
};

INT_PTR CALLBACK NameDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      auto* request = reinterpret_cast<NameRequest*>(lparam);
      char line[64];
      FormatLoaded<kGameFormats, IDS_YOUR_SCORE>(request->instance, line, sizeof line,
                                                 static_cast<unsigned long>(request->score));
      SetDlgItemTextA(dialog, IDC_NAME_SCORE, line);
      SendDlgItemMessageA(dialog, IDC_NAME, EM_LIMITTEXT, kScoreNameSize - 1, 0);
      SetDlgItemTextA(dialog, IDC_NAME, request->name);
      // The last name, selected, so that typing replaces it.
      HWND edit = GetDlgItem(dialog, IDC_NAME);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* request = reinterpret_cast<NameRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        // The box holds 15 characters, which may take twice as many bytes:
        // the name is cut to its field between two characters.
        char typed[2 * kScoreNameSize];
        GetDlgItemTextA(dialog, IDC_NAME, typed, sizeof typed);
        CopyText(request->name, typed);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

struct ScoresView {
  HINSTANCE instance;
  const ScoreTable* scores;
  int highlight;  // place of a new entry, or -1
};

INT_PTR CALLBACK ScoresDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const ScoresView& view = *reinterpret_cast<const ScoresView*>(lparam);
      // Ten lines of at most 48 characters each.
      char text[kScoreEntries * 48 + 1];
      TextBuilder out(text, sizeof text);
      for (int i = 0; i < kScoreEntries; ++i) {
        const ScoreEntry& e = view.scores->entries[i];
        char line[48];
        FormatLoaded<kGameFormats, IDS_SCORE_LINE>(view.instance, line, sizeof line, i == view.highlight ? ">" : " ",
                                                   i + 1, static_cast<const char*>(e.name),
                                                   static_cast<unsigned long>(e.score),
                                                   static_cast<unsigned long>(e.level));
        out.Append(line);
      }
      SetDlgItemTextA(dialog, IDC_SCORE_LIST, text);
      SendDlgItemMessageA(dialog, IDC_SCORE_LIST, WM_SETFONT,
                          reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void ShowScores(App& app, int highlight) {
  ScoresView view = {app.instance, &app.scores, highlight};
  DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_SCORES), app.window, ScoresDialog,
                  reinterpret_cast<LPARAM>(&view));
}

// --- Game flow ----------------------------------------------------------------------

void StopWalking(App& app) {
  app.walking = false;
  KillTimer(app.window, kWalkTimer);
}

void StartLevelSound(App& app) {
  app.ambient = app.game.level().ambient;
  PlayAmbient(app);
}

void NewGame(App& app) {
  StopWalking(app);
  app.game.NewGame(app.levels.data(), int(app.levels.size()));
  app.screen = Screen::kPlaying;
  app.help = false;
  app.banner[0] = '\0';
  StartLevelSound(app);
  InvalidateRect(app.window, nullptr, FALSE);
}

// Into the player's profile, never next to the program. A table that cannot be
// kept is said once; the scores stay in memory until the game is closed.
void SaveTable(App& app) {
  DWORD error = 0;
  if (app.score_path[0] && MakeProfileFolder(&error) && SaveScores(app.score_path, app.scores, &error)) return;
  if (app.told_unsaved) return;
  app.told_unsaved = true;
  if (!app.score_path[0]) {
    char text[256];
    LoadText(app.instance, IDS_SCORES_NOT_KEPT, text, sizeof text);
    ShowMessage(app, text, MB_OK | MB_ICONINFORMATION);
    return;
  }
  ShowSystemError<IDS_SCORE_NOT_SAVED>(app, error, static_cast<const char*>(app.score_path));
}

void RecordScore(App& app) {
  const Game& game = app.game;
  if (!ScoreQualifies(app.scores, game.score())) {
    ShowScores(app, -1);
    return;
  }
  NameRequest request = {app.instance, game.score(), ""};
  CopyText(request.name, app.last_name);
  if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_NAME), app.window, NameDialog,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return;
  const int place = InsertScore(&app.scores, request.name, game.score(), game.level_number());
  CopyText(app.last_name, app.scores.entries[place < 0 ? 0 : place].name);
  SaveTable(app);
  ShowScores(app, place);
}

void AfterMove(App& app, MoveResult result) {
  Game& game = app.game;
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
      LoadText(app.instance, IDS_BOG_TOOK_LANTERN, app.banner, sizeof app.banner);
      break;
    case MoveResult::kLanternOut:
      PlayEffect(app, dat::kSoundLanternOut);
      LoadText(app.instance, IDS_LANTERN_OUT, app.banner, sizeof app.banner);
      break;
    case MoveResult::kExit:
      PlayEffect(app, dat::kSoundExit);
      FormatLoaded<kGameFormats, IDS_LEVEL_DONE>(app.instance, app.banner, sizeof app.banner,
                                                 static_cast<const char*>(game.level().name));
      break;
    case MoveResult::kVictory:
    case MoveResult::kGameOver:
      app.ambient = 0;
      KillTimer(app.window, kAmbientTimer);
      PlayEffect(app, result == MoveResult::kVictory ? dat::kSoundVictory : dat::kSoundLanternOut);
      app.screen = Screen::kOver;
      PostMessageA(app.window, kGameEnded, 0, 0);
      break;
  }
  // A walk goes on over pickups but stops at anything that changes the game.
  if (result != MoveResult::kStep && result != MoveResult::kFirefly && result != MoveResult::kOil) StopWalking(app);
  InvalidateRect(app.window, nullptr, FALSE);
}

void Move(App& app, Direction direction) {
  app.banner[0] = '\0';
  AfterMove(app, app.game.Move(direction));
}

void WalkStep(App& app) {
  Direction d;
  if (!app.walking || !app.game.StepTowards(app.walk_x, app.walk_y, &d)) {
    StopWalking(app);
    return;
  }
  Move(app, d);
  if (app.game.x() == app.walk_x && app.game.y() == app.walk_y) StopWalking(app);
}

void Continue(App& app) {
  if (app.screen != Screen::kPlaying) {
    NewGame(app);
  } else if (app.game.NextLevel()) {
    app.banner[0] = '\0';
    StartLevelSound(app);
    InvalidateRect(app.window, nullptr, FALSE);
  }
}

// Help comes over a game in progress and goes again leaving it as it was; with
// no game it is the title screen.
void ToggleHelp(App& app) {
  if (app.screen != Screen::kPlaying) {
    app.screen = Screen::kTitle;
  } else {
    StopWalking(app);
    app.help = !app.help;
    PlayAmbient(app);
  }
  InvalidateRect(app.window, nullptr, FALSE);
}

void Click(App& app, int x, int y) {
  if (app.screen != Screen::kPlaying || app.help) return;
  if (app.game.phase() == Phase::kLevelDone) {
    Continue(app);
    return;
  }
  // Cells are counted from the player's, which sits in the middle of the view.
  const int dx = (x - layout::kPlayerLeft + layout::kCell * 64) / layout::kCell - 64;
  const int dy = (y - layout::kPlayerTop + layout::kCell * 64) / layout::kCell - 64;
  if (y < layout::kStatusHeight || (dx == 0 && dy == 0)) return;
  app.walk_x = app.game.x() + dx;
  app.walk_y = app.game.y() + dy;
  app.walking = true;
  WalkStep(app);
  if (app.walking) SetTimer(app.window, kWalkTimer, kWalkMs, nullptr);
}

// --- Drawing ------------------------------------------------------------------------

uint32_t SheetFor(dat::CellCode code) {
  switch (code) {
    case dat::kWall: return dat::kTilesWall;
    case dat::kBog: return dat::kTilesBog;
    case dat::kStart: return dat::kTilesStart;
    case dat::kExit: return dat::kTilesExit;
    default: return dat::kTilesFloor;
  }
}

void DrawMarsh(App& app) {
  Canvas& c = app.canvas;
  const Game& game = app.game;
  const Level& level = game.level();
  c.Draw(app.backdrops[level.backdrop], 0, 0, 0, Canvas::Shade::kLit, false);
  const int cols = layout::kClientWidth / layout::kCell / 2 + 1;
  const int rows = (layout::kClientHeight - layout::kStatusHeight) / layout::kCell / 2 + 1;
  for (int dy = -rows; dy <= rows; ++dy)
    for (int dx = -cols; dx <= cols; ++dx) {
      const int x = game.x() + dx, y = game.y() + dy;
      if (!level.Inside(x, y)) continue;
      const int px = layout::kPlayerLeft + dx * layout::kCell, py = layout::kPlayerTop + dy * layout::kCell;
      if (!game.Seen(x, y)) {
        c.Fill(px, py, layout::kCell, layout::kCell, 0, 0, 0);
        continue;
      }
      const Canvas::Shade shade = game.Lit(x, y) ? Canvas::Shade::kLit : Canvas::Shade::kDim;
      const dat::CellCode code = level.At(x, y);
      // Still tiles pick a variant by position, moving ones a frame by time.
      const unsigned variant = unsigned(x * 7 + y * 13);
      const uint32_t sheet = SheetFor(code);
      const bool animated = sheet == dat::kTilesBog || sheet == dat::kTilesExit;
      c.Draw(app.sheets[sheet], int(animated ? app.tick + variant : variant), px, py, shade, false);
      if (code == dat::kFirefly)
        c.Draw(app.sheets[dat::kTilesFirefly], int(app.tick + variant), px, py, shade, true);
      if (code == dat::kOilFlask)
        c.Draw(app.sheets[dat::kTilesOil], int(app.tick / 2 + variant), px, py, shade, true);
    }
  static const int kFacingRow[] = {1, 0, 2, 3};  // up, down, left, right in the sheet
  const int frame = kFacingRow[int(game.facing())] * 2 + int(app.tick & 1);
  c.Draw(app.sheets[dat::kTilesPlayer], frame, layout::kPlayerLeft, layout::kPlayerTop, Canvas::Shade::kLit, true);
}

void DrawStatus(App& app) {
  Canvas& c = app.canvas;
  const Game& game = app.game;
  c.Fill(0, 0, layout::kClientWidth, layout::kStatusHeight, 24, 28, 22);
  for (int i = 0; i < game.lanterns(); ++i)
    c.Draw(app.sheets[dat::kTilesIcons], 0, 4 + i * 26, 0, Canvas::Shade::kLit, true);
  c.Draw(app.sheets[dat::kTilesIcons], 1, 84, 0, Canvas::Shade::kLit, true);
  // The oil gauge.
  const int full = 120, now = game.level().oil > 0 ? full * game.oil() / game.level().oil : 0;
  c.Fill(116, 11, full, 10, 50, 40, 20);
  c.Fill(116, 11, now, 10, game.oil() * 5 < game.level().oil ? 220 : 200, 150, 40);
  c.Draw(app.sheets[dat::kTilesIcons], 2, 244, 0, Canvas::Shade::kLit, true);
  char text[128];
  FormatText(text, sizeof text, "%d", game.fireflies_left());
  c.Text(text, RECT{276, 0, 320, layout::kStatusHeight}, RGB(250, 240, 120), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  FormatLoaded<kGameFormats, IDS_STATUS_LINE>(app.instance, text, sizeof text, game.level_number(),
                                              static_cast<const char*>(game.level().name),
                                              static_cast<unsigned long>(game.score()));
  c.Text(text, RECT{320, 0, layout::kClientWidth - 8, layout::kStatusHeight}, RGB(230, 230, 210),
         DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// The narrowest width at which a paragraph takes no more lines than at widest:
// its lines come out about as long as each other, none left with a lone word.
int BalancedWidth(HDC dc, const char* text, int length, int widest) {
  const auto lines_height = [&](int width) {
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text, length, &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    return r.right > width ? INT_MAX : r.bottom;  // a word wider than that
  };
  const int height = lines_height(widest);
  int low = 1, high = widest;
  while (low < high) {
    const int mid = (low + high) / 2;
    if (lines_height(mid) <= height) high = mid;
    else low = mid + 1;
  }
  return high;
}

// Text in a darkened panel in the middle of the window, each paragraph (a line
// of text) wrapped on its own.
void DrawPanel(App& app, const char* text) {
  Canvas& c = app.canvas;
  constexpr int kMaxParagraphs = 16, kWidest = layout::kClientWidth - 120;
  struct Paragraph {
    const char* text;
    int length, width, height;
  } paragraphs[kMaxParagraphs];
  TEXTMETRICA metrics;
  GetTextMetricsA(c.dc(), &metrics);
  int count = 0, height = 0, width = 0;
  for (const char* at = text; *at && count < kMaxParagraphs; ++count) {
    const char* end = strchr(at, '\n');
    if (!end) end = at + strlen(at);
    Paragraph& p = paragraphs[count];
    p = {at, int(end - at), 0, int(metrics.tmHeight)};
    if (p.length > 0 && at[p.length - 1] == '\r') --p.length;
    if (p.length > 0) {
      p.width = BalancedWidth(c.dc(), p.text, p.length, kWidest);
      RECT r = {0, 0, p.width, 0};
      DrawTextA(c.dc(), p.text, p.length, &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
      p.height = int(r.bottom);
    }
    height += p.height;
    if (p.width > width) width = p.width;
    at = *end ? end + 1 : end;
  }
  int top = (layout::kClientHeight - height) / 2;
  c.Darken((layout::kClientWidth - width) / 2 - 20, top - 10, width + 40, height + 20);
  for (int i = 0; i < count; ++i) {
    const Paragraph& p = paragraphs[i];
    const int left = (layout::kClientWidth - p.width) / 2;
    c.Text(p.text, RECT{left, top, left + p.width, top + p.height}, RGB(240, 230, 190), DT_CENTER | DT_WORDBREAK,
           p.length);
    top += p.height;
  }
}

void Paint(App& app, HDC target) {
  Canvas& c = app.canvas;
  char text[1024];
  if (app.screen == Screen::kTitle || app.help) {
    c.Draw(app.backdrops[dat::kBackdropTitle], 0, 0, 0, Canvas::Shade::kLit, false);
    if (app.help)
      FormatLoaded<kGameFormats, IDS_HELP_SCREEN>(app.instance, text, sizeof text, int(app.how_to_play_size),
                                                  app.how_to_play);
    else
      FormatLoaded<kGameFormats, IDS_TITLE_SCREEN>(app.instance, text, sizeof text, int(app.how_to_play_size),
                                                   app.how_to_play);
    DrawPanel(app, text);
  } else if (app.screen == Screen::kOver) {
    const bool won = app.game.phase() == Phase::kWon;
    c.Draw(app.backdrops[won ? dat::kBackdropVictory : dat::kBackdropGameOver], 0, 0, 0, Canvas::Shade::kLit,
           false);
    char verdict[128];
    LoadText(app.instance, won ? IDS_WON : IDS_LOST, verdict, sizeof verdict);
    FormatLoaded<kGameFormats, IDS_GAME_OVER>(app.instance, text, sizeof text, static_cast<const char*>(verdict),
                                              static_cast<unsigned long>(app.game.score()),
                                              app.game.level_number());
    DrawPanel(app, text);
  } else {
    DrawMarsh(app);
    DrawStatus(app);
    if (app.banner[0]) DrawPanel(app, app.banner);
  }
  GdiFlush();
  BitBlt(target, 0, 0, layout::kClientWidth, layout::kClientHeight, c.dc(), 0, 0, SRCCOPY);
}

// --- The window ---------------------------------------------------------------------

void OnKey(App& app, WPARAM key) {
  if (app.help) {
    if (key == VK_RETURN || key == VK_SPACE || key == VK_ESCAPE) ToggleHelp(app);
    return;
  }
  if (app.screen == Screen::kPlaying && app.game.phase() == Phase::kPlaying) {
    switch (key) {
      case VK_UP: StopWalking(app); Move(app, Direction::kUp); return;
      case VK_DOWN: StopWalking(app); Move(app, Direction::kDown); return;
      case VK_LEFT: StopWalking(app); Move(app, Direction::kLeft); return;
      case VK_RIGHT: StopWalking(app); Move(app, Direction::kRight); return;
    }
  }
  if (key == VK_RETURN || key == VK_SPACE) Continue(app);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // The game's state comes with the window's creation and stays with it.
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams));
  auto* held = reinterpret_cast<App*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!held) return DefWindowProcA(window, message, wparam, lparam);
  App& app = *held;
  switch (message) {
    case WM_CREATE: {
      app.window = window;
      HDC dc = GetDC(window);
      const bool made = app.canvas.Create(dc, layout::kClientWidth, layout::kClientHeight);
      ReleaseDC(window, dc);
      if (!made) return -1;
      SetTimer(window, kAnimationTimer, kAnimationMs, nullptr);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(app, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // Paint covers everything
    case WM_KEYDOWN:
      OnKey(app, wparam);
      return 0;
    case WM_LBUTTONDOWN:
      Click(app, short(LOWORD(lparam)), short(HIWORD(lparam)));
      return 0;
    case WM_TIMER:
      if (wparam == kAnimationTimer) {
        ++app.tick;
        if (app.screen == Screen::kPlaying && !app.help) InvalidateRect(window, nullptr, FALSE);
      } else if (wparam == kWalkTimer) {
        WalkStep(app);
      } else if (wparam == kAmbientTimer) {
        PlayAmbient(app);
      }
      return 0;
    case kGameEnded:
      RecordScore(app);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDM_NEW_GAME: NewGame(app); return 0;
        case IDM_HIGH_SCORES: ShowScores(app, -1); return 0;
        case IDM_HOW_TO_PLAY: ToggleHelp(app); return 0;
        case IDM_SOUND: {
          app.sound_on = !app.sound_on;
          CheckMenuItem(GetMenu(window), IDM_SOUND, app.sound_on ? MF_CHECKED : MF_UNCHECKED);
          PlayAmbient(app);
          return 0;
        }
        case IDM_EXIT: DestroyWindow(window); return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(window, kAnimationTimer);
      StopWalking(app);
      KillTimer(window, kAmbientTimer);
      PlaySoundA(nullptr, nullptr, 0);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool LoadData(App& app) {
  DWORD error = 0;
  bool read = PathNextToProgram("murkle.dat", app.data_path) &&
              ReadWholeFile(app.data_path, kMaxDataFile, &app.data_bytes, &error);
  // One the system has no words for: the file is there, but is no data file.
  if (!read && error != ERROR_FILE_TOO_LARGE) {
    ShowSystemError<IDS_DATA_UNREADABLE>(app, error, static_cast<const char*>(app.data_path));
    return false;
  }
  const DataError result = read ? app.data.Open(app.data_bytes.data(), app.data_bytes.size()) : DataError::kTooLarge;
  if (result != DataError::kNone) {
    char reason[128], text[MAX_PATH + 384];
    LoadText(app.instance, DataErrorTextId(result), reason, sizeof reason);
    FormatLoaded<kGameFormats, IDS_DATA_UNUSABLE>(app.instance, text, sizeof text,
                                                  static_cast<const char*>(app.data_path),
                                                  static_cast<const char*>(reason));
    ShowMessage(app, text, MB_OK | MB_ICONSTOP);
    return false;
  }
  // Open() has checked every chunk read here.
  app.levels.resize(size_t(app.data.level_count()));
  for (int i = 0; i < app.data.level_count(); ++i) app.data.LoadLevel(i + 1, &app.levels[size_t(i)]);
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id) app.data.Picture(dat::kTagTiles, id, &app.sheets[id]);
  for (uint32_t id = 1; id <= dat::kBackdrops; ++id)
    app.data.Picture(dat::kTagBackdrop, id, &app.backdrops[id]);
  ChunkView text;
  if (app.data.Find(dat::kTagText, dat::kTextHowToPlay, &text)) {
    app.how_to_play = reinterpret_cast<const char*>(text.data);
    app.how_to_play_size = text.size;
  }
  return true;
}

// The player's table, or on the first run the one installed next to the
// program, which is only ever read: it is written to the profile once there is
// a score to keep.
void LoadTable(App& app) {
  DWORD error = 0;
  ScoreLoad load = ScoreLoad::kMissing;
  const char* from = app.score_path;
  if (PathInProfile("murkle.hsc", app.score_path)) load = LoadScores(app.score_path, &app.scores, &error);
  char installed[MAX_PATH];
  if (load == ScoreLoad::kMissing) {
    if (!PathNextToProgram("murkle.hsc", installed)) {
      DefaultScoreTable(&app.scores);
      return;
    }
    from = installed;
    load = LoadScores(installed, &app.scores, &error);
  }
  switch (load) {
    case ScoreLoad::kLoaded:
    case ScoreLoad::kMissing:
      break;
    case ScoreLoad::kCorrupt: {
      char text[128];
      LoadText(app.instance, IDS_SCORES_DAMAGED, text, sizeof text);
      ShowMessage(app, text, MB_OK | MB_ICONINFORMATION);
      break;
    }
    case ScoreLoad::kUnreadable:
      ShowSystemError<IDS_SCORES_UNREADABLE>(app, error, from);
      break;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // The whole game's state; the window and the dialogs are handed it.
  App app;
  app.instance = instance;
  if (!LoadData(app)) return 1;
  LoadTable(app);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MURKLE));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MENU);
  wc.lpszClassName = layout::kWindowClass;
  if (!RegisterClassA(&wc)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, layout::kClientWidth, layout::kClientHeight};
  AdjustWindowRect(&frame, style, TRUE);
  char caption[32];
  LoadText(instance, IDS_GAME_NAME, caption, sizeof caption);
  HWND window = CreateWindowA(layout::kWindowClass, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, &app);
  if (!window) return 1;
  CheckMenuItem(GetMenu(window), IDM_SOUND, MF_CHECKED);
  ShowWindow(window, show);
  UpdateWindow(window);

  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(window, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return int(msg.wParam);
}
