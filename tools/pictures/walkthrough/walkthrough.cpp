// Walks through the installer as a user would, for the README's run command on a
// machine without a display: starts it, waits for each dialog, saves a picture of
// it, and presses the button a user would press.
//
//   walkthrough <installer.exe> <directory for the pictures>
//
// Or takes a picture of the game's window as it first opens (its title screen):
//
//   walkthrough --game <murkle.exe> <picture.png>
//
// Or plays a game of it into the high-score table, for pictures of the name
// box and of the table (name-box.png, scores.png in the directory):
//
//   walkthrough --game-scores <murkle.exe> <directory for the pictures>
#include <windows.h>
#include <zlib.h>

#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data_file.h"
#include "game.h"
#include "product/game/window/resource.h"
#include "resources/resource.h"
#include "tools/game_route.h"
#include "tools/window_search.h"

namespace {

HWND FindDialog(DWORD pid, const char* caption) {
  return tools::FindProcessWindow(pid, [&](HWND w) { return tools::Caption(w) == caption; });
}

// The window find() returns, waited for while the process lives, within a bound.
template <typename Find>
HWND WaitForWindow(HANDLE process, Find find, DWORD timeout_ms) {
  for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
    if (HWND w = find()) return w;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

HWND WaitForDialog(HANDLE process, DWORD pid, const char* caption, DWORD timeout_ms) {
  return WaitForWindow(process, [&] { return FindDialog(pid, caption); }, timeout_ms);
}

// Starts exe (quoted, no arguments) in folder, or the current folder for null.
bool Start(const std::string& exe, const char* folder, PROCESS_INFORMATION* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string command = "\"" + exe + "\"";
  if (CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, process))
    return true;
  fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
  return false;
}

// Waits for the process to end (stopping it after 30 s) and lets it go. False
// when it had to be stopped; *code is its exit code.
bool Finish(PROCESS_INFORMATION* process, const char* what, DWORD* code) {
  bool ended = WaitForSingleObject(process->hProcess, 30000) == WAIT_OBJECT_0;
  if (ended) {
    GetExitCodeProcess(process->hProcess, code);
  } else {
    fprintf(stderr, "the %s did not end; stopping it\n", what);
    TerminateProcess(process->hProcess, 1);
  }
  CloseHandle(process->hThread);
  CloseHandle(process->hProcess);
  return ended;
}

std::string ControlText(HWND dialog, int id) {
  char text[512] = "";
  SendDlgItemMessageA(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void PutBigEndian(std::string* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(v >> shift));
}

void PutChunk(std::string* png, const char* type, const std::string& data) {
  PutBigEndian(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  *png += body;
  PutBigEndian(png, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

// Copies the window's rectangle off the screen and writes it as a PNG file.
bool SaveWindowPicture(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Sleep(700);
  RECT r;
  GetWindowRect(window, &r);
  int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  const auto* pixels = static_cast<const unsigned char*>(bits);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = pixels + (static_cast<size_t>(y) * width + x) * 4;
      raw.push_back(static_cast<char>(p[2]));
      raw.push_back(static_cast<char>(p[1]));
      raw.push_back(static_cast<char>(p[0]));
    }
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 9);
  packed.resize(packed_size);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBigEndian(&header, static_cast<uint32_t>(width));
  PutBigEndian(&header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", packed);
  PutChunk(&png, "IEND", "");

  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
  return fclose(f) == 0 && ok;
}

void Press(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

int PictureOfGame(const std::string& game, const std::string& picture) {
  PROCESS_INFORMATION process = {};
  std::string folder = game.substr(0, game.find_last_of('\\') + 1);
  if (!Start(game, folder.empty() ? nullptr : folder.c_str(), &process)) return 1;
  HWND window =
      WaitForWindow(process.hProcess, [] { return FindWindowA("MurkleMarshWindow", nullptr); }, 30000);
  int status = 0;
  if (!window) {
    fprintf(stderr, "the game's window did not appear\n");
    status = 1;
  } else {
    const bool saved = SaveWindowPicture(window, picture);
    printf("game window shown; picture: %s\n", saved ? "saved" : "FAILED");
    if (!saved) status = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  DWORD code = 1;
  return Finish(&process, "game", &code) ? status : 1;
}


// --- A game played into the high-score table -------------------------------------

using tools::Route;

void PressKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

// Plays the game as the tests' script does, mirrored in the rules library:
// fireflies on level 1 while there is oil to spare, its exit, then level 2's
// nearest bog with each lantern.
bool PlayToGameOver(HWND window, const std::string& data_path) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen(data_path.c_str(), "rb");
  if (!f) return false;
  for (int c; (c = fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  fclose(f);
  DataFile data;
  if (data.Open(bytes.data(), bytes.size()) != DataError::kNone || data.level_count() < 2) return false;
  std::vector<Level> levels(size_t(data.level_count()));
  for (int i = 0; i < data.level_count(); ++i) data.LoadLevel(i + 1, &levels[size_t(i)]);
  Game game;
  game.NewGame(levels.data(), int(levels.size()));
  PostMessageA(window, WM_COMMAND, IDM_NEW_GAME, 0);
  const auto walk = [&](const std::vector<Direction>& route) {
    static const WPARAM kKeys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
    for (Direction d : route) {
      PressKey(window, kKeys[int(d)]);
      game.Move(d);
    }
  };
  const auto is = [&](dat::CellCode code) {
    return [&game, code](int x, int y) { return game.level().At(x, y) == code; };
  };
  for (;;) {
    const std::vector<Direction> to_firefly = Route(game, is(dat::kFirefly));
    if (to_firefly.empty()) break;
    Game after = game;
    for (Direction d : to_firefly) after.Move(d);
    const size_t home = Route(after, is(dat::kExit)).size();
    if (after.phase() != Phase::kPlaying || home == 0 || int(home) + 5 > after.oil()) break;
    walk(to_firefly);
  }
  walk(Route(game, is(dat::kExit)));
  if (game.phase() != Phase::kLevelDone) return false;
  PressKey(window, VK_RETURN);
  game.NextLevel();
  for (int lantern = 0; lantern < kLanterns && game.phase() == Phase::kPlaying; ++lantern)
    walk(Route(game, is(dat::kBog)));
  return game.phase() == Phase::kLost;
}

// The player's own table is put aside for the game and back after it, so that
// the game starts from the installed table.
std::string ProfileTable() {
  char appdata[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata))) return "";
  return std::string(appdata) + "\\Velmora\\Murkle\\murkle.hsc";
}

int PicturesOfScores(const std::string& game, const std::string& pictures) {
  const std::string folder = game.substr(0, game.find_last_of('\\') + 1);
  const std::string table = ProfileTable(), aside = table + ".walkthrough";
  const bool put_aside = !table.empty() && MoveFileExA(table.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
  PROCESS_INFORMATION process = {};
  if (!Start(game, folder.empty() ? nullptr : folder.c_str(), &process)) return 1;
  int status = 1;
  HWND window =
      WaitForWindow(process.hProcess, [] { return FindWindowA("MurkleMarshWindow", nullptr); }, 30000);
  if (!window) {
    fprintf(stderr, "the game's window did not appear\n");
  } else if (!PlayToGameOver(window, folder + "murkle.dat")) {
    fprintf(stderr, "the game could not be played to its end\n");
  } else if (HWND name = WaitForDialog(process.hProcess, process.dwProcessId, "New high score", 30000)) {
    SetDlgItemTextA(name, IDC_NAME, "Wren Marsh");
    const bool named = SaveWindowPicture(name, pictures + "\\name-box.png");
    printf("name box shown; picture: %s\n", named ? "saved" : "FAILED");
    Press(name, IDOK);
    HWND scores = WaitForDialog(process.hProcess, process.dwProcessId, "Murkle high scores", 30000);
    const bool listed = scores && SaveWindowPicture(scores, pictures + "\\scores.png");
    printf("high-score table shown; picture: %s\n", listed ? "saved" : "FAILED");
    if (scores) Press(scores, IDOK);
    if (named && listed) status = 0;
  } else {
    fprintf(stderr, "no name box after the game\n");
  }
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  const bool ended = Finish(&process, "game", &code);
  if (put_aside) MoveFileExA(aside.c_str(), table.c_str(), MOVEFILE_REPLACE_EXISTING);
  else if (!table.empty()) DeleteFileA(table.c_str());
  return ended ? status : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "--game") == 0) return PictureOfGame(argv[2], argv[3]);
  if (argc == 4 && strcmp(argv[1], "--game-scores") == 0) return PicturesOfScores(argv[2], argv[3]);
  if (argc != 3) {
    fprintf(stderr, "usage: walkthrough <installer.exe> <picture directory>\n");
    return 2;
  }
  std::string installer = argv[1], pictures = argv[2];
  CreateDirectoryA(pictures.c_str(), nullptr);

  PROCESS_INFORMATION process = {};
  if (!Start(installer, nullptr, &process)) return 1;
  int status = 0;
  HWND agreement = WaitForDialog(process.hProcess, process.dwProcessId, CAPTION_AGREEMENT, 30000);
  if (!agreement) {
    fprintf(stderr, "the agreement dialog did not appear\n");
    status = 1;
  } else {
    std::string picture = pictures + "\\agreement.png";
    printf("agreement dialog shown; picture: %s\n", SaveWindowPicture(agreement, picture) ? "saved" : "FAILED");
    printf("pressing Accept\n");
    Press(agreement, IDOK);

    HWND options = WaitForDialog(process.hProcess, process.dwProcessId, CAPTION_SETUP, 10000);
    if (!options) {
      printf("no setup options dialog followed\n");
    } else {
      printf("setup options dialog shown\n  program group: %s\n  destination:   %s\n  %s\n  %s\n  %s\n",
             ControlText(options, IDC_SHORTCUT_DIR).c_str(), ControlText(options, IDC_FILE_DIR).c_str(),
             ControlText(options, IDC_SPACE_FREE).c_str(), ControlText(options, IDC_SPACE_REQUIRED).c_str(),
             ControlText(options, IDC_SPACE_VERDICT).c_str());
      printf("  picture: %s\n", SaveWindowPicture(options, pictures + "\\options.png") ? "saved" : "FAILED");
      printf("pressing Install\n");
      Press(options, IDOK);
      std::string line;
      for (int waited = 0; waited < 120000; waited += 100) {
        line = ControlText(options, IDC_STATUS);
        if (line == "Done!" || line.rfind("Setup error!", 0) == 0) break;
        Sleep(100);
      }
      printf("  status line: %s\n", line.c_str());
      printf("  picture: %s\n", SaveWindowPicture(options, pictures + "\\options-done.png") ? "saved" : "FAILED");
      if (line != "Done!") status = 1;
      printf("pressing %s\n", ControlText(options, IDOK).c_str());
      Press(options, line == "Done!" ? IDOK : IDCANCEL);
    }
  }
  DWORD code = 1;
  if (!Finish(&process, "installer", &code)) return 1;
  printf("installer ended with exit code %lu\n", code);
  return status;
}
