#include "report_text.h"

#include <cstring>

#include "common/text.h"
#include "resource.h"

void LoadText(HINSTANCE instance, UINT id, char* buffer, int size) {
  if (size <= 0) return;
  if (LoadStringA(instance, id, buffer, size) <= 0) buffer[0] = '\0';
}

bool RemovedCompletely(const UninstallReport& report) {
  return !report.LeftInstalledItems() && report.Count(Result::kRefused) == 0;
}

namespace {

// Appends to a fixed buffer; once something does not fit, the text is cut and
// ends with "..." and further appends do nothing.
class TextBuilder {
 public:
  TextBuilder(char* text, size_t size) : text_(text), size_(size) {
    if (size_ > 0) text_[0] = '\0';
  }
  void Append(const char* piece) { Format("%s", piece); }
  void Format(const char* format, ...) {
    if (full_ || size_ == 0) return;
    va_list args;
    va_start(args, format);
    bool fit = FormatTextV(text_ + used_, size_ - used_, format, args);
    va_end(args);
    used_ += strlen(text_ + used_);
    if (!fit) {
      full_ = true;
      if (size_ >= 4) CopyText(text_ + size_ - 4, 4, "...");
    }
  }

 private:
  char* text_;
  size_t size_;
  size_t used_ = 0;
  bool full_ = false;
};

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
    case Why::kNone:
    case Why::kFailed: break;
  }
  return IDS_WHY_FAILED;
}

void AppendLines(TextBuilder* out, const UninstallReport& report, Result result, HINSTANCE instance) {
  char line_format[128], reason_format[128], reason[160];
  LoadText(instance, IDS_REPORT_LINE, line_format, sizeof line_format);
  for (int i = 0; i < report.line_count; ++i) {
    const ReportLine& line = report.lines[i];
    if (line.result != result) continue;
    LoadText(instance, ReasonId(line.why), reason_format, sizeof reason_format);
    FormatText(reason, sizeof reason, reason_format, static_cast<unsigned long>(line.error));
    out->Append("\r\n");
    out->Format(line_format, line.text, reason);
  }
}

// "%d files" and the like, joined with commas.
void AppendCount(TextBuilder* out, HINSTANCE instance, UINT id, int count, bool* first) {
  if (count == 0) return;
  char format[64];
  LoadText(instance, id, format, sizeof format);
  if (!*first) out->Append(", ");
  out->Format(format, count);
  *first = false;
}

}  // namespace

void FormatReport(const UninstallPlan& plan, const UninstallReport& report, HINSTANCE instance, char* text,
                  size_t size) {
  TextBuilder out(text, size);
  char format[256];
  // The product stays on the computer while another installation of it is
  // registered: then only this folder's installation is said to be removed.
  bool other = false;
  for (int i = 0; i < report.line_count; ++i)
    other |= report.lines[i].result == Result::kLeft &&
             (report.lines[i].why == Why::kNotOurs || report.lines[i].why == Why::kOtherInstallation);
  UINT summary = !RemovedCompletely(report) ? IDS_REPORT_PARTLY : other ? IDS_REPORT_DONE_HERE : IDS_REPORT_DONE;
  LoadText(instance, summary, format, sizeof format);
  out.Format(format, plan.program, plan.provider, plan.file_dir);

  out.Append("\r\n\r\n");
  LoadText(instance, IDS_REPORT_REMOVED, format, sizeof format);
  out.Append(format);
  bool first = true;
  AppendCount(&out, instance, IDS_COUNT_FILES, report.Count(What::kFile, Result::kRemoved), &first);
  AppendCount(&out, instance, IDS_COUNT_LINKS, report.Count(What::kLink, Result::kRemoved), &first);
  AppendCount(&out, instance, IDS_COUNT_DESKTOP, report.Count(What::kDesktopLink, Result::kRemoved), &first);
  AppendCount(&out, instance, IDS_COUNT_FOLDERS, report.Count(What::kFolder, Result::kRemoved), &first);
  AppendCount(&out, instance, IDS_COUNT_KEYS, report.Count(What::kRegistryKey, Result::kRemoved), &first);
  if (first) {
    LoadText(instance, IDS_COUNT_NONE, format, sizeof format);
    out.Append(format);
  }

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
    LoadText(instance, IDS_REPORT_MORE, format, sizeof format);
    out.Format(format, report.dropped);
  }
}
