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

// The first line of every page.
inline constexpr char kPageFirstLine[] = "<!DOCTYPE html>";

// What the page says about the run besides the model: the FEM file's name
// as given (nFile characters) and the date text (nDate characters).
struct PageFacts {
  const char* ChFile;
  std::int32_t nFile;
  const char* ChDate;
  std::int32_t nDate;
};

// Writes the whole page to iUnitPage, open for it (the caller puts it in
// place): the check's findings on the model (check/model_check.h) and the
// model itself. Tables and Fem as the driver left them after the readers
// of a run; bReaderFailed: a reader ended with an input error, and the page
// shows its report and the names read so far instead of the model.
// Otherwise iElemMemb is built, and Geometry (tables taken by
// create_model_geometry) is read in the check's walk over the file.
// Returns 0, or 1 when a reader failed. A fatal stop does not return.
int write_model_page(const NameTables& Tables, ModelGeometry& Geometry, const FemFile& Fem,
                     bool bReaderFailed, std::int32_t iUnitPage, const PageFacts& Facts);

// The same page with the findings given as nFindings lines at ChFindings
// (each ended by a line feed) instead of the check's: for tests of the
// page's bytes, from tables filled by hand.
void write_page_of(std::int32_t iUnitPage, const NameTables& Tables, const ModelGeometry& Geometry,
                   const PageFacts& Facts, const char* ChFindings, std::int32_t nFindings);
