// Fuzz target: the input bytes are the FEM file. They run through the
// conversion (driver/conversion.h), the readers and, when those succeed,
// the label file and the member listing, exactly as in a run of the program
// with a listing named; only its words on standard error are left out. A
// fatal stop unwinds back here.
// After each run the target checks what must hold whatever the input:
//   - counters within the tables' bounds, every mesh row count at most 99,
//     the unused slots untouched;
//   - a label file that is either complete and well-formed (frame, summary
//     equal to the counters, every label line in its shape with 8-column
//     numbers, CR LF ends), or exactly the failing reader's report, or empty
//     after a fatal stop;
//   - the same tables, counters and label file bytes when the FEM file is
//     read again (without a listing, which is written from the tables)
//     without the header index, and again with an index of only
//     MxSmallIndex headers per kind, which a few headers of a kind
//     overflow as a large model overflows the program's: the index only
//     saves time.
// Any breach aborts, which libFuzzer reports as a finding.
//
// Speed: a run of a small input writes a few pages of the tables' 90
// million bytes, so the target hands the tables' pages back to the system
// before each run (clear_table) and its checks read only the pages a run
// touched, as the system reports them (read_touched_pages): a page it did
// not touch reads as 0. The third reading is made only when it differs from
// the first, and .ci/fuzz.sh puts the scratch files (in TMPDIR) on a tmpfs.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/conversion.h"
#include "driver/run_units.h"
#include "fem/fem_scan.h"
#include "fem/name_tables.h"
#include "fem/scan/fem_scan_internal.h"
#include "files/file_open.h"
#include "files/file_units.h"
#include "support/fatal_stop.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kFieldLen = 256;
// The small index's room per kind: as in the suite's small-index tests, so
// that a kind of four headers or more is read line by line while the
// others are read from the index.
constexpr std::int32_t MxSmallIndex = 3;

[[noreturn]] void fail(const char* ChWhat) {
  std::fprintf(stderr, "broken: %s\n", ChWhat);
  std::abort();
}
#define REQUIRE(c) \
  if (!(c)) fail(#c)

struct Paths {
  std::string Dir, Fem, Label, Listing;
  int iDir;  // the folder, for the target's own steps on its files
};

// The outputs' names in the folder.
constexpr const char* kLabelPart = "out.lab";
constexpr const char* kListingPart = "out.lst";

const Paths& paths() {
  static const Paths P = [] {
    // libFuzzer may end the process without running atexit handlers, so
    // .ci/fuzz.sh points TMPDIR at a folder of its own and clears it. It
    // takes one on /dev/shm, a tmpfs: on a disk, writing, cutting and
    // reading back the files of every run costs more.
    const char* ChBase = std::getenv("TMPDIR");
    std::string Dir =
        std::string(ChBase != nullptr && *ChBase ? ChBase : "/tmp") + "/lablix-fuzz-XXXXXX";
    if (::mkdtemp(Dir.data()) == nullptr) fail("mkdtemp");
    std::atexit([] {
      for (const std::string* p : {&paths().Fem, &paths().Label, &paths().Listing})
        ::unlink(p->c_str());
      ::rmdir(paths().Dir.c_str());
    });
    const int iDir = ::open(Dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (iDir < 0) fail("open of the scratch folder");
    return Paths{Dir, Dir + "/in.FEM", Dir + "/" + kLabelPart, Dir + "/" + kListingPart, iDir};
  }();
  return P;
}

// The whole of the file ChPart in the scratch folder; empty when there is none.
std::string read_all(const char* ChPart) {
  std::string Bytes;
  const int iFd = ::openat(paths().iDir, ChPart, O_RDONLY | O_CLOEXEC);
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
char ChLabelName[kFieldLen];

// The listing of every run, as one named on the command line.
ListingOutcome open_listing() {
  char ChName[kFieldLen];
  std::int32_t iStatus = 0;
  answer_field(ChName, paths().Listing);
  open_named_file(ChName, kFieldLen, kUnitListing, 0, iStatus);
  REQUIRE(iStatus == 0);
  return kListingOpen;
}

ListingOutcome no_listing() {
  return kListingNotAsked;
}

// One run of the program's reading and writing on the FEM file in place,
// with the listing or without it (bListing).
Outcome run_once(NameTables& T, FemFile& Fem, bool bListing) {
  close_all_units();
  // No output of an earlier run is left to be taken for this run's: the
  // files are removed. An output over an older file is a transaction that
  // carries the older file's owner, mode and attributes over and exchanges
  // names; over no file it is one new file linked in. Emptied instead, the
  // outputs cost half the target's rate.
  for (const char* ChPart : {kLabelPart, kListingPart})
    REQUIRE(::unlinkat(paths().iDir, ChPart, 0) == 0 || errno == ENOENT);
  std::int32_t iStatus = 0;
  open_named_file(ChFemName, kFieldLen, kUnitFem, 1, iStatus);
  answer_field(ChLabelName, paths().Label);
  open_named_file(ChLabelName, kFieldLen, kUnitLabel, 0, iStatus);
  REQUIRE(iStatus == 0);

  Outcome Out{kComplete, {}, {}};
  try {
    const Conversion Run{ChFemName, ChLabelName, ChDate, bListing ? open_listing : no_listing,
                         false};
    const FailedReader iFailed = convert_model(T, Fem, Run).iFailedReader;
    if (iFailed == kNodeReaderFailed) Out.iEnding = kNodeError;
    if (iFailed == kMemberReaderFailed) Out.iEnding = kMemberError;
    if (iFailed == kMeshReaderFailed) Out.iEnding = kMeshError;
  } catch (const FatalStopUnwind&) {
    Out.iEnding = kFatal;
  }
  close_unit(kUnitListing);
  close_unit(kUnitLabel);
  close_unit(kUnitFem);
  Out.Label = read_all(kLabelPart);
  if (bListing) Out.Listing = read_all(kListingPart);
  return Out;
}

std::int32_t smaller(std::int32_t a, std::int32_t b) {
  return a < b ? a : b;
}

// Which pages of a table a run touched (wrote or read). The tables are
// private anonymous memory: once its pages are handed back (clear_table)
// a table reads as 0 until they are touched again, and the system says
// which pages are in memory, that is, touched. A check reads only those;
// a page left out holds only zeros. mincore says it in a byte a page, but
// counts a page swapped out as not in memory, so with swap on the page map
// of /proc/self/pagemap is read instead (8 bytes a page, which tell swapped
// out pages too). Where neither answers, every page counts as touched:
// slow, but the same checks.
const auto nPageBytes = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));

struct TouchedPages {
  std::uintptr_t uFirst;              // the table's first page (its address / nPageBytes)
  std::vector<unsigned char> bPage;   // bit 0 set: page uFirst + k touched
  std::vector<std::size_t> kTouched;  // the k of bPage's touched pages, rising
};

bool is_swap_on() {
  char Ch[256];
  const int iFd = ::open("/proc/swaps", O_RDONLY);
  if (iFd < 0) return true;  // unknown: take the exact way
  std::int32_t nLines = 0;
  ssize_t n;
  while ((n = ::read(iFd, Ch, sizeof Ch)) > 0)
    nLines += static_cast<std::int32_t>(std::count(Ch, Ch + n, '\n'));
  ::close(iFd);
  return nLines > 1;  // a heading, then one line per swap area
}

bool read_page_map(std::uintptr_t uFirst, std::size_t nPages, unsigned char* bPage) {
  static const int iPagemap = ::open("/proc/self/pagemap", O_RDONLY);
  static std::vector<std::uint64_t> uEntry;
  uEntry.resize(nPages);
  const std::size_t nWant = sizeof(std::uint64_t) * nPages;
  const auto iAt = static_cast<off_t>(sizeof(std::uint64_t) * uFirst);
  if (iPagemap < 0 || ::pread(iPagemap, uEntry.data(), nWant, iAt) != static_cast<ssize_t>(nWant))
    return false;
  // Bit 63: present in memory; bit 62: swapped out.
  for (std::size_t k = 0; k < nPages; ++k)
    bPage[k] = (uEntry[k] >> 62) != 0;
  return true;
}

void read_touched_pages(const void* pTable, std::size_t nBytes, TouchedPages& Touched) {
  static const bool bSwapOn = is_swap_on();
  const auto uStart = reinterpret_cast<std::uintptr_t>(pTable);
  Touched.uFirst = uStart / nPageBytes;
  const std::size_t nPages = (uStart + nBytes - 1) / nPageBytes - Touched.uFirst + 1;
  Touched.bPage.resize(nPages);
  unsigned char* bPage = Touched.bPage.data();
  void* pFirst = reinterpret_cast<void*>(Touched.uFirst * nPageBytes);
  const bool bKnown = bSwapOn ? read_page_map(Touched.uFirst, nPages, bPage)
                              : ::mincore(pFirst, nPages * nPageBytes, bPage) == 0;
  if (!bKnown) std::memset(bPage, 1, nPages);
  // Eight pages' bytes at a time: a run touches a few pages of thousands.
  Touched.kTouched.clear();
  for (std::size_t k = 0; k < nPages;) {
    std::uint64_t uEight = 0;
    if (k + 8 <= nPages) std::memcpy(&uEight, bPage + k, 8);
    if (k + 8 <= nPages && (uEight & 0x0101010101010101u) == 0) {
      k += 8;
      continue;
    }
    if ((bPage[k] & 1) != 0) Touched.kTouched.push_back(k);
    ++k;
  }
}

// How many bytes from p on, at most nLeft, lie before the first page at or
// after p's own that the run touched: bytes that read as 0 unread.
std::size_t untouched_run(const TouchedPages& Touched, const char* p, std::size_t nLeft) {
  const std::size_t kPage = reinterpret_cast<std::uintptr_t>(p) / nPageBytes - Touched.uFirst;
  const auto it = std::lower_bound(Touched.kTouched.begin(), Touched.kTouched.end(), kPage);
  if (it == Touched.kTouched.end()) return nLeft;
  if (*it == kPage) return 0;
  const std::uintptr_t uNext = (Touched.uFirst + *it) * nPageBytes;
  const std::size_t nRun = uNext - reinterpret_cast<std::uintptr_t>(p);
  return nRun < nLeft ? nRun : nLeft;
}

bool is_touched(const TouchedPages& Touched, const void* p) {
  return (Touched.bPage[reinterpret_cast<std::uintptr_t>(p) / nPageBytes - Touched.uFirst] & 1) !=
         0;
}

// The bytes from p to the end of its page, at most nLeft.
std::size_t rest_of_page(const void* p, std::size_t nLeft) {
  const std::size_t nRest = nPageBytes - reinterpret_cast<std::uintptr_t>(p) % nPageBytes;
  return nRest < nLeft ? nRest : nLeft;
}

bool is_zero(const void* p, std::size_t nBytes) {
  static const std::vector<char> ChZero(nPageBytes);
  return std::memcmp(p, ChZero.data(), nBytes) == 0;
}

// True when every one of the nBytes at p is 0, read where touched.
bool all_zero(const TouchedPages& Touched, const void* p, std::size_t nBytes) {
  const char* pAt = static_cast<const char*>(p);
  for (std::size_t nLeft = nBytes; nLeft > 0;) {
    const std::size_t nSkip = untouched_run(Touched, pAt, nLeft);
    pAt += nSkip;
    nLeft -= nSkip;
    if (nLeft == 0) break;
    const std::size_t n = rest_of_page(pAt, nLeft);
    if (is_touched(Touched, pAt) && !is_zero(pAt, n)) return false;
    pAt += n;
    nLeft -= n;
  }
  return true;
}

// True when the nBytes at pA and pB are equal, each read where touched.
bool same_bytes(const TouchedPages& TouchedA, const void* pA, const TouchedPages& TouchedB,
                const void* pB, std::size_t nBytes) {
  const char* pAtA = static_cast<const char*>(pA);
  const char* pAtB = static_cast<const char*>(pB);
  for (std::size_t nLeft = nBytes; nLeft > 0;) {
    // Past what neither run touched: zeros on both sides.
    const std::size_t nSkipA = untouched_run(TouchedA, pAtA, nLeft);
    const std::size_t nSkip = untouched_run(TouchedB, pAtB, nSkipA);
    pAtA += nSkip;
    pAtB += nSkip;
    nLeft -= nSkip;
    if (nLeft == 0) break;
    const std::size_t n = rest_of_page(pAtB, rest_of_page(pAtA, nLeft));
    const bool bA = is_touched(TouchedA, pAtA), bB = is_touched(TouchedB, pAtB);
    if (bA && bB ? std::memcmp(pAtA, pAtB, n) != 0
                 : (bA && !is_zero(pAtA, n)) || (bB && !is_zero(pAtB, n))) {
      return false;
    }
    pAtA += n;
    pAtB += n;
    nLeft -= n;
  }
  return true;
}

// The integer tables of one set, and which of their pages a run touched.
struct TableSpan {
  const void* p;
  std::size_t nBytes;
};
enum TableId { kNodeExt, kElemExt, kElemMemb, kMembDef, kMeshList, kTableIds };

TableSpan table_span(const NameTables& T, TableId iTable) {
  switch (iTable) {
    case kNodeExt:
      return {T.iNodeExt, sizeof(std::int32_t) * (MxNode + 1)};
    case kElemExt:
      return {T.iElemExt, sizeof(std::int32_t) * (MxElem + 1)};
    case kElemMemb:
      return {T.iElemMemb, sizeof(std::int32_t) * (MxElem + 1)};
    case kMembDef:
      return {T.iMembDef, sizeof(MembDefColumn) * (MxMembDef + 1)};
    case kMeshList:
    case kTableIds:
      break;
  }
  return {T.iMeshList, sizeof(MeshColumn) * (MxMeshLen + 1)};
}

struct Touched {
  TouchedPages Table[kTableIds];
};

void read_touched(const NameTables& T, Touched& Pages) {
  for (int k = 0; k < kTableIds; ++k) {
    const TableSpan Span = table_span(T, static_cast<TableId>(k));
    read_touched_pages(Span.p, Span.nBytes, Pages.Table[k]);
  }
}

// The tables as a fresh run finds them: all zero, all names blank. Every
// whole page of the integer tables is handed back to the system, which
// costs only for the pages the last run touched.
void reset_tables(NameTables& T) {
  for (int k = 0; k < kTableIds; ++k) {
    const TableSpan Span = table_span(T, static_cast<TableId>(k));
    clear_table(static_cast<std::int32_t*>(const_cast<void*>(Span.p)),
                static_cast<std::int64_t>(Span.nBytes / sizeof(std::int32_t)));
  }
  clear_names(T.ChNodeName);
  clear_names(T.ChMembName);
  T.nNodes = T.nNodeNames = T.nElems = T.nNames = T.nMesh = T.MaxMembRef = T.MaxMeshRef = 0;
}

// The value at p, read only when its page was touched (0 otherwise).
std::int32_t value_at(const TouchedPages& Touched, const std::int32_t* p) {
  return is_touched(Touched, p) ? *p : 0;
}

void check_tables(const NameTables& T, const Touched& Pages) {
  REQUIRE(T.nNodes >= 0 && T.nNodeNames >= 0 && T.nElems >= 0 && T.nNames >= 0 && T.nMesh >= 0);
  REQUIRE(T.MaxMembRef >= 0 && T.MaxMembRef <= MxMemb);
  REQUIRE(T.MaxMeshRef >= 0 && T.MaxMeshRef <= MxMesh);
  REQUIRE(T.nMesh <= MxMesh + 1 && T.nNames <= MxMemb + 1);
  REQUIRE(T.ChNodeName.nHeld <= MxNode && T.ChMembName.nHeld <= MxMemb);
  REQUIRE(T.iNodeExt[0] == 0 && T.iElemExt[0] == 0 && T.iElemMemb[0] == 0);
  // Slot 0 and row 0 are never written.
  const TouchedPages& MembDef = Pages.Table[kMembDef];
  const TouchedPages& MeshList = Pages.Table[kMeshList];
  for (std::int32_t k = 0; k <= MxMembDef; ++k)
    REQUIRE(value_at(MembDef, &T.iMembDef[k][0]) == 0);
  REQUIRE(all_zero(MembDef, T.iMembDef[0], sizeof(MembDefColumn)));
  for (std::int32_t k = 0; k <= MxMeshLen; ++k)
    REQUIRE(value_at(MeshList, &T.iMeshList[k][0]) == 0);
  // Only accepted relations are stored, and each raised MaxMeshRef first.
  REQUIRE(all_zero(MeshList, &T.iMeshList[0][1], sizeof(std::int32_t) * T.MaxMeshRef));
  for (std::int32_t m = 1; m <= T.MaxMeshRef; ++m) {
    REQUIRE(value_at(MeshList, &T.iMeshList[1][m]) <= MxMeshLen - 1);
  }
}

bool same_tables(const NameTables& A, const Touched& PagesA, const NameTables& B,
                 const Touched& PagesB) {
  if (A.nNodes != B.nNodes || A.nNodeNames != B.nNodeNames || A.nElems != B.nElems ||
      A.nNames != B.nNames || A.nMesh != B.nMesh || A.MaxMembRef != B.MaxMembRef ||
      A.MaxMeshRef != B.MaxMeshRef) {
    return false;
  }
  for (TableId iTable : {kNodeExt, kElemExt, kElemMemb, kMembDef}) {
    const TableSpan SpanA = table_span(A, iTable), SpanB = table_span(B, iTable);
    if (!same_bytes(PagesA.Table[iTable], SpanA.p, PagesB.Table[iTable], SpanB.p, SpanA.nBytes))
      return false;
  }
  // The mesh rows up to the highest reference, in every slot.
  for (std::int32_t s = 0; s <= MxMeshLen; ++s) {
    if (!same_bytes(PagesA.Table[kMeshList], A.iMeshList[s], PagesB.Table[kMeshList],
                    B.iMeshList[s], sizeof(std::int32_t) * (A.MaxMeshRef + 1))) {
      return false;
    }
  }
  for (const auto& [C, D] :
       {std::pair{&A.ChNodeName, &B.ChNodeName}, std::pair{&A.ChMembName, &B.ChMembName}}) {
    const std::int32_t n = C->nHeld > D->nHeld ? C->nHeld : D->nHeld;
    // Equal as 80-character fields: the same length without the trailing
    // blanks, and the same characters up to it.
    for (std::int32_t i = 1; i <= n; ++i) {
      // Blank on both sides (most of a sparse column): equal, unread.
      const std::int32_t nLen = name_length(*C, i);
      if (nLen == 0 && name_length(*D, i) == 0) continue;
      if (nLen != name_length(*D, i) ||
          std::memcmp(name_text(*C, i), name_text(*D, i), static_cast<std::size_t>(nLen)) != 0) {
        return false;
      }
    }
  }
  return true;
}

// The lines of Text, each seen where it stands (no copies: a label file
// has a line per name, and the checks run on every input).
std::vector<std::string_view> crlf_lines(std::string_view Text) {
  std::vector<std::string_view> Lines;
  std::size_t iStart = 0;
  while (iStart < Text.size()) {
    const std::size_t iEnd = Text.find("\r\n", iStart);
    REQUIRE(iEnd != std::string_view::npos);  // every line ends in CR LF
    Lines.push_back(Text.substr(iStart, iEnd - iStart));
    iStart = iEnd + 2;
  }
  return Lines;
}

// The 8-column field of iValue, in a buffer of the caller's.
std::string_view number8(std::int64_t iValue, char (&Ch)[8]) {
  put_integer(Ch, 8, iValue);
  return {Ch, 8};
}

// True when Rest starts with Part, which is then taken off it.
bool take_part(std::string_view& Rest, std::string_view Part) {
  if (Rest.substr(0, Part.size()) != Part) return false;
  Rest.remove_prefix(Part.size());
  return true;
}

// True when Line is Head followed by the 8-column field of iValue.
bool is_line_with_number(std::string_view Line, std::string_view Head, std::int64_t iValue) {
  char Ch[8];
  return take_part(Line, Head) && Line == number8(iValue, Ch);
}

// True when Line is Head followed by Text.
bool is_line_with_text(std::string_view Line, std::string_view Head, std::string_view Text) {
  return take_part(Line, Head) && Line == Text;
}

bool is_number_field(std::string_view Field) {
  if (Field.find_first_not_of('*') == std::string_view::npos) return true;
  std::size_t i = Field.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  if (Field[i] == '-') ++i;
  if (i == Field.size()) return false;
  for (; i < Field.size(); ++i)
    if (Field[i] < '0' || Field[i] > '9') return false;
  return true;
}

// A label line: ChKind, an 8-column number, five blanks, the name (1 to 80
// characters, no trailing blank), ChId and the same number again.
void check_label_line(std::string_view Line, std::string_view ChKind, std::string_view ChId,
                      std::int32_t iExternal, const char* ChName) {
  const auto L = trimmed_length(ChName, kNameLen);
  char Ch[8];
  const std::string_view Number = number8(iExternal, Ch);
  std::string_view Rest = Line;
  REQUIRE(take_part(Rest, ChKind) && take_part(Rest, Number) && take_part(Rest, "     ") &&
          take_part(Rest, std::string_view(ChName, static_cast<std::size_t>(L))) &&
          take_part(Rest, ChId) && Rest == Number);
  REQUIRE(L >= 1 && is_number_field(Line.substr(ChKind.size(), 8)));
}

void check_complete_label(const NameTables& T, const std::string& Label) {
  const std::vector<std::string_view> Lines = crlf_lines(Label);
  std::size_t k = 0;
  auto next = [&]() -> std::string_view {
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
  REQUIRE(is_line_with_text(next(), "# SESAM File    : ", paths().Fem));
  REQUIRE(next() == "#");
  const std::pair<const char*, std::int32_t> Summary[] = {
      {"# Number of Names Node  : ", T.nNodeNames}, {"# Number of Nodes       : ", T.nNodes},
      {"# Number of Names Memb  : ", T.nNames},     {"# Number of Elements    : ", T.nElems},
      {"# Number of Mesh        : ", T.nMesh},      {"# Highest Mesh Ref No   : ", T.MaxMeshRef},
      {"# Highest Memb Ref No   : ", T.MaxMembRef}};
  for (const auto& [ChLabel, iValue] : Summary)
    REQUIRE(is_line_with_number(next(), ChLabel, iValue));
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
  static const std::string_view kHead = "*** ERROR IN INP_2102       ***\nLast Input Line: ";
  const std::vector<std::string_view> Lines = crlf_lines(Label);
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
  const std::string_view Report = Lines.back();
  // The report is written without trailing blanks: after an all-blank line
  // it ends in "Last Input Line:", the blank gone too.
  REQUIRE(Report.compare(0, kHead.size(), kHead) == 0 ||
          Report == kHead.substr(0, kHead.size() - 1));
  REQUIRE(Report.size() <= 256 && Report.find('\n', kHead.size()) == std::string_view::npos);
  REQUIRE(Report.size() == kHead.size() || Report.back() != ' ');
}

void check_outcome(const NameTables& T, const Touched& Pages, const Outcome& Out) {
  check_tables(T, Pages);
  switch (Out.iEnding) {
    case kComplete: {
      check_complete_label(T, Out.Label);
      // The listing starts with the label file's 16 records and its heading.
      const std::vector<std::string_view> Label = crlf_lines(Out.Label);
      const std::vector<std::string_view> Listing = crlf_lines(Out.Listing);
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
  // The FEM file stays open for the target's writes: each input is written
  // over the one before and the file cut to its length.
  static const int iFemFd = ::open(paths().Fem.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  REQUIRE(iFemFd >= 0);
  REQUIRE(::pwrite(iFemFd, pData, nData, 0) == static_cast<ssize_t>(nData));
  REQUIRE(::ftruncate(iFemFd, static_cast<off_t>(nData)) == 0);

  // Three sets of tables, kept for the whole fuzzing session and set back to
  // their start-up state before every run; the small index is a table of
  // its own, so that the sanitizer sees a write past its end.
  static NameTables Indexed, Plain, SmallIndexed;
  static const bool bTables =
      create_name_tables(Indexed) && create_name_tables(Plain) && create_name_tables(SmallIndexed);
  REQUIRE(bTables);
  static HeaderNote iSmallIndex[kRecordKinds * MxSmallIndex];
  static Touched PagesA, PagesB, PagesC;
  reset_tables(Indexed);
  reset_tables(Plain);

  FemScan FemA = fem_scan_on(kUnitFem, iIndex, MxHeaderNotes);
  const Outcome A = run_once(Indexed, FemA, true);
  read_touched(Indexed, PagesA);
  check_outcome(Indexed, PagesA, A);
  // The checks read, but wrote no page: PagesA still tells every page the
  // indexed run may have written.
  // The listing is written from the tables and the run's names alone: with
  // the tables found equal it would be the first reading's again, so the
  // other readings write the label file only.
  FemScan FemB = fem_scan_on(kUnitFem, nullptr, 0);
  const Outcome B = run_once(Plain, FemB, false);
  REQUIRE(A.iEnding == B.iEnding && A.Label == B.Label && B.Listing.empty());
  read_touched(Plain, PagesB);
  REQUIRE(same_tables(Indexed, PagesA, Plain, PagesB));
  // The small index holds every header the full one noted unless a kind had
  // more: only then is the third reading not the first one again.
  bool bOverflows = false;
  for (std::int32_t k = 0; k < kRecordKinds; ++k)
    bOverflows = bOverflows || FemA.Index.nAt[k] > MxSmallIndex;
  if (!bOverflows) return 0;
  reset_tables(SmallIndexed);
  FemScan FemC = fem_scan_on(kUnitFem, iSmallIndex, MxSmallIndex);
  const Outcome C = run_once(SmallIndexed, FemC, false);
  REQUIRE(A.iEnding == C.iEnding && A.Label == C.Label && C.Listing.empty());
  read_touched(SmallIndexed, PagesC);
  REQUIRE(same_tables(Indexed, PagesA, SmallIndexed, PagesC));
  return 0;
}
