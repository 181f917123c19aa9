// Helpers for the tests of the file object and of extraction: answering the
// file layer's message boxes from a watcher thread, the quiet switch, the
// injected system calls, the Polish texts, and the 1 MiB scratch drive T:.
#ifndef MURKLE_TESTS_FILE_LAYER_SUPPORT_H
#define MURKLE_TESTS_FILE_LAYER_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/file_calls.h"
#include "support/test_support.h"

namespace test {

// Text in Windows-1250, made here from Unicode, independently of the escapes
// in the code under test.
inline std::string Cp1250(const wchar_t* text) {
  char bytes[512] = "";
  int n = WideCharToMultiByte(1250, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  EXPECT_GT(n, 0) << "no code page 1250 on this system";
  return bytes;
}

inline std::string Caption() { return Cp1250(L"B\u0142\u0105d operacji na pliku"); }

// The system's own text for an error code, as the box must show it.
inline std::string SystemText(DWORD code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string result = text ? text : "";
  if (text) LocalFree(text);
  return result;
}

// Sets g_quietFileErrors for one test and puts the old value back.
class QuietFileErrors {
 public:
  explicit QuietFileErrors(int32_t value) : saved_(g_quietFileErrors) { g_quietFileErrors = value; }
  ~QuietFileErrors() { g_quietFileErrors = saved_; }
  QuietFileErrors(const QuietFileErrors&) = delete;
  QuietFileErrors& operator=(const QuietFileErrors&) = delete;

 private:
  int32_t saved_;
};

// Replaces the file object's system calls for one test; the real ones come back after.
class InjectedFileCalls {
 public:
  InjectedFileCalls() : saved_(g_fileCalls) {}
  ~InjectedFileCalls() { g_fileCalls = saved_; }
  InjectedFileCalls(const InjectedFileCalls&) = delete;
  InjectedFileCalls& operator=(const InjectedFileCalls&) = delete;

 private:
  FileCalls saved_;
};

// What the watcher saw of one box.
struct SeenBox {
  std::string caption;
  std::string text;
  std::vector<int> buttons;
  bool exclamation = false;  // the system's exclamation icon is shown
  bool others_disabled = false;  // the thread's other window was disabled (task-modal)
};

// Answers the message boxes of this process, in order, with answers[i], on a
// watcher thread; before answering box i it calls before(i). A box beyond the
// list is recorded and cancelled, so nothing can hang; each wait is bounded.
// other: a window of the tested thread whose disabling shows task-modality.
class BoxAnswers {
 public:
  explicit BoxAnswers(std::vector<int> answers, std::function<void(size_t)> before = nullptr,
                      HWND other = nullptr)
      : answers_(std::move(answers)), before_(std::move(before)), other_(other), watcher_([this] { Run(); }) {}
  ~BoxAnswers() { Finish(); }
  BoxAnswers(const BoxAnswers&) = delete;
  BoxAnswers& operator=(const BoxAnswers&) = delete;

  // Stops the watcher; call once the tested operation has returned.
  const std::vector<SeenBox>& Finish() {
    done_ = true;
    watcher_.Join();
    return seen_;
  }

 private:
  void Run() {
    DWORD self = GetCurrentProcessId();
    for (size_t i = 0;; ++i) {
      // Until the tested operation has returned, however long it takes: a box
      // that nobody answered would hold the test thread for good.
      HWND box = nullptr;
      while (!box) {
        box = WaitForWindow(
            [&]() -> HWND {
              if (done_) return HWND(-1);
              return FindMessageBox(self);
            },
            20000);
      }
      if (box == HWND(-1)) return;
      SeenBox seen;
      seen.caption = WindowText(box);
      seen.text = MessageBoxText(box);
      seen.buttons = ButtonIds(box);
      const HICON exclamation = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));
      for (HWND child : Children(box))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == exclamation)
          seen.exclamation = true;
      seen.others_disabled = other_ && !IsWindowEnabled(other_);
      seen_.push_back(seen);
      if (before_ && i < answers_.size()) before_(i);
      int answer = i < answers_.size() ? answers_[i] : IDCANCEL;
      if (i >= answers_.size()) ADD_FAILURE() << "an unexpected box: " << seen.text;
      PostMessageA(GetDlgItem(box, answer), BM_CLICK, 0, 0);
      if (!WaitUntil([&] { return !IsWindow(box); }, 10000)) {
        ADD_FAILURE() << "the box did not go away after answer " << answer;
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
      }
    }
  }

  std::vector<int> answers_;
  std::function<void(size_t)> before_;
  HWND other_;
  std::atomic<bool> done_{false};
  std::vector<SeenBox> seen_;
  Watcher watcher_;  // declared last: started once the rest is set
};

// Runs op, which must throw EPlik (or, with file_error false, a plain EDowolny),
// and checks the code and message; message null means none.
inline void ExpectThrows(const std::function<void()>& op, int32_t code, const char* message,
                         bool file_error = true) {
  try {
    op();
    ADD_FAILURE() << "nothing thrown; expected code " << code;
    return;
  } catch (const EPlik& e) {
    EXPECT_TRUE(file_error) << "an EPlik where a plain EDowolny was expected";
    EXPECT_EQ(e.code, code);
    if (message) {
      EXPECT_NE(e.message, nullptr);
      if (e.message) {
        EXPECT_EQ(std::string(e.message), message);
      }
    } else {
      EXPECT_EQ(e.message, nullptr) << e.message;
    }
  } catch (const EDowolny& e) {
    EXPECT_FALSE(file_error) << "a plain EDowolny where an EPlik was expected";
    EXPECT_EQ(e.code, code);
    ASSERT_NE(e.message, nullptr);
    if (message) {
      EXPECT_EQ(std::string(e.message), message);
    }
  }
}

// The 1 MiB scratch drive T:, emptied before and after each test.

class DriveT : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DriveMapped('T')) GTEST_SKIP() << "drive T: (a 1 MiB tmpfs) is not mapped in this prefix";
    Empty();
  }
  void TearDown() override {
    if (DriveMapped('T')) Empty();
  }
  static void Empty() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("T:\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") {
        EXPECT_TRUE(RemoveTree("T:\\" + name)) << "cannot remove T:\\" << name;
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  static ULONGLONG FreeBytes() {
    ULARGE_INTEGER free_bytes = {}, total = {}, total_free = {};
    GetDiskFreeSpaceExA("T:\\", &free_bytes, &total, &total_free);
    return free_bytes.QuadPart;
  }
};

}  // namespace test

#endif
