#include "report.h"

#include "common/text.h"

void UninstallReport::Add(What what, Result result, Why why, DWORD error, const char* text) {
  if (line_count >= kMaxLines) {
    ++dropped;
    return;
  }
  ReportLine& line = lines[line_count++];
  line.what = what;
  line.result = result;
  line.why = why;
  line.error = error;
  // A cut text still says which item it was; the paths here fit anyway.
  CopyText(line.text, text);
}

int UninstallReport::Count(What what, Result result) const {
  int n = 0;
  for (int i = 0; i < line_count; ++i)
    if (lines[i].what == what && lines[i].result == result) ++n;
  return n;
}

int UninstallReport::Count(Result result) const {
  int n = 0;
  for (int i = 0; i < line_count; ++i)
    if (lines[i].result == result) ++n;
  return n;
}

bool KeptAsNotOurs(Why why) {
  switch (why) {
    case Why::kNotEmpty:
    case Why::kNotOurs:
    case Why::kNotOurLink:
    case Why::kHasValues:
    case Why::kOtherInstallation:
    case Why::kSystemFolder:
    case Why::kHoldsKept:
      return true;
    default:
      return false;
  }
}

bool UninstallReport::LeftInstalledItems() const {
  for (int i = 0; i < line_count; ++i)
    if (lines[i].result == Result::kLeft && !KeptAsNotOurs(lines[i].why)) return true;
  return false;
}
