#include "file.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/text.h"
#include "file_calls.h"

// The file layer speaks Polish, in Windows-1250; the escapes keep the bytes
// independent of how this source file is read.
namespace {

const char kCaption[] = "B\xb3\xb9" "d operacji na pliku";
const char kStillOpen[] = "Nie zamkni\xea" "ty dotychczasowy plik.";
const char kNoName[] = "Brak nazwy dla nowego pliku.";
const char kCannotCreate[] = "Nie mo\xbf" "na utworzy\xe6" " pliku %s.";
const char kNoBuffer[] = "Brak bufora z danymi do zapisania.";
const char kShortWriteQuestion[] = "Nie daje si\xea" " zapisa\xe6" " wszystkich danych. Powt\xf3" "rzy\xe6" "?";
const char kShortWriteFailed[] = "Nie udany zapis wszystkich danych.";
const char kWriteFailed[] = "B\xb3\xb9" "d zapisu do pliku.";
const char kCannotSetEnd[] = "Nie mo\xbf" "na oznaczy\xe6" " ko\xf1" "ca pliku.";
const char kCannotClose[] = "Plik \"%s\" nie da si\xea" " zamkn\xb9\xe6" ".";
// Shown in place of the system's text when the system has none for the code.
const char kErrorCode[] = "Kod b\xb3\xea" "du: %lu.";

// Room for the longer of the two formats above with a 259-character name.
constexpr size_t kNameMessageSize = MAX_PATH + 32;

const int32_t kFail = static_cast<int32_t>(E_FAIL);

// The text of the latest failed Close; the EPlik thrown for it points here.
char g_closeFailure[kNameMessageSize];

// A text that FormatMessageA allocated, given back with LocalFree.
class SystemText {
 public:
  SystemText() = default;
  SystemText(const SystemText&) = delete;
  SystemText& operator=(const SystemText&) = delete;
  ~SystemText() {
    if (text_) LocalFree(text_);
  }
  // FormatMessageA with FORMAT_MESSAGE_ALLOCATE_BUFFER takes the address of
  // the pointer in place of a buffer.
  LPSTR Receive() { return reinterpret_cast<LPSTR>(&text_); }
  const char* Get() const { return text_; }

 private:
  char* text_ = nullptr;
};

}  // namespace

FileCalls g_fileCalls = {CloseHandle, SetEndOfFile, MessageBoxA};

int32_t g_quietFileErrors = 0;

int ConfirmFileOp(int succeeded, int retryable, const char* context) {
  if (succeeded) return IDOK;
  if (g_quietFileErrors) return IDCANCEL;
  DWORD error = GetLastError();

  SystemText system_text;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), system_text.Receive(), 0, nullptr);
  // No system text (an unknown code, or one whose text wants inserts): the
  // question is still asked, with the code as a number.
  char code_text[40];
  const char* detail = system_text.Get();
  if (length == 0 || !detail) {
    FormatText(code_text, sizeof code_text, kErrorCode, error);
    detail = code_text;
  }

  size_t context_length = context ? strlen(context) : 0;
  size_t detail_length = strlen(detail);
  size_t size = (context ? context_length + 1 : 0) + detail_length + 1;
  std::unique_ptr<char[]> text(new (std::nothrow) char[size]);
  // Without memory for both, the system's text alone still lets the user decide.
  const char* shown = detail;
  if (text) {
    char* out = text.get();
    if (context) {
      memcpy(out, context, context_length);
      out[context_length] = '\n';
      out += context_length + 1;
    }
    memcpy(out, detail, detail_length + 1);
    shown = text.get();
  }
  UINT style = MB_TASKMODAL | MB_ICONEXCLAMATION | (retryable ? MB_RETRYCANCEL : MB_OK);
  return g_fileCalls.message_box(nullptr, shown, kCaption, style);
}

DiskFile::DiskFile() : handle(INVALID_HANDLE_VALUE) { name[0] = '\0'; }

// In every loop below the outcome is decided by the system call itself: only
// Retry repeats it, and a call that failed is never taken for success, whatever
// the box answered (it answers 0 when it could not be shown).

void DiskFile::Create(const char* file_name, int overwrite) {
  if (handle != INVALID_HANDLE_VALUE) throw EPlik(ERROR_INVALID_PARAMETER, kStillOpen);
  if (!file_name) file_name = name;
  if (!file_name[0]) throw EPlik(ERROR_INVALID_PARAMETER, kNoName);
  // The name is kept for the next Create: one that does not fit would later
  // create a file under a cut name, so it is refused before anything is made.
  if (strlen(file_name) >= sizeof name) throw EPlik(ERROR_FILENAME_EXCED_RANGE, nullptr);

  char context[kNameMessageSize];
  FormatText(context, sizeof context, kCannotCreate, file_name);
  HANDLE created;
  int answer;
  do {
    SetLastError(0);
    created = CreateFileA(file_name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          overwrite ? CREATE_ALWAYS : CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    answer = ConfirmFileOp(created != INVALID_HANDLE_VALUE, 1, context);
  } while (created == INVALID_HANDLE_VALUE && answer == IDRETRY);
  if (created == INVALID_HANDLE_VALUE) throw EPlik(ERROR_CANNOT_MAKE, nullptr);

  if (file_name != name) CopyText(name, file_name);
  handle = created;
}

void DiskFile::Write(const void* buffer, uint32_t count, uint32_t* written) {
  if (!buffer) throw EPlik(ERROR_INVALID_PARAMETER, kNoBuffer);
  if (count == 0) return;

  // Retry after a short write sends only the rest of the block, so that once
  // Write returns the whole block follows what was written before it.
  const char* bytes = static_cast<const char*>(buffer);
  uint32_t total = 0;
  BOOL ok;
  int answer;
  do {
    DWORD done = 0;
    ok = WriteFile(handle, bytes + total, count - total, &done, nullptr);
    if (done > count - total) done = count - total;
    total += done;
    answer = ConfirmFileOp(ok, 1, nullptr);
    // The short-write question does not go through ConfirmFileOp: the quiet
    // switch does not answer it.
    if (ok && total != count && !written) {
      answer = g_fileCalls.message_box(nullptr, kShortWriteQuestion, kCaption,
                                       MB_TASKMODAL | MB_ICONEXCLAMATION | MB_RETRYCANCEL);
      if (answer != IDRETRY) throw EPlik(ERROR_HANDLE_EOF, kShortWriteFailed);
    }
  } while (answer == IDRETRY && (!ok || total != count));

  if (written) *written = total;
  if (!ok) throw EPlik(kFail, kWriteFailed);
}

void DiskFile::SetEnd() {
  BOOL ended;
  do {
    ended = g_fileCalls.set_end_of_file(handle);
  } while (!ended && ConfirmFileOp(ended, 1, nullptr) == IDRETRY);
  if (!ended) throw EPlik(kFail, kCannotSetEnd);
}

void DiskFile::Close() {
  if (handle == INVALID_HANDLE_VALUE) return;
  // One CloseHandle per handle, whatever it answers: once it has been called the
  // value may already name another object of the process, which a second call
  // would close. So a failed close is reported without a Retry, and the object
  // keeps nothing it could close again.
  BOOL closed = g_fileCalls.close_handle(handle);
  handle = INVALID_HANDLE_VALUE;
  if (!closed) {
    ConfirmFileOp(closed, 0, name);
    FormatText(g_closeFailure, sizeof g_closeFailure, kCannotClose, name);
    throw EPlik(kFail, g_closeFailure);
  }
}

void CloseAfterFailure(DiskFile& file) noexcept {
  try {
    file.Close();
  } catch (...) {
  }
}
