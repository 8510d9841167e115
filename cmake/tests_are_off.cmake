# The one test of a build configured without GoogleTest (REASON says why):
# it fails, so that the test command cannot pass without having run a test.
message(FATAL_ERROR "The tests are off in this build folder: ${REASON}. The program is built; "
                    "for the tests install GoogleTest (Debian: apt-get install libgtest-dev) "
                    "and configure again.")
