#include "tests/testlib/lablix_run.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string make_temp_dir() {
  // A name no other test uses: the clock and a counter; a name taken is
  // passed over.
  static unsigned nMade = 0;
  const auto iTicks = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::filesystem::path Base = std::filesystem::temp_directory_path();
  for (;;) {
    const std::filesystem::path Dir =
        Base / ("lablix-test-" + std::to_string(iTicks) + "-" + std::to_string(++nMade));
    std::error_code Error;
    if (std::filesystem::create_directory(Dir, Error)) return Dir.generic_string();
    if (Error) throw std::runtime_error("cannot make a temporary folder");
  }
}

void remove_tree(const std::string& Path) {
  std::error_code Ignored;
  std::filesystem::remove_all(Path, Ignored);
}

bool file_exists(const std::string& Path) {
  std::error_code Error;
  return std::filesystem::symlink_status(Path, Error).type() !=
             std::filesystem::file_type::not_found &&
         !Error;
}

std::string read_file(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

void write_file(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::vector<std::string> folder_names(const std::string& Dir) {
  std::vector<std::string> Names;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir))
    Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

std::string crlf_lines(const std::vector<std::string>& Lines) {
  std::string Text;
  for (const std::string& Line : Lines)
    Text += Line + "\r\n";
  return Text;
}

std::string mask_executed_date(const std::string& Text) {
  const std::string Head = "# Executed";
  const std::string Shape = " Date : dddd-dd-dd dd:dd:dd\r\n";
  const std::size_t iAt = Text.find(Head);
  if (iAt == std::string::npos || Text.size() < iAt + Head.size() + Shape.size()) return Text;
  const std::size_t iDate = iAt + Head.size();
  for (std::size_t k = 0; k < Shape.size(); ++k) {
    const char c = Text[iDate + k];
    if (Shape[k] == 'd' ? (c < '0' || c > '9') : c != Shape[k]) return Text;
  }
  return Text.substr(0, iDate) + "<date>" + Text.substr(iDate + Shape.size() - 2);
}

std::string banner_text() {
  const std::string Blank58(58, ' ');
  std::vector<std::string> Lines = {std::string(54, ' '), " " + Blank58, " " + Blank58,
                                    " " + Blank58};
  for (const char* Text : {"          ================================================",
                           "          -                                              -",
                           "          -          ====  L  A  B  L  I  X  ===         -",
                           "          -                                              -",
                           "          -            Version 1.1/2013-04-28            -",
                           "          -              lablix@example.org              -",
                           "          ================================================"}) {
    Lines.push_back(std::string(" ") + Text);
  }
  for (int i = 0; i < 3; ++i)
    Lines.push_back(" " + Blank58);
  return crlf_lines(Lines);
}

std::string realworld_file(const std::string& Name) {
  const std::string Path = std::string(LABLIX_REALWORLD_DIR) + "/" + Name;
  return file_exists(Path) ? Path : std::string();
}

std::string source_file(const std::string& RelativePath) {
  return std::string(LABLIX_SOURCE_DIR) + "/" + RelativePath;
}
