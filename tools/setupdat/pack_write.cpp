#include <cstdio>
#include <vector>

#include "core/setup_data_writer.h"
#include "core/texts.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"
#include "setupdat/pack.h"
#include "setupdat/progress.h"
#include "setupdat/staged_folder.h"

namespace {

// File contents pass through this one buffer, whatever their size.
constexpr std::size_t buffer_size = 64 * 1024;

void copy_contents(const PackItem& item, SetupDataWriter& writer, std::vector<char>& buffer,
                   Progress& progress) {
  const OpenFile in(item.source, "rb");
  if (!in) throw Failure(cannot("read", item.source, in.reason()));
  for (std::uint64_t left = item.size; left > 0;) {
    const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
    const std::size_t got = read_piece(in, item.source, buffer.data(), want);
    if (got == 0) throw Failure(quoted(item.source) + " became shorter while it was packed");
    writer.contents(buffer.data(), got);
    left -= got;
    progress.add_bytes(got);
  }
  // The entry already announced the size seen by the scan; a file that grew since then would
  // be cut short without a word.
  if (std::fgetc(in.get()) != EOF) throw Failure(quoted(item.source) + " grew while it was packed");
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

void write_setup_data(const PackPlan& plan, StagedFolder& out, std::vector<char>& buffer,
                      Progress& progress) {
  const fs::path name = texts::setup_data_name;
  FileWriter file(out.stage(name), out.shown() / name);
  SetupDataWriter writer(file, plan.header);
  write_list(writer, plan.tree, buffer, progress);
  writer.end_list();
  for (const PackCompanion& companion : plan.companions) writer.companion(companion.name);
  writer.end_list();
  file.finish();
}

void copy_companion(const PackCompanion& companion, StagedFolder& out,
                    std::vector<char>& buffer) {
  const fs::path name = companion.source.filename();
  std::error_code error;
  if (fs::equivalent(companion.source, out.folder() / name, error)) return;  // already in place
  FileWriter copy(out.stage(name), out.shown() / name);
  copy_into(companion.source, copy, buffer);
  copy.finish();
}

}  // namespace

void write_pack(const PackPlan& plan, std::ostream* progress_out) {
  try {
    StagedFolder out(plan.out_dir, plan.out_shown);
    std::vector<char> buffer(buffer_size);
    {
      Progress progress(progress_out, "packed", plan.files);
      write_setup_data(plan, out, buffer, progress);
    }
    for (const PackCompanion& companion : plan.companions) copy_companion(companion, out, buffer);
    out.commit();
  } catch (const Stopped&) {
    throw;  // it says itself what became of the folder
  } catch (const Failure& failure) {
    throw Stopped({failure.text()}, nothing_changed(plan.out_shown));
  }
}
