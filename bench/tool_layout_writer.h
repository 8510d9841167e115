// Writing a FEM file in the layout modelling tools write, for the bench's
// generators of models to draw (make_frame_fem, make_solid_fem): lines
// gathered in a large buffer, the file written under a temporary name and
// renamed when whole, so that an interrupted generator never leaves a
// cut-short model that a later measurement would take as complete.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace tool_layout_writer {

inline std::FILE* pOut = nullptr;
inline std::string Buffer;
inline std::string Path;

// Starts the file ChPath (written as ChPath.part until finish_fem).
inline bool start_fem(const std::string& ChPath) {
  Path = ChPath;
  Buffer.clear();
  pOut = std::fopen((Path + ".part").c_str(), "wb");
  return pOut != nullptr;
}

inline bool flush_fem() {
  const bool bWritten = std::fwrite(Buffer.data(), 1, Buffer.size(), pOut) == Buffer.size();
  Buffer.clear();
  return bWritten;
}

// Appends Text; a buffer that cannot be written out ends the generator.
inline void put(const std::string& Text) {
  Buffer += Text;
  if (Buffer.size() > (1u << 22) && !flush_fem()) {
    std::perror(Path.c_str());
    std::exit(1);
  }
}

// A record line: the name in 8 columns, then reals of 16 columns (a data
// line: 8 blanks first).
inline void put_record(const char* ChRecord, const double* Values, int nValues) {
  char Ch[32];
  std::snprintf(Ch, sizeof Ch, "%-8s", ChRecord);
  std::string Line = Ch;
  for (int k = 0; k < nValues; ++k) {
    std::snprintf(Ch, sizeof Ch, "%16.8E", Values[k]);
    Line += Ch;
  }
  put(Line + "\n");
}
inline void put_record(const char* ChRecord, std::initializer_list<double> Values) {
  put_record(ChRecord, Values.begin(), static_cast<int>(Values.size()));
}

// A list of numbers over data lines, four a line; the last line padded
// with zeros to four where bPadLast.
inline void put_list(const std::vector<double>& Values, bool bPadLast = true) {
  for (std::size_t k = 0; k < Values.size(); k += 4) {
    double Line[4] = {0, 0, 0, 0};
    int n = bPadLast ? 4 : 0;
    for (std::size_t j = k; j < k + 4 && j < Values.size(); ++j) {
      Line[j - k] = Values[j];
      if (!bPadLast) ++n;
    }
    put_record("", Line, n);
  }
}

// Writes out the rest and gives the file its name; false on a failure.
inline bool finish_fem() {
  return flush_fem() && std::fclose(pOut) == 0 &&
         std::rename((Path + ".part").c_str(), Path.c_str()) == 0;
}

}  // namespace tool_layout_writer
