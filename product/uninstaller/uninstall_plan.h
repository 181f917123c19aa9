// What the uninstaller is going to remove: uninst.ini read and checked.
#ifndef MURKLE_UNINSTALLER_UNINSTALL_PLAN_H
#define MURKLE_UNINSTALLER_UNINSTALL_PLAN_H

#include <windows.h>

#include "common/uninstall_format.h"
#include "report.h"

constexpr int kMaxNames = record::kMaxNames;
constexpr int kNameSize = record::kNameSize;

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

#endif
