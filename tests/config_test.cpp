// The compiled-in configuration: the build's manifest, the space rule and the
// defaults the setup dialog starts from.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <set>
#include <string>

#include "install/config.h"

namespace {

struct ExpectedRow {
  int32_t id;
  int32_t declared;
  bool captioned;
};

// Resource ids, declared sizes and which rows get a Start-menu shortcut.
const ExpectedRow kExpected[] = {
    {107, 435200, true}, {123, 7325403, false}, {125, 512, false}, {112, 1704, true},
    {106, 1767, true},   {110, 123904, true},   {113, 6190, false}, {124, 2291, false},
    {114, 1060, false},  {116, 833, false},     {117, 827, false},  {120, 832, false},
    {121, 827, false},   {119, 830, false},
};

TEST(Manifest, RowsHaveTheirIdsSizesAndCaptions) {
  ASSERT_EQ(kManifestRows, 14);
  std::set<std::string> names;
  for (int i = 0; i < kManifestRows; ++i) {
    const ManifestEntry& row = kManifest[i];
    SCOPED_TRACE("row " + std::to_string(i) + " " + row.file_name);
    EXPECT_EQ(row.resource_id, kExpected[i].id);
    EXPECT_EQ(row.declared_size, kExpected[i].declared);
    EXPECT_EQ(row.caption[0] != '\0', kExpected[i].captioned);
    EXPECT_GT(strlen(row.file_name), 0u);
    EXPECT_EQ(strcspn(row.file_name, "\\/:*?\"<>|"), strlen(row.file_name)) << "flat file names only";
    EXPECT_TRUE(names.insert(row.file_name).second) << "duplicate file name";
    EXPECT_STRCASENE(row.file_name, "uninst.ini") << "the uninstall record's own name";
    // A link name is the caption plus ".lnk" in a 64-byte name.
    EXPECT_LE(strlen(row.caption), 59u);
  }
  EXPECT_STREQ(kManifest[0].caption, "Murkle") << "the game's shortcut is the product's name";
  size_t length = strlen(kManifest[5].caption);
  ASSERT_GT(length, 1u);
  EXPECT_EQ(kManifest[5].caption[length - 1], ' ') << "the uninstaller's caption ends with a blank";
}

TEST(SetupConfig, TheBuildsInstance) {
  const SetupConfig& c = g_setupConfig;
  EXPECT_STREQ(c.provider, "Velmora");
  EXPECT_STREQ(c.program, "Murkle");
  EXPECT_STREQ(c.file_dir, "C:\\Program Files\\Velmora\\Murkle\\");
  EXPECT_EQ(c.desktop_shortcut, 1);
  EXPECT_EQ(c.count, 14);
  EXPECT_EQ(c.desktop_index, 0);
  EXPECT_EQ(c.uninstaller_index, 5);
  EXPECT_EQ(memcmp(c.manifest, kManifest, sizeof(ManifestEntry) * 14), 0);
  EXPECT_EQ(c.SumDeclaredSizes(), 7902180u);
  EXPECT_EQ(c.RequiredKilobytes(), 7748u);

  // The program group sits in this user's Programs folder, found independently here.
  char programs[MAX_PATH] = "";
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs), S_OK);
  EXPECT_EQ(std::string(c.shortcut_dir), std::string(programs) + "\\Velmora\\Murkle\\");
}

TEST(SetupConfig, SpaceRuleFollowsTheRows) {
  ManifestEntry rows[3] = {{1, "a", 1023, ""}, {2, "b", 1, ""}, {3, "c", 2048, ""}};
  SetupConfig two("P", "Q", rows, 2, 0, -1);
  EXPECT_EQ(two.SumDeclaredSizes(), 1024u);
  EXPECT_EQ(two.RequiredKilobytes(), 1u + 32u);
  SetupConfig three("P", "Q", rows, 3, 0, -1);
  EXPECT_EQ(three.RequiredKilobytes(), 3u + 32u);
  SetupConfig none("P", "Q", rows, 0, 0, -1);
  EXPECT_EQ(none.SumDeclaredSizes(), 0u);
  EXPECT_EQ(none.RequiredKilobytes(), 32u);
  SetupConfig negative("P", "Q", rows, -3, 0, -1);
  EXPECT_EQ(negative.SumDeclaredSizes(), 0u);
  EXPECT_EQ(negative.uninstaller_index, -1);
}

TEST(SetupConfig, HoldsSixtyFourRowsAndRefusesMore) {
  static ManifestEntry rows[65];
  for (int i = 0; i < 65; ++i) rows[i] = {200 + i, "f", 1024, ""};
  static SetupConfig full("P", "Q", rows, 64, 0, 5);
  EXPECT_EQ(full.count, 64);
  EXPECT_EQ(full.manifest[63].resource_id, 263);
  EXPECT_EQ(full.RequiredKilobytes(), 64u + 32u);
  static SetupConfig over("P", "Q", rows, 65, 0, 5);
  EXPECT_EQ(over.count, 0);
  EXPECT_EQ(over.SumDeclaredSizes(), 0u);
}

TEST(SetupConfig, OverlongNamesAreCutToTheirFields) {
  std::string long_name(200, 'x');
  SetupConfig c(long_name.c_str(), long_name.c_str(), kManifest, 1, 0, -1);
  EXPECT_EQ(strlen(c.provider), 63u);
  EXPECT_EQ(strlen(c.program), 63u);
  // 16 + 1 + 63 + 1 + 63 + 1 characters still fit the destination field whole.
  EXPECT_EQ(std::string(c.file_dir), "C:\\Program Files\\" + std::string(63, 'x') + "\\" +
                                         std::string(63, 'x') + "\\");
  EXPECT_LT(strlen(c.shortcut_dir), sizeof c.shortcut_dir);
}

}  // namespace
