// Fuzz target: the configuration value cipher on stored texts of any content.
//
// Input: one byte that picks the form (0 digits, 1 letters, anything else
// an unknown form), eight key bytes, then the stored text. Both decipher
// operations run on it, the buffer one with exactly the size that
// Idea_PlainLength names and with a buffer cut short; the text is also taken
// as plain text and must decipher back to itself after enciphering.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/Idea.h"

namespace {

// A heap buffer of exactly `size` bytes, so that the address sanitizer sees
// any write past it.
std::unique_ptr<char[]> Buffer(size_t size) { return std::unique_ptr<char[]>(new char[size == 0 ? 1 : size]); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const unsigned char form = data[0] < 128 ? (data[0] & 1) : data[0];
  const std::string key(reinterpret_cast<const char*>(data + 1), 8);
  const std::string stored(reinterpret_cast<const char*>(data + 9), size - 9);
  const std::string keyText = key.c_str();  // as a terminated text: up to the first zero byte
  const std::string storedText = stored.c_str();

  const std::string plain = Idea_Decipher(stored, key, form);
  if (plain.find('\0') != std::string::npos) std::abort();

  const size_t plainSize = Idea_PlainLength(storedText.c_str(), form);
  if (plainSize > 0) {
    auto out = Buffer(plainSize);
    Idea_Decipher(storedText.c_str(), out.get(), keyText.c_str(), form, plainSize);
    if (::strnlen(out.get(), plainSize) >= plainSize) std::abort();
  }
  const size_t shortSize = storedText.size() % 7;
  auto cut = Buffer(shortSize);
  Idea_Decipher(storedText.c_str(), cut.get(), keyText.c_str(), form, shortSize);
  if (shortSize > 0 && ::strnlen(cut.get(), shortSize) >= shortSize) std::abort();

  // The text as plain text: enciphered into a buffer of exactly
  // Idea_CipherLength bytes and deciphered, it comes back unchanged.
  if (form == kIdeaFormDigits || form == kIdeaFormLetters) {
    const size_t cipherSize = Idea_CipherLength(storedText.c_str(), form);
    auto cipher = Buffer(cipherSize);
    Idea_Encipher(storedText.c_str(), cipher.get(), keyText.c_str(), form, cipherSize);
    if (std::strlen(cipher.get()) + 1 != cipherSize && !storedText.empty()) std::abort();
    if (Idea_Decipher(std::string(cipher.get()), keyText, form) != storedText) std::abort();
  }
  return 0;
}
