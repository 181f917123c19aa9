// The built uninstaller, run as the uninstall entry's command runs it, on
// hand-made installations that look exactly like what the installer leaves.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/com.h"
#include "common/shell_links.h"
#include "common/uninstall_format.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

std::string WithoutSlash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Entries of dir whose names start with prefix, with everything below them.
void ListMatching(const std::string& dir, const std::string& prefix, std::set<std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\" + prefix + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string path = dir + "\\" + found.cFileName;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->insert(path + "\\");
      test::ListFiles(path, out);
    } else {
      out->insert(path);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
}


// One hand-made installation with names of its own (tag), so that no test can
// remove anything of another test or of the prefix. Everything is removed on
// destruction, whatever the uninstaller left.
class HandMadeInstallation {
  std::string tag_;
  test::ScratchDir scratch_;

 public:
  HandMadeInstallation(const std::string& tag, bool desktop)
      : tag_(tag),
        scratch_("uninst_" + tag),
        provider("VelmoraTest" + tag),
        program("MurkleTest" + tag),
        programs_(test::SpecialFolder(CSIDL_PROGRAMS)),
        desktop_dir_(test::SpecialFolder(CSIDL_DESKTOPDIRECTORY)),
        desktop_(desktop) {
    parent = scratch_ / "Programs";
    created_file_dir = parent + "\\" + provider;
    file_dir = created_file_dir + "\\" + program + "\\";
    created_shortcut_dir = programs_ + "\\" + provider + " group";
    shortcut_dir = created_shortcut_dir + "\\" + program + "\\";
    desk_sc_name = desktop ? program + ".lnk" : "";
    files = {"murkle.exe", "murkle.dat", "licence.txt", "uninstall.exe", "marsh.jpg", "uninst.ini"};
    links = {"Murkle.lnk", "Murkle licence.lnk", "Uninstall Murkle .lnk"};
    product_key = "Software\\" + provider + "\\" + program;
    uninstall_key = std::string(kUninstallKeyRoot) + "\\" + provider + "_" + program;
  }
  ~HandMadeInstallation() {
    test::RemoveTree(created_shortcut_dir);
    test::RemoveTree(programs_ + "\\" + provider + " decoy");
    if (!desk_sc_name.empty()) DeleteFileA((desktop_dir_ + "\\" + desk_sc_name).c_str());
    DeleteFileA((desktop_dir_ + "\\" + program + " decoy.lnk").c_str());
    test::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\" + provider);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, uninstall_key);
  }

  bool Usable() const { return !programs_.empty() && !desktop_dir_.empty(); }
  std::string Uninstaller() const { return file_dir + "uninstall.exe"; }
  std::string Record() const { return file_dir + "uninst.ini"; }
  std::string Caption() const { return program + " Uninstall"; }
  std::string DesktopLink() const { return desktop_dir_ + "\\" + desk_sc_name; }

  // Makes everything the installer makes, plus decoys next to it that must
  // survive every uninstall.
  void Make() {
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr)) << parent;
    ASSERT_TRUE(CreateDirectoryA(created_file_dir.c_str(), nullptr)) << created_file_dir;
    ASSERT_TRUE(CreateDirectoryA(file_dir.c_str(), nullptr)) << file_dir;
    for (size_t i = 0; i + 1 < files.size(); ++i) {
      std::string target = file_dir + files[i];
      if (files[i] == "uninstall.exe") {
        ASSERT_TRUE(CopyFileA(TEST_INSTALLER_PAYLOAD_DIR "\\uninstall.exe", target.c_str(), FALSE)) << target;
      } else {
        ASSERT_TRUE(test::WriteWholeFile(target, test::PseudoText(1000 + 100 * i, static_cast<uint32_t>(i))));
      }
    }
    ASSERT_TRUE(CreateDirectoryA(created_shortcut_dir.c_str(), nullptr)) << created_shortcut_dir;
    ASSERT_TRUE(CreateDirectoryA(shortcut_dir.c_str(), nullptr)) << shortcut_dir;
    for (const std::string& link : links) {
      ASSERT_GE(CreateShortcut((file_dir + "murkle.exe").c_str(), (shortcut_dir + link).c_str(), "Murkle"), 0)
          << link;
    }
    if (desktop_) {
      ASSERT_GE(CreateShortcut((file_dir + "murkle.exe").c_str(), DesktopLink().c_str(), "Murkle"), 0);
    }
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, uninstall_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    std::string display = provider + " - " + program, command = Uninstaller();
    RegSetValueExA(key, kDisplayNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(display.c_str()),
                   static_cast<DWORD>(display.size() + 1));
    RegSetValueExA(key, kUninstallStringValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    WriteRecord();

    // Decoys: a file beside the destination, a program group and a desktop
    // link with names like ours, and a file one level up.
    ASSERT_TRUE(test::WriteWholeFile(parent + "\\readme.txt", "not ours"));
    ASSERT_TRUE(test::WriteWholeFile(scratch_ / "victim.txt", "not ours"));
    std::string decoy_group = programs_ + "\\" + provider + " decoy";
    ASSERT_TRUE(CreateDirectoryA(decoy_group.c_str(), nullptr));
    ASSERT_TRUE(test::WriteWholeFile(decoy_group + "\\Murkle.lnk", "not ours"));
    ASSERT_TRUE(test::WriteWholeFile(desktop_dir_ + "\\" + program + " decoy.lnk", "not ours"));
  }

  // uninst.ini exactly as the installer writes it: key by key, in order.
  void WriteRecord() const {
    std::string ini = Record();
    DeleteFileA(ini.c_str());
    auto put = [&](const char* section, const std::string& key, const std::string& value) {
      WritePrivateProfileStringA(section, key.c_str(), value.c_str(), ini.c_str());
    };
    put("COMMON", "provider", provider);
    put("COMMON", "program", program);
    put("COMMON", "created_file_dir", created_file_dir);
    put("COMMON", "file_dir", file_dir);
    put("COMMON", "created_shortcut_dir", created_shortcut_dir);
    put("COMMON", "shortcut_dir", shortcut_dir);
    put("COMMON", "desktop_shortcut", desktop_ ? "1" : "0");
    put("COMMON", "desk_sc_name", desk_sc_name);
    char key[8];
    for (size_t i = 0; i < files.size(); ++i) {
      snprintf(key, sizeof key, "f%02d", static_cast<int>(i));
      put("FILES", key, files[i]);
    }
    for (size_t i = 0; i < links.size(); ++i) {
      snprintf(key, sizeof key, "s%02d", static_cast<int>(i));
      put("SHORTCUTS", key, links[i]);
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());  // flush the cache
  }

  // Everything of this test's names, on disk and in the registry.
  std::set<std::string> Snapshot() const {
    std::set<std::string> all;
    test::ListFiles(scratch_.path(), &all);
    ListMatching(programs_, provider, &all);
    ListMatching(desktop_dir_, program, &all);
    test::ListKeys(HKEY_CURRENT_USER, "HKCU", "Software", &all, provider, false);
    test::ListKeys(HKEY_LOCAL_MACHINE, "HKLM", kUninstallKeyRoot, &all, provider, false);
    return all;
  }

  // What the installation consists of, as Snapshot names it.
  std::set<std::string> Installed() const {
    std::set<std::string> all;
    all.insert(created_file_dir + "\\");
    all.insert(file_dir);
    for (const auto& f : files) all.insert(file_dir + f);
    all.insert(created_shortcut_dir + "\\");
    all.insert(shortcut_dir);
    for (const auto& l : links) all.insert(shortcut_dir + l);
    if (desktop_) all.insert(DesktopLink());
    all.insert("HKCU\\Software\\" + provider);
    all.insert("HKCU\\" + product_key);
    all.insert("HKLM\\" + uninstall_key);
    return all;
  }

  std::string provider, program, parent, created_file_dir, file_dir, created_shortcut_dir, shortcut_dir,
      desk_sc_name, product_key, uninstall_key;
  std::vector<std::string> files, links;

 private:
  std::string programs_, desktop_dir_;
  bool desktop_;
};

// The working copy must go with its private folder once it has ended.
void ExpectWorkerGone(const test::UninstallRun& run) {
  ASSERT_FALSE(run.worker_path.empty()) << "the worker's file was not found";
  std::string folder = run.worker_path.substr(0, run.worker_path.rfind('\\'));
  bool gone = test::WaitUntil(
      [&] { return !test::FileExists(run.worker_path) && !test::DirectoryExists(folder); }, 10000);
  EXPECT_TRUE(gone) << "left after 10 s: " << (test::FileExists(run.worker_path) ? run.worker_path : folder);
}

class UninstallerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

// With its uninstaller marked read-only, as a copy from a CD would be.
TEST_F(UninstallerTest, FullRoundTripLeavesNothingAndTouchesNothingElse) {
  HandMadeInstallation install("R1", true);
  ASSERT_TRUE(install.Usable()) << "the prefix has no Programs or Desktop folder";
  ASSERT_NO_FATAL_FAILURE(install.Make());
  ASSERT_TRUE(SetFileAttributesA(install.Uninstaller().c_str(), FILE_ATTRIBUTE_READONLY));
  std::set<std::string> before = install.Snapshot();
  std::set<std::string> missing = test::Difference(install.Installed(), before);
  ASSERT_TRUE(missing.empty()) << "the hand-made installation lacks:" << test::Lines(missing);

  test::UninstallRun run = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  EXPECT_TRUE(run.ended) << "the uninstaller did not end";
  EXPECT_NE(run.confirmation.find("remove " + install.program + " by " + install.provider), std::string::npos)
      << "confirmation: " << run.confirmation;
  EXPECT_EQ(run.report.find(install.program + " by " + install.provider + " was removed from this computer."), 0u)
      << "report: " << run.report;
  EXPECT_NE(run.report.find("Removed: 6 file(s), 3 Start-menu link(s), the desktop link, 4 folder(s), "
                            "3 registry key(s)"),
            std::string::npos)
      << "report: " << run.report;
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_NE(_stricmp(run.worker_path.c_str(), install.Uninstaller().c_str()), 0)
      << "the installed uninstaller did the work itself and so cannot have removed its own file";

  std::set<std::string> after = install.Snapshot();
  EXPECT_EQ(after, test::Difference(before, install.Installed()))
      << "left over:" << test::Lines(test::Difference(after, test::Difference(before, install.Installed())))
      << "\nremoved beyond the installation:" << test::Lines(test::Difference(test::Difference(before, install.Installed()), after));
  // The temporary copy took the read-only mark too, and still goes.
  ExpectWorkerGone(run);
}

// The game running (its file open) and a record with more refused lines than
// the report holds: everything else goes, but the uninstall entry, the
// uninstaller and its record stay, rewritten to list what is left, and a
// second run once the game has ended finishes the job.
TEST_F(UninstallerTest, FileInUseKeepsTheWayBackThenASecondRunFinishes) {
  HandMadeInstallation install("R8", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  std::string refused;
  for (int i = 100; i < 1000; ++i) refused += "f" + std::to_string(i) + "=x" + std::to_string(i) + ".txt\r\n";
  ASSERT_TRUE(test::WriteWholeFile(install.Record(), test::ReadWholeFile(install.Record()) + refused));
  const std::set<std::string> before = install.Snapshot();
  HANDLE game = CreateFileA((install.file_dir + "murkle.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(game, INVALID_HANDLE_VALUE);
  test::UninstallRun run = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  CloseHandle(game);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 3u) << run.report;
  EXPECT_EQ(run.report.find(install.program + " by " + install.provider + " was not removed completely."), 0u)
      << run.report;
  EXPECT_NE(run.report.find("Removed: 3 file(s), 3 Start-menu link(s), 2 folder(s)\r\n"), std::string::npos)
      << run.report;
  for (const std::string& kept : {install.file_dir + "murkle.exe (in use or access denied)",
                                  install.Uninstaller() + " (kept so that the uninstaller can be run again)",
                                  WithoutSlash(install.file_dir) + " (holds what was left in place)"})
    EXPECT_NE(run.report.find(kept), std::string::npos) << kept << "\nin: " << run.report;
  EXPECT_NE(run.report.find("... and "), std::string::npos) << "the lines cut from the report are counted";
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, install.uninstall_key));
  EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, install.product_key));
  const std::vector<std::string> lines = test::IniLines(test::ReadWholeFile(install.Record()));
  auto files = std::find(lines.begin(), lines.end(), "[FILES]");
  ASSERT_NE(files, lines.end());
  EXPECT_EQ(std::vector<std::string>(files, files + 4),
            (std::vector<std::string>{"[FILES]", "f00=murkle.exe", "f01=uninstall.exe", "f02=uninst.ini"}));
  ExpectWorkerGone(run);

  run = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  EXPECT_EQ(run.exit_code, 0u) << run.report;
  EXPECT_EQ(install.Snapshot(), test::Difference(before, install.Installed()));
  ExpectWorkerGone(run);
}

TEST_F(UninstallerTest, UsersOwnFileKeepsItsFolderAndIsReported) {
  HandMadeInstallation install("R2", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  std::string own = install.file_dir + "my scores.txt";
  ASSERT_TRUE(test::WriteWholeFile(own, "mine"));
  // Another product of the same maker keeps the maker's key.
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\" + install.provider + "\\Other").c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);

  // Unquoted, as an older uninstall entry has it.
  test::UninstallRun run =
      test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES, /*quoted=*/false);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(test::ReadWholeFile(own), "mine") << "the user's own file";
  EXPECT_TRUE(test::DirectoryExists(install.file_dir)) << "its folder";
  EXPECT_TRUE(test::DirectoryExists(install.created_file_dir)) << "the folder above it";
  for (const auto& f : install.files)
    EXPECT_FALSE(test::FileExists(install.file_dir + f)) << f << " was installed and must go";
  EXPECT_FALSE(test::DirectoryExists(install.created_shortcut_dir)) << "the program group";
  EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, install.product_key));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, install.uninstall_key));
  EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "Software\\" + install.provider + "\\Other")) << "the other product's key";
  std::string expected = "\r\n    " + WithoutSlash(install.file_dir) + " (holds files that were not installed)";
  EXPECT_NE(run.report.find("Left in place:" + expected), std::string::npos) << "report: " << run.report;
  EXPECT_EQ(run.report.find(install.program + " by " + install.provider + " was removed from this computer."), 0u)
      << "report: " << run.report;
  EXPECT_EQ(run.exit_code, 0u) << "a kept folder of the user's files is a complete uninstall";
  ExpectWorkerGone(run);
}

TEST_F(UninstallerTest, DecliningRemovesNothing) {
  HandMadeInstallation install("R3", true);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  std::set<std::string> before = install.Snapshot();
  test::UninstallRun run = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDNO);
  EXPECT_TRUE(run.ended);
  EXPECT_FALSE(run.confirmation.empty()) << "no confirmation was asked";
  EXPECT_TRUE(run.report.empty()) << "unexpected box after No: " << run.report;
  EXPECT_EQ(run.exit_code, 2u);
  std::set<std::string> after = install.Snapshot();
  EXPECT_EQ(after, before) << "removed:" << test::Lines(test::Difference(before, after));
  ExpectWorkerGone(run);
}

TEST_F(UninstallerTest, SecondUninstallFindsNothingAndSaysSo) {
  HandMadeInstallation install("R4", true);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  test::UninstallRun first = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  ASSERT_TRUE(first.ended);
  ASSERT_FALSE(test::FileExists(install.Uninstaller())) << "the first run left its uninstaller";

  // The same record and uninstaller once more, as a copy kept elsewhere would bring them back.
  ASSERT_TRUE(CreateDirectoryA(install.created_file_dir.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(install.file_dir.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(TEST_INSTALLER_PAYLOAD_DIR "\\uninstall.exe", install.Uninstaller().c_str(), FALSE));
  install.WriteRecord();
  std::set<std::string> before = install.Snapshot();
  test::UninstallRun second = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  EXPECT_TRUE(second.ended);
  EXPECT_TRUE(second.confirmation.empty()) << "asked to remove what is not there: " << second.confirmation;
  EXPECT_EQ(second.report, "None of the files, links or registry entries of " + install.program + " by " +
                               install.provider + " were found. Nothing was removed.");
  EXPECT_EQ(install.Snapshot(), before);
  ExpectWorkerGone(second);

  // Without its record the uninstaller says so and removes nothing.
  DeleteFileA(install.Record().c_str());
  before = install.Snapshot();
  test::UninstallRun bare = test::RunInstalledUninstaller(install.Uninstaller(), "Uninstall", IDYES);
  EXPECT_EQ(bare.report, "The uninstall record " + install.Record() + " was not found. Nothing was removed.");
  EXPECT_EQ(bare.exit_code, 1u);
  EXPECT_EQ(install.Snapshot(), before);
  ExpectWorkerGone(bare);
}

TEST_F(UninstallerTest, HostileRecordRemovesNothingOutsideAndReportsRefusals) {
  HandMadeInstallation install("R5", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  std::string ini = install.Record();
  std::string victim = install.parent + "\\readme.txt";
  std::string outside = WithoutSlash(install.parent);
  outside = outside.substr(0, outside.rfind('\\')) + "\\victim.txt";
  auto put = [&](const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), ini.c_str());
  };
  put("FILES", "f01", "..\\..\\readme.txt");
  put("FILES", "f02", outside);
  put("FILES", "f04", "*.*");
  put("COMMON", "created_file_dir", "C:\\");
  put("COMMON", "created_shortcut_dir", install.created_shortcut_dir.substr(0, install.created_shortcut_dir.size() - 3));
  put("SHORTCUTS", "s01", "..\\..\\" + install.provider + " decoy\\Murkle.lnk");
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  std::set<std::string> before = install.Snapshot();

  test::UninstallRun run = test::RunInstalledUninstaller(install.Uninstaller(), install.Caption(), IDYES);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(test::ReadWholeFile(victim), "not ours");
  EXPECT_EQ(test::ReadWholeFile(outside), "not ours");
  // Refused folders are not removed, even empty ones.
  EXPECT_TRUE(test::DirectoryExists(install.file_dir));
  EXPECT_TRUE(test::DirectoryExists(install.shortcut_dir));
  const char* refusals[] = {
      "f01=..\\..\\readme.txt (not a plain file name)",
      "f04=*.* (not a plain file name)",
      "created_file_dir=C:\\ (a drive or share root)",
      "s01=..\\..\\" ,
  };
  EXPECT_NE(run.report.find("Entries of uninst.ini that were refused"), std::string::npos) << run.report;
  for (const char* refusal : refusals) EXPECT_NE(run.report.find(refusal), std::string::npos) << refusal << "\n" << run.report;
  EXPECT_NE(run.report.find("f02=" + outside + " (not a plain file name)"), std::string::npos) << run.report;
  EXPECT_NE(run.report.find("created_shortcut_dir=" +
                            install.created_shortcut_dir.substr(0, install.created_shortcut_dir.size() - 3) +
                            " (not a folder on the path of its directory)"),
            std::string::npos)
      << run.report;
  EXPECT_EQ(run.exit_code, 3u) << "refusals make the uninstall incomplete";
  // Everything that goes is part of the installation.
  std::set<std::string> removed = test::Difference(before, install.Snapshot());
  EXPECT_TRUE(test::Difference(removed, install.Installed()).empty()) << "removed beyond the installation:"
                                                           << test::Lines(test::Difference(removed, install.Installed()));
  ExpectWorkerGone(run);
}

TEST_F(UninstallerTest, RecordOfAnotherFolderRemovesNothing) {
  HandMadeInstallation install("R6", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  // A copy of the uninstaller and its record somewhere else, say a backup.
  std::string elsewhere = install.parent + "\\backup";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(install.Uninstaller().c_str(), (elsewhere + "\\uninstall.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(install.Record().c_str(), (elsewhere + "\\uninst.ini").c_str(), FALSE));
  std::set<std::string> before = install.Snapshot();
  test::UninstallRun run = test::RunInstalledUninstaller(elsewhere + "\\uninstall.exe", "Uninstall", IDYES);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.report, "The uninstall record " + elsewhere + "\\uninst.ini describes an installation in " +
                            install.file_dir + ", not in this folder. Nothing was removed.");
  EXPECT_EQ(install.Snapshot(), before);
  ExpectWorkerGone(run);
}

// Installed on Russian Windows (code page 1251) into a folder named in
// Cyrillic, run after the system went over to code page 1252, which has no
// Cyrillic letters: this program's own folder has no name in 1252 (a
// look-alike could name another installation's), and the record names it only
// when read in 1251. Nothing is removed, and the box says why.
TEST_F(UninstallerTest, RecordFromAnotherCodePageRemovesNothingAndSaysWhy) {
  HandMadeInstallation install("R7", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  std::string unused;
  ASSERT_FALSE(test::InCodePage("Игры", &unused)) << "code page " << GetACP() << " has Cyrillic letters";
  const std::wstring folder = test::Wide(install.parent + "\\Игры\\");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(test::Wide(install.Uninstaller()).c_str(), (folder + L"uninstall.exe").c_str(), FALSE));
  std::string record = test::ReadWholeFile(install.Record());
  const std::string was = "file_dir=" + install.file_dir + "\r\n";
  const size_t at = record.find(was);
  ASSERT_NE(at, std::string::npos) << record;
  record.replace(at, was.size(), "file_dir=" + install.parent + "\\\xC8\xE3\xF0\xFB\\\r\n");  // 1251
  {
    HANDLE file = CreateFileW((folder + L"uninst.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &done, nullptr));
    CloseHandle(file);
  }
  std::set<std::string> before = install.Snapshot();
  test::UninstallRun run = test::RunInstalledUninstaller(folder + L"uninstall.exe", "Uninstall", IDYES);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.report.find("This program was installed while Windows used another language for programs that "
                            "do not use Unicode. In the one it uses now (code page " +
                            std::to_string(GetACP()) + ") the names"),
            0u)
      << run.report;
  EXPECT_EQ(install.Snapshot(), before);
  EXPECT_TRUE(DeleteFileW((folder + L"uninst.ini").c_str()));
  EXPECT_TRUE(DeleteFileW((folder + L"uninstall.exe").c_str()));
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

// Installed on Chinese Windows (code page 936) into 中文\\游戏, the record holds
// the bytes D6 D0 CE C4 \\ D3 CE CF B7, which another code page reads as another
// folder's name (950: 笢恅\\蚔牁). A copy of the uninstaller and its record in a
// user's folder of that name is not that installation: its uninstall entry,
// which Windows keeps in Unicode, names the real one. Nothing is removed, the
// user's data file there included, and the box says why.
TEST_F(UninstallerTest, RecordReadUnderAnotherCodePageRemovesNothing) {
  const std::string first = "\xD6\xD0\xCE\xC4", second = "\xD3\xCE\xCF\xB7";
  wchar_t reading[16];
  if (GetACP() == 936 ||
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, (first + second).c_str(), -1, reading, 16) <= 0)
    GTEST_SKIP() << "code page " << GetACP() << " reads the record as it was written, or not at all";
  HandMadeInstallation install("R9", false);
  ASSERT_TRUE(install.Usable());
  ASSERT_NO_FATAL_FAILURE(install.Make());
  const std::wstring real = test::Wide(install.parent + "\\中文\\游戏\\");
  ASSERT_TRUE(CreateDirectoryW(test::Wide(install.parent + "\\中文").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(real.c_str(), nullptr));
  const std::wstring command = L"\"" + real + L"uninstall.exe\"";
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, install.uninstall_key.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const std::string users = install.parent + "\\" + first + "\\" + second + "\\";
  ASSERT_TRUE(CreateDirectoryA((install.parent + "\\" + first).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(users.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(install.Uninstaller().c_str(), (users + "uninstall.exe").c_str(), FALSE));
  ASSERT_TRUE(test::WriteWholeFile(users + "murkle.dat", "the user's own"));
  std::string record = test::ReadWholeFile(install.Record());
  const std::string was = "file_dir=" + install.file_dir + "\r\n";
  ASSERT_NE(record.find(was), std::string::npos) << record;
  record.replace(record.find(was), was.size(), "file_dir=" + users + "\r\n");
  ASSERT_TRUE(test::WriteWholeFile(users + "uninst.ini", record));
  const std::set<std::string> before = install.Snapshot();
  test::UninstallRun run = test::RunInstalledUninstaller(users + "uninstall.exe", install.Caption(), IDYES);
  EXPECT_TRUE(run.ended);
  EXPECT_TRUE(run.confirmation.empty()) << run.confirmation;
  EXPECT_EQ(run.report.find("This program was installed while Windows used another language"), 0u) << run.report;
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(install.Snapshot(), before) << "removed:" << test::Lines(test::Difference(before, install.Snapshot()));

  // The same by the links alone: no entry, and the group's links lead into the
  // real folder, as Windows keeps their targets in Unicode.
  test::DeleteKeyTree(HKEY_LOCAL_MACHINE, install.uninstall_key);
  const std::wstring game = real + L"murkle.exe";
  CloseHandle(CreateFileW(game.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  for (const std::string& link : install.links) {
    ComPtr<IShellLinkW> shell_link;
    ComPtr<IPersistFile> file;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell_link.ReceiveVoid()),
              S_OK);
    EXPECT_EQ(shell_link->SetPath(game.c_str()), S_OK);
    ASSERT_EQ(shell_link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()), S_OK);
    EXPECT_EQ(file->Save(test::Wide(install.shortcut_dir + link).c_str(), TRUE), S_OK) << link;
  }
  const std::set<std::string> linked = install.Snapshot();
  run = test::RunInstalledUninstaller(users + "uninstall.exe", install.Caption(), IDYES);
  EXPECT_TRUE(run.confirmation.empty()) << run.confirmation;
  EXPECT_EQ(run.report.find("This program was installed while Windows used another language"), 0u) << run.report;
  EXPECT_EQ(install.Snapshot(), linked) << "removed:" << test::Lines(test::Difference(linked, install.Snapshot()));
  EXPECT_TRUE(DeleteFileW(game.c_str()));
  EXPECT_TRUE(RemoveDirectoryW(real.c_str()));
  EXPECT_TRUE(RemoveDirectoryW(test::Wide(install.parent + "\\中文").c_str()));
}

}  // namespace
