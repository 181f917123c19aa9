// murkle.exe as a player meets it: a real process on Wine, driven through its
// window with menu commands, key presses and a click, its results read back from
// its dialogs and from the score table it keeps in the player's profile.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "../product/game/window/formats.h"
#include "../product/game/window/layout.h"
#include "../product/game/window/resource.h"
#include "../tools/game_route.h"
#include "common/shell_folders.h"
#include "common/text.h"
#include "data_file.h"
#include "game.h"
#include "score_table.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

constexpr DWORD kWindowWaitMs = 20000;

// The maker's folder in the player's profile, below which the game keeps the
// player's own score table: asked of the call the game asks.
std::string MakerFolder() {
  char appdata[MAX_PATH] = "";
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA, appdata), S_OK);
  return test::JoinPath(appdata, "Velmora");
}

std::string ProfileTable() { return MakerFolder() + "\\Murkle\\murkle.hsc"; }

std::string Serialized(const ScoreTable& table) {
  uint8_t bytes[kScoreFileSize];
  SerializeScores(table, bytes);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A fresh install of the game: the program, its data and its score table, and
// a player who has not played it yet (no table in the profile).
class Installed {
 public:
  explicit Installed(const char* name) : dir_(name) {
    EXPECT_TRUE(test::RemoveTree(MakerFolder()));
    for (const char* file : {"murkle.exe", "murkle.dat", "murkle.hsc"})
      if (!CopyFileA(test::JoinPath(TEST_INSTALLER_PAYLOAD_DIR, file).c_str(), (dir_ / file).c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << file << ", error " << GetLastError();
  }
  ~Installed() { test::RemoveTree(MakerFolder()); }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;
  std::string operator/(const std::string& name) const { return dir_ / name; }
  bool Start(test::Process* process) const {
    return process->Start(dir_ / "murkle.exe", "", dir_.path().c_str());
  }

 private:
  test::ScratchDir dir_;
};

HWND WaitForDialog(DWORD process_id, const char* caption) {
  return test::WaitForDialog(process_id, caption, kWindowWaitMs);
}

bool WaitGone(HWND window) {
  return test::WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, kWindowWaitMs);
}

using tools::Route;

WPARAM KeyFor(Direction d) {
  switch (d) {
    case Direction::kUp: return VK_UP;
    case Direction::kDown: return VK_DOWN;
    case Direction::kLeft: return VK_LEFT;
    case Direction::kRight: return VK_RIGHT;
  }
  return 0;
}

// The same game, played here by the rules library on the same data file: it
// says which keys to press and what the score must come to.
class Script {
 public:
  explicit Script(HWND window) : window_(window) {}

  bool Load(const std::string& data_path) {
    std::string bytes = test::ReadWholeFile(data_path);
    bytes_.assign(bytes.begin(), bytes.end());
    if (data_.Open(bytes_.data(), bytes_.size()) != DataError::kNone || data_.level_count() < 2) return false;
    levels_.resize(size_t(data_.level_count()));
    for (int i = 0; i < data_.level_count(); ++i)
      if (!data_.LoadLevel(i + 1, &levels_[size_t(i)])) return false;
    return true;
  }

  void NewGame() {
    PostMessageA(window_, WM_COMMAND, IDM_NEW_GAME, 0);
    game_.NewGame(levels_.data(), int(levels_.size()));
  }

  // The first move of a game is a click on the neighbouring cell.
  MoveResult Click(Direction d) {
    const int dx = d == Direction::kLeft ? -1 : d == Direction::kRight ? 1 : 0;
    const int dy = d == Direction::kUp ? -1 : d == Direction::kDown ? 1 : 0;
    const int x = layout::kPlayerLeft + dx * layout::kCell + layout::kCell / 2;
    const int y = layout::kPlayerTop + dy * layout::kCell + layout::kCell / 2;
    PostMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    return game_.Move(d);
  }

  MoveResult Press(Direction d) {
    PostMessageA(window_, WM_KEYDOWN, KeyFor(d), 1);
    PostMessageA(window_, WM_KEYUP, KeyFor(d), 0xC0000001);
    return game_.Move(d);
  }

  void Enter() {
    PostMessageA(window_, WM_KEYDOWN, VK_RETURN, 1);
    game_.NextLevel();
  }

  // How to play (F1, through the window's keys) and back with close: the game
  // waits underneath, so the script's game stays as it is.
  // close 0: a click anywhere, which help says goes on too.
  void Help(WPARAM close) {
    PostMessageA(window_, WM_KEYDOWN, VK_F1, 1);
    PostMessageA(window_, WM_KEYUP, VK_F1, 0xC0000001);
    if (close == 0) {
      PostMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 100));
      PostMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(5, 100));
      return;
    }
    PostMessageA(window_, WM_KEYDOWN, close, 1);
    PostMessageA(window_, WM_KEYUP, close, 0xC0000001);
  }

  Game& game() { return game_; }

 private:
  HWND window_;
  std::vector<uint8_t> bytes_;
  DataFile data_;
  std::vector<Level> levels_;
  Game game_;
};

// Walks a route; every move but the last must be an ordinary one.
void Walk(Script& script, const std::vector<Direction>& route, bool click_first, MoveResult last) {
  for (size_t i = 0; i < route.size(); ++i) {
    const MoveResult r = i == 0 && click_first ? script.Click(route[i]) : script.Press(route[i]);
    if (i + 1 < route.size())
      ASSERT_TRUE(r == MoveResult::kStep || r == MoveResult::kFirefly || r == MoveResult::kOil)
          << "move " << i << " gave " << int(r);
    else
      ASSERT_EQ(r, last) << "the route's last move";
  }
}

int Distance(const Game& game, int tx, int ty) {
  return int(Route(game, [&](int x, int y) { return x == tx && y == ty; }).size());
}

// Plays a game through the window: level 1 with fireflies and the exit, then
// into level 2's nearest bog three times. *score is what it must come to. Help
// is looked at on the way, and the game must go on as if it had not been.
void PlayToGameOver(HWND window, const std::string& data_path, uint32_t* score) {
  Script script(window);
  ASSERT_TRUE(script.Load(data_path));
  script.NewGame();
  Game& game = script.game();

  // Level 1: fireflies while there is oil to spare, then the exit.
  int exit_x = -1, exit_y = -1;
  for (int i = 0; i < game.level().width * game.level().height; ++i)
    if (game.level().cells[i] == dat::kExit) {
      exit_x = i % game.level().width;
      exit_y = i / game.level().width;
    }
  bool first = true;
  for (;;) {
    std::vector<Direction> to_firefly =
        Route(game, [&](int x, int y) { return game.level().At(x, y) == dat::kFirefly; });
    if (to_firefly.empty()) break;
    Game after = game;
    for (Direction d : to_firefly) after.Move(d);
    if (after.phase() != Phase::kPlaying ||
        Distance(after, exit_x, exit_y) + 5 > after.oil())
      break;
    ASSERT_NO_FATAL_FAILURE(Walk(script, to_firefly, first, MoveResult::kFirefly));
    first = false;
  }
  const uint32_t fireflies = game.score();
  ASSERT_GT(fireflies, 0u) << "the script caught no firefly";
  std::vector<Direction> to_exit = Route(game, [&](int x, int y) { return x == exit_x && y == exit_y; });
  ASSERT_FALSE(to_exit.empty());
  ASSERT_NO_FATAL_FAILURE(Walk(script, to_exit, first, MoveResult::kExit));

  // Help while the level's end waits for Enter: that Enter leaves help, and
  // only the next one goes on. Level 2: into the nearest bog with each of the
  // three lanterns, with help after the first.
  script.Help(VK_RETURN);
  script.Enter();
  ASSERT_EQ(game.level_number(), 2);
  for (int lantern = kLanterns; lantern > 0; --lantern) {
    std::vector<Direction> to_bog = Route(game, [&](int x, int y) { return game.level().At(x, y) == dat::kBog; });
    ASSERT_FALSE(to_bog.empty()) << "level 2 has no bog to walk into";
    ASSERT_NO_FATAL_FAILURE(Walk(script, to_bog, false, lantern > 1 ? MoveResult::kBog : MoveResult::kGameOver));
    if (lantern == kLanterns) {
      script.Help(VK_F1);
      script.Help(VK_ESCAPE);
      script.Help(0);
    }
  }
  *score = game.score();
}

// Two games and a second run: the player's table starts from the installed one
// (which has an entry of its own here), is kept in the profile and read from
// there, and the installed one is never written.
TEST(GameWindow, AScriptedGameEndsInTheHighScoreTable) {
  Installed install("game_window_play");
  // At the top an entry of its own, and at the bottom room for both games.
  ScoreTable expected;
  DefaultScoreTable(&expected);
  ASSERT_EQ(InsertScore(&expected, "Seed Keeper", expected.entries[0].score + 1, 3), 0);
  expected.entries[kScoreEntries - 2].score = 2;
  expected.entries[kScoreEntries - 1].score = 1;
  const std::string installed = Serialized(expected);
  ASSERT_TRUE(test::WriteWholeFile(install / "murkle.hsc", installed));
  test::Process process;
  ASSERT_TRUE(install.Start(&process)) << "error " << GetLastError();
  HWND window = test::WaitForWindow(
      [&] { return test::FindTopLevel(process.id(), layout::kWindowClass, "Murkle"); }, kWindowWaitMs);
  ASSERT_NE(window, nullptr) << "no game window";
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, layout::kClientWidth);
  EXPECT_EQ(client.bottom, layout::kClientHeight);
  // Away from the middle of the screen, where the system would put a dialog.
  ASSERT_TRUE(SetWindowPos(window, nullptr, 30, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));

  uint32_t score = 0;
  ASSERT_NO_FATAL_FAILURE(PlayToGameOver(window, install / "murkle.dat", &score));
  ASSERT_TRUE(ScoreQualifies(expected, score)) << "the script's score " << score << " is too low to enter";
  const int place = InsertScore(&expected, "Marsh Tester", score, 2);

  // The game asks for a name, over its window wherever that is...
  HWND name = WaitForDialog(process.id(), "New high score");
  ASSERT_NE(name, nullptr) << "no name dialog after the game ended";
  RECT game_rect, name_rect;
  ASSERT_TRUE(GetWindowRect(window, &game_rect) && GetWindowRect(name, &name_rect));
  EXPECT_NEAR((name_rect.left + name_rect.right) / 2, (game_rect.left + game_rect.right) / 2, 2)
      << "the name box's middle is not over the game's window";
  EXPECT_NEAR((name_rect.top + name_rect.bottom) / 2, (game_rect.top + game_rect.bottom) / 2, 2)
      << "the name box's middle is not over the game's window";
  const std::string score_line = test::WindowText(GetDlgItem(name, IDC_NAME_SCORE));
  EXPECT_NE(score_line.find(std::to_string(score)), std::string::npos) << score_line;
  test::SetText(GetDlgItem(name, IDC_NAME), "  Marsh Tester  ");
  test::PressButton(name, IDOK);
  ASSERT_TRUE(WaitGone(name));

  // ...then shows the table with the new entry marked.
  HWND table = WaitForDialog(process.id(), "Murkle high scores");
  ASSERT_NE(table, nullptr) << "no high-score table after the name";
  std::string text = test::WindowText(GetDlgItem(table, IDC_SCORE_LIST));
  char line[64];
  ASSERT_TRUE(FormatText(line, sizeof line, ">%2d. %-15s %7lu  level 2", place + 1, "Marsh Tester",
                         static_cast<unsigned long>(score)));
  EXPECT_NE(text.find(line), std::string::npos) << "looked for \"" << line << "\" in:\n" << text;
  // The new entry's line is selected, and only that: the edit box must not
  // have taken the focus and selected everything.
  const size_t line_start = text.find(line);
  DWORD_PTR chosen = 0;
  ASSERT_TRUE(SendMessageTimeoutA(GetDlgItem(table, IDC_SCORE_LIST), EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 60000,
                                  &chosen));
  EXPECT_EQ(LOWORD(chosen), line_start) << "the selection starts at the new entry's line";
  EXPECT_EQ(HIWORD(chosen), text.find("\r\n", line_start)) << "and ends with it";
  test::PressButton(table, IDOK);
  ASSERT_TRUE(WaitGone(table));

  // The player's profile holds the same table; the installed one is as it was.
  const std::string saved = test::ReadWholeFile(ProfileTable());
  ScoreTable read;
  ASSERT_TRUE(ParseScores(reinterpret_cast<const uint8_t*>(saved.data()), saved.size(), &read));
  EXPECT_STREQ(read.entries[0].name, "Seed Keeper");
  EXPECT_STREQ(read.entries[place].name, "Marsh Tester");
  EXPECT_EQ(read.entries[place].score, score);
  EXPECT_EQ(read.entries[place].level, 2);
  EXPECT_TRUE(saved == Serialized(expected)) << "the whole table";
  EXPECT_FALSE(test::FileExists(ProfileTable() + ".tmp"));
  EXPECT_TRUE(test::ReadWholeFile(install / "murkle.hsc") == installed) << "the installed table";
  EXPECT_FALSE(test::FileExists(install / "murkle.hsc.tmp"));

  // The menu's high-score view shows it too, without a mark.
  PostMessageA(window, WM_COMMAND, IDM_HIGH_SCORES, 0);
  table = WaitForDialog(process.id(), "Murkle high scores");
  ASSERT_NE(table, nullptr);
  text = test::WindowText(GetDlgItem(table, IDC_SCORE_LIST));
  line[0] = ' ';
  EXPECT_NE(text.find(line), std::string::npos) << "looked for \"" << line << "\" in:\n" << text;
  ASSERT_TRUE(SendMessageTimeoutA(GetDlgItem(table, IDC_SCORE_LIST), EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 60000,
                                  &chosen));
  EXPECT_EQ(LOWORD(chosen), HIWORD(chosen)) << "nothing selected without a new entry";
  test::PressButton(table, IDOK);
  ASSERT_TRUE(WaitGone(table));

  // A second game: the name box offers the last name selected whole, with the
  // typing in it, so that what is typed replaces it.
  ASSERT_NO_FATAL_FAILURE(PlayToGameOver(window, install / "murkle.dat", &score));
  name = WaitForDialog(process.id(), "New high score");
  ASSERT_NE(name, nullptr) << "no name dialog after the second game";
  HWND edit = GetDlgItem(name, IDC_NAME);
  EXPECT_EQ(test::WindowText(edit), "Marsh Tester");
  DWORD_PTR selection = 0;
  ASSERT_TRUE(SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 60000, &selection));
  EXPECT_EQ(LOWORD(selection), 0u);
  EXPECT_EQ(HIWORD(selection), strlen("Marsh Tester"));
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(name, nullptr), &gui));
  EXPECT_EQ(gui.hwndFocus, edit);
  test::SetText(edit, "Second Try");
  test::PressButton(name, IDOK);
  ASSERT_TRUE(WaitGone(name));
  ASSERT_GE(InsertScore(&expected, "Second Try", score, 2), 0);
  table = WaitForDialog(process.id(), "Murkle high scores");
  ASSERT_NE(table, nullptr);
  test::PressButton(table, IDOK);
  ASSERT_TRUE(WaitGone(table));
  EXPECT_TRUE(test::ReadWholeFile(ProfileTable()) == Serialized(expected)) << "both games' scores";

  PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
  DWORD code = 0;
  ASSERT_TRUE(process.Wait(kWindowWaitMs, &code)) << "the game did not exit";
  EXPECT_EQ(code, 0u);

  // The next run reads the player's table, not the installed one.
  test::Process again;
  ASSERT_TRUE(install.Start(&again));
  window = test::WaitForWindow([&] { return test::FindTopLevel(again.id(), layout::kWindowClass, "Murkle"); },
                               kWindowWaitMs);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_COMMAND, IDM_HIGH_SCORES, 0);
  table = WaitForDialog(again.id(), "Murkle high scores");
  ASSERT_NE(table, nullptr);
  text = test::WindowText(GetDlgItem(table, IDC_SCORE_LIST));
  EXPECT_NE(text.find("Second Try"), std::string::npos) << text;
  test::PressButton(table, IDOK);
  ASSERT_TRUE(WaitGone(table));
  PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
  ASSERT_TRUE(again.Wait(kWindowWaitMs, &code)) << "the game did not exit";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(test::ReadWholeFile(install / "murkle.hsc") == installed) << "the installed table";
}

// It runs as the user who starts it, so that Windows does not redirect the
// writes to that user's profile.
TEST(GameWindow, ManifestRunsAsTheInvokingUser) {
  const std::string manifest =
      test::ResourceBytes(test::JoinPath(TEST_INSTALLER_PAYLOAD_DIR, "murkle.exe"), RT_MANIFEST, 1);
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
}

// Damaged or missing files next to the program: a clear message, never a crash.
TEST(GameWindow, BadFilesGiveAClearMessage) {
  struct Case {
    const char* what;
    void (*spoil)(const Installed&);
    const char* message;  // a piece of the message box's text
    bool plays_on;        // the game window opens after the message
  };
  const Case cases[] = {
      {"data file missing", [](const Installed& i) { DeleteFileA((i / "murkle.dat").c_str()); },
       "cannot read its data file", false},
      {"data file truncated",
       [](const Installed& i) {
         std::string d = test::ReadWholeFile(i / "murkle.dat");
         test::WriteWholeFile(i / "murkle.dat", d.substr(0, d.size() - 1000));
       },
       "The data file is cut short.", false},
      {"data file damaged",
       [](const Installed& i) {
         std::string d = test::ReadWholeFile(i / "murkle.dat");
         d[d.size() / 2] ^= 0x10;
         test::WriteWholeFile(i / "murkle.dat", d);
       },
       "Part of the data file is damaged.", false},
      {"data file of its full size, all garbage",
       [](const Installed& i) {
         const size_t size = test::ReadWholeFile(i / "murkle.dat").size();
         test::WriteWholeFile(i / "murkle.dat", test::PseudoRandom(size, 41));
       },
       "This is not a Murkle data file.", false},
      {"data file over 64 MB",
       [](const Installed& i) {
         HANDLE f = CreateFileA((i / "murkle.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
         LARGE_INTEGER end;
         end.QuadPart = (64 << 20) + 1;
         SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
         SetEndOfFile(f);
         CloseHandle(f);
       },
       "many times larger than Murkle's own", false},
      {"score file damaged",
       [](const Installed& i) { test::WriteWholeFile(i / "murkle.hsc", std::string(252, 'Z')); },
       "high-score table was damaged", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installed install("game_window_bad");
    c.spoil(install);
    test::Process process;
    ASSERT_TRUE(install.Start(&process));
    HWND box = test::WaitForWindow([&] { return test::FindMessageBox(process.id()); }, kWindowWaitMs);
    ASSERT_NE(box, nullptr) << "no message";
    const std::string text = test::MessageBoxText(box);
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
    test::PressButton(box, IDOK);
    if (c.plays_on) {
      HWND window = test::WaitForWindow(
          [&] { return test::FindTopLevel(process.id(), layout::kWindowClass, "Murkle"); }, kWindowWaitMs);
      ASSERT_NE(window, nullptr) << "the game should go on with a fresh table";
      PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    }
    DWORD code = 0;
    ASSERT_TRUE(process.Wait(kWindowWaitMs, &code)) << "the game did not end";
    EXPECT_EQ(code, c.plays_on ? 0u : 1u);
  }
}

// The profile has no room for the table (a file stands where the maker's folder
// would be): the player is told, the game goes on with the score in its table,
// and nothing is written next to the program instead.
TEST(GameWindow, AScoreThatCannotBeSavedIsReportedAndKept) {
  Installed install("game_window_unsaved");
  ASSERT_TRUE(test::WriteWholeFile(MakerFolder(), "not a folder"));
  test::Process process;
  ASSERT_TRUE(install.Start(&process));
  HWND window = test::WaitForWindow(
      [&] { return test::FindTopLevel(process.id(), layout::kWindowClass, "Murkle"); }, kWindowWaitMs);
  ASSERT_NE(window, nullptr);
  const std::string before = test::ReadWholeFile(install / "murkle.hsc");
  uint32_t score = 0;
  ASSERT_NO_FATAL_FAILURE(PlayToGameOver(window, install / "murkle.dat", &score));

  // Where the code page has them (932), nine characters of two bytes: the
  // table's 15 bytes take seven of them whole.
  std::string typed = "Unsaved", kept = "Unsaved", long_name, cut_name;
  if (test::InCodePage("表ソ能表ソ能表ソ能", &long_name) && long_name.size() == 18 &&
      test::InCodePage("表ソ能表ソ能表", &cut_name)) {
    typed = long_name;
    kept = cut_name;
  }
  HWND name = WaitForDialog(process.id(), "New high score");
  ASSERT_NE(name, nullptr);
  test::SetText(GetDlgItem(name, IDC_NAME), typed);
  test::PressButton(name, IDOK);
  HWND box = test::WaitForWindow([&] { return test::FindMessageBox(process.id()); }, kWindowWaitMs);
  ASSERT_NE(box, nullptr) << "no word that the table was not saved";
  const std::string text = test::MessageBoxText(box);
  EXPECT_NE(text.find("could not be saved"), std::string::npos) << text;
  test::PressButton(box, IDOK);

  HWND table = WaitForDialog(process.id(), "Murkle high scores");
  ASSERT_NE(table, nullptr) << "the table is still shown";
  const std::string list = test::WindowText(GetDlgItem(table, IDC_SCORE_LIST));
  EXPECT_NE(list.find(kept + " "), std::string::npos) << list;
  test::PressButton(table, IDOK);
  ASSERT_TRUE(WaitGone(table));
  EXPECT_EQ(test::ReadWholeFile(install / "murkle.hsc"), before) << "the installed table is intact";
  EXPECT_FALSE(test::FileExists(install / "murkle.hsc.tmp"));

  // The game goes on: a new game starts and the window still answers. Exit
  // during it asks first, and Enter, the default, keeps playing.
  PostMessageA(window, WM_COMMAND, IDM_NEW_GAME, 0);
  for (bool enter : {true, false}) {
    PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    HWND ask = test::WaitForWindow([&] { return test::FindMessageBox(process.id()); }, kWindowWaitMs);
    ASSERT_NE(ask, nullptr) << "Exit during a game gave up the game without asking";
    EXPECT_NE(test::MessageBoxText(ask).find("in progress"), std::string::npos) << test::MessageBoxText(ask);
    if (enter) {
      // Enter where the box puts the focus, once it has (it may be shown
      // a moment before).
      GUITHREADINFO gui = {};
      gui.cbSize = sizeof gui;
      const DWORD thread = GetWindowThreadProcessId(ask, nullptr);
      ASSERT_TRUE(test::WaitUntil(
          [&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus && IsChild(ask, gui.hwndFocus); },
          kWindowWaitMs))
          << "nothing in the question has the focus";
      PostMessageA(gui.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(gui.hwndFocus, WM_KEYUP, VK_RETURN, 0xC0000001);
    } else {
      test::PressButton(ask, IDYES);
    }
    ASSERT_TRUE(WaitGone(ask));
    if (enter) {
      EXPECT_EQ(WaitForSingleObject(process.handle(), 500), DWORD(WAIT_TIMEOUT)) << "Enter must keep playing";
      EXPECT_TRUE(IsWindow(window)) << "Enter must keep the game";
    }
  }
  DWORD code = 0;
  ASSERT_TRUE(process.Wait(kWindowWaitMs, &code));
  EXPECT_EQ(code, 0u);
}

// A dialog procedure that leaves every message to the system. Named, not a
// lambda: 32-bit Windows calls it stdcall.
INT_PTR CALLBACK LeaveToTheSystem(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The game's dialogs as the system lays them out at a DPI, made in this
// process: at dpi the dialog's font is its point size times dpi / 96, and
// every dialog unit follows the font, so the template's point size scaled
// gives the very dialog (8 points at 144 DPI are 12 at 96). Null when the
// scale gives no whole point size.
HWND DialogAt(const std::string& exe, int dialog_id, int dpi) {
  std::string bytes = test::ResourceBytes(exe, RT_DIALOG, dialog_id);
  std::vector<WORD> words((bytes.size() + 1) / 2 + 1, 0);  // a template must be WORD-aligned
  memcpy(words.data(), bytes.data(), bytes.size());
  // DLGTEMPLATEEX: 13 WORDs of header, then the menu, the class and the
  // caption, then the point size.
  if (bytes.size() < 32 || words[1] != 0xFFFF) {
    ADD_FAILURE() << "dialog " << dialog_id << " is no DLGTEMPLATEEX";
    return nullptr;
  }
  size_t at = 13;
  for (int field = 0; field < 3; ++field) {
    if (words[at] == 0xFFFF) at += 2;
    else
      while (at < words.size() && words[at++] != 0) {}
  }
  HDC screen = GetDC(nullptr);
  const int system_dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (words[at] * dpi % system_dpi != 0) return nullptr;
  words[at] = WORD(words[at] * dpi / system_dpi);
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()),
                                    nullptr, LeaveToTheSystem, 0);
}

// Every static text of the game's dialogs fits its control at 96, 120 and 144
// DPI, measured as the control draws it (DrawText, word-wrapped, in its font);
// the texts the game puts in at run time are measured at their longest.
TEST(GameWindow, EveryDialogTextFitsAtEveryDpi) {
  const std::string exe = test::JoinPath(TEST_INSTALLER_PAYLOAD_DIR, "murkle.exe");
  HMODULE texts = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(texts, nullptr) << "error " << GetLastError();
  const auto instance = reinterpret_cast<HINSTANCE>(texts);
  const unsigned long kMaxScore = 4294967295ul;
  char score[128], tied[128], tied_last[128], not_in[128];
  FormatLoaded<kGameFormats, IDS_YOUR_SCORE>(instance, score, sizeof score, kMaxScore);
  FormatLoaded<kGameFormats, IDS_SCORE_TIED>(instance, tied, sizeof tied, "WWWWWWWWWWWWWWW");
  FormatLoaded<kGameFormats, IDS_SCORE_TIED_LAST>(instance, tied_last, sizeof tied_last, kMaxScore);
  FormatLoaded<kGameFormats, IDS_SCORE_NOT_IN>(instance, not_in, sizeof not_in, kMaxScore);
  FreeLibrary(texts);
  // Texts the game sets; every other static keeps its template's text.
  const struct RunTimeText {
    int dialog, control;
    const char* text;
  } kRunTime[] = {
      {IDD_NAME, IDC_NAME_SCORE, score},
      {IDD_SCORES, IDC_SCORE_NOTE, tied},
      {IDD_SCORES, IDC_SCORE_NOTE, tied_last},
      {IDD_SCORES, IDC_SCORE_NOTE, not_in},
  };
  for (const RunTimeText& t : kRunTime) ASSERT_GT(strlen(t.text), 10u) << "text of control " << t.control;

  int measured = 0;
  for (int dpi : {96, 120, 144})
    for (int dialog_id : {IDD_NAME, IDD_SCORES}) {
      HWND dialog = DialogAt(exe, dialog_id, dpi);
      if (!dialog) {
        ADD_FAILURE() << "dialog " << dialog_id << " cannot be made at " << dpi << " DPI";
        continue;
      }
      for (HWND control : test::Children(dialog)) {
        if (_stricmp(test::ClassName(control).c_str(), "Static") != 0) continue;
        const int id = GetDlgCtrlID(control);
        std::vector<std::string> candidates;
        for (const RunTimeText& t : kRunTime)
          if (t.dialog == dialog_id && t.control == id) candidates.push_back(t.text);
        if (candidates.empty()) candidates.push_back(test::WindowText(control));
        RECT box;
        GetClientRect(control, &box);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        for (const std::string& text : candidates) {
          RECT need = {0, 0, box.right, 0};
          DrawTextA(dc, text.c_str(), -1, &need,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
          ++measured;
          EXPECT_TRUE(need.right <= box.right && need.bottom <= box.bottom)
              << "dialog " << dialog_id << ", control " << id << " at " << dpi << " DPI: \"" << text << "\" needs "
              << need.right << " x " << need.bottom << " pixels, the control has " << box.right << " x "
              << box.bottom;
        }
        SelectObject(dc, old);
        ReleaseDC(control, dc);
      }
      DestroyWindow(dialog);
    }
  EXPECT_EQ(measured, 3 * (3 + 3)) << "texts measured: three statics in each dialog, at three DPIs";
}

}  // namespace
