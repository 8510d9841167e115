# The browser test where node is not installed: skipped, or failed where it
# is required (CI).
if("$ENV{LABLIX_BROWSER_REQUIRED}" STREQUAL "1")
  message(FATAL_ERROR "node is not installed, and the browser tests are required")
endif()
message("skipped: node is not installed (the browser tests need node, npm ci in tests/browser, and chromium)")
