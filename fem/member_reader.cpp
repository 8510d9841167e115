#include "fem/member_reader.h"

#include <cstring>

#include "fem/input_errors.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

// static: the work fields of this reader; it is not re-entrant. The split
// of each line read is the scanner's (fem_fields).
char ChName[kNameLen];
char ChMessage[kMessageLen];

void write_limit_line(std::int32_t iUnit, const char* ChLabel, std::int32_t iValue) {
  char ChLine[16];
  std::memcpy(ChLine, ChLabel, 9);
  put_integer(ChLine + 9, 6, iValue);
  write_line(iUnit, ChLine, 15);
}

void write_limit_report(std::int32_t iUnit, const char* ChTitle, std::int32_t iMemb,
                        std::int32_t MxMembTable, std::int32_t nNames) {
  write_line(iUnit, ChTitle, 16);
  write_limit_line(iUnit, " iMemb  :", iMemb);
  write_limit_line(iUnit, " MxMemb :", MxMembTable);
  write_limit_line(iUnit, " nNames :", nNames);
  char ChLine[9 + kNameLen];
  std::memcpy(ChLine, " ChName :", 9);
  std::memcpy(ChLine + 9, ChName, kNameLen);
  write_line(iUnit, ChLine, sizeof ChLine);
}

void raise_inp2102(FemFile& Fem, InputLimit iLimit, std::int32_t iUnit, std::int32_t& iStatus) {
  iStatus = -1;
  Fem.iLimitBroken = iLimit;
  compose_inp2102(ChMessage, Fem.pLine, Fem.nLine);
  write_message_line(iUnit, ChMessage, kMessageLen);
}

}  // namespace

void read_member_names(std::int32_t& nElems, std::int32_t* iElemExt, std::int32_t MxMembTable,
                       NameColumn& ChMembName, std::int32_t& nNames, std::int32_t& MaxMembRef,
                       MembDefColumn* iMembDef, std::int32_t MxDefSlot, FemFile& Fem,
                       std::int32_t iUnitLabel, std::int32_t& iStatus) {
  const LineFields& Fields = fem_fields(Fem);
  clear_table(iElemExt, MxMembTable + 1);
  clear_table(&iMembDef[0][0], static_cast<std::int64_t>(MxMembTable + 1) * (MxDefSlot + 1));
  clear_names(ChMembName);
  MaxMembRef = 0;
  // Line 5 of a limit report shows the name read last, blank until then.
  fill_blanks(ChName, kNameLen);

  begin_pass(Fem, kRecordGelmnt1);
  nElems = 0;
  while (next_header(Fem)) {
    const std::int32_t iExt = integer_value(Fields.values[2], 2);
    const std::int32_t iElem = integer_value(Fields.values[3], 3);
    ++nElems;
    if (iElem > MxMembTable) return raise_inp2102(Fem, kLimitElementNumber, iUnitLabel, iStatus);
    if (iElem >= 1) iElemExt[iElem] = iExt;
  }

  begin_pass(Fem, kRecordTdsconc);
  nNames = 0;
  while (next_header(Fem)) {
    const std::int32_t iMemb = integer_value(Fields.values[3], 3);
    ++nNames;
    if (!read_raw_name(Fem, ChName)) break;
    if (iMemb > MxMembTable) {
      write_limit_report(iUnitLabel, " iMemb > MxMemb ", iMemb, MxMembTable, nNames);
      return raise_inp2102(Fem, kLimitMemberNumber, iUnitLabel, iStatus);
    }
    if (iMemb >= 1) store_name(ChMembName, iMemb, ChName);
    if (nNames > MxMembTable) {
      write_limit_report(iUnitLabel, " nNames> MxMemb ", iMemb, MxMembTable, nNames);
      return raise_inp2102(Fem, kLimitMemberNames, iUnitLabel, iStatus);
    }
    if (iMemb > MaxMembRef) MaxMembRef = iMemb;
  }

  begin_pass(Fem, kRecordSconcept);
  while (next_header(Fem)) {
    std::int32_t iSlot[kMeshRefSlot + 1];
    const std::int32_t iMemb = integer_value(Fields.values[3], 3);
    iSlot[1] = integer_value(Fields.values[4], 4);
    iSlot[2] = integer_value(Fields.values[5], 5);
    if (!read_raw_line(Fem)) return;
    for (std::int32_t k = 1; k <= 4; ++k)
      iSlot[k + 2] = integer_value(Fields.values[k], k);
    if (iMemb > MxMembTable) {
      write_limit_report(iUnitLabel, " iMemb > MxMemb ", iMemb, MxMembTable, nNames);
      return raise_inp2102(Fem, kLimitConceptMember, iUnitLabel, iStatus);
    }
    if (iMemb >= 1) {
      for (std::int32_t k = 1; k <= kMeshRefSlot; ++k)
        iMembDef[k][iMemb] = iSlot[k];
    }
  }
}
