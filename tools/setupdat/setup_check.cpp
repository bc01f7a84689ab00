#include "setupdat/setup_check.h"

#include <array>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "core/dates.h"
#include "core/failure.h"
#include "setupdat/display.h"
#include "setupdat/messages.h"
#include "setupdat/rules.h"

namespace {

using std::to_string;

// A damaged file can claim any number of entries in one folder; the names kept for the clash
// check are limited so that memory stays bounded whatever the file holds.
constexpr std::size_t max_names_held = 1 << 20;

// Counts as core count_items does, but keeps the count reached and where it stopped.
void recount(InputStream& in, int depth, std::int64_t& items, std::uint64_t& at) {
  for (;;) {
    at = in.position();
    const SetupEntry e = read_setup_entry(in);
    if (e.is_terminator()) return;
    if (e.is_folder()) {
      if (depth >= max_folder_depth)
        throw DataError("entry at offset " + to_string(at) + ": folder nested deeper than " +
                        to_string(max_folder_depth) + " levels");
      recount(in, depth + 1, items, at);
    } else {
      ++items;
      in.seek(in.position() + static_cast<std::uint64_t>(e.content_size));
    }
  }
}

// Raised when the rest of the file cannot be read as entries.
struct Stop {
  std::string text;
};

struct RawEntry {
  std::uint64_t at = 0;
  std::array<std::uint8_t, SetupEntry::size> bytes{};
  SetupEntry entry;
};

// One list being read: its path (with a trailing backslash), the names met in it so far, by
// their case-folded form, and those of them that have the form of a short name, with where they
// were met, to be checked when the list is complete.
struct OpenList {
  std::string path;
  std::unordered_map<std::string, std::string> names;
  std::vector<std::pair<std::string, std::string>> short_names;  // where, name
};

class Walker {
 public:
  Walker(InputStream& in, std::uint64_t size, SetupSink& sink, Problems& problems,
         std::string_view dest)
      : in_(in), size_(size), sink_(sink), problems_(problems), dest_(dest) {}

  void run() {
    if (size_ < SetupHeader::size) {
      problems_.add("the file ends inside the header: " + to_string(size_) + " of " +
                    to_string(SetupHeader::size) + " bytes");
      sink_.header(nullptr, 0);
      sink_.companions_begin();
      sink_.finish(std::nullopt);
      return;
    }
    std::array<std::uint8_t, SetupHeader::size> raw;
    in_.seek(0);
    read_exact(in_, raw.data(), raw.size());
    const SetupHeader header = SetupHeader::decode(raw.data());
    check_header(raw.data(), header);
    const InstallerCount count = count_like_installer(in_);
    if (count.failure) problems_.add("the installer's counting pass fails: " + *count.failure);
    in_.seek(SetupHeader::size);
    sink_.header(&header, count.items);
    try {
      walk_tree();
      walk_companions();
    } catch (const Stop& stop) {
      return stopped(stop.text);
    } catch (const Failure& failure) {
      return stopped("reading failed near offset " + to_string(in_.position()) + ": " +
                     failure.text());
    }
    const std::uint64_t trailing = size_ - in_.position();
    if (trailing > 0)
      problems_.add(counted(trailing, "byte") + (trailing == 1 ? " follows" : " follow") +
                    " the companion list at offset " + to_string(in_.position()) +
                    "; the installer never reads them");
    if (items_ > rules::max_items)
      problems_.add(to_string(items_) + " progress items (files and companions), over " +
                    to_string(rules::max_items));
    sink_.finish(trailing);
  }

 private:
  void check_header(const std::uint8_t* raw, const SetupHeader& header) {
    if (ShortString<31>::overlong(raw + 8))
      problems_.add("the product name's length byte " + to_string(raw[8]) + " is above 31");
    if (ShortString<63>::overlong(raw + 40))
      problems_.add("the settings key's length byte " + to_string(raw[40]) + " is above 63");
    const double date = header.file_date;
    if (!survives_dos_round_trip(date))
      problems_.add("the file date " + number_text(date) + " (bytes " + double_hex(date) + ", " +
                    date_text(date) + ") is not a DOS date-time value: files would not keep it");
  }

  void stopped(const std::string& text) {
    problems_.add(text);
    if (in_tree_) {
      for (std::size_t i = 1; i < open_.size(); ++i) sink_.folder_end();
      sink_.companions_begin();
    }
    sink_.finish(std::nullopt);
  }

  RawEntry read_entry(const std::string& list) {
    RawEntry raw;
    raw.at = in_.position();
    const std::uint64_t left = size_ > raw.at ? size_ - raw.at : 0;
    if (left == 0)
      throw Stop{"the file ends at offset " + to_string(size_) + ", where the next entry of " +
                 list + " should be"};
    if (left < SetupEntry::size)
      throw Stop{"the file ends inside the entry at offset " + to_string(raw.at) + " (" +
                 to_string(left) + " of " + to_string(SetupEntry::size) + " bytes)"};
    read_exact(in_, raw.bytes.data(), raw.bytes.size());
    raw.entry = SetupEntry::decode(raw.bytes.data());
    return raw;
  }

  void check_terminator(const RawEntry& raw, const std::string& list) {
    for (std::size_t i = 1; i < raw.bytes.size(); ++i) {
      if (raw.bytes[i] != 0) {
        problems_.add("the terminator at offset " + to_string(raw.at) + " ending " + list +
                      " has nonzero bytes after its length byte");
        return;
      }
    }
  }

  void check_name(const RawEntry& raw, const std::string& where, OpenList& list) {
    if (ShortString<31>::overlong(raw.bytes.data()))
      problems_.add(where + ": the name's length byte " + to_string(raw.bytes[0]) +
                    " is above 31");
    const std::string name = raw.entry.name.str();
    if (const auto problem = windows_name_problem(name)) problems_.add(where + ": " + *problem);
    std::string folded = fold_case(name);
    if (const auto met = list.names.find(folded); met != list.names.end()) {
      problems_.add(where + ": the same name as '" + shown(met->second) +
                    "' in the same folder, ignoring case");
    } else if (names_held_ < max_names_held) {
      list.names.emplace(std::move(folded), name);
      ++names_held_;
      if (has_short_name_form(name)) list.short_names.emplace_back(where, name);
    } else if (!names_overflow_) {
      names_overflow_ = true;
      problems_.add(where + ": over " + to_string(max_names_held) +
                    " names in the open folders; later names are not checked for clashes");
    }
  }

  // The installation makes dest + path, and its uninstall log stores that in a field of 255.
  void check_path_length(const std::string& where, std::string_view path) {
    const std::size_t full = dest_.size() + path.size();
    if (full > rules::max_path_length)
      problems_.add(where + ": the full path below " + shown(dest_) + " is " + to_string(full) +
                    " characters, over " + to_string(rules::max_path_length));
  }

  // Reports each name of the short form in lists that Windows could take for the short name
  // of another name in them (one folder to the installer); those reported leave the lists.
  void check_short_names(std::initializer_list<OpenList*> lists) {
    std::vector<std::string_view> names;
    bool any = false;
    for (const OpenList* list : lists) {
      any = any || !list->short_names.empty();
      for (const auto& [folded, name] : list->names) names.push_back(name);
    }
    if (!any) return;
    const ShortNameIndex index(names);
    for (OpenList* list : lists) {
      std::erase_if(list->short_names, [&](const std::pair<std::string, std::string>& met) {
        const auto other = index.abbreviated_to(met.second);
        if (other)
          problems_.add(met.first + ": " + short_name_problem("'" + shown(names[*other]) + "'"));
        return other.has_value();
      });
    }
  }

  void close_list(OpenList& list) { names_held_ -= list.names.size(); }

  static std::string list_name(const OpenList& list) {
    if (list.path.empty()) return "the file tree";
    return "folder '" + shown(std::string_view(list.path).substr(0, list.path.size() - 1)) + "'";
  }

  void walk_tree() {
    open_.push_back(OpenList{});
    while (!open_.empty()) {
      const RawEntry raw = read_entry(list_name(open_.back()));
      const SetupEntry& e = raw.entry;
      if (e.is_terminator()) {
        check_terminator(raw, list_name(open_.back()));
        check_short_names({&open_.back()});
        // The top level's names stay for the companions, which land beside them.
        if (open_.size() == 1) {
          top_level_ = std::move(open_.back());
        } else {
          close_list(open_.back());
        }
        open_.pop_back();
        if (!open_.empty()) sink_.folder_end();
        continue;
      }
      const std::string path = open_.back().path + e.name.str();
      const std::string where = "entry at offset " + to_string(raw.at) + " ('" + shown(path) + "')";
      if (e.content_size < SetupEntry::folder_size)
        throw Stop{where + ": size " + to_string(e.content_size) + " is below -1"};
      check_name(raw, where, open_.back());
      check_path_length(where, path);
      if (e.is_folder()) {
        if (open_.size() > static_cast<std::size_t>(max_folder_depth))
          throw Stop{where + ": folder nested deeper than " + to_string(max_folder_depth) +
                     " levels"};
        sink_.folder_begin(e.name.view());
        open_.push_back(OpenList{path + '\\', {}, {}});
      } else {
        ++items_;
        const auto content = static_cast<std::uint64_t>(e.content_size);
        const std::uint64_t left = size_ - in_.position();
        if (content > left)
          throw Stop{where + ": its " + to_string(content) + " content bytes run past the end " +
                     "of the file (" + to_string(left) + " left)"};
        sink_.file(e.name.view(), e.content_size);
        in_.seek(in_.position() + content);
      }
    }
    in_tree_ = false;
  }

  void walk_companions() {
    sink_.companions_begin();
    const std::string list = "the companion list";
    OpenList beside;  // the companions all lie in the installer's own folder
    for (;;) {
      const RawEntry raw = read_entry(list);
      const SetupEntry& e = raw.entry;
      if (e.is_terminator()) {
        check_terminator(raw, list);
        check_short_names({&top_level_, &beside});
        close_list(beside);
        close_list(top_level_);
        return;
      }
      const std::string where =
          "companion entry at offset " + to_string(raw.at) + " ('" + shown(e.name.view()) + "')";
      if (e.content_size < SetupEntry::folder_size)
        throw Stop{where + ": size " + to_string(e.content_size) + " is below -1"};
      check_name(raw, where, beside);
      if (const auto met = top_level_.names.find(fold_case(e.name.str()));
          met != top_level_.names.end())
        problems_.add(where + ": the same name as '" + shown(met->second) + "' at the top of " +
                      "the file tree, ignoring case: Windows takes them for one name");
      check_path_length(where, e.name.view());
      if (e.is_folder()) {
        problems_.add(where + ": size -1 instead of 0; the counting pass takes it for a folder " +
                      "and reads a list after it");
      } else if (e.content_size != 0) {
        problems_.add(where + ": size " + to_string(e.content_size) + " instead of 0; the " +
                      "counting pass skips that many bytes after it");
      }
      ++items_;
      sink_.companion(e.name.view());
    }
  }

  InputStream& in_;
  const std::uint64_t size_;
  SetupSink& sink_;
  Problems& problems_;
  const std::string_view dest_;
  std::vector<OpenList> open_;  // the tree's lists being read, outermost first
  OpenList top_level_;          // the tree's top level, once read
  bool in_tree_ = true;
  std::int64_t items_ = 0;
  std::size_t names_held_ = 0;
  bool names_overflow_ = false;
};

}  // namespace

InstallerCount count_like_installer(InputStream& in) {
  SetupHeader header;
  std::string core_text;
  try {
    return {count_items(in, header), std::nullopt};
  } catch (const Failure& failure) {
    core_text = failure.text();
  }
  // Count again by the same rules, to tell how far the installer gets and where it stops.
  std::int64_t items = 0;
  std::uint64_t at = SetupHeader::size;
  try {
    in.seek(at);
    recount(in, 0, items, at);
    recount(in, 0, items, at);
  } catch (const DataError& error) {
    return {items, shown(error.text())};
  } catch (const Failure&) {
    return {items, "the file ends inside the entry the pass reads at offset " + to_string(at)};
  }
  return {items, shown(core_text)};
}

bool check_setup(InputStream& in, std::uint64_t size, SetupSink& sink, Problems& problems,
                 std::string_view dest) {
  const std::size_t before = problems.total();
  Walker(in, size, sink, problems, dest).run();
  return problems.total() == before;
}
