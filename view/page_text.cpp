#include "view/page_text.h"

#include <cstring>

#include "files/file_units.h"

namespace {

constexpr char kHexDigit[] = "0123456789abcdef";
constexpr char kBase64Digit[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::int32_t put_escape(char* ChOut, std::uint8_t c) {
  std::memcpy(ChOut, "\\u00", 4);
  ChOut[4] = kHexDigit[c >> 4];
  ChOut[5] = kHexDigit[c & 15];
  return 6;
}

// The length of the UTF-8 sequence that starts at p (n bytes left), or 0
// when the bytes there are no well-formed sequence: overlong forms,
// surrogates and values above U+10FFFF are not.
std::int32_t utf8_length(const std::uint8_t* p, std::int32_t n) {
  const std::uint8_t c = p[0];
  std::int32_t nSeq = 0;
  std::uint8_t uLow = 0x80, uHigh = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    nSeq = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    nSeq = 3;
    if (c == 0xE0) uLow = 0xA0;
    if (c == 0xED) uHigh = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    nSeq = 4;
    if (c == 0xF0) uLow = 0x90;
    if (c == 0xF4) uHigh = 0x8F;
  } else {
    return 0;
  }
  if (nSeq > n || p[1] < uLow || p[1] > uHigh) return 0;
  for (std::int32_t i = 2; i < nSeq; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return nSeq;
}

// The two base64 characters of each 12 bits: a group of three bytes takes
// two lookups instead of four.
struct Base64Pairs {
  char Ch[4096][2];
};
constexpr Base64Pairs base64_pairs() {
  Base64Pairs Pairs{};
  for (std::int32_t u = 0; u < 4096; ++u) {
    Pairs.Ch[u][0] = kBase64Digit[u >> 6];
    Pairs.Ch[u][1] = kBase64Digit[u & 63];
  }
  return Pairs;
}
constexpr Base64Pairs kBase64Pairs = base64_pairs();

// The characters of the n bytes at b (n a multiple of 3) into ChOut; returns
// how many.
std::int32_t put_groups(char* ChOut, const std::uint8_t* b, std::int32_t n) {
  char* p = ChOut;
  for (std::int32_t i = 0; i < n; i += 3) {
    const std::uint32_t u =
        (std::uint32_t{b[i]} << 16) | (std::uint32_t{b[i + 1]} << 8) | std::uint32_t{b[i + 2]};
    std::memcpy(p, kBase64Pairs.Ch[u >> 12], 2);
    std::memcpy(p + 2, kBase64Pairs.Ch[u & 4095], 2);
    p += 4;
  }
  return static_cast<std::int32_t>(p - ChOut);
}

}  // namespace

void write_page_text(std::int32_t iUnit, const char* Ch) {
  write_text(iUnit, Ch, static_cast<std::int64_t>(std::strlen(Ch)));
}

std::int32_t put_json_string(char* ChOut, const char* Ch, std::int32_t n) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(Ch);
  std::int32_t k = 0;
  ChOut[k++] = '"';
  for (std::int32_t i = 0; i < n;) {
    const std::uint8_t c = p[i];
    if (c >= 0x80) {
      const std::int32_t nSeq = utf8_length(p + i, n - i);
      if (nSeq == 0) {
        k += put_escape(ChOut + k, c);
        ++i;
      } else {
        std::memcpy(ChOut + k, p + i, static_cast<std::size_t>(nSeq));
        k += nSeq;
        i += nSeq;
      }
      continue;
    }
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&') {
      k += put_escape(ChOut + k, c);
    } else {
      ChOut[k++] = static_cast<char>(c);
    }
    ++i;
  }
  ChOut[k++] = '"';
  return k;
}

void write_json_string(std::int32_t iUnit, const char* Ch, std::int32_t n) {
  // A piece at a time, so that a text of any length goes through the
  // fixed room: a UTF-8 sequence may be cut between two pieces, so the
  // cut is moved back to the start of one.
  constexpr std::int32_t kPiece = 1024;
  static char ChOut[6 * kPiece + 2];
  write_text(iUnit, "\"", 1);
  for (std::int32_t i = 0; i < n;) {
    std::int32_t nPiece = n - i < kPiece ? n - i : kPiece;
    if (nPiece < n - i) {
      std::int32_t j = nPiece;
      while (j > nPiece - 4 && (static_cast<std::uint8_t>(Ch[i + j]) & 0xC0) == 0x80)
        --j;
      if (j > 0) nPiece = j;
    }
    const std::int32_t nOut = put_json_string(ChOut, Ch + i, nPiece);
    write_text(iUnit, ChOut + 1, nOut - 2);
    i += nPiece;
  }
  write_text(iUnit, "\"", 1);
}

void begin_base64(Base64Writer& Writer, std::int32_t iUnit) {
  Writer.iUnit = iUnit;
  Writer.nHeld = 0;
  write_text(iUnit, "\"", 1);
}

void put_base64(Base64Writer& Writer, const void* p, std::int64_t n) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  while (n > 0) {
    const std::int64_t nRoom = kBase64Block - Writer.nHeld;
    const auto nTake = static_cast<std::int32_t>(n < nRoom ? n : nRoom);
    std::memcpy(Writer.Held + Writer.nHeld, b, static_cast<std::size_t>(nTake));
    Writer.nHeld += nTake;
    b += nTake;
    n -= nTake;
    if (Writer.nHeld == kBase64Block) write_base64_block(Writer);
  }
}

void write_base64_block(Base64Writer& Writer) {
  write_text(Writer.iUnit, Writer.ChOut, put_groups(Writer.ChOut, Writer.Held, kBase64Block));
  Writer.nHeld -= kBase64Block;
  std::memmove(Writer.Held, Writer.Held + kBase64Block, static_cast<std::size_t>(Writer.nHeld));
}

void put_base64_float32(Base64Writer& Writer, float Value) {
  std::uint32_t u = 0;
  std::memcpy(&u, &Value, sizeof u);
  put_base64_int32(Writer, static_cast<std::int32_t>(u));
}

void end_base64(Base64Writer& Writer) {
  const std::int32_t nWhole = Writer.nHeld / 3 * 3;
  std::int32_t nOut = put_groups(Writer.ChOut, Writer.Held, nWhole);
  const std::int32_t nLeft = Writer.nHeld - nWhole;
  if (nLeft > 0) {
    // The last one or two bytes, padded with '='.
    const std::uint8_t* b = Writer.Held + nWhole;
    const std::uint32_t u =
        (std::uint32_t{b[0]} << 16) | (nLeft > 1 ? std::uint32_t{b[1]} << 8 : 0);
    Writer.ChOut[nOut] = kBase64Digit[u >> 18];
    Writer.ChOut[nOut + 1] = kBase64Digit[(u >> 12) & 63];
    Writer.ChOut[nOut + 2] = nLeft > 1 ? kBase64Digit[(u >> 6) & 63] : '=';
    Writer.ChOut[nOut + 3] = '=';
    nOut += 4;
  }
  Writer.nHeld = 0;
  write_text(Writer.iUnit, Writer.ChOut, nOut);
  write_text(Writer.iUnit, "\"", 1);
}
