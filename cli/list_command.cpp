#include "list_command.h"

#include <cstdio>
#include <memory>

#include "application_settings.h"
#include "command_line.h"
#include "command_line_window.h"
#include "date_time_text.h"
#include "exit_status.h"
#include "folder_argument.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "raised_error.h"
#include "registry_system.h"
#include "stop_signal.h"
#include "stored_options.h"
#include "terminal.h"
#include "wildcard.h"

namespace tolvane {

namespace {

constexpr char kProgram[] = "tolvane-list";

// Nothing can be listed; nothing has been touched.
int cannotStart(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", kProgram, problem.c_str());
    return kBadUsage;
}

int badUsage(const std::string& problem) {
    cannotStart(problem);
    std::fprintf(stderr, "Try '%s --help'.\n", kProgram);
    return kBadUsage;
}

// The options a run starts from: the window's defaults for nothing stored, or what the
// window stored; the command line's flags over either.
ListingFields optionsOf(const CommandLine& line) {
    ListingFields fields;
    fields.RecurseSubdirectories = true;
    fields.SaveFilename = kDefaultSaveFilename;
    if (line.useSettings) {
        // For reading only: with no store, the defaults stand and nothing is made.
        const std::unique_ptr<RegistryApi> registry = makeSystemRegistryForReading();
        readStoredOptions(*registry, fields);
    }
    line.applyTo(fields);
    return fields;
}

int runListing(ListingFields& fields, const std::string& folder, bool quiet) {
    std::unique_ptr<ProgressDisplay> display;
    if (!quiet && isTerminal(stderr)) {
        display = std::make_unique<ProgressDisplay>(stderr, terminalColumns(stderr),
                                                    ProgressDisplay::Clock::now());
    }
    CommandLineWindow window(folder, stderr, std::move(display));
    OutputFileTable files;
    const DateTimeText dateText = DateTimeText::fromUserSettings();
    const WalkOptions walkOptions;
    ListingRun run(fields, window, walkOptions, files, dateText);
    window.attach(run, fields);

    stop_signal::install();
    try {
        run.start();
    } catch (const RaisedError& error) {
        // FOLDER itself could not be read: the listing holds its header alone.
        window.closeDisplay();
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, folder.c_str(), error.description().c_str());
        return kFoldersUnread;
    }
    window.closeDisplay();

    const auto& titles = window.messageTitles();
    for (const std::string& title : titles) {
        if (title == ListingRun::kMessageTitle) {
            return kListingNotWritten;
        }
    }
    if (!quiet) {
        std::fprintf(stderr, "%s\n", window.progress().c_str());  // "Aborted", or where it went
    }
    if (window.stopPressed()) {
        stop_signal::endAsStopped();
    }
    return titles.empty() ? kListingComplete : kFoldersUnread;
}

}  // namespace

int listCommand(const std::vector<std::string>& arguments) {
    CommandLine line;
    try {
        line = parseCommandLine(arguments);
    } catch (const UsageError& error) {
        return badUsage(error.what());
    }
    if (line.help) {
        std::fputs(helpText().c_str(), stdout);
        return kListingComplete;
    }
    if (line.version) {
        std::printf("%s %s\n", kProgram, versionText().c_str());
        return kListingComplete;
    }

    ListingFields fields;
    try {
        fields = optionsOf(line);
    } catch (const RaisedError& error) {
        return cannotStart("the stored settings cannot be read: " + error.description());
    }
    // Refused as the window refuses it; checked here, before the run would open the file.
    if (fields.UseFileFilter && !isFileFilter(fields.FileFilter)) {
        return cannotStart(std::string(line.filter ? "file filter '" : "the stored file filter '") +
                           fields.FileFilter + "': " + kFileFilterRule);
    }
    const std::string folder = folderListPath(line.folder);
    // Checked before the run, which would otherwise empty the listing file first.
    if (const std::string problem = folderArgumentProblem(folder); !problem.empty()) {
        return cannotStart("'" + line.folder + (problem == "not a folder" ? "' is " : "': ") +
                           problem);
    }
    return runListing(fields, folder, line.quiet);
}

}  // namespace tolvane
