// The file object and its retry policy, on real files: every row of its
// failure table, its state rules, the quiet switch, the real task-modal boxes
// and a real short write on a full disk.
#include <gtest/gtest.h>

#include <string>

#include "file_layer_support.h"
#include "platform/file.h"
#include "platform/file_calls.h"
#include "support/test_support.h"

namespace {

using test::BoxAnswers;
using test::Cp1250;
using test::ExpectThrows;
using test::QuietFileErrors;

const int32_t kFail = static_cast<int32_t>(E_FAIL);

std::string StillOpen() { return Cp1250(L"Nie zamkni\u0119ty dotychczasowy plik."); }
std::string WriteFailed() { return Cp1250(L"B\u0142\u0105d zapisu do pliku."); }
std::string CannotSetEnd() { return Cp1250(L"Nie mo\u017cna oznaczy\u0107 ko\u0144ca pliku."); }
std::string CannotClose(const std::string& name) {
  return Cp1250((L"Plik \"" + std::wstring(name.begin(), name.end()) + L"\" nie da si\u0119 zamkn\u0105\u0107.").c_str());
}
std::string CannotCreate(const std::string& name) {
  return Cp1250((L"Nie mo\u017cna utworzy\u0107 pliku " + std::wstring(name.begin(), name.end()) + L".").c_str());
}
std::string ShortWriteQuestion() {
  return Cp1250(L"Nie daje si\u0119 zapisa\u0107 wszystkich danych. Powt\u00f3rzy\u0107?");
}

// A handle to the same file that only reads: writing and truncating through it fail for real.
HANDLE ReadOnly(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

// Injected CloseHandle and SetEndOfFile: the first `failures` calls fail with
// ERROR_LOCK_VIOLATION, later ones do the real thing. A failing close has still
// closed its handle, as a close that could not flush the file has.
int g_calls = 0;
int g_failures = 0;
BOOL WINAPI FlakyClose(HANDLE handle) {
  ++g_calls;
  BOOL closed = CloseHandle(handle);
  if (g_failures > 0 && g_failures--) return SetLastError(ERROR_LOCK_VIOLATION), FALSE;
  return closed;
}
BOOL WINAPI FlakySetEnd(HANDLE handle) {
  ++g_calls;
  if (g_failures > 0 && g_failures--) return SetLastError(ERROR_LOCK_VIOLATION), FALSE;
  return SetEndOfFile(handle);
}
int WINAPI BoxNotShown(HWND, LPCSTR, LPCSTR, UINT) { return 0; }

class DiskFileTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_{"file_test"};
  QuietFileErrors quiet_{1};
};

TEST_F(DiskFileTest, ExceptionsCarryCodeAndUnownedText) {
  static const char kText[] = "text";
  EPlik thrown(82, kText);
  try {
    throw thrown;
  } catch (EDowolny caught) {  // by value, as the installation catches it
    EXPECT_EQ(caught.code, 82);
    EXPECT_EQ(caught.message, kText) << "a copy shares the text, it does not own one";
  }
  EXPECT_THROW(throw EPlik(1, nullptr), EDowolny);
}

TEST_F(DiskFileTest, CreateWriteSetEndClose) {
  std::string path = dir_ / "a.bin";
  ASSERT_TRUE(test::WriteWholeFile(path, std::string(5000, 'x'))) << "an older, longer file";
  DiskFile file;
  EXPECT_EQ(file.handle, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(file.name, "");
  file.Create(path.c_str(), 1);
  EXPECT_STREQ(file.name, path.c_str());
  EXPECT_EQ(test::ReadWholeFile(path), "") << "overwrite 1 empties an existing file";

  // Shared for reading only; the handle itself can read.
  HANDLE reader = ReadOnly(path);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "other readers are allowed, error " << GetLastError();
  CloseHandle(reader);
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << "no other writer";

  uint32_t written = 0xdeadbeef;
  file.Write("hello ", 6, nullptr);
  file.Write("world", 5, &written);
  EXPECT_EQ(written, 5u);
  file.Write("!", 0, &written);  // no system call, nothing touched
  EXPECT_EQ(written, 5u);
  char back[16] = "";
  DWORD got = 0;
  SetFilePointer(file.handle, 0, nullptr, FILE_BEGIN);
  EXPECT_TRUE(ReadFile(file.handle, back, sizeof back, &got, nullptr)) << "opened for reading too";
  EXPECT_EQ(std::string(back, got), "hello world");
  SetFilePointer(file.handle, 5, nullptr, FILE_BEGIN);
  file.SetEnd();
  file.Close();
  EXPECT_EQ(file.handle, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(file.name, path.c_str()) << "the name survives Close";
  EXPECT_EQ(test::ReadWholeFile(path), "hello") << "SetEnd cuts at the current position";
  file.Close();  // twice is safe

  file.Create(nullptr, 1);  // the stored name again
  file.Close();
  EXPECT_EQ(test::ReadWholeFile(path), "") << "re-created under the stored name";
}

TEST_F(DiskFileTest, EveryRowOfTheFailureTable) {
  std::string path = dir_ / "b.bin";
  DiskFile fresh;
  ExpectThrows([&] { fresh.Create(nullptr, 1); }, 87, "Brak nazwy dla nowego pliku.");
  ExpectThrows([&] { fresh.Create("", 1); }, 87, "Brak nazwy dla nowego pliku.");
  ExpectThrows([&] { fresh.Write(nullptr, 0, nullptr); }, 87, "Brak bufora z danymi do zapisania.");

  // Failing system calls, answered Cancel by the quiet switch, without a box.
  ASSERT_TRUE(test::WriteWholeFile(path, "old"));
  BoxAnswers none({});
  SetLastError(0xdeadbeef);
  ExpectThrows([&] { fresh.Create(path.c_str(), 0); }, 82, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS)) << "CREATE_NEW without overwrite";
  EXPECT_EQ(fresh.handle, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(fresh.name, "") << "a failed Create stores no name";
  EXPECT_EQ(test::ReadWholeFile(path), "old");
  ExpectThrows([&] { fresh.Create((dir_ / "missing\\c.bin").c_str(), 1); }, 82, nullptr);

  // Write and SetEnd test no state: on a closed object the system refuses the handle.
  uint32_t written = 0xdeadbeef;
  fresh.Write("x", 0, &written);
  EXPECT_EQ(written, 0xdeadbeefu) << "a count of 0 makes no call";
  ExpectThrows([&] { fresh.Write("x", 1, &written); }, kFail, WriteFailed().c_str());
  EXPECT_EQ(written, 0u) << "the count is reported on failure too";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ExpectThrows([&] { fresh.SetEnd(); }, kFail, CannotSetEnd().c_str());

  // An open object refuses Create before it looks at the name.
  DiskFile open;
  open.Create(path.c_str(), 1);
  ExpectThrows([&] { open.Create(nullptr, 1); }, 87, StillOpen().c_str());
  ExpectThrows([&] { open.Create("", 1); }, 87, StillOpen().c_str());
  // A read-only handle in its place: the real write and truncation fail.
  HANDLE own = open.handle;
  open.handle = ReadOnly(path);
  ExpectThrows([&] { open.Write("abc", 3, nullptr); }, kFail, WriteFailed().c_str());
  ExpectThrows([&] { open.SetEnd(); }, kFail, CannotSetEnd().c_str());
  CloseHandle(open.handle);
  open.handle = own;
  open.Close();
  EXPECT_TRUE(none.Finish().empty()) << "the quiet switch shows no box";

  // A name longer than the object can keep is refused before anything is made.
  std::string long_name = dir_ / std::string(MAX_PATH, 'n');
  ExpectThrows([&] { fresh.Create(long_name.c_str(), 1); }, ERROR_FILENAME_EXCED_RANGE, nullptr);
  EXPECT_STREQ(fresh.name, "");
}

// CloseHandle is called once per handle: after a failure the value may already
// name another object, so it is neither retried nor kept.
TEST_F(DiskFileTest, CloseThatFailsGivesUpItsHandle) {
  std::string path = dir_ / "c.bin";
  test::InjectedFileCalls injected;
  g_fileCalls.close_handle = FlakyClose;
  DiskFile file;
  file.Create(path.c_str(), 1);
  g_calls = 0;
  g_failures = 2;
  const char* first = nullptr;
  try {
    file.Close();
    ADD_FAILURE() << "Close did not throw";
  } catch (const EPlik& e) {
    EXPECT_EQ(e.code, kFail);
    ASSERT_NE(e.message, nullptr);
    EXPECT_EQ(std::string(e.message), CannotClose(path));
    first = e.message;
  }
  EXPECT_EQ(file.handle, INVALID_HANDLE_VALUE) << "the handle is given up";
  // A handle of the process that may now have the old value must not be closed.
  HANDLE bystander = ReadOnly(path);
  CloseAfterFailure(file);
  file.Close();
  EXPECT_EQ(g_calls, 1) << "the failed handle was passed to CloseHandle again";
  EXPECT_NE(GetFileType(bystander), static_cast<DWORD>(FILE_TYPE_UNKNOWN)) << "another handle was closed";
  CloseHandle(bystander);
  file.Create(nullptr, 1);  // the object holds nothing: the file can be made again
  DiskFile other;
  other.Create((dir_ / "other").c_str(), 1);
  try {
    other.Close();
    ADD_FAILURE() << "no exception for the failing close";
  } catch (const EPlik& e) {
    EXPECT_EQ(e.message, first) << "one static buffer, overwritten";
    EXPECT_EQ(std::string(e.message), CannotClose(dir_ / "other"));
  }
  file.Close();
  EXPECT_EQ(g_calls, 3);
}

// Boxes outside quiet mode: exact caption, text, buttons and icon; task-modal
// (our own window is disabled while the box is up); Retry repeats the call.
class FileBoxTest : public DiskFileTest {
 protected:
  void SetUp() override {
    g_quietFileErrors = 0;
    own_ = CreateWindowExA(0, "STATIC", "own", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
    ASSERT_NE(own_, nullptr);
  }
  void TearDown() override {
    EXPECT_TRUE(IsWindowEnabled(own_)) << "enabled again after the box";
    DestroyWindow(own_);
  }
  void ExpectBox(const test::SeenBox& box, const std::string& text, bool retry = true) {
    EXPECT_EQ(box.caption, test::Caption());
    EXPECT_EQ(box.text, text);
    if (retry) {
      EXPECT_EQ(box.buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
    } else {
      EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    }
    EXPECT_TRUE(box.exclamation) << "the exclamation icon";
    EXPECT_TRUE(box.others_disabled) << "task-modal";
  }
  HWND own_ = nullptr;
};

TEST_F(FileBoxTest, ConfirmFileOpAsksWithTheSystemText) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ConfirmFileOp(1, 1, "ctx"), IDOK);
  EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "success leaves the last error alone";

  struct Case {
    DWORD error;
    const char* context;
    int retryable, answer;
    std::string text;
  } cases[] = {
      {ERROR_FILE_EXISTS, "ctx", 1, IDRETRY, "ctx\n" + test::SystemText(ERROR_FILE_EXISTS)},
      {ERROR_ACCESS_DENIED, nullptr, 1, IDCANCEL, test::SystemText(ERROR_ACCESS_DENIED)},
      {ERROR_DISK_FULL, "ctx", 0, IDOK, "ctx\n" + test::SystemText(ERROR_DISK_FULL)},
      // No system text: an unknown code, and one whose text wants inserts.
      {0x20001234, "ctx", 1, IDCANCEL, "ctx\n" + Cp1250(L"Kod b\u0142\u0119du: 536875572.")},
      {ERROR_BAD_EXE_FORMAT, nullptr, 1, IDRETRY, Cp1250(L"Kod b\u0142\u0119du: 193.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("error " + std::to_string(c.error));
    ASSERT_FALSE(c.text.empty());
    BoxAnswers answers({c.answer}, nullptr, own_);
    SetLastError(c.error);
    EXPECT_EQ(ConfirmFileOp(0, c.retryable, c.context), c.answer);
    const auto& seen = answers.Finish();
    ASSERT_EQ(seen.size(), 1u);
    ExpectBox(seen[0], c.text, c.retryable != 0);
  }
  g_quietFileErrors = 1;
  BoxAnswers none({});
  EXPECT_EQ(ConfirmFileOp(0, 1, "ctx"), IDCANCEL);
  EXPECT_TRUE(none.Finish().empty());
}

TEST_F(FileBoxTest, RetryRepeatsTheCallCancelThrows) {
  std::string path = dir_ / "d.bin";
  ASSERT_TRUE(test::WriteWholeFile(path, "old"));
  std::string exists = CannotCreate(path) + "\n" + test::SystemText(ERROR_FILE_EXISTS);
  DiskFile file;
  {
    BoxAnswers answers({IDRETRY, IDCANCEL}, nullptr, own_);
    ExpectThrows([&] { file.Create(path.c_str(), 0); }, 82, nullptr);
    const auto& seen = answers.Finish();
    ASSERT_EQ(seen.size(), 2u) << "Retry made the call again";
    ExpectBox(seen[0], exists);
    ExpectBox(seen[1], exists);
  }
  {
    // The obstacle goes before Retry is pressed: the repeated call succeeds.
    BoxAnswers answers({IDRETRY}, [&](size_t) { DeleteFileA(path.c_str()); }, own_);
    file.Create(path.c_str(), 0);
    EXPECT_EQ(answers.Finish().size(), 1u);
  }
  std::string denied = test::SystemText(ERROR_ACCESS_DENIED);
  HANDLE own = file.handle;
  file.handle = ReadOnly(path);
  {
    BoxAnswers answers({IDRETRY, IDCANCEL}, nullptr, own_);
    uint32_t written = 0xdeadbeef;
    ExpectThrows([&] { file.Write("abc", 3, &written); }, kFail, WriteFailed().c_str());
    EXPECT_EQ(written, 0u);
    const auto& seen = answers.Finish();
    ASSERT_EQ(seen.size(), 2u);
    ExpectBox(seen[1], denied);
  }
  CloseHandle(file.handle);
  file.handle = own;

  test::InjectedFileCalls injected;
  g_fileCalls.set_end_of_file = FlakySetEnd;
  g_fileCalls.close_handle = FlakyClose;
  std::string locked = test::SystemText(ERROR_LOCK_VIOLATION);
  {
    g_calls = 0;
    g_failures = 5;
    BoxAnswers answers({IDRETRY, IDCANCEL}, nullptr, own_);
    ExpectThrows([&] { file.SetEnd(); }, kFail, CannotSetEnd().c_str());
    EXPECT_EQ(g_calls, 2);
    const auto& seen = answers.Finish();
    ASSERT_EQ(seen.size(), 2u);
    ExpectBox(seen[0], locked);
  }
  {
    // A failed close is told, with OK only: there is nothing left to retry.
    g_calls = 0;
    g_failures = 1;
    BoxAnswers answers({IDOK}, nullptr, own_);
    ExpectThrows([&] { file.Close(); }, kFail, CannotClose(path).c_str());
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(file.handle, INVALID_HANDLE_VALUE);
    const auto& seen = answers.Finish();
    ASSERT_EQ(seen.size(), 1u);
    ExpectBox(seen[0], path + "\n" + locked, /*retry=*/false);  // the bare file name as context
  }
}

TEST_F(DiskFileTest, ABoxThatCannotBeShownIsNoSuccess) {
  g_quietFileErrors = 0;
  test::InjectedFileCalls injected;
  g_fileCalls.message_box = BoxNotShown;
  DiskFile file;
  ExpectThrows([&] { file.Create((dir_ / "missing\\e.bin").c_str(), 1); }, 82, nullptr);
  EXPECT_EQ(file.handle, INVALID_HANDLE_VALUE);
  ExpectThrows([&] { file.Write("abc", 3, nullptr); }, kFail, WriteFailed().c_str());
}

// A real full disk: T: is 1 MiB. A block larger than the space left is written
// in part, and WriteFile reports success with the smaller count.
class ShortWriteTest : public test::DriveT {
 protected:
  void SetUp() override {
    test::DriveT::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(test::WriteWholeFile(kFiller, std::string(1024 * 1024 - 200 * 1024, 'f')));
    file_.Create("T:\\target.bin", 1);
    file_.Write(header_.data(), static_cast<uint32_t>(header_.size()), nullptr);
  }
  void TearDown() override {
    file_.Close();
    test::DriveT::TearDown();
  }
  static constexpr const char* kFiller = "T:\\filler.bin";
  QuietFileErrors quiet_{1};  // the short-write question is asked all the same
  std::string header_ = test::PseudoText(1000, 7);
  std::string block_ = test::PseudoRandom(300000, 8);
  DiskFile file_;
};

TEST_F(ShortWriteTest, RetryWritesTheRestOfTheBlock) {
  BoxAnswers answers({IDRETRY}, [&](size_t) { EXPECT_TRUE(DeleteFileA(kFiller)); });
  file_.Write(block_.data(), static_cast<uint32_t>(block_.size()), nullptr);
  const auto& seen = answers.Finish();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, test::Caption());
  EXPECT_EQ(seen[0].text, ShortWriteQuestion());
  EXPECT_EQ(seen[0].buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
  file_.Close();
  EXPECT_TRUE(test::ReadWholeFile("T:\\target.bin") == header_ + block_) << "the whole block once, after the header";
}

TEST_F(ShortWriteTest, CancelThrowsThenTheFullDiskFails) {
  {
    BoxAnswers answers({IDCANCEL});
    ExpectThrows([&] { file_.Write(block_.data(), static_cast<uint32_t>(block_.size()), nullptr); }, 38,
                 "Nie udany zapis wszystkich danych.");
    EXPECT_EQ(answers.Finish().size(), 1u);
  }
  std::string content = test::ReadWholeFile("T:\\target.bin");
  ASSERT_GT(content.size(), header_.size());
  ASSERT_LT(content.size(), header_.size() + block_.size());
  EXPECT_TRUE(content == header_ + block_.substr(0, content.size() - header_.size())) << "what fit stays";
  // Nothing fits any more: the next write fails outright.
  ExpectThrows([&] { file_.Write("x", 1, nullptr); }, kFail, WriteFailed().c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

TEST_F(ShortWriteTest, WrittenOutputTakesTheShortCountWithoutAsking) {
  BoxAnswers none({});
  uint32_t written = 0xdeadbeef;
  file_.Write(block_.data(), static_cast<uint32_t>(block_.size()), &written);
  EXPECT_TRUE(none.Finish().empty());
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block_.size());
  file_.Close();
  EXPECT_EQ(test::ReadWholeFile("T:\\target.bin").size(), header_.size() + written);
}

TEST_F(ShortWriteTest, ABoxThatCannotBeShownIsACancel) {
  test::InjectedFileCalls injected;
  g_fileCalls.message_box = BoxNotShown;
  ExpectThrows([&] { file_.Write(block_.data(), static_cast<uint32_t>(block_.size()), nullptr); }, 38,
               "Nie udany zapis wszystkich danych.");
}

}  // namespace
