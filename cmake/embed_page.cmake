# The page of `lablix --view`, its readable sources built into the program:
# view/page/page.html (with the places of the style, the data and the script
# marked), page.css and the script's modules, in their order, into one
# generated header of five texts. Run at build time:
#   cmake -DPAGE_DIR=... -DMODULES="data.js;..." -DOUTPUT=... -P embed_page.cmake
# Fails when a source holds what would end its element early: the page's own
# text must not be able to break it either.
file(READ ${PAGE_DIR}/page.html html)
file(READ ${PAGE_DIR}/page.css css)
set(script "")
foreach(module ${MODULES})
  file(READ ${PAGE_DIR}/${module} text)
  string(APPEND script "${text}")
endforeach()

function(split_at text marker before_var after_var)
  string(FIND "${text}" "${marker}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "page.html lacks the mark ${marker}")
  endif()
  string(SUBSTRING "${text}" 0 ${at} before)
  string(LENGTH "${marker}" n)
  math(EXPR at "${at} + ${n}")
  string(SUBSTRING "${text}" ${at} -1 after)
  set(${before_var} "${before}" PARENT_SCOPE)
  set(${after_var} "${after}" PARENT_SCOPE)
endfunction()

split_at("${html}" "<!--lablix:style-->" head rest)
split_at("${rest}" "<!--lablix:data-->" body rest)
split_at("${rest}" "<!--lablix:script-->" between tail)
string(STRIP "${between}" between)
if(NOT between STREQUAL "")
  message(FATAL_ERROR "page.html: the script must follow the data at once")
endif()

string(TOLOWER "${css}" css_lower)
string(TOLOWER "${script}" script_lower)
if(css_lower MATCHES "</style")
  message(FATAL_ERROR "page.css holds </style")
endif()
if(script_lower MATCHES "</script" OR script_lower MATCHES "<!--")
  message(FATAL_ERROR "the page's script holds </script or <!--")
endif()

set(out "// Generated from view/page/ by cmake/embed_page.cmake: do not edit.\n#pragma once\n\n")
foreach(part head css body script tail)
  if("${${part}}" MATCHES "\\)lablix_page\"")
    message(FATAL_ERROR "a page source holds the generated header's delimiter")
  endif()
endforeach()
string(APPEND out "inline constexpr char kPageHead[] = R\"lablix_page(${head})lablix_page\";\n")
string(APPEND out "inline constexpr char kPageStyle[] = R\"lablix_page(${css})lablix_page\";\n")
string(APPEND out "inline constexpr char kPageBody[] = R\"lablix_page(${body})lablix_page\";\n")
string(APPEND out "inline constexpr char kPageScript[] = R\"lablix_page(${script})lablix_page\";\n")
string(APPEND out "inline constexpr char kPageTail[] = R\"lablix_page(${tail})lablix_page\";\n")
# Written only when changed, so that a build after a touch compiles nothing.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL out)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${out}")
