// The 8-bit text fields of Setup.dat and Uninst.dat: one length byte, then a fixed number of
// character bytes. A value longer than the field is cut; a stored length above the capacity
// (a damaged field) is read as the capacity, so a field never reaches into the next one.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

template <std::size_t Capacity>
class ShortString {
  static_assert(Capacity >= 1 && Capacity <= 255, "a length byte holds at most 255");

 public:
  static constexpr std::size_t capacity = Capacity;
  static constexpr std::size_t encoded_size = Capacity + 1;

  ShortString() = default;
  explicit ShortString(std::string_view text) { assign(text); }

  void assign(std::string_view text) {
    length_ = static_cast<std::uint8_t>(std::min(text.size(), Capacity));
    chars_.fill(0);
    std::copy_n(text.data(), length_, chars_.begin());
  }

  std::string_view view() const { return {chars_.data(), length_}; }
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }

  // Writes encoded_size bytes: the length, the characters, zeros after them.
  void encode(std::uint8_t* out) const {
    out[0] = length_;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(chars_.data()), Capacity, out + 1);
  }

  // Reads encoded_size bytes. The bytes after the characters are ignored.
  static ShortString decode(const std::uint8_t* in) {
    ShortString s;
    s.length_ = static_cast<std::uint8_t>(std::min<std::size_t>(in[0], Capacity));
    std::copy_n(in + 1, s.length_, reinterpret_cast<std::uint8_t*>(s.chars_.data()));
    return s;
  }

  // True when the stored length byte claims more than the field can hold.
  static bool overlong(const std::uint8_t* in) { return in[0] > Capacity; }

  friend bool operator==(const ShortString& a, const ShortString& b) { return a.view() == b.view(); }

 private:
  std::uint8_t length_ = 0;
  std::array<char, Capacity> chars_{};
};
