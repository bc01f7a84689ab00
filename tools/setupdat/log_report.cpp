#include "setupdat/log_report.h"

#include <array>
#include <cstring>
#include <string>

#include "core/stdio_streams.h"
#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/json_output.h"
#include "setupdat/messages.h"

namespace {

using std::to_string;

void check_header(const std::uint8_t* raw, Problems& problems) {
  if (std::memcmp(raw, uninstall_signature, 8) != 0)
    problems.add("the signature is " + hex_of(raw, 8) + " (\"" +
                 shown(std::string_view(reinterpret_cast<const char*>(raw), 8)) +
                 "\"), not KVUNINST");
  if (ShortString<31>::overlong(raw + 8))
    problems.add("the product name's length byte " + to_string(raw[8]) + " is above 31");
  if (ShortString<63>::overlong(raw + 40))
    problems.add("the settings key's length byte " + to_string(raw[40]) + " is above 63");
}

// The path's length byte cannot exceed its capacity of 255, so only the flag and the reserved
// bytes can be out of line in a record.
void check_record(const std::uint8_t* raw, std::uint64_t at, Problems& problems) {
  const std::string where = "record at offset " + to_string(at);
  if (raw[264] > 1)
    problems.add(where + ": the folder flag is " + to_string(raw[264]) + ", not 0 or 1");
  if (raw[265] || raw[266] || raw[267])
    problems.add(where + ": the reserved bytes are " + hex_of(raw + 265, 3) + ", not zeros");
}

class TextSink final : public LogSink {
 public:
  TextSink(std::ostream& out, const Problems& problems) : out_(out), problems_(problems) {}

  void header(const UninstallHeader* h) override {
    if (!h) {
      out_ << "Header:        (missing)\n";
      return;
    }
    out_ << "Signature:     "
         << shown(std::string_view(reinterpret_cast<const char*>(h->signature.data()), 8)) << '\n'
         << "Product name:  " << shown(h->product_name.view()) << '\n'
         << "Settings key:  " << shown(h->settings_key.view()) << '\n'
         << "Record count:  " << h->record_count << '\n'
         << "Records:\n";
  }
  void record(const UninstallRecord& r) override {
    out_ << (r.is_folder ? "  folder  " : "  file    ") << shown(r.path.view()) << "  "
         << number_text(r.file_date) << " (" << date_text(r.file_date) << ")\n";
  }
  void finish() override {
    if (problems_.empty()) {
      out_ << "No problems.\n";
      return;
    }
    out_ << "Problems (" << problems_.total() << "):\n";
    for (const auto& text : problems_.shown()) out_ << "  - " << text << '\n';
  }

 private:
  std::ostream& out_;
  const Problems& problems_;
};

class JsonSink final : public LogSink {
 public:
  JsonSink(std::ostream& out, const Problems& problems) : out_(out), problems_(problems) {}

  void header(const UninstallHeader* h) override {
    const auto text = [&](std::string_view bytes) -> JsonObject {
      return h ? JsonObject(cp1252_to_utf8(bytes)) : JsonObject();
    };
    doc_["signature"] = text(h ? std::string_view(reinterpret_cast<const char*>(
                                                      h->signature.data()),
                                                  h->signature.size())
                               : "");
    doc_["product_name"] = text(h ? h->product_name.view() : "");
    doc_["settings_key"] = text(h ? h->settings_key.view() : "");
    doc_["record_count"] = h ? JsonObject(h->record_count) : JsonObject();
    doc_["records"] = JsonObject::array();
  }
  void record(const UninstallRecord& r) override {
    doc_["records"].push_back({{"path", cp1252_to_utf8(r.path.view())},
                               {"file_date", json_number(r.file_date)},
                               {"file_date_hex", double_hex(r.file_date)},
                               {"is_folder", r.is_folder}});
  }
  void finish() override {
    doc_["problems"] = problems_.shown();
    write_json(out_, doc_);
  }

 private:
  std::ostream& out_;
  const Problems& problems_;
  JsonObject doc_ = JsonObject::object();
};

}  // namespace

bool check_log(InputStream& in, std::uint64_t size, LogSink& sink, Problems& problems) {
  const std::size_t before = problems.total();
  if (size < UninstallHeader::size) {
    problems.add("the log is shorter than its header: " + to_string(size) + " of " +
                 to_string(UninstallHeader::size) + " bytes");
    sink.header(nullptr);
    sink.finish();
    return false;
  }
  std::array<std::uint8_t, UninstallHeader::size> head;
  in.seek(0);
  read_exact(in, head.data(), head.size());
  const UninstallHeader header = UninstallHeader::decode(head.data());
  check_header(head.data(), problems);
  if (header.record_count < 0)
    problems.add("the record count " + to_string(header.record_count) + " is negative");
  sink.header(&header);

  std::uint64_t at = UninstallHeader::size;
  for (std::int32_t i = 0; i < header.record_count; ++i) {
    if (size - at < UninstallRecord::size) {
      problems.add("the record count " + to_string(header.record_count) +
                   " goes beyond the end of the file: it holds " +
                   counted(static_cast<std::uint64_t>(i), "whole record") + " and " +
                   counted(size - at, "byte") + " more");
      sink.finish();
      return false;
    }
    std::array<std::uint8_t, UninstallRecord::size> raw;
    read_exact(in, raw.data(), raw.size());
    check_record(raw.data(), at, problems);
    sink.record(UninstallRecord::decode(raw.data()));
    at += UninstallRecord::size;
  }
  if (const std::uint64_t after = size - at; after > 0)
    problems.add(counted(after, "byte") + (after == 1 ? " follows" : " follow") +
                 " the last record at offset " + to_string(at) + " (" +
                 counted(after / UninstallRecord::size, "whole record") +
                 " beyond the record count); the uninstaller never reads them");
  sink.finish();
  return problems.total() == before;
}

int list_log(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err) {
  OpenFile data = open_for_reading(file);
  StdioInputStream in(data.get());
  const std::uint64_t size = file_size(data.get());
  Problems problems;
  bool clean;
  if (json) {
    JsonSink sink(out, problems);
    clean = check_log(in, size, sink, problems);
  } else {
    TextSink sink(out, problems);
    clean = check_log(in, size, sink, problems);
  }
  if (clean) return 0;
  err << "setupdat: " << quoted(file) << " has " << counted(problems.total(), "problem") << '\n';
  return 1;
}
