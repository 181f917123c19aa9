// Murkle's window: loads the data and the score table from next to the
// executable, turns keys, clicks and menu commands into moves, and draws the
// marsh by lantern light.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "canvas.h"
#include "data_file.h"
#include "game.h"
#include "layout.h"
#include "common/text.h"
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
  char score_path[MAX_PATH] = "";
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
  Canvas canvas;
  unsigned tick = 0;
  bool walking = false;
  int walk_x = 0, walk_y = 0;
  bool sound_on = true;
  uint32_t ambient = 0;
  char banner[128] = "";
};

App g_app;

// --- Sound ------------------------------------------------------------------------

void PlayAmbient() {
  KillTimer(g_app.window, kAmbientTimer);
  ChunkView wave;
  if (!g_app.sound_on || g_app.ambient == 0 || !g_app.data.Sound(g_app.ambient, &wave)) {
    PlaySoundA(nullptr, nullptr, 0);
    return;
  }
  PlaySoundA(reinterpret_cast<LPCSTR>(wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT);
}

// One sound plays at a time, so an effect interrupts the ambient loop, which
// starts again once the effect is over.
void PlayEffect(uint32_t id) {
  ChunkView wave;
  if (!g_app.sound_on || !g_app.data.Sound(id, &wave)) return;
  PlaySoundA(reinterpret_cast<LPCSTR>(wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
  const uint32_t samples = dat::Get32(wave.data + 40), rate = dat::Get32(wave.data + 24);
  if (g_app.ambient != 0) SetTimer(g_app.window, kAmbientTimer, UINT(uint64_t(samples) * 1000 / rate + 100), nullptr);
}

// --- Messages -----------------------------------------------------------------------

void ShowSystemError(const char* what, DWORD error) {
  char reason[256] = "";
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                      sizeof reason, nullptr))
    FormatText(reason, sizeof reason, "Error %lu.", static_cast<unsigned long>(error));
  char text[768];
  FormatText(text, sizeof text, "%s\n\n%s", what, reason);
  MessageBoxA(g_app.window, text, layout::kCaption, MB_OK | MB_ICONEXCLAMATION);
}

// --- Dialogs ------------------------------------------------------------------------

struct NameRequest {
  uint32_t score;
  char name[kScoreNameSize];
};

INT_PTR CALLBACK NameDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      auto* request = reinterpret_cast<NameRequest*>(lparam);
      char line[64];
      FormatText(line, sizeof line, "Your score: %lu", static_cast<unsigned long>(request->score));
      SetDlgItemTextA(dialog, IDC_NAME_SCORE, line);
      SendDlgItemMessageA(dialog, IDC_NAME, EM_LIMITTEXT, kScoreNameSize - 1, 0);
      SetDlgItemTextA(dialog, IDC_NAME, request->name);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* request = reinterpret_cast<NameRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        GetDlgItemTextA(dialog, IDC_NAME, request->name, sizeof request->name);
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
  int highlight;  // place of a new entry, or -1
};

INT_PTR CALLBACK ScoresDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const int highlight = reinterpret_cast<ScoresView*>(lparam)->highlight;
      // Ten lines of at most 48 characters each.
      char text[kScoreEntries * 48 + 1] = "";
      size_t used = 0;
      for (int i = 0; i < kScoreEntries; ++i) {
        const ScoreEntry& e = g_app.scores.entries[i];
        char line[48];
        FormatText(line, sizeof line, "%s%2d. %-15s %7lu  level %u\r\n", i == highlight ? ">" : " ", i + 1, e.name,
                   static_cast<unsigned long>(e.score), static_cast<unsigned>(e.level));
        if (FormatText(text + used, sizeof text - used, "%s", line)) used += strlen(line);
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

void ShowScores(int highlight) {
  ScoresView view = {highlight};
  DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_SCORES), g_app.window, ScoresDialog,
                  reinterpret_cast<LPARAM>(&view));
}

// --- Game flow ----------------------------------------------------------------------

void StopWalking() {
  g_app.walking = false;
  KillTimer(g_app.window, kWalkTimer);
}

void StartLevelSound() {
  g_app.ambient = g_app.game.level().ambient;
  PlayAmbient();
}

void NewGame() {
  StopWalking();
  g_app.game.NewGame(g_app.levels.data(), int(g_app.levels.size()));
  g_app.screen = Screen::kPlaying;
  g_app.banner[0] = '\0';
  StartLevelSound();
  InvalidateRect(g_app.window, nullptr, FALSE);
}

void RecordScore() {
  const Game& game = g_app.game;
  if (!ScoreQualifies(g_app.scores, game.score())) {
    ShowScores(-1);
    return;
  }
  NameRequest request = {game.score(), ""};
  CopyText(request.name, g_app.last_name);
  if (DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_NAME), g_app.window, NameDialog,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return;
  const int place = InsertScore(&g_app.scores, request.name, game.score(), game.level_number());
  CopyText(g_app.last_name, g_app.scores.entries[place < 0 ? 0 : place].name);
  DWORD error = 0;
  if (!SaveScores(g_app.score_path, g_app.scores, &error)) {
    char what[MAX_PATH + 128];
    FormatText(what, sizeof what,
               "Your score could not be saved to %s. It stays in the table until you close Murkle.",
               g_app.score_path);
    ShowSystemError(what, error);
  }
  ShowScores(place);
}

void AfterMove(MoveResult result) {
  Game& game = g_app.game;
  switch (result) {
    case MoveResult::kIgnored:
    case MoveResult::kStep:
      break;
    case MoveResult::kBump:
      PlayEffect(dat::kSoundBump);
      break;
    case MoveResult::kFirefly:
      PlayEffect(dat::kSoundFirefly);
      break;
    case MoveResult::kOil:
      PlayEffect(dat::kSoundOil);
      break;
    case MoveResult::kBog:
      PlayEffect(dat::kSoundBog);
      CopyText(g_app.banner, "The bog took a lantern!");
      break;
    case MoveResult::kLanternOut:
      PlayEffect(dat::kSoundLanternOut);
      CopyText(g_app.banner, "Your lantern went out!");
      break;
    case MoveResult::kExit:
      PlayEffect(dat::kSoundExit);
      FormatText(g_app.banner, sizeof g_app.banner, "%s done! Press Enter for the next level.", game.level().name);
      break;
    case MoveResult::kVictory:
    case MoveResult::kGameOver:
      g_app.ambient = 0;
      KillTimer(g_app.window, kAmbientTimer);
      PlayEffect(result == MoveResult::kVictory ? dat::kSoundVictory : dat::kSoundLanternOut);
      g_app.screen = Screen::kOver;
      PostMessageA(g_app.window, kGameEnded, 0, 0);
      break;
  }
  // A walk goes on over pickups but stops at anything that changes the game.
  if (result != MoveResult::kStep && result != MoveResult::kFirefly && result != MoveResult::kOil) StopWalking();
  InvalidateRect(g_app.window, nullptr, FALSE);
}

void Move(Direction direction) {
  g_app.banner[0] = '\0';
  AfterMove(g_app.game.Move(direction));
}

void WalkStep() {
  Direction d;
  if (!g_app.walking || !g_app.game.StepTowards(g_app.walk_x, g_app.walk_y, &d)) {
    StopWalking();
    return;
  }
  Move(d);
  if (g_app.game.x() == g_app.walk_x && g_app.game.y() == g_app.walk_y) StopWalking();
}

void Continue() {
  if (g_app.screen != Screen::kPlaying) {
    NewGame();
  } else if (g_app.game.NextLevel()) {
    g_app.banner[0] = '\0';
    StartLevelSound();
    InvalidateRect(g_app.window, nullptr, FALSE);
  }
}

void Click(int x, int y) {
  if (g_app.screen != Screen::kPlaying) return;
  if (g_app.game.phase() == Phase::kLevelDone) {
    Continue();
    return;
  }
  // Cells are counted from the player's, which sits in the middle of the view.
  const int dx = (x - layout::kPlayerLeft + layout::kCell * 64) / layout::kCell - 64;
  const int dy = (y - layout::kPlayerTop + layout::kCell * 64) / layout::kCell - 64;
  if (y < layout::kStatusHeight || (dx == 0 && dy == 0)) return;
  g_app.walk_x = g_app.game.x() + dx;
  g_app.walk_y = g_app.game.y() + dy;
  g_app.walking = true;
  WalkStep();
  if (g_app.walking) SetTimer(g_app.window, kWalkTimer, kWalkMs, nullptr);
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

void DrawMarsh() {
  Canvas& c = g_app.canvas;
  const Game& game = g_app.game;
  const Level& level = game.level();
  c.Draw(g_app.backdrops[level.backdrop], 0, 0, 0, Canvas::Shade::kLit, false);
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
      c.Draw(g_app.sheets[sheet], int(animated ? g_app.tick + variant : variant), px, py, shade, false);
      if (code == dat::kFirefly)
        c.Draw(g_app.sheets[dat::kTilesFirefly], int(g_app.tick + variant), px, py, shade, true);
      if (code == dat::kOilFlask)
        c.Draw(g_app.sheets[dat::kTilesOil], int(g_app.tick / 2 + variant), px, py, shade, true);
    }
  static const int kFacingRow[] = {1, 0, 2, 3};  // up, down, left, right in the sheet
  const int frame = kFacingRow[int(game.facing())] * 2 + int(g_app.tick & 1);
  c.Draw(g_app.sheets[dat::kTilesPlayer], frame, layout::kPlayerLeft, layout::kPlayerTop, Canvas::Shade::kLit, true);
}

void DrawStatus() {
  Canvas& c = g_app.canvas;
  const Game& game = g_app.game;
  c.Fill(0, 0, layout::kClientWidth, layout::kStatusHeight, 24, 28, 22);
  for (int i = 0; i < game.lanterns(); ++i)
    c.Draw(g_app.sheets[dat::kTilesIcons], 0, 4 + i * 26, 0, Canvas::Shade::kLit, true);
  c.Draw(g_app.sheets[dat::kTilesIcons], 1, 84, 0, Canvas::Shade::kLit, true);
  // The oil gauge.
  const int full = 120, now = game.level().oil > 0 ? full * game.oil() / game.level().oil : 0;
  c.Fill(116, 11, full, 10, 50, 40, 20);
  c.Fill(116, 11, now, 10, game.oil() * 5 < game.level().oil ? 220 : 200, 150, 40);
  c.Draw(g_app.sheets[dat::kTilesIcons], 2, 244, 0, Canvas::Shade::kLit, true);
  char text[128];
  FormatText(text, sizeof text, "%d", game.fireflies_left());
  c.Text(text, RECT{276, 0, 320, layout::kStatusHeight}, RGB(250, 240, 120), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  FormatText(text, sizeof text, "Level %d: %s    Score %lu", game.level_number(), game.level().name,
             static_cast<unsigned long>(game.score()));
  c.Text(text, RECT{320, 0, layout::kClientWidth - 8, layout::kStatusHeight}, RGB(230, 230, 210),
         DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void DrawPanel(const char* text) {
  Canvas& c = g_app.canvas;
  RECT box = {60, 120, layout::kClientWidth - 60, layout::kClientHeight - 60};
  RECT measure = box;
  DrawTextA(c.dc(), text, -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
  const int height = measure.bottom - measure.top;
  box.top = (layout::kClientHeight - height) / 2;
  box.bottom = box.top + height;
  c.Darken(box.left - 12, box.top - 10, box.right - box.left + 24, height + 20);
  c.Text(text, box, RGB(240, 230, 190), DT_CENTER | DT_WORDBREAK);
}

void Paint(HDC target) {
  Canvas& c = g_app.canvas;
  char text[1024];
  if (g_app.screen == Screen::kTitle) {
    c.Draw(g_app.backdrops[dat::kBackdropTitle], 0, 0, 0, Canvas::Shade::kLit, false);
    FormatText(text, sizeof text, "M U R K L E\n\n%.*s\nPress Enter for a new game.",
               int(g_app.how_to_play_size), g_app.how_to_play);
    DrawPanel(text);
  } else if (g_app.screen == Screen::kOver) {
    const bool won = g_app.game.phase() == Phase::kWon;
    c.Draw(g_app.backdrops[won ? dat::kBackdropVictory : dat::kBackdropGameOver], 0, 0, 0, Canvas::Shade::kLit,
           false);
    FormatText(text, sizeof text, "%s\n\nFinal score: %lu (level %d)\n\nPress Enter to play again.",
               won ? "You crossed the whole marsh!" : "The marsh has swallowed your last lantern.",
               static_cast<unsigned long>(g_app.game.score()), g_app.game.level_number());
    DrawPanel(text);
  } else {
    DrawMarsh();
    DrawStatus();
    if (g_app.banner[0]) DrawPanel(g_app.banner);
  }
  GdiFlush();
  BitBlt(target, 0, 0, layout::kClientWidth, layout::kClientHeight, c.dc(), 0, 0, SRCCOPY);
}

// --- The window ---------------------------------------------------------------------

void OnKey(WPARAM key) {
  if (g_app.screen == Screen::kPlaying && g_app.game.phase() == Phase::kPlaying) {
    switch (key) {
      case VK_UP: StopWalking(); Move(Direction::kUp); return;
      case VK_DOWN: StopWalking(); Move(Direction::kDown); return;
      case VK_LEFT: StopWalking(); Move(Direction::kLeft); return;
      case VK_RIGHT: StopWalking(); Move(Direction::kRight); return;
    }
  }
  if (key == VK_RETURN || key == VK_SPACE) Continue();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      g_app.window = window;
      HDC dc = GetDC(window);
      const bool made = g_app.canvas.Create(dc, layout::kClientWidth, layout::kClientHeight);
      ReleaseDC(window, dc);
      if (!made) return -1;
      SetTimer(window, kAnimationTimer, kAnimationMs, nullptr);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // Paint covers everything
    case WM_KEYDOWN:
      OnKey(wparam);
      return 0;
    case WM_LBUTTONDOWN:
      Click(short(LOWORD(lparam)), short(HIWORD(lparam)));
      return 0;
    case WM_TIMER:
      if (wparam == kAnimationTimer) {
        ++g_app.tick;
        if (g_app.screen == Screen::kPlaying) InvalidateRect(window, nullptr, FALSE);
      } else if (wparam == kWalkTimer) {
        WalkStep();
      } else if (wparam == kAmbientTimer) {
        PlayAmbient();
      }
      return 0;
    case kGameEnded:
      RecordScore();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDM_NEW_GAME: NewGame(); return 0;
        case IDM_HIGH_SCORES: ShowScores(-1); return 0;
        case IDM_HOW_TO_PLAY:
          StopWalking();
          g_app.ambient = 0;
          PlayAmbient();
          g_app.screen = Screen::kTitle;
          InvalidateRect(window, nullptr, FALSE);
          return 0;
        case IDM_SOUND: {
          g_app.sound_on = !g_app.sound_on;
          CheckMenuItem(GetMenu(window), IDM_SOUND, g_app.sound_on ? MF_CHECKED : MF_UNCHECKED);
          PlayAmbient();
          return 0;
        }
        case IDM_EXIT: DestroyWindow(window); return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(window, kAnimationTimer);
      StopWalking();
      KillTimer(window, kAmbientTimer);
      PlaySoundA(nullptr, nullptr, 0);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool LoadData() {
  DWORD error = 0;
  if (!PathNextToProgram("murkle.dat", g_app.data_path) ||
      !ReadWholeFile(g_app.data_path, kMaxDataFile, &g_app.data_bytes, &error)) {
    char what[MAX_PATH + 64];
    FormatText(what, sizeof what, "Murkle cannot read its data file %s.", g_app.data_path);
    ShowSystemError(what, error);
    return false;
  }
  const DataError result = g_app.data.Open(g_app.data_bytes.data(), g_app.data_bytes.size());
  if (result != DataError::kNone) {
    char text[MAX_PATH + 256];
    FormatText(text, sizeof text, "Murkle cannot use its data file %s.\n\n%s\n\nPlease install Murkle again.",
               g_app.data_path, DataErrorText(result));
    MessageBoxA(nullptr, text, layout::kCaption, MB_OK | MB_ICONSTOP);
    return false;
  }
  // Open() has checked every chunk read here.
  g_app.levels.resize(size_t(g_app.data.level_count()));
  for (int i = 0; i < g_app.data.level_count(); ++i) g_app.data.LoadLevel(i + 1, &g_app.levels[size_t(i)]);
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id) g_app.data.Picture(dat::kTagTiles, id, &g_app.sheets[id]);
  for (uint32_t id = 1; id <= dat::kBackdrops; ++id)
    g_app.data.Picture(dat::kTagBackdrop, id, &g_app.backdrops[id]);
  ChunkView text;
  if (g_app.data.Find(dat::kTagText, dat::kTextHowToPlay, &text)) {
    g_app.how_to_play = reinterpret_cast<const char*>(text.data);
    g_app.how_to_play_size = text.size;
  }
  return true;
}

void LoadTable() {
  DWORD error = 0;
  if (!PathNextToProgram("murkle.hsc", g_app.score_path)) {
    DefaultScoreTable(&g_app.scores);
    return;
  }
  switch (LoadScores(g_app.score_path, &g_app.scores, &error)) {
    case ScoreLoad::kLoaded:
    case ScoreLoad::kMissing:
      break;
    case ScoreLoad::kCorrupt:
      MessageBoxA(nullptr, "The high-score table was damaged. Murkle starts a fresh one.", layout::kCaption,
                  MB_OK | MB_ICONINFORMATION);
      break;
    case ScoreLoad::kUnreadable: {
      char what[MAX_PATH + 96];
      FormatText(what, sizeof what, "Murkle cannot read its high-score table %s and starts a fresh one.",
                 g_app.score_path);
      ShowSystemError(what, error);
      break;
    }
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  g_app.instance = instance;
  if (!LoadData()) return 1;
  LoadTable();

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
  HWND window = CreateWindowA(layout::kWindowClass, layout::kCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
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
