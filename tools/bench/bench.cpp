// Times the installation engine against the floor of what it does, in one
// process: the whole installation of the payload into a fresh directory,
// against inflating the same streams into memory and writing the same bytes
// to the same files with one plain WriteFile each. The two alternate over
// several rounds; the medians and their ratio are printed, one figure a line,
// with the peak memory of the extraction of the data file and of one four
// times as large, each in a process of its own.
// Given the installer, also the time from its start to its first dialog.
//   bench <scratch directory> [rounds [installer]]
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/find_handle.h"
#include "common/shell_links.h"
#include "install/config.h"
#include "install/install.h"
#include "install/payload.h"
#include "install/uninstall_record.h"
#include "platform/file.h"
#include "tools/window_search.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void RemoveTree(const std::string& dir) {
  {
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((dir + "\\*").c_str(), &found));
    if (find) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = dir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(find.Get(), &found));
    }
  }  // the search is closed before its folder goes
  RemoveDirectoryA(dir.c_str());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void DeleteKeys() {
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelmoraBench\\Murkle");
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelmoraBench");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraBench_Murkle");
}

// An empty root for one timed run, and the files directory to make in it.
std::string FreshRoot(const std::string& root) {
  RemoveTree(root);
  CreateDirectoryA(root.c_str(), nullptr);
  return root + "\\files\\";
}

// The engine: the whole installation, as the Install button runs it.
double RunEngine(const std::string& root) {
  const std::string files = FreshRoot(root);
  auto config = std::make_unique<SetupConfig>("VelmoraBench", "Murkle", kManifest, kManifestRows, kGameRow, kUninstallerRow);
  snprintf(config->file_dir, sizeof config->file_dir, "%s", files.c_str());
  snprintf(config->shortcut_dir, sizeof config->shortcut_dir, "%s\\group\\", root.c_str());
  config->desktop_shortcut = 0;
  char message[kInstallMessageSize];
  double start = Now();
  int32_t status = RunInstall(*config, message);
  double seconds = Now() - start;
  if (status != 0) {
    fprintf(stderr, "installation failed: %d %s\n", status, message);
    exit(1);
  }
  return seconds;
}

// The stream of one manifest row, read in place from this program's resources.
PayloadBytes Payload(int row) {
  PayloadBytes bytes;
  if (!FindPayload(GetModuleHandleA(nullptr), kManifest[row].resource_id, &bytes)) {
    fprintf(stderr, "no payload resource for row %d\n", row);
    exit(1);
  }
  return bytes;
}

// Inflates a whole stream into buffer, which grows as needed and is reused
// from call to call; the number of bytes it now holds.
size_t InflateAll(const void* data, size_t size, std::string* buffer) {
  z_stream stream = {};
  inflateInit(&stream);
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  stream.avail_in = static_cast<uInt>(size);
  size_t used = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (buffer->size() - used < 65536) buffer->resize(buffer->size() + (1 << 20));
    stream.next_out = reinterpret_cast<Bytef*>(&(*buffer)[used]);
    stream.avail_out = static_cast<uInt>(buffer->size() - used);
    result = inflate(&stream, Z_NO_FLUSH);
    used = buffer->size() - stream.avail_out;
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) {
    fprintf(stderr, "a payload stream did not inflate: %d\n", result);
    exit(1);
  }
  return used;
}

// The engine's part that the floor does too: every payload file extracted.
double RunExtraction(const std::string& root) {
  const std::string dir = FreshRoot(root);
  double start = Now();
  CreateDirectoryA(dir.c_str(), nullptr);
  for (int row = 0; row < kManifestRows; ++row) {
    PayloadBytes bytes = Payload(row);
    g_setupConfig.InflateResourceToFile(bytes.data, bytes.size, (dir + kManifest[row].file_name).c_str());
  }
  return Now() - start;
}

// The engine's steps that the floor has no part in, each timed on its own:
// the Start-menu links to the files just extracted, and the uninstall record
// of a complete installation.
struct Pieces {
  double links = 0, record = 0;
};

Pieces RunPieces(const std::string& root) {
  Pieces pieces;
  std::string group = root + "\\group\\";
  CreateDirectoryA(group.c_str(), nullptr);
  double start = Now();
  for (int row = 0; row < kManifestRows; ++row) {
    if (!kManifest[row].caption[0]) continue;
    std::string target = root + "\\files\\" + kManifest[row].file_name;
    std::string link = group + kManifest[row].caption + ".lnk";
    if (FAILED(CreateShortcut(target.c_str(), link.c_str(), kManifest[row].caption))) {
      fprintf(stderr, "could not make the link %s\n", link.c_str());
      exit(1);
    }
  }
  pieces.links = Now() - start;

  auto record = std::make_unique<UninstallRecord>();
  snprintf(record->provider, sizeof record->provider, "VelmoraBench");
  snprintf(record->program, sizeof record->program, "Murkle");
  snprintf(record->file_dir, sizeof record->file_dir, "%s\\files\\", root.c_str());
  snprintf(record->shortcut_dir, sizeof record->shortcut_dir, "%s", group.c_str());
  for (int row = 0; row < kManifestRows; ++row) {
    record->AppendFile(kManifest[row].file_name);
    if (kManifest[row].caption[0]) record->AppendShortcut((std::string(kManifest[row].caption) + ".lnk").c_str());
  }
  start = Now();
  if (!record->WriteUninstallIni(record->file_dir)) {
    fprintf(stderr, "could not write the uninstall record\n");
    exit(1);
  }
  pieces.record = Now() - start;
  return pieces;
}

// On Wine, each link's IPersistFile::Save also starts winemenubuilder for the
// new link and waits for it; the test prefixes have it disabled, so the start
// fails, but only after its search and process set-up. This times that start
// alone, as Wine makes it, to show how much of a link it is. -1 off Wine.
double TimeMenuBuilderStart(const std::string& link) {
  if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return -1;
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  std::string command = std::string(system) + "\\winemenubuilder.exe -w \"" + link + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double start = Now();
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return Now() - start;
}

// The floor: the same streams inflated into memory, the same bytes written to
// the same files, one WriteFile each.
double RunFloor(const std::string& root, std::string* buffer) {
  const std::string dir = FreshRoot(root);
  double start = Now();
  CreateDirectoryA(dir.c_str(), nullptr);
  for (int row = 0; row < kManifestRows; ++row) {
    PayloadBytes bytes = Payload(row);
    size_t used = InflateAll(bytes.data, bytes.size, buffer);
    HANDLE file = CreateFileA((dir + kManifest[row].file_name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, buffer->data(), static_cast<DWORD>(used), &written, nullptr);
    CloseHandle(file);
  }
  return Now() - start;
}

std::string DataStream() {
  PayloadBytes bytes = Payload(1);
  return std::string(reinterpret_cast<const char*>(bytes.data), bytes.size);
}

void WriteStream(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// Runs this program's --extract on one stream file and waits for it.
bool Child(const char* self, const std::string& stream, const std::string& target) {
  std::string command = std::string("\"") + self + "\" --extract \"" + stream + "\" \"" + target + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Inherited handles: the child prints its figure on this program's output.
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (WaitForSingleObject(process.hProcess, 300000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  DeleteFileA(target.c_str());
  return code == 0;
}

// The engine's extraction of one stream, read in place from a mapped file as
// the installer reads its resources; prints the process's peaks.
int Extract(const char* stream_path, const char* target) {
  HANDLE file = CreateFileA(stream_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD size = GetFileSize(file, nullptr);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const void* bytes = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (!bytes) return 1;
  double start = Now();
  try {
    g_setupConfig.InflateResourceToFile(bytes, size, target);
  } catch (const EDowolny& error) {
    fprintf(stderr, "extraction failed: %ld %s\n", static_cast<long>(error.code), error.message ? error.message : "");
    return 1;
  }
  double seconds = Now() - start;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  WIN32_FILE_ATTRIBUTE_DATA out;
  GetFileAttributesExA(target, GetFileExInfoStandard, &out);
  printf("extraction of a %.1f MB stream into %.1f MB: %.0f ms, peak private bytes %.2f MB, peak working set %.1f MB\n",
         size / 1048576.0, out.nFileSizeLow / 1048576.0, seconds * 1000, counters.PeakPagefileUsage / 1048576.0,
         counters.PeakWorkingSetSize / 1048576.0);
  UnmapViewOfFile(bytes);
  CloseHandle(mapping);
  CloseHandle(file);
  return 0;
}

// A zlib stream of the data file four times over.
std::string LargerStream() {
  PayloadBytes bytes = Payload(1);
  std::string data;
  data.resize(InflateAll(bytes.data, bytes.size, &data));
  std::string four = data + data + data + data;
  uLongf size = compressBound(static_cast<uLong>(four.size()));
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(four.data()),
            static_cast<uLong>(four.size()), 6);
  packed.resize(size);
  return packed;
}

// From CreateProcess of the installer to its agreement dialog being visible;
// the dialog is then cancelled. Negative when it never showed.
double TimeToAgreement(const char* installer) {
  std::string command = std::string("\"") + installer + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double start = Now();
  if (!CreateProcessA(installer, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  // The first dialog of the process, whatever its caption.
  const auto is_dialog = [](HWND window) {
    char class_name[16];
    return GetClassNameA(window, class_name, sizeof class_name) && strcmp(class_name, "#32770") == 0;
  };
  HWND found = nullptr;
  double shown = -1;
  while (Now() - start < 30) {
    found = tools::FindProcessWindow(process.dwProcessId, is_dialog);
    if (found) {
      shown = Now() - start;
      break;
    }
    Sleep(1);
  }
  if (found) PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bench <scratch directory> [rounds [installer]]\n");
    return 2;
  }
  if (argc == 4 && strcmp(argv[1], "--extract") == 0) return Extract(argv[2], argv[3]);
  const std::string root = argv[1];
  const int rounds = argc > 2 ? atoi(argv[2]) : 9;
  CoInitialize(nullptr);

  // Memory: the extraction of the data file and of one four times as large,
  // each in a fresh process, so that each peak is its own.
  WriteStream(root + "\\data.z", DataStream());
  WriteStream(root + "\\data4.z", LargerStream());
  if (!Child(argv[0], root + "\\data.z", root + "\\out.dat") ||
      !Child(argv[0], root + "\\data4.z", root + "\\out4.dat"))
    return 1;
  DeleteFileA((root + "\\data.z").c_str());
  DeleteFileA((root + "\\data4.z").c_str());

  std::vector<double> engine, extraction, floor, links, record;
  std::string buffer;
  for (int round = 0; round < rounds; ++round) {
    engine.push_back(RunEngine(root + "\\engine"));
    extraction.push_back(RunExtraction(root + "\\engine"));
    Pieces pieces = RunPieces(root + "\\engine");
    links.push_back(pieces.links);
    record.push_back(pieces.record);
    floor.push_back(RunFloor(root + "\\floor", &buffer));
  }
  RemoveTree(root + "\\engine");
  RemoveTree(root + "\\floor");
  DeleteKeys();

  double engine_ms = Median(engine) * 1000, floor_ms = Median(floor) * 1000;
  printf("rounds: %d\n", rounds);
  printf("engine, whole installation (median): %.1f ms\n", engine_ms);
  printf("engine, payload files only (median): %.1f ms\n", Median(extraction) * 1000);
  printf("floor, inflate to memory + one WriteFile per file (median): %.1f ms\n", floor_ms);
  printf("of the engine, the four Start-menu links alone (median): %.1f ms\n", Median(links) * 1000);
  printf("of the engine, uninst.ini alone (median): %.1f ms\n", Median(record) * 1000);
  printf("ratio engine/floor: %.2f\n", engine_ms / floor_ms);
  printf("ratio payload files only/floor: %.2f\n", Median(extraction) * 1000 / floor_ms);
  std::vector<double> menu_builder;
  for (int round = 0; round < rounds; ++round)
    menu_builder.push_back(TimeMenuBuilderStart(root + "\\engine\\group\\Murkle.lnk"));
  if (menu_builder[0] >= 0)
    printf("of a link on Wine, the menu builder's start that Save waits for (median): %.1f ms\n",
           Median(menu_builder) * 1000);
  if (argc > 3) {
    std::vector<double> start_up;
    for (int round = 0; round < 5; ++round) start_up.push_back(TimeToAgreement(argv[3]));
    printf("process start to agreement dialog shown (median of 5): %.0f ms\n", Median(start_up) * 1000);
  }
  CoUninitialize();
  return 0;
}
