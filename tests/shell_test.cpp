// The shell services against the real shell of the test prefix: free space of
// real drives, special folders, link files read back through the shell, and
// the folder picker driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/shell_links.h"
#include "common/shell_folders.h"
#include "platform/shell.h"
#include "support/install_support.h"
#include "support/test_support.h"

namespace {

using test::GuardedPath;

// COM for the calling thread, as the setup's start-up provides it.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  HRESULT hr() const { return hr_; }

 private:
  HRESULT hr_;
};

// Free bytes of a drive root as the 64-bit call reports them.
bool FreeBytesEx(const char* root, ULONGLONG* free_bytes, ULONGLONG* total_bytes) {
  ULARGE_INTEGER available, total, total_free;
  if (!GetDiskFreeSpaceExA(root, &available, &total, &total_free)) return false;
  *free_bytes = available.QuadPart;
  if (total_bytes) *total_bytes = total.QuadPart;
  return true;
}

bool DirectoryEmpty(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(test::JoinPath(dir, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) empty = false;
  } while (empty && FindNextFileA(search, &found));
  FindClose(search);
  return empty;
}

// ---------------------------------------------------------------- free space

TEST(GetFreeBytes, ScratchDriveTReportsItsExactFreeBytes) {
  if (!test::DriveMapped('T'))
    GTEST_SKIP() << "drive T: is not mapped in this prefix (the fixture could not mount its 1 MiB tmpfs)";
  ULONGLONG free_ex = 0, total_ex = 0;
  ASSERT_TRUE(FreeBytesEx("T:\\", &free_ex, &total_ex)) << "error " << GetLastError();
  ASSERT_EQ(total_ex, 1048576u) << "T: should be the fixture's 1 MiB tmpfs";

  EXPECT_EQ(GetFreeBytes("T:\\"), free_ex) << "free bytes of T: as the 64-bit call counts them";
  if (DirectoryEmpty("T:\\")) {
    EXPECT_EQ(GetFreeBytes("T:\\"), 1048576u) << "an empty T: is all free";
  }

  // Every form of a path on T: counts the drive alone; the directories need not exist.
  for (const char* path : {"T:", "t:\\", "T:\\no\\such\\directory\\", "T:file.txt", "T:\\a\\b\\c.bin"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetFreeBytes(path), free_ex);
  }

  // 64 KiB written (a whole number of tmpfs pages) is 64 KiB less free.
  const std::string file = "T:\\shell_test_fill.bin";
  ASSERT_TRUE(test::WriteWholeFile(file, test::PseudoRandom(65536, 4)));
  uint32_t after = GetFreeBytes("T:\\");
  ASSERT_TRUE(test::RemoveTree(file));
  EXPECT_EQ(after, free_ex - 65536u) << "after writing 65536 bytes";
  EXPECT_EQ(GetFreeBytes("T:\\"), free_ex) << "after removing them again";
}

TEST(GetFreeBytes, SaturatesAboveFourGigabytes) {
  // C: of the test prefix lives on the host's disk. The expected value comes
  // from the 64-bit call; a disk that changes while we look is bracketed.
  ULONGLONG before = 0, after = 0;
  ASSERT_TRUE(FreeBytesEx("C:\\", &before, nullptr));
  uint32_t got = GetFreeBytes("C:\\Program Files\\Velmora\\Murkle\\");
  ASSERT_TRUE(FreeBytesEx("C:\\", &after, nullptr));
  ULONGLONG low = before < after ? before : after;
  ULONGLONG high = before < after ? after : before;
  if (low > 0xFFFFFFFFull) {
    EXPECT_EQ(got, 0xFFFFFFFFu) << "C: has " << low << " bytes free";
    EXPECT_EQ(got >> 10, 4194303u) << "in kilobytes";
  } else if (high <= 0xFFFFFFFFull) {
    EXPECT_GE(got, low);
    EXPECT_LE(got, high);
    GTEST_SKIP() << "C: has only " << low << " bytes free: its value was checked, saturation was not";
  } else {
    GTEST_SKIP() << "C: free space crossed 4 GiB while it was measured";
  }
}

TEST(GetFreeBytes, PathsWithoutADriveLetterOrWithAnUnmappedOneGiveZero) {
  char unmapped[] = "?:\\";
  for (char letter = 'Z'; letter >= 'D'; --letter)
    if (!test::DriveMapped(letter)) unmapped[0] = letter;
  ASSERT_NE(unmapped[0], '?') << "every drive letter is mapped";

  const std::string unmapped_dir = std::string(unmapped) + "dir\\";
  const char* const paths[] = {"\\\\server\\share\\dir\\", "\\\\?\\C:\\", "relative\\dir\\", "C", "", "\\",
                               "\\Program Files\\", ":\\", "1:\\", unmapped, unmapped_dir.c_str()};
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetFreeBytes(path), 0u);
  }
  EXPECT_EQ(GetFreeBytes(nullptr), 0u);
}

// ---------------------------------------------------------- special folders

TEST(GetSpecialFolderPath, FindsTheFoldersOfThePrefix) {
  char profile[MAX_PATH] = "";
  ASSERT_TRUE(GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile));
  const struct {
    int csidl;
    const char* name;
  } folders[] = {{CSIDL_PROGRAMS, "programs"},
                 {CSIDL_DESKTOPDIRECTORY, "desktop directory"},
                 {CSIDL_STARTMENU, "start menu"}};
  for (const auto& f : folders) {
    SCOPED_TRACE(f.name);
    char expected[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, f.csidl, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK);
    GuardedPath path;
    EXPECT_EQ(GetSpecialFolderPath(f.csidl, path.text), S_OK);
    EXPECT_EQ(path.Value(), expected);
    EXPECT_TRUE(path.GuardIntact());
    EXPECT_TRUE(test::DirectoryExists(path.Value())) << path.Value();
    EXPECT_EQ(_strnicmp(path.text, profile, strlen(profile)), 0)
        << path.Value() << " lies outside the profile " << profile;
  }
  GuardedPath programs, start_menu;
  ASSERT_EQ(GetSpecialFolderPath(CSIDL_PROGRAMS, programs.text), S_OK);
  ASSERT_EQ(GetSpecialFolderPath(CSIDL_STARTMENU, start_menu.text), S_OK);
  EXPECT_EQ(programs.Value().rfind(start_menu.Value() + "\\", 0), 0u) << "Programs lies in the Start menu";
}

TEST(GetSpecialFolderPath, VirtualAndUnknownFoldersFail) {
  GuardedPath drives;
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_DRIVES, drives.text), E_FAIL) << "My Computer has no path";
  EXPECT_TRUE(drives.GuardIntact());

  // A number the shell does not know: the shell's own failure comes back.
  const int unknown = 0x7F;
  LPITEMIDLIST list = nullptr;
  HRESULT shell = SHGetSpecialFolderLocation(nullptr, unknown, &list);
  if (list) CoTaskMemFree(list);
  ASSERT_TRUE(FAILED(shell)) << "csidl " << unknown << " is known to this shell";
  GuardedPath path;
  EXPECT_EQ(GetSpecialFolderPath(unknown, path.text), shell);
  EXPECT_TRUE(path.Untouched()) << path.Value();
}

// ------------------------------------------------------------------- links

TEST(CreateShortcut, WritesALinkTheShellReadsBack) {
  ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.hr()));
  test::ScratchDir base("shell_links");
  ASSERT_TRUE(CreateDirectoryA((base / "Murkle").c_str(), nullptr));
  const struct {
    const char* file;
    const char* link;
    const char* description;
  } cases[] = {
      {"Murkle\\murkle.exe", "Murkle.lnk", "Murkle"},
      {"Murkle\\readme.txt", "Read me first.lnk", "Read me first"},
      {"Murkle\\uninstall.exe", "Uninstall Murkle.lnk", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    std::string target = base / c.file;
    std::string link = base / c.link;
    ASSERT_TRUE(test::WriteWholeFile(target, "payload"));
    EXPECT_EQ(CreateShortcut(target.c_str(), link.c_str(), c.description), S_OK);
    ASSERT_TRUE(test::FileExists(link));
    std::string read_target, read_description;
    ASSERT_TRUE(test::ReadLink(link, &read_target, &read_description)) << "the link could not be read back";
    EXPECT_EQ(read_target, target);
    EXPECT_EQ(read_description, c.description);
  }
  // A second run writes over its own links.
  std::string target = base / cases[1].file;
  std::string link = base / cases[0].link;
  EXPECT_EQ(CreateShortcut(target.c_str(), link.c_str(), "again"), S_OK);
  std::string read_target, read_description;
  ASSERT_TRUE(test::ReadLink(link, &read_target, &read_description));
  EXPECT_EQ(read_target, target);
  EXPECT_EQ(read_description, "again");
}

TEST(CreateShortcut, FailuresWriteNothing) {
  test::ScratchDir base("shell_link_failures");
  std::string target = base / "target.exe";
  ASSERT_TRUE(test::WriteWholeFile(target, "payload"));

  // Without COM on the calling thread the link object cannot be made.
  HRESULT without_com = S_OK;
  std::string link = base / "no com.lnk";
  std::thread([&] { without_com = CreateShortcut(target.c_str(), link.c_str(), "x"); }).join();
  EXPECT_EQ(without_com, CO_E_NOTINITIALIZED);
  EXPECT_FALSE(test::FileExists(link));

  ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.hr()));
  // A folder that does not exist: Save fails and says so.
  std::string missing = base / "missing\\link.lnk";
  HRESULT hr = CreateShortcut(target.c_str(), missing.c_str(), "x");
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;

  // A link name too long for the wide buffer is refused, not cut short.
  std::string overlong = base / (std::string(300 - base.path().size(), 'n') + ".lnk");
  hr = CreateShortcut(target.c_str(), overlong.c_str(), "x");
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;

  std::vector<std::string> left;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((base / "*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) left.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::string listed;
  for (const std::string& name : left) listed += " " + name;
  ASSERT_EQ(left.size(), 1u) << "only the target is left; found:" << listed;
  EXPECT_EQ(left[0], "target.exe");
}

// ------------------------------------------------------------ folder picker

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = "";
  TVITEMA data = {};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

HWND FindTree(HWND dialog) {
  for (HWND child : test::Children(dialog))
    if (test::ClassName(child) == WC_TREEVIEWA) return child;
  return nullptr;
}

// Below item (expanded first), the child whose text contains name.
HTREEITEM FindChild(HWND tree, HTREEITEM item, const std::string& name, std::string* seen) {
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  for (auto child = reinterpret_cast<HTREEITEM>(
           SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
       child; child = reinterpret_cast<HTREEITEM>(
                  SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
    std::string text = ItemText(tree, child);
    *seen += "[" + text + "] ";
    if (text.find(name) != std::string::npos) return child;
  }
  return nullptr;
}

// Opens the picker below root and, from a watcher thread, selects the child of
// the top item whose text contains item_name, then presses button.
int Pick(int root_csidl, const std::string& item_name, int button, char* path, std::string* title_seen) {
  int result = -1;
  test::ShowModal(
      [&]() -> INT_PTR {
        result = BrowseForFolder(nullptr, "Choose a destination directory", root_csidl, path);
        return result;
      },
      [&](HWND dialog) {
        HWND tree = nullptr;
        HTREEITEM top = nullptr;
        test::WaitUntil(
            [&] {
              tree = FindTree(dialog);
              top = tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))
                         : nullptr;
              return top != nullptr;
            },
            5000);
        // The title is shown in a static text of the dialog.
        for (HWND child : test::Children(dialog))
          if (test::ClassName(child) == "Static") *title_seen += test::WindowText(child);
        if (!top) {
          ADD_FAILURE() << "no tree view with items in the folder picker";
        } else if (button == IDOK) {
          std::string seen;
          HTREEITEM item = FindChild(tree, top, item_name, &seen);
          if (!item) {
            ADD_FAILURE() << "no item \"" << item_name << "\" below [" << ItemText(tree, top) << "]: " << seen;
          } else {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
          }
        }
        test::PressButton(dialog, button);
      });
  return result;
}

TEST(BrowseForFolder, ChoosingAFolderGivesItsPath) {
  ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.hr()));
  GuardedPath programs;
  ASSERT_EQ(GetSpecialFolderPath(CSIDL_PROGRAMS, programs.text), S_OK);
  std::string folder_name = programs.Value().substr(programs.Value().rfind('\\') + 1);

  GuardedPath path;
  std::string title;
  EXPECT_EQ(Pick(CSIDL_STARTMENU, folder_name, IDOK, path.text, &title), 1);
  EXPECT_EQ(path.Value(), programs.Value());
  EXPECT_TRUE(path.GuardIntact());
  EXPECT_NE(title.find("Choose a destination directory"), std::string::npos) << "texts seen: " << title;

  // Below My Computer the drives are offered; C: gives its root.
  GuardedPath drive;
  EXPECT_EQ(Pick(CSIDL_DRIVES, "C:", IDOK, drive.text, &title), 1);
  EXPECT_EQ(drive.Value(), "C:\\");
  EXPECT_TRUE(drive.GuardIntact());
}

TEST(BrowseForFolder, CancelLeavesThePathAlone) {
  ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.hr()));
  GuardedPath path;
  std::string title;
  EXPECT_EQ(Pick(CSIDL_DRIVES, "", IDCANCEL, path.text, &title), 0);
  EXPECT_TRUE(path.Untouched()) << path.Value();
}

TEST(BrowseForFolder, AnUnknownRootShowsNothing) {
  ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.hr()));
  GuardedPath path;
  // No dialog may appear: the call must return on its own.
  INT_PTR result = test::ShowModal([&] { return static_cast<INT_PTR>(BrowseForFolder(nullptr, "title", 0x7F, path.text)); },
                                   [](HWND picker) {
                                     ADD_FAILURE() << "a picker was shown for an unknown root";
                                     PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
                                   },
                                   10000);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(path.Untouched()) << path.Value();
}

}  // namespace
