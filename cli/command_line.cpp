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

// The option an argument names, and the value written into it ("--output=x", "-ox").
const OptionName* findOption(const std::string& argument, std::optional<std::string>& inlineValue) {
    for (const OptionName& option : kOptions) {
        const std::string longName = option.longName;
        if (argument == longName || argument == option.shortName) {
            return &option;
        }
        if (argument.rfind(longName + "=", 0) == 0) {
            inlineValue = argument.substr(longName.size() + 1);
            return &option;
        }
        const std::string shortName = option.shortName;
        if (!shortName.empty() && option.takes == Takes::kValue &&
            argument.rfind(shortName, 0) == 0) {
            inlineValue = argument.substr(shortName.size());
            return &option;
        }
    }
    return nullptr;
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
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            folders.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> value;
        const OptionName* option = findOption(argument, value);
        if (option == nullptr) {
            throw UsageError("unknown option '" + argument + "'");
        }
        if (option->takes == Takes::kNothing && value) {
            throw UsageError(std::string("option '") + option->longName + "' takes no value");
        }
        if (option->takes == Takes::kValue && !value) {
            if (i + 1 == arguments.size()) {
                throw UsageError(std::string("option '") + option->longName + "' needs a value");
            }
            value = arguments[++i];
        }
        set(line, option->longName, value.value_or(""));
    }
    if (line.help || line.version) {
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
           "Ctrl-C or SIGTERM stops the run; the listing keeps its whole lines (a workbook\n"
           "its rows so far).\n"
           "Exit status: 0 listing complete; 1 some folders could not be read (all else\n"
           "listed); 2 bad usage or a refused filter; 3 the listing could not be written;\n"
           "130 stopped by Ctrl-C, 143 by SIGTERM.\n";
}

}  // namespace tolvane
