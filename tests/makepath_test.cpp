// Directory trees made on real directories in the scratch area: which
// directories appear, which one is reported, and what a failure leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/file.h"
#include "platform/makepath.h"
#include "support/install_support.h"
#include "support/test_support.h"

namespace {

using test::GuardedPath;

struct Outcome {
  bool threw = false;
  int32_t code = 0;
  const char* message = "<not thrown>";
};

Outcome CallMakePath(const std::string& path, GuardedPath* report) {
  Outcome outcome;
  test::NoMessageBoxes no_box;
  try {
    MakePath(path.c_str(), report ? report->text : nullptr);
  } catch (const EPlik& e) {
    outcome.threw = true;
    outcome.code = e.code;
    outcome.message = e.message;
  }
  return outcome;
}

// Every directory and file below root, relative to it, sorted.
std::vector<std::string> Tree(const std::string& root) {
  std::set<std::string> paths;
  test::ListFiles(root, &paths);
  std::vector<std::string> names;
  for (const std::string& path : paths) names.push_back(path.substr(root.size() + 1));
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string all;
  for (const auto& n : names) all += n + " ";
  return all;
}

// One case: what exists before (directories end with a backslash, the rest
// are files), the path below the case's directory, the report expected
// (relative; null: untouched), what exists afterwards, and the error. Texts
// are UTF-8; a case runs under every code page that can write it.
struct Case {
  const char* title;
  std::vector<const char*> before;
  const char* path;
  const char* report;
  std::vector<const char*> after;
  DWORD error;                // 0: no exception
  const char* failing;        // the directory whose creation fails, relative
};

const Case kCases[] = {
    {"the example: only Program Files exists",
     {"Program Files\\"},
     "Program Files\\Velmora\\Murkle",
     "Program Files\\Velmora",
     {"Program Files\\", "Program Files\\Velmora\\", "Program Files\\Velmora\\Murkle\\"},
     0, nullptr},
    {"a path that exists in full",
     {"a\\", "a\\b\\", "a\\b\\c\\"},
     "a\\b\\c",
     nullptr,
     {"a\\", "a\\b\\", "a\\b\\c\\"},
     0, nullptr},
    {"an existing file as the last component",
     {"a\\", "a\\f"},
     "a\\f",
     nullptr,
     {"a\\", "a\\f"},
     0, nullptr},
    {"only the first created directory is reported",
     {"x\\"},
     "x\\y\\z\\w",
     "x\\y",
     {"x\\", "x\\y\\", "x\\y\\z\\", "x\\y\\z\\w\\"},
     0, nullptr},
    {"a directory beside the path is neither reported nor touched",
     {"p\\", "p\\q\\", "p\\other\\"},
     "p\\q\\r",
     "p\\q\\r",
     {"p\\", "p\\other\\", "p\\q\\", "p\\q\\r\\"},
     0, nullptr},
    {"a file in the way of a missing component: reported, not made",
     {"e\\", "e\\f"},
     "e\\f\\n3\\n4",
     "e\\f\\n3",
     {"e\\", "e\\f"},
     ERROR_PATH_NOT_FOUND, "e\\f\\n3"},
    // The third component (slashes do not split it) leads back up to a file,
    // so its creation meets a real file in the way.
    {"the third of four missing components is a file: two stay, the first reported",
     {"k\\", "k\\blocker"},
     "k\\n1\\n2\\../../blocker\\n4",
     "k\\n1",
     {"k\\", "k\\blocker", "k\\n1\\", "k\\n1\\n2\\"},
     ERROR_ALREADY_EXISTS, "k\\n1\\n2\\../../blocker"},
    {"the third of four missing components has a bad name: two stay, the first reported",
     {"m\\"},
     "m\\n1\\n2\\bad|name\\n4",
     "m\\n1",
     {"m\\", "m\\n1\\", "m\\n1\\n2\\"},
     ERROR_INVALID_NAME, "m\\n1\\n2\\bad|name"},
    {"slashes make one component whose parent exists",
     {"s\\", "s\\s1\\"},
     "s\\s1/s2",
     "s\\s1/s2",
     {"s\\", "s\\s1\\", "s\\s1\\s2\\"},
     0, nullptr},
    {"slashes make one component whose parent does not exist",
     {"t\\"},
     "t\\t1/t2",
     "t\\t1/t2",
     {"t\\"},
     ERROR_PATH_NOT_FOUND, "t\\t1/t2"},
    {"a wildcard component counts as present when something matches",
     {"w\\", "w\\match1\\"},
     "w\\mat*",
     nullptr,
     {"w\\", "w\\match1\\"},
     0, nullptr},
    // Double-byte code pages: the second byte of a character may be 0x5C,
    // 0x7C or a letter, and is then no separator and no letter of another
    // case. In code page 932 ソ is 83 5C, ポ 83 7C, ア 83 41, ヂ 83 61 and
    // 表 95 5C.
    {"a character whose second byte is a backslash",
     {},
     "ソフト\\Murkle",
     "ソフト",
     {"ソフト\\", "ソフト\\Murkle\\"},
     0, nullptr},
    {"a character whose second byte is a bar",
     {},
     "スポーツ\\ゲーム",
     "スポーツ",
     {"スポーツ\\", "スポーツ\\ゲーム\\"},
     0, nullptr},
    {"second bytes that are letters of another case name another folder",
     {"ゲームヂ\\"},
     "ゲームア\\Murkle",
     "ゲームア",
     {"ゲームア\\", "ゲームア\\Murkle\\", "ゲームヂ\\"},
     0, nullptr},
    {"names that end in a second byte 0x5C",
     {},
     "表\\能",
     "表",
     {"表\\", "表\\能\\"},
     0, nullptr},
};

// Failures name the case rather than dump its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.title; }

class MakePathTable : public ::testing::TestWithParam<Case> {};

TEST_P(MakePathTable, CreatesReportsAndFails) {
  const Case& c = GetParam();
  bool writable = true;
  auto ansi = [&](const char* utf8) {
    std::string text;
    writable &= utf8 == nullptr || test::InCodePage(utf8, &text);
    return text;
  };
  const std::string case_path = ansi(c.path), case_report = ansi(c.report), failing = ansi(c.failing);
  std::vector<std::string> before, expected;
  for (const char* entry : c.before) before.push_back(ansi(entry));
  for (const char* entry : c.after) expected.push_back(ansi(entry));
  if (!writable) GTEST_SKIP() << "code page " << GetACP() << " cannot write this case";
  std::sort(expected.begin(), expected.end());

  for (bool trailing : {false, true}) {
    SCOPED_TRACE(std::string(c.title) + (trailing ? ", with trailing backslash" : ", without"));
    test::ScratchDir base("makepath_table");
    for (const std::string& entry : before) {
      std::string full = base / entry;
      if (full.back() == '\\') {
        ASSERT_TRUE(CreateDirectoryA(full.c_str(), nullptr)) << full;
      } else {
        ASSERT_TRUE(test::WriteWholeFile(full, "in the way")) << full;
      }
    }
    std::string path = base / case_path;
    if (trailing) path += "\\";

    GuardedPath report;
    Outcome outcome = CallMakePath(path, &report);

    if (c.error) {
      EXPECT_TRUE(outcome.threw) << "expected EPlik " << c.error;
      EXPECT_EQ(outcome.code, static_cast<int32_t>(c.error));
      EXPECT_EQ(outcome.message, nullptr) << "EPlik carries no message";
      // The code is the system's own: the same call fails the same way.
      SetLastError(0xdeadbeef);
      EXPECT_FALSE(CreateDirectoryA((base / failing).c_str(), nullptr));
      EXPECT_EQ(static_cast<int32_t>(GetLastError()), outcome.code);
    } else {
      EXPECT_FALSE(outcome.threw) << "EPlik " << outcome.code;
    }
    EXPECT_EQ(report.Value(), c.report ? base / case_report : "<untouched>");
    EXPECT_TRUE(report.GuardIntact()) << "the report overran its buffer";
    EXPECT_EQ(Joined(Tree(base.path())), Joined(expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, MakePathTable, ::testing::ValuesIn(kCases));

// The path helpers that MakePath, the installation and the uninstaller share:
// one backslash at the join, and nothing written past the buffer.
TEST(PathText, BackslashesAndJoinsStayInTheirBuffers) {
  struct {
    char text[8];
    char guard[4];
  } buffer;
  memcpy(buffer.guard, "GGGG", 4);
  ASSERT_TRUE(CopyText(buffer.text, "C:\\a"));
  EXPECT_TRUE(AppendBackslash(buffer.text));
  EXPECT_STREQ(buffer.text, "C:\\a\\");
  EXPECT_TRUE(AppendBackslash(buffer.text)) << "one backslash only";
  EXPECT_STREQ(buffer.text, "C:\\a\\");
  ASSERT_TRUE(CopyText(buffer.text, "C:\\abcd"));  // 7 characters: no room for an eighth
  EXPECT_FALSE(AppendBackslash(buffer.text));
  EXPECT_STREQ(buffer.text, "C:\\abcd") << "left as it was";
  EXPECT_EQ(LengthWithBackslash("C:\\abcd"), 8u);
  EXPECT_EQ(LengthWithBackslash("C:\\abcd\\"), 8u);

  EXPECT_TRUE(JoinPath(buffer.text, "C:\\a", "b"));
  EXPECT_STREQ(buffer.text, "C:\\a\\b");
  EXPECT_TRUE(JoinPath(buffer.text, "C:\\a\\", "b"));
  EXPECT_STREQ(buffer.text, "C:\\a\\b");
  EXPECT_FALSE(JoinPath(buffer.text, "C:\\a", "bcdef")) << "a cut path is reported";
  EXPECT_EQ(std::string(buffer.guard, 4), "GGGG");
}

// The same on double-byte text: a second byte 0x5C is no backslash, and text
// cut to its buffer is cut between two characters, never in one.
TEST(PathText, DoubleByteCharactersStayWhole) {
  std::string kanji;  // 95 5C in code page 932
  if (!test::InCodePage("表", &kanji) || kanji.size() != 2) GTEST_SKIP() << "no double-byte code page";
  char path[MAX_PATH];
  ASSERT_TRUE(CopyText(path, ("C:\\" + kanji).c_str()));
  EXPECT_FALSE(EndsWithBackslash(path));
  EXPECT_TRUE(AppendBackslash(path));
  EXPECT_EQ(path, "C:\\" + kanji + "\\");
  EXPECT_TRUE(JoinPath(path, ("C:\\" + kanji).c_str(), "b"));
  EXPECT_EQ(path, "C:\\" + kanji + "\\b");
  DropTrailingBackslash(path);
  EXPECT_EQ(path, "C:\\" + kanji + "\\b") << "no backslash to drop";

  struct {
    char text[8];
    char guard[4];
  } buffer;
  memcpy(buffer.guard, "GGGG", 4);
  const std::string eight = "C:\\a" + kanji + kanji;  // its last character does not fit
  EXPECT_FALSE(CopyText(buffer.text, eight.c_str()));
  EXPECT_EQ(buffer.text, "C:\\a" + kanji);
  EXPECT_FALSE(FormatText(buffer.text, sizeof buffer.text, "%s", eight.c_str()));
  EXPECT_EQ(buffer.text, "C:\\a" + kanji);
  TextBuilder builder(buffer.text, sizeof buffer.text);
  builder.Append(("a" + kanji + kanji + kanji + kanji).c_str());
  EXPECT_EQ(buffer.text, "a" + kanji + "...");
  EXPECT_EQ(std::string(buffer.guard, 4), "GGGG");
}

// A path that ends in a lead byte names no folder: the backslash appended to
// it would be read as its second byte. Refused before anything is made.
TEST(MakePath, ALoneLeadByteAtTheEndIsRefused) {
  std::string kanji;
  if (!test::InCodePage("表", &kanji) || kanji.size() != 2) GTEST_SKIP() << "no double-byte code page";
  test::ScratchDir base("makepath_lead");
  GuardedPath report;
  Outcome outcome = CallMakePath(base / ("a\\" + kanji.substr(0, 1)), &report);
  EXPECT_TRUE(outcome.threw);
  EXPECT_EQ(outcome.code, ERROR_INVALID_NAME);
  EXPECT_EQ(report.Value(), "<untouched>");
  EXPECT_FALSE(test::DirectoryExists(base / "a")) << "nothing is made";
}

TEST(MakePath, DriveRootsAndEmptyPathsCreateNothing) {
  for (const char* path : {"C:\\", "C:", "Z:\\", "Z:", "", "\\"}) {
    SCOPED_TRACE(path);
    GuardedPath report;
    Outcome outcome = CallMakePath(path, &report);
    EXPECT_FALSE(outcome.threw) << "EPlik " << outcome.code;
    EXPECT_TRUE(report.Untouched()) << report.Value();
  }
}

TEST(MakePath, WorksWithoutReportBuffer) {
  test::ScratchDir base("makepath_noreport");
  Outcome outcome = CallMakePath(base / "a\\b", nullptr);
  EXPECT_FALSE(outcome.threw);
  EXPECT_TRUE(test::DirectoryExists(base / "a\\b"));
  outcome = CallMakePath(base / "a\\b\\f\\g", nullptr);
  EXPECT_FALSE(outcome.threw);
  EXPECT_TRUE(test::WriteWholeFile(base / "file", "x"));
  outcome = CallMakePath(base / "file\\sub", nullptr);
  EXPECT_TRUE(outcome.threw);
  EXPECT_EQ(outcome.code, ERROR_PATH_NOT_FOUND);
}

// Restores the current directory when the test is done.
class CurrentDirectory {
 public:
  CurrentDirectory() { GetCurrentDirectoryA(sizeof saved_, saved_); }
  ~CurrentDirectory() { SetCurrentDirectoryA(saved_); }

 private:
  char saved_[MAX_PATH] = "";
};

TEST(MakePath, RelativePathsStartAtTheCurrentDirectoryOrItsRoot) {
  test::ScratchDir base("makepath_relative");
  CurrentDirectory keep;
  ASSERT_TRUE(SetCurrentDirectoryA(base.path().c_str()));

  GuardedPath report;
  Outcome outcome = CallMakePath("r1\\r2", &report);
  EXPECT_FALSE(outcome.threw);
  EXPECT_EQ(report.Value(), "r1");
  EXPECT_TRUE(test::DirectoryExists(base / "r1\\r2"));

  // Without a drive, a leading backslash means the root of the current drive.
  ASSERT_EQ(base.path()[1], ':');
  std::string rooted = base.path().substr(2) + "\\abs1\\abs2";
  GuardedPath rooted_report;
  outcome = CallMakePath(rooted, &rooted_report);
  EXPECT_FALSE(outcome.threw);
  EXPECT_EQ(rooted_report.Value(), base.path().substr(2) + "\\abs1");
  EXPECT_TRUE(test::DirectoryExists(base / "abs1\\abs2"));
}

// A path below base whose directory part (everything after the drive, trailing
// backslash included) has exactly length characters. Its first component is
// "aaaaaaaaa".
std::string PathWithDirectoryPart(const std::string& base, size_t length) {
  std::string path = base;
  size_t remaining = length - (base.size() - 2) - 1;  // for "\name" components
  char letter = 'a';
  while (remaining > 0) {
    size_t take = remaining > 20 ? 9 : remaining - 1;
    path += "\\" + std::string(take, letter++);
    remaining -= take + 1;
  }
  return path + "\\";
}

TEST(MakePath, LongestDirectoryPartIsMadeAndOneMoreIsRefused) {
  test::ScratchDir base("makepath_long");
  for (bool trailing : {true, false}) {
    SCOPED_TRACE(trailing ? "with trailing backslash" : "without");
    // The limit counts the trailing backslash, which MakePath adds when missing.
    std::string fits = PathWithDirectoryPart(base.path(), 255);
    std::string over = PathWithDirectoryPart(base.path(), 256);
    ASSERT_EQ(fits.size() - 2, 255u);
    ASSERT_EQ(over.size() - 2, 256u);
    if (!trailing) {
      fits.pop_back();
      over.pop_back();
    }

    GuardedPath refused;
    Outcome outcome = CallMakePath(over, &refused);
    EXPECT_TRUE(outcome.threw);
    EXPECT_EQ(outcome.code, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(outcome.message, nullptr);
    EXPECT_TRUE(refused.Untouched()) << refused.Value();
    EXPECT_TRUE(Tree(base.path()).empty()) << "refused before anything is made: " << Joined(Tree(base.path()));

    GuardedPath report;
    outcome = CallMakePath(fits, &report);
    EXPECT_FALSE(outcome.threw) << "EPlik " << outcome.code;
    EXPECT_TRUE(test::DirectoryExists(fits));
    EXPECT_EQ(report.Value(), base / "aaaaaaaaa");
    EXPECT_TRUE(report.GuardIntact());
    ASSERT_TRUE(test::RemoveTree(base / "aaaaaaaaa"));
  }
}

TEST(MakePath, AFarTooLongPathIsRefusedWithoutOverrun) {
  test::ScratchDir base("makepath_huge");
  std::string huge = base / std::string(400, 'h');
  GuardedPath report;
  Outcome outcome = CallMakePath(huge, &report);
  EXPECT_TRUE(outcome.threw);
  EXPECT_EQ(outcome.code, ERROR_FILENAME_EXCED_RANGE);
  EXPECT_TRUE(report.Untouched());
  EXPECT_TRUE(Tree(base.path()).empty());
}

TEST(PathExists, FindsFilesAndDirectoriesAsStored) {
  test::ScratchDir base("pathexists");
  ASSERT_TRUE(test::WriteWholeFile(base / "Mixed.Case", "x"));
  ASSERT_TRUE(CreateDirectoryA((base / "SubDir").c_str(), nullptr));

  struct {
    std::string path;
    int exists;
    const char* name;
  } const cases[] = {
      {base / "Mixed.Case", 1, "Mixed.Case"},
      {base / "MIXED.CASE", 1, "Mixed.Case"},
      {base / "subdir", 1, "SubDir"},
      {base / "Mix*", 1, "Mixed.Case"},
      {base / "missing", 0, nullptr},
      {base / "missing\\deeper", 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    GuardedPath found;
    EXPECT_EQ(PathExists(c.path.c_str(), found.text), c.exists);
    EXPECT_EQ(found.Value(), c.name ? c.name : "<untouched>");
    EXPECT_TRUE(found.GuardIntact());
    EXPECT_EQ(PathExists(c.path.c_str(), nullptr), c.exists);
  }
  EXPECT_EQ(PathExists(nullptr, nullptr), 0);
  GuardedPath found;
  EXPECT_EQ(PathExists(nullptr, found.text), 0);
  EXPECT_TRUE(found.Untouched());
}

TEST(PathExists, ClosesEverySearch) {
  test::ScratchDir base("pathexists_handles");
  ASSERT_TRUE(test::WriteWholeFile(base / "f", "x"));
  std::string present = base / "f";
  std::string absent = base / "g";
  DWORD before = test::HandleCount();
  for (int i = 0; i < 200; ++i) {
    PathExists(present.c_str(), nullptr);
    PathExists(absent.c_str(), nullptr);
  }
  EXPECT_LE(test::HandleCount(), before + 2) << "searches left open";
}

}  // namespace
