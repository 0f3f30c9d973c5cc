#pragma once

#include <cstdio>

namespace tolvane {

// Whether `stream` writes to a terminal (and not to a file or a pipe).
bool isTerminal(std::FILE* stream);

// The terminal's width in columns; 80 when it cannot be told.
int terminalColumns(std::FILE* stream);

}  // namespace tolvane
