#include "driver/model_reading.h"

#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/node_reader.h"

// The member reader bounds element numbers by its one limit, MxMemb, and
// writes iElemExt (MxElem + 1 entries) up to it; the rows of iMembDef are
// MxMemb + 1 integers by their type, and the reader's slots run to
// MxMembDef, the last it fills being kMeshRefSlot. A limit lowered alone
// must not compile into writing past a table.
static_assert(MxMemb == MxElem, "the member reader's one limit is the element table's too");
static_assert(kMeshRefSlot <= MxMembDef, "iMembDef has the slots the member reader fills");
static_assert(MxMeshLen >= 2, "a mesh row holds its count and an element");

FailedReader read_model(NameTables& Tables, FemFile& Fem, std::int32_t iReportUnit) {
  std::int32_t iStatus = 0;
  read_node_names(Tables.nNodes, Tables.iNodeExt, MxNode, Tables.ChNodeName, Tables.nNodeNames, Fem,
                  iReportUnit, iStatus);
  if (iStatus != 0) return kNodeReaderFailed;
  read_member_names(Tables.nElems, Tables.iElemExt, MxMemb, Tables.ChMembName, Tables.nNames,
                    Tables.MaxMembRef, Tables.iMembDef, MxMembDef, Fem, iReportUnit, iStatus);
  if (iStatus != 0) return kMemberReaderFailed;
  read_mesh_relations(Tables.nMesh, MxMesh, MxMeshLen, Tables.iMeshList, Tables.MaxMeshRef, Fem,
                      iReportUnit, iStatus);
  return iStatus == 0 ? kNoneFailed : kMeshReaderFailed;
}
