// The buffered streams the installer reads Setup.dat and writes Uninst.dat through: the same
// bytes and positions as the stream beneath, whatever the mix of small reads, large reads and
// seeks, and a failing write that surfaces instead of vanishing in the buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/streams.h"

namespace {

std::vector<std::uint8_t> counting_bytes(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

}  // namespace

TEST(BufferedStreams, ReadsTheBytesAndPositionsOfTheStreamBeneath) {
  const auto bytes = counting_bytes(1000);
  MemoryInputStream plain(bytes), beneath(bytes);
  BufferedInputStream buffered(beneath, 64);
  // Entry-sized reads, a read larger than the buffer, seeks back into the buffer, ahead of
  // it, past the end, and reads at the end; and a seek back just behind a large read that
  // followed an emptied buffer, where the old buffer's bytes must not come back.
  const struct {
    std::int64_t seek;  // -1: none
    std::size_t read;
  } steps[] = {{-1, 36},  {-1, 36}, {10, 36},  {-1, 200}, {-1, 5},  {300, 36}, {290, 20},
               {900, 36}, {-1, 100}, {-1, 36}, {2000, 36}, {112, 36}, {500, 36}, {-1, 28},
               {-1, 128}, {640, 36}};
  for (const auto& step : steps) {
    if (step.seek >= 0) {
      plain.seek(static_cast<std::uint64_t>(step.seek));
      buffered.seek(static_cast<std::uint64_t>(step.seek));
    }
    std::vector<std::uint8_t> want(step.read), got(step.read);
    const std::size_t want_count = plain.read_some(want.data(), want.size());
    std::size_t got_count = 0;
    for (std::size_t n; got_count < got.size() &&
                        (n = buffered.read_some(got.data() + got_count, got.size() - got_count));)
      got_count += n;
    ASSERT_EQ(got_count, want_count) << "seek " << step.seek << " read " << step.read;
    EXPECT_EQ(got, want);
    EXPECT_EQ(buffered.position(), plain.position());
  }
}

namespace {

// Refuses every write once it holds limit bytes, as a full disk does.
class FullAfter final : public OutputStream {
 public:
  explicit FullAfter(std::size_t limit) : limit_(limit) {}
  void write(const void* buffer, std::size_t count) override {
    if (inner_.bytes().size() + count > limit_) throw std::runtime_error("Stream write error");
    inner_.write(buffer, count);
  }
  void seek(std::uint64_t position) override { inner_.seek(position); }
  const std::vector<std::uint8_t>& bytes() const { return inner_.bytes(); }

 private:
  std::size_t limit_;
  MemoryOutputStream inner_;
};

}  // namespace

TEST(BufferedStreams, WritesTheSameBytesAndSurfacesAFailedWrite) {
  const auto bytes = counting_bytes(3000);
  MemoryOutputStream plain;
  FullAfter beneath(100000);
  BufferedOutputStream buffered(beneath, 512);
  // Records smaller than the buffer, one larger, then a header rewritten at 0 and flushed.
  std::size_t at = 0;
  for (std::size_t size : {108, 268, 268, 1000, 268, 36}) {
    plain.write(bytes.data() + at, size);
    buffered.write(bytes.data() + at, size);
    at += size;
  }
  EXPECT_LT(beneath.bytes().size(), at);  // some of it still waits in the buffer
  plain.seek(0);
  buffered.seek(0);
  plain.write(bytes.data() + 2000, 108);
  buffered.write(bytes.data() + 2000, 108);
  buffered.flush();
  EXPECT_EQ(beneath.bytes(), plain.bytes());

  FullAfter full(400);
  BufferedOutputStream log(full, 512);
  log.write(bytes.data(), 500);
  EXPECT_THROW(log.write(bytes.data(), 268), std::runtime_error);  // the buffer went out whole
  FullAfter nearly_full(600);
  BufferedOutputStream last(nearly_full, 512);
  last.write(bytes.data(), 500);
  last.flush();
  last.write(bytes.data(), 268);
  EXPECT_THROW(last.flush(), std::runtime_error);  // what the buffer held did not fit
}
