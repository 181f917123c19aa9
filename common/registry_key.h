// An open registry key, closed on every way out. Shared by the installer and
// the product's uninstaller, which make and remove the same keys.
#ifndef MURKLE_COMMON_REGISTRY_KEY_H
#define MURKLE_COMMON_REGISTRY_KEY_H

#include <windows.h>

#include <cstring>

class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() { Close(); }

  LONG Create(HKEY root, const char* subkey) {
    return RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  LONG Open(HKEY root, const char* subkey, REGSAM access) {
    return RegOpenKeyExA(root, subkey, 0, access, &key_);
  }
  HKEY Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  void Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

  LONG SetText(const char* name, const char* value) {
    // The stored length counts the terminating zero.
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(strlen(value) + 1));
  }
  // A text value (REG_SZ or REG_EXPAND_SZ, not expanded) into size bytes,
  // always terminated: the stored value may lack its terminator. Another type
  // gives ERROR_UNSUPPORTED_TYPE.
  LONG QueryText(const char* name, char* value, DWORD size) const {
    if (size == 0) return ERROR_MORE_DATA;
    DWORD type = 0, length = size - 1;
    LONG status = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &length);
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) status = ERROR_UNSUPPORTED_TYPE;
    value[status == ERROR_SUCCESS ? length : 0] = '\0';
    return status;
  }
  LONG DeleteValue(const char* name) { return RegDeleteValueA(key_, name); }
  // Subkeys and values, or false when the key cannot be asked.
  bool Counts(DWORD* subkeys, DWORD* values) const {
    return RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

#endif
