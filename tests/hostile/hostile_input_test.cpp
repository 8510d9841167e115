// Hostile input, end to end: whatever a user types or a broken tool writes,
// a run ends with exactly the report its input calls for (a complete label
// file, a reader's input-error report, or a " *** FATAL" line and status 2),
// never hangs or crashes, never writes to the FEM file, and never leaves a
// label file that could be taken for the result of a run that failed.
// One table of cases; every expectation is worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>

#include "tests/testlib/lablix_run.h"

namespace {

using Lines = std::vector<std::string>;
using Tagged = std::pair<const char*, const char*>;

const std::string kPromptFem = " Give SESAM  FEM file              :  ";
const std::string kPromptLabel = " Give output file for Orvex Labels :  ";
const std::string kPromptListing = " Print Member vs Elements          ?  ";
const std::string kPromptListingFile = " Give File Name                    :  ";
const std::string kToLabel = banner_text() + kPromptFem + kPromptLabel;
const std::string kToListing = kToLabel + kPromptListing;
const std::string kAnswers = "in.FEM\nout.lab\nn\n";
const std::string kInp2103 = "*** ERROR IN INP_2103       ***\r\n";

struct Case {
  std::string Name;
  std::function<void(const std::string& Dir)> Build;
  std::string Answers;
  std::string Stdout;
  int iExit;                         // 2: one " *** FATAL" line on standard error
  std::optional<std::string> Label;  // none: no label file may exist
};

std::string join(const Lines& Text) {
  std::string Joined;
  for (const std::string& Line : Text)
    Joined += Line + "\n";
  return Joined;
}

std::string failed_open(const std::string& ChFailure, const std::string& Answer) {
  return ChFailure + Answer + std::string(256 - Answer.size(), ' ') + "\r\n";
}

std::string number8(long long iValue) {
  const std::string Text = std::to_string(iValue);
  return Text.size() > 8 ? "********" : std::string(8 - Text.size(), ' ') + Text;
}
std::string node_label(long long iExt, const std::string& Name) {
  return "   NodeLabel" + number8(iExt) + "     " + Name + ", NodeID=" + number8(iExt);
}
std::string element_label(long long iExt, const std::string& Name) {
  return "   ElementLabel" + number8(iExt) + "     " + Name + ", ElemID=" + number8(iExt);
}

// Names Node, Nodes, Names Memb, Elements, Mesh, Highest Mesh, Highest Memb.
using Counts = std::array<int, 7>;

// A complete label file for in.FEM; "<date>" stands for the clock's date.
std::string label_file(const Counts& Count, const Lines& Nodes, const Lines& Elements) {
  Lines Text = {"# =========================================",
                "# ----          L  a  b  l  i  x       ----",
                "# ----             Version 1.1         ----",
                "# ----                                 ----",
                "# -----------------------------------------",
                "# Executed<date>",
                "# SESAM File    : in.FEM",
                "#"};
  const char* Summary[] = {
      "# Number of Names Node  : ", "# Number of Nodes       : ", "# Number of Names Memb  : ",
      "# Number of Elements    : ", "# Number of Mesh        : ", "# Highest Mesh Ref No   : ",
      "# Highest Memb Ref No   : "};
  for (int k = 0; k < 7; ++k)
    Text.push_back(Summary[k] + number8(Count[k]));
  Text.insert(Text.end(), {"", "", " BeginLabel", " Heading  SESAM Node Names "});
  Text.insert(Text.end(), Nodes.begin(), Nodes.end());
  Text.insert(Text.end(), {" EndLabel  ", "", " BeginLabel", " Heading  SESAM Member Names "});
  Text.insert(Text.end(), Elements.begin(), Elements.end());
  Text.push_back(" EndLabel  ");
  return crlf_lines(Text);
}

std::function<void(const std::string&)> with_fem(const std::string& Fem) {
  return [Fem](const std::string& Dir) { write_file(Dir + "/in.FEM", Fem); };
}

Case complete(const std::string& Name, const std::string& Fem, const Counts& Count,
              const Lines& Nodes, const Lines& Elements) {
  return {Name, with_fem(Fem), kAnswers, kToListing, 0, label_file(Count, Nodes, Elements)};
}
Case fatal(const std::string& Name, const std::string& Fem) {
  return {Name, with_fem(Fem), kAnswers, kToLabel, 2, ""};
}

// The road of one name: node 1 (external 101) named TOP; element 1
// (external 201) in mesh relation 1, which member 1, named LEG, refers to.
const Lines kRoad = {
    "GNODE 101 1", "TDNODE 0 1",       "TOP",     "GELMNT1 201 1",    "TDSCONC 0 1",
    "LEG",         "SCONCEPT 0 1 0 0", "0 0 0 1", "SCONMESH 0 1 1 2", "1 1"};
const Counts kRoadCounts = {1, 1, 1, 1, 1, 1, 1};
const Lines kTop = {node_label(101, "TOP")};
const Lines kLeg = {element_label(201, "LEG")};

// The road with field iField (from 0) of line iLine replaced.
Lines road_with(std::size_t iLine, std::size_t iField, const std::string& Value) {
  Lines Text = kRoad;
  std::istringstream Words(Text[iLine]);
  Lines Fields{std::istream_iterator<std::string>(Words), {}};
  Fields[iField] = Value;
  Text[iLine].clear();
  for (const std::string& Field : Fields)
    Text[iLine] += (Text[iLine].empty() ? "" : " ") + Field;
  return Text;
}

std::string nines(int n) {
  std::string Text;
  while (n-- > 0)
    Text += " 9";
  return Text;
}

void add_index_cases(std::vector<Case>& Cases) {
  // Every index position of every record: where it stands, and what the
  // label file shows when it is 0 or negative (stored nothing, counted all).
  struct Position {
    const char* Name;
    std::size_t iLine, iField;
    Counts Count;
    Lines Nodes, Elements;
  };
  const Position Positions[] = {
      {"GnodeNode", 0, 2, kRoadCounts, {node_label(0, "TOP")}, kLeg},
      {"TdnodeNode", 1, 2, kRoadCounts, {}, kLeg},
      {"GelmntElement", 3, 2, kRoadCounts, kTop, {element_label(0, "LEG")}},
      {"TdsconcMember", 4, 2, {1, 1, 1, 1, 1, 1, 0}, kTop, {}},
      {"SconceptMember", 6, 2, kRoadCounts, kTop, {}},
      {"SconceptMeshRef", 7, 3, kRoadCounts, kTop, {}},
      {"SconmeshMeshRef", 8, 2, {1, 1, 1, 1, 1, 0, 1}, kTop, {}},
      {"SconmeshElement", 9, 1, kRoadCounts, kTop, {}},
  };
  for (const Position& P : Positions) {
    for (const auto& [Value, Tag] : {Tagged{"0", "Zero"}, Tagged{"-3", "Negative"}}) {
      Cases.push_back(complete(std::string(P.Name) + Tag, join(road_with(P.iLine, P.iField, Value)),
                               P.Count, P.Nodes, P.Elements));
    }
    // Far outside 32 bits, taken as an integer: the run cannot go on.
    for (const auto& [Value, Tag] : {Tagged{"1.0E10", "Huge"}, Tagged{"-1.0E10", "HugeNegative"}})
      Cases.push_back(fatal(std::string(P.Name) + Tag, join(road_with(P.iLine, P.iField, Value))));
  }
}

void add_nul_cases(std::vector<Case>& Cases) {
  // A NUL byte is an ordinary non-blank character: it breaks the word or
  // number it stands in, and a name keeps it.
  const std::string Small = "GNODE 7 1\nTDNODE 0 1\nNAME\n";
  for (std::size_t p = 0; p <= Small.size(); ++p) {
    std::string Fem = Small;
    Fem.insert(p, 1, '\0');
    const bool bGnode = p >= 5, bTdnode = p < 10 || p > 15;
    const bool bNodeStored = p != 8 && p != 9, bNameStored = bTdnode && p != 19 && p != 20;
    std::string Name = "NAME";
    if (p >= 21 && p <= 25) Name.insert(p - 21, 1, '\0');
    const long long iExt = (p == 6 || p == 7 || !bNodeStored) ? 0 : 7;
    Lines Nodes;
    if (bGnode && bNameStored) Nodes.push_back(node_label(iExt, Name));
    Cases.push_back(complete("NulAt" + std::to_string(p), Fem,
                             {bTdnode ? 1 : 0, bGnode ? 1 : 0, 0, 0, 0, 0, 0}, Nodes, {}));
  }
}

std::vector<Case> all_cases() {
  std::vector<Case> Cases;
  const std::string Road = join(kRoad);
  const Counts kZero = {};

  std::string Garbage;  // no blank-free run of it is a number or a record name
  for (unsigned i = 0, x = 1; i < 4096; ++i, x = x * 1103515245u + 12345u) {
    const unsigned char c = static_cast<unsigned char>(x >> 16);
    Garbage += (c < 0x20 || c >= 0x7F) ? static_cast<char>(c) : (c % 7 == 0 ? ' ' : '\n');
  }
  Cases.push_back(complete("BinaryGarbage", Garbage, kZero, {}, {}));
  add_nul_cases(Cases);
  Cases.push_back(
      {"TenMegabyteLine",
       [](const std::string& Dir) {
         write_file(Dir + "/in.FEM", "GNODE 5 1 " + std::string(10 << 20, 'x') +
                                         "\nTDNODE 0 1\nTOP" + std::string(100, 'y'));
       },
       kAnswers, kToListing, 0,
       label_file({1, 1, 0, 0, 0, 0, 0}, {node_label(5, "TOP" + std::string(77, 'y'))}, {})});
  // Lines ended by CR alone are one long line: field 3 is "1\rTDNODE", text.
  Cases.push_back(complete("CarriageReturnOnly", "GNODE 5 1\rTDNODE 0 1\rTOP\r",
                           {0, 1, 0, 0, 0, 0, 0}, {}, {}));

  Cases.push_back(fatal("InfiniteNodeNumber", "GNODE 5 1E999\n"));
  Cases.push_back(fatal("MinusInfiniteNodeNumber", "GNODE 5 -1E999\n"));
  Cases.push_back(fatal("InfiniteExternalNumber", "GNODE 1E999 1\n"));
  Cases.push_back(fatal("InfiniteTdnodeNumber", "TDNODE 0 1E999\nNAME\n"));
  Lines Unused = kRoad;
  Unused[0] += " 1E999 -1E999";  // a real too large is no error where it is not taken
  Cases.push_back(
      complete("InfinityInUnusedFields", join(Unused) + "X -1E999\n", kRoadCounts, kTop, kLeg));
  Cases.push_back(fatal("IntegerAboveRange", "GNODE 2147483648 1\n"));
  Cases.push_back(fatal("ElevenDigitsOnAnyLine", Road + "GCOORD 1 99999999999\n"));
  Cases.push_back(fatal("ElevenDigitsAsName", "TDNODE 0 1\n99999999999\n"));
  Cases.push_back(
      complete("ElevenDigitsInComment", "$ 99999999999\n" + Road, kRoadCounts, kTop, kLeg));
  Cases.push_back(complete("LargestIntegerShownAsAsterisks", join(road_with(0, 1, "2147483647")),
                           kRoadCounts, {node_label(2147483647, "TOP")}, kLeg));
  add_index_cases(Cases);

  // Mesh relations at and beyond the row's capacity.
  Lines Long = kRoad, Elements;
  Long.resize(8);
  Long.erase(Long.begin() + 3);  // the 99 elements below replace element 1
  for (int i = 1; i <= 99; ++i) {
    Long.push_back("GELMNT1 " + std::to_string(1000 + i) + " " + std::to_string(i));
    Elements.push_back(element_label(1000 + i, "LEG"));
  }
  Long.push_back("SCONMESH 0 1 1 2");
  Long.push_back("99 1 2 3");
  for (int i = 4; i <= 99; i += 4) {
    Long.push_back(std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) +
                   " " + std::to_string(i + 3));
  }
  Cases.push_back(complete("MeshOf99", join(Long), {1, 1, 1, 99, 1, 1, 1}, kTop, Elements));
  Cases.push_back({"MeshOf100", with_fem(join(road_with(9, 0, "100")) + "1 2 3 4\n"), kAnswers,
                   kToLabel, 1, kInp2103});
  Lines Negative = road_with(9, 0, "-5");
  Negative[7] = "0 0 0 2";  // the relation after it is read whole
  Cases.push_back(complete("MeshOfMinus5", join(Negative) + "SCONMESH 0 2 1 2\n1 1\n",
                           {1, 1, 1, 1, 2, 2, 1}, kTop, kLeg));
  Cases.push_back(complete("MeshField2Is98", join(road_with(8, 1, "98")), kRoadCounts, kTop, kLeg));
  Cases.push_back(
      {"MeshField2Is99", with_fem(join(road_with(8, 1, "99"))), kAnswers, kToLabel, 1, kInp2103});

  // Fields after the 100th are neither classified nor stored.
  Lines Wide = kRoad;
  Wide[0] += nines(97) + " 1.5E";
  Cases.push_back(complete("BadField101IsDropped", join(Wide), kRoadCounts, kTop, kLeg));
  Wide[0] = kRoad[0] + nines(96) + " 1.5E";
  Cases.push_back(fatal("BadField100Stops", join(Wide)));
  Wide = kRoad;
  Wide[7] += nines(124);
  Cases.push_back(complete("Fields128", join(Wide), kRoadCounts, kTop, kLeg));

  const std::pair<const char*, Counts> LastLines[] = {
      {"GNODE 102 2", {1, 2, 1, 1, 1, 1, 1}},   {"TDNODE 0 2", {2, 1, 1, 1, 1, 1, 1}},
      {"GELMNT1 202 2", {1, 1, 1, 2, 1, 1, 1}}, {"TDSCONC 0 2", {1, 1, 2, 1, 1, 1, 1}},
      {"SCONCEPT 0 1 0 0", kRoadCounts},        {"SCONMESH 0 2 1 2", {1, 1, 1, 1, 2, 2, 1}}};
  for (const auto& [Header, Count] : LastLines) {
    const std::string Kind(Header, static_cast<std::size_t>(std::strchr(Header, ' ') - Header));
    Cases.push_back(complete("LastLine" + Kind, Road + Header, Count, kTop, kLeg));
  }

  for (const auto& [nName, Tag] : {std::pair<int, const char*>{80, "80"}, {81, "81"}, {0, "0"}}) {
    const std::string Name = std::string(40, 'A') + std::string(40, 'B') + "C";
    Lines Text = kRoad;
    Text[2] = Text[5] = Name.substr(0, static_cast<std::size_t>(nName));
    const std::string Stored = Name.substr(0, static_cast<std::size_t>(std::min(nName, 80)));
    Cases.push_back(complete("NameOf" + std::string(Tag), join(Text), kRoadCounts,
                             nName ? Lines{node_label(101, Stored)} : Lines{},
                             nName ? Lines{element_label(201, Stored)} : Lines{}));
  }

  // The road beside a folder and a link to it: the dialogue cases.
  const std::string RoadLabel = label_file(kRoadCounts, kTop, kLeg);
  auto dialogue = [&](const std::string& Name, const std::string& Answers,
                      const std::string& Stdout, int iExit, std::optional<std::string> Label) {
    Cases.push_back({Name,
                     [Road](const std::string& Dir) {
                       write_file(Dir + "/in.FEM", Road);
                       std::error_code Ignored;
                       std::filesystem::create_directory(Dir + "/folder", Ignored);
                       std::filesystem::create_symlink("in.FEM", Dir + "/link.lab", Ignored);
                     },
                     Answers, Stdout, iExit, Label});
  };
  const std::string FemRetry = banner_text() + kPromptFem;
  for (const auto& [Name, Answer] :
       {Tagged{"FemIsFolder", "folder"}, Tagged{"FemIsDevNull", "/dev/null"}}) {
    dialogue(Name, std::string(Answer) + "\n" + kAnswers,
             FemRetry + failed_open(" Nonexisting file :", Answer) +
                 kToListing.substr(banner_text().size()),
             0, RoadLabel);
  }
  Cases.push_back(complete("FemIsEmpty", "", kZero, {}, {}));
  for (const auto& [Name, Answer] :
       {Tagged{"LabelInMissingFolder", "missing/out.lab"},
        Tagged{"LabelIsFemSpelledOtherwise", "./in.FEM"}, Tagged{"LabelIsLinkToFem", "link.lab"}}) {
    dialogue(Name, "in.FEM\n" + std::string(Answer) + "\nout.lab\nn\n",
             kToLabel + failed_open(" Cannot Open file :", Answer) + kPromptLabel + kPromptListing,
             0, RoadLabel);
  }
  dialogue("LabelOnFullDisk", "in.FEM\n/dev/full\nn\n", kToLabel, 2, std::nullopt);
  for (const auto& [Name, Answer] :
       {Tagged{"ListingIsLabelFile", "out.lab"}, Tagged{"ListingIsFemFile", "in.FEM"}}) {
    dialogue(Name, "in.FEM\nout.lab\ny\n" + std::string(Answer) + "\n",
             kToListing + kPromptListingFile + failed_open(" Cannot Open file :", Answer), 1,
             RoadLabel);
  }
  Cases.push_back({"LongerOldLabelIsReplaced",
                   [Road](const std::string& Dir) {
                     write_file(Dir + "/in.FEM", Road);
                     write_file(Dir + "/out.lab", std::string(100000, 'Z'));
                   },
                   kAnswers, kToListing, 0, RoadLabel});
  // End of console input at each of the four prompts.
  dialogue("EndOfInputAtFemPrompt", "", FemRetry, 2, std::nullopt);
  dialogue("EndOfInputAtLabelPrompt", "in.FEM\n", kToLabel, 2, std::nullopt);
  dialogue("EndOfInputAtListingQuestion", "in.FEM\nout.lab\n", kToListing, 2, RoadLabel);
  dialogue("EndOfInputAtListingFilePrompt", "in.FEM\nout.lab\ny\n", kToListing + kPromptListingFile,
           2, RoadLabel);
  return Cases;
}

// Standard error of a run that ends without a fatal stop: one line for
// each refused open (the console's refusal lines say how many), then the
// input-error line or, for a label file without labels, the no-labels line.
// The words of each are the command line's and case runs' concern; here
// their number and kind.
std::string expected_stderr(const Case& C) {
  std::string Expected;
  for (const char* Refusal : {" Nonexisting file :", " Cannot Open file :"}) {
    for (std::size_t i = C.Stdout.find(Refusal); i != std::string::npos;
         i = C.Stdout.find(Refusal, i + 1))
      Expected += "lablix: cannot open the <...>\n";
  }
  if (!C.Label) return Expected;
  if (C.Label->rfind("*** ERROR IN INP_", 0) == 0) {
    return Expected + "lablix: in.FEM:<...>: the label file \"out.lab\" holds the input-error " +
           "report " + C.Label->substr(13, 8) + "\n";
  }
  if (C.Label->find("   NodeLabel") != std::string::npos ||
      C.Label->find("   ElementLabel") != std::string::npos) {
    return Expected;
  }
  bool bNoRecords = true;
  for (const char* Count :
       {"Names Node  :", "Nodes       :", "Names Memb  :", "Elements    :", "Mesh        :"}) {
    bNoRecords &= C.Label->find(std::string(Count) + "        0\r\n") != std::string::npos;
  }
  return Expected + "lablix: the label file \"out.lab\" holds no labels: " +
         (bNoRecords ? "\"in.FEM\" holds no SESAM records that Lablix reads (is it a FEM file?)\n"
                     : "the FEM file has no named nodes (TDNODE) and no named members with "
                       "elements\n");
}

// Standard error with the parts that <...> stands for in expected_stderr
// taken out: what follows "cannot open the " up to the line end, and what
// follows "in.FEM:" up to ": the label file".
std::string masked_stderr(std::string Text) {
  for (const auto& [From, To] : {std::pair<std::string, std::string>{"cannot open the ", "\n"},
                                 {"lablix: in.FEM:", ": the label file"}}) {
    for (std::size_t i = Text.find(From); i != std::string::npos; i = Text.find(From, i + 1)) {
      const std::size_t iEnd = Text.find(To, i + From.size());
      if (iEnd == std::string::npos) break;
      Text.replace(i + From.size(), iEnd - i - From.size(), "<...>");
    }
  }
  return Text;
}

// The case's name stands for it in test listings.
void PrintTo(const Case& C, std::ostream* Out) {
  *Out << C.Name;
}

class HostileInput : public testing::TestWithParam<Case> {};

TEST_P(HostileInput, EndsAsWorkedOut) {
  const Case& C = GetParam();
  if (kOnWindows && (C.Name == "LabelIsLinkToFem" || C.Name == "LabelOnFullDisk")) {
    GTEST_SKIP() << "symbolic links and /dev/full are POSIX's";
  }
  const std::string Dir = make_temp_dir();
  C.Build(Dir);
  const std::string Fem = read_file(Dir + "/in.FEM");
  const LablixRun Run = run_lablix(Dir, C.Answers, 60);
  ASSERT_FALSE(Run.bTimedOut);
  EXPECT_EQ(Run.iExit, C.iExit);
  EXPECT_EQ(Run.Stdout, C.Stdout);
  if (C.iExit == 2) {
    EXPECT_EQ(Run.Stderr.rfind(" *** FATAL", 0), 0u) << Run.Stderr;
    EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
  } else {
    EXPECT_EQ(masked_stderr(Run.Stderr), expected_stderr(C)) << Run.Stderr;
  }
  const std::string LabelPath = Dir + "/out.lab";
  if (!C.Label) {
    EXPECT_FALSE(file_exists(LabelPath));
  } else {
    EXPECT_EQ(mask_executed_date(read_file(LabelPath)), *C.Label);
  }
  EXPECT_EQ(read_file(Dir + "/in.FEM"), Fem) << "the FEM file was written to";
  remove_tree(Dir);
}

INSTANTIATE_TEST_SUITE_P(Runs, HostileInput, testing::ValuesIn(all_cases()),
                         [](const testing::TestParamInfo<Case>& Info) { return Info.param.Name; });

}  // namespace
