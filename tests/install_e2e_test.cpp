// The real installer, driven only through its windows as a user would: accept,
// read and set the options, install, and check everything it left behind.
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/uninstall_format.h"
#include "../product/game/window/layout.h"
#include "../product/game/window/resource.h"
#include "install/config.h"
#include "resources/resource.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

constexpr char kProductKey[] = "Software\\Velmora\\Murkle";
const std::string kUninstallKey = std::string(kUninstallKeyRoot) + "\\Velmora_Murkle";

struct Link {
  const char* file;     // the link's file name
  const char* target;   // its target's file name
  const char* caption;  // its description
};
const Link kGroupLinks[] = {
    {"Murkle.lnk", "murkle.exe", "Murkle"},
    {"How to order Murkle.lnk", "order.html", "How to order Murkle"},
    {"Murkle licence.lnk", "licence.txt", "Murkle licence"},
    {"Uninstall Murkle .lnk", "uninstall.exe", "Uninstall Murkle "},
};

class InstallEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    programs_ = test::SpecialFolder(CSIDL_PROGRAMS);
    desktop_ = test::SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    RemoveTraces();
    ASSERT_FALSE(test::DirectoryExists(test::JoinPath(programs_, "Velmora"))) << "left from another run";
  }
  void TearDown() override {
    RemoveTraces();
    CoUninitialize();
  }
  void RemoveTraces() {
    test::RemoveTree(test::JoinPath(programs_, "Velmora"));
    test::RemoveTree(test::JoinPath(programs_, "Marsh Games"));
    DeleteFileA(test::JoinPath(desktop_, "Murkle.lnk").c_str());
    test::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Velmora");
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  // Installs with the defaults apart from the destination and the desktop box,
  // and checks every trace of the installation; the files against those that
  // the installer's payload must inflate to.
  void InstallAndCheck(bool desktop, const char* exe = TEST_INSTALLER,
                       const char* payload_dir = TEST_INSTALLER_PAYLOAD_DIR) {
    test::InstallerSession session;
    ASSERT_TRUE(session.Open(exe));

    const std::string group = programs_ + "\\Velmora\\Murkle\\";
    EXPECT_EQ(session.Text(IDC_SHORTCUT_DIR), group) << "the default program group";
    EXPECT_EQ(session.Text(IDC_FILE_DIR), "C:\\Program Files\\Velmora\\Murkle\\") << "the default destination";
    EXPECT_EQ(session.Text(IDC_SPACE_REQUIRED), "Space required: 7748 kB");
    EXPECT_EQ(session.Text(IDC_STATUS), "Press Install button to finish instalation...");
    EXPECT_EQ(SendMessageA(GetDlgItem(session.dialog(), IDC_DESKTOP), BM_GETCHECK, 0, 0), BST_CHECKED);

    // Free space of the scratch directory's drive, as the dialog works it out.
    const std::string dest = scratch_ / "Velmora Games\\Murkle";
    session.SetText(IDC_FILE_DIR, dest);
    ULARGE_INTEGER free_bytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA(scratch_.path().c_str(), &free_bytes, nullptr, nullptr));
    uint64_t shown = std::min<uint64_t>(free_bytes.QuadPart, 0xFFFFFFFFu) >> 10;
    std::string free_line = session.Text(IDC_SPACE_FREE);
    EXPECT_EQ(free_line.rfind("Space available on drive: ", 0), 0u) << free_line;
    // The disk under the scratch directory is shared: allow it to move a little.
    long long difference = std::atoll(free_line.c_str() + 26) - static_cast<long long>(shown);
    EXPECT_LE(std::llabs(difference), 4096) << free_line << " against " << shown << " kB";
    EXPECT_EQ(session.Text(IDC_SPACE_VERDICT), "There is enough space to install.");

    if (!desktop) test::PressButton(session.dialog(), IDC_DESKTOP);
    ASSERT_TRUE(test::WaitUntil(
        [&] {
          return SendMessageA(GetDlgItem(session.dialog(), IDC_DESKTOP), BM_GETCHECK, 0, 0) ==
                 (desktop ? BST_CHECKED : BST_UNCHECKED);
        },
        5000));

    EXPECT_EQ(session.Install(), "Done!");
    EXPECT_EQ(session.Text(IDOK), "&Close");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(session.dialog(), IDCANCEL))) << "Cancel stays enabled";

    // Every file, byte for byte.
    const std::string file_dir = dest + "\\";
    for (int row = 0; row < kManifestRows; ++row) {
      const char* name = kManifest[row].file_name;
      std::string installed, product;
      ASSERT_TRUE(test::ReadWholeFile(file_dir + name, &installed)) << name << " not installed";
      ASSERT_TRUE(test::ReadWholeFile(test::JoinPath(payload_dir, name), &product));
      EXPECT_TRUE(installed == product) << name << " differs from the product file";
    }

    // The links of the program group, and the desktop link.
    for (const Link& link : kGroupLinks) {
      std::string target, description;
      ASSERT_TRUE(test::ReadLink(group + link.file, &target, &description)) << link.file;
      EXPECT_EQ(target, file_dir + link.target) << link.file;
      EXPECT_TRUE(test::FileExists(target)) << link.file << " leads nowhere";
      EXPECT_EQ(description, link.caption) << link.file;
    }
    std::string target, description;
    if (desktop) {
      ASSERT_TRUE(test::ReadLink(desktop_ + "\\Murkle.lnk", &target, &description));
      EXPECT_EQ(target, file_dir + "murkle.exe");
      EXPECT_EQ(description, "Murkle");
    } else {
      EXPECT_FALSE(test::FileExists(desktop_ + "\\Murkle.lnk")) << "a desktop link though the box was clear";
    }

    // The registry.
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, kProductKey));
    EXPECT_EQ(test::ValueCount(HKEY_CURRENT_USER, kProductKey), 0);
    std::string value;
    DWORD length = 0;
    EXPECT_TRUE(test::ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, kDisplayNameValue, &value, &length));
    EXPECT_EQ(value, "Velmora - Murkle");
    EXPECT_EQ(length, value.size() + 1) << "the stored length counts the terminator";
    EXPECT_TRUE(test::ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, kUninstallStringValue, &value, &length));
    EXPECT_EQ(value, "\"" + file_dir + "uninstall.exe\"") << "quoted: the path has blanks";
    EXPECT_EQ(length, value.size() + 1);

    // The whole uninstall record.
    std::vector<std::string> expected = {
        "[COMMON]",
        "provider=Velmora",
        "program=Murkle",
        "created_file_dir=" + scratch_ / "Velmora Games",
        "file_dir=" + file_dir,
        "created_shortcut_dir=" + programs_ + "\\Velmora",
        "shortcut_dir=" + group,
        std::string("desktop_shortcut=") + (desktop ? "1" : "0"),
        std::string("desk_sc_name=") + (desktop ? "Murkle.lnk" : ""),
        "[FILES]",
    };
    char key[16];
    for (int row = 0; row < kManifestRows; ++row) {
      snprintf(key, sizeof key, "f%02d=", row);
      expected.push_back(key + std::string(kManifest[row].file_name));
    }
    snprintf(key, sizeof key, "f%02d=", kManifestRows);
    expected.push_back(key + std::string("uninst.ini"));
    expected.push_back("[SHORTCUTS]");
    for (int i = 0; i < 4; ++i) {
      snprintf(key, sizeof key, "s%02d=", i);
      expected.push_back(key + std::string(kGroupLinks[i].file));
    }
    EXPECT_EQ(test::IniLines(test::ReadWholeFile(file_dir + "uninst.ini")), expected);

    DWORD code = 1;
    ASSERT_TRUE(session.CloseAndWait(IDOK, &code)) << "Close did not end the program";
    EXPECT_EQ(code, 0u);
  }

  // Everything an installation can touch: the prefix's C: drive and the
  // scratch folder (not the temporary folders, which Wine and the uninstaller's
  // working copy use), and the registry's software and uninstall keys.
  std::set<std::string> Snapshot() const {
    std::set<std::string> all;
    test::ListFiles("C:", &all, "temp");
    test::ListFiles(scratch_.path(), &all, "temp");
    test::ListKeys(HKEY_CURRENT_USER, "HKCU", "Software", &all);
    test::ListKeys(HKEY_LOCAL_MACHINE, "HKLM", kUninstallKeyRoot, &all);
    return all;
  }
  // The drive and the registry come back to before, within a bound.
  void ExpectAsBefore(const std::set<std::string>& before) const {
    std::set<std::string> after;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
          after = Snapshot();
          return after == before;
        },
        15000))
        << "left behind:" << test::Lines(test::Difference(after, before))
        << "\nremoved:" << test::Lines(test::Difference(before, after));
  }
  // One installation through the dialogs, with the defaults apart from file_dir
  // and, when given, the program group.
  void InstallWithDefaultsInto(const std::string& file_dir, const std::string& group = "", bool desktop = true) {
    test::InstallerSession session;
    ASSERT_TRUE(session.Open());
    session.SetText(IDC_FILE_DIR, file_dir);
    if (!group.empty()) session.SetText(IDC_SHORTCUT_DIR, group);
    if (!desktop) {
      test::PressButton(session.dialog(), IDC_DESKTOP);
      ASSERT_TRUE(test::WaitUntil(
          [&] { return SendMessageA(GetDlgItem(session.dialog(), IDC_DESKTOP), BM_GETCHECK, 0, 0) == BST_UNCHECKED; },
          5000));
    }
    ASSERT_EQ(session.Install(), "Done!");
    DWORD code = 1;
    ASSERT_TRUE(session.CloseAndWait(IDOK, &code));
  }
  // Plays the game installed into file_dir, started by the link game_link,
  // uninstalls as the uninstall entry's command does, and checks that all is
  // as before.
  void PlayThenUninstall(const std::string& file_dir, const std::string& game_link,
                         const std::set<std::string>& before);

  test::ScratchDir scratch_{"e2e"};
  std::string programs_, desktop_;
};

TEST_F(InstallEndToEnd, InstallsEverythingWithTheDesktopLink) { InstallAndCheck(true); }

TEST_F(InstallEndToEnd, InstallsEverythingWithoutTheDesktopLink) { InstallAndCheck(false); }

#ifdef TEST_SIGNED_EXE
// The shipped installer signed, with its game and uninstaller signed inside:
// it installs as before, and the programs it installs are the signed ones
// (which signing_checks verifies).
TEST_F(InstallEndToEnd, SignedInstallerInstallsItsSignedPrograms) {
  InstallAndCheck(false, TEST_SIGNED_EXE, TEST_SIGNED_PAYLOAD_DIR);
}
#endif

// Install with the real installer, install again over it (which finds every
// folder made), then once more with another program group and without the
// desktop link (which takes the earlier links and group away), play the
// installed game, then uninstall with the installed uninstaller as the
// uninstall entry's command starts it: nothing of any installation is left,
// and nothing else has changed.
TEST_F(InstallEndToEnd, UninstallerRemovesExactlyWhatWasInstalledAfterAReinstall) {
  const std::set<std::string> before = Snapshot();
  const std::string file_dir = scratch_ / "Velmora Games\\Murkle\\";
  const std::string group = programs_ + "\\Marsh Games\\Murkle\\";
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(file_dir));
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(file_dir));
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(file_dir, group, false));
  EXPECT_FALSE(test::DirectoryExists(programs_ + "\\Velmora")) << "the first group, emptied";
  EXPECT_FALSE(test::FileExists(desktop_ + "\\Murkle.lnk")) << "the first installation's desktop link";
  PlayThenUninstall(file_dir, group + "Murkle.lnk", before);
}

// On national Windows, a destination and a group whose names are beyond code
// page 1252: in 932 ソ's second byte is a backslash's, and Polish letters are
// in 1250 only. The installation goes exactly where the fields say, and the
// uninstaller leaves nothing of it. The test runs under the code pages that
// can write one of its rows (the _cp932 and _cp1250 runs).
TEST_F(InstallEndToEnd, NationalCodePageRoundTrip) {
  const struct {
    const char *top, *file_dir, *group;
  } kRows[] = {
      {"C:\\ソフト", "C:\\ソフト\\Murkle\\", "ソフト\\ゲーム\\"},
      {"C:\\Gry", "C:\\Gry\\Zażółć gęślą\\Murkle\\", "Gry\\Zażółć\\"},
  };
  std::string top, file_dir, group;
  bool found = false;
  for (const auto& row : kRows) {
    found = test::InCodePage(row.top, &top) && test::InCodePage(row.file_dir, &file_dir) &&
            test::InCodePage(row.group, &group);
    if (found) break;
  }
  if (!found) GTEST_SKIP() << "code page " << GetACP() << " can write none of the rows";
  test::RemoveTree(top);
  const std::set<std::string> before = Snapshot();
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(file_dir, programs_ + "\\" + group));
  const std::vector<std::string> record = test::IniLines(test::ReadWholeFile(file_dir + "uninst.ini"));
  EXPECT_NE(std::find(record.begin(), record.end(), "created_file_dir=" + top), record.end());
  EXPECT_NE(std::find(record.begin(), record.end(), "shortcut_dir=" + programs_ + "\\" + group), record.end());
  PlayThenUninstall(file_dir, desktop_ + "\\Murkle.lnk", before);
  test::RemoveTree(top);
}

void InstallEndToEnd::PlayThenUninstall(const std::string& file_dir, const std::string& game_link,
                                        const std::set<std::string>& before) {
  const std::set<std::string> installed = test::Difference(Snapshot(), before);
  EXPECT_TRUE(installed.count(file_dir + "uninst.ini")) << test::Lines(installed);
  EXPECT_TRUE(installed.count(game_link)) << test::Lines(installed);

  // The game, started as its link names it and from another folder, finds and
  // reads its data file: it opens its window, not a complaint.
  std::string game_exe, description;
  ASSERT_TRUE(test::ReadLink(game_link, &game_exe, &description));
  ASSERT_EQ(game_exe, file_dir + "murkle.exe");
  {
    test::Process game;
    ASSERT_TRUE(game.Start(game_exe, "", scratch_.path().c_str()));
    HWND window = nullptr, box = nullptr;
    test::WaitForWindow(
        [&] {
          window = test::FindTopLevel(game.id(), layout::kWindowClass, "Murkle");
          box = test::FindMessageBox(game.id());
          return window ? window : box;
        },
        20000);
    ASSERT_EQ(box, nullptr) << test::MessageBoxText(box);
    ASSERT_NE(window, nullptr) << "the installed game opened no window";
    PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    DWORD code = 1;
    ASSERT_TRUE(game.Wait(20000, &code)) << "the game did not end";
    EXPECT_EQ(code, 0u);
  }

  // The uninstall entry's command, as Add/Remove Programs would run it.
  std::string command;
  ASSERT_TRUE(test::ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, kUninstallStringValue, &command));
  ASSERT_GE(command.size(), 2u);
  ASSERT_EQ(command.front(), '"');
  test::UninstallRun run =
      test::RunInstalledUninstaller(command.substr(1, command.size() - 2), "Murkle Uninstall", IDYES);
  EXPECT_TRUE(run.ended) << "the uninstaller did not end";
  EXPECT_EQ(run.exit_code, 0u) << run.report;
  EXPECT_NE(run.report.find("was removed"), std::string::npos) << run.report;

  ExpectAsBefore(before);
}

// Two installations to different folders share the program group, the desktop
// link and the product's keys; each later one takes them over. Removing the
// first leaves the second whole; removing the second then leaves only the
// group's folders, which its record does not name.
TEST_F(InstallEndToEnd, RemovingOneOfTwoInstallationsLeavesTheOther) {
  const std::set<std::string> before = Snapshot();
  const std::string first = scratch_ / "First\\Murkle\\", second = scratch_ / "Second\\Murkle\\";
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(first));
  ASSERT_NO_FATAL_FAILURE(InstallWithDefaultsInto(second));

  test::UninstallRun run = test::RunInstalledUninstaller(first + "uninstall.exe", "Murkle Uninstall", IDYES);
  EXPECT_EQ(run.exit_code, 0u) << run.report;
  EXPECT_FALSE(test::DirectoryExists(scratch_ / "First")) << run.report;
  EXPECT_TRUE(test::FileExists(second + "uninst.ini"));
  const std::string group = programs_ + "\\Velmora\\Murkle\\";
  for (const std::string& link : {group + "Murkle.lnk", group + "Uninstall Murkle .lnk", desktop_ + "\\Murkle.lnk"}) {
    std::string target, description;
    EXPECT_TRUE(test::ReadLink(link, &target, &description)) << link << " is gone";
    EXPECT_EQ(target.rfind(second, 0), 0u) << link << " leads to " << target;
  }
  EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(run.report.find("Murkle by Velmora was removed from " + first +
                            ". Another installation of it remains on this computer."),
            0u)
      << run.report;
  EXPECT_NE(run.report.find(group + "Murkle.lnk (not a link to the files of this installation)"), std::string::npos)
      << run.report;

  // The second installation found the program group made; its record names
  // no folder of it, so those folders, empty now, stay.
  run = test::RunInstalledUninstaller(second + "uninstall.exe", "Murkle Uninstall", IDYES);
  EXPECT_EQ(run.exit_code, 0u) << run.report;
  std::set<std::string> with_group = before;
  with_group.insert({programs_ + "\\Velmora\\", group});
  ExpectAsBefore(with_group);
}

// A payload stream damaged in the installer itself: the user is told, nothing
// after the damaged file is made, and the dialog stays ready.
TEST_F(InstallEndToEnd, CorruptPayloadStreamIsReportedOnTheStatusLine) {
  std::string stream = test::ResourceBytes(TEST_INSTALLER, "BIN", kManifest[3].resource_id);
  ASSERT_FALSE(stream.empty());
  stream[stream.size() - 1] ^= 0x01;  // the Adler-32 no longer matches
  const std::string exe = scratch_ / "MurkleSetup.exe";
  ASSERT_TRUE(test::CopyWithResource(TEST_INSTALLER, exe, "BIN", kManifest[3].resource_id,
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), stream));
  test::InstallerSession session;
  ASSERT_TRUE(session.Open(exe));
  const std::string dest = scratch_ / "corrupt";
  session.SetText(IDC_FILE_DIR, dest);
  EXPECT_EQ(session.Install(),
            "Setup error! Data corrupted. If you downloaded setup file, try do it again.");
  EXPECT_TRUE(test::FileExists(dest + "\\" + kManifest[2].file_name)) << "the files before stay";
  EXPECT_FALSE(test::FileExists(dest + "\\" + kManifest[4].file_name)) << "nothing after the damaged file";
  EXPECT_FALSE(test::DirectoryExists(programs_ + "\\Velmora")) << "no program group";
  EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_EQ(session.Text(IDOK), "&Install");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(session.dialog(), IDCANCEL)));
  DWORD code = 1;
  ASSERT_TRUE(session.CloseAndWait(IDCANCEL, &code));
  EXPECT_EQ(code, 0u);
}

// U: is a drive with exactly the room that the space check asks for, 7748 kB.
// Every payload file is at most its declared size, so the installation fits,
// its record included (the links go to the Start menu, on C:).
TEST_F(InstallEndToEnd, ADriveWithTheRequiredRoomTakesTheInstallation) {
  if (!test::DriveMapped('U')) GTEST_SKIP() << "drive U: is not mapped (mounting refused)";
  test::RemoveTree("U:\\Murkle");
  test::InstallerSession session;
  ASSERT_TRUE(session.Open());
  session.SetText(IDC_FILE_DIR, "U:\\Murkle");
  EXPECT_EQ(session.Text(IDC_SPACE_FREE), "Space available on drive: 7748 kB");
  EXPECT_EQ(session.Install(), "Done!");
  EXPECT_TRUE(test::FileExists("U:\\Murkle\\uninst.ini"));
  DWORD code = 1;
  EXPECT_TRUE(session.CloseAndWait(IDOK, &code));
  test::RemoveTree("U:\\Murkle");
}

// A real full disk: a copy of the installer whose data file has outgrown its
// row (8 MB), so that it passes the space check on U: but does not fit. The
// system reports a short write first, so the file layer asks whether to retry
// even in quiet mode; Cancel ends the installation with "data corrupted".
TEST_F(InstallEndToEnd, FullDiskEndsWithTheShortWriteQuestion) {
  if (!test::DriveMapped('U')) GTEST_SKIP() << "drive U: is not mapped (mounting refused)";
  test::RemoveTree("U:\\Murkle");
  const std::string exe = scratch_ / "MurkleSetup.exe";
  ASSERT_TRUE(test::CopyWithResource(TEST_INSTALLER, exe, "BIN", kManifest[1].resource_id,
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                     test::ZlibCompress(std::string(8 << 20, 'M'))));
  test::InstallerSession session;
  ASSERT_TRUE(session.Open(exe));
  session.SetText(IDC_FILE_DIR, "U:\\Murkle");
  EXPECT_EQ(session.Text(IDC_SPACE_VERDICT), "There is enough space to install.")
      << session.Text(IDC_SPACE_FREE);
  std::vector<std::string> boxes;
  EXPECT_EQ(session.Install(IDCANCEL, &boxes),
            "Setup error! Data corrupted. If you downloaded setup file, try do it again.");
  ASSERT_EQ(boxes.size(), 1u) << "one question, answered Cancel";
  EXPECT_EQ(boxes[0], "Nie daje si\xea zapisa\xe6 wszystkich danych. Powt\xf3rzy\xe6?");
  EXPECT_TRUE(test::FileExists("U:\\Murkle\\murkle.exe"));
  EXPECT_FALSE(test::FileExists("U:\\Murkle\\murkle.hsc")) << "nothing after the file that did not fit";
  EXPECT_FALSE(test::DirectoryExists(programs_ + "\\Velmora"));
  DWORD code = 1;
  EXPECT_TRUE(session.CloseAndWait(IDCANCEL, &code));
  test::RemoveTree("U:\\Murkle");
}

}  // namespace
