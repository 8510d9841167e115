#include "fem/node_reader.h"

#include "fem/input_errors.h"

void read_node_names(std::int32_t& nNodes, std::int32_t* iNodeExt, std::int32_t MxNodeTable,
                     NameColumn& ChNodeName, std::int32_t& nNodeNames, FemFile& Fem,
                     std::int32_t iUnitLabel, std::int32_t& iStatus) {
  // static: the work fields of this reader; it is not re-entrant. The
  // split of each line read is the scanner's.
  static char ChName[kNameLen];
  static char ChMessage[kMessageLen];
  const LineFields& Fields = fem_fields(Fem);

  clear_names(ChNodeName);

  begin_pass(Fem, kRecordGnode);
  nNodes = 0;
  while (next_header(Fem)) {
    const std::int32_t iExt = integer_value(Fields.values[2], 2);
    const std::int32_t iNode = integer_value(Fields.values[3], 3);
    ++nNodes;
    if (iNode > MxNodeTable) {
      iStatus = -1;
      Fem.iLimitBroken = kLimitNodeNumber;
      compose_inp2101(ChMessage);
      write_message_line(iUnitLabel, ChMessage, kMessageLen);
      return;
    }
    if (iNode >= 1) iNodeExt[iNode] = iExt;
  }

  begin_pass(Fem, kRecordTdnode);
  nNodeNames = 0;
  while (next_header(Fem)) {
    const std::int32_t iNode = integer_value(Fields.values[3], 3);
    ++nNodeNames;
    if (!read_raw_name(Fem, ChName)) return;
    if (iNode >= 1 && iNode <= MxNodeTable) store_name(ChNodeName, iNode, ChName);
  }
}
