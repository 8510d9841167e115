// Micro-benchmarks of the hot path of a run: classifying one field,
// splitting and checking typical FEM lines, and the node reader's passes
// over a generated file. Each figure isolates one step, so that a change to
// it can be judged without the noise of a whole run (bench/run.sh measures
// that).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/run_units.h"
#include "fem/fem_scan.h"
#include "fem/field_classifier.h"
#include "fem/field_splitter.h"
#include "fem/name_tables.h"
#include "fem/node_reader.h"
#include "fem/scan/fem_scan_internal.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

// Lines as modelling tools write them: a record name in 8 columns, then
// exponent reals in 16 columns, four to a line.
constexpr const char* kHeaderLine =
    "GNODE     1.00001000E+05  1.00000000E+00  6.00000000E+00  1.23456000E+05";
constexpr const char* kCoordLine =
    "GCOORD    1.70000000E+01 -1.23456789E+01  4.56789012E+01  0.00000000E+00";
constexpr const char* kDataLine = "          1.00000000E+00  5.00000000E+00";
constexpr const char* kNameLine = "        JOINT_000003";
constexpr const char* kTextLine = "        PROGRAM:  lablix capacity generator  VERSION:  1.0";

// The field as split_fields hands it to the classifier: 80 characters,
// blank-padded.
void classify_bench(benchmark::State& State, const char* ChField) {
  char ChText[kFieldTextLen];
  const auto n = static_cast<std::int32_t>(std::strlen(ChField));
  copy_padded(ChText, kFieldTextLen, ChField, n);
  for (auto _ : State) {
    FieldKind iKind;
    double Value;
    benchmark::DoNotOptimize(ChText);
    classify_field(ChText, kFieldTextLen, n, iKind, Value);
    benchmark::DoNotOptimize(iKind);
    benchmark::DoNotOptimize(Value);
  }
}
BENCHMARK_CAPTURE(classify_bench, real, "1.00000000E+00");
BENCHMARK_CAPTURE(classify_bench, negative_real, "-1.23456789E+01");
BENCHMARK_CAPTURE(classify_bench, integer, "100001");
BENCHMARK_CAPTURE(classify_bench, record_name, "GNODE");

// static: a LineFields is 8 kB, too large to want on the stack of every case.
LineFields Fields;

// Runs Work(ChLine, n) on one line for as long as the benchmark asks.
template <typename LineWork>
void line_bench(benchmark::State& State, const char* ChLine, LineWork&& Work) {
  const auto n = static_cast<std::int32_t>(std::strlen(ChLine));
  for (auto _ : State) {
    benchmark::DoNotOptimize(ChLine);
    Work(ChLine, n);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(State.iterations() * n);
}

void split_bench(benchmark::State& State, const char* ChLine) {
  line_bench(State, ChLine, [](const char* Ch, std::int32_t n) {
    split_fields(Ch, n, Fields);
    benchmark::DoNotOptimize(Fields.count);
  });
}
BENCHMARK_CAPTURE(split_bench, header, kHeaderLine);
BENCHMARK_CAPTURE(split_bench, coordinates, kCoordLine);
BENCHMARK_CAPTURE(split_bench, data, kDataLine);
BENCHMARK_CAPTURE(split_bench, name, kNameLine);

void check_bench(benchmark::State& State, const char* ChLine) {
  line_bench(State, ChLine, [](const char* Ch, std::int32_t n) { check_fields(Ch, n); });
}
BENCHMARK_CAPTURE(check_bench, header, kHeaderLine);
BENCHMARK_CAPTURE(check_bench, coordinates, kCoordLine);
BENCHMARK_CAPTURE(check_bench, data, kDataLine);
BENCHMARK_CAPTURE(check_bench, text, kTextLine);

void trimmed_length_bench(benchmark::State& State) {
  char ChName[kNameLen];
  copy_padded(ChName, kNameLen, "        JOINT_000003", 20);
  for (auto _ : State) {
    benchmark::DoNotOptimize(ChName);
    benchmark::DoNotOptimize(trimmed_length(ChName, kNameLen));
  }
}
BENCHMARK(trimmed_length_bench);

// A FEM file of nNodes nodes (GNODE, GCOORD, TDNODE and its name), written
// once into a temporary folder and connected as the FEM unit.
constexpr std::int32_t nBenchNodes = 20000;
std::string ChFolder;
std::int64_t nFileBytes = 0;

void write_node_file() {
  if (!ChFolder.empty()) return;
  char ChTemplate[] = "/tmp/lablix-bench-XXXXXX";
  if (::mkdtemp(ChTemplate) == nullptr) std::abort();
  ChFolder = ChTemplate;
  const std::string Path = ChFolder + "/nodes.FEM";
  std::FILE* p = std::fopen(Path.c_str(), "wb");
  if (p == nullptr) std::abort();
  for (int i = 1; i <= nBenchNodes; ++i) {
    std::fprintf(p, "GNODE   %16.8E%16.8E%16.8E%16.8E\n", 100000.0 + i, 1.0 * i, 6.0, 123456.0);
  }
  for (int i = 1; i <= nBenchNodes; ++i) {
    std::fprintf(p, "GCOORD  %16.8E%16.8E%16.8E%16.8E\n", 1.0 * i, 0.5 * i, -0.25 * i, 1e-3 * i);
  }
  for (int i = 1; i <= nBenchNodes; ++i) {
    std::fprintf(p, "TDNODE  %16.8E%16.8E%16.8E%16.8E\n        JOINT_%06d\n", 4.0, 1.0 * i, 104.0,
                 0.0, i);
  }
  nFileBytes = std::ftell(p);
  std::fclose(p);
  const std::string Label = ChFolder + "/nodes.lab";
  if (connect_unit(kUnitFem, Path.c_str(), static_cast<std::int32_t>(Path.size()), kStatusOld,
                   false) != 0 ||
      connect_unit(kUnitLabel, Label.c_str(), static_cast<std::int32_t>(Label.size()),
                   kStatusUnknown, false) != 0) {
    std::abort();
  }
}

// The node reader's two passes (GNODE, TDNODE). bFirst: a fresh FemFile each
// time, so the GNODE pass is the checking pass that looks at every field of
// every line; otherwise the passes of a second reading, the TDNODE pass
// from noted header to noted header and the GNODE pass line by line (the
// checking pass's own kind is not noted). MxIndexNotes 0: no index, every pass
// reads every line.
void node_reader_bench(benchmark::State& State, bool bFirst, std::int32_t MxIndexNotes) {
  write_node_file();
  static NameTables Tables;
  static HeaderNote* iIndex = create_header_index();
  if (Tables.iNodeExt == nullptr && !create_name_tables(Tables)) std::abort();
  FemScan Fem = fem_scan_on(kUnitFem, MxIndexNotes > 0 ? iIndex : nullptr, MxIndexNotes);
  std::int32_t iStatus = 0;
  if (!bFirst) {
    read_node_names(Tables.nNodes, Tables.iNodeExt, MxNode, Tables.ChNodeName, Tables.nNodeNames,
                    Fem, kUnitLabel, iStatus);
  }
  for (auto _ : State) {
    if (bFirst) Fem = fem_scan_on(kUnitFem, MxIndexNotes > 0 ? iIndex : nullptr, MxIndexNotes);
    read_node_names(Tables.nNodes, Tables.iNodeExt, MxNode, Tables.ChNodeName, Tables.nNodeNames,
                    Fem, kUnitLabel, iStatus);
    benchmark::DoNotOptimize(Tables.nNodes);
  }
  if (iStatus != 0 || Tables.nNodes != nBenchNodes) State.SkipWithError("the reader failed");
  State.SetBytesProcessed(State.iterations() * nFileBytes);
}
BENCHMARK_CAPTURE(node_reader_bench, checking_then_indexed, true, MxHeaderNotes)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(node_reader_bench, read_again, false, MxHeaderNotes)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(node_reader_bench, every_line, false, 0)->Unit(benchmark::kMicrosecond);

// The checking pass alone (the header scan of the first pass, which looks at
// every line) and then each indexed pass, on the capacity file that
// bench/run.sh writes; named by LABLIX_CAPACITY_FEM, skipped without it.
constexpr std::int32_t kUnitCapacity = 22;

bool connect_capacity_file() {
  static const bool bConnected = [] {
    const char* ChPath = std::getenv("LABLIX_CAPACITY_FEM");
    return ChPath != nullptr &&
           connect_unit(kUnitCapacity, ChPath, static_cast<std::int32_t>(std::strlen(ChPath)),
                        kStatusOld, false) == 0;
  }();
  return bConnected;
}

void capacity_pass_bench(benchmark::State& State, RecordKind iKind) {
  if (!connect_capacity_file()) {
    State.SkipWithError("LABLIX_CAPACITY_FEM names no FEM file");
    return;
  }
  static HeaderNote* iIndex = create_header_index();
  FemScan Fem = fem_scan_on(kUnitCapacity, iIndex, MxHeaderNotes);
  if (iKind != kRecordGnode) {  // the checking pass first, so this one is indexed
    begin_pass(Fem, kRecordGnode);
    while (next_header(Fem)) {
    }
  }
  std::int64_t nHeaders = 0;
  for (auto _ : State) {
    if (iKind == kRecordGnode) Fem = fem_scan_on(kUnitCapacity, iIndex, MxHeaderNotes);
    begin_pass(Fem, iKind);
    nHeaders = 0;
    while (next_header(Fem))
      ++nHeaders;
    benchmark::DoNotOptimize(nHeaders);
  }
  State.counters["headers"] = static_cast<double>(nHeaders);
}
BENCHMARK_CAPTURE(capacity_pass_bench, checking, kRecordGnode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(capacity_pass_bench, indexed_tdnode, kRecordTdnode)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(capacity_pass_bench, indexed_sconmesh, kRecordSconmesh)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  close_unit(kUnitFem);
  close_unit(kUnitLabel);
  close_unit(kUnitCapacity);
  if (!ChFolder.empty()) {
    std::remove((ChFolder + "/nodes.FEM").c_str());
    std::remove((ChFolder + "/nodes.lab").c_str());
    ::rmdir(ChFolder.c_str());
  }
  return 0;
}
