#include <cstdio>
#include <vector>

#include "core/setup_data_writer.h"
#include "core/stdio_streams.h"
#include "core/texts.h"
#include "setupdat/file_io.h"
#include "setupdat/pack.h"
#include "setupdat/progress.h"

namespace {

// File contents pass through this one buffer, whatever their size.
constexpr std::size_t buffer_size = 64 * 1024;

void copy_contents(const PackItem& item, SetupDataWriter& writer, std::vector<char>& buffer,
                   Progress& progress) {
  const std::string where = "'" + utf8_of(item.source) + "'";
  OpenFile in = open_for_reading(item.source);
  for (std::uint64_t left = item.size; left > 0;) {
    const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
    const std::size_t got = std::fread(buffer.data(), 1, want, in.get());
    if (got == 0) {
      throw Failure(where + (std::ferror(in.get()) ? " could not be read"
                                                   : " became shorter while it was packed"));
    }
    writer.contents(buffer.data(), got);
    left -= got;
    progress.add_bytes(got);
  }
  // The entry already announced the size seen by the scan; a file that grew since then would
  // be cut short without a word.
  if (std::fgetc(in.get()) != EOF) throw Failure(where + " grew while it was packed");
}

void write_list(SetupDataWriter& writer, const std::vector<PackItem>& items,
                std::vector<char>& buffer, Progress& progress) {
  for (const PackItem& item : items) {
    if (item.folder) {
      writer.begin_folder(item.name);
      write_list(writer, item.children, buffer, progress);
      writer.end_list();
    } else {
      writer.begin_file(item.name, static_cast<std::int32_t>(item.size));
      copy_contents(item, writer, buffer, progress);
      progress.file_done();
    }
  }
}

void write_setup_data(const PackPlan& plan, const fs::path& path, Progress& progress) {
  OpenFile file(path, "wb");
  if (!file) throw Failure(format_text(texts::cannot_create_file, {utf8_of(path)}));
  try {
    StdioOutputStream out(file.get());
    SetupDataWriter writer(out, plan.header);
    std::vector<char> buffer(buffer_size);
    write_list(writer, plan.tree, buffer, progress);
    writer.end_list();
    for (const PackCompanion& companion : plan.companions) writer.companion(companion.name);
    writer.end_list();
    if (!file.close()) throw Failure(texts::stream_write_error);
  } catch (const Failure& failure) {
    if (failure.text() != texts::stream_write_error) throw;
    throw Failure("cannot write " + utf8_of(path) + ": the disk may be full");
  }
}

// Copies a companion through a temporary file, so no half-copied one is ever left in place.
void copy_companion(const PackCompanion& companion, const fs::path& out_dir) {
  const fs::path target = out_dir / companion.source.filename();
  std::error_code error;
  if (fs::equivalent(companion.source, target, error)) return;  // already in place
  TemporaryFile copy(target);
  fs::copy_file(companion.source, copy.path(), error);
  if (error)
    throw Failure("cannot copy " + utf8_of(companion.source) + " to " + utf8_of(target) + ": " +
                  error.message());
  copy.commit();
}

}  // namespace

void write_pack(const PackPlan& plan, const fs::path& out_dir, std::ostream* progress_out) {
  std::error_code error;
  fs::create_directories(out_dir, error);
  if (error)
    throw Failure("cannot create the folder " + utf8_of(out_dir) + ": " + error.message());
  Progress progress(progress_out, "packed", plan.files);
  TemporaryFile setup_data(out_dir / texts::setup_data_name);
  write_setup_data(plan, setup_data.path(), progress);
  for (const PackCompanion& companion : plan.companions) copy_companion(companion, out_dir);
  setup_data.commit();
}
