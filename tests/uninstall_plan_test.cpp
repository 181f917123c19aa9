// The uninstaller's logic in-process: its path checks, reading uninst.ini
// written by the profile writer, and removal with real files and keys.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "common/com.h"
#include "common/paths.h"
#include "common/shell_links.h"
#include "common/text.h"
#include "path_checks.h"
#include "removal.h"
#include "report_text.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "uninstall_plan.h"

namespace {

// Texts are UTF-8; each row runs under every code page that can write it. In
// code page 932 the second byte of ソ is 5C (a backslash's), of ポ 7C (a
// bar's), of ア 41 and of ヂ 61 (an A and an a); 表 and 能 end in 5C.
TEST(UninstallPathChecks, NamesPathsRootsAndCreatedFolders) {
  auto ansi = [](const char* utf8, std::string* text) { return test::InCodePage(utf8, text); };
  std::string a, b;
  struct NameCase { const char* name; bool plain; } names[] = {
      {"murkle.exe", true}, {"Uninstall Murkle .lnk", true}, {"", false}, {".", false}, {"..", false},
      {"..\\x", false}, {"a\\b", false}, {"a/b", false}, {"C:x", false}, {"x:stream", false}, {"*.*", false},
      {"a?.txt", false}, {"trail.", false}, {"trail ", false}, {"NUL", false}, {"con.txt", false},
      {"com1.lnk", false}, {"comet.txt", true}, {"\x01", false},
      {"123456789012345678901234567890123456789012345678901234567890123", true},
      {"1234567890123456789012345678901234567890123456789012345678901234", false},
      {"ソフト.txt", true}, {"スポーツ", true}, {"ゲームア.lnk", true}, {"表", true}, {"能力", true},
      {"表\\x", false}, {"表|", false}};
  for (const auto& c : names) {
    if (!ansi(c.name, &a)) continue;
    EXPECT_EQ(IsPlainFileName(a.c_str()), c.plain) << "name \"" << c.name << "\"";
  }

  struct PathCase { const char* path; bool absolute, root; } paths[] = {
      {"C:\\Program Files\\Velmora\\", true, false}, {"C:\\Program Files\\Velmora", true, false},
      {"C:\\", true, true}, {"C:", true, true}, {"\\\\server\\share", true, true},
      {"\\\\server\\share\\dir\\", true, false}, {"\\\\server\\", false, false}, {"C:dir", false, false},
      {"Velmora\\Murkle\\", false, false}, {"", false, false}, {"\\Program Files\\", false, false},
      {"C:\\a\\..\\b\\", false, false}, {"C:\\a\\.\\b", false, false}, {"C:\\a\\\\b", false, false},
      {"C:\\a*\\", false, false}, {"\\\\?\\C:\\a", false, false}, {"C:/a", false, false},
      {"C:\\Grp7\\Murkle.", false, false}, {"C:\\users.\\MurkleF", false, false},
      {"C:\\Games \\Murkle", false, false}, {"C:\\Games\\CON\\", false, false},
      {"C:\\com1.txt\\Murkle", false, false}, {"C:\\Comet\\Murkle", true, false},
      {"C:\\ソフト\\Murkle", true, false}, {"C:\\スポーツ\\ゲーム\\", true, false}, {"C:\\表", true, false},
      {"C:\\表\\", true, false}, {"C:\\Games\\能力", true, false}, {"\\\\表\\能", true, true}};
  for (const auto& c : paths) {
    if (!ansi(c.path, &a)) continue;
    EXPECT_EQ(IsAbsolutePlainPath(a.c_str()), c.absolute) << "absolute \"" << c.path << "\"";
    EXPECT_EQ(IsRootPath(a.c_str()), c.root) << "root \"" << c.path << "\"";
  }

  struct CreatedCase { const char* created; const char* dir; Why why; } created[] = {
      {"C:\\Program Files\\Velmora", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNone},
      {"C:\\Program Files\\Velmora\\Murkle", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNone},
      {"c:\\program files\\velmora", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNone},
      {"C:\\Program Files\\Vel", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNotPrefix},
      {"C:\\Other", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNotPrefix},
      {"C:\\Program Files\\Velmora\\Murkle\\Sub", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNotPrefix},
      {"C:\\", "C:\\Program Files\\Velmora\\Murkle\\", Why::kDriveRoot},
      {"C:", "C:\\Program Files\\Velmora\\Murkle\\", Why::kDriveRoot},
      {"\\\\srv\\share", "\\\\srv\\share\\Murkle\\", Why::kDriveRoot},
      {"Velmora", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNotAbsolute},
      {"C:\\Program Files\\..", "C:\\Program Files\\Velmora\\Murkle\\", Why::kNotAbsolute},
      {"C:\\ゲームア", "C:\\ゲームヂ\\", Why::kNotPrefix}, {"C:\\ゲームア", "C:\\ゲームア\\Murkle\\", Why::kNone},
      {"C:\\ソフト", "C:\\ソフト\\Murkle\\", Why::kNone}, {"C:\\表", "C:\\表\\能\\", Why::kNone},
      {"C:\\表", "C:\\表能\\", Why::kNotPrefix}};
  for (const auto& c : created) {
    if (!ansi(c.created, &a) || !ansi(c.dir, &b)) continue;
    EXPECT_EQ(static_cast<int>(CheckCreatedDir(a.c_str(), b.c_str())), static_cast<int>(c.why))
        << "created \"" << c.created << "\" for \"" << c.dir << "\"";
  }

  // Where 83 leads two bytes, an 83 without a proper second byte begins no
  // character: a name or folder with one is refused, here the first half of
  // "C:\ソ" standing for it.
  if (IsDBCSLeadByte(0x83)) {
    EXPECT_FALSE(IsPlainFileName("x\x83"));
    EXPECT_FALSE(IsPlainFileName("x\x83:"));
    EXPECT_FALSE(IsAbsolutePlainPath("C:\\x\x83"));
    EXPECT_EQ(static_cast<int>(CheckCreatedDir("C:\\\x83", "C:\\\x83\\\x83\x74\\")),
              static_cast<int>(Why::kNotAbsolute));
  }
}

TEST(UninstallPathChecks, SameDirectoryAsksTheFileSystem) {
  test::ScratchDir scratch("uninst_samedir");
  std::string dir = scratch / "A rather long folder name";
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  EXPECT_TRUE(SameDirectory(dir.c_str(), (dir + "\\").c_str()));
  std::string upper = dir;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(SameDirectory(upper.c_str(), dir.c_str()));
  char short_path[MAX_PATH] = "";
  DWORD n = GetShortPathNameA(dir.c_str(), short_path, sizeof short_path);
  if (n > 0 && n < sizeof short_path && _stricmp(short_path, dir.c_str()) != 0) {
    EXPECT_TRUE(SameDirectory(short_path, dir.c_str())) << short_path;
  }
  std::string other = scratch / "other";
  ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
  EXPECT_FALSE(SameDirectory(other.c_str(), dir.c_str()));
  // Second bytes 41 and 61 in code page 932: two folders, not two spellings.
  std::string a, b;
  if (test::InCodePage("ゲームア", &a) && test::InCodePage("ゲームヂ", &b)) {
    ASSERT_TRUE(CreateDirectoryA((scratch / a).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((scratch / b).c_str(), nullptr));
    EXPECT_FALSE(SameDirectory((scratch / a).c_str(), (scratch / b).c_str()));
    EXPECT_TRUE(SameDirectory((scratch / a).c_str(), (scratch / a + "\\").c_str()));
  }
  EXPECT_FALSE(SameDirectory((scratch / "missing").c_str(), (scratch / "missing2").c_str()));
}

// A record folder with uninst.ini written key by key through the profile writer.
class RecordTest : public ::testing::Test {
 protected:
  // A blank in the folder, as in Program Files: an unquoted command then names
  // its program only while that file is there.
  RecordTest() : scratch_("uninst_record"), dir_(scratch_.path() + "\\Velmora\\Murkle Game\\") {}
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryA((scratch_.path() + "\\Velmora").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    report_ = std::make_unique<UninstallReport>();
    plan_ = std::make_unique<UninstallPlan>();
  }
  void Put(const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), (dir_ + "uninst.ini").c_str());
  }
  void WriteValid() {
    Put("COMMON", "provider", "Velmora");
    Put("COMMON", "program", "Murkle");
    Put("COMMON", "created_file_dir", scratch_.path() + "\\Velmora");
    Put("COMMON", "file_dir", dir_);
    Put("COMMON", "created_shortcut_dir", scratch_.path() + "\\Group");
    Put("COMMON", "shortcut_dir", scratch_.path() + "\\Group\\");
    Put("COMMON", "desktop_shortcut", "1");
    Put("COMMON", "desk_sc_name", "Murkle.lnk");
    Put("FILES", "f00", "murkle.exe");
    Put("FILES", "f01", "uninst.ini");
    Put("SHORTCUTS", "s00", "Murkle.lnk");
  }
  RecordStatus Read() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, (dir_ + "uninst.ini").c_str());
    error_ = 0xdeadbeef;
    return ReadUninstallRecord(dir_.c_str(), plan_.get(), report_.get(), &error_);
  }
  // The report's lines of one result, "text:why;" each (for refusals the text
  // is "key=value").
  std::string Lines(Result result = Result::kRefused) const {
    std::string out;
    for (int i = 0; i < report_->line_count; ++i)
      if (report_->lines[i].result == result)
        out += std::string(report_->lines[i].text) + ":" + std::to_string(static_cast<int>(report_->lines[i].why)) + ";";
    return out;
  }

  test::ScratchDir scratch_;
  std::string dir_;
  std::unique_ptr<UninstallReport> report_;
  std::unique_ptr<UninstallPlan> plan_;
  DWORD error_ = 0;
};

TEST_F(RecordTest, ValidRecordIsReadWhole) {
  WriteValid();
  ASSERT_EQ(Read(), RecordStatus::kOk);
  EXPECT_EQ(error_, 0u) << "error is cleared on success";
  EXPECT_STREQ(plan_->provider, "Velmora");
  EXPECT_STREQ(plan_->file_dir, dir_.c_str());
  EXPECT_EQ(plan_->created_file_dir, scratch_.path() + "\\Velmora");
  EXPECT_EQ(plan_->file_count, 2);
  EXPECT_STREQ(plan_->files[1], "uninst.ini");
  EXPECT_EQ(plan_->shortcut_count, 1);
  EXPECT_STREQ(plan_->desk_sc_name, "Murkle.lnk");
  EXPECT_EQ(Lines(), "");
}

TEST_F(RecordTest, MissingUnreadableAndDamagedRecordsGiveNothing) {
  EXPECT_EQ(Read(), RecordStatus::kMissing);
  // A folder where the file should be cannot be opened as one.
  ASSERT_TRUE(CreateDirectoryA((dir_ + "uninst.ini").c_str(), nullptr));
  EXPECT_EQ(Read(), RecordStatus::kUnreadable);
  EXPECT_NE(error_, 0xdeadbeefu) << "the error number is reported";
  EXPECT_NE(error_, 0u);
  RemoveDirectoryA((dir_ + "uninst.ini").c_str());

  Put("FILES", "f00", "murkle.exe");
  EXPECT_EQ(Read(), RecordStatus::kDamaged) << "no [COMMON]";
  struct Case { const char* key; std::string value; RecordStatus status; } cases[] = {
      {"file_dir", "", RecordStatus::kDamaged},
      {"file_dir", "Velmora\\Murkle\\", RecordStatus::kDamaged},
      {"file_dir", dir_ + std::string(300, 'x') + "\\", RecordStatus::kDamaged},
      {"file_dir", scratch_.path() + "\\Velmora\\", RecordStatus::kForeign},
      {"provider", "Microsoft\\Windows", RecordStatus::kDamaged},
      {"program", "", RecordStatus::kDamaged},
      {"program", std::string(64, 'p'), RecordStatus::kDamaged},
      {"file_dir", dir_.substr(0, dir_.size() - 1), RecordStatus::kOk},  // the backslash is added
  };
  for (const auto& c : cases) {
    WriteValid();
    Put("COMMON", c.key, c.value);
    EXPECT_EQ(Read(), c.status) << c.key << "=" << c.value;
  }
  WriteValid();
  WritePrivateProfileStringA("FILES", nullptr, nullptr, (dir_ + "uninst.ini").c_str());
  EXPECT_EQ(Read(), RecordStatus::kDamaged) << "no [FILES]";
}

TEST_F(RecordTest, UntrustworthyEntriesAreRefusedOneByOne) {
  WriteValid();
  Put("FILES", "f02", "..\\secret.txt");
  Put("FILES", "f03", "C:\\Windows\\win.ini");
  Put("FILES", "f04", "*.exe");
  Put("FILES", "f05", std::string(64, 'n'));
  Put("FILES", "f07", "gap.txt");  // f06 missing
  Put("FILES", "g00", "other.txt");
  Put("SHORTCUTS", "s01", "murkle.exe");
  Put("COMMON", "created_file_dir", "C:\\");
  Put("COMMON", "created_shortcut_dir", scratch_.path() + "\\Gro");
  Put("COMMON", "desk_sc_name", "..\\x.lnk");
  ASSERT_EQ(Read(), RecordStatus::kOk);
  std::string refusals = Lines();
  const std::string expected[] = {
      "f02=..\\secret.txt:" + std::to_string(static_cast<int>(Why::kNotPlainName)),
      "f03=C:\\Windows\\win.ini:" + std::to_string(static_cast<int>(Why::kNotPlainName)),
      "f04=*.exe:" + std::to_string(static_cast<int>(Why::kNotPlainName)),
      "f05=" + std::string(64, 'n') + ":" + std::to_string(static_cast<int>(Why::kOverlong)),
      "f07=gap.txt:" + std::to_string(static_cast<int>(Why::kOutOfSequence)),
      "g00=other.txt:" + std::to_string(static_cast<int>(Why::kUnknownKey)),
      "s01=murkle.exe:" + std::to_string(static_cast<int>(Why::kNotALink)),
      "created_file_dir=C:\\:" + std::to_string(static_cast<int>(Why::kDriveRoot)),
      "created_shortcut_dir=" + scratch_.path() + "\\Gro:" + std::to_string(static_cast<int>(Why::kNotPrefix)),
      "desk_sc_name=..\\x.lnk:" + std::to_string(static_cast<int>(Why::kNotPlainName))};
  for (const auto& e : expected) EXPECT_NE(refusals.find(e + ";"), std::string::npos) << e << "\nin: " << refusals;
  EXPECT_EQ(plan_->file_count, 6) << "f00..f05 keep their places";
  for (int i = 2; i < 6; ++i) EXPECT_STREQ(plan_->files[i], "") << "refused f0" << i << " names nothing";
  EXPECT_STREQ(plan_->created_file_dir, "");
  EXPECT_STREQ(plan_->created_shortcut_dir, "");
  EXPECT_STREQ(plan_->desk_sc_name, "");
}

TEST_F(RecordTest, DuplicateKeyKeepsTheFirst) {
  WriteValid();
  // The profile writer never writes a key twice: append one by hand.
  std::string text = test::ReadWholeFile(dir_ + "uninst.ini");
  size_t at = text.find("f01=uninst.ini");
  ASSERT_NE(at, std::string::npos);
  text.insert(at, "f00=..\\evil.txt\r\n");
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "uninst.ini", text));
  ASSERT_EQ(Read(), RecordStatus::kOk);
  EXPECT_STREQ(plan_->files[0], "murkle.exe");
  EXPECT_NE(Lines().find("f00=..\\evil.txt:" + std::to_string(static_cast<int>(Why::kDuplicate))),
            std::string::npos)
      << Lines();
}

// Removal with real files and keys, through the logic alone.
TEST_F(RecordTest, FileInUseKeepsTheWayBackThenASecondRunFinishes) {
  WriteValid();
  Put("COMMON", "provider", "VelmoraTestP1");
  Put("COMMON", "program", "MurkleTestP1");
  Put("COMMON", "created_shortcut_dir", "");
  Put("COMMON", "shortcut_dir", "");
  Put("COMMON", "desktop_shortcut", "0");
  WritePrivateProfileStringA("SHORTCUTS", nullptr, nullptr, (dir_ + "uninst.ini").c_str());
  Put("FILES", "f02", "readme.txt");
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "murkle.exe", "game"));
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "readme.txt", "text"));
  SetFileAttributesA((dir_ + "murkle.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  // More refused lines than the report holds: they must not hide the file in use.
  std::string refused;
  for (int i = 100; i < 1000; ++i) refused += "f" + std::to_string(i) + "=x.txt\r\n";
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "uninst.ini", test::ReadWholeFile(dir_ + "uninst.ini") + refused));
  const std::string product = "Software\\VelmoraTestP1\\MurkleTestP1";
  const std::string entry = std::string(kUninstallKeyRoot) + "\\VelmoraTestP1_MurkleTestP1";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, product.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string command = "\"" + dir_ + "uninstall.exe\"";
  RegSetValueExA(key, kUninstallStringValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
  ASSERT_EQ(Read(), RecordStatus::kOk);
  ASSERT_EQ(report_->Count(Result::kRefused), 900);
  RemovalPlaces places = {"", "uninstall.exe", false};
  {
    // Open without sharing: the file is in use.
    HANDLE busy = CreateFileA((dir_ + "murkle.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    RemoveInstallation(*plan_, places, report_.get());
    CloseHandle(busy);
  }
  EXPECT_TRUE(report_->LeftInstalledItems());
  EXPECT_EQ(report_->Count(What::kFile, Result::kLeft), 2) << "murkle.exe in use, uninst.ini kept";
  EXPECT_EQ(report_->Count(What::kFile, Result::kRemoved), 1) << "readme.txt, though the lines ran out";
  EXPECT_TRUE(test::DirectoryExists(dir_));
  HKEY probe;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, product.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS)
      << "the product key stays for the second run";
  RegCloseKey(probe);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS)
      << "so does the uninstall entry";
  RegCloseKey(probe);
  // The record now lists what is left, and nothing it refused.
  const std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(dir_ + "uninst.ini"));
  auto files = std::find(lines.begin(), lines.end(), "[FILES]");
  ASSERT_NE(files, lines.end());
  EXPECT_EQ(std::vector<std::string>(files, lines.end()),
            (std::vector<std::string>{"[FILES]", "f00=murkle.exe", "f01=uninst.ini"}));

  auto second = std::make_unique<UninstallReport>();
  ASSERT_EQ(Read(), RecordStatus::kOk);
  RemoveInstallation(*plan_, places, second.get());
  EXPECT_FALSE(second->LeftInstalledItems());
  EXPECT_FALSE(test::FileExists(dir_ + "murkle.exe")) << "read-only, but ours";
  EXPECT_FALSE(test::DirectoryExists(scratch_.path() + "\\Velmora")) << "created_file_dir";
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmoraTestP1", 0, KEY_READ, &probe), ERROR_SUCCESS)
      << "the emptied maker key goes too";
  EXPECT_EQ(second->Count(What::kRegistryKey, Result::kRemoved), 3) << "product, maker, entry";
  RegDeleteKeyA(HKEY_CURRENT_USER, product.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelmoraTestP1");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.c_str());
}

// The uninstall entry and the product key go only on the word of an entry of
// this installation's own: one whose command starts a program in its folder
// (arguments after it or not). Ours, the entry loses the two values the
// installer wrote, and the key goes unless something else is left in it. An
// entry of ours that cannot be deleted keeps the uninstaller and its record.
TEST_F(RecordTest, UninstallEntriesGoOnlyWhenOurs) {
  const std::string other = scratch_.path() + "\\Other\\uninstall.exe";
  ASSERT_TRUE(CreateDirectoryA((scratch_.path() + "\\Other").c_str(), nullptr));
  ASSERT_TRUE(test::WriteWholeFile(other, "another installation's uninstaller"));
  const std::string entry = std::string(kUninstallKeyRoot) + "\\VelmoraTestP2_MurkleTestP2";
  const std::string product = "Software\\VelmoraTestP2\\MurkleTestP2";
  struct Case {
    const char* what;
    std::string command;  // empty: no entry at all
    bool foreign_leftovers;
    bool entry_stays, product_stays, other_installation;
    bool denied;  // the entry's security refuses deleting it and setting its values
  } cases[] = {
      {"ours", "\"" + dir_ + "uninstall.exe\"", false, false, false, false, false},
      {"ours, with an argument", "\"" + dir_ + "uninstall.exe\" /quiet", false, false, false, false, false},
      {"ours, unquoted", dir_ + "uninstall.exe", false, false, false, false, false},
      {"ours, unquoted with an argument", dir_ + "uninstall.exe /S", false, false, false, false, false},
      {"ours over a foreign entry's values and key", "\"" + dir_ + "uninstall.exe\"", true, true, false, false, false},
      {"another installation's", "\"" + other + "\"", false, true, true, true, false},
      {"naming nothing that exists", "\"C:\\Elsewhere\\uninstall.exe\"", false, true, true, false, false},
      {"no entry: a record alone names no key", "", false, false, true, false, false},
      {"ours, access denied", dir_ + "uninstall.exe /S", false, true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!test::DirectoryExists(dir_)) SetUp();  // the last case's removal took the folders
    report_ = std::make_unique<UninstallReport>();
    WriteValid();
    Put("COMMON", "provider", "VelmoraTestP2");
    Put("COMMON", "program", "MurkleTestP2");
    Put("COMMON", "desktop_shortcut", "0");
    Put("FILES", "f02", "uninstall.exe");
    ASSERT_TRUE(test::WriteWholeFile(dir_ + "uninstall.exe", "the uninstaller"));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, product.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    if (!c.command.empty()) {
      ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
                ERROR_SUCCESS);
      RegSetValueExA(key, kUninstallStringValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.command.c_str()),
                     static_cast<DWORD>(c.command.size() + 1));
      RegSetValueExA(key, kDisplayNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
      if (c.foreign_leftovers) {
        RegSetValueExA(key, "Publisher", 0, REG_SZ, reinterpret_cast<const BYTE*>("Someone"), 8);
        HKEY sub;
        RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        RegCloseKey(sub);
      }
      RegCloseKey(key);
    }
    // Everyone may read the entry and change its security, no one delete it
    // or set its values (Wine holds a key to the second alone).
    auto secure = [&](const char* sddl) {
      PSECURITY_DESCRIPTOR sd = nullptr;
      HKEY held;
      ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr));
      ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, WRITE_DAC, &held), ERROR_SUCCESS);
      EXPECT_EQ(RegSetKeySecurity(held, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
      RegCloseKey(held);
      LocalFree(sd);
    };
    if (c.denied) {
      ASSERT_NO_FATAL_FAILURE(secure("D:(D;;0x10002;;;WD)(A;;0xF003F;;;WD)"));
      HKEY probe;
      ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_SET_VALUE | DELETE, &probe),
                ERROR_ACCESS_DENIED)
          << "the system does not hold the key to its security";
    }
    ASSERT_EQ(Read(), RecordStatus::kOk);
    RemovalPlaces places = {"", "uninstall.exe", false};
    RemoveInstallation(*plan_, places, report_.get());
    if (c.denied) {
      ASSERT_NO_FATAL_FAILURE(secure("D:(A;;0xF003F;;;WD)"));
    }
    EXPECT_EQ(test::KeyExists(HKEY_LOCAL_MACHINE, entry), c.entry_stays);
    EXPECT_EQ(test::KeyExists(HKEY_CURRENT_USER, product), c.product_stays);
    EXPECT_EQ(report_->other_installation, c.other_installation);
    // The way back stays with an entry of ours that stays.
    EXPECT_EQ(test::FileExists(dir_ + "uninstall.exe"), c.denied);
    EXPECT_EQ(test::FileExists(dir_ + "uninst.ini"), c.denied);
    if (c.denied) {
      EXPECT_NE(Lines(Result::kLeft).find("HKEY_LOCAL_MACHINE\\" + entry + ":" +
                                          std::to_string(static_cast<int>(Why::kInUse)) + ";"),
                std::string::npos)
          << Lines(Result::kLeft);
      EXPECT_NE(test::ReadWholeFile(dir_ + "uninst.ini").find("[FILES]\r\nf00=uninst.ini\r\nf01=uninstall.exe\r\n"),
                std::string::npos)
          << "the record lists what is left";
    }
    if (c.foreign_leftovers) {
      EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, entry), 1) << "only the foreign value stays";
      EXPECT_NE(Lines(Result::kLeft).find("HKEY_LOCAL_MACHINE\\" + entry + ":"), std::string::npos) << Lines(Result::kLeft);
    }
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, entry);
    test::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\VelmoraTestP2");
  }
}

// A link held open without read sharing may be ours: it stays, named as in
// use, and so do the uninstaller and its record, which still lists it. Once it is free a second run finishes; the destination folder, held open
// then, is named as the one thing left to delete by hand.
TEST_F(RecordTest, HeldLinkKeepsTheWayBackThenAHeldFolderIsLeftByHand) {
  ComScope com;
  const std::string group = scratch_.path() + "\\Group\\";
  ASSERT_TRUE(CreateDirectoryA(group.c_str(), nullptr));
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "murkle.exe", "game"));
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "uninstall.exe", "the uninstaller"));
  ASSERT_EQ(CreateShortcut((dir_ + "murkle.exe").c_str(), (group + "Murkle.lnk").c_str(), "x"), S_OK);
  WriteValid();
  Put("COMMON", "provider", "VelmoraTestP4");
  Put("COMMON", "program", "MurkleTestP4");
  Put("COMMON", "desktop_shortcut", "0");
  Put("FILES", "f02", "uninstall.exe");
  ASSERT_EQ(Read(), RecordStatus::kOk);
  RemovalPlaces places = {"", "uninstall.exe", false};
  HANDLE held = CreateFileA((group + "Murkle.lnk").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RemoveInstallation(*plan_, places, report_.get());
  CloseHandle(held);
  EXPECT_TRUE(test::FileExists(group + "Murkle.lnk"));
  EXPECT_NE(Lines(Result::kLeft).find(group + "Murkle.lnk:" + std::to_string(static_cast<int>(Why::kInUse)) + ";"),
            std::string::npos)
      << Lines(Result::kLeft);
  EXPECT_TRUE(test::FileExists(dir_ + "uninstall.exe"));
  EXPECT_NE(test::ReadWholeFile(dir_ + "uninst.ini").find("s00=Murkle.lnk"), std::string::npos)
      << "the record still lists the link";

  report_ = std::make_unique<UninstallReport>();
  ASSERT_EQ(Read(), RecordStatus::kOk);
  held = CreateFileA(dir_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RemoveInstallation(*plan_, places, report_.get());
  CloseHandle(held);
  EXPECT_FALSE(test::FileExists(group + "Murkle.lnk"));
  EXPECT_FALSE(test::FileExists(dir_ + "uninstall.exe") || test::FileExists(dir_ + "uninst.ini"));
  char text[2048];
  FormatReport(*plan_, *report_, GetModuleHandleA(nullptr), text, sizeof text);
  EXPECT_EQ(std::string(text).find("MurkleTestP4 by VelmoraTestP4 was removed from this computer, all but its folder " +
                                   dir_.substr(0, dir_.size() - 1) + ", which was in use."),
            0u)
      << text;
  EXPECT_TRUE(RemoveDirectoryA(dir_.c_str()));
}

// A record changed by hand to name what is not this installation's: links
// that lead elsewhere or are no links, a product key holding a value, and a
// folder of the system. Each is kept and named with its reason; what is this
// installation's still goes.
TEST_F(RecordTest, WhatIsNotThisInstallationsIsKeptAndNamed) {
  ComScope com;
  const std::string group = scratch_.path() + "\\Group\\", desktop = scratch_.path() + "\\Desktop";
  for (const std::string& dir : {group, desktop}) ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  ASSERT_TRUE(test::WriteWholeFile(dir_ + "murkle.exe", "game"));
  const std::string mine = scratch_.path() + "\\letter.txt";
  ASSERT_TRUE(test::WriteWholeFile(mine, "mine"));
  ASSERT_EQ(CreateShortcut((dir_ + "murkle.exe").c_str(), (group + "Murkle.lnk").c_str(), "x"), S_OK);
  ASSERT_EQ(CreateShortcut(mine.c_str(), (group + "Important.lnk").c_str(), "x"), S_OK);
  ASSERT_EQ(CreateShortcut(mine.c_str(), (desktop + "\\Murkle.lnk").c_str(), "x"), S_OK);
  ASSERT_TRUE(test::WriteWholeFile(group + "Fake.lnk", "not a link at all"));
  WriteValid();
  Put("COMMON", "provider", "VelmoraTestP3");
  Put("COMMON", "program", "MurkleTestP3");
  Put("SHORTCUTS", "s01", "Important.lnk");
  Put("SHORTCUTS", "s02", "Fake.lnk");
  const std::string product = "Software\\VelmoraTestP3\\MurkleTestP3";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, product.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Volume", 0, REG_SZ, reinterpret_cast<const BYTE*>("7"), 2);
  RegCloseKey(key);
  const std::string entry = std::string(kUninstallKeyRoot) + "\\VelmoraTestP3_MurkleTestP3";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string command = dir_ + "uninstall.exe";
  RegSetValueExA(key, kUninstallStringValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
  ASSERT_EQ(Read(), RecordStatus::kOk);
  RemovalPlaces places = {desktop.c_str(), "uninstall.exe", false};
  RemoveInstallation(*plan_, places, report_.get());
  test::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\VelmoraTestP3");
  test::DeleteKeyTree(HKEY_LOCAL_MACHINE, entry);

  EXPECT_FALSE(test::FileExists(group + "Murkle.lnk")) << "the installation's own link";
  EXPECT_TRUE(test::FileExists(group + "Important.lnk") && test::FileExists(desktop + "\\Murkle.lnk"));
  const std::string kept = Lines(Result::kLeft);
  for (const std::string& line :
       {group + "Important.lnk:" + std::to_string(static_cast<int>(Why::kNotOurLink)),
        group + "Fake.lnk:" + std::to_string(static_cast<int>(Why::kNotOurLink)),
        desktop + "\\Murkle.lnk:" + std::to_string(static_cast<int>(Why::kNotOurLink)),
        "HKEY_CURRENT_USER\\" + product + ":" + std::to_string(static_cast<int>(Why::kHasValues)),
        scratch_.path() + "\\Group:" + std::to_string(static_cast<int>(Why::kNotEmpty))})
    EXPECT_NE(kept.find(line + ";"), std::string::npos) << line << "\nin: " << kept;
  EXPECT_FALSE(report_->LeftInstalledItems()) << "nothing of the installation's own was left";

  // The prefix's own Documents folder named as the program group: kept, empty as it is.
  const std::string documents = test::SpecialFolder(CSIDL_PERSONAL);
  std::set<std::string> inside;
  test::ListFiles(documents, &inside);
  ASSERT_TRUE(test::DirectoryExists(documents) && inside.empty()) << documents << " must exist and be empty";
  SetUp();  // the first removal took the record and its folders
  WriteValid();
  Put("COMMON", "provider", "VelmoraTestP3");
  Put("COMMON", "program", "MurkleTestP3");
  Put("COMMON", "desktop_shortcut", "0");
  Put("COMMON", "created_shortcut_dir", documents);
  Put("COMMON", "shortcut_dir", documents + "\\");
  WritePrivateProfileStringA("SHORTCUTS", nullptr, nullptr, (dir_ + "uninst.ini").c_str());
  ASSERT_EQ(Read(), RecordStatus::kOk);
  RemoveInstallation(*plan_, places, report_.get());
  bool documents_kept = test::DirectoryExists(documents);
  if (!documents_kept) CreateDirectoryA(documents.c_str(), nullptr);
  EXPECT_TRUE(documents_kept) << "the user's Documents folder was removed";
  EXPECT_NE(Lines(Result::kLeft).find(documents + ":" + std::to_string(static_cast<int>(Why::kSystemFolder))),
            std::string::npos);

  // A user's empty folder named as the made one above a group that is not
  // there: no links of the installation were in it, so it proves nothing.
  const std::string users = scratch_.path() + "\\Sub";
  ASSERT_TRUE(CreateDirectoryA(users.c_str(), nullptr));
  SetUp();
  WriteValid();
  Put("COMMON", "desktop_shortcut", "0");
  Put("COMMON", "created_shortcut_dir", users);
  Put("COMMON", "shortcut_dir", users + "\\Murkle\\");
  ASSERT_EQ(Read(), RecordStatus::kOk);
  RemoveInstallation(*plan_, places, report_.get());
  EXPECT_TRUE(test::DirectoryExists(users)) << "the user's folder was removed";
}

TEST(UninstallReportText, BoundedAndComplete) {
  auto plan = std::make_unique<UninstallPlan>();
  EXPECT_TRUE(CopyText(plan->program, "Murkle"));
  EXPECT_TRUE(CopyText(plan->provider, "Velmora"));
  auto report = std::make_unique<UninstallReport>();
  report->Add(What::kFile, Result::kRemoved, Why::kNone, 0, "C:\\M\\a");
  report->Add(What::kFolder, Result::kLeft, Why::kNotEmpty, 0, "C:\\M");
  report->Add(What::kFile, Result::kLeft, Why::kFailed, 1234, "C:\\M\\b");
  report->Add(What::kRecordEntry, Result::kRefused, Why::kNotPlainName, 0, "f01=..\\x");
  HINSTANCE self = GetModuleHandleA(nullptr);
  char text[1024];
  FormatReport(*plan, *report, self, text, sizeof text);
  EXPECT_STREQ(text,
               "Murkle by Velmora was not removed completely.\r\n\r\nRemoved: 1 file(s)\r\n\r\nEach player's "
               "high-score table is kept, in that player's own profile.\r\n\r\nLeft in place:"
               "\r\n    C:\\M (holds files that were not installed)\r\n    C:\\M\\b (error 1234)\r\n\r\n"
               "Entries of uninst.ini that were refused (nothing was removed for them):\r\n    f01=..\\x (not a "
               "plain file name)");
  // A short buffer ends in "..." and nothing after it is touched.
  char small[40 + 8];
  memset(small, 0x5a, sizeof small);
  FormatReport(*plan, *report, self, small, 40);
  EXPECT_EQ(strlen(small), 39u);
  EXPECT_STREQ(small + 36, "...");
  for (size_t i = 40; i < sizeof small; ++i) EXPECT_EQ(small[i], 0x5a) << "guard byte " << i;
  // More lines than the report holds are counted, not written, and still count.
  report = std::make_unique<UninstallReport>();
  for (int i = 0; i < UninstallReport::kMaxLines + 3; ++i)
    report->Add(What::kFile, Result::kRemoved, Why::kNone, 0, "x");
  report->Add(What::kFile, Result::kLeft, Why::kInUse, 0, "y");
  EXPECT_EQ(report->line_count, UninstallReport::kMaxLines);
  EXPECT_EQ(report->dropped, 4);
  EXPECT_EQ(report->Count(What::kFile, Result::kRemoved), UninstallReport::kMaxLines + 3);
  EXPECT_TRUE(report->LeftInstalledItems()) << "a line that did not fit";
}

}  // namespace
