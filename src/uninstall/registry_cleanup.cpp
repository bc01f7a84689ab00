#include "uninstall/registry_cleanup.h"

#include <vector>

#include "core/paths.h"
#include "core/settings_table.h"
#include "core/uninstall_rules.h"
#include "win/registry.h"

namespace {

// The registry object has no key open whenever a path is resolved here, so every path is
// taken from the root.
void delete_walk(Registry& registry, const std::string& path) {
  if (registry.open_key(path, false)) {
    // The names are all fetched before any is deleted: deleting shifts the indexes.
    const std::vector<std::string> names = registry.get_key_names();
    registry.close_key();
    for (const std::string& name : names) {
      // An empty name would make the path name this key again and the walk never end.
      if (!name.empty()) delete_walk(registry, path + "\\" + name);
    }
  }
  // Also when the key could not be opened: a key that refuses full access may still let itself
  // be deleted. A key still holding a subkey that resisted deletion stays.
  registry.delete_key(path);
}

}  // namespace

void delete_key_tree(HKEY root, std::string path) {
  // The registry reads a path only up to its first NUL, so the checks must too: a path of NULs
  // (from a damaged log) would otherwise pass for a name while the registry saw root itself.
  path.resize(up_to_nul(path).size());
  if (!path.empty() && path.back() == '\\') path.pop_back();
  if (!names_own_key(path)) return;
  Registry registry;
  registry.set_root_key(root);
  delete_walk(registry, path);
}

void remove_file_type(std::string_view extension) {
  delete_key_tree(HKEY_CLASSES_ROOT, extension_key(extension));
  delete_key_tree(HKEY_CLASSES_ROOT, file_class_key(extension));
}

void remove_product_keys(std::string_view settings_key, std::string_view product_name) {
  // An empty settings key is refused by delete_key_tree itself; an empty product name still
  // leaves the path of the whole "Uninstall" key, so that row is skipped here.
  delete_key_tree(HKEY_CURRENT_USER, std::string(settings_key));
  if (names_own_key(product_name))
    delete_key_tree(HKEY_LOCAL_MACHINE, uninstall_key_path(product_name));
  for (std::string_view extension : file_type_extensions) remove_file_type(extension);
}
