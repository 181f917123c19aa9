// Helpers for tests of whole installations: the real installer driven through
// its windows, and what an installation leaves (links, registry, uninst.ini).
#ifndef MURKLE_TEST_INSTALL_SUPPORT_H
#define MURKLE_TEST_INSTALL_SUPPORT_H

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace test {

constexpr char kAgreementCaption[] = " Murkle shareware licence";
constexpr char kSetupCaption[] = " Murkle setup options";

// A shell link's target path and description, read back through the shell's
// link object. False when the file cannot be loaded as a link.
bool ReadLink(const std::string& link_file, std::string* target, std::string* description);

// Registry.
bool KeyExists(HKEY root, const std::string& subkey);
// A REG_SZ value; false when it is missing or of another type. length gets the
// stored byte count.
bool ReadStringValue(HKEY root, const std::string& subkey, const char* name, std::string* value,
                     DWORD* length = nullptr);
// Number of values of a key (-1 when it does not exist).
int ValueCount(HKEY root, const std::string& subkey);
void DeleteKeyTree(HKEY root, const std::string& subkey);

// The non-blank lines of a text file with CR LF line ends; a line ending in a
// bare LF, or a last line without CR LF, is kept with a marker so that it
// cannot pass for a good one.
std::vector<std::string> IniLines(const std::string& bytes);

// Every file and directory below dir (directories with a trailing backslash),
// not descending into directories named skip (case-insensitive) when given.
void ListFiles(const std::string& dir, std::set<std::string>* out, const char* skip = nullptr);
// Every key below subkey of root, recursively, as "<root_name>\<path>", and
// with values set each value as "<root_name>\<path>\:<name>". At the first
// level only keys whose names start with prefix (case-insensitive). Wine's own
// settings (Software\Wine) are left out.
void ListKeys(HKEY root, const std::string& root_name, const std::string& subkey, std::set<std::string>* out,
              const std::string& prefix = "", bool values = true);
// What a has and b has not; a set as indented lines, for failure messages.
std::set<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b);
std::string Lines(const std::set<std::string>& items);

// A shell special folder's path (CSIDL_*).
std::string SpecialFolder(int csidl);

// The real installer, started and taken through the agreement to its setup
// options dialog, as a user would.
class InstallerSession {
 public:
  // Starts exe; false (with a test failure) when the setup dialog never shows.
  bool Open(const std::string& exe = "", const char* working_dir = nullptr);
  HWND dialog() const { return dialog_; }
  Process& process() { return process_; }

  std::string Text(int control) const;
  void SetText(int control, const std::string& text);
  // Presses Install and waits until the status line leaves "in progress"; the
  // new status line. box_answer, when nonzero, answers every message box the
  // installer shows meanwhile (their texts are collected in boxes).
  std::string Install(int box_answer = 0, std::vector<std::string>* boxes = nullptr);
  // Presses Close (after a success) or Cancel and waits for the exit code.
  bool CloseAndWait(int button, DWORD* exit_code);

 private:
  Process process_;
  HWND dialog_ = nullptr;
};

}  // namespace test

#endif
