// The setup options dialog in this process, headless: its fields, the live
// space lines, the keyboard, the folder picker, and Install's two outcomes.
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/text.h"
#include "common/uninstall_format.h"
#include "install/config.h"
#include "resources/resource.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"
#include "ui/setup_dialog.h"

namespace {

constexpr char kInProgress[] = "Instalation in progress... Please wait...";

class SetupDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    // This process installs under names of its own, never over the product's.
    EXPECT_TRUE(CopyText(g_setupConfig.provider, "VelmoraDialogTest"));
    EXPECT_TRUE(CopyText(g_setupConfig.program, "DialogTest"));
    dest_ = scratch_ / "Games\\Murkle\\";
    EXPECT_TRUE(CopyText(g_setupConfig.file_dir, dest_.c_str()));
    EXPECT_TRUE(CopyText(g_setupConfig.shortcut_dir, (scratch_ / "Start\\Murkle\\").c_str()));
    g_setupConfig.desktop_shortcut = 0;
    g_installDone = false;
  }
  void TearDown() override {
    test::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\VelmoraDialogTest");
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUninstallKeyRoot) + "\\VelmoraDialogTest_DialogTest");
    CoUninitialize();
  }

  // Shows the dialog; drive gets it once it is visible. The dialog's result.
  INT_PTR Show(const std::function<void(HWND)>& drive) {
    return test::ShowModal(
        [] {
          return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc,
                                 0);
        },
        [&](HWND dialog) {
          test::WaitUntil([&] { return IsWindowVisible(dialog) != 0; }, 5000);
          drive(dialog);
        },
        60000);
  }

  static std::string Text(HWND dialog, int id) { return test::WindowText(GetDlgItem(dialog, id)); }
  static void SetText(HWND dialog, int id, const std::string& text) { test::SetText(GetDlgItem(dialog, id), text); }
  // Starts Install by action (a click unless given) and returns the verdict
  // on the status line.
  static std::string Install(HWND dialog, const std::function<void()>& action = nullptr) {
    const std::string marker = "(test: waiting)";
    SetText(dialog, IDC_STATUS, marker);
    if (action)
      action();
    else
      test::PressButton(dialog, IDOK);
    std::string status;
    if (!test::WaitUntil(
            [&] {
              status = Text(dialog, IDC_STATUS);
              return status != marker && status != kInProgress;
            },
            60000))
      ADD_FAILURE() << "no verdict on the status line";
    return status;
  }
  static std::string SpaceLine(uint64_t free_bytes) {
    return "Space available on drive: " + std::to_string(std::min<uint64_t>(free_bytes, 0xFFFFFFFFu) >> 10) + " kB";
  }

  test::ScratchDir scratch_{"setupdialog"};
  std::string dest_;
};

TEST_F(SetupDialogTest, StartsWithTheConfigurationAndLiveSpaceLines) {
  INT_PTR result = Show([&](HWND dialog) {
    EXPECT_EQ(Text(dialog, IDC_FILE_DIR), dest_);
    EXPECT_EQ(Text(dialog, IDC_SHORTCUT_DIR), scratch_ / "Start\\Murkle\\");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DESKTOP, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Text(dialog, IDC_STATUS), "Press Install button to finish instalation...");
    EXPECT_EQ(Text(dialog, IDC_SPACE_REQUIRED), "Space required: 7748 kB");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_FILE_DIR, EM_GETLIMITTEXT, 0, 0), 259);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SHORTCUT_DIR, EM_GETLIMITTEXT, 0, 0), 259);

    // No drive letter: nothing is known to be free.
    SetText(dialog, IDC_FILE_DIR, "Games\\Murkle");
    EXPECT_EQ(Text(dialog, IDC_SPACE_FREE), "Space available on drive: 0 kB");
    EXPECT_EQ(Text(dialog, IDC_SPACE_VERDICT), "There is not enough space to install. Use another drive.");

    // The drive under the scratch directory, saturated at 4 GB.
    ULARGE_INTEGER free_bytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &free_bytes, nullptr, nullptr));
    SetText(dialog, IDC_FILE_DIR, "C:\\Some\\Where");
    EXPECT_EQ(Text(dialog, IDC_SPACE_FREE), SpaceLine(free_bytes.QuadPart));

    // A small drive of a known size.
    if (!test::DriveMapped('T') || !GetDiskFreeSpaceExA("T:\\", &free_bytes, nullptr, nullptr)) {
      printf("drive T: is not mapped (mounting refused): the small drive's line is not checked\n");
    } else {
      SetText(dialog, IDC_FILE_DIR, "T:\\Murkle");
      EXPECT_EQ(Text(dialog, IDC_SPACE_FREE), SpaceLine(free_bytes.QuadPart));
      EXPECT_EQ(Text(dialog, IDC_SPACE_VERDICT), "There is not enough space to install. Use another drive.");
    }
    test::PressButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
}

TEST_F(SetupDialogTest, EnterInAnEditFieldPressesInstall) {
  Show([&](HWND dialog) {
    SetText(dialog, IDC_FILE_DIR, "Games\\Murkle");
    std::string status = Install(dialog, [&] {
      HWND edit = GetDlgItem(dialog, IDC_FILE_DIR);
      PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
    });
    EXPECT_EQ(status, "Setup error! Not enough space on destination drive. ");
    EXPECT_FALSE(test::DirectoryExists(scratch_ / "Start")) << "a refused installation makes nothing";
    test::PressButton(dialog, IDCANCEL);
  });
}

TEST_F(SetupDialogTest, FailedInstallLeavesTheDialogReadyForAnotherTry) {
  ASSERT_TRUE(test::WriteWholeFile(scratch_ / "Games", "in the way"));
  INT_PTR result = Show([&](HWND dialog) {
    EXPECT_EQ(Install(dialog), "Setup error! Wrong file destination directory.");
    EXPECT_EQ(Text(dialog, IDOK), "&Install");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_FALSE(g_installDone);

    // The second press reads the fields again, slashes as backslashes.
    const std::string other = scratch_ / "Other\\Murkle";
    SetText(dialog, IDC_FILE_DIR, scratch_.path() + "/Other/Murkle");
    EXPECT_EQ(Install(dialog), "Done!");
    EXPECT_EQ(std::string(g_setupConfig.file_dir), other + "\\");
    EXPECT_TRUE(test::FileExists(other + "\\uninst.ini"));
    EXPECT_EQ(Text(dialog, IDOK), "&Close");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_TRUE(g_installDone);
    test::PressButton(dialog, IDOK);
  });
  EXPECT_EQ(result, 1) << "Close after a success ends the dialog with 1";
}

TEST_F(SetupDialogTest, CancelledFolderPickerLeavesTheFieldAlone) {
  Show([&](HWND dialog) {
    for (int button : {IDC_BROWSE_DEST, IDC_BROWSE_GROUP}) {
      int field = button == IDC_BROWSE_DEST ? IDC_FILE_DIR : IDC_SHORTCUT_DIR;
      const std::string before = Text(dialog, field);
      test::PressButton(dialog, button);
      HWND picker = test::WaitForWindow(
          [&]() -> HWND {
            for (HWND w : test::TopLevelWindows(GetCurrentProcessId()))
              if (w != dialog && test::ClassName(w) == "#32770" && IsWindowVisible(w)) return w;
            return nullptr;
          },
          15000);
      ASSERT_NE(picker, nullptr) << "no folder picker for button " << button;
      EXPECT_EQ(test::MessageBoxText(picker), button == IDC_BROWSE_DEST ? "Choose a destination directory"
                                                                         : "Choose a Program Group");
      test::PressButton(picker, IDCANCEL);
      ASSERT_TRUE(test::WaitUntil([&] { return !IsWindow(picker); }, 10000));
      EXPECT_EQ(Text(dialog, field), before);
    }
    test::PressButton(dialog, IDCANCEL);
  });
}

// Fields that would install somewhere else than they show are refused: text
// set past the typing limit by another program, which would be cut into
// another path; pasted text, which stops at the limit and has no room for the
// installed names; and names that the code page cannot write (Polish letters
// on code page 1252), which would come out as look-alikes. Nothing is made.
TEST_F(SetupDialogTest, FieldsThatWouldInstallElsewhereAreRefused) {
  const std::string long_dest = scratch_.path() + "\\" + std::string(300, 'd');
  std::string look_alike;
  ASSERT_FALSE(test::InCodePage("Zażółć gęślą", &look_alike)) << "code page " << GetACP() << " has Polish letters";
  const std::wstring polish = test::Wide(scratch_.path() + "\\Zażółć gęślą\\Murkle");
  Show([&](HWND dialog) {
    SetWindowTextW(GetDlgItem(dialog, IDC_FILE_DIR), polish.c_str());
    EXPECT_EQ(Install(dialog), "Setup error! Wrong file destination directory.");
    SetText(dialog, IDC_FILE_DIR, dest_);
    SetWindowTextW(GetDlgItem(dialog, IDC_SHORTCUT_DIR), polish.c_str());
    EXPECT_EQ(Install(dialog), "Setup error! Wrong Program Group name.");
    SetText(dialog, IDC_SHORTCUT_DIR, scratch_ / "Start");

    SetText(dialog, IDC_FILE_DIR, long_dest);
    EXPECT_EQ(Install(dialog), "Setup error! Wrong file destination directory.");
    SetText(dialog, IDC_FILE_DIR, dest_);
    SetText(dialog, IDC_SHORTCUT_DIR, scratch_.path() + "\\" + std::string(300, 'g'));
    EXPECT_EQ(Install(dialog), "Setup error! Wrong Program Group name.");
    SetText(dialog, IDC_SHORTCUT_DIR, scratch_ / "Start");

    // Pasted: the field keeps 259 characters.
    HWND edit = GetDlgItem(dialog, IDC_FILE_DIR);
    const std::string pasted = long_dest;
    bool clipboard = false;
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
      memcpy(GlobalLock(memory), pasted.c_str(), pasted.size() + 1);
      GlobalUnlock(memory);
      clipboard = SetClipboardData(CF_TEXT, memory) != nullptr;
      CloseClipboard();
    }
    if (clipboard) {
      SetText(dialog, IDC_FILE_DIR, "");
      SendMessageA(edit, WM_PASTE, 0, 0);
      EXPECT_EQ(Text(dialog, IDC_FILE_DIR), pasted.substr(0, 259));
      EXPECT_EQ(Install(dialog), "Setup error! Wrong file destination directory.");
    } else {
      ADD_FAILURE() << "the clipboard could not be set";
    }
    test::PressButton(dialog, IDCANCEL);
  });
  std::set<std::string> made;
  test::ListFiles(scratch_.path(), &made);
  EXPECT_TRUE(made.empty()) << "made:" << test::Lines(made);
}

}  // namespace
