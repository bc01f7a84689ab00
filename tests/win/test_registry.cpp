// The registry object against the real registry, below a private key of HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/failure.h"
#include "registry_test_keys.h"
#include "win/registry.h"

using namespace regtest;
using namespace std::string_literals;

namespace {

const char base_path[] = "Software\\MoSetupTests\\RegistryObject";

class RegistryObject : public ::testing::Test {
 protected:
  ScratchKey base_{HKEY_CURRENT_USER, base_path};
  const std::string abs_ = std::string("\\") + base_path;  // the same key as an absolute path
};

// Runs f, which must raise a Failure, and gives its text.
template <typename F>
std::string failure_text(F f) {
  try {
    f();
  } catch (const Failure& failure) {
    return failure.text();
  }
  return "(nothing raised)";
}

}  // namespace

TEST_F(RegistryObject, AbsoluteAndRelativePaths) {
  Registry registry;
  EXPECT_EQ(registry.root_key(), HKEY_CURRENT_USER);
  EXPECT_EQ(registry.current_key(), nullptr);

  // On a fresh object both forms are taken from the root; create makes the keys along the way.
  ASSERT_TRUE(registry.open_key(abs_ + "\\A\\B", true));
  EXPECT_EQ(registry.current_path(), base_ / "A\\B");
  registry.write_string("mark", "from absolute");
  Registry fresh;
  ASSERT_TRUE(fresh.open_key(base_ / "A\\B", false));
  EXPECT_EQ(fresh.current_path(), base_ / "A\\B");
  EXPECT_EQ(fresh.read_string("mark"), "from absolute");

  // With a key open, a relative path goes below it and an absolute one still from the root.
  ASSERT_TRUE(registry.open_key("C", true));
  EXPECT_EQ(registry.current_path(), base_ / "A\\B\\C");
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base_ / "A\\B\\C"));
  ASSERT_TRUE(registry.open_key(abs_ + "\\C", true));
  EXPECT_EQ(registry.current_path(), base_ / "C");
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base_ / "C"));

  // create false opens only what exists; a failure leaves the open key as it was.
  EXPECT_FALSE(registry.open_key(abs_ + "\\Missing", false));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, base_ / "Missing"));
  EXPECT_EQ(registry.current_path(), base_ / "C");
  registry.write_string("still", "here");
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, base_ / "C", "still"), sz("here"));

  // Opening a key closes the previous one; close_key and set_root_key leave none open.
  registry.close_key();
  EXPECT_EQ(registry.current_key(), nullptr);
  EXPECT_EQ(registry.current_path(), "");
  ASSERT_TRUE(registry.open_key(base_path, false));
  registry.set_root_key(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry.current_key(), nullptr);
  EXPECT_EQ(registry.root_key(), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(registry.open_key(base_path, false)) << "taken from the new root";
}

TEST_F(RegistryObject, KeysAreOpenedWithFullAccessOnly) {
  // Wine enforces the key's DACL as Windows does, so nothing here is skipped.
  ASSERT_TRUE(lock_key(HKEY_CURRENT_USER, base_ / "ReadOnly"));
  HKEY readable;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base_ / "ReadOnly").c_str(), 0, KEY_READ, &readable),
            ERROR_SUCCESS);
  RegCloseKey(readable);

  Registry registry;
  ASSERT_TRUE(registry.open_key(base_path, false));
  EXPECT_FALSE(registry.open_key("ReadOnly", false));
  EXPECT_FALSE(registry.open_key("ReadOnly", true));
  EXPECT_FALSE(registry.open_key(abs_ + "\\ReadOnly", true));
  EXPECT_EQ(registry.current_path(), base_path) << "the open key stays after a refusal";
}

TEST_F(RegistryObject, ReadsStringsOnly) {
  const std::string key = base_ / "Values";
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "plain", sz("C:\\Mo\\")));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "", sz("the default")));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "expand", {REG_EXPAND_SZ, "%WINDIR%\\x\0"s}));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "two texts", {REG_SZ, "first\0second\0"s}));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "unterminated", {REG_SZ, "abc"}));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "empty", {REG_SZ, ""}));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "eight bit", sz("Orbit \xE9t\xE9")));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "number", dword(7)));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "bytes", {REG_BINARY, "\1\2"}));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, key, "no bytes", {REG_BINARY, ""}));

  Registry registry;
  EXPECT_EQ(registry.read_string("plain"), "") << "no key open: nothing to read";
  ASSERT_TRUE(registry.open_key(key, false));
  const std::pair<const char*, std::string> texts[] = {
      {"plain", "C:\\Mo\\"},
      {"", "the default"},
      {"expand", "%WINDIR%\\x"},  // taken literally, not expanded
      {"two texts", "first"},     // the text ends at its first NUL
      {"unterminated", "abc"},
      {"empty", ""},
      {"eight bit", "Orbit \xE9t\xE9"},
      {"missing", ""},
      {"no bytes", ""},  // a value of size 0 reads as empty whatever its type
  };
  for (const auto& [name, text] : texts) EXPECT_EQ(registry.read_string(name), text) << name;

  EXPECT_EQ(failure_text([&] { registry.read_string("number"); }),
            "Invalid data type for 'number'");
  EXPECT_EQ(failure_text([&] { registry.read_string("bytes"); }), "Invalid data type for 'bytes'");
}

TEST_F(RegistryObject, WritesTypedValues) {
  Registry registry;
  ASSERT_TRUE(registry.open_key(base_path, true));
  registry.write_string("text", "C:\\Program Files\\Marbelo Orbit\\");
  registry.write_string("empty", "");
  registry.write_string("", "default value");
  registry.write_integer("positive", 0x12345678);
  registry.write_integer("negative", -2);
  registry.write_bool("yes", true);
  registry.write_bool("no", false);
  registry.write_string("replaced", "old");
  registry.write_integer("replaced", 3);  // a new type replaces the old value entirely

  const std::pair<const char*, RawValue> expected[] = {
      {"text", sz("C:\\Program Files\\Marbelo Orbit\\")},  // NUL stored and counted
      {"empty", {REG_SZ, std::string(1, '\0')}},
      {"", sz("default value")},
      {"positive", {REG_DWORD, "\x78\x56\x34\x12"}},
      {"negative", {REG_DWORD, "\xFE\xFF\xFF\xFF"}},
      {"yes", dword(1)},
      {"no", dword(0)},
      {"replaced", dword(3)},
  };
  for (const auto& [name, value] : expected)
    EXPECT_EQ(read_raw(HKEY_CURRENT_USER, base_path, name), value) << name;
  EXPECT_EQ(value_names(HKEY_CURRENT_USER, base_path).size(), std::size(expected));
}

TEST_F(RegistryObject, RefusedWritesRaise) {
  Registry registry;
  // Without an open key a write fails instead of landing on the root. Should it land there
  // all the same, it is removed again.
  const char stray[] = "MoSetupTests stray";
  EXPECT_EQ(failure_text([&] { registry.write_string(stray, "x"); }),
            "Failed to set data for 'MoSetupTests stray'");
  if (read_raw(HKEY_CURRENT_USER, "", stray)) {
    ADD_FAILURE() << "written below the root";
    RegDeleteValueA(HKEY_CURRENT_USER, stray);
  }

  // A key deleted behind the object's back refuses every value.
  ASSERT_TRUE(registry.open_key(base_ / "Doomed", true));
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, (base_ / "Doomed").c_str()), ERROR_SUCCESS);
  EXPECT_EQ(failure_text([&] { registry.write_string("Name", "x"); }),
            "Failed to set data for 'Name'");
  EXPECT_EQ(failure_text([&] { registry.write_integer("Count", 1); }),
            "Failed to set data for 'Count'");
  EXPECT_EQ(failure_text([&] { registry.write_bool("Flag", true); }),
            "Failed to set data for 'Flag'");
}

TEST_F(RegistryObject, ListsAndDeletesSubkeys) {
  for (const char* sub : {"Tree\\b", "Tree\\a\\deep", "Tree\\c", "Lone"})
    ASSERT_TRUE(Registry().open_key(base_ / sub, true));

  Registry registry;
  EXPECT_TRUE(registry.get_key_names().empty()) << "no key open";
  ASSERT_TRUE(registry.open_key(base_ / "Tree", false));
  std::vector<std::string> names = registry.get_key_names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_TRUE(registry.open_key("c", false));
  EXPECT_TRUE(registry.get_key_names().empty());

  // Paths resolve as for open_key: relative below the open key, absolute from the root.
  ASSERT_TRUE(registry.open_key(abs_ + "\\Tree", false));
  EXPECT_FALSE(registry.delete_key("a")) << "a key with subkeys stays";
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base_ / "Tree\\a"));
  EXPECT_TRUE(registry.delete_key("a\\deep"));
  EXPECT_TRUE(registry.delete_key("a"));
  EXPECT_TRUE(registry.delete_key("b"));
  EXPECT_FALSE(registry.delete_key("b")) << "already gone";
  EXPECT_TRUE(registry.delete_key(abs_ + "\\Lone"));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, base_ / "Lone"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base_ / "Tree\\c"));

  // An empty path names no subkey: neither the open key nor the root is deleted.
  ASSERT_TRUE(registry.open_key("c", false));
  EXPECT_FALSE(registry.delete_key(""));
  EXPECT_FALSE(registry.delete_key("\\"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base_ / "Tree\\c"));
}
