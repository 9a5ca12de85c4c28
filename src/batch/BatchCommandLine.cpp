#include "batch/BatchCommandLine.h"

namespace vantor {

int RunBatchWrite(const CommandLineOptions&, std::ostream&, std::ostream& err) {
    err << "vantor: --write is not available in this build\n";
    return 2;
}

}  // namespace vantor
