// FixedText: a fixed-width, NUL-terminated text field of a host record.
//
// The records that travel between the jobs and the database module keep the
// layout of the system's records: every text is a character array of a fixed
// width whose last place is always the terminator, so a field of width 9
// holds at most 8 characters. FixedText keeps that layout (it is exactly N
// bytes, trivially copyable, all zero bytes when cleared) while making every
// write bounded: a value that does not fit is cut at N - 1 bytes, never
// written past the array.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t N>
struct FixedText {
  static_assert(N >= 1, "a fixed text needs room for its terminator");

  char data[N];

  // Number of places, terminator included (the width given to the runtime).
  static constexpr std::size_t width() { return N; }
  // Largest number of characters the field holds.
  static constexpr std::size_t capacity() { return N - 1; }

  const char* c_str() const { return data; }
  char* buffer() { return data; }
  std::size_t size() const { return ::strnlen(data, N); }
  bool empty() const { return data[0] == '\0'; }
  std::string_view view() const { return std::string_view(data, size()); }
  std::string str() const { return std::string(view()); }

  // All N bytes zero, as a freshly cleared record has them.
  void clear() { std::memset(data, 0, N); }

  // Copies `value`, cut to capacity(); the rest of the field is zeroed so
  // that two fields with equal text compare equal byte for byte. Returns
  // false when the value had to be cut.
  bool set(std::string_view value) {
    const std::size_t n = value.size() < N - 1 ? value.size() : N - 1;
    if (n > 0) std::memcpy(data, value.data(), n);
    std::memset(data + n, 0, N - n);
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
