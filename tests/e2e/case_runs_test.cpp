// Runs each folder of tests/e2e/cases as one whole run of lablix and compares
// what a user gets (console output, exit status, label file, listing) byte for
// byte with the folder's expected files. README.md beside this file describes a
// case folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/testlib/lablix_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCasesDir = source_file("tests/e2e/cases");
// The clock's date differs from run to run: expected files hold this instead,
// each d standing for a digit.
const std::string kDateLabel = "# Executed Date : ";
const std::string kDatePattern = kDateLabel + "dddd-dd-dd dd:dd:dd";
// The output files by the convention of the answers, and their expected files.
const std::map<std::string, std::string> kOutputs = {{"out.lab", "expected.lab"},
                                                     {"out.lst", "expected.lst"}};

std::vector<std::string> case_names() {
  std::vector<std::string> Names;
  for (const fs::directory_entry& Entry : fs::directory_iterator(kCasesDir)) {
    if (Entry.is_directory()) Names.push_back(Entry.path().filename().string());
  }
  std::sort(Names.begin(), Names.end());
  return Names;
}

// Files of a case folder that describe the run rather than take part in it.
bool is_case_description(const std::string& Name) {
  return Name == "README" || Name == "answers.txt" || Name == "setup" || Name == "posix_only" ||
         Name.rfind("expected", 0) == 0;
}

// Checks the shape of the date in the "# Executed" record (line 6) and puts
// the pattern in its place; returns the line as found, or "" when line 6 is
// no such record (the comparison then shows it).
std::string mask_date(std::string& Text) {
  std::size_t iStart = 0;
  for (int i = 0; i < 5; ++i) {
    iStart = Text.find("\r\n", iStart);
    if (iStart == std::string::npos) return "";
    iStart += 2;
  }
  const std::size_t iEnd = Text.find("\r\n", iStart);
  if (iEnd == std::string::npos) return "";
  const std::string Line = Text.substr(iStart, iEnd - iStart);
  if (Line.size() != kDatePattern.size() || Line.rfind(kDateLabel, 0) != 0) return "";
  for (std::size_t i = kDateLabel.size(); i < Line.size(); ++i) {
    const bool bDigit = std::isdigit(static_cast<unsigned char>(Line[i])) != 0;
    if (kDatePattern[i] == 'd' ? !bDigit : Line[i] != kDatePattern[i]) return "";
  }
  Text.replace(iStart, iEnd - iStart, kDatePattern);
  return Line;
}

std::string visible(const std::string& Text) {
  std::string Shown;
  for (const char Ch : Text) {
    if (Ch == '\r')
      Shown += "\\r";
    else if (Ch == '\n')
      Shown += "\\n";
    else if (static_cast<unsigned char>(Ch) < 32)
      Shown += std::string("\\x") + "0123456789abcdef"[Ch / 16] + "0123456789abcdef"[Ch % 16];
    else
      Shown += Ch;
  }
  return Shown;
}

// Where two texts that should be equal part: the first differing line.
std::string first_difference(const std::string& Expected, const std::string& Actual) {
  const auto Parting =
      std::mismatch(Expected.begin(), Expected.end(), Actual.begin(), Actual.end());
  const std::size_t iAt = static_cast<std::size_t>(Parting.first - Expected.begin());
  const std::size_t iLineStart = iAt == 0 ? 0 : Expected.rfind('\n', iAt - 1) + 1;  // npos + 1 is 0
  const auto line_from = [iLineStart](const std::string& Text) {
    if (iLineStart >= Text.size()) return std::string("<end of text>");
    const std::size_t iEnd = Text.find('\n', iLineStart);
    return visible(
        Text.substr(iLineStart, iEnd == std::string::npos ? iEnd : iEnd - iLineStart + 1));
  };
  const long nLine =
      std::count(Expected.begin(), Expected.begin() + static_cast<long>(iLineStart), '\n') + 1;
  return "line " + std::to_string(nLine) + " (byte " + std::to_string(iAt) + "), sizes " +
         std::to_string(Expected.size()) + " and " + std::to_string(Actual.size()) +
         "\n  expected: " + line_from(Expected) + "\n  actual:   " + line_from(Actual);
}

void expect_same(const std::string& Expected, const std::string& Actual, const std::string& What) {
  if (Expected != Actual)
    ADD_FAILURE() << What << " differs at " << first_difference(Expected, Actual);
}

// Carries out the setup file of a case in the run's folder. Each line:
//   realworld <file>                 copy that real FEM file under its own name
//   append <target> <count> <file>   append the bytes of a case file count times
//   symlink <target> <name>          make name a symbolic link to target
// Lines starting with # are notes. Returns false when a real file is missing.
bool apply_setup(const fs::path& Case, const std::string& Dir) {
  std::istringstream Lines(read_file((Case / "setup").string()));
  std::string Line;
  while (std::getline(Lines, Line)) {
    std::istringstream Words(Line);
    std::string Verb, Name;
    Words >> Verb;
    if (Verb.empty() || Verb[0] == '#') continue;
    if (Verb == "realworld" && Words >> Name) {
      const std::string Path = realworld_file(Name);
      if (Path.empty()) return false;
      fs::copy_file(Path, Dir + "/" + Name);
    } else if (long nTimes = 0; Verb == "append" && Words >> Name >> nTimes) {
      std::string Part;
      Words >> Part;
      const std::string Bytes = read_file((Case / Part).string());
      std::ofstream Out(Dir + "/" + Name, std::ios::binary | std::ios::app);
      for (long i = 0; i < nTimes; ++i)
        Out << Bytes;
    } else if (std::string Link; Verb == "symlink" && Words >> Name >> Link) {
      fs::create_symlink(Name, Dir + "/" + Link);
    } else {
      ADD_FAILURE() << "setup line not understood: " << Line;
    }
  }
  return true;
}

class CaseRun : public testing::TestWithParam<std::string> {};

TEST_P(CaseRun, GivesTheExpectedConsoleAndFiles) {
  const fs::path Case = kCasesDir / GetParam();
  // A case of what only POSIX systems have: its posix_only file says what.
  if (kOnWindows && fs::exists(Case / "posix_only")) {
    GTEST_SKIP() << read_file((Case / "posix_only").string());
  }
  const std::string Dir = make_temp_dir();
  for (const fs::directory_entry& Entry : fs::directory_iterator(Case)) {
    const std::string Name = Entry.path().filename().string();
    if (!is_case_description(Name)) fs::copy_file(Entry.path(), Dir + "/" + Name);
  }
  if (fs::exists(Case / "setup") && !apply_setup(Case, Dir)) {
    remove_tree(Dir);
    GTEST_SKIP() << "the realworld folder is missing: " << LABLIX_REALWORLD_DIR;
  }
  std::map<std::string, std::string> Inputs;  // the run's folder before the run
  for (const fs::directory_entry& Entry : fs::directory_iterator(Dir)) {
    Inputs[Entry.path().filename().string()] = read_file(Entry.path().string());
  }

  const LablixRun Run = run_lablix(Dir, read_file((Case / "answers.txt").string()));

  EXPECT_FALSE(Run.bTimedOut);
  EXPECT_EQ(Run.iExit, std::stoi(read_file((Case / "expected_exit").string())));
  expect_same(read_file((Case / "expected_stdout.txt").string()), Run.Stdout, "standard output");
  // Where a reason is the system's own words, Windows' may differ.
  const fs::path StderrStart = kOnWindows && fs::exists(Case / "expected_stderr_start_windows.txt")
                                   ? Case / "expected_stderr_start_windows.txt"
                                   : Case / "expected_stderr_start.txt";
  if (fs::exists(StderrStart)) {
    const std::string Start = read_file(StderrStart.string());
    EXPECT_EQ(Run.Stderr.substr(0, Start.size()), Start) << "standard error: " << Run.Stderr;
  } else {
    EXPECT_EQ(Run.Stderr, "");
  }

  std::vector<std::string> Dates;
  for (const auto& [Output, ExpectedName] : kOutputs) {
    const fs::path Expected = Case / ExpectedName;
    if (!fs::exists(Expected)) continue;  // then the folder check below covers it
    if (!file_exists(Dir + "/" + Output)) {
      ADD_FAILURE() << Output << " is missing";
      continue;
    }
    std::string Actual = read_file(Dir + "/" + Output);
    const std::string Date = mask_date(Actual);
    if (!Date.empty()) Dates.push_back(Date);
    expect_same(read_file(Expected.string()), Actual, Output);
  }
  if (Dates.size() == 2) {
    EXPECT_EQ(Dates[0], Dates[1]) << "label file and listing carry one date";
  }

  // Every other file stays as it was, and the run leaves nothing else behind.
  const auto is_checked_output = [&Case](const std::string& Name) {
    return kOutputs.count(Name) != 0 && fs::exists(Case / kOutputs.at(Name));
  };
  for (const auto& [Name, Bytes] : Inputs) {
    if (is_checked_output(Name)) continue;
    const std::string Path = Dir + "/" + Name;
    EXPECT_TRUE(file_exists(Path) && read_file(Path) == Bytes) << Name << " was changed";
  }
  for (const fs::directory_entry& Entry : fs::directory_iterator(Dir)) {
    const std::string Name = Entry.path().filename().string();
    if (Inputs.count(Name) == 0 && !is_checked_output(Name))
      ADD_FAILURE() << "the run left " << Name;
  }
  remove_tree(Dir);
}

// A case says why it is there: line 1 what it shows, line 2 what would fail
// without it. A folder named for where its input came from says neither.
TEST(CaseFolders, EachSaysWhatItShowsInATwoLineReadme) {
  for (const std::string& Name : case_names()) {
    const fs::path Readme = kCasesDir / Name / "README";
    if (!fs::exists(Readme)) {
      ADD_FAILURE() << Name << ": no README";
      continue;
    }
    const std::string Text = read_file(Readme.string());
    const std::size_t iFirstEnd = Text.find('\n');
    const bool bTwoLines = iFirstEnd != std::string::npos && iFirstEnd > 0 &&
                           Text.size() > iFirstEnd + 2 && Text.back() == '\n' &&
                           Text.find('\n', iFirstEnd + 1) == Text.size() - 1;
    EXPECT_TRUE(bTwoLines) << Name << ": README is not two lines of text: " << visible(Text);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseRun, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& Info) {
                           std::string Name = Info.param;
                           for (char& Ch : Name) {
                             if (!std::isalnum(static_cast<unsigned char>(Ch))) Ch = '_';
                           }
                           return Name;
                         });

}  // namespace
