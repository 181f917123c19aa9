// The uninstall record and the exact uninst.ini it leaves, written by the
// platform's own profile writer into real scratch directories.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "common/text.h"
#include "file_layer_support.h"
#include "install/config.h"
#include "install/uninstall_record.h"
#include "platform/file.h"
#include "support/test_support.h"

namespace {

const char kFileDir[] = "C:\\Program Files\\Velmora\\Murkle\\";
const char kCreatedFileDir[] = "C:\\Program Files\\Velmora";
const char kShortcutDir[] = "C:\\users\\tester\\Start Menu\\Programs\\Velmora\\Murkle\\";
const char kCreatedShortcutDir[] = "C:\\users\\tester\\Start Menu\\Programs\\Velmora";

// The record an installation of the build's manifest fills, in the order the
// installation fills it.
void FillAsInstalled(UninstallRecord* record, bool desktop) {
  CopyText(record->provider, g_setupConfig.provider);
  CopyText(record->program, g_setupConfig.program);
  CopyText(record->created_file_dir, kCreatedFileDir);
  CopyText(record->file_dir, kFileDir);
  for (int32_t i = 0; i < kManifestRows; ++i) record->AppendFile(kManifest[i].file_name);
  CopyText(record->created_shortcut_dir, kCreatedShortcutDir);
  CopyText(record->shortcut_dir, kShortcutDir);
  for (int32_t i = 0; i < kManifestRows; ++i) {
    if (!kManifest[i].caption[0]) continue;
    std::string link = std::string(kManifest[i].caption) + ".lnk";
    record->AppendShortcut(link.c_str());
  }
  record->desktop_shortcut = desktop ? 1 : 0;
  if (desktop) {
    std::string link = std::string(kManifest[g_setupConfig.desktop_index].caption) + ".lnk";
    CopyText(record->desk_sc_name, link.c_str());
  }
}

// The file the profile writer leaves for a build installation, spelled out.
// Sections follow one another directly; every line ends with CR LF.
std::string BuildFile(bool desktop) {
  return std::string("[COMMON]\r\n") +
         "provider=Velmora\r\n"
         "program=Murkle\r\n"
         "created_file_dir=C:\\Program Files\\Velmora\r\n"
         "file_dir=C:\\Program Files\\Velmora\\Murkle\\\r\n"
         "created_shortcut_dir=C:\\users\\tester\\Start Menu\\Programs\\Velmora\r\n"
         "shortcut_dir=C:\\users\\tester\\Start Menu\\Programs\\Velmora\\Murkle\\\r\n" +
         (desktop ? "desktop_shortcut=1\r\ndesk_sc_name=Murkle.lnk\r\n" : "desktop_shortcut=0\r\ndesk_sc_name=\r\n") +
         "[FILES]\r\n"
         "f00=murkle.exe\r\n"
         "f01=murkle.dat\r\n"
         "f02=murkle.hsc\r\n"
         "f03=order.html\r\n"
         "f04=licence.txt\r\n"
         "f05=uninstall.exe\r\n"
         "f06=marsh.jpg\r\n"
         "f07=murkle.jpg\r\n"
         "f08=velmora.gif\r\n"
         "f09=buy.gif\r\n"
         "f10=mail.gif\r\n"
         "f11=phone.gif\r\n"
         "f12=disk.gif\r\n"
         "f13=back.gif\r\n"
         "f14=uninst.ini\r\n"
         "[SHORTCUTS]\r\n"
         "s00=Murkle.lnk\r\n"
         "s01=How to order Murkle.lnk\r\n"
         "s02=Murkle licence.lnk\r\n"
         "s03=Uninstall Murkle .lnk\r\n";
}

// The same layout for any record, from its fields, for the cases derived from
// the build's one.
std::string ExpectedFile(const UninstallRecord& r) {
  std::string text = "[COMMON]\r\n";
  text += std::string("provider=") + r.provider + "\r\n";
  text += std::string("program=") + r.program + "\r\n";
  text += std::string("created_file_dir=") + r.created_file_dir + "\r\n";
  text += std::string("file_dir=") + r.file_dir + "\r\n";
  text += std::string("created_shortcut_dir=") + r.created_shortcut_dir + "\r\n";
  text += std::string("shortcut_dir=") + r.shortcut_dir + "\r\n";
  text += std::string("desktop_shortcut=") + (r.desktop_shortcut ? "1" : "0") + "\r\n";
  text += std::string("desk_sc_name=") + r.desk_sc_name + "\r\n";
  auto list = [&](const char* section, char letter, const char (*names)[64], int32_t count) {
    if (count == 0) return;
    text += std::string("[") + section + "]\r\n";
    for (int32_t i = 0; i < count; ++i) {
      char key[4] = {letter, static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10), '\0'};
      text += std::string(key) + "=" + names[i] + "\r\n";
    }
  };
  list("FILES", 'f', r.files, r.file_count);
  list("SHORTCUTS", 's', r.shortcuts, r.shortcut_count);
  return text;
}

int32_t Write(UninstallRecord* record, const std::string& dir) {
  test::NoMessageBoxes no_box;
  return record->WriteUninstallIni(dir.c_str());
}

// A record's bytes, to see that a call left it exactly as it was.
std::string Bytes(const UninstallRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

TEST(UninstallRecord, StartsEmpty) {
  // Poison the storage first, so that only the constructor can clear it.
  alignas(UninstallRecord) unsigned char storage[sizeof(UninstallRecord)];
  memset(storage, 0xA5, sizeof storage);
  auto* record = new (storage) UninstallRecord;
  EXPECT_STREQ(record->created_file_dir, "");
  EXPECT_STREQ(record->file_dir, "");
  EXPECT_STREQ(record->created_shortcut_dir, "");
  EXPECT_STREQ(record->shortcut_dir, "");
  EXPECT_STREQ(record->desk_sc_name, "");
  EXPECT_EQ(record->desktop_shortcut, 0);
  EXPECT_EQ(record->file_count, 0);
  EXPECT_EQ(record->shortcut_count, 0);
  record->~UninstallRecord();
}

TEST(UninstallRecord, WritesTheBuildsInstallationExactly) {
  test::ScratchDir base("uninst_build");
  for (bool desktop : {true, false}) {
    SCOPED_TRACE(desktop ? "desktop link made" : "no desktop link");
    UninstallRecord record;
    FillAsInstalled(&record, desktop);
    ASSERT_EQ(record.file_count, 14);
    ASSERT_EQ(record.shortcut_count, 4);

    g_quietFileErrors = 0;
    EXPECT_EQ(Write(&record, base.path() + "\\"), 1);
    EXPECT_EQ(g_quietFileErrors, 1) << "file failures are quiet from now on";
    EXPECT_EQ(test::ReadWholeFile(base / "uninst.ini"), BuildFile(desktop));
    EXPECT_EQ(record.file_count, 15) << "the record lists its own file";
    EXPECT_STREQ(record.files[14], "uninst.ini");
    EXPECT_EQ(record.shortcut_count, 4) << "the desktop link is not among the shortcuts";
  }
}

TEST(UninstallRecord, VariationsOfTheRecord) {
  struct Case {
    const char* title;
    void (*edit)(UninstallRecord*);
  } const cases[] = {
      {"everything existed already: empty created directories",
       [](UninstallRecord* r) {
         r->created_file_dir[0] = '\0';
         r->created_shortcut_dir[0] = '\0';
       }},
      {"a manifest without captions: no [SHORTCUTS]", [](UninstallRecord* r) { r->shortcut_count = 0; }},
      {"nothing but the record itself in [FILES]",
       [](UninstallRecord* r) {
         r->file_count = 0;
         r->shortcut_count = 0;
         r->desktop_shortcut = 0;
         r->desk_sc_name[0] = '\0';
       }},
      {"a desktop flag of any nonzero value is written as 1", [](UninstallRecord* r) { r->desktop_shortcut = -7; }},
      {"names with blanks, signs and 8-bit characters",
       [](UninstallRecord* r) {
         CopyText(r->provider, "Velmora \xa3\xf3" "d\xbc");
         r->file_count = 0;
         r->AppendFile("a = b.txt");
         r->AppendFile("[not a section].txt");
         r->AppendFile("za\xbf\xf3\xb3\xe6.txt");
       }},
  };
  test::ScratchDir base("uninst_variations");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    UninstallRecord record;
    FillAsInstalled(&record, true);
    c.edit(&record);
    UninstallRecord expected_record = record;
    expected_record.AppendFile("uninst.ini");
    EXPECT_EQ(Write(&record, base.path()), 1);
    EXPECT_EQ(test::ReadWholeFile(base / "uninst.ini"), ExpectedFile(expected_record));
  }
}

TEST(UninstallRecord, ReplacesAnEarlierFileWhole) {
  test::ScratchDir base("uninst_replace");
  const std::string ini = base / "uninst.ini";

  // An earlier record written by hand, with more of everything and a section
  // of its own.
  std::string earlier = "[COMMON]\r\nprovider=Old\r\nextra=1\r\n[FILES]\r\n";
  for (int i = 0; i < 40; ++i) earlier += "f" + std::to_string(10 + i) + "=old" + std::to_string(i) + ".bin\r\n";
  earlier += "[SHORTCUTS]\r\ns00=a.lnk\r\ns01=b.lnk\r\ns02=c.lnk\r\ns03=d.lnk\r\ns04=e.lnk\r\n[OTHER]\r\nkey=value\r\n";
  ASSERT_TRUE(test::WriteWholeFile(ini, earlier));

  // A record of two files and the given number of links, written over it.
  auto write_short_record = [&](int32_t links) {
    UninstallRecord record;
    FillAsInstalled(&record, false);
    record.file_count = 2;
    record.shortcut_count = links;
    UninstallRecord expected = record;
    expected.AppendFile("uninst.ini");
    EXPECT_EQ(Write(&record, base.path() + "\\"), 1);
    EXPECT_EQ(test::ReadWholeFile(ini), ExpectedFile(expected));
  };
  write_short_record(1);

  // At once again in this process: the full record, then the small one. The
  // profile writer has just written this very file and must not bring back
  // keys from what it remembers of it.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    UninstallRecord full;
    FillAsInstalled(&full, true);
    EXPECT_EQ(Write(&full, base.path() + "\\"), 1);
    EXPECT_EQ(test::ReadWholeFile(ini), BuildFile(true));
    write_short_record(0);
  }
}

TEST(UninstallRecord, WhereTheFileGoes) {
  test::ScratchDir base("uninst_where");
  ASSERT_TRUE(CreateDirectoryA((base / "sub").c_str(), nullptr));
  UninstallRecord record;
  FillAsInstalled(&record, true);
  UninstallRecord expected = record;
  expected.AppendFile("uninst.ini");

  // Without a trailing backslash one is put between the two.
  UninstallRecord without = record;
  EXPECT_EQ(Write(&without, base / "sub"), 1);
  EXPECT_EQ(test::ReadWholeFile(base / "sub\\uninst.ini"), ExpectedFile(expected));
  EXPECT_FALSE(test::FileExists(base / "subuninst.ini"));

  // An empty or relative directory is taken from the current one, by the file
  // and by the keys alike: a bare name would send the keys to the Windows
  // directory.
  char windows[MAX_PATH] = "";
  ASSERT_TRUE(GetWindowsDirectoryA(windows, sizeof windows));
  const std::string stray = test::JoinPath(windows, "uninst.ini");
  ASSERT_TRUE(test::RemoveTree(stray)) << "left over from elsewhere: " << stray;
  char saved[MAX_PATH] = "";
  ASSERT_TRUE(GetCurrentDirectoryA(sizeof saved, saved));
  ASSERT_TRUE(SetCurrentDirectoryA(base.path().c_str()));
  UninstallRecord bare = record;
  int32_t bare_result = Write(&bare, "");
  ASSERT_TRUE(test::RemoveTree(base / "sub\\uninst.ini"));
  UninstallRecord relative = record;
  int32_t relative_result = Write(&relative, "sub");
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(bare_result, 1);
  EXPECT_EQ(test::ReadWholeFile(base / "uninst.ini"), ExpectedFile(expected));
  EXPECT_EQ(relative_result, 1);
  EXPECT_EQ(test::ReadWholeFile(base / "sub\\uninst.ini"), ExpectedFile(expected));
  EXPECT_FALSE(test::FileExists(stray)) << "keys went to the Windows directory";
  test::RemoveTree(stray);
}

// A directory below base whose path, with its trailing backslash, has exactly
// length characters; made on disk.
std::string DirectoryOfLength(const std::string& base, size_t length) {
  std::string dir = base + "\\";
  while (dir.size() < length) {
    size_t take = length - dir.size() - 1;
    if (take > 60) take = 50;
    dir += std::string(take, 'd') + "\\";
    if (!CreateDirectoryA(dir.c_str(), nullptr) && !test::DirectoryExists(dir)) ADD_FAILURE() << "cannot make " << dir;
  }
  return dir;
}

TEST(UninstallRecord, ADirectoryTooLongForTheNameIsRefused) {
  test::ScratchDir base("uninst_long");
  // 249 characters and "uninst.ini" make 259: the longest path there is.
  std::string longest = DirectoryOfLength(base.path(), 249);
  ASSERT_EQ(longest.size(), 249u);
  UninstallRecord fits;
  FillAsInstalled(&fits, true);
  EXPECT_EQ(Write(&fits, longest), 1);
  EXPECT_TRUE(test::FileExists(longest + "uninst.ini"));

  // One more, with or without the backslash that would be added: refused
  // before anything is made, and the record stays as it was.
  std::string over = DirectoryOfLength(base.path(), 250);
  ASSERT_EQ(over.size(), 250u);
  for (const std::string& dir : {over, over.substr(0, over.size() - 1)}) {
    SCOPED_TRACE(dir);
    UninstallRecord record;
    FillAsInstalled(&record, true);
    std::string before = Bytes(record);
    EXPECT_EQ(Write(&record, dir), 0);
    EXPECT_TRUE(Bytes(record) == before) << "the record was changed";
  }
  std::vector<std::string> cut_names = {over + "uninst.in", over + "uninst.i", over.substr(0, 249) + "uninst.ini"};
  for (const auto& name : cut_names) EXPECT_FALSE(test::FileExists(name)) << name;
  EXPECT_FALSE(test::FileExists(over + "uninst.ini"));
}

TEST(UninstallRecord, AFileThatCannotBeCreatedWritesNothing) {
  test::ScratchDir base("uninst_blocked");
  // A directory of that name is in the way of the file.
  ASSERT_TRUE(CreateDirectoryA((base / "uninst.ini").c_str(), nullptr));
  UninstallRecord record;
  FillAsInstalled(&record, true);
  std::string before = Bytes(record);
  g_quietFileErrors = 0;
  EXPECT_EQ(Write(&record, base.path() + "\\"), 0);
  EXPECT_EQ(g_quietFileErrors, 1) << "set before the file is touched, so that nothing asks";
  EXPECT_TRUE(Bytes(record) == before) << "the record was changed";
  EXPECT_TRUE(test::DirectoryExists(base / "uninst.ini"));
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((base / "uninst.ini\\*").c_str(), &found);
  int entries = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) ++entries;
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(entries, 0) << "no key went anywhere";

  // A directory that does not exist fails the same way.
  UninstallRecord missing;
  FillAsInstalled(&missing, false);
  before = Bytes(missing);
  EXPECT_EQ(Write(&missing, base / "missing\\"), 0);
  EXPECT_TRUE(Bytes(missing) == before);
  EXPECT_FALSE(test::DirectoryExists(base / "missing"));
}

// A real full disk: T: (1 MiB) keeps one page free, room for the empty file and
// the first keys but not for a record of long names. The profile writer need
// not report that (Wine's does not); the record still must not count as written.
class UninstallRecordFullDisk : public test::DriveT {};

TEST_F(UninstallRecordFullDisk, ARecordThatDoesNotReachTheDiskFails) {
  ASSERT_TRUE(test::WriteWholeFile("T:\\filler.bin", std::string(static_cast<size_t>(FreeBytes()) - 4096, 'f')));
  ASSERT_EQ(FreeBytes(), 4096u);
  UninstallRecord record;
  FillAsInstalled(&record, true);
  for (int i = 0; record.shortcut_count < UninstallRecord::kMaxNames; ++i) {
    std::string name = std::string(55, 'n') + std::to_string(i) + ".lnk";
    record.AppendShortcut(name.c_str());
  }
  UninstallRecord again = record;  // before Write lists uninst.ini in it
  EXPECT_EQ(Write(&record, "T:\\"), 0) << "a record cut short by the full disk counted as written";
  EXPECT_EQ(test::ReadWholeFile("T:\\uninst.ini").find("s63="), std::string::npos) << "it fitted after all";
  // With the room back, the same record is written whole.
  ASSERT_TRUE(DeleteFileA("T:\\filler.bin"));
  EXPECT_EQ(Write(&again, "T:\\"), 1);
}

TEST(UninstallRecord, ListsHoldSixtyFourNamesOfSixtyThreeCharacters) {
  UninstallRecord record;
  const std::string longest(63, 'n');
  const std::string too_long(64, 'x');
  record.AppendFile(longest.c_str());
  record.AppendShortcut(longest.c_str());
  EXPECT_EQ(record.file_count, 1);
  EXPECT_EQ(record.files[0], longest);
  EXPECT_EQ(record.shortcuts[0], longest);

  // A name that does not fit whole is left out rather than cut to another name.
  std::string before = Bytes(record);
  record.AppendFile(too_long.c_str());
  record.AppendShortcut(too_long.c_str());
  EXPECT_TRUE(Bytes(record) == before) << "an overlong name changed the record";

  for (int i = 1; i < UninstallRecord::kMaxNames; ++i) {
    std::string name = "file" + std::to_string(i);
    record.AppendFile(name.c_str());
    record.AppendShortcut(name.c_str());
  }
  ASSERT_EQ(record.file_count, 64);
  ASSERT_EQ(record.shortcut_count, 64);
  before = Bytes(record);
  record.AppendFile("sixty-fifth");
  record.AppendShortcut("sixty-fifth");
  EXPECT_TRUE(Bytes(record) == before) << "a 65th name changed the record";

  // A full record is still written whole; its own name finds no place.
  test::ScratchDir base("uninst_full");
  UninstallRecord expected = record;
  EXPECT_EQ(Write(&record, base.path()), 1);
  EXPECT_EQ(test::ReadWholeFile(base / "uninst.ini"), ExpectedFile(expected));
}

}  // namespace
