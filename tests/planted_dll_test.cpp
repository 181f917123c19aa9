// DLLs planted beside the installer (as in a downloads folder) are never
// loaded; the control shows that a program without the protection would load
// them here, so the test cannot pass for want of a working plant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/system_dlls.h"
#include "resources/resource.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

// The names the installer itself loads, the ones an unprotected program
// imports from beside itself. (Wine also looks beside the program for the
// imports of its own system DLLs, such as user32's version.dll, where Windows
// takes those of its known DLLs from the system directory; such names would
// test Wine's loader, not this program.) Wine prefers its own DLLs; the test
// runs with these names set to "native, then builtin" where it is declared,
// so that, as on Windows, a DLL found first on the search path is taken.
const char* const kPlantedNames[] = {"comctl32.dll", "winmm.dll"};

class PlantedDlls : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string planted = std::string(TEST_BINARY_DIR) + "\\planted\\";
    for (const char* name : kPlantedNames)
      ASSERT_TRUE(CopyFileA((planted + "planted.dll").c_str(), (scratch_ / name).c_str(), FALSE)) << name;
    ASSERT_TRUE(CopyFileA((planted + "unprotected.exe").c_str(), (scratch_ / "unprotected.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(TEST_INSTALLER, (scratch_ / "MurkleSetup.exe").c_str(), FALSE));
  }
  // The plants that program loaded (each marker is removed once seen).
  std::vector<std::string> LoadedPlants(const std::string& program) {
    std::vector<std::string> loaded;
    for (const char* name : kPlantedNames) {
      const std::string marker = scratch_ / (std::string(name) + "." + program + ".loaded");
      if (test::FileExists(marker)) {
        loaded.push_back(name);
        DeleteFileA(marker.c_str());
      }
    }
    return loaded;
  }

  test::ScratchDir scratch_{"planted"};
};

TEST_F(PlantedDlls, NoneIsLoadedByTheInstaller) {
  // The control: ordinary imports pick up the plants beside the program.
  {
    test::Process control;
    ASSERT_TRUE(control.Start(scratch_ / "unprotected.exe", "", scratch_.path().c_str()));
    DWORD code = 1;
    ASSERT_TRUE(control.Wait(20000, &code));
  }
  std::vector<std::string> loaded = LoadedPlants("unprotected.exe");
  EXPECT_EQ(loaded, (std::vector<std::string>{"comctl32.dll", "winmm.dll"}))
      << "the planted DLLs are not picked up here, so this test would prove nothing";

  // The installer, started from the folder with the plants as its current
  // directory too, through both dialogs (sounds, common controls, the space
  // lines and the shell) and out.
  {
    test::InstallerSession session;
    ASSERT_TRUE(session.Open(scratch_ / "MurkleSetup.exe", scratch_.path().c_str()));
    session.SetText(IDC_FILE_DIR, "C:\\Some\\Where");
    DWORD code = 1;
    ASSERT_TRUE(session.CloseAndWait(IDCANCEL, &code));
    EXPECT_EQ(code, 0u);
  }
  EXPECT_EQ(LoadedPlants("MurkleSetup.exe"), std::vector<std::string>{}) << "a planted DLL was loaded by the installer";
}

TEST(SystemDlls, LoadFromTheSystemDirectoryOnly) {
  char system[MAX_PATH], path[MAX_PATH];
  ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);
  for (const char* name : {"winmm.dll", "comctl32.dll"}) {
    HMODULE module = LoadSystemLibrary(name);
    ASSERT_NE(module, nullptr) << name;
    ASSERT_NE(GetModuleFileNameA(module, path, sizeof path), 0u);
    EXPECT_EQ(_stricmp(path, (std::string(system) + "\\" + name).c_str()), 0) << path;
  }
  EXPECT_EQ(LoadSystemLibrary("no-such-library.dll"), nullptr);
  EXPECT_EQ(LoadSystemLibrary(std::string(300, 'x').c_str()), nullptr) << "an overlong name is refused";
}

}  // namespace
