// FixedText: a fixed-width, NUL-terminated text field of a host record.
//
// The records that travel between the jobs and the database module keep the
// layout of the system's records: every text is a field of a fixed width
// whose last place is the terminator, so a field of width 9 holds at most 8
// characters. The width counts characters, as the table columns do (a
// column of 50 characters has a field of width 51), and texts are UTF-8, so
// the field has room for width - 1 characters of up to four bytes each and
// the terminator. FixedText keeps that layout (a fixed number of bytes,
// trivially copyable, all zero bytes when cleared) while making every write
// bounded: a value that does not fit is cut at width - 1 characters, never
// inside a character and never past the array.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Bytes of a text field of `width` places (terminator included): width - 1
// characters of UTF-8, up to four bytes each, and the terminator.
constexpr std::size_t FixedTextBytes(std::size_t width) { return 4 * (width - 1) + 1; }

// Length in bytes of the longest prefix of `s` that holds at most `chars`
// characters in at most `bytes` bytes and does not end inside a character.
// A character is a byte that does not continue a UTF-8 sequence
// (0b10xxxxxx) with the continuation bytes that follow it.
inline std::size_t Utf8Prefix(std::string_view s, std::size_t chars, std::size_t bytes) {
  // No more characters than bytes: a short text fits as it is.
  if (s.size() <= chars && s.size() <= bytes) return s.size();
  std::size_t end = 0;
  for (std::size_t n = 0; n < chars && end < s.size(); ++n) {
    std::size_t next = end + 1;
    while (next < s.size() && (static_cast<unsigned char>(s[next]) & 0xC0) == 0x80) ++next;
    if (next > bytes) break;
    end = next;
  }
  // Inside the text and the room; a prefix that holds a character ends
  // where a character ends.
  assert(end <= s.size() && end <= bytes);
  assert(end == 0 || end == s.size() || (static_cast<unsigned char>(s[end]) & 0xC0) != 0x80);
  return end;
}

template <std::size_t N>
struct FixedText {
  static_assert(N >= 1, "a fixed text needs room for its terminator");

  char data[FixedTextBytes(N)];

  // Number of places, terminator included (the width given to the runtime).
  static constexpr std::size_t width() { return N; }
  // Largest number of characters the field holds.
  static constexpr std::size_t capacity() { return N - 1; }
  // Bytes of the field, terminator included.
  static constexpr std::size_t bytes() { return FixedTextBytes(N); }

  const char* c_str() const { return data; }
  char* buffer() { return data; }
  // Length of the text in bytes.
  std::size_t size() const {
    assert(data[bytes() - 1] == '\0' && "every write leaves the terminator in the last byte");
    return ::strnlen(data, bytes());
  }
  bool empty() const { return data[0] == '\0'; }
  std::string_view view() const { return std::string_view(data, size()); }
  std::string str() const { return std::string(view()); }

  // All bytes zero, as a freshly cleared record has them.
  void clear() { std::memset(data, 0, bytes()); }

  // Copies `value`, cut to capacity() characters; the rest of the field is
  // zeroed so that two fields with equal text compare equal byte for byte.
  // Returns false when the value had to be cut.
  bool set(std::string_view value) {
    const std::size_t n = Utf8Prefix(value, N - 1, bytes() - 1);
    // Room for the terminator is left: the copy stays inside the array.
    assert(n < bytes());
    if (n > 0) std::memcpy(data, value.data(), n);
    std::memset(data + n, 0, bytes() - n);
    return n == value.size();
  }
  bool set(const char* value) { return set(std::string_view(value ? value : "")); }

  template <std::size_t M>
  bool set(const FixedText<M>& other) { return set(other.view()); }

  FixedText& operator=(std::string_view value) { set(value); return *this; }
  FixedText& operator=(const char* value) { set(value); return *this; }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }
  template <std::size_t M>
  friend bool operator==(const FixedText& a, const FixedText<M>& b) { return a.view() == b.view(); }
};
