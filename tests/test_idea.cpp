// The configuration value cipher: IDEA against published vectors, the
// multiplicative inverse, both stored forms, and corrupted stored texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "config/Idea.h"

namespace {

using Words = std::vector<uint16_t>;

struct Vector {
  IdeaKeyWords key;
  Words plain;
  Words cipher;
};

// Published IDEA test vectors (words big-endian). The second key's two
// blocks also run through one call, as a two-block text does.
const std::vector<Vector> kVectors = {
    {{0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008},
     {0x0000, 0x0001, 0x0002, 0x0003},
     {0x11FB, 0xED2B, 0x0198, 0x6DE5}},
    {{0x0011, 0x2233, 0x4455, 0x6677, 0x8899, 0xAABB, 0xCCDD, 0xEEFF},
     {0x0001, 0x0203, 0x0405, 0x0607, 0x0809, 0x0A0B, 0x0C0D, 0x0E0F},
     {0xED73, 0x2271, 0xA7B3, 0x9F47, 0x5B4B, 0x2B67, 0x19F1, 0x94BF}},
    {{0x8000, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}, {0xB1F5, 0xF7F8, 0x7901, 0x370F}},
};

TEST(IdeaCipher, PublishedVectorsAndInverseTable) {
  for (const Vector& v : kVectors) {
    SubkeyTable enc, dec;
    Idea_ExpandKey(v.key, enc);
    Idea_InvertKey(enc, dec);
    Words out(v.plain.size());
    Idea_Crypt(v.plain.data(), out.data(), enc, v.plain.size());
    EXPECT_EQ(out, v.cipher);
    EXPECT_EQ(Idea_Crypt(v.cipher, dec), v.plain);
  }
}

TEST(IdeaCipher, MulInvIsTheInverseForEveryValue) {
  EXPECT_EQ(Idea_MulInv(0), 0);
  EXPECT_EQ(Idea_MulInv(1), 1);
  EXPECT_EQ(Idea_Mul(0, 0), 1);  // 65536 * 65536 = 1 modulo 65537
  for (uint32_t x = 1; x <= 65535; ++x) {
    const uint16_t inv = Idea_MulInv(static_cast<uint16_t>(x));
    ASSERT_NE(inv, 0) << x;
    ASSERT_EQ(uint64_t{x} * inv % 65537, 1u) << x;
    ASSERT_EQ(Idea_Mul(static_cast<uint16_t>(x), inv), 1) << x;
  }
}

TEST(IdeaCipher, ShortLastBlockIsCompletedWithZeroWords) {
  SubkeyTable enc;
  Idea_ExpandKey(kVectors[0].key, enc);
  const Words five = {7, 8, 9, 10, 11};
  const Words out = Idea_Crypt(five, enc);
  ASSERT_EQ(out.size(), 8u);
  EXPECT_EQ(Words(out.begin() + 4, out.end()), Idea_Crypt(Words{11, 0, 0, 0}, enc));
}

TEST(IdeaCipher, KeyTextGivesOneWordPerUnsignedCharacter) {
  struct Case {
    const char* key;
    IdeaKeyWords words;
  };
  const Case cases[] = {
      {"QUARVEL", {'Q', 'U', 'A', 'R', 'V', 'E', 'L', 0}},
      {"AB", {'A', 'B', 0, 0, 0, 0, 0, 0}},               // never read past a short key
      {"ABCDEFGHIJ", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}},  // eight characters at most
      {"\xC3\xA9", {0xC3, 0xA9, 0, 0, 0, 0, 0, 0}},         // bytes above 127 stay below 256
      {"", {}},
  };
  for (const Case& c : cases) {
    SubkeyTable fromText, fromWords;
    Idea_ExpandKey(c.key, fromText);
    Idea_ExpandKey(c.words, fromWords);
    EXPECT_EQ(fromText, fromWords) << c.key;
  }
  const std::string plain = "h\xF6here Gewalt";
  EXPECT_EQ(Idea_Decipher(Idea_Encipher(plain, "\xC3\xA9t\xE9", 0), "\xC3\xA9t\xE9", 0), plain);
}

// The first vector through the text forms: plain characters 0, 1, 2, 3 with
// the key characters 1..8.
TEST(IdeaCipher, StoredFormsOfAKnownBlock) {
  const std::string key = "\x01\x02\x03\x04\x05\x06\x07\x08";
  const std::string plain("\x00\x01\x02\x03", 4);
  EXPECT_EQ(Idea_Encipher(plain, key, 0), "04603607150040828133");
  EXPECT_EQ(Idea_Encipher(plain, key, 1), "E}eHPAi\x93\x92" "b");  // pairs 04 60 36 07 15 00 40 82 81 33
  EXPECT_EQ(Idea_Encipher(plain, key, 2), "");
}

TEST(IdeaCipher, LengthsOfBothForms) {
  for (std::size_t n = 0; n <= 9; ++n) {
    const std::string plain(n, 'x');
    const std::size_t m = (n + 3) / 4 * 4;
    const std::string digits = Idea_Encipher(plain, "QUARVEL", 0);
    const std::string letters = Idea_Encipher(plain, "QUARVEL", 1);
    EXPECT_EQ(digits.size(), 5 * m) << n;
    EXPECT_EQ(letters.size(), 5 * m / 2) << n;
    EXPECT_EQ(Idea_CipherLength(plain.c_str(), 0), digits.size() + 1) << n;
    EXPECT_EQ(Idea_CipherLength(plain.c_str(), 1), letters.size() + 1) << n;
    EXPECT_EQ(Idea_PlainLength(digits.c_str(), 0), m + 1) << n;
    EXPECT_EQ(Idea_PlainLength(letters.c_str(), 1), m + 1) << n;
  }
  EXPECT_EQ(Idea_CipherLength("abc", 2), 0u);
  EXPECT_EQ(Idea_PlainLength("00000", 7), 0u);
}

// Deciphering into a buffer of exactly Idea_PlainLength bytes, pre-filled so
// that every byte written is visible.
std::string DecipherIntoBuffer(const std::string& stored, unsigned char form, std::size_t* size = nullptr) {
  const std::size_t n = Idea_PlainLength(stored.c_str(), form);
  std::vector<char> buf(n, 'x');
  Idea_Decipher(stored.c_str(), buf.data(), "QUARVEL", form, buf.size());
  if (size) *size = n;
  return std::string(buf.begin(), buf.end());
}

TEST(IdeaCipher, FourAndFiveCharactersThroughBothForms) {
  for (unsigned char form : {0, 1}) {
    SCOPED_TRACE(static_cast<int>(form));
    const std::string four = Idea_Encipher("zel1", "QUARVEL", form);
    EXPECT_EQ(Idea_Decipher(four, "QUARVEL", form), "zel1");
    EXPECT_EQ(DecipherIntoBuffer(four, form), std::string("zel1\0", 5));

    const std::string five = Idea_Encipher("zel12", "QUARVEL", form);
    EXPECT_EQ(Idea_Decipher(five, "QUARVEL", form), "zel12");
    // Eight characters, the last three the zero words of the completed block.
    EXPECT_EQ(DecipherIntoBuffer(five, form), std::string("zel12\0\0\0\0", 9));

    EXPECT_EQ(Idea_Encipher("", "QUARVEL", form), "");
    EXPECT_EQ(Idea_Decipher("", "QUARVEL", form), "");
  }
}

TEST(IdeaCipher, LetterFormIsTheDigitFormInPairs) {
  const std::string plain = "Marvane 2026!";
  const std::string digits = Idea_Encipher(plain, "QUARVEL", 0);
  const std::string letters = Idea_Encipher(plain, "QUARVEL", 1);
  ASSERT_EQ(letters.size() * 2, digits.size());
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const int pair = (digits[2 * i] - '0') * 10 + (digits[2 * i + 1] - '0');
    ASSERT_EQ(static_cast<unsigned char>(letters[i]), 65 + pair) << i;
  }
  // 'A' stands for 00 and the byte 100 for 35.
  EXPECT_EQ(Idea_Decipher(std::string("A\x64" "AAA\x64" "AAAA"), "QUARVEL", 1),
            Idea_Decipher("00350000003500000000", "QUARVEL", 0));
}

TEST(IdeaCipher, LongTextsHaveNoBlockLimit) {
  std::string plain;
  for (int i = 0; i < 600; ++i) plain.push_back(static_cast<char>(1 + i % 250));
  for (unsigned char form : {0, 1}) {
    const std::string stored = Idea_Encipher(plain, "QUARVEL", form);
    EXPECT_EQ(Idea_Decipher(stored, "QUARVEL", form), plain);
    std::string expected = plain + '\0';
    EXPECT_EQ(DecipherIntoBuffer(stored, form), expected);
  }
}

// Corrupted stored texts decipher like a defined stand-in text.
TEST(IdeaCipher, CorruptedStoredTextsHaveADefinedMeaning) {
  const std::string good = Idea_Encipher("password", "QUARVEL", 0);  // 40 digits
  struct Case {
    const char* what;
    std::string stored;
    unsigned char form;
    std::string sameAs;  // digit form
  };
  const Case cases[] = {
      {"trailing partial group ignored", good + "123", 0, good},
      {"group above 65535 wraps", "99999" + good.substr(5, 15), 0, "34463" + good.substr(5, 15)},
      {"non-digit group is 0", "12a45" + good.substr(5, 15), 0, "00000" + good.substr(5, 15)},
      {"blank inside a group", "1 345" + good.substr(5, 15), 0, "00000" + good.substr(5, 15)},
      {"letters below 65 spoil their groups", "!AAAA!!AAA", 1, "00000000000000000000"},
      {"letters above 164 spoil their groups", std::string("\xC8\xC8\xC8" "AA\xFF\xFF\xFF\xFF\xFF"), 1,
       "00000000000000000000"},
      {"whole groups of the letters' digits only", std::string(10, 'A') + "BB", 1, std::string(20, '0')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Idea_Decipher(c.stored, "QUARVEL", c.form), Idea_Decipher(c.sameAs, "QUARVEL", 0)) << c.what;
  }
  // The first block of a text cut inside its second block still reads.
  EXPECT_EQ(DecipherIntoBuffer(good.substr(0, 25), 0).substr(0, 4), "pass");
}

// Random bytes of every length through both forms and both buffer kinds:
// the sanitizer build turns any stray read or write into a failure.
TEST(IdeaCipher, ArbitraryStoredTextsNeverOverrun) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 400; ++round) {
    std::string stored(rng() % 300, '\0');
    for (char& c : stored) c = static_cast<char>(rng() % 2 ? '0' + rng() % 10 : 1 + rng() % 255);
    for (unsigned char form : {0, 1}) {
      std::size_t size = 0;
      const std::string whole = DecipherIntoBuffer(stored, form, &size);
      ASSERT_EQ(whole.back(), '\0');
      ASSERT_LE(Idea_Decipher(stored, "QUARVEL", form).size(), size - 1);
      char small[3] = {'x', 'x', 'x'};
      Idea_Decipher(stored.c_str(), small, "QUARVEL", form, sizeof small);
      ASSERT_NE(std::memchr(small, '\0', sizeof small), nullptr);
    }
  }
  char untouched = 'x';
  Idea_Decipher("12345", &untouched, "QUARVEL", 0, 0);
  EXPECT_EQ(untouched, 'x');
  char out[8] = "xxxxxxx";
  Idea_Decipher(nullptr, out, nullptr, 0, sizeof out);
  EXPECT_STREQ(out, "");
}

TEST(IdeaCipher, EncipherIntoBufferIsCutNotOverrun) {
  const std::string expected = Idea_Encipher("secret", "QUARVEL", 0);
  std::vector<char> exact(Idea_CipherLength("secret", 0));
  Idea_Encipher("secret", exact.data(), "QUARVEL", 0, exact.size());
  EXPECT_EQ(std::string(exact.data()), expected);
  char small[6];
  Idea_Encipher("secret", small, "QUARVEL", 0, sizeof small);
  EXPECT_EQ(std::string(small), expected.substr(0, 5));
}

}  // namespace
