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
// numbers goes in piece by piece and out as one string.
struct Base64Writer {
  std::int32_t iUnit;
  std::int32_t nPending;  // bytes held until three make four characters
  std::uint8_t Pending[3];
  std::int32_t nOut;
  char ChOut[8192];
};

// Starts a string on iUnit: writes its opening quote.
void begin_base64(Base64Writer& Writer, std::int32_t iUnit);

// Adds the n bytes at p.
void put_base64(Base64Writer& Writer, const void* p, std::int64_t n);

// Little-endian numbers, as the page's typed arrays read them on every
// system.
void put_base64_int32(Base64Writer& Writer, std::int32_t iValue);
void put_base64_float32(Base64Writer& Writer, float Value);

// Writes the last characters (with '=' padding) and the closing quote.
void end_base64(Base64Writer& Writer);
