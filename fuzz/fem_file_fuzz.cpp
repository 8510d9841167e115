// Fuzz target: the input bytes are the FEM file. They run through the three
// readers and, when those succeed, the label file writer and the member
// listing, exactly as in a run of the program; a fatal stop unwinds back here.
// After each run the target checks what must hold whatever the input:
//   - counters within the tables' bounds, every mesh row count at most 99,
//     the unused slots untouched;
//   - a label file that is either complete and well-formed (frame, summary
//     equal to the counters, every label line in its shape with 8-column
//     numbers, CR LF ends), or exactly the failing reader's report, or empty
//     after a fatal stop;
//   - the same tables, counters and file bytes when the FEM file is read
//     again without the header index: the index only saves time.
// Any breach aborts, which libFuzzer reports as a finding.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/label_writer.h"
#include "driver/member_listing.h"
#include "fem/fem_scan.h"
#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/name_tables.h"
#include "fem/node_reader.h"
#include "support/fatal_stop.h"
#include "support/file_open.h"
#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kUnitListing = 17;
constexpr std::int32_t kUnitLabel = 20;
constexpr std::int32_t kUnitFem = 21;
constexpr std::int32_t kFieldLen = 256;

[[noreturn]] void fail(const char* ChWhat) {
  std::fprintf(stderr, "broken: %s\n", ChWhat);
  std::abort();
}
#define REQUIRE(c) \
  if (!(c)) fail(#c)

struct Paths {
  std::string Dir, Fem, Label, Listing;
};

const Paths& paths() {
  static const Paths P = [] {
    // libFuzzer may end the process without running atexit handlers, so
    // .ci/fuzz.sh points TMPDIR into its build folder and clears it there.
    const char* ChBase = std::getenv("TMPDIR");
    std::string Dir =
        std::string(ChBase != nullptr && *ChBase ? ChBase : "/tmp") + "/lablix-fuzz-XXXXXX";
    if (::mkdtemp(Dir.data()) == nullptr) fail("mkdtemp");
    std::atexit([] {
      for (const std::string* p : {&paths().Fem, &paths().Label, &paths().Listing})
        ::unlink(p->c_str());
      ::rmdir(paths().Dir.c_str());
    });
    return Paths{Dir, Dir + "/in.FEM", Dir + "/out.lab", Dir + "/out.lst"};
  }();
  return P;
}

std::string read_all(const std::string& Path) {
  std::string Bytes;
  const int iFd = ::open(Path.c_str(), O_RDONLY);
  if (iFd < 0) return Bytes;
  char Ch[65536];
  ssize_t n;
  while ((n = ::read(iFd, Ch, sizeof Ch)) > 0)
    Bytes.append(Ch, static_cast<std::size_t>(n));
  ::close(iFd);
  return Bytes;
}

void answer_field(char* ChField, const std::string& Text) {
  fill_blanks(ChField, kFieldLen);
  std::memcpy(ChField, Text.data(), Text.size());
}

enum Ending { kComplete, kNodeError, kMemberError, kMeshError, kFatal };

struct Outcome {
  Ending iEnding;
  std::string Label, Listing;
};

char ChDate[kFieldLen];
char ChFemName[kFieldLen];

// One run of the program's reading and writing on the FEM file in place.
Outcome run_once(NameTables& T, FemFile Fem) {
  close_all_units();
  ::unlink(paths().Listing.c_str());
  char ChName[kFieldLen];
  std::int32_t iStatus = 0;
  open_named_file(ChFemName, kFieldLen, kUnitFem, 1, iStatus);
  answer_field(ChName, paths().Label);
  open_named_file(ChName, kFieldLen, kUnitLabel, 0, iStatus);
  REQUIRE(iStatus == 0);

  Outcome Out{kComplete, {}, {}};
  try {
    read_node_names(T.nNodes, T.iNodeExt, MxNode, T.ChNodeName, T.nNodeNames, Fem, kUnitLabel,
                    iStatus);
    if (iStatus != 0) {
      Out.iEnding = kNodeError;
    } else {
      read_member_names(T.nElems, T.iElemExt, MxMemb, T.ChMembName, T.nNames, T.MaxMembRef,
                        T.iMembDef, MxMembDef, Fem, kUnitLabel, iStatus);
      if (iStatus != 0) Out.iEnding = kMemberError;
    }
    if (iStatus == 0) {
      read_mesh_relations(T.nMesh, MxMesh, MxMeshLen, T.iMeshList, T.MaxMeshRef, Fem, kUnitLabel,
                          iStatus);
      if (iStatus != 0) Out.iEnding = kMeshError;
    }
    if (iStatus == 0) {
      write_label_file(T, ChDate, ChFemName, kUnitLabel);
      answer_field(ChName, paths().Listing);
      open_named_file(ChName, kFieldLen, kUnitListing, 0, iStatus);
      REQUIRE(iStatus == 0);
      write_member_listing(T, ChDate, ChFemName, kUnitListing);
    }
  } catch (const FatalStopUnwind&) {
    Out.iEnding = kFatal;
  }
  close_unit(kUnitListing);
  close_unit(kUnitLabel);
  close_unit(kUnitFem);
  Out.Label = read_all(paths().Label);
  Out.Listing = read_all(paths().Listing);
  return Out;
}

std::int32_t smaller(std::int32_t a, std::int32_t b) {
  return a < b ? a : b;
}

// The tables as a fresh run finds them: all zero, all names blank. The large
// mesh table is handed back to the system, which zeroes it again on touch.
void reset_tables(NameTables& T) {
  std::memset(T.iNodeExt, 0, sizeof(std::int32_t) * (MxNode + 1));
  std::memset(T.iElemExt, 0, sizeof(std::int32_t) * (MxElem + 1));
  std::memset(T.iElemMemb, 0, sizeof(std::int32_t) * (MxElem + 1));
  std::memset(T.iMembDef, 0, sizeof(MembDefColumn) * (MxMembDef + 1));
  REQUIRE(::madvise(T.iMeshList, sizeof(MeshColumn) * (MxMeshLen + 1), MADV_DONTNEED) == 0);
  clear_names(T.ChNodeName);
  clear_names(T.ChMembName);
  T.nNodes = T.nNodeNames = T.nElems = T.nNames = T.nMesh = T.MaxMembRef = T.MaxMeshRef = 0;
}

void check_tables(const NameTables& T) {
  REQUIRE(T.nNodes >= 0 && T.nNodeNames >= 0 && T.nElems >= 0 && T.nNames >= 0 && T.nMesh >= 0);
  REQUIRE(T.MaxMembRef >= 0 && T.MaxMembRef <= MxMemb);
  REQUIRE(T.MaxMeshRef >= 0 && T.MaxMeshRef <= MxMesh);
  REQUIRE(T.nMesh <= MxMesh + 1 && T.nNames <= MxMemb + 1);
  REQUIRE(T.ChNodeName.nHeld <= MxNode && T.ChMembName.nHeld <= MxMemb);
  REQUIRE(T.iNodeExt[0] == 0 && T.iElemExt[0] == 0 && T.iElemMemb[0] == 0);
  // Slot 0 and row 0 are never written.
  for (std::int32_t k = 0; k <= MxMembDef; ++k)
    REQUIRE(T.iMembDef[k][0] == 0);
  for (std::int32_t k = 0; k <= MxMemb; ++k)
    REQUIRE(T.iMembDef[0][k] == 0);
  for (std::int32_t k = 0; k <= MxMeshLen; ++k)
    REQUIRE(T.iMeshList[k][0] == 0);
  // Only accepted relations are stored, and each raised MaxMeshRef first.
  for (std::int32_t m = 1; m <= T.MaxMeshRef; ++m) {
    REQUIRE(T.iMeshList[0][m] == 0 && T.iMeshList[1][m] <= MxMeshLen - 1);
  }
}

bool same_tables(const NameTables& A, const NameTables& B) {
  auto same = [](const void* p, const void* q, std::size_t n) { return std::memcmp(p, q, n) == 0; };
  if (A.nNodes != B.nNodes || A.nNodeNames != B.nNodeNames || A.nElems != B.nElems ||
      A.nNames != B.nNames || A.nMesh != B.nMesh || A.MaxMembRef != B.MaxMembRef ||
      A.MaxMeshRef != B.MaxMeshRef) {
    return false;
  }
  if (!same(A.iNodeExt, B.iNodeExt, sizeof(std::int32_t) * (MxNode + 1)) ||
      !same(A.iElemExt, B.iElemExt, sizeof(std::int32_t) * (MxElem + 1)) ||
      !same(A.iElemMemb, B.iElemMemb, sizeof(std::int32_t) * (MxElem + 1)) ||
      !same(A.iMembDef, B.iMembDef, sizeof(MembDefColumn) * (MxMembDef + 1))) {
    return false;
  }
  // The mesh rows up to the highest reference, in every slot.
  for (std::int32_t s = 0; s <= MxMeshLen; ++s) {
    if (!same(A.iMeshList[s], B.iMeshList[s], sizeof(std::int32_t) * (A.MaxMeshRef + 1))) {
      return false;
    }
  }
  for (const auto& [C, D] :
       {std::pair{&A.ChNodeName, &B.ChNodeName}, std::pair{&A.ChMembName, &B.ChMembName}}) {
    const std::int32_t n = C->nHeld > D->nHeld ? C->nHeld : D->nHeld;
    for (std::int32_t i = 1; i <= n; ++i) {
      char ChC[kNameLen], ChD[kNameLen];
      copy_name(*C, i, ChC);
      copy_name(*D, i, ChD);
      if (!same(ChC, ChD, kNameLen)) return false;
    }
  }
  return true;
}

std::vector<std::string> crlf_lines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t iStart = 0;
  while (iStart < Text.size()) {
    const std::size_t iEnd = Text.find("\r\n", iStart);
    REQUIRE(iEnd != std::string::npos);  // every line ends in CR LF
    Lines.push_back(Text.substr(iStart, iEnd - iStart));
    iStart = iEnd + 2;
  }
  return Lines;
}

std::string number8(std::int64_t iValue) {
  char Ch[8];
  put_integer(Ch, 8, iValue);
  return std::string(Ch, 8);
}

bool is_number_field(const std::string& Field) {
  if (Field == std::string(Field.size(), '*')) return true;
  std::size_t i = Field.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  if (Field[i] == '-') ++i;
  if (i == Field.size()) return false;
  for (; i < Field.size(); ++i)
    if (Field[i] < '0' || Field[i] > '9') return false;
  return true;
}

// A label line: ChKind, an 8-column number, five blanks, the name (1 to 80
// characters, no trailing blank), ChId and the same number again.
void check_label_line(const std::string& Line, const std::string& ChKind, const std::string& ChId,
                      std::int32_t iExternal, const char* ChName) {
  const auto L = trimmed_length(ChName, kNameLen);
  REQUIRE(Line == ChKind + number8(iExternal) + "     " + std::string(ChName, L) + ChId +
                      number8(iExternal));
  REQUIRE(L >= 1 && is_number_field(Line.substr(ChKind.size(), 8)));
}

void check_complete_label(const NameTables& T, const std::string& Label) {
  const std::vector<std::string> Lines = crlf_lines(Label);
  std::size_t k = 0;
  auto next = [&]() -> const std::string& {
    REQUIRE(k < Lines.size());
    return Lines[k++];
  };
  for (const char* ChFrame : {"# =========================================",
                              "# ----          L  a  b  l  i  x       ----",
                              "# ----             Version 1.1         ----",
                              "# ----                                 ----",
                              "# -----------------------------------------"})
    REQUIRE(next() == ChFrame);
  REQUIRE(next() == "# Executed Date : 2013-04-28 09:05:07");
  REQUIRE(next() == "# SESAM File    : " + paths().Fem);
  REQUIRE(next() == "#");
  const std::pair<const char*, std::int32_t> Summary[] = {
      {"# Number of Names Node  : ", T.nNodeNames}, {"# Number of Nodes       : ", T.nNodes},
      {"# Number of Names Memb  : ", T.nNames},     {"# Number of Elements    : ", T.nElems},
      {"# Number of Mesh        : ", T.nMesh},      {"# Highest Mesh Ref No   : ", T.MaxMeshRef},
      {"# Highest Memb Ref No   : ", T.MaxMembRef}};
  for (const auto& [ChLabel, iValue] : Summary)
    REQUIRE(next() == ChLabel + number8(iValue));
  for (const char* ChFixed : {"", "", " BeginLabel", " Heading  SESAM Node Names "})
    REQUIRE(next() == ChFixed);
  for (std::int32_t i = 1; i <= smaller(T.nNodes, MxNode); ++i) {
    char ChName[kNameLen];
    copy_name(T.ChNodeName, i, ChName);
    REQUIRE(trimmed_length(ChName, kNameLen) == name_length(T.ChNodeName, i));
    if (trimmed_length(ChName, kNameLen) == 0) continue;
    check_label_line(next(), "   NodeLabel", ", NodeID=", T.iNodeExt[i], ChName);
  }
  for (const char* ChFixed : {" EndLabel  ", "", " BeginLabel", " Heading  SESAM Member Names "})
    REQUIRE(next() == ChFixed);
  for (std::int32_t i = 1; i <= smaller(T.nElems, MxElem); ++i) {
    const std::int32_t iMemb = T.iElemMemb[i];
    REQUIRE(iMemb >= 0 && iMemb <= T.MaxMembRef);
    if (iMemb == 0) continue;
    char ChName[kNameLen];
    copy_name(T.ChMembName, iMemb, ChName);
    REQUIRE(trimmed_length(ChName, kNameLen) >= 1);
    check_label_line(next(), "   ElementLabel", ", ElemID=", T.iElemExt[i], ChName);
  }
  REQUIRE(next() == " EndLabel  ");
  REQUIRE(k == Lines.size());
}

void check_member_report(const std::string& Label) {
  static const std::string kHead = "*** ERROR IN INP_2102       ***\nLast Input Line: ";
  const std::vector<std::string> Lines = crlf_lines(Label);
  REQUIRE(Lines.size() == 1 || Lines.size() == 6);
  if (Lines.size() == 6) {
    REQUIRE(Lines[0] == " iMemb > MxMemb " || Lines[0] == " nNames> MxMemb ");
    REQUIRE(Lines[1].substr(0, 9) == " iMemb  :" && Lines[1].size() == 15);
    REQUIRE(is_number_field(Lines[1].substr(9)));
    REQUIRE(Lines[2] == " MxMemb :100000");
    REQUIRE(Lines[3].substr(0, 9) == " nNames :" && Lines[3].size() == 15);
    REQUIRE(is_number_field(Lines[3].substr(9)));
    REQUIRE(Lines[4].substr(0, 9) == " ChName :" && Lines[4].size() == 89);
  }
  const std::string& Report = Lines.back();
  // The report is written without trailing blanks: after an all-blank line
  // it ends in "Last Input Line:", the blank gone too.
  REQUIRE(Report.compare(0, kHead.size(), kHead) == 0 ||
          Report == kHead.substr(0, kHead.size() - 1));
  REQUIRE(Report.size() <= 256 && Report.find('\n', kHead.size()) == std::string::npos);
  REQUIRE(Report.size() == kHead.size() || Report.back() != ' ');
}

void check_outcome(const NameTables& T, const Outcome& Out) {
  check_tables(T);
  switch (Out.iEnding) {
    case kComplete: {
      check_complete_label(T, Out.Label);
      // The listing starts with the label file's 16 records and its heading.
      const std::vector<std::string> Label = crlf_lines(Out.Label);
      const std::vector<std::string> Listing = crlf_lines(Out.Listing);
      REQUIRE(Listing.size() >= 17);
      for (std::size_t k = 0; k < 16; ++k)
        REQUIRE(Listing[k] == Label[k]);
      REQUIRE(Listing[16] == " Member no       Label         Element IDs ");
      break;
    }
    case kNodeError:
      REQUIRE(Out.Label == "*** ERROR IN INP_2101       ***\r\n" && Out.Listing.empty());
      break;
    case kMemberError:
      check_member_report(Out.Label);
      REQUIRE(Out.Listing.empty());
      break;
    case kMeshError:
      REQUIRE(Out.Label == "*** ERROR IN INP_2103       ***\r\n" && Out.Listing.empty());
      break;
    case kFatal:
      // A fatal stop comes only while reading: no file may look like a result.
      REQUIRE(Out.Label.empty() && Out.Listing.empty());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nData) {
  static HeaderNote* iIndex = create_header_index();
  static const bool bReady = [] {
    fill_blanks(ChDate, kFieldLen);
    std::memcpy(ChDate, " Date : 2013-04-28 09:05:07", 27);
    answer_field(ChFemName, paths().Fem);
    return true;
  }();
  (void)bReady;
  REQUIRE(iIndex != nullptr);

  close_all_units();
  const int iFd = ::open(paths().Fem.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  REQUIRE(iFd >= 0);
  REQUIRE(::write(iFd, pData, nData) == static_cast<ssize_t>(nData));
  ::close(iFd);

  // Two sets of tables, kept for the whole fuzzing session and set back to
  // their start-up state before every run.
  static NameTables Indexed, Plain;
  static const bool bTables = create_name_tables(Indexed) && create_name_tables(Plain);
  REQUIRE(bTables);
  reset_tables(Indexed);
  reset_tables(Plain);
  const Outcome A = run_once(Indexed, fem_file_on(kUnitFem, iIndex, kHeaderIndexMx));
  check_outcome(Indexed, A);
  const Outcome B = run_once(Plain, fem_file_on(kUnitFem, nullptr, 0));
  REQUIRE(A.iEnding == B.iEnding && A.Label == B.Label && A.Listing == B.Listing);
  REQUIRE(same_tables(Indexed, Plain));
  return 0;
}
