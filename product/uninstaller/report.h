// What the uninstaller did with each item, and why it left or refused one.
// Nothing here touches a window.
#ifndef MURKLE_UNINSTALLER_REPORT_H
#define MURKLE_UNINSTALLER_REPORT_H

#include <windows.h>

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
  kRemoveByHand,   // an emptied folder in use once the way back had gone
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

constexpr int kWhats = static_cast<int>(What::kRecordEntry) + 1;
constexpr int kResults = static_cast<int>(Result::kRefused) + 1;

// Everything the uninstaller did or refused to do, in order. Fixed size: the
// lines past kMaxLines are not kept, but every line is counted, so that the
// counts and the verdicts hold however long a record is.
struct UninstallReport {
  static constexpr int kMaxLines = 400;
  // A record refused line by line could fill the report before anything is
  // removed; the rest is kept for what is done (a record of the installer's
  // own gives some 150 such lines).
  static constexpr int kMaxRefusedLines = 200;

  void Add(What what, Result result, Why why, DWORD error, const char* text);
  int Count(What what, Result result) const { return counts[static_cast<int>(what)][static_cast<int>(result)]; }
  int Count(Result result) const;
  // True when something the installer made was left, other than what was kept
  // as not this installation's alone (KeptAsNotOurs) and a folder left for
  // the user to delete (by_hand).
  bool LeftInstalledItems() const { return left_installed; }

  int line_count = 0;
  int dropped = 0;  // lines that did not fit
  int counts[kWhats][kResults] = {};
  bool left_installed = false;
  bool other_installation = false;  // another installation of the product remains
  int by_hand = 0;  // folders that only the user can still remove (Why::kRemoveByHand)
  ReportLine lines[kMaxLines];
};

#endif
