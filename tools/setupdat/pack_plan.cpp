#include <algorithm>
#include <map>
#include <optional>

#include "core/dates.h"
#include "core/paths.h"
#include "core/texts.h"
#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/pack.h"

namespace {

using std::to_string;

// A path without "." or ".." steps or a trailing separator, to compare folders by.
fs::path plain(const fs::path& path) {
  std::error_code ignored;
  fs::path p = fs::weakly_canonical(path, ignored).lexically_normal();
  if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
  return p;
}

bool same_part(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
  return same_text_ignoring_case(utf8_of(a), utf8_of(b));
#else
  return a == b;
#endif
}

// A path or text from the user as a refusal names it: a control character in a name would
// otherwise break the message over two lines or hide in it.
std::string escaped(const fs::path& path) { return controls_escaped(utf8_of(path)); }
std::string quoted(const fs::path& path) { return "'" + escaped(path) + "'"; }

// Why the installer cannot put an item of this name directly into the destination folder,
// where it keeps files of its own, or empty when it can.
std::optional<std::string> installer_name_problem(std::string_view name) {
  if (same_text_ignoring_case(name, texts::uninstall_log_name))
    return std::string("the installer creates its uninstall log ") + texts::uninstall_log_name +
           " there and holds it open, unshared, while it copies: installing this item would fail";
  if (same_text_ignoring_case(name, texts::uninstaller_name))
    return std::string("the installer copies itself there as ") + texts::uninstaller_name +
           " at the end: this item would be overwritten";
  return std::nullopt;
}

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (i == inner.end() || !same_part(*i, *o)) return false;
  }
  return true;
}

class Planner {
 public:
  explicit Planner(const PackOptions& options) : o_(options) {}

  PackPlan run() {
    PackPlan plan;
    plan.header = header();
    dest_ = destination();
    if (folders_usable()) scan(o_.source_dir, dest_, 0, plan.tree, plan);
    plan_companions(plan);
    const std::uint64_t items = plan.files + plan.companions.size();
    if (items > static_cast<std::uint64_t>(rules::max_items))
      refuse(to_string(items) + " progress items (files and companions), over " +
             to_string(rules::max_items));
    if (!refused_.empty()) throw Refused(refused_);
    return plan;
  }

 private:
  void refuse(std::string reason) { refused_.add(std::move(reason)); }

  // The 8-bit form of a header text, or empty after refusing it.
  std::optional<std::string> text_field(const std::string& what, const std::string& utf8,
                                        std::size_t capacity) {
    const auto text = utf8_to_cp1252(utf8);
    if (!text) {
      refuse(what + " '" + controls_escaped(utf8) + "' has characters outside Windows-1252");
    } else if (text->empty()) {
      refuse(what + " is empty");
    } else if (text->size() > capacity) {
      refuse(what + " '" + controls_escaped(utf8) + "' is " + to_string(text->size()) +
             " characters, over " + to_string(capacity));
    } else {
      return text;
    }
    return std::nullopt;
  }

  SetupHeader header() {
    SetupHeader h;
    std::copy_n("MOSETUP2", 8, h.signature.begin());
    if (const auto name = text_field("the product name", o_.product,
                                     rules::max_product_name_length))
      h.product_name.assign(*name);
    if (const auto key = text_field("the settings key", o_.settings_key,
                                    rules::max_settings_key_length))
      h.settings_key.assign(*key);
    if (const auto date = file_date()) h.file_date = *date;
    return h;
  }

  std::optional<double> file_date() {
    const auto civil = parse_civil(o_.date);
    if (!civil) {
      refuse("the date '" + controls_escaped(o_.date) +
             "' is not of the form YYYY-MM-DD HH:MM:SS");
      return std::nullopt;
    }
    if (const auto dos = dos_from_civil(*civil)) {
      const auto value = dos_to_datetime(*dos);
      if (value && survives_dos_round_trip(*value)) return value;
    }
    refuse("the date '" + controls_escaped(o_.date) + "' is no DOS date-time: it needs a year " +
           "from 1980 to 2099, a day that exists and even seconds");
    return std::nullopt;
  }

  std::string destination() {
    const auto dest = utf8_to_cp1252(o_.dest);
    if (!dest)
      refuse("the destination '" + controls_escaped(o_.dest) +
             "' has characters outside Windows-1252");
    if (dest && dest->empty()) refuse("the destination is empty");
    return add_backslash(dest.value_or(""));
  }

  bool folders_usable() {
    std::error_code ignored;
    if (!fs::is_directory(o_.source_dir, ignored)) {
      refuse("the source folder " + escaped(o_.source_dir) + " does not exist or is no folder");
      return false;
    }
    if (fs::exists(o_.out_dir, ignored) && !fs::is_directory(o_.out_dir, ignored))
      refuse("the output " + escaped(o_.out_dir) + " exists and is no folder");
    if (lies_within(plain(o_.out_dir), plain(o_.source_dir))) {
      refuse("the output folder " + escaped(o_.out_dir) + " lies inside the source folder " +
             escaped(o_.source_dir) + ": it would pack itself");
      return false;
    }
    return true;
  }

  // The item for one directory entry, or empty after refusing it.
  std::optional<PackItem> examine(const fs::directory_entry& entry) {
    const std::string where = quoted(entry.path());
    std::error_code error;
    const bool link = entry.is_symlink(error);
    const fs::file_status target = entry.status(error);
    PackItem item;
    item.source = entry.path();
    if (fs::is_directory(target) && link) {
      // A linked folder could lead back up the tree or out of it: never followed.
      refuse(where + " is a link to a folder; links to folders are not packed");
      return std::nullopt;
    }
    if (fs::is_directory(target)) {
      item.folder = true;
    } else if (fs::is_regular_file(target)) {
      item.size = fs::file_size(entry.path(), error);
    } else {
      refuse(where + (link ? " is a link that leads to no file" : " is neither file nor folder"));
      return std::nullopt;
    }
    if (error) {
      refuse(where + ": " + error.message());
      return std::nullopt;
    }
    const auto name = utf8_to_cp1252(utf8_of(entry.path().filename()));
    if (!name) {
      refuse(where + ": the name has no Windows-1252 form");
      return std::nullopt;
    }
    check_name(where, *name);
    item.name = *name;
    return item;
  }

  void check_name(const std::string& where, const std::string& name) {
    if (name.size() > rules::max_name_length)
      refuse(where + ": the name is " + to_string(name.size()) + " characters, over " +
             to_string(rules::max_name_length));
    if (const auto problem = windows_name_problem(name)) refuse(where + ": " + *problem);
  }

  // Refuses the full destination path of an item when it is over the limit, unless a path
  // above it was refused already; returns whether it is over.
  bool check_path_length(const std::string& where, const std::string& full,
                         bool refused_above = false) {
    const bool over = full.size() > rules::max_path_length;
    if (over && !refused_above)
      refuse(where + ": the full path " + shown(full) + " is " + to_string(full.size()) +
             " characters, over " + to_string(rules::max_path_length));
    return over;
  }

  // Items that land directly in the destination folder, top-level ones and companions.
  void check_installer_name(const std::string& where, const std::string& name) {
    if (const auto problem = installer_name_problem(name)) refuse(where + ": " + *problem);
  }

  // Scans the folder dir whose full destination path is path (ending in a backslash); level is
  // how many folders deep its entries lie. Below a path already refused as too long, only the
  // other checks are made: every path there is too long as well.
  void scan(const fs::path& dir, const std::string& path, int level, std::vector<PackItem>& items,
            PackPlan& plan, bool too_long = false) {
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
      if (auto item = examine(*it)) items.push_back(std::move(*item));
    }
    if (error) {
      refuse("cannot read the folder " + escaped(dir) + ": " + error.message());
      return;
    }
    std::sort(items.begin(), items.end(), pack_order);
    for (std::size_t i = 0; i < items.size(); ++i) {
      PackItem& item = items[i];
      const std::string where = quoted(item.source);
      if (i > 0 && same_text_ignoring_case(items[i - 1].name, item.name))
        refuse(where + " and " + quoted(items[i - 1].source.filename()) +
               " differ only in case; Windows keeps one of them");
      if (level == 0) check_installer_name(where, item.name);
      const std::string full = path + item.name;
      const bool over = check_path_length(where, full, too_long);
      if (item.folder) {
        // The limit also bounds this recursion, whatever the file system holds.
        if (level >= max_folder_depth) {
          refuse(where + ": a folder nested deeper than " + to_string(max_folder_depth) +
                 " levels");
          continue;
        }
        scan(item.source, full + '\\', level + 1, item.children, plan, over || too_long);
      } else {
        if (item.size > static_cast<std::uint64_t>(rules::max_file_size))
          refuse(where + " is " + to_string(item.size) + " bytes; files must stay below 2 GiB");
        ++plan.files;
        plan.bytes += item.size;
      }
    }
  }

  void plan_companions(PackPlan& plan) {
    std::map<std::string, std::string> taken;  // folded name: what has it
    for (const auto& item : plan.tree)
      taken.emplace(fold_ascii_case(item.name), quoted(item.source) + " of the tree");
    taken.emplace(fold_ascii_case(texts::setup_data_name), "Setup.dat, the file pack writes");
    for (const fs::path& source : o_.companions) {
      const std::string where = "the companion " + quoted(source);
      std::error_code error;
      const fs::file_status status = fs::status(source, error);
      if (!fs::exists(status)) {
        refuse(where + " does not exist");
        continue;
      }
      if (!fs::is_regular_file(status)) {
        refuse(where + " is not a regular file");
        continue;
      }
      const auto name = utf8_to_cp1252(utf8_of(source.filename()));
      if (!name) {
        refuse(where + ": the name has no Windows-1252 form");
        continue;
      }
      check_name(where, *name);
      check_installer_name(where, *name);
      check_path_length(where, dest_ + *name);
      const auto [clash, fresh] = taken.emplace(fold_ascii_case(*name), where);
      if (!fresh) refuse(where + " has the same name as " + clash->second + ", ignoring case");
      plan.companions.push_back({*name, source});
    }
  }

  const PackOptions& o_;
  std::string dest_;
  Problems refused_;
};

}  // namespace

bool pack_order(const PackItem& a, const PackItem& b) {
  // std::string compares its chars as unsigned bytes.
  const std::string fa = fold_ascii_case(a.name), fb = fold_ascii_case(b.name);
  return fa != fb ? fa < fb : a.name < b.name;
}

PackPlan plan_pack(const PackOptions& options) { return Planner(options).run(); }
