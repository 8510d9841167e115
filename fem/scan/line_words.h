// Eight characters of a line as one 64-bit word, for the line-shape tests
// that compare several columns in one step. Internal to the scanning wing.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

namespace tool_layout {

// Eight characters as one word, character k in byte k (counted from the low
// end), whatever the machine's byte order.
inline std::uint64_t word_at(const char* p) {
  std::uint64_t Word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&Word, p, sizeof Word);
  } else {
    for (std::int32_t k = 7; k >= 0; --k)
      Word = (Word << 8) | static_cast<unsigned char>(p[k]);
  }
  return Word;
}

// The word that word_at gives for the characters of a constant of up to
// 8 (a shorter one fills the low bytes, the others 0).
template <std::size_t nSize>
constexpr std::uint64_t word_of(const char (&Ch)[nSize]) {
  static_assert(nSize >= 1 && nSize <= 9, "a word holds up to 8 characters");
  std::uint64_t Word = 0;
  for (auto k = static_cast<std::int32_t>(nSize) - 2; k >= 0; --k)
    Word = (Word << 8) | static_cast<unsigned char>(Ch[k]);
  return Word;
}

// The high bit of each byte of x that is 0, exact up to and including the
// lowest such byte (a borrow may mark bytes above it as well), which is all
// that is asked of it here.
inline std::uint64_t zero_bytes(std::uint64_t x) {
  return (x - 0x0101010101010101) & ~x & 0x8080808080808080;
}

// The value of the eight digits in Word (character k in byte k, each byte
// already less "0", so 0 to 9), taken pairwise, then by fours, then whole:
// three multiplications instead of eight dependent steps.
inline std::uint32_t eight_digits_value(std::uint64_t Word) {
  Word = Word * 10 + (Word >> 8);  // each byte pair: 10 x first + second
  Word = (((Word & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
          (((Word >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
         32;
  return static_cast<std::uint32_t>(Word);
}

// Bit i set where byte i of Word (digits less "0", so 0 to 9) is 0: adding
// 0x7F to a digit sets its high bit unless it is 0, and carries into no
// other byte; a multiplication then gathers the eight high bits.
inline std::uint32_t zero_digits(std::uint64_t Word) {
  const std::uint64_t uZeroHigh = ~(Word + 0x7F7F7F7F7F7F7F7F) & 0x8080808080808080;
  return static_cast<std::uint32_t>(((uZeroHigh >> 7) * 0x0102040810204080) >> 56);
}

// The digits after the point of a real slot (columns 5 to 12): their value
// and, bit i, where digit i + 1 is 0.
struct SlotDigits {
  std::uint32_t uEight;
  std::uint32_t uZeros;
};

inline SlotDigits slot_digits(const char* pSlot) {
  const std::uint64_t Word = word_at(pSlot + 4) - word_of("00000000");
  return SlotDigits{eight_digits_value(Word), zero_digits(Word)};
}

}  // namespace tool_layout
