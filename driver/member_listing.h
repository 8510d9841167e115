// The member-versus-elements listing: one line per named member with its
// mesh reference, its name and the internal element numbers of its mesh
// relation, for checking the member-to-element relation by eye.
#pragma once
#include <cstdint>

#include "fem/name_tables.h"

// Builds the member line of member k, named in Names (not blank), with
// mesh reference m and the n elements iElem[1..n] into ChLine (room for
// 1024 characters) and returns its length: m in columns 1 to 8, the name from column 9, and, when n
// > 0, the elements in 8-column fields from the absolute column 30, over a long name's characters
// where they meet. n is at most 99.
std::int32_t build_member_line(char* ChLine, std::int32_t m, const NameColumn& Names,
                               std::int32_t k, const std::int32_t* iElem, std::int32_t n);

// Writes the listing to iUnit: records 1 to 16 as in the label file, the
// heading, then the member line of every member 1 to MaxMembRef that has a
// name and a mesh reference in 1 to MxMesh. Has no failure of its own.
void write_member_listing(const NameTables& Tables, const char* ChDate, const char* ChFemName,
                          std::int32_t iUnit);
