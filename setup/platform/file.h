// The installer's exceptions and the file object through which it writes files.
#ifndef MURKLE_PLATFORM_FILE_H
#define MURKLE_PLATFORM_FILE_H

#include <windows.h>

#include <cstdint>

// The installer's exception: a Win32 error number or an HRESULT, and a text that
// is never owned (a literal or a process-wide buffer). Thrown and caught by value.
class EDowolny {
 public:
  EDowolny(int32_t error_code, const char* text) : code(error_code), message(text) {}

  int32_t code;
  const char* message;  // may be null
};

// A failure of the file system: file and directory operations raise this kind.
class EPlik : public EDowolny {
 public:
  EPlik(int32_t error_code, const char* text) : EDowolny(error_code, text) {}
};

// Nonzero: every file-error question is answered Cancel at once, without a box.
// Set before an installation touches any file, and never cleared.
extern int32_t g_quietFileErrors;

// Decides what to do after a file call: IDOK (1) when it succeeded, else asks
// the user (Retry/Cancel) with the system's text for GetLastError(), preceded by
// context when given: IDRETRY (4) or IDCANCEL (2).
int ConfirmFileOp(int succeeded, int retryable, const char* context);

// One file open for writing. Every operation wraps one system call in the retry
// policy of ConfirmFileOp and throws EPlik when the answer is Cancel.
// The destructor closes nothing: owners call Close.
class DiskFile {
 public:
  DiskFile();
  ~DiskFile() {}
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  // Creates (overwrite nonzero: replaces) the file; a null name means the name
  // of the last Create.
  void Create(const char* file_name, int overwrite);
  // Writes count bytes after what was written before. With written, a short
  // write is reported there instead of being an error.
  void Write(const void* buffer, uint32_t count, uint32_t* written);
  // Ends the file at the current position.
  void SetEnd();
  // Closes the file if one is open. The handle is given up even when the close
  // fails (that failure is reported without a Retry and thrown).
  void Close();

  HANDLE handle;        // INVALID_HANDLE_VALUE when no file is open
  char name[MAX_PATH];  // the name of the last Create; survives Close
};

// On a failure path: releases the file so that a later attempt can create it
// again, swallowing whatever the close raises; the failure already on its way
// is the one that counts.
void CloseAfterFailure(DiskFile& file) noexcept;

#endif
