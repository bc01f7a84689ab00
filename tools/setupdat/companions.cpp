#include "setupdat/companions.h"

#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/rules.h"

void CompanionFolder::index() {
  indexed_ = true;
  std::error_code error;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    const auto name = utf8_to_cp1252(utf8_of(it->path().filename()));
    if (name) files_.emplace(fold_ascii_case(*name), it->path());
  }
  if (error) unreadable_ = "cannot read the folder " + utf8_of(folder_) + ": " + error.message();
}

CompanionFolder::Found CompanionFolder::find(std::string_view name) {
  if (!indexed_) index();
  if (unreadable_) return {{}, unreadable_};
  const auto found = files_.find(fold_ascii_case(name));
  if (found == files_.end())
    return {{}, "companion '" + shown(name) + "' is not in " + utf8_of(folder_)};
  std::error_code ignored;
  if (!fs::is_regular_file(found->second, ignored))
    return {{}, "companion '" + shown(name) + "' in " + utf8_of(folder_) +
                    " is not a regular file"};
  return {found->second, std::nullopt};
}
