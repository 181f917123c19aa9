#include "report_text.h"

#include <cstring>

#include "common/text.h"
#include "formats.h"

bool RemovedCompletely(const UninstallReport& report) {
  return !report.LeftInstalledItems() && report.Count(Result::kRefused) == 0 && report.by_hand == 0;
}

namespace {

// Every reason is formatted with the line's error number.
using Reason = LoadedFormat<kUninstallFormats, IDS_WHY_IN_USE, IDS_WHY_NOT_EMPTY, IDS_WHY_FAILED,
                            IDS_WHY_NOT_PLAIN_NAME, IDS_WHY_OVERLONG, IDS_WHY_OUT_OF_SEQUENCE, IDS_WHY_DUPLICATE,
                            IDS_WHY_NOT_A_LINK, IDS_WHY_NOT_ABSOLUTE, IDS_WHY_NOT_PREFIX, IDS_WHY_DRIVE_ROOT,
                            IDS_WHY_UNKNOWN_KEY, IDS_WHY_NOT_OURS, IDS_WHY_HAS_SUBKEYS, IDS_WHY_TOO_MANY,
                            IDS_WHY_KEPT_FOR_RETRY, IDS_WHY_NOT_OUR_LINK, IDS_WHY_HAS_VALUES,
                            IDS_WHY_OTHER_INSTALLATION, IDS_WHY_SYSTEM_FOLDER, IDS_WHY_HOLDS_KEPT,
                            IDS_WHY_REMOVE_BY_HAND>;

UINT ReasonId(Why why) {
  switch (why) {
    case Why::kInUse: return IDS_WHY_IN_USE;
    case Why::kNotEmpty: return IDS_WHY_NOT_EMPTY;
    case Why::kNotPlainName: return IDS_WHY_NOT_PLAIN_NAME;
    case Why::kOverlong: return IDS_WHY_OVERLONG;
    case Why::kOutOfSequence: return IDS_WHY_OUT_OF_SEQUENCE;
    case Why::kDuplicate: return IDS_WHY_DUPLICATE;
    case Why::kNotALink: return IDS_WHY_NOT_A_LINK;
    case Why::kNotAbsolute: return IDS_WHY_NOT_ABSOLUTE;
    case Why::kNotPrefix: return IDS_WHY_NOT_PREFIX;
    case Why::kDriveRoot: return IDS_WHY_DRIVE_ROOT;
    case Why::kUnknownKey: return IDS_WHY_UNKNOWN_KEY;
    case Why::kNotOurs: return IDS_WHY_NOT_OURS;
    case Why::kHasSubkeys: return IDS_WHY_HAS_SUBKEYS;
    case Why::kTooMany: return IDS_WHY_TOO_MANY;
    case Why::kKeptForRetry: return IDS_WHY_KEPT_FOR_RETRY;
    case Why::kNotOurLink: return IDS_WHY_NOT_OUR_LINK;
    case Why::kHasValues: return IDS_WHY_HAS_VALUES;
    case Why::kOtherInstallation: return IDS_WHY_OTHER_INSTALLATION;
    case Why::kSystemFolder: return IDS_WHY_SYSTEM_FOLDER;
    case Why::kHoldsKept: return IDS_WHY_HOLDS_KEPT;
    case Why::kRemoveByHand: return IDS_WHY_REMOVE_BY_HAND;
    case Why::kNone:
    case Why::kFailed: break;
  }
  return IDS_WHY_FAILED;
}

void AppendLines(TextBuilder* out, const UninstallReport& report, Result result, HINSTANCE instance) {
  char reason[160], text[MAX_PATH + 300];
  for (int i = 0; i < report.line_count; ++i) {
    const ReportLine& line = report.lines[i];
    if (line.result != result) continue;
    Reason::Format(instance, ReasonId(line.why), reason, sizeof reason, static_cast<unsigned long>(line.error));
    FormatLoaded<kUninstallFormats, IDS_REPORT_LINE>(instance, text, sizeof text, static_cast<const char*>(line.text),
                                                     static_cast<const char*>(reason));
    out->Append("\r\n");
    out->Append(text);
  }
}

// "%d files" and the like, joined with commas.
template <UINT Id>
void AppendCount(TextBuilder* out, HINSTANCE instance, int count, bool* first) {
  if (count == 0) return;
  char text[64];
  FormatLoaded<kUninstallFormats, Id>(instance, text, sizeof text, count);
  if (!*first) out->Append(", ");
  out->Append(text);
  *first = false;
}

// The folder left for the user to delete, when the report still holds its line.
const char* ByHandFolder(const UninstallReport& report) {
  for (int i = 0; i < report.line_count; ++i)
    if (report.lines[i].result == Result::kLeft && report.lines[i].why == Why::kRemoveByHand)
      return report.lines[i].text;
  return nullptr;
}

}  // namespace

void FormatReport(const UninstallPlan& plan, const UninstallReport& report, HINSTANCE instance, char* text,
                  size_t size) {
  TextBuilder out(text, size);
  char format[MAX_PATH + 256];
  // The product stays on the computer while another installation of it is
  // registered: then only this folder's installation is said to be removed.
  // A folder left only for the user to delete is named up front, as the one
  // thing still to do (the uninstaller and its record are gone by then).
  const char* by_hand = ByHandFolder(report);
  const bool partly = report.LeftInstalledItems() || report.Count(Result::kRefused) > 0 ||
                      (report.by_hand > 0 && !by_hand);
  UINT summary = partly                      ? IDS_REPORT_PARTLY
                 : by_hand                   ? IDS_REPORT_DONE_BY_HAND
                 : report.other_installation ? IDS_REPORT_DONE_HERE
                                             : IDS_REPORT_DONE;
  const char* folder = summary == IDS_REPORT_DONE_BY_HAND ? by_hand : plan.file_dir;
  LoadedFormat<kUninstallFormats, IDS_REPORT_PARTLY, IDS_REPORT_DONE_HERE, IDS_REPORT_DONE,
               IDS_REPORT_DONE_BY_HAND>::Format(instance, summary, format, sizeof format,
                                                static_cast<const char*>(plan.program),
                                                static_cast<const char*>(plan.provider), folder);
  out.Append(format);

  out.Append("\r\n\r\n");
  LoadText(instance, IDS_REPORT_REMOVED, format, sizeof format);
  out.Append(format);
  bool first = true;
  AppendCount<IDS_COUNT_FILES>(&out, instance, report.Count(What::kFile, Result::kRemoved), &first);
  AppendCount<IDS_COUNT_LINKS>(&out, instance, report.Count(What::kLink, Result::kRemoved), &first);
  AppendCount<IDS_COUNT_DESKTOP>(&out, instance, report.Count(What::kDesktopLink, Result::kRemoved), &first);
  AppendCount<IDS_COUNT_FOLDERS>(&out, instance, report.Count(What::kFolder, Result::kRemoved), &first);
  AppendCount<IDS_COUNT_KEYS>(&out, instance, report.Count(What::kRegistryKey, Result::kRemoved), &first);
  if (first) {
    LoadText(instance, IDS_COUNT_NONE, format, sizeof format);
    out.Append(format);
  }

  // The players' tables are theirs, like saved games: the game keeps them in
  // each player's profile, where no record names them.
  out.Append("\r\n\r\n");
  LoadText(instance, IDS_REPORT_SCORES_KEPT, format, sizeof format);
  out.Append(format);

  if (report.Count(Result::kLeft) > 0) {
    out.Append("\r\n\r\n");
    LoadText(instance, IDS_REPORT_LEFT, format, sizeof format);
    out.Append(format);
    AppendLines(&out, report, Result::kLeft, instance);
  }
  if (report.Count(Result::kRefused) > 0) {
    out.Append("\r\n\r\n");
    LoadText(instance, IDS_REPORT_REFUSED, format, sizeof format);
    out.Append(format);
    AppendLines(&out, report, Result::kRefused, instance);
  }
  if (report.dropped > 0) {
    out.Append("\r\n");
    FormatLoaded<kUninstallFormats, IDS_REPORT_MORE>(instance, format, sizeof format, report.dropped);
    out.Append(format);
  }
}
