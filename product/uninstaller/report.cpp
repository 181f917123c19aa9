#include "report.h"

#include "common/text.h"

void UninstallReport::Add(What what, Result result, Why why, DWORD error, const char* text) {
  ++counts[static_cast<int>(what)][static_cast<int>(result)];
  left_installed |= result == Result::kLeft && !KeptAsNotOurs(why) && why != Why::kRemoveByHand;
  by_hand += result == Result::kLeft && why == Why::kRemoveByHand;
  other_installation |= result == Result::kLeft && why == Why::kOtherInstallation;
  if (line_count >= kMaxLines || (result == Result::kRefused && Count(Result::kRefused) > kMaxRefusedLines)) {
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

int UninstallReport::Count(Result result) const {
  int n = 0;
  for (const auto& what : counts) n += what[static_cast<int>(result)];
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

