// The compiled-in configuration of the setup program and its payload manifest.
#ifndef MURKLE_INSTALL_CONFIG_H
#define MURKLE_INSTALL_CONFIG_H

#include <windows.h>

#include <cstdint>

// One installed file: which "BIN" resource holds it, where it goes, how big it
// claims to be (for the space estimate only) and its Start-menu caption.
struct ManifestEntry {
  int32_t resource_id;    // only the low 16 bits are used, as an integer resource name
  char file_name[64];     // relative to the destination directory
  int32_t declared_size;  // bytes; need not equal the real size
  char caption[64];       // empty: no Start-menu shortcut
};

class SetupConfig {
 public:
  static constexpr int kMaxRows = 64;
  // Room added to the payload's size when checking free space.
  static constexpr uint32_t kMarginKilobytes = 32;

  char provider[64];
  char program[64];
  char file_dir[MAX_PATH];      // destination directory, edited by the setup dialog
  char shortcut_dir[MAX_PATH];  // Start-menu program group directory, edited likewise
  int32_t desktop_shortcut;
  ManifestEntry manifest[kMaxRows];
  int32_t count;
  int32_t desktop_index;
  int32_t uninstaller_index;  // negative: the product has no uninstaller

  // A count above kMaxRows is refused: no rows are taken (count becomes 0).
  SetupConfig(const char* provider_name, const char* program_name, const ManifestEntry* rows,
              int32_t row_count, int32_t desktop_row, int32_t uninstaller_row);

  uint32_t SumDeclaredSizes() const;

  // Decompresses one payload stream (size bytes at data, read in place) into a
  // new file at target. Throws EPlik for file failures and EDowolny for
  // decompression failures. A member of the configuration by the installer's
  // layout, it uses none of the configuration's fields.
  void InflateResourceToFile(const void* data, uint32_t size, const char* target);
  // The one space rule of the dialog and the installation.
  uint32_t RequiredKilobytes() const { return (SumDeclaredSizes() >> 10) + kMarginKilobytes; }
};

// What the installer treats a payload row as: manifest.def's last column.
enum class PayloadRole { kFile, kGame, kUninstaller, kAgreement };

struct PayloadRowKey {
  int32_t resource_id;
  PayloadRole role;
};
inline constexpr PayloadRowKey kPayloadRowKeys[] = {
#define MANIFEST_ROW(id, name, size, caption, role) {id, PayloadRole::role},
#include "payload/manifest.def"
#undef MANIFEST_ROW
};

// The first row of the manifest with role, or -1.
constexpr int32_t PayloadRow(PayloadRole role) {
  for (int32_t row = 0; row < int32_t(sizeof kPayloadRowKeys / sizeof kPayloadRowKeys[0]); ++row)
    if (kPayloadRowKeys[row].role == role) return row;
  return -1;
}

// The rows the installer treats apart, and the resource that holds the
// agreement text, which the agreement dialog shows as well as installs.
inline constexpr int32_t kGameRow = PayloadRow(PayloadRole::kGame);
inline constexpr int32_t kUninstallerRow = PayloadRow(PayloadRole::kUninstaller);
inline constexpr int32_t kAgreementRow = PayloadRow(PayloadRole::kAgreement);
inline constexpr int kAgreementResource = kPayloadRowKeys[kAgreementRow].resource_id;

// The build's manifest (kManifestRows rows) and its one configuration, made
// before the program's main routine runs.
extern const ManifestEntry* const kManifest;
extern const int32_t kManifestRows;
extern SetupConfig g_setupConfig;

#endif
