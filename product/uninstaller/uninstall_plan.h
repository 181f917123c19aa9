// What the uninstaller is going to remove: uninst.ini read and checked, and the
// report of what happened to each item. Nothing here touches a window.
#ifndef MURKLE_UNINSTALLER_UNINSTALL_PLAN_H
#define MURKLE_UNINSTALLER_UNINSTALL_PLAN_H

#include <windows.h>

#include "install/uninstall_names.h"
#include "platform/paths.h"

constexpr int kMaxNames = 64;   // the record holds at most f00..f63, s00..s63
constexpr int kNameSize = 64;   // a name holds at most 63 characters

// Why an item was left or an entry of the record was refused.
enum class Why {
  kNone,
  kInUse,          // the system refused: open elsewhere or no access
  kNotEmpty,       // a folder holds files that were not installed
  kFailed,         // any other failure; the report shows the error number
  kNotPlainName,   // an entry that is not a bare file name in its folder
  kOverlong,       // longer than the record's field
  kOutOfSequence,  // a list key after a gap (f00, f02 without f01)
  kDuplicate,      // the same list key twice; the first one counts
  kNotALink,       // a link entry that does not name a .lnk file
  kNotAbsolute,    // a folder that is not a complete, plain path
  kNotPrefix,      // a created_* folder that does not contain its *_dir
  kDriveRoot,      // a created_* folder that is a drive or share root
  kUnknownKey,     // a line of a list section that is no list key
  kNotOurs,        // the uninstall entry belongs to another uninstaller
  kHasSubkeys,     // a registry key that holds keys the installer did not make
  kTooMany,        // a list section longer than a record can be
  kKeptForRetry,   // kept so that the uninstaller can run again
  kNotOurLink,     // a link that does not lead to a file of this installation
  kHasValues,      // a registry key that holds values the installer did not make
  kOtherInstallation,  // the product key, while another installation is registered
  kSystemFolder,   // a shell folder of the system, or a folder that holds one
  kHoldsKept,      // a folder above one that was left in place
};

// True for the reasons that keep what is not this installation's alone (the
// user's files, links and values, another installation, the system's folders):
// leaving such an item does not make the uninstall incomplete.
bool KeptAsNotOurs(Why why);

enum class What { kFile, kLink, kDesktopLink, kFolder, kRegistryKey, kRecordEntry };
enum class Result { kRemoved, kGone, kLeft, kRefused };

struct ReportLine {
  What what;
  Result result;
  Why why;
  DWORD error;  // the system's error number for kFailed, else 0
  char text[MAX_PATH + 80];
};

// Everything the uninstaller did or refused to do, in order. Fixed size: a
// record cannot produce more lines than this, and further ones are counted.
struct UninstallReport {
  static constexpr int kMaxLines = 400;

  void Add(What what, Result result, Why why, DWORD error, const char* text);
  int Count(What what, Result result) const;
  int Count(Result result) const;
  // True when something the installer made was left, other than what was kept
  // as not this installation's alone (KeptAsNotOurs).
  bool LeftInstalledItems() const;

  int line_count = 0;
  int dropped = 0;  // lines that did not fit
  ReportLine lines[kMaxLines];
};

// The record as checked: every text here is safe to join into a path.
struct UninstallPlan {
  char provider[kNameSize];
  char program[kNameSize];
  char file_dir[MAX_PATH];              // absolute, ends with a backslash
  char created_file_dir[MAX_PATH];      // empty: no folder of file_dir is removed
  char shortcut_dir[MAX_PATH];          // empty when missing or refused
  char created_shortcut_dir[MAX_PATH];  // empty: no program-group folder is removed
  char desk_sc_name[kNameSize];         // empty: no desktop link
  int file_count;
  char files[kMaxNames][kNameSize];
  int shortcut_count;
  char shortcuts[kMaxNames][kNameSize];
};

enum class RecordStatus {
  kOk,
  kMissing,     // no uninst.ini in the folder
  kUnreadable,  // there, but cannot be opened
  kDamaged,     // a required section or setting is missing or unusable
  kForeign,     // it describes an installation in another folder
};

// Reads own_dir's uninst.ini into plan. own_dir is the uninstaller's folder,
// ending with a backslash. Entries that cannot be trusted are left out of the
// plan and added to the report as refused. *error gets the system's error
// number for kUnreadable.
RecordStatus ReadUninstallRecord(const char* own_dir, UninstallPlan* plan, UninstallReport* report,
                                 DWORD* error);

// The checks, exposed for the tests (with those of platform/paths.h).
// How created (a folder without a trailing backslash) relates to dir (ending
// with a backslash): kNone when it is dir itself or one of its ancestors below
// the root, otherwise the reason to refuse it.
Why CheckCreatedDir(const char* created, const char* dir);
// True when both name the same existing folder, however spelt (case, short
// names); a trailing backslash does not matter.
bool SameDirectory(const char* a, const char* b);

#endif
