// Names as users paste and type them: quotes taken off, and the label file
// named after the FEM file.
#include "driver/file_answers.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/dialogue.h"

namespace {

std::string stripped(const std::string& Answer) {
  std::string Field = Answer + std::string(kAnswerLen - Answer.size(), ' ');
  strip_quotes(Field.data(), kAnswerLen);
  EXPECT_EQ(static_cast<std::size_t>(kAnswerLen), Field.size());
  return Field.substr(0, Field.find_last_not_of(' ') + 1);
}

TEST(StripQuotes, TakesOffOnlyAPairAroundTheWholeName) {
  struct Case {
    std::string Answer, Name;
  };
  const Case cases[] = {
      {"\"C:\\models\\T1.FEM\"", "C:\\models\\T1.FEM"},
      {"'/home/me/my models/T1.FEM'   ", "/home/me/my models/T1.FEM"},
      {"\"\"", ""},
      {"\"", "\""},                        // a lone quote
      {"\"T1.FEM'", "\"T1.FEM'"},          // unbalanced
      {"'T1.FEM", "'T1.FEM"},              // only one
      {"my\"odd\".FEM", "my\"odd\".FEM"},  // quotes inside the name
      {" \"T1.FEM\"", " \"T1.FEM\""},      // a leading blank is part of the name
      {"\"'T1.FEM'\"", "'T1.FEM'"},        // one pair only
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Name, stripped(c.Answer)) << c.Answer;
}

TEST(StripQuotes, NameFillingTheFieldLosesBothQuotes) {
  const std::string Name(kAnswerLen - 2, 'n');
  EXPECT_EQ(Name, stripped("'" + Name + "'"));
}

TEST(LabelNameBeside, ReplacesOrAddsTheExtension) {
  struct Case {
    std::string Fem, Label;
  };
  const Case cases[] = {
      {"T1.FEM", "T1.lab"},
      {"model", "model.lab"},
      {"a.b/model", "a.b/model.lab"},  // a folder's dot is no extension
      {"C:\\m.d\\T1", "C:\\m.d\\T1.lab"},
      {"T1.v2.FEM", "T1.v2.lab"},
      {".hidden", ".hidden.lab"},  // a leading dot neither
      {"dir/.FEM", "dir/.FEM.lab"},
      {"T1.", "T1.lab"},
      {"T1.lab", "T1.lab"},  // the FEM file itself: the open refuses it
  };
  for (const Case& c : cases) {
    char ChOut[64];
    const std::int32_t n = label_name_beside(c.Fem.data(), static_cast<std::int32_t>(c.Fem.size()),
                                             ChOut, sizeof ChOut - 1);
    ASSERT_EQ(static_cast<std::int32_t>(c.Label.size()), n) << c.Fem;
    EXPECT_EQ(c.Label, std::string(ChOut)) << c.Fem;
  }
}

TEST(ListingNameBeside, TakesTheLabelFilesRuleWithLst) {
  char ChOut[64];
  EXPECT_EQ(16, listing_name_beside("C:\\m.d\\T1.v2.FEM", 16, ChOut, sizeof ChOut - 1));
  EXPECT_STREQ("C:\\m.d\\T1.v2.lst", ChOut);
  EXPECT_EQ(-1, listing_name_beside("abcd.FEM", 8, ChOut, 7));
}

TEST(LabelNameBeside, NameThatDoesNotFitIsRefused) {
  char ChOut[8];
  EXPECT_EQ(-1, label_name_beside("abcd.FEM", 8, ChOut, 7));  // abcd.lab is 8
  EXPECT_EQ(7, label_name_beside("abc.FEM", 7, ChOut, 7));
  EXPECT_STREQ("abc.lab", ChOut);
}

TEST(PageNameBeside, TakesTheLabelFilesRuleWithHtml) {
  char ChOut[16];
  EXPECT_EQ(13, page_name_beside("sub.d/T1.FEM", 12, ChOut, 15));
  EXPECT_STREQ("sub.d/T1.html", ChOut);
  EXPECT_EQ(-1, page_name_beside("abc.FEM", 7, ChOut, 7));  // abc.html is 8
}

}  // namespace
