#include "test_support.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "test_paths.h"

namespace {

class CodePageCheck : public ::testing::Environment {
  void SetUp() override {
    const char* wanted = getenv("MURKLE_TEST_CODE_PAGE");
    if (wanted) {
      ASSERT_EQ(GetACP(), strtoul(wanted, nullptr, 10)) << "the run's locale did not give its code page";
    }
  }
};
[[maybe_unused]] ::testing::Environment* const kCodePageCheck = ::testing::AddGlobalTestEnvironment(new CodePageCheck);

}  // namespace

namespace test {

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  EXPECT_GT(n, 0) << "not UTF-8: " << utf8;
  wide.resize(n > 0 ? n - 1 : 0);
  return wide;
}

bool InCodePage(const std::string& utf8, std::string* ansi) {
  std::wstring wide = Wide(utf8);
  ansi->assign(2 * wide.size() + 1, '\0');
  BOOL lacked = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &(*ansi)[0],
                              static_cast<int>(ansi->size()), nullptr, &lacked);
  ansi->resize(n > 0 ? n - 1 : 0);
  return n > 0 && !lacked;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char chunk[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) bytes->append(chunk, got);
  CloseHandle(file);
  return ok;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) ADD_FAILURE() << "cannot read " << path << ", error " << GetLastError();
  return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
            done == bytes.size();
  return CloseHandle(file) && ok;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DriveMapped(char letter) {
  const char root[] = {letter, ':', '\\', '\0'};
  return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  // A second byte 0x5C of a double-byte character is no backslash.
  if (EndsWithBackslash(dir.c_str())) return dir + name;
  return dir + "\\" + name;
}

bool RemoveTree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != 0;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(path, "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
        RemoveTree(JoinPath(path, found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

ScratchDir::ScratchDir(const std::string& name) {
  CreateDirectoryA(TEST_SCRATCH_DIR, nullptr);
  path_ = JoinPath(TEST_SCRATCH_DIR, name);
  RemoveTree(path_);
  if (!CreateDirectoryA(path_.c_str(), nullptr))
    ADD_FAILURE() << "cannot create scratch directory " << path_ << ", error " << GetLastError();
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ZlibCompress(const std::string& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  int result = compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                         reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level);
  if (result != Z_OK) ADD_FAILURE() << "compress2 gave " << result;
  out.resize(size);
  return out;
}

bool ZlibInflate(const void* data, size_t size, std::string* out) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  stream.avail_in = static_cast<uInt>(size);
  out->clear();
  int result = Z_OK;
  char chunk[65536];
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = inflate(&stream, Z_NO_FLUSH);
    out->append(chunk, sizeof chunk - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END;
}

namespace {
uint32_t Next(uint32_t* state) {
  // xorshift32: the same bytes on every run and every machine.
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *state = x;
}
}  // namespace

std::string PseudoText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"murk", "lantern", "reed", "bog", "firefly", "marsh",
                                       "the", "a", "glow", "night", "water", "path", "mist"};
  uint32_t state = seed ? seed : 1;
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) {
    out += kWords[Next(&state) % (sizeof kWords / sizeof kWords[0])];
    out += (Next(&state) % 11 == 0) ? "\r\n" : " ";
  }
  out.resize(size);
  if (!out.empty() && out.back() == '\r') out.back() = '.';  // never a lone CR
  return out;
}

std::string PseudoRandom(size_t size, uint32_t seed) {
  uint32_t state = seed ? seed : 1;
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(Next(&state) >> 24);
  return out;
}

bool WaitUntil(const std::function<bool()>& probe, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (probe()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(10);
  }
}

HWND WaitForWindow(const std::function<HWND()>& probe, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = probe()) != nullptr; }, timeout_ms);
  return found;
}

namespace {
// A window that does not answer within this long is taken as hung: the test
// fails instead of waiting for ever.
constexpr UINT kAnswerTimeout = 60000;

bool SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  DWORD_PTR answer = 0;
  SetLastError(0);
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kAnswerTimeout, &answer)) {
    // A window that is gone (its program ended) simply has no text.
    if (GetLastError() == ERROR_TIMEOUT)
      ADD_FAILURE() << "window " << window << " did not answer message " << message;
    return false;
  }
  *result = static_cast<LRESULT>(answer);
  return true;
}
}  // namespace

std::string WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowText: it reaches controls of other
  // processes. The text may change between the two messages: a text that
  // fills the buffer is asked for again with more room.
  LRESULT length = 0;
  if (!SendBounded(window, WM_GETTEXTLENGTH, 0, 0, &length)) return "";
  size_t room = static_cast<size_t>(length) + 256;
  for (;;) {
    std::string text(room, '\0');
    LRESULT got = 0;
    if (!SendBounded(window, WM_GETTEXT, room, reinterpret_cast<LPARAM>(&text[0]), &got)) return "";
    if (static_cast<size_t>(got) + 1 < room) {
      text.resize(static_cast<size_t>(got));
      return text;
    }
    room *= 2;
  }
}

void SetText(HWND window, const std::string& text) {
  LRESULT ignored = 0;
  SendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ignored);
}

std::string ClassName(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

namespace {
// Window enumerations collect into a vector. The callbacks are named functions:
// on 32-bit Windows they must be stdcall, which no lambda converts to.
BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD process_id) {
  std::vector<HWND> all, found;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : all) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (process_id == 0 || pid == process_id) found.push_back(window);
  }
  return found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindTopLevel(DWORD process_id, const char* class_name, const char* caption) {
  for (HWND window : TopLevelWindows(process_id)) {
    if (class_name && ClassName(window) != class_name) continue;
    if (caption && WindowText(window) != caption) continue;
    return window;
  }
  return nullptr;
}

HWND WaitForDialog(DWORD process_id, const char* caption, DWORD timeout_ms) {
  return WaitForWindow(
      [&]() -> HWND {
        HWND dialog = FindTopLevel(process_id, "#32770", caption);
        return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
      },
      timeout_ms);
}

HWND FindMessageBox(DWORD process_id) {
  for (HWND window : TopLevelWindows(process_id)) {
    if (ClassName(window) != "#32770" || !IsWindowVisible(window)) continue;
    // Our own dialogs have an edit control; a message box has none.
    bool has_edit = false;
    for (HWND child : Children(window))
      if (_stricmp(ClassName(child).c_str(), "Edit") == 0) has_edit = true;
    if (!has_edit && !MessageBoxText(window).empty()) return window;
  }
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  for (HWND child : Children(box)) {
    if (_stricmp(ClassName(child).c_str(), "Static") != 0) continue;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) continue;
    std::string text = WindowText(child);
    if (!text.empty()) return text;
  }
  return "";
}

std::vector<int> ButtonIds(HWND dialog) {
  std::vector<int> ids;
  for (HWND child : Children(dialog)) {
    if (_stricmp(ClassName(child).c_str(), "Button") != 0) continue;
    LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ids.push_back(GetDlgCtrlID(child));
  }
  return ids;
}

void PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) {
    ADD_FAILURE() << "no button " << id << " in dialog " << WindowText(dialog);
    return;
  }
  PostMessageA(button, BM_CLICK, 0, 0);
}

Process::~Process() {
  Kill();
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
}

bool Process::Start(const std::string& exe, const std::string& args, const char* working_dir) {
  std::string command = "\"" + exe + "\"";
  if (!args.empty()) command += " " + args;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, working_dir,
                        &startup, &info_) != 0;
}

bool Process::Wait(DWORD timeout_ms, DWORD* exit_code) {
  if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return false;
  if (exit_code) GetExitCodeProcess(info_.hProcess, exit_code);
  return true;
}

void Process::Kill() {
  if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 5000);
  }
}

std::string ResourceBytes(const std::string& exe, const char* type, int id) {
  std::string bytes;
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return bytes;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type))
    bytes.assign(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
  FreeLibrary(module);
  return bytes;
}

bool CopyWithResource(const std::string& from, const std::string& to, const char* type, int id,
                      WORD language, const std::string& data) {
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceA(to.c_str(), FALSE);
  if (!update) return false;
  BOOL ok = UpdateResourceA(update, type, MAKEINTRESOURCEA(id), language, const_cast<char*>(data.data()),
                            static_cast<DWORD>(data.size()));
  return EndUpdateResourceA(update, !ok) && ok;
}

namespace {

// Where the directory entry of a resource name and its data entries lie in a file.
struct ResourceEntries {
  size_t name_entry = 0;            // IMAGE_RESOURCE_DIRECTORY_ENTRY of the id
  std::vector<size_t> data_entries;  // IMAGE_RESOURCE_DATA_ENTRY per language
};

template <typename T>
bool ReadAt(const std::string& image, size_t offset, T* value) {
  if (offset + sizeof(T) > image.size()) return false;
  memcpy(value, image.data() + offset, sizeof(T));
  return true;
}

bool FindResourceEntries(const std::string& image, const char* type, WORD id, ResourceEntries* found) {
  IMAGE_DOS_HEADER dos;
  IMAGE_FILE_HEADER file;
  WORD magic = 0;
  if (!ReadAt(image, 0, &dos) || !ReadAt(image, dos.e_lfanew + 4, &file)) return false;
  size_t optional = dos.e_lfanew + 4 + sizeof file;
  if (!ReadAt(image, optional, &magic)) return false;
  IMAGE_DATA_DIRECTORY directory;
  size_t dir_offset = optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                      ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                                      : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory));
  if (!ReadAt(image, dir_offset + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof directory, &directory)) return false;
  size_t root = 0;
  for (int i = 0; i < file.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!ReadAt(image, optional + file.SizeOfOptionalHeader + i * sizeof section, &section)) return false;
    if (directory.VirtualAddress >= section.VirtualAddress &&
        directory.VirtualAddress < section.VirtualAddress + section.SizeOfRawData)
      root = directory.VirtualAddress - section.VirtualAddress + section.PointerToRawData;
  }
  if (!root) return false;

  // Each level: a directory header, then named entries, then id entries.
  auto entries = [&](size_t dir, std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY>* out, std::vector<size_t>* at) {
    IMAGE_RESOURCE_DIRECTORY header;
    if (!ReadAt(image, dir, &header)) return false;
    int count = header.NumberOfNamedEntries + header.NumberOfIdEntries;
    for (int i = 0; i < count; ++i) {
      IMAGE_RESOURCE_DIRECTORY_ENTRY entry;
      size_t offset = dir + sizeof header + i * sizeof entry;
      if (!ReadAt(image, offset, &entry)) return false;
      out->push_back(entry);
      at->push_back(offset);
    }
    return true;
  };
  auto name_is = [&](const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry, const char* name) {
    if (IS_INTRESOURCE(name)) return !entry.NameIsString && entry.Id == LOWORD(reinterpret_cast<ULONG_PTR>(name));
    if (!entry.NameIsString) return false;
    WORD length = 0;
    size_t offset = root + entry.NameOffset;
    if (!ReadAt(image, offset, &length) || length != strlen(name)) return false;
    for (WORD k = 0; k < length; ++k) {
      WCHAR c = 0;
      if (!ReadAt(image, offset + 2 + 2 * k, &c) || towupper(c) != towupper(name[k])) return false;
    }
    return true;
  };

  std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> types, names, languages;
  std::vector<size_t> type_at, name_at, language_at;
  if (!entries(root, &types, &type_at)) return false;
  for (const auto& t : types) {
    if (!name_is(t, type) || !t.DataIsDirectory) continue;
    if (!entries(root + t.OffsetToDirectory, &names, &name_at)) return false;
    for (size_t n = 0; n < names.size(); ++n) {
      if (names[n].NameIsString || names[n].Id != id || !names[n].DataIsDirectory) continue;
      found->name_entry = name_at[n];
      if (!entries(root + names[n].OffsetToDirectory, &languages, &language_at)) return false;
      for (const auto& l : languages) found->data_entries.push_back(root + l.OffsetToData);
      return true;
    }
  }
  return false;
}

}  // namespace

bool RenumberResource(const std::string& path, const char* type, WORD id, WORD new_id) {
  std::string image;
  ResourceEntries found;
  if (!ReadWholeFile(path, &image) || !FindResourceEntries(image, type, id, &found)) return false;
  IMAGE_RESOURCE_DIRECTORY_ENTRY entry;
  memcpy(&entry, image.data() + found.name_entry, sizeof entry);
  entry.Id = new_id;
  memcpy(&image[found.name_entry], &entry, sizeof entry);
  return WriteWholeFile(path, image);
}

bool SetResourceSize(const std::string& path, const char* type, WORD id, DWORD size) {
  std::string image;
  ResourceEntries found;
  if (!ReadWholeFile(path, &image) || !FindResourceEntries(image, type, id, &found)) return false;
  for (size_t offset : found.data_entries) {
    IMAGE_RESOURCE_DATA_ENTRY data;
    memcpy(&data, image.data() + offset, sizeof data);
    data.Size = size;
    memcpy(&image[offset], &data, sizeof data);
  }
  return !found.data_entries.empty() && WriteWholeFile(path, image);
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

}  // namespace test

namespace test {

std::vector<HWND> ThreadWindows(DWORD thread_id) {
  std::vector<HWND> all, found;
  EnumThreadWindows(thread_id, CollectWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : all)
    if (IsWindowVisible(window)) found.push_back(window);
  return found;
}

INT_PTR ShowModal(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& drive,
                  DWORD timeout_ms) {
  DWORD thread = GetCurrentThreadId();
  std::atomic<bool> done{false};
  INT_PTR result;
  {
    Watcher watcher([&] {
      HWND dialog = WaitForWindow(
          [&]() -> HWND {
            if (done) return HWND(-1);
            for (HWND w : ThreadWindows(thread))
              if (ClassName(w) == "#32770") return w;
            return nullptr;
          },
          timeout_ms);
      if (dialog && dialog != HWND(-1)) drive(dialog);
      if (!WaitUntil([&] { return done.load(); }, timeout_ms)) {
        ADD_FAILURE() << "the modal loop did not end; cancelling every window of the thread";
        for (int tries = 0; !done; ++tries) {
          if (tries == 100) {
            // Nothing ends it: end the test program rather than hang the run.
            fprintf(stderr, "a modal loop ignored every cancel for 10 s; ending the test program\n");
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
          }
          for (HWND w : ThreadWindows(thread)) PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
          Sleep(100);
        }
      }
    });
    result = show();
    done = true;
  }
  return result;
}

}  // namespace test

namespace test {

UninstallRun RunInstalledUninstaller(const std::string& path, const std::string& caption, int answer, bool quoted,
                                     DWORD timeout_ms) {
  wchar_t wide[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) <= 0) {
    ADD_FAILURE() << "no wide name for " << path;
    return UninstallRun();
  }
  return RunInstalledUninstaller(std::wstring(wide), caption, answer, quoted, timeout_ms);
}

UninstallRun RunInstalledUninstaller(const std::wstring& path, const std::string& caption, int answer, bool quoted,
                                     DWORD timeout_ms) {
  UninstallRun run;
  std::wstring command = quoted ? L"\"" + path + L"\"" : path;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  // The uninstall entry's command, from a working folder that is not the installation.
  if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, Wide(TEST_SCRATCH_DIR).c_str(),
                      &startup, &started)) {
    ADD_FAILURE() << "cannot start the uninstaller: error " << GetLastError();
    return run;
  }
  CloseHandle(started.hThread);
  HANDLE worker = nullptr;
  for (int box_number = 0; box_number < 2; ++box_number) {
    HWND box = WaitForWindow([&] { return FindTopLevel(0, "#32770", caption.c_str()); }, timeout_ms);
    if (!box) {
      if (box_number == 0) ADD_FAILURE() << "no box captioned \"" << caption << "\" within " << timeout_ms << " ms";
      else if (answer == IDYES) ADD_FAILURE() << "no report after the confirmation";
      break;
    }
    if (!worker) {
      DWORD pid = 0;
      GetWindowThreadProcessId(box, &pid);
      worker = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                           pid);
      char file[MAX_PATH] = "";
      if (worker && GetModuleFileNameExA(worker, nullptr, file, sizeof file)) run.worker_path = file;
    }
    std::vector<int> buttons = ButtonIds(box);
    bool asks = std::find(buttons.begin(), buttons.end(), IDYES) != buttons.end();
    if (asks) {
      run.confirmation = MessageBoxText(box);
      PressButton(box, answer);
    } else {
      run.report = MessageBoxText(box);
      PressButton(box, IDOK);
    }
    if (!WaitUntil([&] { return !IsWindow(box); }, timeout_ms)) {
      ADD_FAILURE() << "the box \"" << caption << "\" did not close";
      break;
    }
    if (!asks || answer != IDYES) break;
  }
  bool started_ended = WaitForSingleObject(started.hProcess, timeout_ms) == WAIT_OBJECT_0;
  bool worker_ended = !worker || WaitForSingleObject(worker, timeout_ms) == WAIT_OBJECT_0;
  run.ended = started_ended && worker_ended;
  if (worker) {
    GetExitCodeProcess(worker, &run.exit_code);
    if (!worker_ended) TerminateProcess(worker, 255);  // a stuck box must not outlive the test
    CloseHandle(worker);
  } else {
    GetExitCodeProcess(started.hProcess, &run.exit_code);
  }
  if (!started_ended) TerminateProcess(started.hProcess, 255);
  CloseHandle(started.hProcess);
  return run;
}

}  // namespace test

namespace test {

GuardedPath::GuardedPath() { memset(text, kGuard, sizeof text); }

bool GuardedPath::Untouched() const {
  for (unsigned char c : text)
    if (c != kGuard) return false;
  return true;
}

bool GuardedPath::GuardIntact() const {
  for (size_t i = MAX_PATH; i < sizeof text; ++i)
    if (static_cast<unsigned char>(text[i]) != kGuard) return false;
  return true;
}

std::string GuardedPath::Value() const {
  if (Untouched()) return "<untouched>";
  if (!memchr(text, '\0', MAX_PATH)) return "<unterminated>";
  return text;
}

NoMessageBoxes::NoMessageBoxes()
    : stop_(std::make_shared<std::atomic<bool>>(false)), watcher_([stop = stop_] {
        while (!*stop) {
          if (HWND box = FindMessageBox(GetCurrentProcessId())) {
            ADD_FAILURE() << "a message box appeared: " << MessageBoxText(box);
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
          }
          Sleep(5);
        }
      }) {}

}  // namespace test
