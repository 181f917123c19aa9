#include "path_checks.h"

#include <cstring>

#include "common/chars.h"
#include "common/paths.h"
#include "common/text.h"

bool IsLinkName(const char* name) { return strlen(name) > 4 && EndsWithNoCase(name, ".lnk"); }

Why CheckCreatedDir(const char* created, const char* dir) {
  if (!IsAbsolutePlainPath(created) || EndsWithBackslash(created)) {
    return IsRootPath(created) ? Why::kDriveRoot : Why::kNotAbsolute;
  }
  if (IsRootPath(created)) return Why::kDriveRoot;
  return IsInsideFolder(dir, created) ? Why::kNone : Why::kNotPrefix;
}
