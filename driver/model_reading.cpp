#include "driver/model_reading.h"

#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/node_reader.h"

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
