#include "program_end.h"

#include <cstdio>
#include <cstdlib>

#include "output_file_table.h"

namespace tolvane {

void endProgramAtOnce(int exitCode) noexcept {
    // The listing keeps every line written so far; the lines are whole in the buffer.
    OutputFileTable::instance().closeAll();
    std::fflush(nullptr);
    // std::_Exit, not std::exit or QCoreApplication::exit: exit() would destroy the static
    // objects while the QApplication in main() still lives, and QCoreApplication::exit()
    // only asks the event loop to return, so a run nested in one of its yields would go on
    // writing first. The settings need no closing: each write was already committed.
    std::_Exit(exitCode);
}

}  // namespace tolvane
