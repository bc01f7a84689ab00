#include "setupdat/companions.h"

#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"
#include "setupdat/rules.h"

void CompanionFolder::index() {
  indexed_ = true;
  std::error_code error;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    const auto name = utf8_to_cp1252(utf8_of(it->path().filename()));
    if (name) files_.emplace(fold_case(*name), it->path());
  }
  if (error) unreadable_ = cannot("read the folder", folder_, system_reason(error));
}

CompanionFolder::Found CompanionFolder::find(std::string_view name) {
  if (!indexed_) index();
  if (unreadable_) return {{}, unreadable_};
  const auto found = files_.find(fold_case(name));
  if (found == files_.end())
    return {{}, "companion " + quoted_text(shown(name)) + " is not in " + quoted(folder_)};
  std::error_code ignored;
  if (!fs::is_regular_file(found->second, ignored))
    return {{}, "companion " + quoted_text(shown(name)) + " in " + quoted(folder_) +
                    " is not a regular file"};
  if (const auto reason = unreadable(found->second))
    return {{}, cannot("read the companion", found->second, *reason)};
  return {found->second, std::nullopt};
}
