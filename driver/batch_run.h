// Several models in one command (`lablix *.FEM`): each model is run by the
// program started again on it alone, as `lablix [options] FEM` runs it, so
// that a fatal stop in one model ends only that model's run. With -j N,
// N models run at a time; what they write on standard output and error is
// then held per model and passed on in the models' order, so that the
// bytes are those of one model at a time.
#pragma once

#include "driver/command_line.h"

// Runs every file name of Cmd (settled as a batch) as a model: converted
// (with -l also its listing), checked with --check, or shown with --view
// (its page beside it, named like it with .html), in the order given,
// Cmd.nJobs at a time (0: as many as there are processors). Returns the
// highest of the models' exit statuses (0 to 3; a model's run that ends
// any other way counts as a fatal stop, 2). A model that fails ends with
// one line on standard error naming it and why; when standard error is a
// terminal a closing line counts the models. A stop signal (Ctrl-C,
// SIGTERM, SIGHUP) is passed on to the models under way, which drop their
// unfinished outputs whole as a single run does; the run then ends by that
// signal, and the models finished keep their files.
int run_batch(const CommandLine& Cmd);
