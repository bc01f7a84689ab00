#include "setupdat/setup_report.h"

#include <map>
#include <string>

#include "core/failure.h"
#include "core/stdio_streams.h"
#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/setup_check.h"
#include "setupdat/json_writer.h"
#include "setupdat/rules.h"

namespace {

class TextSink final : public SetupSink {
 public:
  TextSink(std::ostream& out, const Problems& problems) : out_(out), problems_(problems) {}

  void header(const SetupHeader* h, std::int64_t total_items) override {
    if (!h) {
      out_ << "Header:          (missing)\nFile tree:\n";
      return;
    }
    const double date = h->file_date;
    out_ << "Signature:       " << hex_of(h->signature.data(), h->signature.size()) << " (\""
         << shown(std::string_view(reinterpret_cast<const char*>(h->signature.data()), 8))
         << "\")\n"
         << "Product name:    " << shown(h->product_name.view()) << '\n'
         << "Settings key:    " << shown(h->settings_key.view()) << '\n'
         << "File date:       " << number_text(date) << " (bytes " << double_hex(date) << ", "
         << date_text(date) << ")\n"
         << "Progress items:  " << total_items << '\n'
         << "File tree:\n";
  }
  void folder_begin(std::string_view name) override {
    line() << shown(name) << "\\\n";
    ++depth_;
  }
  void folder_end() override { --depth_; }
  void file(std::string_view name, std::int32_t size) override {
    line() << shown(name) << "  " << size << " bytes\n";
  }
  void companions_begin() override {
    if (!listed_) out_ << "  (none)\n";
    out_ << "Companions:\n";
    listed_ = false;
  }
  void companion(std::string_view name) override { line() << shown(name) << '\n'; }
  void finish(std::optional<std::uint64_t> trailing_bytes) override {
    if (!listed_) out_ << "  (none)\n";
    out_ << "Trailing bytes:  ";
    if (trailing_bytes) {
      out_ << *trailing_bytes << '\n';
    } else {
      out_ << "unknown (reading stopped)\n";
    }
    if (problems_.empty()) {
      out_ << "No problems: the file conforms.\n";
      return;
    }
    out_ << "Problems (" << problems_.total() << "):\n";
    for (const auto& text : problems_.shown()) out_ << "  - " << text << '\n';
  }

 private:
  std::ostream& line() {
    listed_ = true;
    for (int i = 0; i <= depth_; ++i) out_ << "  ";
    return out_;
  }

  std::ostream& out_;
  const Problems& problems_;
  int depth_ = 0;
  bool listed_ = false;  // whether the current section has shown anything yet
};

class JsonSink final : public SetupSink {
 public:
  JsonSink(std::ostream& out, const Problems& problems) : json_(out), problems_(problems) {}

  void header(const SetupHeader* h, std::int64_t total_items) override {
    json_.begin_object();
    json_.key("signature_hex");
    h ? json_.string(hex_of(h->signature.data(), h->signature.size())) : json_.null();
    json_.key("product_name");
    h ? json_.string(cp1252_to_utf8(h->product_name.view())) : json_.null();
    json_.key("settings_key");
    h ? json_.string(cp1252_to_utf8(h->settings_key.view())) : json_.null();
    json_.key("file_date");
    h ? json_.number(h->file_date) : json_.null();
    json_.key("file_date_hex");
    h ? json_.string(double_hex(h->file_date)) : json_.null();
    json_.key("total_items");
    h ? json_.number(total_items) : json_.null();
    json_.key("tree");
    json_.begin_array();
  }
  void folder_begin(std::string_view name) override {
    json_.begin_object();
    json_.key("name");
    json_.string(cp1252_to_utf8(name));
    json_.key("folder");
    json_.begin_array();
  }
  void folder_end() override {
    json_.end_array();
    json_.end_object();
  }
  void file(std::string_view name, std::int32_t size) override {
    json_.begin_object();
    json_.key("name");
    json_.string(cp1252_to_utf8(name));
    json_.key("size");
    json_.number(std::int64_t{size});
    json_.end_object();
  }
  void companions_begin() override {
    json_.end_array();
    json_.key("companions");
    json_.begin_array();
  }
  void companion(std::string_view name) override { json_.string(cp1252_to_utf8(name)); }
  void finish(std::optional<std::uint64_t> trailing_bytes) override {
    json_.end_array();
    json_.key("trailing_bytes");
    trailing_bytes ? json_.number(*trailing_bytes) : json_.null();
    json_.key("problems");
    json_.begin_array();
    for (const auto& text : problems_.shown()) json_.string(text);
    json_.end_array();
    json_.end_object();
  }

 private:
  JsonWriter json_;
  const Problems& problems_;
};

// Checks each companion against the files of a folder, when there is one, found the way
// Windows finds them: ASCII case ignored.
class CompanionCheck final : public SetupSink {
 public:
  CompanionCheck(const std::optional<fs::path>& folder, Problems& problems)
      : folder_(folder.value_or(fs::path())), check_(folder.has_value()), problems_(problems) {}

  void header(const SetupHeader*, std::int64_t total_items) override { items_ = total_items; }
  void companion(std::string_view name) override {
    if (!check_) return;
    if (!indexed_) index();
    const auto found = files_.find(fold_ascii_case(name));
    if (found == files_.end()) {
      problems_.add("companion '" + shown(name) + "' is not in " + utf8_of(folder_));
    } else if (!found->second) {
      problems_.add("companion '" + shown(name) + "' in " + utf8_of(folder_) +
                    " is not a regular file");
    }
  }
  std::int64_t items() const { return items_; }

 private:
  void index() {
    indexed_ = true;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
      const auto name = utf8_to_cp1252(utf8_of(it->path().filename()));
      if (name) files_.emplace(fold_ascii_case(*name), it->is_regular_file());
    }
    if (error) problems_.add("cannot read the folder " + utf8_of(folder_) + ": " + error.message());
  }

  fs::path folder_;
  bool check_;
  Problems& problems_;
  std::map<std::string, bool> files_;  // folded name: is a regular file
  bool indexed_ = false;
  std::int64_t items_ = 0;
};

bool check_file(const fs::path& file, SetupSink& sink, Problems& problems) {
  OpenFile data = open_for_reading(file);
  StdioInputStream in(data.get());
  return check_setup(in, file_size(data.get()), sink, problems);
}

}  // namespace

int list_setup(const fs::path& file, bool json, std::ostream& out, std::ostream& err) {
  Problems problems;
  bool conforms;
  if (json) {
    JsonSink sink(out, problems);
    conforms = check_file(file, sink, problems);
  } else {
    TextSink sink(out, problems);
    conforms = check_file(file, sink, problems);
  }
  if (conforms) return 0;
  err << "setupdat: " << utf8_of(file) << " does not conform (" << problems.total()
      << (problems.total() == 1 ? " problem)\n" : " problems)\n");
  return 1;
}

int verify_setup(const fs::path& file, const std::optional<fs::path>& source_dir,
                 std::ostream& out, std::ostream& err) {
  Problems problems;
  if (source_dir && !fs::is_directory(*source_dir))
    throw Failure("the source folder " + utf8_of(*source_dir) + " does not exist");
  CompanionCheck check(source_dir, problems);
  check_file(file, check, problems);
  if (problems.empty()) {
    out << utf8_of(file) << " conforms: " << check.items() << " progress items\n";
    return 0;
  }
  for (const auto& text : problems.shown())
    err << "setupdat: " << utf8_of(file) << ": " << text << '\n';
  err << "setupdat: " << utf8_of(file) << " does not conform (" << problems.total()
      << (problems.total() == 1 ? " problem)\n" : " problems)\n");
  return 1;
}
