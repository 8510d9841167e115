// Writes the capacity-size FEM file that the speed figures are measured on,
// and the console answers for a run on it with the listing.
//
//   make_capacity_fem <folder>
//
// gives <folder>/capacity.FEM and <folder>/capacity.answers. The file is the
// same byte for byte on every machine: every number comes from the record's
// position or from a fixed-seed generator, never from the clock.
//
// The file fills every table of Lablix to its limit and breaks none of them,
// so a run on it ends with exit status 0: 100000 nodes, each with a GNODE,
// a GCOORD and a named TDNODE; 100000 elements, each with a GELMNT1 (and its
// node line) and a GELREF1; 100000 members, each with a named TDSCONC, a
// SCONCEPT whose mesh reference is the member's own number, and a SCONMESH
// relation that gives that mesh one to three elements. Numbers are written
// as modelling tools write them, exponent reals four to a line
// (1.00000000E+00), so nearly every field goes through the real-number path.
// About 1.5 million lines and 90 MB.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::int32_t nNodes = 100000;
constexpr std::int32_t nElems = 100000;
constexpr std::int32_t nMembs = 100000;

// A fixed-seed linear congruential generator: coordinates and element
// properties vary from record to record, yet every run writes the same file.
std::uint64_t iSeed = 20261208;
std::uint32_t next_random() {
  iSeed = iSeed * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<std::uint32_t>(iSeed >> 33);
}

// Output through one large buffer: the file is written in a fraction of a
// second.
std::FILE* pOut = nullptr;
std::string Buffer;

void flush_out() {
  if (std::fwrite(Buffer.data(), 1, Buffer.size(), pOut) != Buffer.size()) {
    std::perror("make_capacity_fem: write");
    std::exit(1);
  }
  Buffer.clear();
}

void put(const char* Ch) {
  Buffer += Ch;
  if (Buffer.size() > (1u << 22)) flush_out();
}

// One real in the 16-column exponent form: "  1.00000000E+00".
void put_real(double Value) {
  char Ch[40];
  std::snprintf(Ch, sizeof Ch, "%16.8E", Value);
  put(Ch);
}

// A record line: the 8-column record name (or 8 blanks on a data line), then
// up to four reals.
void put_line(const char* ChRecord, const double* Values, int nValues) {
  char Ch[16];
  std::snprintf(Ch, sizeof Ch, "%-8s", ChRecord);
  put(Ch);
  for (int k = 0; k < nValues; ++k)
    put_real(Values[k]);
  put("\n");
}

void put_record(const char* ChRecord, double a, double b, double c, double d) {
  const double Values[] = {a, b, c, d};
  put_line(ChRecord, Values, 4);
}

// A coordinate between -200 and 200 with eight significant digits.
double coordinate() {
  return (static_cast<double>(next_random() % 40000000) - 20000000.0) / 1e5;
}

// Element e of mesh relation m: mesh m holds element m and, for some m, the
// next one or two as well (which then belong to that member, too).
std::int32_t mesh_size(std::int32_t m) {
  return m % 7 == 0 ? 3 : (m % 5 == 0 ? 2 : 1);
}

void write_fem() {
  put_record("IDENT", 1, 1, 3, 0);
  put_record("DATE", 1, 0, 4, 72);
  put("        DATE:     08-Dec-2026           TIME:          12:00:00\n");
  put("        PROGRAM:  lablix capacity generator  VERSION:  1.0\n");
  put("        COMPUTER: bench\n");
  put("        USER:     lablix\n");

  put("$ Nodes: external number, internal number, degrees of freedom, constraint code\n");
  for (std::int32_t i = 1; i <= nNodes; ++i)
    put_record("GNODE", 100000 + i, i, 6, 123456);
  for (std::int32_t i = 1; i <= nNodes; ++i) {
    put_record("GCOORD", i, coordinate(), coordinate(), coordinate());
  }
  put("$ Node names\n");
  for (std::int32_t i = 1; i <= nNodes; ++i) {
    put_record("TDNODE", 4, i, 104, 0);
    char Ch[64];
    // Names of varying length; some with leading blanks, as tools write them.
    if (i % 3 == 0) {
      std::snprintf(Ch, sizeof Ch, "        JOINT_%06d\n", static_cast<int>(i));
    } else {
      std::snprintf(Ch, sizeof Ch, "N%d_LEVEL_%d\n", static_cast<int>(i), static_cast<int>(i % 17));
    }
    put(Ch);
  }

  put("$ Elements: external number, internal number, type, additional type\n");
  for (std::int32_t e = 1; e <= nElems; ++e) {
    put_record("GELMNT1", 500000 + e, e, 15, 0);
    const std::int32_t iNode1 = e;
    const std::int32_t iNode2 = e % nNodes + 1;
    const double Nodes[] = {static_cast<double>(iNode1), static_cast<double>(iNode2)};
    put_line("", Nodes, 2);
  }
  for (std::int32_t e = 1; e <= nElems; ++e) {
    put_record("GELREF1", e, 1 + next_random() % 40, 0, 0);
    put_record("", 0, 0, 0, 0);
    put_record("", 1 + next_random() % 300, 0, -1, 0);
  }

  put("$ Structural concepts: names, definitions and mesh relations\n");
  for (std::int32_t m = 1; m <= nMembs; ++m) {
    put_record("TDSCONC", 4, m, 103, 0);
    char Ch[64];
    if (m % 4 == 0) {
      std::snprintf(Ch, sizeof Ch, "        Brace_%06d\n", static_cast<int>(m));
    } else {
      std::snprintf(Ch, sizeof Ch, "Member_%d_Leg%c\n", static_cast<int>(m), 'A' + m % 4);
    }
    put(Ch);
  }
  for (std::int32_t m = 1; m <= nMembs; ++m) {
    put_record("SCONCEPT", 8, m, 7, 0);
    put_record("", 0, 1, 0, m);  // slot 6: the mesh reference
  }
  for (std::int32_t m = 1; m <= nMembs; ++m) {
    const std::int32_t n = mesh_size(m);
    put_record("SCONMESH", 2 + n, m, 1, 2);
    double Values[4] = {static_cast<double>(n)};
    for (std::int32_t j = 1; j <= n; ++j)
      Values[j] = (m + j - 2) % nElems + 1;
    put_line("", Values, 1 + n);
  }
  put_record("IEND", 0, 0, 0, 0);
}

bool write_file(const std::string& Path, void (*Write)()) {
  pOut = std::fopen(Path.c_str(), "wb");
  if (pOut == nullptr) {
    std::perror(Path.c_str());
    return false;
  }
  Write();
  flush_out();
  if (std::fclose(pOut) != 0) {
    std::perror(Path.c_str());
    return false;
  }
  return true;
}

// The four console answers: FEM file, label file, listing wanted, listing
// file. Names are relative: the run takes place in the folder itself.
void write_answers() {
  put("capacity.FEM\ncapacity.lab\ny\ncapacity.lst\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_capacity_fem <folder>\n");
    return 2;
  }
  const std::string Folder = argv[1];
  // Written under a temporary name first, so an interrupted run never
  // leaves a cut-short file that a later run would take as complete.
  const std::string Fem = Folder + "/capacity.FEM";
  if (!write_file(Fem + ".part", write_fem)) return 1;
  if (!write_file(Folder + "/capacity.answers", write_answers)) return 1;
  if (std::rename((Fem + ".part").c_str(), Fem.c_str()) != 0) {
    std::perror(Fem.c_str());
    return 1;
  }
  return 0;
}
