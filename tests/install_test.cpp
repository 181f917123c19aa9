// The installation procedure in this process, on real files, links and registry
// keys: its results, each failure with its message and status, what it leaves
// and what a retry does.
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "common/shell_links.h"
#include "common/text.h"
#include "install/config.h"
#include "install/install.h"
#include "platform/file.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

constexpr char kProvider[] = "VelmoraRunInstall";
constexpr char kProgram[] = "InstallTest";
constexpr char kProductKey[] = "Software\\VelmoraRunInstall";
// The registry path and value names spelt out: the installer is held to them here.
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraRunInstall_InstallTest";
constexpr int kCorruptResource = 900;  // in this test's own resources

constexpr char kNoSpace[] = "Not enough space on destination drive. ";
constexpr char kWrongDir[] = "Wrong file destination directory.";
constexpr char kCorrupt[] = "Data corrupted. If you downloaded setup file, try do it again.";
constexpr char kNoCopy[] = "Unable to copy program files.";
constexpr char kRegistry[] = "Registry access error.";
constexpr char kWrongGroup[] = "Wrong Program Group name.";
constexpr char kNoLinks[] = "Could not create shortcuts.";

// The message buffer with guard bytes after it.
struct MessageBuffer {
  char text[kInstallMessageSize];
  char guard[32];
  MessageBuffer() {
    memset(text, 'M', sizeof text);
    memset(guard, 'G', sizeof guard);
  }
  bool GuardIntact() const { return std::string(guard, sizeof guard) == std::string(sizeof guard, 'G'); }
};

// A volatile key cannot hold a lasting one: the registry itself refuses the
// product's key below it.
HKEY CreateVolatileKey(HKEY root, const std::string& subkey) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  return key;
}

// The links of one installation, by their paths: the group's four and the
// desktop link when asked for.
std::set<std::string> LinksOf(const std::string& group, bool desktop_link) {
  std::set<std::string> links;
  for (const char* name : {"Murkle.lnk", "Murkle licence.lnk", "How to order Murkle.lnk", "Uninstall Murkle .lnk"})
    links.insert(group + name);
  if (desktop_link) links.insert(test::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Murkle.lnk");
  return links;
}

// Two installations into one destination, with these groups.
struct Respelt {
  const char* what;
  std::string first, second;  // no second: the first's short name
  bool one_folder;            // the two groups are one folder
};

std::string ShortName(const std::string& path) {
  char name[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), name, sizeof name);
  EXPECT_TRUE(n > 0 && n < sizeof name && path != name) << path;
  return name;
}

class RunInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    CleanRegistry();
    memcpy(rows_, kManifest, sizeof(ManifestEntry) * kManifestRows);
    dest_ = scratch_ / "Games\\Murkle\\";
    group_ = scratch_ / "Start\\Murkle\\";
  }
  void TearDown() override {
    CleanRegistry();
    CoUninitialize();
  }
  static void CleanRegistry() {
    test::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "\\VelmoraRunInstall");
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  // A configuration of this test's rows, destination and group, no desktop link.
  std::unique_ptr<SetupConfig> Config(int uninstaller = kUninstallerRow) {
    auto config = std::make_unique<SetupConfig>(kProvider, kProgram, rows_, kManifestRows, kGameRow, uninstaller);
    EXPECT_TRUE(CopyText(config->file_dir, dest_.c_str()));
    EXPECT_TRUE(CopyText(config->shortcut_dir, group_.c_str()));
    config->desktop_shortcut = 0;
    return config;
  }

  // Runs the installation; the status, with the message checked against
  // expected (nothing for success: the buffer must stay untouched).
  int32_t Run(SetupConfig& config, const char* expected) {
    MessageBuffer message;
    int32_t status = RunInstall(config, message.text, attempts_);
    if (expected)
      EXPECT_EQ(std::string(message.text), expected);
    else
      EXPECT_EQ(std::string(message.text, sizeof message.text), std::string(sizeof message.text, 'M'))
          << "a success must not touch the message";
    EXPECT_TRUE(message.GuardIntact());
    return status;
  }

  // Two installations into this destination, with g's groups: every link the
  // second saved is there, and the first's other links are gone.
  void InstallTwice(const Respelt& g, int first_desktop, int second_desktop, const std::string& desktop);

  bool Installed(int row) const { return test::FileExists(dest_ + rows_[row].file_name); }
  bool AnyLink() const { return test::FileExists(group_ + "Murkle.lnk"); }

  // A retry after a failure installs everything. Its record names the first
  // folder made for the destination, by this attempt or a failed one before.
  void ExpectCompleteRetry(const std::string& created_file_dir = "") {
    auto config = Config();
    EXPECT_EQ(Run(*config, nullptr), 0);
    for (int row = 0; row < kManifestRows; ++row) EXPECT_TRUE(Installed(row)) << rows_[row].file_name;
    EXPECT_TRUE(test::FileExists(group_ + "Uninstall Murkle .lnk"));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
    ASSERT_GE(lines.size(), 4u);
    if (!created_file_dir.empty()) {
      EXPECT_EQ(lines[3], "created_file_dir=" + created_file_dir);
    }
  }

  test::ScratchDir scratch_{"runinstall"};
  InstallAttempts attempts_;  // one session's, as the setup dialog keeps them
  ManifestEntry rows_[SetupConfig::kMaxRows];
  std::string dest_, group_;
};

void RunInstallTest::InstallTwice(const Respelt& g, int first_desktop, int second_desktop,
                                  const std::string& desktop) {
  SCOPED_TRACE(std::string(g.what) + ", desktop link " + std::to_string(first_desktop) + " then " +
               std::to_string(second_desktop));
  test::RemoveTree(scratch_ / "Start");
  test::RemoveTree("C:\\MurkleRunInstall");
  for (const std::string& link : LinksOf(desktop, true)) DeleteFileA(link.c_str());
  group_ = g.first;
  auto config = Config();
  config->desktop_shortcut = first_desktop;
  ASSERT_EQ(Run(*config, nullptr), 0);
  const std::set<std::string> first = LinksOf(g.first, first_desktop);
  // Short names for the group and the destination alike.
  const std::string second_group = g.second.empty() ? ShortName(g.first) : g.second;
  const std::string long_dest = dest_;
  if (g.second.empty()) dest_ = ShortName(dest_);
  group_ = second_group;
  config = Config();
  config->desktop_shortcut = second_desktop;
  dest_ = long_dest;
  ASSERT_EQ(Run(*config, nullptr), 0);
  // Spelt as the first run spelt them where the groups are one folder.
  const std::set<std::string> second = LinksOf(g.one_folder ? g.first : second_group, second_desktop);
  for (const std::string& link : second) EXPECT_TRUE(test::FileExists(link)) << "saved, then deleted: " << link;
  for (const std::string& link : first)
    if (!second.count(link)) {
      EXPECT_FALSE(test::FileExists(link)) << "the first run's, left: " << link;
    }
}

TEST_F(RunInstallTest, InstallsWhatTheRecordSays) {
  auto config = Config();
  config->file_dir[strlen(config->file_dir) - 1] = '\0';  // without its backslash
  ASSERT_EQ(Run(*config, nullptr), 0);
  EXPECT_EQ(std::string(config->file_dir), dest_) << "the backslash is appended in place";
  for (int row = 0; row < kManifestRows; ++row) {
    std::string installed = test::ReadWholeFile(dest_ + rows_[row].file_name);
    EXPECT_TRUE(installed == test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, rows_[row].file_name)))
        << rows_[row].file_name;
  }
  std::string value;
  EXPECT_TRUE(test::ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", &value));
  EXPECT_EQ(value, "VelmoraRunInstall - InstallTest");
  EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "Software\\VelmoraRunInstall\\InstallTest"));
  std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[3], "created_file_dir=" + scratch_ / "Games");
  EXPECT_EQ(lines[5], "created_shortcut_dir=" + scratch_ / "Start");

  // Again over the same installation: nothing is created this time, and the
  // new record keeps what the old one says was, for the uninstaller.
  config = Config();
  ASSERT_EQ(Run(*config, nullptr), 0);
  lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[3], "created_file_dir=" + scratch_ / "Games");
  EXPECT_EQ(lines[5], "created_shortcut_dir=" + scratch_ / "Start");
}

// Installing again into the same folder with another program group and no
// desktop link: the first installation's links go (they would lead to files
// that its uninstaller no longer knows), and so do the group folders it made,
// once empty; a link of its name that the user pointed elsewhere stays. A
// group folder the user made since is no folder the new installation made,
// and its record does not say so.
TEST_F(RunInstallTest, ReinstallingTakesOverTheFirstInstallationsLinks) {
  const std::string desktop_link = test::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Murkle.lnk";
  auto config = Config();
  config->desktop_shortcut = 1;
  ASSERT_EQ(Run(*config, nullptr), 0);
  ASSERT_TRUE(test::FileExists(desktop_link));
  const std::string users = group_ + "Murkle licence.lnk";
  ASSERT_GE(CreateShortcut((scratch_ / "elsewhere.txt").c_str(), users.c_str(), "Mine"), 0);

  for (const char* next : {"Start2\\Murkle\\", "Start3\\Murkle\\"}) {
    const std::string earlier = group_;
    group_ = scratch_ / next;
    config = Config();
    ASSERT_EQ(Run(*config, nullptr), 0);
    EXPECT_FALSE(test::FileExists(earlier + "Murkle.lnk")) << earlier;
    EXPECT_FALSE(test::FileExists(desktop_link)) << "the first installation's desktop link";
    EXPECT_TRUE(test::FileExists(group_ + "Murkle.lnk"));
  }
  EXPECT_TRUE(test::FileExists(users)) << "a link that leads elsewhere";
  EXPECT_FALSE(test::DirectoryExists(scratch_ / "Start2")) << "the second group, empty";
  std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[3], "created_file_dir=" + scratch_ / "Games");
  EXPECT_EQ(lines[5], "created_shortcut_dir=" + scratch_ / "Start3");
  EXPECT_EQ(lines[8], "desk_sc_name=");

  // A folder of the user's inside the group, taken as the group.
  ASSERT_TRUE(CreateDirectoryA((group_ + "My Games").c_str(), nullptr));
  group_ += "My Games\\";
  config = Config();
  ASSERT_EQ(Run(*config, nullptr), 0);
  lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[5], "created_shortcut_dir=") << "My Games and the folders above it were there already";
  EXPECT_TRUE(test::DirectoryExists(scratch_ / "Start3\\Murkle")) << "it holds My Games";
  EXPECT_FALSE(test::FileExists(scratch_ / "Start3\\Murkle\\Murkle.lnk"));
}

// Installing again into the same folder, with the group (and once the
// destination) spelt another way, or the desktop for a group: every link the
// second run saved stays, however the two runs name its folder, and only the
// first run's other links go.
TEST_F(RunInstallTest, ReinstallingKeepsEveryLinkItSavedHoweverTheFolderIsSpelt) {
  const std::string desktop = test::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\";
  std::string accented, upper;  // letters beyond A to Z, in both cases
  const bool has_accents = test::InCodePage("Start\\Vélmora\\", &accented) && test::InCodePage("Start\\VÉLMORA\\", &upper);
  // S: is the C: drive under another letter (tools/wine/test-drives).
  const bool substituted = test::DirectoryExists("S:\\");
  if (!substituted) printf("drive S: is not mapped: a group on another drive letter is not tried\n");
  const std::string on_c = "C:\\MurkleRunInstall\\Start\\Murkle\\";
  const std::vector<Respelt> groups = {
      {"letters beyond A to Z in another case", has_accents ? scratch_ / accented : std::string(),
       has_accents ? scratch_ / upper : std::string(), true},
      {"the short name", scratch_ / "Start\\Murkle Games Folder\\", std::string(), true},
      {"another drive letter", substituted ? on_c : std::string(), "S:" + on_c.substr(2), true},
      {"the desktop, then the desktop", desktop, desktop, true},
      {"a group, then the desktop", scratch_ / "Start\\Murkle\\", desktop, false},
      {"the desktop, then a group", desktop, scratch_ / "Start\\Murkle\\", false},
  };
  // A group respelt, with the desktop link and then with it or without; the
  // desktop for a group, in every order of group and desktop link.
  for (const Respelt& g : groups)
    for (int first_desktop = g.first == desktop || g.second == desktop ? 0 : 1; first_desktop < 2; ++first_desktop)
      for (int second_desktop = 0; second_desktop < 2; ++second_desktop)
        if (!g.first.empty()) InstallTwice(g, first_desktop, second_desktop, desktop);
  for (const std::string& link : LinksOf(desktop, true)) DeleteFileA(link.c_str());
  test::RemoveTree("C:\\MurkleRunInstall");
}

// A record planted in the destination that names the user's Documents folder
// as the group, and it or the profile as made: its link there goes, being one
// into this destination, but neither folder does.
TEST_F(RunInstallTest, APlantedRecordRemovesNoShellFolder) {
  const std::string documents = test::SpecialFolder(CSIDL_PERSONAL);
  std::set<std::string> inside;
  test::ListFiles(documents, &inside);
  ASSERT_TRUE(test::DirectoryExists(documents) && inside.empty()) << documents << " must exist and be empty";
  for (const std::string& made : {documents, test::SpecialFolder(CSIDL_PROFILE)}) {
    SCOPED_TRACE(made);
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, dest_.c_str(), nullptr), 0);
    const std::string ini = dest_ + "uninst.ini", planted = documents + "\\Murkle.lnk";
    for (const auto& [key, value] : std::initializer_list<std::pair<const char*, std::string>>{
             {"provider", kProvider}, {"program", kProgram}, {"file_dir", dest_},
             {"shortcut_dir", documents + "\\"}, {"created_shortcut_dir", made}})
      ASSERT_TRUE(WritePrivateProfileStringA("COMMON", key, value.c_str(), ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("SHORTCUTS", "S00", "Murkle.lnk", ini.c_str()));
    ASSERT_GE(CreateShortcut((dest_ + "murkle.exe").c_str(), planted.c_str(), "Planted"), 0);
    auto config = Config();
    ASSERT_EQ(Run(*config, nullptr), 0);
    EXPECT_FALSE(test::FileExists(planted)) << "a link into this destination";
    EXPECT_TRUE(test::DirectoryExists(documents)) << "the user's Documents folder was removed";
    if (!test::DirectoryExists(documents)) CreateDirectoryA(documents.c_str(), nullptr);
    test::RemoveTree(dest_);
  }
}

// Until the new record is on disk, the earlier installation keeps its links:
// without a record, nothing would remove the new ones either.
TEST_F(RunInstallTest, NothingOfTheEarlierInstallationGoesWhenTheRecordCannotBeWritten) {
  auto config = Config();
  config->desktop_shortcut = 1;
  ASSERT_EQ(Run(*config, nullptr), 0);
  const std::set<std::string> first = LinksOf(group_, true);
  // Readable, but not to be written while this handle is open.
  HANDLE holder = CreateFileA((dest_ + "uninst.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  group_ = scratch_ / "Start2\\Murkle\\";
  config = Config();
  EXPECT_EQ(Run(*config, kNoCopy), -1);
  CloseHandle(holder);
  for (const std::string& link : first) EXPECT_TRUE(test::FileExists(link)) << link;
  for (const std::string& link : first) DeleteFileA(link.c_str());
}

TEST_F(RunInstallTest, WithoutAnUninstallerNoUninstallKeyAndNoRecord) {
  auto config = Config(-1);
  ASSERT_EQ(Run(*config, nullptr), 0);
  EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "Software\\VelmoraRunInstall\\InstallTest"));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(test::FileExists(dest_ + "uninst.ini"));
}

TEST_F(RunInstallTest, DestinationWithoutDriveLetterHasNoSpace) {
  for (const char* path : {"", "C", "\\\\server\\share\\Murkle\\", "Games\\Murkle\\", "\\Murkle\\"}) {
    auto config = Config();
    EXPECT_TRUE(CopyText(config->file_dir, path));
    EXPECT_EQ(Run(*config, kNoSpace), static_cast<int32_t>(E_FAIL)) << '"' << path << '"';
    EXPECT_EQ(std::string(config->file_dir), path) << "nothing is changed before the check";
  }
}

// Each step that can fail, made to fail for real: its message and status,
// nothing after it made, what was made before it left, and a retry in the same
// process that installs everything, recording the folders a failed attempt
// made. The record goes before the registry entries, and the uninstall entry
// before the product key.
TEST_F(RunInstallTest, EachFailingStepReportsItsMessageAndARetryCompletes) {
  const std::string games = scratch_ / "Games", start = scratch_ / "Start";
  const std::string volatile_uninstall = std::string(kUninstallRoot) + "\\VelmoraRunInstall";
  HANDLE holder = INVALID_HANDLE_VALUE;
  auto exists = [](const std::string& path) { return test::FileExists(path); };
  const struct {
    const char* what;
    std::function<bool()> inject;  // false: this system cannot make the step fail
    std::function<void(SetupConfig&)> adjust;
    const char* message;
    int32_t status;  // 0: any failing HRESULT
    std::function<void()> check;
    std::function<void()> undo;
    std::string created_file_dir;  // what the retry records
  } failures[] = {
      {"a file where a folder of the destination must be made",
       [&] { return test::WriteWholeFile(games, "a file"); }, nullptr, kWrongDir, ERROR_PATH_NOT_FOUND,
       [&] { EXPECT_FALSE(test::DirectoryExists(start)) << "nothing after the failing step"; },
       [&] { DeleteFileA(games.c_str()); }, games},
      {"a file of the destination's own name",
       [&] { return CreateDirectoryA(games.c_str(), nullptr) && test::WriteWholeFile(games + "\\Murkle", "a file"); },
       nullptr, kWrongDir, ERROR_DIRECTORY, [&] { EXPECT_FALSE(test::DirectoryExists(start)); },
       [&] { DeleteFileA((games + "\\Murkle").c_str()); }, ""},
      {"a payload resource missing",
       [&] { return (rows_[4].resource_id = 999) != 0; }, nullptr, kCorrupt, -1,
       [&] { EXPECT_TRUE(Installed(3) && !Installed(5) && !test::DirectoryExists(group_)); },
       [&] { rows_[4] = kManifest[4]; }, games},
      {"a payload resource corrupt",
       [&] { return (rows_[4].resource_id = kCorruptResource) != 0; }, nullptr, kCorrupt, -1,
       [&] { EXPECT_TRUE(Installed(3) && !Installed(5) && !test::DirectoryExists(group_)); },
       [&] { rows_[4] = kManifest[4]; }, games},
      {"a payload file held open",
       [&] {
         SHCreateDirectoryExA(nullptr, dest_.c_str(), nullptr);
         holder = CreateFileA((dest_ + rows_[2].file_name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr);
         return holder != INVALID_HANDLE_VALUE;
       },
       nullptr, kCorrupt, -1, [&] { EXPECT_TRUE(Installed(1) && !Installed(3)); },
       [&] { CloseHandle(holder); }, ""},
      {"a file where the program group must be made", [&] { return test::WriteWholeFile(start, "a file"); },
       nullptr, kWrongGroup, ERROR_PATH_NOT_FOUND,
       [&] { EXPECT_TRUE(Installed(kManifestRows - 1) && !exists(dest_ + "uninst.ini")); },
       [&] { DeleteFileA(start.c_str()); }, games},
      {"a link that cannot be written",
       [&] { return SHCreateDirectoryExA(nullptr, (group_ + "Murkle licence.lnk").c_str(), nullptr) == 0; }, nullptr,
       kNoLinks, 0,
       [&] { EXPECT_TRUE(exists(group_ + "How to order Murkle.lnk") && !exists(group_ + "Uninstall Murkle .lnk")); },
       [&] { RemoveDirectoryA((group_ + "Murkle licence.lnk").c_str()); }, games},
      {"a record that cannot be written",
       [&] { return SHCreateDirectoryExA(nullptr, (dest_ + "uninst.ini").c_str(), nullptr) == 0; }, nullptr,
       kNoCopy, -1,
       [&] {
         EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "registered without its record";
         EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kProductKey));
       },
       [&] { RemoveDirectoryA((dest_ + "uninst.ini").c_str()); }, ""},
      {"an uninstall entry that the registry refuses",
       [&] {
         // The provider names a key level of its own, made volatile: a
         // volatile key cannot hold a lasting one.
         RegCloseKey(CreateVolatileKey(HKEY_LOCAL_MACHINE, volatile_uninstall));
         return true;
       },
       [](SetupConfig& config) { CopyText(config.provider, "VelmoraRunInstall\\Sub"); }, kRegistry, -1,
       [&] {
         EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, "Software\\VelmoraRunInstall\\Sub\\InstallTest"));
         EXPECT_TRUE(exists(dest_ + "uninst.ini")) << "the record, written first, lets the uninstaller remove it";
       },
       [&] { test::DeleteKeyTree(HKEY_LOCAL_MACHINE, volatile_uninstall); }, games},
      {"a product key that the registry refuses",
       [&] {
         RegCloseKey(CreateVolatileKey(HKEY_CURRENT_USER, kProductKey));
         HKEY probe = nullptr;
         if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VelmoraRunInstall\\Probe", 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, &probe, nullptr) != ERROR_SUCCESS)
           return true;
         RegCloseKey(probe);
         test::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
         return false;  // a lasting key may live below a volatile one here
       },
       nullptr, kRegistry, -1,
       [&] { EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the entry, then the product key"; },
       [&] { test::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey); }, games},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    test::RemoveTree(games);
    test::RemoveTree(start);
    CleanRegistry();
    if (!f.inject()) {
      printf("%s: cannot be made to fail on this system\n", f.what);
      continue;
    }
    auto config = Config();
    if (f.adjust) f.adjust(*config);
    const int32_t status = Run(*config, f.message);
    if (f.status)
      EXPECT_EQ(status, f.status);
    else
      EXPECT_LT(status, 0) << "the shell's failing HRESULT";
    f.check();
    f.undo();
    ExpectCompleteRetry(f.created_file_dir);
  }
}

// A retry into the failed attempt's folder spelt another way records the
// folder that attempt made, as the retry spells it; a retry into a shorter
// path removes what the attempt made below it, once empty.
TEST_F(RunInstallTest, ARetryRecordsOrRemovesWhatTheFailedAttemptMade) {
  std::string accented, upper;
  const bool has_accents = test::InCodePage("Vélmora", &accented) && test::InCodePage("VÉLMORA", &upper);
  const struct {
    std::string failed, retry, recorded, gone;
  } cases[] = {
      {has_accents ? accented + "\\Murkle\\" : "", upper + "\\Murkle\\", upper, ""},
      {"Games\\Murkle\\Deeper\\", "Games\\Murkle\\", "Games", "Games\\Murkle\\Deeper"},
  };
  for (const auto& c : cases) {
    if (c.failed.empty()) continue;
    SCOPED_TRACE(c.failed + " then " + c.retry);
    test::RemoveTree(scratch_ / "Games");
    test::RemoveTree(scratch_ / c.recorded);
    rows_[0].resource_id = 999;  // nothing is written into the destination
    dest_ = scratch_ / c.failed;
    auto config = Config();
    EXPECT_EQ(Run(*config, kCorrupt), -1);
    rows_[0] = kManifest[0];
    dest_ = scratch_ / c.retry;
    ExpectCompleteRetry(scratch_ / c.recorded);
    if (!c.gone.empty()) {
      EXPECT_FALSE(test::DirectoryExists(scratch_ / c.gone)) << "empty, and no record names it";
    }
  }
}

TEST_F(RunInstallTest, DesktopLinkThatCannotBeWritten) {
  EXPECT_TRUE(CopyText(rows_[0].caption, "Murkle RunInstall test"));
  const std::string desktop_link = test::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Murkle RunInstall test.lnk";
  ASSERT_TRUE(CreateDirectoryA(desktop_link.c_str(), nullptr));
  auto config = Config();
  config->desktop_shortcut = 1;
  EXPECT_LT(Run(*config, kNoLinks), 0);
  EXPECT_TRUE(test::FileExists(group_ + "Uninstall Murkle .lnk")) << "the group is complete";
  EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kProductKey));
  ASSERT_TRUE(RemoveDirectoryA(desktop_link.c_str()));

  config = Config();
  config->desktop_shortcut = 1;
  EXPECT_EQ(Run(*config, nullptr), 0);
  std::string target, description;
  EXPECT_TRUE(test::ReadLink(desktop_link, &target, &description));
  EXPECT_EQ(target, dest_ + "murkle.exe");
  EXPECT_EQ(description, "Murkle RunInstall test");
  std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[7], "desktop_shortcut=1");
  EXPECT_EQ(lines[8], "desk_sc_name=Murkle RunInstall test.lnk");
  DeleteFileA(desktop_link.c_str());
}

// A caption of 60 characters gets its links, but "<caption>.lnk" does not fit
// the record's 63-character names: cut short it could name another file to the
// uninstaller, so neither the group's link nor the desktop's is recorded.
TEST_F(RunInstallTest, LinkNamesTooLongForTheRecordAreLeftOutOfIt) {
  const std::string caption = "Murkle RunInstall " + std::string(42, 'c');
  ASSERT_EQ(caption.size(), 60u);
  EXPECT_TRUE(CopyText(rows_[0].caption, caption.c_str()));
  const std::string desktop_link = test::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + caption + ".lnk";
  auto config = Config();
  config->desktop_shortcut = 1;
  EXPECT_EQ(Run(*config, nullptr), 0);
  EXPECT_TRUE(test::FileExists(desktop_link));
  EXPECT_TRUE(test::FileExists(group_ + caption + ".lnk"));
  std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dest_ + "uninst.ini"));
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[7], "desktop_shortcut=1");
  EXPECT_EQ(lines[8], "desk_sc_name=") << "nothing rather than a cut name";
  for (const std::string& line : lines) EXPECT_EQ(line.find("Murkle RunInstall c"), std::string::npos) << line;
  DeleteFileA(desktop_link.c_str());
}

// The longest destination that leaves room for every installed name after it,
// and one more character.
TEST_F(RunInstallTest, DestinationLengthLimit) {
  size_t longest = strlen("uninst.ini");
  for (int row = 0; row < kManifestRows; ++row) longest = std::max(longest, strlen(rows_[row].file_name));
  const size_t limit = MAX_PATH - 1 - longest;  // with the backslash
  std::string base = scratch_.path() + "\\";
  std::string fits = base + std::string(limit - base.size() - 1, 'd') + "\\";
  ASSERT_EQ(fits.size(), limit);
  std::string too_long = base + std::string(limit - base.size(), 'd') + "\\";
  dest_ = too_long;
  auto config = Config();
  EXPECT_EQ(Run(*config, kWrongDir), static_cast<int32_t>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_FALSE(test::DirectoryExists(too_long)) << "nothing created";
  EXPECT_FALSE(test::DirectoryExists(group_));

  dest_ = fits;
  config = Config();
  EXPECT_EQ(Run(*config, nullptr), 0);
  EXPECT_TRUE(test::FileExists(fits + "uninstall.exe"));
  EXPECT_TRUE(test::FileExists(fits + "uninst.ini"));
  std::string command;
  EXPECT_TRUE(test::ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &command));
  EXPECT_EQ(command, "\"" + fits + "uninstall.exe\"") << "the whole path, quoted, at the longest destination";
}

// Texts of 258 and 259 characters (the most the dialog's fields hold) have no
// room for their backslash and names: refused before anything is made, and
// the field after each path is untouched.
TEST_F(RunInstallTest, OverlongPathsAreRefusedWithoutWritingPastThem) {
  for (size_t length : {258u, 259u}) {
    std::string dest = scratch_.path() + "\\" + std::string(length - scratch_.path().size() - 1, 'x');
    auto config = Config();
    EXPECT_TRUE(CopyText(config->file_dir, dest.c_str()));
    memset(config->shortcut_dir, 'S', sizeof config->shortcut_dir - 1);
    config->shortcut_dir[sizeof config->shortcut_dir - 1] = '\0';
    EXPECT_EQ(Run(*config, kWrongDir), static_cast<int32_t>(ERROR_FILENAME_EXCED_RANGE)) << length;
    EXPECT_EQ(std::string(config->file_dir), dest);
    EXPECT_EQ(std::string(config->shortcut_dir), std::string(MAX_PATH - 1, 'S'));
    EXPECT_EQ(GetFileAttributesA(dest.substr(0, 200).c_str()), INVALID_FILE_ATTRIBUTES);

    std::string group = scratch_.path() + "\\" + std::string(length - scratch_.path().size() - 1, 'g');
    config = Config();
    EXPECT_TRUE(CopyText(config->shortcut_dir, group.c_str()));
    config->desktop_shortcut = 0x5A5A5A5A;  // the field after the group
    EXPECT_EQ(Run(*config, kWrongGroup), static_cast<int32_t>(ERROR_FILENAME_EXCED_RANGE)) << length;
    EXPECT_EQ(config->desktop_shortcut, 0x5A5A5A5A);
    EXPECT_FALSE(test::DirectoryExists(dest_)) << "the destination is not made for a refused group";
  }
  // Paths without a drive, and paths the uninstaller would refuse to remove
  // anything from. The latter are refused as the destination too (a path
  // without a drive is refused there by the space check first).
  const std::string base = scratch_.path();
  const std::string refused[] = {
      "", "G", "Start\\Murkle", "\\\\server\\share\\Murkle",
      "C:Murkle",                   // relative to the drive's current folder
      base + "/MurkleC",            // a forward slash
      base + "\\GamesH\\Murkle.",   // a folder ending in a dot
      base + "\\users.\\MurkleF",   // ... not only the last one
      base + "\\Games \\Murkle",    // a folder ending in a blank
      base + "\\Mur*kle", base + "\\a|b",  // characters no name may hold
      base + "\\Games\\CON", base + "\\com1.txt\\Murkle",  // device names
  };
  for (const std::string& path : refused) {
    SCOPED_TRACE('"' + path + '"');
    auto config = Config();
    EXPECT_TRUE(CopyText(config->shortcut_dir, path.c_str()));
    EXPECT_EQ(Run(*config, kWrongGroup), static_cast<int32_t>(ERROR_BAD_PATHNAME));
    if (path.size() < 2 || path[1] != ':') continue;
    config = Config();
    EXPECT_TRUE(CopyText(config->file_dir, path.c_str()));
    EXPECT_EQ(Run(*config, kWrongDir), static_cast<int32_t>(ERROR_BAD_PATHNAME));
  }
  std::set<std::string> made;
  test::ListFiles(base, &made);
  EXPECT_TRUE(made.empty()) << "made for refused paths:" << test::Lines(made);
}

// A bare drive is its root: "T:" installs into T:\ (the 1 MiB scratch drive,
// the small rows only).
TEST_F(RunInstallTest, ABareDriveIsItsRoot) {
  if (!test::DriveMapped('T')) GTEST_SKIP() << "drive T: is not mapped in this prefix";
  const ManifestEntry small[] = {kManifest[3], kManifest[4], kManifest[5]};  // uninstall.exe last
  SetupConfig config(kProvider, kProgram, small, 3, 0, 2);
  ASSERT_TRUE(CopyText(config.file_dir, "T:"));
  ASSERT_TRUE(CopyText(config.shortcut_dir, (group_ + "Murkle").c_str()));
  config.desktop_shortcut = 0;
  EXPECT_EQ(Run(config, nullptr), 0);
  EXPECT_STREQ(config.file_dir, "T:\\");
  std::string record = test::ReadWholeFile("T:\\uninst.ini");
  EXPECT_NE(record.find("\r\ncreated_file_dir=\r\nfile_dir=T:\\\r\n"), std::string::npos) << record;
  for (const char* name : {"order.html", "licence.txt", "uninstall.exe", "uninst.ini"}) {
    EXPECT_TRUE(DeleteFileA((std::string("T:\\") + name).c_str())) << name;
  }
}

// The program's own Adler-32 stands in for zlib's and checks every installed
// byte. It reduces its sums only once per block; the reference reduces after
// every byte. All-0xFF input and the largest sums as a starting value are where
// a late reduction would overflow; pieces of odd sizes cross the block edges.
uint32_t ReferenceAdler(uint32_t adler, const std::string& data) {
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

TEST(Adler32, MatchesTheDefinitionAcrossBlockEdges) {
  const Bytef* digits = reinterpret_cast<const Bytef*>("123456789");
  EXPECT_EQ(adler32(1, digits, 9), 0x091E01DEu);
  EXPECT_EQ(adler32(0, nullptr, 0), 1u);
  EXPECT_EQ(adler32(0x12345678, digits, 0), 0x12345678u);
  for (const std::string& data : {std::string(200000, '\xFF'), test::PseudoText(200000, 7)}) {
    for (uint32_t start : {1u, 0xFFF0FFF0u}) {
      const uint32_t expected = ReferenceAdler(start, data);
      EXPECT_EQ(adler32(start, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())),
                expected);
      uLong pieces = start;
      for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 + 1) {
        const size_t size = std::min(piece, data.size() - at);
        pieces = adler32(pieces, reinterpret_cast<const Bytef*>(data.data() + at), static_cast<uInt>(size));
      }
      EXPECT_EQ(pieces, expected);
    }
  }
}

// The program's own CRC-32 stands in for zlib's: the standard check value,
// chaining over pieces, and the null buffer's initial value.
TEST(Crc32, GivesTheStandardValues) {
  const Bytef* digits = reinterpret_cast<const Bytef*>("123456789");
  EXPECT_EQ(crc32(0, digits, 9), 0xCBF43926u);
  EXPECT_EQ(crc32(crc32(0, digits, 4), digits + 4, 5), 0xCBF43926u);
  EXPECT_EQ(crc32(0, nullptr, 0), 0u);
  EXPECT_EQ(crc32(0, digits, 0), 0u);
  const std::string text = test::PseudoText(100000, 3);
  uLong bytewise = 0;
  for (char c : text) bytewise = crc32(bytewise, reinterpret_cast<const Bytef*>(&c), 1);
  EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())), bytewise);
  EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>("a"), 1), 0xE8B7BE43u);
}

}  // namespace
