#include <algorithm>
#include <map>
#include <optional>

#include "core/dates.h"
#include "core/destination_rules.h"
#include "core/paths.h"
#include "core/texts.h"
#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"
#include "setupdat/pack.h"
#include "setupdat/real_path.h"

namespace {

using std::to_string;

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

class Planner {
 public:
  explicit Planner(const PackOptions& options) : o_(options) {}

  PackPlan run() {
    PackPlan plan;
    plan.header = header();
    dest_ = destination();
    if (folders_usable(plan)) scan(o_.source_dir, dest_, 0, plan.tree, plan);
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
      refuse(what + " " + quoted_text(utf8) + " has characters outside Windows-1252");
    } else if (text->empty()) {
      refuse(what + " is empty");
    } else if (text->size() > capacity) {
      refuse(what + " " + quoted_text(utf8) + " is " + to_string(text->size()) +
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
                                    rules::max_settings_key_length)) {
      if (const auto problem = registry_key_problem(*key))
        refuse("the settings key " + quoted_text(o_.settings_key) + " " + *problem);
      h.settings_key.assign(*key);
    }
    if (const auto date = file_date()) h.file_date = *date;
    return h;
  }

  std::optional<double> file_date() {
    const auto civil = parse_civil(o_.date);
    if (!civil) {
      refuse("the date " + quoted_text(o_.date) + " is not of the form YYYY-MM-DD HH:MM:SS");
      return std::nullopt;
    }
    if (const auto dos = dos_from_civil(*civil)) {
      const auto value = dos_to_datetime(*dos);
      if (value && survives_dos_round_trip(*value)) return value;
    }
    refuse("the date " + quoted_text(o_.date) + " is no DOS date-time: it needs a year " +
           "from 1980 to 2099, a day that exists and even seconds");
    return std::nullopt;
  }

  // The destination as the installer's Dest page would take it, with one trailing backslash.
  std::string destination() {
    const auto dest = utf8_to_cp1252(o_.dest);
    if (!dest)
      refuse("the destination " + quoted_text(o_.dest) + " has characters outside Windows-1252");
    else if (dest->empty())
      refuse("the destination is empty");
    else if (const auto problem = destination_problem(*dest))
      refuse("the destination " + quoted_text(o_.dest) + " " + *problem);
    return add_backslash(folder_to_create(dest.value_or("")));
  }

  // The output folder is resolved once, as the file system resolves it, and that very folder
  // is both checked and written: no spelling of it ("dist" from inside the product, "..", a
  // link, a bind mount, another case of a name) may land inside the product, where the next pack
  // would ship the Setup.dat of this one.
  bool folders_usable(PackPlan& plan) {
    plan.out_shown = o_.out_dir;
    plan.out_dir = out_ = real_path(o_.out_dir);
    std::error_code ignored;
    const fs::file_status source = fs::status(o_.source_dir, ignored);
    if (!fs::is_directory(source)) {
      refuse("the source folder " + quoted(o_.source_dir) +
             (fs::exists(source) ? " is not a folder" : " does not exist"));
      return false;
    }
    if (const auto same = part_that_is(out_, o_.source_dir)) {
      refuse(inside_source(*same));
      return false;
    }
    fs::path existing = out_;  // the nearest part of it that exists
    while (!fs::exists(existing, ignored) && existing.has_relative_path()) {
      if (fs::exists(fs::symlink_status(existing, ignored))) {
        refuse(cannot("create the output folder", o_.out_dir,
                      quoted(existing) + " is a link that leads nowhere"));
        return true;
      }
      existing = existing.parent_path();
    }
    if (fs::exists(existing, ignored) && !fs::is_directory(existing, ignored))
      refuse(existing == out_
                 ? "the output folder " + quoted(o_.out_dir) + " is a file, not a folder"
                 : cannot("create the output folder", o_.out_dir,
                          quoted(existing) + " is a file, not a folder"));
    check_target(texts::setup_data_name, "pack writes Setup.dat there");
    return true;
  }

  // same is the part of the output folder that is the source folder.
  std::string inside_source(const fs::path& same) const {
    const fs::path real_source = real_path(o_.source_dir);
    // Where that part is spelt otherwise than the source, both are named.
    const std::string source = same == real_source
                                   ? quoted(real_source)
                                   : quoted(same) + ", which is " + quoted(real_source);
    return "the output folder " + quoted(o_.out_dir) +
           (same == out_ ? " is the source folder " + quoted(o_.source_dir) + " (" +
                               (same == real_source ? "both " : "") + source
                         : " lies inside the source folder " + quoted(o_.source_dir) + " (" +
                               quoted(out_) + " inside " + source) +
           "): the product would ship its own Setup.dat";
  }

  // A file pack puts into the output folder needs its name free of any folder.
  void check_target(const fs::path& name, const std::string& what) {
    std::error_code ignored;
    if (fs::is_directory(fs::symlink_status(out_ / name, ignored)))
      refuse(quoted(o_.out_dir / name) + " is a folder, but " + what);
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
      if (const auto reason = unreadable(entry.path()))
        refuse(cannot("read", entry.path(), *reason));
    } else {
      refuse(where + (link ? " is a link that leads to no file" : " is neither file nor folder"));
      return std::nullopt;
    }
    if (error) {
      refuse(cannot("read", entry.path(), system_reason(error)));
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

  // Refuses each of count names of one folder that Windows could take for the short name of
  // another there; owner(i) is how a message names the i-th.
  template <typename Name, typename Owner>
  void check_short_names(std::size_t count, Name name, Owner owner) {
    std::vector<std::string_view> names;
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
      names.push_back(name(i));
      any = any || has_short_name_form(names.back());
    }
    if (!any) return;
    const ShortNameIndex index(names);
    for (std::size_t i = 0; i < count; ++i) {
      if (const auto other = index.abbreviated_to(names[i]))
        refuse(owner(i) + ": " + short_name_problem(owner(*other)));
    }
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
      refuse(cannot("read the folder", dir, system_reason(error)));
      return;
    }
    std::sort(items.begin(), items.end(), pack_order);
    // The top level shares its folder with the companions: checked with them.
    if (level > 0) {
      check_short_names(
          items.size(), [&](std::size_t i) { return std::string_view(items[i].name); },
          [&](std::size_t i) { return quoted(items[i].source); });
    }
    std::map<std::string, const PackItem*> names;  // by the name as Windows compares it
    for (std::size_t i = 0; i < items.size(); ++i) {
      PackItem& item = items[i];
      const std::string where = quoted(item.source);
      const auto [met, fresh] = names.emplace(fold_case(item.name), &item);
      if (!fresh)
        refuse(quoted(met->second->source) + " and " + where +
               " differ only in case; Windows takes them for one name");
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

  // The companions land in the destination beside the tree's top-level items, and in the
  // output folder beside Setup.dat.
  void plan_companions(PackPlan& plan) {
    std::map<std::string, std::string> taken;  // by the name as Windows compares it: its owner
    for (const auto& item : plan.tree)
      taken.emplace(fold_case(item.name), quoted(item.source) + " of the tree");
    taken.emplace(fold_case(texts::setup_data_name), "Setup.dat, the file pack writes");
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
      if (const auto reason = unreadable(source))
        refuse(cannot("read the companion", source, *reason));
      const auto name = utf8_to_cp1252(utf8_of(source.filename()));
      if (!name) {
        refuse(where + ": the name has no Windows-1252 form");
        continue;
      }
      check_name(where, *name);
      check_installer_name(where, *name);
      check_path_length(where, dest_ + *name);
      check_target(source.filename(), "the companion " + quoted(source) + " goes there");
      const auto [clash, fresh] = taken.emplace(fold_case(*name), where);
      if (!fresh) refuse(where + " has the same name as " + clash->second + ", ignoring case");
      plan.companions.push_back({*name, source});
    }
    // In the destination the companions lie beside the top-level items.
    const std::size_t top = plan.tree.size();
    check_short_names(
        top + plan.companions.size(),
        [&](std::size_t i) {
          return std::string_view(i < top ? plan.tree[i].name : plan.companions[i - top].name);
        },
        [&](std::size_t i) {
          return i < top ? quoted(plan.tree[i].source)
                         : "the companion " + quoted(plan.companions[i - top].source);
        });
  }

  const PackOptions& o_;
  fs::path out_;  // the output folder, resolved
  std::string dest_;
  Problems refused_;
};

}  // namespace

bool pack_order(const PackItem& a, const PackItem& b) {
  // std::string compares its chars as unsigned bytes. The order folds ASCII letters only, as it
  // always has: the same tree keeps packing into the same bytes.
  const std::string fa = fold_ascii_case(a.name), fb = fold_ascii_case(b.name);
  return fa != fb ? fa < fb : a.name < b.name;
}

PackPlan plan_pack(const PackOptions& options) { return Planner(options).run(); }
