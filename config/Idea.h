// Configuration value cipher: the IDEA block cipher and the two text forms in
// which enciphered values are stored.
//
// The configuration file keeps the database user, password and service name
// enciphered. Every plain character is one 16-bit word, every block is four
// words (a short last block is completed with zero words), every cipher word
// is written as five decimal digits ("digit form", form 0, the form the
// configuration file uses) or those digits taken in pairs as letters
// ("letter form", form 1: "00" is 'A', "99" is the byte 164). The key is a
// text of up to eight characters, one key word per character.
//
// Ownership: the operations keep no state; the caller owns every buffer and
// table it passes. Nothing here throws.
//
// Corrupted stored texts never read or write outside the caller's buffers and
// decipher to some text, always terminated:
//   - a five-digit group above 65535 is taken modulo 65536;
//   - a group that holds any character other than '0'..'9' gives the word 0;
//   - in the letter form, a byte outside 65..164 stands for two non-digit
//     places, so every group it touches gives the word 0;
//   - digits after the last whole group of five are ignored.
// Texts of any length are handled; there is no block limit.
// Key and plain characters are taken as unsigned bytes (0..255), so a key
// character above 127 gives a key word of 128..255. A key shorter than eight
// characters is completed with zero words (the key "QUARVEL" has key word 7
// equal to 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Column r (0..7) holds the six subkeys of round r + 1, row j IDEA's subkey
// Z(j+1); column 8 holds the output transformation's four subkeys in rows 0
// to 3 (rows 4 and 5 of column 8 are schedule words no operation uses).
using SubkeyTable = std::array<std::array<uint16_t, 9>, 6>;

// The 128-bit key as eight 16-bit words, word 0 first.
using IdeaKeyWords = std::array<uint16_t, 8>;

constexpr unsigned char kIdeaFormDigits = 0;
constexpr unsigned char kIdeaFormLetters = 1;

// IDEA multiplication modulo 65537; the value 0 stands for 65536.
uint16_t Idea_Mul(uint16_t a, uint16_t b);

// Inverse modulo 65537 under Idea_Mul: Idea_Mul(x, Idea_MulInv(x)) == 1 for
// every x (0, standing for 65536, is its own inverse).
uint16_t Idea_MulInv(uint16_t x);

// Encryption subkeys from eight key words.
void Idea_ExpandKey(const IdeaKeyWords& keyWords, SubkeyTable& table);
// Encryption subkeys from a key text: key word i is the unsigned code of
// character i; at most eight characters are read, fewer when the text ends
// earlier (the missing words are 0). A null key counts as empty.
void Idea_ExpandKey(std::string_view key, SubkeyTable& table);
void Idea_ExpandKey(const char* key, SubkeyTable& table);

// Decryption subkeys `dec` from encryption subkeys `enc` (they may not be
// the same object).
void Idea_InvertKey(const SubkeyTable& enc, SubkeyTable& dec);

// Runs IDEA over `count` words of `in`, four at a time, completing a short
// last block with zero words. `out` must have room for 4 * ceil(count / 4)
// words; all four words of every block are written. With a table from
// Idea_ExpandKey this enciphers, with one from Idea_InvertKey it deciphers.
void Idea_Crypt(const uint16_t* in, uint16_t* out, const SubkeyTable& table, std::size_t count);
// The same, returning the 4 * ceil(in.size() / 4) output words.
std::vector<uint16_t> Idea_Crypt(std::span<const uint16_t> in, const SubkeyTable& table);

// Stored text of `plain` under `key` in `form` (0 or 1). Returns 20 digits or
// 10 letters for every started group of four plain characters; an empty
// text for an empty plain text or an unknown form.
std::string Idea_Encipher(std::string_view plain, std::string_view key, unsigned char form);

// Plain text of the stored text `stored`, ending before the first zero
// character (the zero words with which enciphering completed the last block).
// An unknown form gives an empty text.
std::string Idea_Decipher(std::string_view stored, std::string_view key, unsigned char form);

// Buffer forms of the two operations, for callers that hold fixed-width
// texts. Null texts count as empty. At most `size - 1` characters and a
// terminator are written to the output (nothing when `size` is 0), so an
// output that does not fit is cut, never overrun.
// Idea_Encipher writes the stored text; a buffer of
// Idea_CipherLength(plain, form) bytes always holds it whole.
void Idea_Encipher(const char* plain, char* stored, const char* key, unsigned char form,
                   std::size_t storedSize);
// Idea_Decipher writes one character per cipher word (the zero characters of
// a completed last block included) and a terminator; a buffer of
// Idea_PlainLength(stored, form) bytes always holds it whole.
void Idea_Decipher(const char* stored, char* plain, const char* key, unsigned char form,
                   std::size_t plainSize);

// Size in bytes, terminator included, of the stored text of `plain`: form 0
// 5 * m + 1, form 1 (5 * m) / 2 + 1, m = plain length rounded up to a
// multiple of 4; any other form 0.
std::size_t Idea_CipherLength(std::string_view plain, unsigned char form);
std::size_t Idea_CipherLength(const char* plain, unsigned char form);

// Size in bytes, terminator included, of the deciphered text of `stored`:
// form 0 L / 5 + 1, form 1 (2 * L) / 5 + 1, L = stored length; any other
// form 0.
std::size_t Idea_PlainLength(std::string_view stored, unsigned char form);
std::size_t Idea_PlainLength(const char* stored, unsigned char form);
