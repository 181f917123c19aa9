#include "config.h"

#include <shlobj.h>

#include <cstring>

#include "common/shell_folders.h"
#include "common/text.h"
#include "common/uninstall_format.h"

namespace {

constexpr int kRows =
#define MANIFEST_ROW(id, name, size, caption, role) +1
#include "payload/manifest.def"
#undef MANIFEST_ROW
    ;
static_assert(kRows <= SetupConfig::kMaxRows, "the manifest has room for 64 rows");
// The uninstall record lists every file plus uninst.ini.
static_assert(kRows <= record::kMaxNames - 1, "the uninstall record holds every payload file and itself");

// The rows as manifest.def writes them. In the fixed 64-character fields of a
// ManifestEntry they would take 1.9 KB of the program, most of it zeros, so
// they are written out into that form once, at start-up.
struct ManifestText {
  int32_t resource_id;
  const char* file_name;
  int32_t declared_size;
  const char* caption;
};

constexpr ManifestText kManifestText[] = {
#define MANIFEST_ROW(id, name, size, caption, role) {id, name, size, caption},
#include "payload/manifest.def"
#undef MANIFEST_ROW
};

// A caption names its link file too, so it leaves room for ".lnk" in the
// record's names.
#define MANIFEST_ROW(id, name, size, caption, role)                                    \
  static_assert(sizeof(name) <= record::kNameSize && sizeof(caption) + 4 <= record::kNameSize, \
                "manifest texts fit their fields");
#include "payload/manifest.def"
#undef MANIFEST_ROW

ManifestEntry g_manifestRows[kRows];

const ManifestEntry* WriteOutManifest() {
  for (int i = 0; i < kRows; ++i) {
    ManifestEntry& row = g_manifestRows[i];
    row.resource_id = kManifestText[i].resource_id;
    CopyText(row.file_name, kManifestText[i].file_name);
    row.declared_size = kManifestText[i].declared_size;
    CopyText(row.caption, kManifestText[i].caption);
  }
  return g_manifestRows;
}

static_assert(kGameRow >= 0 && kUninstallerRow >= 0 && kAgreementRow >= 0,
              "the manifest names the game, the uninstaller and the agreement");

}  // namespace

SetupConfig::SetupConfig(const char* provider_name, const char* program_name,
                         const ManifestEntry* rows, int32_t row_count, int32_t desktop_row,
                         int32_t uninstaller_row) {
  CopyText(provider, provider_name);
  CopyText(program, program_name);

  // The default destination is always on C: under "Program Files", whatever the
  // system's own program-files folder is.
  FormatText(file_dir, sizeof file_dir, "%s\\%s\\%s\\", "C:\\Program Files", provider, program);

  // Without a Programs folder (or with one too long to extend) the group stays
  // empty for the user to choose; the installation refuses an empty group.
  char programs[MAX_PATH] = "";
  shortcut_dir[0] = '\0';
  if (SUCCEEDED(GetSpecialFolderPath(CSIDL_PROGRAMS, programs)) &&
      !FormatText(shortcut_dir, sizeof shortcut_dir, "%s\\%s\\%s\\", programs, provider, program)) {
    shortcut_dir[0] = '\0';
  }

  desktop_shortcut = 1;

  memset(manifest, 0, sizeof manifest);
  if (row_count > kMaxRows) {
    count = 0;
  } else {
    count = row_count;
    for (int32_t i = 0; i < row_count; ++i) manifest[i] = rows[i];
  }
  desktop_index = desktop_row;
  uninstaller_index = uninstaller_row;
}

uint32_t SetupConfig::SumDeclaredSizes() const {
  uint32_t sum = 0;
  for (int32_t i = 0; i < count; ++i) sum += static_cast<uint32_t>(manifest[i].declared_size);
  return sum;
}

// In this order: the configuration is made from the written-out rows.
const ManifestEntry* const kManifest = WriteOutManifest();
const int32_t kManifestRows = kRows;
// The desktop link starts the game.
SetupConfig g_setupConfig("Velmora", "Murkle", kManifest, kManifestRows, kGameRow, kUninstallerRow);
