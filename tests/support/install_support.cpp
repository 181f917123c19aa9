#include "install_support.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "test_paths.h"

namespace test {

bool ReadLink(const std::string& link_file, std::string* target, std::string* description) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, link_file.c_str(), -1, wide, MAX_PATH) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
      char path[MAX_PATH] = "", text[MAX_PATH] = "";
      ok = SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
           SUCCEEDED(link->GetDescription(text, MAX_PATH));
      *target = path;
      *description = text;
    }
    file->Release();
  }
  link->Release();
  return ok;
}

bool KeyExists(HKEY root, const std::string& subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool ReadStringValue(HKEY root, const std::string& subkey, const char* name, std::string* value,
                     DWORD* length) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char data[1024];
  DWORD type = 0, size = sizeof data;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return false;
  if (length) *length = size;
  value->assign(data, size && data[size - 1] == '\0' ? size - 1 : size);
  return true;
}

int ValueCount(HKEY root, const std::string& subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(key);
  return static_cast<int>(values);
}

void DeleteKeyTree(HKEY root, const std::string& subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char child[256];
  DWORD size = sizeof child;
  while (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    DeleteKeyTree(key, child);
    size = sizeof child;
  }
  RegCloseKey(key);
  RegDeleteKeyA(root, subkey.c_str());
}

std::vector<std::string> IniLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos || line.find('\n') != std::string::npos) line += " <no CR LF>";
    if (!line.empty()) lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

void ListFiles(const std::string& dir, std::set<std::string>* out, const char* skip) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = dir + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (skip && _stricmp(name.c_str(), skip) == 0) continue;
      out->insert(path + "\\");
      ListFiles(path, out, skip);
    } else {
      out->insert(path);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void ListKeys(HKEY root, const std::string& root_name, const std::string& subkey, std::set<std::string>* out,
              const std::string& prefix, bool values) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char name[512];
  for (DWORD i = 0; values; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out->insert(root_name + "\\" + subkey + "\\:" + name);
  }
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (_strnicmp(name, prefix.c_str(), prefix.size()) == 0) children.push_back(name);
  }
  RegCloseKey(key);
  for (const std::string& child : children) {
    if (_stricmp(subkey.c_str(), "Software") == 0 && _stricmp(child.c_str(), "Wine") == 0) continue;
    const std::string path = subkey + "\\" + child;
    out->insert(root_name + "\\" + path);
    ListKeys(root, root_name, path, out, "", values);
  }
}

std::set<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> out;
  for (const std::string& x : a)
    if (!b.count(x)) out.insert(x);
  return out;
}

std::string Lines(const std::set<std::string>& items) {
  std::string out;
  for (const std::string& x : items) out += "\n  " + x;
  return out;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) ADD_FAILURE() << "no special folder " << csidl;
  return path;
}

bool InstallerSession::Open(const std::string& exe, const char* working_dir) {
  if (!process_.Start(exe.empty() ? std::string(TEST_INSTALLER) : exe, "", working_dir)) {
    ADD_FAILURE() << "the installer did not start";
    return false;
  }
  HWND agreement = WaitForDialog(process_.id(), kAgreementCaption, 30000);
  if (!agreement) {
    ADD_FAILURE() << "no agreement dialog";
    return false;
  }
  PressButton(agreement, IDOK);
  dialog_ = WaitForDialog(process_.id(), kSetupCaption, 20000);
  if (!dialog_) ADD_FAILURE() << "no setup options dialog after Accept";
  return dialog_ != nullptr;
}

std::string InstallerSession::Text(int control) const { return WindowText(GetDlgItem(dialog_, control)); }

void InstallerSession::SetText(int control, const std::string& text) {
  test::SetText(GetDlgItem(dialog_, control), text);
}

std::string InstallerSession::Install(int box_answer, std::vector<std::string>* boxes) {
  // A marker on the status line first, so that a verdict equal to the line
  // before it (the same failure twice) is still seen.
  const std::string before = "(test: waiting for the installation)";
  SetText(IDC_STATUS, before);
  PressButton(dialog_, IDOK);
  std::string status;
  // The status line goes to "in progress" and then to its verdict; the verdict
  // is the first text that is neither the old line nor "in progress".
  bool done = WaitUntil(
      [&] {
        if (box_answer) {
          if (HWND box = FindMessageBox(process_.id())) {
            if (boxes) boxes->push_back(MessageBoxText(box));
            PressButton(box, box_answer);
            // Once only: a box still closing must not be read and pressed again.
            if (!WaitUntil([&] { return !IsWindow(box); }, 10000)) ADD_FAILURE() << "the box did not close";
          }
        }
        status = Text(IDC_STATUS);
        return status != before && status != "Instalation in progress... Please wait...";
      },
      120000);
  if (!done) ADD_FAILURE() << "the installation did not end; status: " << status;
  return status;
}

bool InstallerSession::CloseAndWait(int button, DWORD* exit_code) {
  PressButton(dialog_, button);
  return process_.Wait(15000, exit_code);
}

}  // namespace test
