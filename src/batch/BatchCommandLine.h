// `vantor --write OUTDIR ... PATH...`: the batch write without a window.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "viewer/OutputSettings.h"
#include "viewer/ViewOptions.h"

namespace vantor {

// The batch write's settings from the command line.
struct WriteOptions {
    std::string outFolder;
    OutputSettings output;       // the frame, mode, background, quality and type, as the scale dialog's
    std::uint32_t start = 0;     // start number, as the jump dialog takes it
    std::string filesFrom;       // a list of further paths; "-" is standard input
    bool nullSeparated = false;  // the list's paths end in NUL bytes, not line ends
    std::uint32_t jobs = 1;      // pictures converted at a time
};

// Writes the pictures and folders given (and those of the list) into the output
// folder, each view set up by view and write; written paths go to out, failures
// to err. Returns the process exit status: 0 all written, 1 some failed, 2 a usage
// error, 3 standard output lost.
int RunBatchWrite(const WriteOptions& write, const ViewOptions& view, const std::vector<std::string>& paths,
                  std::ostream& out, std::ostream& err);

}  // namespace vantor
