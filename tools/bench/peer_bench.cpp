// Times the installer against a peer built by a general installer system from
// the same payload (tools/bench/bench-peer.sh builds it and runs this), each driven
// through its dialogs as a user would who presses Enter as soon as a dialog
// appears. Rounds alternate the installer, the peer and the peer in its
// silent mode; between runs the destination, the links and the keys are
// removed, outside the timing. Prints the medians, the per-round ratios
// (median, minimum, maximum) and where the time goes.
//   peer_bench <rounds> <our installer> <peer installer>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/find_handle.h"
#include "install/config.h"
#include "resources/resource.h"
#include "tools/window_search.h"

namespace {

constexpr char kPeerCaption[] = "Murkle Setup";
constexpr char kDestination[] = "C:\\Program Files\\Velmora\\Murkle\\";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora_Murkle";
constexpr DWORD kBoundMs = 60000;  // no wait is longer

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

void RemoveTree(const std::string& dir) {
  {
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((dir + "\\*").c_str(), &found));
    if (find) {
      do {
        const std::string name = found.cFileName, path = dir + "\\" + name;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(find.Get(), &found));
    }
  }
  RemoveDirectoryA(dir.c_str());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Text(HWND window) {
  char text[256] = "";
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      &ignored);
  return text;
}

// Polls, about once a millisecond, until done() or the bound; false on timeout.
template <typename Done>
bool Until(Done done) {
  const double end = Now() + kBoundMs;
  while (!done()) {
    if (Now() > end) return false;
    Sleep(1);
  }
  return true;
}

HWND WaitForWindow(DWORD pid, const char* caption) {
  // The peer's caption ends with the page's name.
  const auto match = [&](HWND window) { return tools::Caption(window).compare(0, strlen(caption), caption) == 0; };
  HWND found = nullptr;
  Until([&] { return (found = tools::FindProcessWindow(pid, match)) != nullptr; });
  return found;
}

// Enter on a dialog: its default button, OK.
void Enter(HWND window) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// Where one driven installation's time went, in milliseconds from its start.
struct Run {
  bool ok = false;
  double first_dialog = 0, second_dialog = 0, first_file = 0, files = 0, links = 0, done = 0, exit = 0;
  double cpu = 0;  // the process's own, user and kernel
};

class Bench {
 public:
  Bench() : group_(ShellFolder(CSIDL_PROGRAMS) + "\\Velmora\\Murkle\\"),
            desktop_link_(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Murkle.lnk") {}

  void Clean() const {
    RemoveTree("C:\\Program Files\\Velmora");
    RemoveTree(ShellFolder(CSIDL_PROGRAMS) + "\\Velmora");
    DeleteFileA(desktop_link_.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Velmora");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  // The installer, or the peer (whose one window shows its pages in turn).
  Run Drive(const std::string& exe, bool ours) const {
    Run run;
    PROCESS_INFORMATION process;
    const double start = Now();
    if (!Start(exe, "", &process)) return run;
    const auto since = [&] { return Now() - start; };
    const HWND first = WaitForWindow(process.dwProcessId, ours ? CAPTION_AGREEMENT : kPeerCaption);
    run.first_dialog = since();
    HWND second = nullptr;
    if (first) {
      Enter(first);
      if (ours) {
        second = WaitForWindow(process.dwProcessId, CAPTION_SETUP);
      } else if (Until([&] { return Text(GetDlgItem(first, IDOK)) == "&Install"; })) {
        second = first;
      }
    }
    run.second_dialog = since();
    if (second) {
      Enter(second);
      const ManifestEntry& last = kManifest[kManifestRows - 1];
      Until([&] { return Exists(std::string(kDestination) + kManifest[0].file_name); });
      run.first_file = since();
      // The last file is a small one: once there, it is written.
      Until([&] { return Exists(std::string(kDestination) + last.file_name); });
      run.files = since();
      Until([&] { return Exists(group_ + "Uninstall Murkle .lnk") && Exists(desktop_link_); });
      run.links = since();
      if (ours) {
        Until([&] { return Text(GetDlgItem(second, IDC_STATUS)) == "Done!"; });
        run.done = since();
        Enter(second);  // Close
      }
    }
    run.ok = WaitForSingleObject(process.hProcess, kBoundMs) == WAIT_OBJECT_0 && first && second;
    if (!run.ok)
      fprintf(stderr, "%s: %s\n", exe.c_str(),
              !first ? "no first dialog" : !second ? "no second dialog" : "no end within the bound");
    run.exit = since();
    if (!ours) run.done = run.exit;
    run.cpu = Cpu(process.hProcess);
    Finish(&process);
    return run;
  }

  // The peer's silent mode: start to exit.
  Run Silent(const std::string& exe) const {
    Run run;
    PROCESS_INFORMATION process;
    const double start = Now();
    if (!Start(exe, " /S", &process)) return run;
    run.ok = WaitForSingleObject(process.hProcess, kBoundMs) == WAIT_OBJECT_0 &&
             Exists(std::string(kDestination) + kManifest[kManifestRows - 1].file_name);
    run.exit = Now() - start;
    run.cpu = Cpu(process.hProcess);
    if (!run.ok) fprintf(stderr, "%s /S: no complete installation\n", exe.c_str());
    Finish(&process);
    return run;
  }

 private:
  static bool Start(const std::string& exe, const char* args, PROCESS_INFORMATION* process) {
    std::string command = "\"" + exe + "\"" + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process))
      return true;
    fprintf(stderr, "cannot start %s: error %lu\n", exe.c_str(), GetLastError());
    return false;
  }
  static double Cpu(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    const auto ms = [](FILETIME t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
  }
  static void Finish(PROCESS_INFORMATION* process) {
    if (WaitForSingleObject(process->hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process->hProcess, 255);
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
  }

  std::string group_, desktop_link_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// "median [min-max]" of ratios; "x" after the median when times says so.
std::string Spread(std::vector<double> v, bool times = false) {
  if (v.empty()) return "-";
  std::sort(v.begin(), v.end());
  char text[96];
  snprintf(text, sizeof text, "%.2f%s [%.2f-%.2f]", Median(v), times ? "x" : "", v.front(), v.back());
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: peer_bench <rounds> <our installer> <peer installer>\n");
    return 2;
  }
  const int rounds = atoi(argv[1]);
  const std::string ours = argv[2], peer = argv[3];
  Bench bench;
  std::vector<Run> our_runs, peer_runs, silent_runs;
  for (int round = 0; round < rounds; ++round) {
    bench.Clean();
    our_runs.push_back(bench.Drive(ours, true));
    bench.Clean();
    peer_runs.push_back(bench.Drive(peer, false));
    bench.Clean();
    silent_runs.push_back(bench.Silent(peer));
  }
  bench.Clean();
  for (const auto* runs : {&our_runs, &peer_runs, &silent_runs})
    for (const Run& run : *runs)
      if (!run.ok) {
        fprintf(stderr, "a run did not complete: the figures would mean nothing\n");
        return 1;
      }

  // Per round: the figure of each, and ours over the peer's.
  struct Figure {
    const char* name;
    double (*of)(const Run&);
  };
  const Figure figures[] = {
      {"start to first dialog", [](const Run& r) { return r.first_dialog; }},
      {"whole install driven through the dialogs, to exit", [](const Run& r) { return r.exit; }},
      {"CPU of the installer", [](const Run& r) { return r.cpu; }},
  };
  printf("rounds: %d (ours, the peer, the peer silent, in turn)\n\n", rounds);
  printf("| | ours | peer | ratio, median [min-max] |\n|---|---|---|---|\n");
  for (const Figure& f : figures) {
    std::vector<double> a, b, ratio;
    for (int i = 0; i < rounds; ++i) {
      a.push_back(f.of(our_runs[i]));
      b.push_back(f.of(peer_runs[i]));
      if (b.back() > 0) ratio.push_back(a.back() / b.back());
    }
    printf("| %s | %.0f ms | %.0f ms | %s |\n", f.name, Median(a), Median(b),
           Spread(ratio).c_str());
  }
  std::vector<double> silent, against;
  for (int i = 0; i < rounds; ++i) {
    silent.push_back(silent_runs[i].exit);
    against.push_back(our_runs[i].exit / silent_runs[i].exit);
  }
  printf("| the peer's silent mode, for reference | - | %.0f ms | ours %s |\n\n", Median(silent),
         Spread(against, true).c_str());

  const Figure phases[] = {
      {"first dialog to the second (Enter at once)", [](const Run& r) { return r.second_dialog - r.first_dialog; }},
      {"Enter to the first file", [](const Run& r) { return r.first_file - r.second_dialog; }},
      {"files", [](const Run& r) { return r.files - r.first_file; }},
      {"links", [](const Run& r) { return r.links - r.files; }},
      {"registry and record, to done", [](const Run& r) { return r.done - r.links; }},
      {"done to exit", [](const Run& r) { return r.exit - r.done; }},
  };
  // The peer has no "done" of its own (its last page closes with the process):
  // a phase it spends no time in has no ratio.
  printf("By phase (medians):\n\n| phase | ours | peer | ratio, median [min-max] |\n|---|---|---|---|\n");
  for (const Figure& f : phases) {
    std::vector<double> a, b, ratio;
    for (int i = 0; i < rounds; ++i) {
      a.push_back(f.of(our_runs[i]));
      b.push_back(f.of(peer_runs[i]));
      if (b.back() > 0.5) ratio.push_back(a.back() / b.back());
    }
    printf("| %s | %.0f ms | %.0f ms | %s |\n", f.name, Median(a), Median(b),
           ratio.size() == a.size() ? Spread(ratio).c_str() : "-");
  }
  return 0;
}
