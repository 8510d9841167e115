# The one test of a build configured without GoogleTest (REASON says why
# and what to do): it fails, so that the test command cannot pass without
# having run a test.
message(FATAL_ERROR "The tests are off in this build folder: ${REASON}. The program is built.")
