// Helpers of the registry tests: private scratch keys, locked keys, and values read back raw
// (type, size, bytes) with the plain API, independently of the registry object under test.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace regtest {

struct RawValue {
  DWORD type;
  std::string data;  // exactly the stored bytes; the size is data.size()
  bool operator==(const RawValue&) const = default;
};

// The bytes a REG_SZ holds: the characters and their terminating NUL.
inline RawValue sz(const std::string& text) { return {REG_SZ, text + '\0'}; }

inline RawValue dword(std::int32_t number) {
  const auto n = static_cast<std::uint32_t>(number);
  const char bytes[4] = {static_cast<char>(n), static_cast<char>(n >> 8),
                         static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
  return {REG_DWORD, std::string(bytes, 4)};
}

inline std::optional<RawValue> read_raw(HKEY root, const std::string& path,
                                        const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  std::optional<RawValue> value;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS)
      value = RawValue{type, data.substr(0, size)};
  }
  RegCloseKey(key);
  return value;
}

inline bool write_raw(HKEY root, const std::string& path, const std::string& name,
                      const RawValue& value) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LONG status = RegSetValueExA(key, name.c_str(), 0, value.type,
                                     reinterpret_cast<const BYTE*>(value.data.data()),
                                     static_cast<DWORD>(value.data.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

inline bool key_exists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline std::vector<std::string> value_names(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

// Gives a key the DACL of an SDDL text. The owner may always change the DACL, which is how a
// locked key is unlocked again.
inline bool set_dacl(HKEY root, const std::string& path, const char* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
    return false;
  HKEY key;
  LONG status = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    RegCloseKey(key);
  }
  LocalFree(sd);
  return status == ERROR_SUCCESS;
}

// Creates the key if needed and leaves everyone (its owner included) only the right to read it.
inline bool lock_key(HKEY root, const std::string& path) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return set_dacl(root, path, "D:P(A;;KR;;;WD)");
}

// Deletes a key and everything below it, unlocking locked keys on the way.
inline void delete_tree(HKEY root, const std::string& path) {
  set_dacl(root, path, "D:P(A;;KA;;;WD)");
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    std::vector<std::string> subkeys;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      subkeys.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) delete_tree(root, path + "\\" + subkey);
  }
  RegDeleteKeyA(root, path.c_str());
}

// A private key, deleted before the test (leftovers of an aborted run) and after it.
class ScratchKey {
  static constexpr char own_tree[] = "Software\\MoSetupTests\\";

 public:
  ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    delete_tree(root_, path_);
  }
  ~ScratchKey() {
    delete_tree(root_, path_);
    // Empty parents of the tests' own tree go too; a parent still holding keys refuses.
    for (std::string parent = path_; parent.rfind(own_tree, 0) == 0;) {
      parent.resize(parent.rfind('\\'));
      RegDeleteKeyA(root_, parent.c_str());
    }
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& sub) const { return path_ + "\\" + sub; }

 private:
  HKEY root_;
  std::string path_;
};

}  // namespace regtest
