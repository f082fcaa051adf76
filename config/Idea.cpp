#include "config/Idea.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kBlockWords = 4;
constexpr std::size_t kDigitsPerWord = 5;
constexpr unsigned kFirstLetter = 65;  // 'A' stands for the digit pair "00"
constexpr unsigned kLetterPairs = 100;
// Marks a place of the digit string that came from a letter outside the
// letter form; the group holding it is not a number.
constexpr char kNotADigit = '?';

std::size_t RoundUpToBlock(std::size_t words) { return (words + kBlockWords - 1) / kBlockWords * kBlockWords; }

std::string_view ViewOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// A key text reaches at most eight characters and never past its terminator,
// however short the key is.
std::string_view KeyOf(const char* key) { return key ? std::string_view(key, ::strnlen(key, 8)) : std::string_view(); }

// The stored text as a string of digit places (form 0: the text itself).
std::string DigitString(std::string_view stored, unsigned char form) {
  if (form == kIdeaFormDigits) return std::string(stored);
  std::string digits;
  digits.reserve(stored.size() * 2);
  for (unsigned char c : stored) {
    if (c >= kFirstLetter && c < kFirstLetter + kLetterPairs) {
      const unsigned n = c - kFirstLetter;
      digits.push_back(static_cast<char>('0' + n / 10));
      digits.push_back(static_cast<char>('0' + n % 10));
    } else {
      digits.push_back(kNotADigit);
      digits.push_back(kNotADigit);
    }
  }
  return digits;
}

// One cipher word from five digit places. A corrupted group must still give
// a word: above 65535 it wraps, with any non-digit in it the group is 0.
uint16_t GroupValue(std::string_view group) {
  uint32_t value = 0;
  for (char c : group) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return static_cast<uint16_t>(value & 0xFFFF);
}

// Every cipher word of a stored text, deciphered; one word per whole group.
std::vector<uint16_t> DecipherWords(std::string_view stored, std::string_view key, unsigned char form) {
  if (form != kIdeaFormDigits && form != kIdeaFormLetters) return {};
  const std::string digits = DigitString(stored, form);
  // Only whole groups count: a partial group at the end would otherwise be
  // read past the digits that are there.
  const std::size_t count = digits.size() / kDigitsPerWord;
  std::vector<uint16_t> cipher(count);
  for (std::size_t k = 0; k < count; ++k) {
    cipher[k] = GroupValue(std::string_view(digits).substr(k * kDigitsPerWord, kDigitsPerWord));
  }
  SubkeyTable enc, dec;
  Idea_ExpandKey(key, enc);
  Idea_InvertKey(enc, dec);
  std::vector<uint16_t> plain = Idea_Crypt(cipher, dec);
  plain.resize(count);  // the words of the stored text, no more
  return plain;
}

// Copies `text` into a caller buffer of `size` bytes, cut to fit, terminated.
void CopyOut(std::string_view text, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  if (n > 0) std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

uint16_t Idea_Mul(uint16_t a, uint16_t b) {
  if (a == 0) return static_cast<uint16_t>((65537u - b) & 0xFFFF);
  if (b == 0) return static_cast<uint16_t>((65537u - a) & 0xFFFF);
  const uint32_t p = static_cast<uint32_t>(a) * b;
  int32_t r = static_cast<int32_t>(p & 0xFFFF) - static_cast<int32_t>(p >> 16);
  if (r <= 0) r += 65537;
  return static_cast<uint16_t>(r & 0xFFFF);
}

uint16_t Idea_MulInv(uint16_t x) {
  if (x == 0) return 0;
  int32_t r0 = 65537, r1 = x;
  int32_t s0 = 0, s1 = 1;
  for (;;) {
    const int32_t q = r0 / r1;
    const int32_t rem = r0 % r1;
    if (rem == 0) return static_cast<uint16_t>(s1 < 0 ? s1 + 65537 : s1);
    r0 = r1;
    r1 = rem;
    const int32_t s = s0 - q * s1;
    s0 = s1;
    s1 = s;
  }
}

void Idea_ExpandKey(const IdeaKeyWords& keyWords, SubkeyTable& table) {
  std::array<uint16_t, 54> z{};
  std::copy(keyWords.begin(), keyWords.end(), z.begin());
  for (std::size_t i = 8; i < z.size(); ++i) {
    uint32_t high, low;
    switch (i % 8) {
      case 6: high = z[i - 7]; low = z[i - 14]; break;
      case 7: high = z[i - 15]; low = z[i - 14]; break;
      default: high = z[i - 7]; low = z[i - 6]; break;
    }
    z[i] = static_cast<uint16_t>(((high << 9) ^ (low >> 7)) & 0xFFFF);
  }
  for (std::size_t k = 0; k < 9; ++k) {
    for (std::size_t j = 0; j < 6; ++j) table[j][k] = z[6 * k + j];
  }
}

void Idea_ExpandKey(std::string_view key, SubkeyTable& table) {
  IdeaKeyWords words{};
  for (std::size_t i = 0; i < words.size() && i < key.size(); ++i) {
    words[i] = static_cast<unsigned char>(key[i]);
  }
  Idea_ExpandKey(words, table);
}

void Idea_ExpandKey(const char* key, SubkeyTable& table) {
  Idea_ExpandKey(KeyOf(key), table);
}

void Idea_InvertKey(const SubkeyTable& e, SubkeyTable& d) {
  d = SubkeyTable{};
  for (std::size_t i = 0; i <= 8; ++i) {
    d[0][8 - i] = Idea_MulInv(e[0][i]);
    d[3][8 - i] = Idea_MulInv(e[3][i]);
    // The additive subkeys change places in every round but the outer two,
    // because the rounds swap the middle words.
    const bool outer = (i == 0 || i == 8);
    d[1][8 - i] = static_cast<uint16_t>(-(outer ? e[1][i] : e[2][i]));
    d[2][8 - i] = static_cast<uint16_t>(-(outer ? e[2][i] : e[1][i]));
  }
  for (std::size_t j = 0; j < 8; ++j) {
    d[4][7 - j] = e[4][j];
    d[5][7 - j] = e[5][j];
  }
}

void Idea_Crypt(const uint16_t* in, uint16_t* out, const SubkeyTable& k, std::size_t count) {
  for (std::size_t b = 0; b < count; b += kBlockWords) {
    auto word = [&](std::size_t i) -> uint16_t { return b + i < count ? in[b + i] : 0; };
    uint16_t x1 = word(0), x2 = word(1), x3 = word(2), x4 = word(3);
    for (std::size_t r = 0; r < 8; ++r) {
      x1 = Idea_Mul(x1, k[0][r]);
      x4 = Idea_Mul(x4, k[3][r]);
      x2 = static_cast<uint16_t>(x2 + k[1][r]);
      x3 = static_cast<uint16_t>(x3 + k[2][r]);
      const uint16_t t0 = Idea_Mul(k[4][r], static_cast<uint16_t>(x1 ^ x3));
      const uint16_t t1 = Idea_Mul(k[5][r], static_cast<uint16_t>((x2 ^ x4) + t0));
      const uint16_t t2 = static_cast<uint16_t>(t0 + t1);
      x1 = static_cast<uint16_t>(x1 ^ t1);
      x4 = static_cast<uint16_t>(x4 ^ t2);
      const uint16_t oldX2 = x2;
      x2 = static_cast<uint16_t>(x3 ^ t1);
      x3 = static_cast<uint16_t>(oldX2 ^ t2);
    }
    out[b] = Idea_Mul(x1, k[0][8]);
    out[b + 1] = static_cast<uint16_t>(x3 + k[1][8]);
    out[b + 2] = static_cast<uint16_t>(x2 + k[2][8]);
    out[b + 3] = Idea_Mul(x4, k[3][8]);
  }
}

std::vector<uint16_t> Idea_Crypt(std::span<const uint16_t> in, const SubkeyTable& table) {
  std::vector<uint16_t> out(RoundUpToBlock(in.size()));
  if (!in.empty()) Idea_Crypt(in.data(), out.data(), table, in.size());
  return out;
}

std::string Idea_Encipher(std::string_view plain, std::string_view key, unsigned char form) {
  if (form != kIdeaFormDigits && form != kIdeaFormLetters) return {};
  std::vector<uint16_t> words(plain.size());
  std::transform(plain.begin(), plain.end(), words.begin(),
                 [](char c) { return static_cast<uint16_t>(static_cast<unsigned char>(c)); });
  SubkeyTable enc;
  Idea_ExpandKey(key, enc);
  const std::vector<uint16_t> cipher = Idea_Crypt(words, enc);

  std::string digits;
  digits.reserve(cipher.size() * kDigitsPerWord);
  for (uint16_t w : cipher) {
    char group[kDigitsPerWord];
    uint32_t v = w;
    for (std::size_t i = kDigitsPerWord; i-- > 0;) {
      group[i] = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    digits.append(group, kDigitsPerWord);
  }
  if (form == kIdeaFormDigits) return digits;

  std::string letters;
  letters.reserve(digits.size() / 2);
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const unsigned pair = static_cast<unsigned>(digits[i] - '0') * 10 + static_cast<unsigned>(digits[i + 1] - '0');
    letters.push_back(static_cast<char>(kFirstLetter + pair));
  }
  return letters;
}

std::string Idea_Decipher(std::string_view stored, std::string_view key, unsigned char form) {
  std::string plain;
  for (uint16_t w : DecipherWords(stored, key, form)) {
    const char c = static_cast<char>(w & 0xFF);
    if (c == '\0') break;
    plain.push_back(c);
  }
  return plain;
}

void Idea_Encipher(const char* plain, char* stored, const char* key, unsigned char form,
                   std::size_t storedSize) {
  CopyOut(Idea_Encipher(ViewOf(plain), KeyOf(key), form),
          stored, storedSize);
}

void Idea_Decipher(const char* stored, char* plain, const char* key, unsigned char form,
                   std::size_t plainSize) {
  const std::vector<uint16_t> words =
      DecipherWords(ViewOf(stored), KeyOf(key), form);
  std::string text(words.size(), '\0');
  std::transform(words.begin(), words.end(), text.begin(), [](uint16_t w) { return static_cast<char>(w & 0xFF); });
  CopyOut(text, plain, plainSize);
}

std::size_t Idea_CipherLength(std::string_view plain, unsigned char form) {
  const std::size_t m = RoundUpToBlock(plain.size());
  if (form == kIdeaFormDigits) return 5 * m + 1;
  if (form == kIdeaFormLetters) return (5 * m) / 2 + 1;
  return 0;
}

std::size_t Idea_CipherLength(const char* plain, unsigned char form) { return Idea_CipherLength(ViewOf(plain), form); }

std::size_t Idea_PlainLength(std::string_view stored, unsigned char form) {
  const std::size_t l = stored.size();
  if (form == kIdeaFormDigits) return l / 5 + 1;
  if (form == kIdeaFormLetters) return (2 * l) / 5 + 1;
  return 0;
}

std::size_t Idea_PlainLength(const char* stored, unsigned char form) { return Idea_PlainLength(ViewOf(stored), form); }
