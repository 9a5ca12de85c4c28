// `vantor --write OUTDIR ... PATH...`: the batch write without a window.
#pragma once

#include <ostream>

#include "app/CommandLineOptions.h"

namespace vantor {

// Runs the batch write; written paths go to out, failures to err.
// Returns the process exit status: 0 all written, 1 some failed, 2 a usage error.
int RunBatchWrite(const CommandLineOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vantor
