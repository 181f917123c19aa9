// Helpers shared by the tests: real files in scratch directories, zlib streams,
// and finding and driving real windows with every wait bounded.
#ifndef MURKLE_TEST_SUPPORT_H
#define MURKLE_TEST_SUPPORT_H

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace test {

// Files.
bool ReadWholeFile(const std::string& path, std::string* bytes);
std::string ReadWholeFile(const std::string& path);  // empty, with a test failure, when unreadable
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Whether the prefix has a drive of this letter (the scratch drives T: and U:
// are mapped only where the machine lets the build mount them).
bool DriveMapped(char letter);
std::string JoinPath(const std::string& dir, const std::string& name);
// Removes a file or a whole directory tree; true when nothing is left.
bool RemoveTree(const std::string& path);

// A fresh, empty directory below the build's scratch directory, removed again
// when the test is done.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return JoinPath(path_, name); }

 private:
  std::string path_;
};

// zlib streams, made the way the payload is (header 78 DA at level 9).
std::string ZlibCompress(const std::string& data, int level = 9);
bool ZlibInflate(const void* data, size_t size, std::string* out);

// Deterministic bytes: text-like data that compresses like real data.
std::string PseudoText(size_t size, uint32_t seed);
std::string PseudoRandom(size_t size, uint32_t seed);

// Waits, polling every few milliseconds, until probe returns true. False on timeout.
bool WaitUntil(const std::function<bool()>& probe, DWORD timeout_ms);
// Waits until probe returns a window. Null on timeout.
HWND WaitForWindow(const std::function<HWND()>& probe, DWORD timeout_ms);

// A window's text, and setting it, through messages that reach other threads
// and processes; a window that does not answer within a minute fails the test.
std::string WindowText(HWND window);
void SetText(HWND window, const std::string& text);
std::string ClassName(HWND window);
// Top-level windows of a process (0: of every process), visible or not.
std::vector<HWND> TopLevelWindows(DWORD process_id);
// Every window below parent, at any depth.
std::vector<HWND> Children(HWND parent);
// The first top-level window of process_id whose class and caption match
// (null matches anything).
HWND FindTopLevel(DWORD process_id, const char* class_name, const char* caption);
// Waits for a visible dialog ("#32770") of process_id with that caption; null
// on timeout.
HWND WaitForDialog(DWORD process_id, const char* caption, DWORD timeout_ms);
// A message box of process_id (a "#32770" window that has a static text and
// no control of the program's own dialogs).
HWND FindMessageBox(DWORD process_id);
// The message text of a message box.
std::string MessageBoxText(HWND box);
// Ids of the push buttons of a dialog, in z-order.
std::vector<int> ButtonIds(HWND dialog);
// Presses a button as a click would: BN_CLICKED through BM_CLICK, posted so
// that a modal loop started by the click never blocks the caller.
void PressButton(HWND dialog, int id);

// Runs a function on its own thread; joined on destruction.
class Watcher {
 public:
  explicit Watcher(std::function<void()> body) : thread_(std::move(body)) {}
  ~Watcher() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

 private:
  std::thread thread_;
};

// A program started for the test; killed on destruction if it is still running.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts "exe" args in working_dir (null: the test's own).
  bool Start(const std::string& exe, const std::string& args = "", const char* working_dir = nullptr);
  DWORD id() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  // Waits for the end of the process; false on timeout.
  bool Wait(DWORD timeout_ms, DWORD* exit_code = nullptr);
  void Kill();

 private:
  PROCESS_INFORMATION info_ = {};
};

// The bytes of resource (type, id) of an executable read as a data file; empty
// when there is none.
std::string ResourceBytes(const std::string& exe, const char* type, int id);
// Copies an executable and replaces one of its resources in the copy.
bool CopyWithResource(const std::string& from, const std::string& to, const char* type, int id,
                      WORD language, const std::string& data);
// Edits the resource directory of an executable file in place, for the cases the
// system's resource updater cannot make (Wine's neither deletes nor writes an
// empty resource): every language of resource (type, id) gets the id new_id,
// which must sort where id did, or the size size. type is a name or an integer
// type (RT_DIALOG).
bool RenumberResource(const std::string& path, const char* type, WORD id, WORD new_id);
bool SetResourceSize(const std::string& path, const char* type, WORD id, DWORD size);

// Number of handles this process has open.
DWORD HandleCount();

// National code pages. Test texts are written in UTF-8, and each runs under
// whatever ANSI code page can write it. A run meant for one code page
// (MURKLE_TEST_CODE_PAGE, set along with the locale that gives it) fails at
// once when the system gave it another, rather than skip the rows it is for.
std::wstring Wide(const std::string& utf8);
// utf8 in the system's ANSI code page; false when the code page lacks one of
// its characters.
bool InCodePage(const std::string& utf8, std::string* ansi);

}  // namespace test


namespace test {

// Visible top-level windows of a thread.
std::vector<HWND> ThreadWindows(DWORD thread_id);

// Calls show() on this thread, which must run a modal dialog loop, while a
// watcher thread waits for the first visible dialog of this thread and hands it
// to drive(). Should the loop not end within timeout_ms of that, every window of
// the thread is told to cancel (and the test fails), so no test can hang on a
// modal window.
INT_PTR ShowModal(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& drive,
                  DWORD timeout_ms = 15000);

}  // namespace test

namespace test {

// What one run of an installed uninstaller showed and how it ended.
struct UninstallRun {
  std::string confirmation;  // text of its Yes/No box; empty when none came
  std::string report;        // text of its last box (report, refusal or "nothing found")
  std::string worker_path;   // the file of the process that showed the boxes
  DWORD exit_code = STILL_ACTIVE;  // of that process
  bool ended = false;        // every process of the run ended within the bound
};

// Starts the uninstaller at path as an uninstall entry's command would (quoted
// or not, working folder elsewhere), answers its confirmation with answer
// (IDYES or IDNO), presses OK on the box that follows and waits, bounded, for
// the processes to end. Boxes are found by caption in any process.
UninstallRun RunInstalledUninstaller(const std::string& path, const std::string& caption, int answer,
                                     bool quoted = true, DWORD timeout_ms = 30000);
// The same for a path that only Unicode can name.
UninstallRun RunInstalledUninstaller(const std::wstring& path, const std::string& caption, int answer,
                                     bool quoted = true, DWORD timeout_ms = 30000);

}  // namespace test

namespace test {

// A MAX_PATH output buffer followed by guard bytes, every byte poisoned, to see
// what a call wrote and that it wrote nothing past the buffer.
struct GuardedPath {
  static constexpr unsigned char kGuard = 0xA5;
  char text[MAX_PATH + 16];
  GuardedPath();
  bool Untouched() const;     // not one byte written
  bool GuardIntact() const;   // nothing written past MAX_PATH
  std::string Value() const;  // the text, or "<untouched>" / "<unterminated>"
};

// While it lives, any message box of this process fails the test and is
// dismissed: for calls that must never ask.
class NoMessageBoxes {
 public:
  NoMessageBoxes();
  ~NoMessageBoxes() { *stop_ = true; }
  NoMessageBoxes(const NoMessageBoxes&) = delete;
  NoMessageBoxes& operator=(const NoMessageBoxes&) = delete;

 private:
  std::shared_ptr<std::atomic<bool>> stop_;
  Watcher watcher_;  // declared last: joined before the flag goes
};

}  // namespace test

#endif
