#include "command_line.h"

#include "application_settings.h"
#include "listing_fields.h"

namespace tolvane {

namespace {

enum class Takes { kNothing, kValue };

struct OptionName {
    const char* shortName;  // "" when there is none
    const char* longName;
    Takes takes;
};

constexpr OptionName kOptions[] = {
    {"-o", "--output", Takes::kValue},     {"", "--filter", Takes::kValue},
    {"", "--no-recurse", Takes::kNothing}, {"", "--comment", Takes::kValue},
    {"-q", "--quiet", Takes::kNothing},    {"", "--use-settings", Takes::kNothing},
    {"", "--help", Takes::kNothing},       {"", "--version", Takes::kNothing},
};

void set(CommandLine& line, const std::string& longName, const std::string& value) {
    if (longName == "--output") {
        line.output = value;
    } else if (longName == "--filter") {
        line.filter = value;
    } else if (longName == "--no-recurse") {
        line.noRecurse = true;
    } else if (longName == "--comment") {
        line.comment = value;
    } else if (longName == "--quiet") {
        line.quiet = true;
    } else if (longName == "--use-settings") {
        line.useSettings = true;
    } else if (longName == "--help") {
        line.help = true;
    } else {
        line.version = true;
    }
}

// The long option `name` (without its "--") names: exactly, or as the one option it
// begins, as getopt_long allows ("--no" for "--no-recurse").
const OptionName& longOption(const std::string& name) {
    const OptionName* found = nullptr;
    for (const OptionName& option : kOptions) {
        const std::string longName = option.longName;
        if (longName == "--" + name) {
            return option;
        }
        if (longName.rfind("--" + name, 0) == 0) {
            if (found != nullptr) {
                throw UsageError("option '--" + name + "' is ambiguous");
            }
            found = &option;
        }
    }
    if (found == nullptr) {
        throw UsageError("unknown option '--" + name + "'");
    }
    return *found;
}

const OptionName& shortOption(char letter) {
    for (const OptionName& option : kOptions) {
        if (option.shortName[0] != '\0' && option.shortName[1] == letter) {
            return option;
        }
    }
    throw UsageError(std::string("unknown option '-") + letter + "'");
}

// Whether an argument is an option (or "--"), which is never taken as another option's
// value: "-o --quiet" lacks a file name rather than naming one "--quiet".
bool isOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// The value of `option` from the next argument.
std::string nextValue(const OptionName& option, const std::vector<std::string>& arguments,
                      std::size_t& i) {
    if (i + 1 == arguments.size() || isOption(arguments[i + 1])) {
        throw UsageError(std::string("option '") + option.longName + "' needs a value");
    }
    return arguments[++i];
}

}  // namespace

void CommandLine::applyTo(ListingFields& fields) const {
    if (output) {
        fields.SaveFilename = *output;
    }
    if (filter) {
        fields.UseFileFilter = true;
        fields.FileFilter = *filter;
    }
    if (noRecurse) {
        fields.RecurseSubdirectories = false;
    }
    if (comment) {
        fields.AddComment = true;
        fields.FileComment = *comment;
    }
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    const auto take = [&line](const OptionName& option, const std::string& value) {
        // An empty name names no file: it could only fail later, after the checks.
        if (option.takes == Takes::kValue && std::string(option.longName) == "--output" &&
            value.empty()) {
            throw UsageError("option '--output' needs a file name");
        }
        set(line, option.longName, value);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !isOption(argument)) {
            folders.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument[1] == '-') {
            // --name, --name=value, --name value
            const std::size_t equals = argument.find('=');
            const OptionName& option = longOption(argument.substr(2, equals - 2));
            if (option.takes == Takes::kNothing) {
                if (equals != std::string::npos) {
                    throw UsageError(std::string("option '") + option.longName +
                                     "' takes no value");
                }
                take(option, "");
            } else {
                take(option, equals != std::string::npos ? argument.substr(equals + 1)
                                                         : nextValue(option, arguments, i));
            }
        } else {
            // Short options, bundled ("-qo FILE", "-qoFILE"): one that takes a value takes
            // the rest of the argument, or else the next one.
            for (std::size_t at = 1; at < argument.size(); ++at) {
                const OptionName& option = shortOption(argument[at]);
                if (option.takes == Takes::kNothing) {
                    take(option, "");
                    continue;
                }
                take(option, at + 1 < argument.size() ? argument.substr(at + 1)
                                                      : nextValue(option, arguments, i));
                break;
            }
        }
    }
    if (line.help) {
        return line;  // whatever else the line holds, it asks for help
    }
    if (line.version) {
        if (!folders.empty()) {
            throw UsageError("--version takes no FOLDER, not '" + folders[0] + "'");
        }
        return line;
    }
    if (folders.empty()) {
        throw UsageError("no FOLDER given");
    }
    if (folders.size() > 1) {
        throw UsageError("one FOLDER only, not '" + folders[0] + "' and '" + folders[1] + "'");
    }
    line.folder = folders[0];
    return line;
}

std::string helpText() {
    return std::string(
               "Usage: tolvane-list [options] FOLDER\n"
               "Writes one TAB-separated line for every file in FOLDER and its subfolders, as\n"
               "the Tolvane window does: name, extension, size, date/time, folder, attributes,\n"
               "comment.\n"
               "\n"
               "  -o, --output FILE     the listing file (default: ") +
           kDefaultSaveFilename +
           ", or the stored one);\n"
           "                        a FILE ending in .xlsx is written as a workbook\n"
           "      --filter PATTERN  list only files matching PATTERN (* and ?, any case)\n"
           "      --no-recurse      list FOLDER's own files only\n"
           "      --comment TEXT    put TEXT in the Comment field of every line\n"
           "  -q, --quiet           no progress display and no closing line\n"
           "      --use-settings    take the window's stored options as defaults\n"
           "      --help            show this text\n"
           "      --version         show the version\n"
           "\n"
           "Ctrl-C, SIGTERM or SIGHUP stops the run; the listing keeps its whole lines (a\n"
           "workbook its rows so far).\n"
           "Exit status: 0 listing complete; 1 some files or folders could not be read (all\n"
           "else listed); 2 bad usage, a refused filter or FOLDER not a folder; 3 the listing\n"
           "could not be written; 130 stopped by Ctrl-C, 143 by SIGTERM, 129 by SIGHUP.\n";
}

}  // namespace tolvane
