// Removal of the product's registry keys: its settings, its uninstall registration and the
// keys of its file types. Nothing here reports a failure; what cannot be deleted stays.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Deletes the key at path (from root, with or without a leading "\"; one trailing "\" is
// dropped) and every key below it, each after the keys below it. A path that names no key of
// its own (empty, or backslashes only) would name root itself and is left alone.
void delete_key_tree(HKEY root, std::string path);

// The extension's key and its file class below HKEY_CLASSES_ROOT ("\.mal", "\MO_mal_File").
void remove_file_type(std::string_view extension);

// Every key of the product in order: the settings key below HKEY_CURRENT_USER, the uninstall
// registration below HKEY_LOCAL_MACHINE, then the eight file types. A settings key or product
// name that names no key of its own skips its row: it would otherwise take every key of the
// user, or every program's registration, with it.
void remove_product_keys(std::string_view settings_key, std::string_view product_name);
