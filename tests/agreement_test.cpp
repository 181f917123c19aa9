// The agreement dialog: shown in this process from the linked resources, and in
// the real installer process, including copies with a broken agreement resource.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "install/agreement.h"
#include "install/config.h"
#include "resources/resource.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"
#include "ui/agreement_dialog.h"

namespace {

using test::kAgreementCaption;
using test::kSetupCaption;
const char kCorrupt[] = "Data corrupted. If you downloaded setup file, try do it again.";

INT_PTR ShowAgreement(const std::function<void(HWND)>& drive) {
  return test::ShowModal(
      [] {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_AGREEMENT), nullptr,
                               AgreementDialogProc, 0);
      },
      drive);
}

TEST(AgreementDialog, ShowsTheLicenceExactlyAndAcceptGivesOne) {
  std::string licence = test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, "licence.txt"));
  ASSERT_FALSE(licence.empty());
  ASSERT_NE(licence.find("\r\n"), std::string::npos) << "the licence has CR LF line breaks";

  std::string shown, caption;
  LRESULT limit = 0;
  LONG style = 0;
  HICON small_icon = nullptr, big_icon = nullptr;
  INT_PTR result = ShowAgreement([&](HWND dialog) {
    caption = test::WindowText(dialog);
    HWND edit = GetDlgItem(dialog, IDC_AGREEMENT_TEXT);
    shown = test::WindowText(edit);
    limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    style = GetWindowLongA(edit, GWL_STYLE);
    small_icon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    big_icon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    test::PressButton(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(caption, kAgreementCaption);
  EXPECT_EQ(shown, licence);
  EXPECT_EQ(limit, static_cast<LRESULT>(licence.size())) << "the user cannot extend the text";
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_NE(small_icon, nullptr);
  EXPECT_EQ(small_icon, big_icon) << "one icon handle serves as small and big icon";
}

TEST(AgreementDialog, CancelEscapeAndCloseBoxGiveZero) {
  EXPECT_EQ(ShowAgreement([](HWND dialog) { test::PressButton(dialog, IDCANCEL); }), 0);
  EXPECT_EQ(ShowAgreement([](HWND dialog) {
              HWND focus = GetDlgItem(dialog, IDOK);
              PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
            }),
            0);
  EXPECT_EQ(ShowAgreement([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }), 0);
}

TEST(AgreementDialog, OtherCommandsLeaveItOpen) {
  bool still_open = false;
  INT_PTR result = ShowAgreement([&](HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_AGREEMENT_TEXT, EN_SETFOCUS), 0);
    still_open = IsWindow(dialog) && IsWindowVisible(dialog);
    test::PressButton(dialog, IDOK);
  });
  EXPECT_TRUE(still_open);
  EXPECT_EQ(result, 1);
}

// The real installer, with the agreement resource replaced in a copy.
class InstallerAgreement : public ::testing::Test {
 protected:
  test::ScratchDir scratch_{"agreement"};

  std::string CopyWithAgreement(const std::string& stream) {
    std::string exe = scratch_ / "MurkleSetup.exe";
    EXPECT_TRUE(test::CopyWithResource(TEST_INSTALLER, exe, "BIN", kAgreementResource,
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), stream));
    return exe;
  }
  std::string CopyOfInstaller() {
    std::string exe = scratch_ / "MurkleSetup.exe";
    EXPECT_TRUE(CopyFileA(TEST_INSTALLER, exe.c_str(), FALSE));
    return exe;
  }

  // Starts exe (accepting the agreement first when accept is set), expects the
  // "data corrupted" box and then a quiet exit.
  void ExpectCorruptBoxThenExit(const std::string& exe, bool accept = false) {
    test::Process setup;
    ASSERT_TRUE(setup.Start(exe));
    if (accept) {
      HWND agreement = test::WaitForDialog(setup.id(), kAgreementCaption, 20000);
      ASSERT_NE(agreement, nullptr) << "no agreement dialog";
      test::PressButton(agreement, IDOK);
    }
    HWND box = test::WaitForWindow([&] { return test::FindMessageBox(setup.id()); }, 20000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(test::MessageBoxText(box), kCorrupt);
    EXPECT_EQ(test::WindowText(box), "Error") << "the system's default caption";
    EXPECT_EQ(test::ButtonIds(box), std::vector<int>{IDOK});
    // The dialog exists while it initialises, but it is never shown.
    HWND agreement = test::FindTopLevel(setup.id(), "#32770", kAgreementCaption);
    EXPECT_FALSE(!accept && agreement && IsWindowVisible(agreement)) << "the agreement dialog must not show";
    test::PressButton(box, IDOK);
    bool setup_shown = false;
    DWORD code = 1;
    bool ended = test::WaitUntil(
        [&] {
          if (test::FindTopLevel(setup.id(), "#32770", kSetupCaption)) setup_shown = true;
          return setup.Wait(0, &code);
        },
        15000);
    ASSERT_TRUE(ended) << "the installer did not end after the box";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(setup_shown);
  }

  // Starts exe and returns the agreement text it shows, then cancels.
  std::string ShownAgreement(const std::string& exe) {
    test::Process setup;
    EXPECT_TRUE(setup.Start(exe));
    HWND dialog = test::WaitForDialog(setup.id(), kAgreementCaption, 25000);
    if (!dialog) {
      ADD_FAILURE() << "no agreement dialog";
      return "";
    }
    std::string text = test::WindowText(GetDlgItem(dialog, IDC_AGREEMENT_TEXT));
    test::PressButton(dialog, IDCANCEL);
    DWORD code = 1;
    EXPECT_TRUE(setup.Wait(15000, &code));
    EXPECT_EQ(code, 0u);
    return text;
  }
};

TEST_F(InstallerAgreement, CancelEndsTheProgramWithoutSetup) {
  std::string licence = test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, "licence.txt"));
  EXPECT_EQ(ShownAgreement(TEST_INSTALLER), licence);
}

// Every way the agreement's resource can fail to give the text, and a dialog
// template that cannot be made into a dialog (DialogBoxParam gives -1, here
// for a missing one, which is never taken for Accept): the "data corrupted"
// box, then a quiet exit.
TEST_F(InstallerAgreement, DamagedResourcesShowDataCorrupted) {
  auto with_stream = [this](std::string stream) { return CopyWithAgreement(stream); };
  auto renumbered = [this](const char* type, WORD id) {
    const std::string exe = CopyOfInstaller();
    EXPECT_TRUE(test::RenumberResource(exe, type, id, id - 1));
    return exe;
  };
  std::string corrupt = test::ZlibCompress(test::PseudoText(3000, 7));
  corrupt[corrupt.size() - 2] ^= 0x55;  // the Adler-32 trailer no longer matches
  std::string truncated = test::ZlibCompress(test::PseudoText(3000, 8));
  truncated.resize(truncated.size() / 2);
  const struct {
    const char* what;
    std::function<std::string()> make;
    bool accept;  // the box comes after the agreement is accepted
  } cases[] = {
      {"missing", [&] { return renumbered("BIN", kAgreementResource); }, false},
      {"corrupt", [&] { return with_stream(corrupt); }, false},
      {"truncated", [&] { return with_stream(truncated); }, false},
      {"empty",
       [&] {
         const std::string exe = CopyOfInstaller();
         EXPECT_TRUE(test::SetResourceSize(exe, "BIN", kAgreementResource, 0));
         return exe;
       },
       false},
      {"one byte too long",
       [&] { return with_stream(test::ZlibCompress(test::PseudoText(kAgreementCapacity + 1, 10))); }, false},
      {"agreement template missing", [&] { return renumbered(RT_DIALOG, IDD_AGREEMENT); }, false},
      {"setup template missing", [&] { return renumbered(RT_DIALOG, IDD_SETUP); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectCorruptBoxThenExit(c.make(), c.accept);
  }
}

TEST_F(InstallerAgreement, TextOfExactlyTheCapacityIsShownWhole) {
  std::string text = test::PseudoText(kAgreementCapacity, 9);
  std::string stream = test::ZlibCompress(text);
  EXPECT_EQ(ShownAgreement(CopyWithAgreement(stream)), text);
}

}  // namespace
