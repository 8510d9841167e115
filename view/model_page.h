// lablix --view: the model's page. One self-contained HTML file that draws
// the model in 3D, each element in the colour of the member whose name its
// label carries, with the member list, the check's findings and the run
// summary. The page's own HTML, CSS and script (view/page/) are built into
// the program; the model's data goes in as view/page_data.h describes.
// Nothing in it asks for anything outside the file.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/model_geometry.h"
#include "fem/name_tables.h"

// What the page says about the run besides the model: the FEM file's name
// as given (nFile characters) and the date text (nDate characters).
struct PageFacts {
  const char* ChFile;
  std::int32_t nFile;
  const char* ChDate;
  std::int32_t nDate;
};

// Reads the model from Fem as a check does (the readers' reports go to
// iUnitReports, a scratch unit the caller connected; the check's findings
// go into the page), then its geometry, and writes the whole page to
// iUnitPage, open for it; the caller puts it in place. Returns 0, or 1 when
// the FEM file breaks a limit: the page then shows the reader's
// input-error report and no model. A fatal stop does not return.
int write_model_page(NameTables& Tables, ModelGeometry& Geometry, FemFile& Fem,
                     std::int32_t iUnitReports, std::int32_t iUnitPage, const PageFacts& Facts);

// Writes the page of a model already read to iUnitPage: Tables and
// Geometry as the readers, assign_element_owners and read_model_geometry
// left them, with the findings given as nFindings lines at ChFindings (each
// ended by a line feed). For tests of the page's bytes.
void write_page_of(std::int32_t iUnitPage, const NameTables& Tables, const ModelGeometry& Geometry,
                   const PageFacts& Facts, const char* ChFindings, std::int32_t nFindings);
