# A test of the code's layout: every #include "folder/..." in a source file
# points to its own folder or one below it (platform, support, files, fem,
# check and view, driver, from the bottom), and nothing outside fem/scan/
# but the tests, benchmarks and fuzz targets includes the scanner's inside.
#   cmake -DSOURCE_DIR=... -P include_direction.cmake
set(rank_platform 0)
set(rank_support 1)
set(rank_files 2)
set(rank_fem 3)
set(rank_check 4)
set(rank_view 5)
set(rank_driver 6)
set(faults "")
foreach(folder platform support files fem check view driver)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT DEFINED rank_${used} OR rank_${used} GREATER rank_${folder})
        string(APPEND faults "  ${source}: ${line} (${folder} may not use ${used})\n")
      endif()
      if(line MATCHES "\"fem/scan/" AND NOT source MATCHES "^fem/scan/")
        string(APPEND faults "  ${source}: ${line} (the scanner's inside)\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "includes against the layout:\n${faults}")
endif()
