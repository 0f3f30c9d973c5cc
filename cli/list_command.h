#pragma once

#include <string>
#include <vector>

namespace tolvane {

// The whole of tolvane-list: reads the arguments that follow the program's name, lists
// the folder and returns the exit status (exit_status.h). A run stopped by a signal does
// not return: it ends the process as that signal would.
int listCommand(const std::vector<std::string>& arguments);

}  // namespace tolvane
