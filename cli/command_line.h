#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvane {

struct ListingFields;

// A command line tolvane-list cannot follow; the text says what is wrong with it.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the command line asks for. Options left out stay empty, so that the stored
// settings (with --use-settings) or the window's defaults stand in for them.
struct CommandLine {
    std::string folder;
    std::optional<std::string> output;
    std::optional<std::string> filter;
    bool noRecurse = false;
    std::optional<std::string> comment;
    bool quiet = false;
    bool useSettings = false;
    bool help = false;
    bool version = false;

    // Lays the options given over `fields`: a flag always wins over a stored setting.
    void applyTo(ListingFields& fields) const;
};

// Reads the arguments after the program's name as getopt_long would: long options also as
// --name=value or by an unambiguous beginning, short ones bundled ("-qo FILE"), "--"
// ending the options; but an option's value is never the next argument when that is an
// option itself. Exactly one FOLDER, except that --help asks for nothing else and
// --version takes none.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string helpText();

}  // namespace tolvane
