#include "fem/mesh_reader.h"

#include "fem/input_errors.h"

namespace {

// static: the work fields of this reader; it is not re-entrant. The split
// of each line read is the scanner's (fem_fields).
char ChMessage[kMessageLen];
std::int32_t iList[MxMeshLen + 1];  // positions 1 to 99 used

void raise_inp2103(FemFile& Fem, InputLimit iLimit, std::int32_t iUnit, std::int32_t& iStatus) {
  iStatus = -1;
  Fem.iLimitBroken = iLimit;
  compose_inp2103(ChMessage);
  write_message_line(iUnit, ChMessage, kMessageLen);
}

}  // namespace

void read_mesh_relations(std::int32_t& nMesh, std::int32_t MxMeshTable, std::int32_t MxRowLen,
                         MeshColumn* iMeshList, std::int32_t& MaxMeshRef, FemFile& Fem,
                         std::int32_t iUnitLabel, std::int32_t& iStatus) {
  const LineFields& Fields = fem_fields(Fem);
  MaxMeshRef = 0;
  begin_pass(Fem, kRecordSconmesh);
  nMesh = 0;
  // The row holds one count and MxRowLen - 1 elements, and never more than
  // the list buffer does.
  const std::int32_t MxListLen = (MxRowLen < MxMeshLen ? MxRowLen : MxMeshLen) - 1;
  while (next_header(Fem)) {
    const std::int32_t iField2 = integer_value(Fields.values[2], 2);
    const std::int32_t iRef = integer_value(Fields.values[3], 3);
    const std::int32_t iField4 = integer_value(Fields.values[4], 4);
    const std::int32_t iField5 = integer_value(Fields.values[5], 5);
    if (!is_read_relation(iField4, iField5)) continue;
    ++nMesh;
    if (iRef > MxMeshTable) return raise_inp2103(Fem, kLimitMeshNumber, iUnitLabel, iStatus);
    if (iField2 > MxRowLen - 2) {
      return raise_inp2103(Fem, kLimitMeshRecordLength, iUnitLabel, iStatus);
    }
    if (nMesh > MxMeshTable) return raise_inp2103(Fem, kLimitMeshCount, iUnitLabel, iStatus);
    if (iRef > MaxMeshRef) MaxMeshRef = iRef;

    if (!read_raw_line(Fem)) return;
    const std::int32_t n = integer_value(Fields.values[1], 1);
    for (std::int32_t k = 1; k <= 3; ++k)
      iList[k] = integer_value(Fields.values[k + 1], k + 1);
    if (n > MxListLen) return raise_inp2103(Fem, kLimitMeshElements, iUnitLabel, iStatus);
    std::int32_t nFilled = 3;
    const std::int32_t nMore = relation_lines_after_first(n);
    for (std::int32_t iRepeat = 1; iRepeat <= nMore; ++iRepeat) {
      if (!read_raw_line(Fem)) return;
      for (std::int32_t k = 1; k <= 4; ++k)
        iList[++nFilled] = integer_value(Fields.values[k], k);
    }
    if (iRef < 1) continue;
    iMeshList[1][iRef] = n;
    for (std::int32_t j = 1; j <= n; ++j)
      iMeshList[j + 1][iRef] = iList[j];
  }
}
