// The product's uninstaller: reads uninst.ini next to itself, asks once, removes
// what the installation made and says what it did. See temp_copy.h for how it
// removes its own file.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/chars.h"
#include "common/com.h"
#include "common/handle.h"
#include "common/paths.h"
#include "common/shell_folders.h"
#include "common/text.h"
#include "code_page.h"
#include "formats.h"
#include "removal.h"
#include "report_text.h"
#include "resource.h"
#include "temp_copy.h"
#include "uninstall_plan.h"

namespace {

// Exit codes, for whoever waits on the uninstaller.
enum ExitCode { kDone = 0, kCannotStart = 1, kDeclined = 2, kIncomplete = 3 };

// A message box with text Id of the string table, formatted with args.
template <UINT Id, typename... Args>
int Box(HINSTANCE instance, const char* caption, UINT type, Args... args) {
  char text[1024];
  FormatLoaded<kUninstallFormats, Id>(instance, text, sizeof text, args...);
  return MessageBoxA(nullptr, text, caption, type | MB_SETFOREGROUND);
}

// own_dir (with its backslash) and own_name of the installed uninstaller's
// path; false when it is no plain path to a file.
bool SplitOwnPath(const char* installed_path, char (&own_dir)[MAX_PATH], char (&own_name)[kNameSize]) {
  CopyText(own_dir, installed_path);
  char* name = FindLastChar(own_dir, '\\');
  if (!name || !CopyText(own_name, name + 1)) return false;
  name[1] = '\0';
  return IsAbsolutePlainPath(own_dir);
}

// Reads own_dir's record into plan; false, with the user told why, when there
// is none to go by.
bool ReadRecord(HINSTANCE instance, const char* caption, const char* own_dir, UninstallPlan* plan,
                UninstallReport* report) {
  char ini[MAX_PATH];
  FormatText(ini, sizeof ini, "%s%s", own_dir, kUninstallIniName);
  DWORD error = 0;
  RecordStatus status = ReadUninstallRecord(own_dir, plan, report, &error);
  switch (status) {
    case RecordStatus::kOk:
      return true;
    case RecordStatus::kMissing:
      Box<IDS_RECORD_MISSING>(instance, caption, MB_OK | MB_ICONERROR, ini);
      return false;
    case RecordStatus::kUnreadable:
      Box<IDS_RECORD_UNREADABLE>(instance, caption, MB_OK | MB_ICONERROR, ini, static_cast<unsigned long>(error));
      return false;
    case RecordStatus::kDamaged:
    case RecordStatus::kForeign:
      break;
  }
  // Read in the code page it was written in, the record may be sound.
  wchar_t wide_dir[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, own_dir, -1, wide_dir, MAX_PATH) > 0 && RecordInOtherCodePage(wide_dir))
    Box<IDS_CODE_PAGE_CHANGED>(instance, caption, MB_OK | MB_ICONERROR, static_cast<unsigned long>(GetACP()));
  else if (status == RecordStatus::kDamaged)
    Box<IDS_RECORD_DAMAGED>(instance, caption, MB_OK | MB_ICONERROR, ini);
  else
    Box<IDS_RECORD_FOREIGN>(instance, caption, MB_OK | MB_ICONERROR, ini, plan->file_dir);
  return false;
}

// Asks, removes what the plan names and says what was done; the exit code.
// own_dir and own_name: the installed uninstaller's folder and file; original:
// its process to wait for, null when this is that very process.
int RemoveAndReport(HINSTANCE instance, const UninstallPlan& plan, const char* own_dir, const char* own_name,
                    HANDLE original, UninstallReport* report) {
  char caption[128];
  FormatLoaded<kUninstallFormats, IDS_CAPTION>(instance, caption, sizeof caption,
                                               static_cast<const char*>(plan.program));
  char desktop[MAX_PATH] = "";
  if (plan.desk_sc_name[0] && GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop) < 0) desktop[0] = '\0';
  RemovalPlaces places = {desktop, own_name, original == nullptr};

  // What Windows keeps in Unicode must find the record read as it was written:
  // under another code page its bytes may name this folder by chance.
  if (RecordNamesAnotherFolder(plan, own_dir, desktop)) {
    Box<IDS_CODE_PAGE_CHANGED>(instance, caption, MB_OK | MB_ICONERROR, static_cast<unsigned long>(GetACP()));
    return kCannotStart;
  }

  if (!AnythingInstalled(plan, places)) {
    Box<IDS_NOTHING_FOUND>(instance, caption, MB_OK | MB_ICONINFORMATION, plan.program, plan.provider);
    return kDone;
  }
  if (Box<IDS_CONFIRM>(instance, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, plan.program,
                       plan.provider) != IDYES)
    return kDeclined;

  // The installed uninstaller ends as soon as it has started us; its file can
  // go once it has.
  if (original) WaitForSingleObject(original, 30000);
  // A current folder cannot be removed: stand somewhere else.
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length > 0 && length < sizeof temp) SetCurrentDirectoryA(temp);

  RemoveInstallation(plan, places, report);

  auto text = std::make_unique<char[]>(16384);
  FormatReport(plan, *report, instance, text.get(), 16384);
  bool complete = RemovedCompletely(*report);
  MessageBoxA(nullptr, text.get(), caption, MB_OK | MB_SETFOREGROUND | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
  return complete ? kDone : kIncomplete;
}

int RunUninstall(HINSTANCE instance, const char* installed_path, HANDLE original) {
  char plain_caption[64];
  LoadText(instance, IDS_CAPTION_PLAIN, plain_caption, sizeof plain_caption);
  char own_dir[MAX_PATH], own_name[kNameSize];
  if (!SplitOwnPath(installed_path, own_dir, own_name)) {
    Box<IDS_NO_OWN_PATH>(instance, plain_caption, MB_OK | MB_ICONERROR);
    return kCannotStart;
  }
  // Links are read back through the shell's link object before they go.
  ComScope com;
  auto plan = std::make_unique<UninstallPlan>();
  auto report = std::make_unique<UninstallReport>();
  if (!ReadRecord(instance, plain_caption, own_dir, plan.get(), report.get())) return kCannotStart;
  return RemoveAndReport(instance, *plan, own_dir, own_name, original, report.get());
}

}  // namespace

// Nothing here throws; should the runtime end the program all the same, it
// ends at once. The runtime's default handler would print the exception's
// demangled type first, and its demangler is a third of this program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
  ContinueArgs copy_args;
  if (ParseContinueArgs(args, &copy_args)) {
    bool left_folder = LeavePrivateFolder(copy_args.own_file);
    Handle original(copy_args.original);  // closed on every way out of the run
    int code = RunUninstall(instance, copy_args.original_path, original.Get());
    if (!left_folder) ScheduleCopyRemoval();
    return code;
  }

  // Started as installed (any arguments are ignored, so a quoted or unquoted
  // command works alike).
  char own_path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, own_path, sizeof own_path);
  if (length == 0 || length >= sizeof own_path) {
    char caption[64];
    LoadText(instance, IDS_CAPTION_PLAIN, caption, sizeof caption);
    Box<IDS_NO_OWN_PATH>(instance, caption, MB_OK | MB_ICONERROR);
    return kCannotStart;
  }
  // A name that the code page cannot write comes back with look-alikes, which
  // may name another installation's folder: nothing is done from there.
  wchar_t wide_dir[MAX_PATH];
  if (!OwnPathIsExact(own_path, wide_dir)) {
    char caption[64];
    LoadText(instance, IDS_CAPTION_PLAIN, caption, sizeof caption);
    if (RecordInOtherCodePage(wide_dir))
      Box<IDS_CODE_PAGE_CHANGED>(instance, caption, MB_OK | MB_ICONERROR, static_cast<unsigned long>(GetACP()));
    else
      Box<IDS_NO_OWN_PATH>(instance, caption, MB_OK | MB_ICONERROR);
    return kCannotStart;
  }
  if (StartTemporaryCopy(own_path)) return kDone;
  // No copy could run: do the work here. Our own file and its folder are then
  // reported as left.
  return RunUninstall(instance, own_path, nullptr);
}
