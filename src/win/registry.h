// The registry object: a root key and at most one open key, opened by path with full access,
// with typed reads and writes that raise fixed failure texts. One is made per step and
// released at its end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/handles.h"

class Registry {
 public:
  Registry() = default;  // root HKEY_CURRENT_USER, no key open

  // Makes root the root key and closes the open key.
  void set_root_key(HKEY root);
  // A path beginning with "\" is taken from the root key, any other from the open key when
  // one is open, else from the root. Keys are always asked for with KEY_ALL_ACCESS. Never
  // raises: false when the key cannot be opened (or created), the open key then unchanged.
  bool open_key(const std::string& path, bool create);
  void close_key();

  // Reads and writes act on the open key; without one, a read finds nothing and a write fails.
  // A missing or empty value reads as "". Raises "Failed to get data for '%s'" when the read
  // fails and "Invalid data type for '%s'" for a type other than REG_SZ or REG_EXPAND_SZ.
  std::string read_string(const std::string& name);
  // Raise "Failed to set data for '%s'" when the registry refuses the value.
  void write_string(const std::string& name, const std::string& text);
  void write_integer(const std::string& name, std::int32_t number);
  void write_bool(const std::string& name, bool flag);

  // For the uninstaller's clean-up; neither raises. delete_key resolves its path like open_key
  // and refuses an empty one, which would name the base key (perhaps a root) itself.
  std::vector<std::string> get_key_names();
  bool delete_key(const std::string& path);

  HKEY root_key() const { return root_; }
  HKEY current_key() const { return key_.get(); }
  const std::string& current_path() const { return path_; }

 private:
  HKEY root_ = HKEY_CURRENT_USER;
  RegKey key_;
  std::string path_;
};
