// The pieces of the page's data: a JSON string no name can break out of
// (neither the JSON nor the <script> element it stands in), and base64 as
// the page's decoder reads it back.
#include "view/page_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"

namespace {

std::string json_of(const std::string& Text) {
  std::string Out(6 * Text.size() + 2, '\0');
  Out.resize(static_cast<std::size_t>(
      put_json_string(Out.data(), Text.data(), static_cast<std::int32_t>(Text.size()))));
  return Out;
}

// What a unit receives from Write, through a file.
template <typename Writer>
std::string written(Writer Write) {
  const std::string Dir = make_temp_dir();
  const std::string Path = Dir + "/out.txt";
  EXPECT_EQ(0, connect_unit(30, Path.data(), static_cast<std::int32_t>(Path.size()), kStatusUnknown,
                            false));
  Write(30);
  close_unit(30);
  std::string Bytes = read_file(Path);
  remove_tree(Dir);
  return Bytes;
}

std::string base64_decoded(const std::string& Text) {
  const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  std::uint32_t u = 0;
  int nBits = 0;
  for (char c : Text) {
    if (c == '=') break;
    u = (u << 6) | static_cast<std::uint32_t>(kDigits.find(c));
    nBits += 6;
    if (nBits >= 8) {
      nBits -= 8;
      Out += static_cast<char>((u >> nBits) & 0xFF);
    }
  }
  return Out;
}

TEST(PutJsonString, NoNameEndsTheStringOrTheScript) {
  struct Case {
    const char* name;
    std::string Text;
    std::string Expected;
  };
  const Case cases[] = {
      {"plain", "Leg_A1", "\"Leg_A1\""},
      {"end of script", "</script><script>alert(1)</script>",
       "\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""},
      {"markup", "<img src=x onerror=alert(1)>", "\"\\u003cimg src=x onerror=alert(1)\\u003e\""},
      {"comment opener", "<!--", "\"\\u003c!--\""},
      {"quote and backslash", "a\"b\\c", "\"a\\u0022b\\u005cc\""},
      {"ampersand", "A&B", "\"A\\u0026B\""},
      {"control characters", std::string("a\tb\nc\x7f", 6) + std::string(1, '\0'),
       "\"a\\u0009b\\u000ac\\u007f\\u0000\""},
      {"UTF-8 kept", "Bj\xc3\xb8rn \xe2\x82\xac", "\"Bj\xc3\xb8rn \xe2\x82\xac\""},
      {"Latin-1 byte as its character", "Bj\xf8rn", "\"Bj\\u00f8rn\""},
      {"a cut sequence", "A\xe2\x82", "\"A\\u00e2\\u0082\""},
      {"overlong form", "\xc0\xbc", "\"\\u00c0\\u00bc\""},
      {"surrogate", "\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Expected, json_of(c.Text)) << c.name;
}

TEST(WriteJsonString, LongTextGoesThroughWhole) {
  // Longer than the writer's piece, with a UTF-8 sequence across the cut.
  std::string Text(1023, 'a');
  Text += "\xc3\xb8";
  Text += std::string(3000, '<');
  const std::string Bytes = written([&](std::int32_t iUnit) {
    write_json_string(iUnit, Text.data(), static_cast<std::int32_t>(Text.size()));
  });
  EXPECT_EQ(json_of(Text), Bytes);
}

TEST(Base64Writer, DecodesBackWhateverThePieces) {
  std::string Bytes;
  for (int i = 0; i < 20000; ++i)
    Bytes += static_cast<char>((i * 7919) & 0xFF);
  // Pieces of 0 to 4 bytes, so that every carry-over of the three-byte
  // groups is met, then the numbers.
  const std::string Out = written([&](std::int32_t iUnit) {
    static Base64Writer Writer;
    begin_base64(Writer, iUnit);
    std::size_t i = 0;
    for (std::size_t n = 0; i < Bytes.size(); n = (n + 1) % 5) {
      const std::size_t nPiece = std::min(n, Bytes.size() - i);
      put_base64(Writer, Bytes.data() + i, static_cast<std::int64_t>(nPiece));
      i += nPiece;
    }
    put_base64_int32(Writer, -2);
    put_base64_float32(Writer, 1.5f);
    end_base64(Writer);
  });
  ASSERT_GE(Out.size(), 2u);
  EXPECT_EQ('"', Out.front());
  EXPECT_EQ('"', Out.back());
  EXPECT_EQ(0u, (Out.size() - 2) % 4);
  const std::string Decoded = base64_decoded(Out.substr(1, Out.size() - 2));
  EXPECT_EQ(Bytes + std::string("\xfe\xff\xff\xff\x00\x00\xc0\x3f", 8), Decoded);
}

TEST(Base64Writer, PadsTheLastGroup) {
  struct Case {
    std::string Bytes;
    std::string Expected;
  };
  const Case cases[] = {
      {"", "\"\""},        {"M", "\"TQ==\""},        {"Ma", "\"TWE=\""},
      {"Man", "\"TWFu\""}, {"Many", "\"TWFueQ==\""},
  };
  for (const Case& c : cases) {
    const std::string Out = written([&](std::int32_t iUnit) {
      static Base64Writer Writer;
      begin_base64(Writer, iUnit);
      put_base64(Writer, c.Bytes.data(), static_cast<std::int64_t>(c.Bytes.size()));
      end_base64(Writer);
    });
    EXPECT_EQ(c.Expected, Out) << c.Bytes;
  }
}

}  // namespace
