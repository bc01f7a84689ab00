#include "setupdat/setup_report.h"

#include <string>

#include "core/dates.h"
#include "core/failure.h"
#include "core/stdio_streams.h"
#include "setupdat/codepage.h"
#include "setupdat/companions.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/setup_check.h"
#include "setupdat/json_output.h"
#include "setupdat/messages.h"
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
    line() << shown(name) << "  " << counted(static_cast<std::uint64_t>(size), "byte") << '\n';
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

// Builds the report as one document; the tree's lists being filled are kept as a path of
// arrays, innermost last (an array is only ever added to while it is innermost, so the pointers
// to the outer ones stay valid).
class JsonSink final : public SetupSink {
 public:
  JsonSink(std::ostream& out, const Problems& problems) : out_(out), problems_(problems) {}

  void header(const SetupHeader* h, std::int64_t total_items) override {
    const auto text = [&](std::string_view bytes) -> JsonObject {
      return h ? JsonObject(cp1252_to_utf8(bytes)) : JsonObject();
    };
    doc_["signature_hex"] =
        h ? JsonObject(hex_of(h->signature.data(), h->signature.size())) : JsonObject();
    doc_["product_name"] = text(h ? h->product_name.view() : "");
    doc_["settings_key"] = text(h ? h->settings_key.view() : "");
    doc_["file_date"] = h ? json_number(h->file_date) : JsonObject();
    doc_["file_date_hex"] = h ? JsonObject(double_hex(h->file_date)) : JsonObject();
    // What pack's --date takes to write this very value; none when no DOS date-time gives it.
    doc_["date"] = h && survives_dos_round_trip(h->file_date) ? JsonObject(date_text(h->file_date))
                                                             : JsonObject();
    doc_["total_items"] = h ? JsonObject(total_items) : JsonObject();
    open_ = {&(doc_["tree"] = JsonObject::array())};
  }
  void folder_begin(std::string_view name) override {
    JsonObject& folder = add({{"name", cp1252_to_utf8(name)}, {"folder", JsonObject::array()}});
    open_.push_back(&folder["folder"]);
  }
  void folder_end() override { open_.pop_back(); }
  void file(std::string_view name, std::int32_t size) override {
    add({{"name", cp1252_to_utf8(name)}, {"size", size}});
  }
  void companions_begin() override { open_ = {&(doc_["companions"] = JsonObject::array())}; }
  void companion(std::string_view name) override { add(cp1252_to_utf8(name)); }
  void finish(std::optional<std::uint64_t> trailing_bytes) override {
    doc_["trailing_bytes"] = trailing_bytes ? JsonObject(*trailing_bytes) : JsonObject();
    doc_["problems"] = problems_.shown();
    write_json(out_, doc_);
  }

 private:
  JsonObject& add(JsonObject item) {
    open_.back()->push_back(std::move(item));
    return open_.back()->back();
  }

  std::ostream& out_;
  const Problems& problems_;
  JsonObject doc_ = JsonObject::object();
  std::vector<JsonObject*> open_;
};

// Checks each companion against the files of a folder, when there is one.
class CompanionCheck final : public SetupSink {
 public:
  CompanionCheck(const std::optional<fs::path>& folder, Problems& problems)
      : folder_(folder.value_or(fs::path())), check_(folder.has_value()), problems_(problems) {}

  void header(const SetupHeader* h, std::int64_t total_items) override {
    if (h) items_ = total_items;
  }
  void companion(std::string_view name) override {
    if (!check_) return;
    if (auto found = folder_.find(name); found.problem) problems_.add(std::move(*found.problem));
  }
  std::optional<std::int64_t> items() const { return items_; }

 private:
  CompanionFolder folder_;
  bool check_;
  Problems& problems_;
  std::optional<std::int64_t> items_;  // none without a header
};

bool check_file(const fs::path& file, SetupSink& sink, Problems& problems) {
  OpenFile data = open_for_reading(file);
  StdioInputStream in(data.get());
  return check_setup(in, file_size(data.get()), sink, problems);
}

// "'dist/Setup.dat' does not conform (2 problems)"
std::string verdict(const fs::path& file, const Problems& problems) {
  return quoted(file) + " does not conform (" + counted(problems.total(), "problem") + ")";
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
  err << "setupdat: " << verdict(file, problems) << '\n';
  return 1;
}

int verify_setup(const fs::path& file, const std::optional<fs::path>& source_dir, bool json,
                 std::ostream& out, std::ostream& err) {
  Problems problems;
  if (source_dir && !fs::is_directory(*source_dir))
    throw Failure("the source folder " + quoted(*source_dir) + " does not exist");
  CompanionCheck check(source_dir, problems);
  check_file(file, check, problems);
  if (json) {
    JsonObject doc = JsonObject::object();
    doc["conforms"] = problems.empty();
    doc["total_items"] = check.items() ? JsonObject(*check.items()) : JsonObject();
    doc["problems"] = problems.shown();
    write_json(out, doc);
  } else if (problems.empty()) {
    out << utf8_of(file) << " conforms: " << counted(check.items().value_or(0), "progress item")
        << '\n';
  } else {
    for (const auto& text : problems.shown())
      err << "setupdat: " << quoted(file) << ": " << text << '\n';
  }
  if (problems.empty()) return 0;
  err << "setupdat: " << verdict(file, problems) << '\n';
  return 1;
}
