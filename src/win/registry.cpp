#include "win/registry.h"

#include "core/failure.h"
#include "core/texts.h"

void Registry::set_root_key(HKEY root) {
  close_key();
  root_ = root;
}

bool Registry::open_key(const std::string& path, bool create) {
  const bool absolute = !path.empty() && path[0] == '\\';
  const std::string relative = absolute ? path.substr(1) : path;
  const bool below_open_key = !absolute && key_;
  HKEY base = below_open_key ? key_.get() : root_;
  HKEY opened = nullptr;
  LONG status;
  if (create && !relative.empty()) {
    status = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &opened, nullptr);
  } else {
    status = RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, &opened);
  }
  if (status != ERROR_SUCCESS) return false;
  path_ = below_open_key ? path_ + "\\" + relative : relative;
  key_.reset(opened);
  return true;
}

void Registry::close_key() {
  key_.reset();
  path_.clear();
}

std::string Registry::read_string(const std::string& name) {
  // Values are read from the open key only; without one there is nothing to find.
  HKEY key = key_.get();
  DWORD type = 0, size = 0;
  if (!key ||
      RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size == 0)
    return {};
  std::string data(size, '\0');
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS)
    throw Failure(format_text(texts::registry_get_failed, {name}));
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw Failure(format_text(texts::registry_bad_type, {name}));
  data.resize(size);
  const auto nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

namespace {

// Values go to the open key only: without one a write fails rather than landing on the root.
void set_value(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size) {
  if (!key || RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
      ERROR_SUCCESS)
    throw Failure(format_text(texts::registry_set_failed, {name}));
}

}  // namespace

void Registry::write_string(const std::string& name, const std::string& text) {
  // The terminating NUL is stored and counted, as programs reading the value expect.
  set_value(key_.get(), name, REG_SZ, text.c_str(),
            static_cast<DWORD>(text.size() + 1));
}

void Registry::write_integer(const std::string& name, std::int32_t number) {
  set_value(key_.get(), name, REG_DWORD, &number, sizeof number);
}

void Registry::write_bool(const std::string& name, bool flag) { write_integer(name, flag ? 1 : 0); }

std::vector<std::string> Registry::get_key_names() {
  std::vector<std::string> names;
  DWORD count = 0, longest = 0;
  if (!key_ || RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::string buffer(longest + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = longest + 1;
    if (RegEnumKeyExA(key_.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS)
      names.emplace_back(buffer.data(), length);
  }
  return names;
}

bool Registry::delete_key(const std::string& path) {
  const bool absolute = !path.empty() && path[0] == '\\';
  const std::string relative = absolute ? path.substr(1) : path;
  // An empty path would name the base key itself, a root among them: only subkeys are deleted.
  if (relative.empty()) return false;
  HKEY base = !absolute && key_ ? key_.get() : root_;
  return RegDeleteKeyA(base, relative.c_str()) == ERROR_SUCCESS;
}
