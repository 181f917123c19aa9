// The installers' resources, read from the executables as data files: the shipped
// i686 build, this test build's own, and in the i686 test build the shipped one
// built again and signed. For the shipped ones also their PE headers and imports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "install/config.h"
#include "resources/resource.h"
#include "support/install_support.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
const WORD kPolish = 0x0415;

// Resource enumeration callbacks: named functions, as 32-bit Windows calls
// them stdcall.
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}
BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  reinterpret_cast<std::set<std::string>*>(found)->insert(
      IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : std::string(name));
  return TRUE;
}

struct Installer {
  const char* name;
  const char* exe;
  const char* payload_dir;
};
const Installer kInstallers[] = {
    {"shipped_i686", TEST_SHIPPED_EXE, TEST_SHIPPED_PAYLOAD_DIR},
    {"test_build", TEST_BUILD_INSTALLER, TEST_PAYLOAD_DIR},
#ifdef TEST_SIGNED_EXE
    {"signed_i686", TEST_SIGNED_EXE, TEST_SIGNED_PAYLOAD_DIR},
#endif
};

class Resources : public ::testing::TestWithParam<Installer> {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(GetParam().exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << GetParam().exe << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::vector<WORD> Languages(const char* type, const char* name) {
    std::vector<WORD> found;
    EnumResourceLanguagesA(module_, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&found));
    return found;
  }

  std::string Bytes(const char* type, const char* name, WORD language) {
    HRSRC info = FindResourceExA(module_, type, name, language);
    if (!info) return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, info)));
    return std::string(data, SizeofResource(module_, info));
  }

  HMODULE module_ = nullptr;
};

// --- Dialog templates -------------------------------------------------------

class TemplateReader {
 public:
  explicit TemplateReader(const std::string& bytes) : bytes_(bytes) {}
  uint16_t Word() {
    uint16_t v = 0;
    if (pos_ + 2 <= bytes_.size()) memcpy(&v, bytes_.data() + pos_, 2);
    pos_ += 2;
    return v;
  }
  uint32_t Dword() {
    uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
  }
  // A name or ordinal: "" for none, "#n" for an ordinal, else the text.
  std::string NameOrOrdinal() {
    uint16_t first = Word();
    if (first == 0) return "";
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::string text(1, static_cast<char>(first));
    while (uint16_t c = Word()) text += static_cast<char>(c);
    return text;
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~size_t(3); }
  bool AtEnd() const { return pos_ >= bytes_.size(); }

 private:
  const std::string& bytes_;
  size_t pos_ = 0;
};

struct Control {
  uint32_t ex_style;
  uint32_t style;  // without WS_CHILD | WS_VISIBLE, which every control has
  int16_t x, y, cx, cy;
  int32_t id;
  std::string window_class;  // "#128" button, "#129" edit, "#130" static
  std::string text;
};

bool operator==(const Control& a, const Control& b) {
  return a.ex_style == b.ex_style && a.style == b.style && a.x == b.x && a.y == b.y && a.cx == b.cx &&
         a.cy == b.cy && a.id == b.id && a.window_class == b.window_class && a.text == b.text;
}

std::ostream& operator<<(std::ostream& out, const Control& c) {
  return out << "{" << c.window_class << " id " << c.id << " \"" << c.text << "\" style 0x" << std::hex
             << c.style << " ex 0x" << c.ex_style << std::dec << " at " << c.x << "," << c.y << " " << c.cx
             << "x" << c.cy << "}";
}

struct Dialog {
  uint32_t ex_style = 0, style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, window_class, caption, font;
  uint16_t points = 0;
  std::vector<Control> controls;
};

Dialog ReadDialog(const std::string& bytes) {
  Dialog d;
  TemplateReader r(bytes);
  EXPECT_EQ(r.Word(), 1) << "extended template version";
  EXPECT_EQ(r.Word(), 0xFFFF) << "extended template signature";
  r.Dword();  // help id
  d.ex_style = r.Dword();
  d.style = r.Dword();
  uint16_t count = r.Word();
  d.x = r.Word(), d.y = r.Word(), d.cx = r.Word(), d.cy = r.Word();
  d.menu = r.NameOrOrdinal();
  d.window_class = r.NameOrOrdinal();
  d.caption = r.NameOrOrdinal();
  if (d.style & DS_SETFONT) {
    d.points = r.Word();
    r.Word();  // weight
    r.Word();  // italic, charset
    d.font = r.NameOrOrdinal();
  }
  for (uint16_t i = 0; i < count && !r.AtEnd(); ++i) {
    r.AlignDword();
    Control c;
    r.Dword();  // help id
    c.ex_style = r.Dword();
    c.style = r.Dword();
    EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE), uint32_t(WS_CHILD | WS_VISIBLE));
    c.style &= ~uint32_t(WS_CHILD | WS_VISIBLE);
    c.x = r.Word(), c.y = r.Word(), c.cx = r.Word(), c.cy = r.Word();
    c.id = static_cast<int32_t>(r.Dword());
    c.window_class = r.NameOrOrdinal();
    c.text = r.NameOrOrdinal();
    uint16_t extra = r.Word();
    for (uint16_t skip = 0; skip < extra; skip += 2) r.Word();
    d.controls.push_back(c);
  }
  EXPECT_EQ(d.controls.size(), count);
  return d;
}

const char kButton[] = "#128";
const char kEdit[] = "#129";
const char kStatic[] = "#130";
const uint32_t kEdges = WS_EX_STATICEDGE | WS_EX_CLIENTEDGE;
const uint32_t kDialogStyle =
    WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER | DS_3DLOOK | DS_SETFONT;
const uint32_t kField = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
const uint32_t kLine = SS_LEFT | WS_GROUP;

const std::vector<Control> kEtchedLines = {
    {0, SS_ETCHEDHORZ, 9, 175, 301, 1, -1, kStatic, ""},
    {0, SS_ETCHEDHORZ, 9, 180, 158, 1, -1, kStatic, ""},
    {0, SS_ETCHEDHORZ, 9, 186, 54, 1, -1, kStatic, ""},
};

void ExpectDialogFrame(const Dialog& d, const char* caption) {
  EXPECT_EQ(d.style, kDialogStyle) << std::hex << d.style;
  EXPECT_EQ(d.style & (WS_POPUP | DS_MODALFRAME), 0u);
  EXPECT_EQ(d.ex_style, 0u);
  EXPECT_EQ(d.x, 0);
  EXPECT_EQ(d.y, 0);
  EXPECT_EQ(d.cx, 320);
  EXPECT_EQ(d.cy, 210);
  EXPECT_EQ(d.menu, "");
  EXPECT_EQ(d.window_class, "");
  EXPECT_EQ(d.caption, caption);
  EXPECT_EQ(d.points, 8);
  EXPECT_EQ(d.font, "MS Sans Serif");
}

TEST_P(Resources, AgreementDialogTemplate) {
  EXPECT_EQ(Languages(RT_DIALOG, MAKEINTRESOURCEA(IDD_AGREEMENT)), std::vector<WORD>{kNeutral});
  Dialog d = ReadDialog(Bytes(RT_DIALOG, MAKEINTRESOURCEA(IDD_AGREEMENT), kNeutral));
  ExpectDialogFrame(d, test::kAgreementCaption);
  std::vector<Control> expected = {
      {0, ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_VSCROLL | WS_BORDER, 62, 7, 247, 161, 1000, kEdit,
       ""},
      {kEdges, SS_BITMAP, 9, 7, 43, 161, -1, kStatic, "#109"},
      {WS_EX_STATICEDGE, BS_DEFPUSHBUTTON | WS_TABSTOP, 203, 187, 50, 15, IDOK, kButton, "&Accept"},
      {WS_EX_STATICEDGE, BS_PUSHBUTTON | WS_TABSTOP, 260, 187, 50, 15, IDCANCEL, kButton, "&Cancel"},
  };
  expected.insert(expected.end(), kEtchedLines.begin(), kEtchedLines.end());
  EXPECT_EQ(d.controls, expected);
}

TEST_P(Resources, SetupDialogTemplate) {
  EXPECT_EQ(Languages(RT_DIALOG, MAKEINTRESOURCEA(IDD_SETUP)), std::vector<WORD>{kNeutral});
  Dialog d = ReadDialog(Bytes(RT_DIALOG, MAKEINTRESOURCEA(IDD_SETUP), kNeutral));
  ExpectDialogFrame(d, test::kSetupCaption);
  std::vector<Control> expected = {
      {0, BS_GROUPBOX, 62, 5, 247, 31, -1, kButton, "Program Group"},
      {0, kField, 67, 16, 187, 14, 1002, kEdit, ""},
      {0, BS_GROUPBOX, 62, 39, 247, 67, -1, kButton, "&Destination directory"},
      {0, kField, 67, 50, 187, 14, 1000, kEdit, ""},
      {0, kLine, 68, 67, 192, 12, 1005, kStatic, "Static"},
      {0, kLine, 68, 79, 192, 12, 1006, kStatic, "Static"},
      {0, kLine, 68, 92, 192, 12, 1007, kStatic, "Static"},
      {0, BS_GROUPBOX, 62, 109, 247, 27, -1, kButton, "Desk&top icon"},
      {0, BS_AUTOCHECKBOX | WS_TABSTOP, 68, 120, 176, 12, 1004, kButton, "&Put shortcut on the desktop"},
      {0, kLine, 68, 149, 205, 18, 1008, kStatic, "Static"},
      {WS_EX_STATICEDGE, BS_PUSHBUTTON | WS_TABSTOP, 260, 16, 42, 14, 1009, kButton, "&Browse..."},
      {WS_EX_STATICEDGE, BS_PUSHBUTTON | WS_TABSTOP, 260, 50, 42, 14, 1010, kButton, "&Browse..."},
      {kEdges, SS_BITMAP | SS_CENTERIMAGE, 9, 7, 43, 161, -1, kStatic, "#109"},
      {WS_EX_STATICEDGE, BS_DEFPUSHBUTTON | WS_TABSTOP, 203, 187, 50, 15, IDOK, kButton, "&Install"},
      {WS_EX_STATICEDGE, BS_PUSHBUTTON | WS_TABSTOP, 260, 187, 50, 15, IDCANCEL, kButton, "&Cancel"},
  };
  expected.insert(expected.end(), kEtchedLines.begin(), kEtchedLines.end());
  expected.push_back({0, BS_GROUPBOX, 62, 141, 247, 27, -1, kButton, "Status"});
  EXPECT_EQ(d.controls, expected);
}

// --- String table, bitmap, icon ---------------------------------------------

const char* const kStrings[] = {
    "Space available on drive: %d kB",
    "Space required: %d kB",
    "There is enough space to install.",
    "There is not enough space to install. Use another drive.",
    "Press Install button to finish instalation...",
    "Instalation in progress... Please wait...",
    "Done!",
    "Setup error! %s",
    "Wrong file destination directory.",
    "Data corrupted. If you downloaded setup file, try do it again.",
    "Unable to copy program files.",
    "Registry access error.",
    "Wrong Program Group name.",
    "Not enough space on destination drive. ",
    "Could not create shortcuts.",
};

TEST_P(Resources, StringTableIsPolishTaggedWithExactTexts) {
  // Ids 1 to 15 live in block 1 (ids 0 to 15).
  EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEA(1)), std::vector<WORD>{kPolish});
  std::string block = Bytes(RT_STRING, MAKEINTRESOURCEA(1), kPolish);
  TemplateReader r(block);
  std::vector<std::string> texts;
  for (int i = 0; i < 16; ++i) {
    uint16_t length = r.Word();
    std::string text;
    for (uint16_t k = 0; k < length; ++k) text += static_cast<char>(r.Word());
    texts.push_back(text);
  }
  EXPECT_EQ(texts[0], "") << "id 0 is unused";
  for (int id = 1; id <= 15; ++id) EXPECT_EQ(texts[id], kStrings[id - 1]) << "string " << id;
}

TEST_P(Resources, BitmapIs256ColoursTaggedPolish) {
  EXPECT_EQ(Languages(RT_BITMAP, MAKEINTRESOURCEA(IDB_SIDEBAR)), std::vector<WORD>{kPolish});
  std::string bytes = Bytes(RT_BITMAP, MAKEINTRESOURCEA(IDB_SIDEBAR), kPolish);
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  memcpy(&header, bytes.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 59);
  EXPECT_EQ(header.biHeight, 256);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 256) << header.biClrUsed;
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RLE8)) << "run-length encoded";
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string("\0\1", 2)) << "ends with the end-of-bitmap escape";

  // The system decodes it: the right size, and the top row in the first
  // palette colour (the night sky).
  HBITMAP bitmap = LoadBitmapA(module_, MAKEINTRESOURCEA(IDB_SIDEBAR));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 59);
  EXPECT_EQ(info.bmHeight, 256);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RGBQUAD first;
  memcpy(&first, bytes.data() + header.biSize, sizeof first);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(first.rgbRed, first.rgbGreen, first.rgbBlue));
  EXPECT_EQ(GetPixel(dc, 58, 0), RGB(first.rgbRed, first.rgbGreen, first.rgbBlue));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_P(Resources, IconGroupHas32And16Pixel16ColourImages) {
  EXPECT_EQ(Languages(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_SETUP)), std::vector<WORD>{kNeutral});
  std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_SETUP), kNeutral);
  ASSERT_GE(group.size(), 6u);
  TemplateReader r(group);
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 1) << "icon";
  uint16_t count = r.Word();
  ASSERT_EQ(count, 2);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
  std::set<int> sizes;
  for (int i = 0; i < count; ++i) {
    GroupIconEntry entry;
    memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    sizes.insert(entry.width);
    EXPECT_EQ(entry.width, entry.height);
    EXPECT_EQ(entry.colours, 16);
    EXPECT_EQ(entry.bit_count, 4);
    EXPECT_EQ(Languages(RT_ICON, MAKEINTRESOURCEA(entry.id)), std::vector<WORD>{kNeutral});
    std::string image = Bytes(RT_ICON, MAKEINTRESOURCEA(entry.id), kNeutral);
    EXPECT_EQ(image.size(), entry.bytes);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

// --- Payload -----------------------------------------------------------------

// The application manifest: an administrator is asked for at start (the
// installer writes below HKEY_LOCAL_MACHINE and Program Files), the systems it
// was made for are named, and no common-controls version is asked for, so the
// dialogs keep the classic controls.
TEST_P(Resources, ManifestAsksForAnAdministratorAndKeepsClassicControls) {
  EXPECT_EQ(Languages(RT_MANIFEST, MAKEINTRESOURCEA(1)), std::vector<WORD>{kNeutral});
  const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1), kNeutral);
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
  for (const char* system : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + system + "\"/>"), std::string::npos) << system;
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
  EXPECT_EQ(manifest.find("dependency"), std::string::npos);
}

TEST_P(Resources, EveryPayloadStreamInflatesToItsProductFile) {
  std::set<std::string> names;
  EnumResourceNamesA(module_, "BIN", CollectName, reinterpret_cast<LONG_PTR>(&names));
  EXPECT_EQ(names.size(), 14u) << "one stream per manifest row, nothing else";

  for (int i = 0; i < kManifestRows; ++i) {
    const ManifestEntry& row = kManifest[i];
    SCOPED_TRACE(row.file_name);
    const char* id = MAKEINTRESOURCEA(row.resource_id);
    EXPECT_EQ(Languages("BIN", id), std::vector<WORD>{kNeutral});
    std::string stream = Bytes("BIN", id, kNeutral);
    ASSERT_GE(stream.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(stream[0]), 0x78);
    EXPECT_EQ(static_cast<unsigned char>(stream[1]), 0xDA);
    std::string inflated;
    ASSERT_TRUE(test::ZlibInflate(stream.data(), stream.size(), &inflated));
    std::string product = test::ReadWholeFile(test::JoinPath(GetParam().payload_dir, row.file_name));
    EXPECT_FALSE(product.empty());
    EXPECT_TRUE(inflated == product) << "inflated " << inflated.size() << " bytes, product file "
                                     << product.size();
  }
}

INSTANTIATE_TEST_SUITE_P(Installers, Resources, ::testing::ValuesIn(kInstallers),
                         [](const ::testing::TestParamInfo<Installer>& p) { return p.param.name; });

// The loader finds the Polish-tagged strings whatever the user's language is.
TEST(StringLoading, LoadStringFindsEveryMessage) {
  for (int id = 1; id <= 15; ++id) {
    char text[260];
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text), 0) << id;
    EXPECT_STREQ(text, kStrings[id - 1]);
  }
}

// --- PE headers and imports of the shipped executable ----------------------------

// As built, and in the i686 test build also built again and signed. (A loop
// over them, not a second parameterised suite: on i686 the link-time optimiser
// fails on that.)
const Installer kShipped[] = {
    {"dist", TEST_SHIPPED_EXE, TEST_SHIPPED_PAYLOAD_DIR},
#ifdef TEST_SIGNED_EXE
    {"signed", TEST_SIGNED_EXE, TEST_SIGNED_PAYLOAD_DIR},
#endif
};

class ShippedImage : public ::testing::Test {
 protected:
  void Load(const char* exe) {
    image_ = test::ReadWholeFile(exe);
    ASSERT_GT(image_.size(), 1024u);
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, image_.data(), sizeof dos);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(static_cast<size_t>(dos.e_lfanew) + sizeof nt_, image_.size());
    memcpy(&nt_, image_.data() + dos.e_lfanew, sizeof nt_);
    sections_offset_ = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                       nt_.FileHeader.SizeOfOptionalHeader;
  }

  // File offset of a relative virtual address; 0 when no section holds it.
  size_t Offset(DWORD rva) const {
    for (int i = 0; i < nt_.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER s;
      memcpy(&s, image_.data() + sections_offset_ + i * sizeof s, sizeof s);
      DWORD size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + size)
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return 0;
  }
  template <typename T>
  T At(size_t offset) const {
    T value{};
    if (offset + sizeof value <= image_.size()) memcpy(&value, image_.data() + offset, sizeof value);
    return value;
  }
  std::string TextAt(size_t offset) const {
    return offset < image_.size() ? std::string(image_.c_str() + offset) : std::string();
  }

  std::string image_;
  IMAGE_NT_HEADERS32 nt_;
  size_t sections_offset_ = 0;
};

TEST_F(ShippedImage, IsA32BitGuiProgramForWindows4) {
  for (const Installer& shipped : kShipped) {
    SCOPED_TRACE(shipped.name);
    ASSERT_NO_FATAL_FAILURE(Load(shipped.exe));
    EXPECT_EQ(nt_.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt_.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt_.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt_.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(nt_.OptionalHeader.MajorOperatingSystemVersion, 4);
    EXPECT_EQ(nt_.OptionalHeader.MinorOperatingSystemVersion, 0);
    EXPECT_EQ(nt_.OptionalHeader.MajorSubsystemVersion, 4);
    EXPECT_EQ(nt_.OptionalHeader.MinorSubsystemVersion, 0);
  }
}

// Loaded at a random address with non-executable data: the relocations that
// the random address needs must have stayed in, whatever the size budget.
TEST_F(ShippedImage, HasAddressRandomisationAndDataExecutionPrevention) {
  for (const Installer& shipped : kShipped) {
    SCOPED_TRACE(shipped.name);
    ASSERT_NO_FATAL_FAILURE(Load(shipped.exe));
    const WORD flags = nt_.OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    EXPECT_FALSE(nt_.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
  }
}

// Statically imported: only DLLs that Windows always takes from the system
// directory (its known DLLs). comctl32 and winmm are not among them, so they
// are loaded at run time from the system directory by full path, and must not
// appear here, where the loader would look beside the program first.
TEST_F(ShippedImage, ImportsOnlyKnownSystemLibraries) {
  const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "shell32.dll", "ole32.dll", "advapi32.dll",
                                         "msvcrt.dll"};
  for (const Installer& shipped : kShipped) {
    SCOPED_TRACE(shipped.name);
    ASSERT_NO_FATAL_FAILURE(Load(shipped.exe));
    const IMAGE_DATA_DIRECTORY& dir = nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = Offset(dir.VirtualAddress);
    ASSERT_NE(offset, 0u);
    std::set<std::string> imported;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(offset);
      if (descriptor.Name == 0) break;
      std::string dll = TextAt(Offset(descriptor.Name));
      std::transform(dll.begin(), dll.end(), dll.begin(), [](char c) { return static_cast<char>(tolower(c)); });
      imported.insert(dll);
      EXPECT_TRUE(allowed.count(dll)) << "unexpected import " << dll;
    }
    for (const char* needed : {"kernel32.dll", "user32.dll", "shell32.dll", "ole32.dll", "advapi32.dll"})
      EXPECT_TRUE(imported.count(needed)) << needed;
  }
}

// What the program adds to the packed payload it carries: headers, code,
// tables and the other resources. A budget for the code, the build and the
// runtime it links; a signature, appended to the file as its certificate
// table, is counted apart.
TEST_F(ShippedImage, AddsAtMost96KilobytesToItsPayload) {
  for (const Installer& shipped : kShipped) {
    SCOPED_TRACE(shipped.name);
    ASSERT_NO_FATAL_FAILURE(Load(shipped.exe));
    std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> module(
        LoadLibraryExA(shipped.exe, nullptr, LOAD_LIBRARY_AS_DATAFILE), FreeLibrary);
    ASSERT_NE(module, nullptr);
    size_t payload = 0;
    for (int i = 0; i < kManifestRows; ++i) {
      HRSRC found = FindResourceA(module.get(), MAKEINTRESOURCEA(kManifest[i].resource_id), "BIN");
      ASSERT_NE(found, nullptr) << kManifest[i].file_name;
      payload += SizeofResource(module.get(), found);
    }
    const size_t signature = nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size;
    ASSERT_GT(image_.size(), payload + signature);
    const size_t overhead = image_.size() - payload - signature;
    std::cout << shipped.name << " executable " << image_.size() << " bytes, payload streams " << payload
              << ", signature " << signature << ", overhead " << overhead << "\n";
    EXPECT_LE(overhead, 96u * 1024);
  }
}

}  // namespace
