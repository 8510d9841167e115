// The pieces the page's data is written in: JSON strings that no name can
// break out of, and base64 of binary tables. Written to an output unit
// through fixed buffers; nothing is allocated.
//
// Names come from files other people wrote. A string is written so that
// it can end neither the JSON nor the <script> element it stands in: the
// quote, the backslash, '<', '>', '&' and every control character are
// escaped (\u003c ...), and bytes that are not UTF-8 are taken as the
// Latin-1 characters they are in the older tools' files. The page then sets
// every name as text, never as markup.
#pragma once
#include <cstdint>

// Writes the NUL-ended text Ch to iUnit as it stands: the page's own
// HTML, script and JSON punctuation, never text from the FEM file.
void write_page_text(std::int32_t iUnit, const char* Ch);

// Writes the n bytes at Ch as one JSON string (quotes included) to iUnit.
void write_json_string(std::int32_t iUnit, const char* Ch, std::int32_t n);

// Writes the n bytes at Ch as one JSON string into ChOut, which has room
// for 6 * n + 2 characters; returns the characters written.
std::int32_t put_json_string(char* ChOut, const char* Ch, std::int32_t n);

// Base64 of a stream of bytes, written to a unit as they come: a table of
// numbers goes in piece by piece and out as one string. The bytes are
// gathered and encoded a block at a time: the page's tables are megabytes,
// put in four bytes at a time.
inline constexpr std::int32_t kBase64Block = 3 * 2048;
struct Base64Writer {
  std::int32_t iUnit;
  std::int32_t nHeld;                    // bytes gathered, not yet encoded
  std::uint8_t Held[kBase64Block + 4];   // room for a number past a full block
  char ChOut[kBase64Block / 3 * 4 + 4];  // a block's characters, or the last ones
};

// Starts a string on iUnit: writes its opening quote.
void begin_base64(Base64Writer& Writer, std::int32_t iUnit);

// Adds the n bytes at p.
void put_base64(Base64Writer& Writer, const void* p, std::int64_t n);

// Writes out the full block gathered (nHeld at least kBase64Block),
// keeping the bytes past it: for the puts below.
void write_base64_block(Base64Writer& Writer);

// One byte, and little-endian numbers, as the page's typed arrays read them
// on every system. Inline: the page's tables go in a number at a time.
inline void put_base64_byte(Base64Writer& Writer, std::uint8_t b) {
  Writer.Held[Writer.nHeld++] = b;
  if (Writer.nHeld >= kBase64Block) write_base64_block(Writer);
}

inline void put_base64_int32(Base64Writer& Writer, std::int32_t iValue) {
  const auto u = static_cast<std::uint32_t>(iValue);
  std::uint8_t* b = Writer.Held + Writer.nHeld;
  b[0] = static_cast<std::uint8_t>(u);
  b[1] = static_cast<std::uint8_t>(u >> 8);
  b[2] = static_cast<std::uint8_t>(u >> 16);
  b[3] = static_cast<std::uint8_t>(u >> 24);
  Writer.nHeld += 4;
  if (Writer.nHeld >= kBase64Block) write_base64_block(Writer);
}

void put_base64_float32(Base64Writer& Writer, float Value);

// Writes the last characters (with '=' padding) and the closing quote.
void end_base64(Base64Writer& Writer);
