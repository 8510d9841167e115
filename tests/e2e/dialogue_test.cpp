// The console dialogue, run end to end: banner, prompts and retry lines.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

namespace {

const std::string kFemPrompt = " Give SESAM  FEM file              :  ";
const std::string kLabelPrompt = " Give output file for Orvex Labels :  ";
const std::string kListingPrompt = " Print Member vs Elements          ?  ";

std::string padded(const std::string& Answer) {
  return Answer + std::string(256 - Answer.size(), ' ');
}

TEST(Dialogue, MissingFemFilesAreAskedForAgainUntilOneOpens) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/model.FEM", "");
  const LablixRun Run =
      run_lablix(Dir, "none1.FEM\nnone2.FEM\nnone3.FEM\nmodel.FEM\nmodel.lab\nn\n");
  EXPECT_EQ(Run.iExit, 0);
  const std::string Retry = kFemPrompt + " Nonexisting file :";
  EXPECT_EQ(Run.Stdout, banner_text() + Retry + padded("none1.FEM") + "\r\n" + Retry +
                            padded("none2.FEM") + "\r\n" + Retry + padded("none3.FEM") + "\r\n" +
                            kFemPrompt + kLabelPrompt + kListingPrompt);
  EXPECT_EQ(Run.Stderr, "");
  remove_tree(Dir);
}

}  // namespace
