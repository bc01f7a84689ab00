// Setup.dat: the codecs at their offsets, the counting pass, the walk, and bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/dates.h"
#include "core/failure.h"
#include "core/setup_data.h"
#include "core/setup_data_writer.h"
#include "core/texts.h"

namespace {

SetupHeader sample_header() {
  SetupHeader h;
  h.signature = {'M', 'O', 'S', 'E', 'T', 'U', 'P', '2'};
  h.product_name.assign("Marbelo Orbit 2.0");
  h.settings_key.assign("Software\\Marbelo\\Orbit\\2.0");
  h.file_date = *dos_to_datetime({0x58EF, 0x6DAF});
  return h;
}

// File A; folder D holding file B and folder E, which holds file C; file F (empty); an empty
// folder G; companions H and I.
std::vector<std::uint8_t> sample_file() {
  MemoryOutputStream out;
  SetupDataWriter w(out, sample_header());
  w.file("A.txt", "alpha");
  w.begin_folder("D");
  w.file("B.txt", "bravo!");
  w.begin_folder("E");
  w.file("C.txt", "c");
  w.end_list();
  w.end_list();
  w.file("F.txt", "");
  w.begin_folder("G");
  w.end_list();
  w.end_list();
  w.companion("H.wav");
  w.companion("I.bmp");
  w.end_list();
  return out.bytes();
}

// Records what a walk meets, as one line per event.
struct Recorder : SetupVisitor {
  std::vector<std::string> events;
  bool read_contents = true;
  void folder_entered(const std::string& path, const SetupEntry&) override {
    events.push_back("enter " + path);
  }
  void folder_left(const std::string& path, const SetupEntry&) override {
    events.push_back("leave " + path);
  }
  void file(const std::string& path, const SetupEntry& e, InputStream& data) override {
    std::string contents(static_cast<std::size_t>(e.content_size), '\0');
    if (read_contents) read_exact(data, contents.data(), contents.size());
    events.push_back("file " + path + " = " + (read_contents ? contents : "?"));
  }
  void companion(const SetupEntry& e) override { events.push_back("companion " + e.name.str()); }
};

std::vector<std::string> walk_all(const std::vector<std::uint8_t>& bytes, bool read = true) {
  MemoryInputStream in(bytes);
  SetupHeader h;
  count_items(in, h);
  in.seek(SetupHeader::size);
  Recorder r;
  r.read_contents = read;
  walk_file_tree(in, "C:\\Dest\\", r);
  walk_companions(in, r);
  return r.events;
}

std::vector<std::uint8_t> entry_bytes(const std::string& name, std::int32_t size) {
  SetupEntry e;
  e.name.assign(name);
  e.content_size = size;
  const auto a = e.encode();
  return {a.begin(), a.end()};
}

std::vector<std::uint8_t> with_tree(const std::vector<std::vector<std::uint8_t>>& entries) {
  std::vector<std::uint8_t> bytes;
  const auto header = sample_header().encode();
  bytes.assign(header.begin(), header.end());
  for (const auto& e : entries) bytes.insert(bytes.end(), e.begin(), e.end());
  return bytes;
}

}  // namespace

TEST(SetupData, HeaderAndEntryBytesAtTheirOffsets) {
  const auto h = sample_header().encode();
  ASSERT_EQ(h.size(), 112u);
  EXPECT_EQ(std::string(h.begin(), h.begin() + 8), "MOSETUP2");
  EXPECT_EQ(h[8], 17);
  EXPECT_EQ(std::string(h.begin() + 9, h.begin() + 26), "Marbelo Orbit 2.0");
  for (int i = 26; i < 40; ++i) EXPECT_EQ(h[i], 0) << i;
  EXPECT_EQ(h[40], 26);
  EXPECT_EQ(std::string(h.begin() + 41, h.begin() + 67), "Software\\Marbelo\\Orbit\\2.0");
  for (int i = 67; i < 104; ++i) EXPECT_EQ(h[i], 0) << i;
  EXPECT_EQ(le::get_u64(h.data() + 104), 0x40e63612582d82d8ULL);

  const auto folder = entry_bytes("Formula", -1);
  ASSERT_EQ(folder.size(), 36u);
  EXPECT_EQ(folder[0], 7);
  EXPECT_EQ(le::get_u32(folder.data() + 32), 0xFFFFFFFFu);
  const auto big = entry_bytes("Mo.exe", 0x7FFFFFFF);
  EXPECT_EQ(le::get_i32(big.data() + 32), 0x7FFFFFFF);

  const SetupHeader back = SetupHeader::decode(h.data());
  EXPECT_EQ(back.product_name.view(), "Marbelo Orbit 2.0");
  EXPECT_EQ(back.settings_key.view(), "Software\\Marbelo\\Orbit\\2.0");
  EXPECT_TRUE(le::same_bits(back.file_date, sample_header().file_date));
}

TEST(SetupData, CountsFilesAndCompanionsButNotFolders) {
  const auto bytes = sample_file();
  MemoryInputStream in(bytes);
  in.seek(500);  // the counting pass starts from the beginning wherever the stream stood
  SetupHeader h;
  EXPECT_EQ(count_items(in, h), 6);  // A B C F, H I
  EXPECT_EQ(h.product_name.view(), "Marbelo Orbit 2.0");
  EXPECT_EQ(in.position(), bytes.size());
}

TEST(SetupData, WalksInFileOrderWithFolderPathsAndContents) {
  const std::vector<std::string> expected = {
      "file C:\\Dest\\A.txt = alpha", "enter C:\\Dest\\D",
      "file C:\\Dest\\D\\B.txt = bravo!", "enter C:\\Dest\\D\\E",
      "file C:\\Dest\\D\\E\\C.txt = c", "leave C:\\Dest\\D\\E",
      "leave C:\\Dest\\D", "file C:\\Dest\\F.txt = ",
      "enter C:\\Dest\\G", "leave C:\\Dest\\G",
      "companion H.wav", "companion I.bmp",
  };
  EXPECT_EQ(walk_all(sample_file()), expected);
  // A visitor that does not read the contents still sees every entry in place.
  const auto skipped = walk_all(sample_file(), false);
  ASSERT_EQ(skipped.size(), expected.size());
  EXPECT_EQ(skipped[2], "file C:\\Dest\\D\\B.txt = ?");
  EXPECT_EQ(skipped[11], "companion I.bmp");
}

TEST(SetupData, EmptyListsTrailingBytesAndAnySignature) {
  auto bytes = with_tree({entry_bytes("", 0), entry_bytes("", 0)});
  bytes[0] = 0xFF;
  bytes[7] = 0x00;
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});  // never read
  MemoryInputStream in(bytes);
  SetupHeader h;
  EXPECT_EQ(count_items(in, h), 0);
  EXPECT_TRUE(walk_all(bytes).empty());
}

TEST(SetupData, TerminatorIsAnyEntryWithAnEmptyName) {
  auto terminator = entry_bytes("", 0);
  for (std::size_t i = 1; i < terminator.size(); ++i) terminator[i] = 0xAB;
  const auto bytes = with_tree({entry_bytes("x", 1), {'!'}, terminator, entry_bytes("", 0)});
  MemoryInputStream in(bytes);
  SetupHeader h;
  EXPECT_EQ(count_items(in, h), 1);
}

// The counting pass skips Size bytes after a companion entry, while the copying pass does
// not; a conforming companion's Size is 0 so both agree. Sizes are taken as they stand.
TEST(SetupData, CountingSkipsCompanionSizesLikeTheInstallerDoes) {
  const auto bytes = with_tree({entry_bytes("", 0), entry_bytes("H", 36), entry_bytes("hidden", 0),
                                entry_bytes("", 0)});
  MemoryInputStream in(bytes);
  SetupHeader h;
  EXPECT_EQ(count_items(in, h), 1);
  EXPECT_EQ(walk_all(bytes), (std::vector<std::string>{"companion H", "companion hidden"}));
}

TEST(SetupData, SizesBelowMinusOneAreDataErrors) {
  for (std::int32_t size : {-2, -36, -148, INT32_MIN}) {
    // Size -148 would move the counting pass back onto the same entry forever.
    const auto bytes = with_tree({entry_bytes("loop", size), entry_bytes("", 0)});
    MemoryInputStream in(bytes);
    SetupHeader h;
    EXPECT_THROW(count_items(in, h), DataError) << size;
  }
  const auto in_companions =
      with_tree({entry_bytes("", 0), entry_bytes("bad", -2), entry_bytes("", 0)});
  MemoryInputStream in(in_companions);
  SetupHeader h;
  EXPECT_THROW(count_items(in, h), DataError);
  in.seek(SetupHeader::size);
  Recorder r;
  walk_file_tree(in, "", r);
  EXPECT_THROW(walk_companions(in, r), DataError);
}

TEST(SetupData, NamesThatCouldLeaveTheFolderAreDataErrors) {
  // Windows reads a name up to its first NUL, so what follows one hides nothing.
  using namespace std::string_literals;
  for (const std::string& name : {".."s, "."s, "..\\..\\Windows\\evil.dll"s, "a/b"s, "C:evil"s,
                                  "x\\y"s, "..\0x"s, "\0abc"s, "COM1\0"s, "NUL\0.txt"s}) {
    SCOPED_TRACE(name);
    const auto file_entry = with_tree({entry_bytes(name, 0), entry_bytes("", 0), entry_bytes("", 0)});
    MemoryInputStream in(file_entry);
    SetupHeader h;
    EXPECT_THROW(count_items(in, h), DataError);

    const auto folder_entry = with_tree(
        {entry_bytes(name, -1), entry_bytes("", 0), entry_bytes("", 0), entry_bytes("", 0)});
    MemoryInputStream in2(folder_entry);
    EXPECT_THROW(count_items(in2, h), DataError);

    const auto companion = with_tree({entry_bytes("", 0), entry_bytes(name, 0), entry_bytes("", 0)});
    MemoryInputStream in3(companion);
    EXPECT_THROW(count_items(in3, h), DataError);
    in3.seek(SetupHeader::size);
    Recorder r;
    walk_file_tree(in3, "", r);
    EXPECT_THROW(walk_companions(in3, r), DataError);
  }
}

TEST(SetupData, NestingIsLimitedTo128Folders) {
  auto nested = [](int depth) {
    std::vector<std::vector<std::uint8_t>> entries;
    for (int i = 0; i < depth; ++i) entries.push_back(entry_bytes("d", -1));
    for (int i = 0; i <= depth; ++i) entries.push_back(entry_bytes("", 0));
    entries.push_back(entry_bytes("", 0));
    return with_tree(entries);
  };
  const auto deepest_allowed = nested(128);
  MemoryInputStream ok(deepest_allowed);
  SetupHeader h;
  EXPECT_EQ(count_items(ok, h), 0);
  EXPECT_EQ(walk_all(deepest_allowed).size(), 256u);

  const auto too_deep = nested(129);
  MemoryInputStream bad(too_deep);
  EXPECT_THROW(count_items(bad, h), DataError);
  bad.seek(SetupHeader::size);
  Recorder r;
  EXPECT_THROW(walk_file_tree(bad, "", r), DataError);

  // A file of nothing but folder entries, far deeper than the stack could follow.
  std::vector<std::uint8_t> bomb = with_tree({});
  for (int i = 0; i < 200'000; ++i) {
    const auto e = entry_bytes("d", -1);
    bomb.insert(bomb.end(), e.begin(), e.end());
  }
  MemoryInputStream in(bomb);
  EXPECT_THROW(count_items(in, h), DataError);
}

// Cutting the file anywhere before the end of the companion list is a read error (not a data
// error) in the counting pass and in the walk; a cut inside contents only shows in the walk
// when the visitor reads them.
TEST(SetupData, EveryTruncationPointIsAReadError) {
  const auto whole = sample_file();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
    MemoryInputStream in(cut);
    SetupHeader h;
    try {
      count_items(in, h);
      ADD_FAILURE() << "counting passed";
    } catch (const DataError&) {
      ADD_FAILURE() << "a read error was taken for a data error";
    } catch (const Failure& f) {
      EXPECT_STREQ(f.what(), texts::stream_read_error);
    }
    if (length < SetupHeader::size) continue;
    in.seek(SetupHeader::size);
    Recorder r;
    EXPECT_THROW(
        {
          walk_file_tree(in, "", r);
          walk_companions(in, r);
        },
        Failure);
  }
  // A file of exactly the header passes the start-up read but not the counting pass.
  const std::vector<std::uint8_t> header_only(whole.begin(), whole.begin() + 112);
  MemoryInputStream in(header_only);
  EXPECT_NO_THROW(read_setup_header(in));
  SetupHeader h;
  EXPECT_THROW(count_items(in, h), Failure);
}

// Moving forward by a Size beyond the end is no error by itself: the next entry read fails.
TEST(SetupData, SizeBeyondTheEndFailsAtTheNextEntry) {
  const auto bytes = with_tree({entry_bytes("huge", 0x7FFFFFFF)});
  MemoryInputStream in(bytes);
  SetupHeader h;
  EXPECT_THROW(count_items(in, h), Failure);
}
