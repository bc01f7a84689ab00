// The Dest page's decisions about the typed text, made before any folder is created.
#include <gtest/gtest.h>

#include <string>

#include "core/destination_rules.h"

TEST(DestinationRules, OneTrailingBackslashIsRemoved) {
  const struct {
    const char* typed;
    const char* folder;
  } cases[] = {
      {"C:\\Apps\\Orbit\\", "C:\\Apps\\Orbit"},
      {"C:\\Apps\\Orbit", "C:\\Apps\\Orbit"},
      {"C:\\Apps\\Orbit\\\\", "C:\\Apps\\Orbit\\"},  // only the last one
      {"C:\\", "C:"},
      {"\\", ""},
      {"", ""},
      {"C:/Apps/", "C:/Apps/"},  // a slash is left alone
  };
  for (const auto& c : cases) EXPECT_EQ(folder_to_create(c.typed), c.folder) << c.typed;
}

TEST(DestinationRules, OnlyFullPathsAreAccepted) {
  const struct {
    const char* typed;
    bool full, acceptable;
  } cases[] = {
      {"C:\\Program Files\\Marbelo Orbit", true, true},
      {"c:\\Apps\\", true, true},
      {"D:/Apps", true, true},
      {"C:\\", true, true},
      {"\\\\server\\share\\Apps", true, true},
      {"C:\\Apps\\..\\Orbit", true, true},
      {"C:\\Apps\\.\\Orbit\\", true, true},
      {"C:\\Apps\\\\Orbit", true, true},
      {"C:\\ Apps\\Orbit", true, true},  // a leading blank is kept by Windows as it is
      // Relative to a current folder.
      {"", false, false},
      {"Orbit", false, false},
      {"..\\Orbit", false, false},
      {".\\Orbit", false, false},
      {"\\Orbit", false, false},
      {"C:Orbit", false, false},
      {"C:", false, false},
      {"1:\\Orbit", false, false},
      {"\\\\", false, false},
      {"\\\\\\Orbit", false, false},
      {" C:\\Orbit", false, false},
      // Names Windows would change while creating them.
      {"C:\\Orbit ", true, false},
      {"C:\\Orbit \\", true, false},
      {"C:\\Orbit.", true, false},
      {"C:\\Orbit.\\", true, false},
      {"C:\\Apps \\Orbit", true, false},
      {"C:\\Apps.\\Orbit", true, false},
      {"C:\\Orbit...", true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_full_path(c.typed), c.full) << '[' << c.typed << ']';
    EXPECT_EQ(acceptable_destination(c.typed), c.acceptable) << '[' << c.typed << ']';
  }
}
