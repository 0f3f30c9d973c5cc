// tolvane-list as its users run it: the real executable in a child process on generated
// trees, its listing against a ListingRun driven here on the same options. A test that
// acts in the middle of a run waits for the first block of lines to reach the file; the
// rest of the run takes far longer than the test needs to act. At the end, the progress
// line on its own: how it fits a narrow terminal, and how often it is drawn.

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "application_settings.h"
#include "c_registry.h"
#include "listing/listing_fakes.h"
#include "listing_line.h"
#include "progress_display.h"
#include "registry_sqlite_store.h"
#include "support/test_support.h"
#include "wildcard.h"

namespace tolvane {
namespace {

using testing::readFile;
using testing::TemporaryFolder;

constexpr char kStored[] = "Directory contenst stored in: ";

// A child's standard error: a file, a terminal, closed ("2>&-"), a pipe with no reader.
enum class Errors { kFile, kTerminal, kClosed, kGonePipe };

// One run of tolvane-list in a child process, as from a shell: its standard error where
// `where` says, its settings store in `scratch`/config, its dates in ISO form; as the
// unprivileged user "nobody" when `unprivileged` (through setpriv when run as root).
class Child {
  public:
    Child(std::vector<std::string> arguments, const std::filesystem::path& scratch,
          Errors where = Errors::kFile, rlim_t fileSizeLimit = RLIM_INFINITY,
          bool unprivileged = false)
        : scratch_(scratch), errors_(where) {
        arguments.insert(arguments.begin(), TOLVANE_LIST_PROGRAM);
        if (unprivileged && ::geteuid() == 0) {
            arguments.insert(arguments.begin(),
                             {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        // The descriptor the child's standard error is to be; -1 for none.
        int errorsTo = -1;
        winsize wide{};
        wide.ws_col = 250;
        int gone[2] = {-1, -1};
        if (where == Errors::kTerminal && ::openpty(&master_, &errorsTo, nullptr, nullptr, &wide)) {
            ADD_FAILURE() << "no terminal";
        } else if (where == Errors::kGonePipe && ::pipe(gone) == 0) {
            ::close(gone[0]);  // before the child runs: it never has a reader
            errorsTo = gone[1];
        } else if (where == Errors::kFile) {
            errorsTo = ::open((scratch / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        pid = ::fork();
        if (pid == 0) {
            ::dup2(::open((scratch / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            errorsTo >= 0 ? ::dup2(errorsTo, 2) : ::close(2);
            ::setenv("LC_ALL", "C", 1);
            ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
            // Whatever the test runner ignores; SIGXFSZ and SIGPIPE the program must
            // ignore itself.
            for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGPIPE}) {
                ::signal(signal, SIG_DFL);
            }
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::execv(argv[0], argv.data());
            ::_exit(98);
        }
        ::close(errorsTo);
    }

    // Waits for the end and returns the wait status; reads standard output and error.
    int wait() {
        for (char c; master_ >= 0 && ::read(master_, &c, 1) == 1;) {
            errors.push_back(c);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        output = readFile(scratch_ / "stdout");
        if (errors_ == Errors::kFile) {
            errors = readFile(scratch_ / "stderr");
        }
        ::close(master_);
        return status;
    }

    static constexpr char kSetpriv[] = "/usr/bin/setpriv";

    pid_t pid = -1;
    std::string output;
    std::string errors;

  private:
    std::filesystem::path scratch_;
    Errors errors_;
    int master_ = -1;
};

ListingFields options(bool recurse, const char* filter = nullptr, const char* comment = nullptr) {
    ListingFields fields;
    fields.RecurseSubdirectories = recurse;
    fields.UseFileFilter = filter != nullptr;
    fields.FileFilter = filter != nullptr ? filter : "";
    fields.AddComment = comment != nullptr;
    fields.FileComment = comment != nullptr ? comment : "";
    return fields;
}

// The engine's fixture, with the dates in the user's forms as the children write them.
class ListCommandTest : public testing::TreeListingTest {
  protected:
    // The children run in `scratch`, where a relative listing file goes.
    ListCommandTest() {
        std::filesystem::create_directory(config);
        std::filesystem::current_path(scratch.path());
        dateText = DateTimeText::fromUserSettings();
    }

    // Stores options as the window would have: names and values in turn.
    void storeOptions(const std::vector<std::string>& namesAndValues) {
        SqliteRegistryStore store((config / "tolvane/registry.sqlite3").string());
        CRegistry Registry(store);
        openSettingsKey(Registry);
        for (std::size_t i = 0; i + 1 < namesAndValues.size(); i += 2) {
            Registry.WriteValue(namesAndValues[i], namesAndValues[i + 1]);
        }
    }

    // The listing of a ListingRun driven here, as the window starts it.
    std::string windowListing(const ListingFields& options, const std::filesystem::path& folder) {
        fields = options;
        fields.SaveFilename = (scratch.path() / "window.txt").string();
        window.folder = folder.string();
        const std::string listed = listingThrough(WalkOptions());
        EXPECT_TRUE(window.messages.empty());
        return listed;
    }

    TemporaryFolder scratch;
    std::filesystem::path config = scratch.path() / "config";
    std::string out = (scratch.path() / "out.txt").string();
};

TEST_F(ListCommandTest, ListsAsTheWindowReadsTheStoreOnlyWhenAskedAndStopsAtTheSizeLimit) {
    // Names a listing makes trouble with, a read-only file, links, hidden and nested folders.
    for (const char* name :
         {"plain.txt", "with space.doc", ".hidden.txt", "-dash.txt", "bad\xFF.dat", "tab\there.txt",
          "sub dir/nested/deep.txt", ".hidden dir/h.TXT", "Zeta/z.txt"}) {
        tree.file(name, std::string(name).size());
    }
    ::chmod(tree.file("readonly.txt").c_str(), 0444);
    std::filesystem::create_symlink(tree.path() / "gone", tree.path() / "dangling");
    std::filesystem::create_symlink(tree.path() / "Zeta", tree.path() / "folder link");
    const std::string folder = tree.str() + "/";  // listed without its separator
    // With no store, --use-settings takes the defaults and makes nothing; then with one.
    Child unstored({"-q", "--use-settings", folder}, scratch.path());
    EXPECT_EQ(unstored.wait(), 0);
    EXPECT_EQ(readFile("./Tolvane.Txt"), windowListing(options(true), tree.path()));
    EXPECT_TRUE(std::filesystem::is_empty(config));
    const std::pair<std::vector<std::string>, ListingFields> cases[] = {
        {{"-o", out, folder}, options(true)},
        {{"--filter", "*.TXT", "-o", out, "--comment=Backup 1", folder},
         options(true, "*.TXT", "Backup 1")},
        // Bundled short options; a blank pattern is no pattern.
        {{"-qo", out, "--no-rec", "--filter= ", "--comment", "", "--", folder},
         options(false, " ", "")},
        {{"--use-settings", folder}, options(false, "*.txt", "stored")},
        {{"--use-settings", "-q", "--comment", "flag", "-o", out, folder},
         options(false, "*.txt", "flag")},
    };
    for (const auto& [arguments, fields] : cases) {
        const auto has = [&arguments](const char* option) {
            return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
        };
        // The store holds options other than the defaults.
        const bool stored = has("--use-settings");
        const std::string listing = has("-o") || has("-qo") ? out
                                    : stored                ? "stored.txt"
                                                            : "./Tolvane.Txt";
        if (stored && std::filesystem::is_empty(config)) {
            storeOptions({"Use File Filter", "True", "File Filter", "*.txt",
                          "Recurse Subdirectories", "False", "Add Comment", "True", "File Comment",
                          "stored", "Save Filename", "stored.txt"});
        }
        Child child(arguments, scratch.path());
        EXPECT_EQ(child.wait(), 0) << listing;
        EXPECT_EQ(readFile(listing), windowListing(fields, tree.path())) << listing;
        EXPECT_EQ(child.errors, has("-q") || has("-qo") ? "" : kStored + listing + "\n");
        EXPECT_EQ(child.output, "");
        // Without --use-settings the store is neither read nor written, not even made.
        EXPECT_EQ(std::filesystem::is_empty(config), !stored);
    }
    // Past a real file size limit (`ulimit -f`) the program is not ended by SIGXFSZ: the
    // write fails with "File too large" (status 3) and the listing ends on its last whole line.
    const std::string full = windowListing(options(true), tree.path());
    Child cut({"-o", out, folder}, scratch.path(), Errors::kFile, 400);
    EXPECT_EQ(WEXITSTATUS(cut.wait()), 3);
    EXPECT_EQ(cut.errors, "Error in Make_Button_Click\nError writing file: " + out +
                              "\nError: File too large\n");
    const std::string kept = readFile(out);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(full.compare(0, kept.size(), kept), 0);
    EXPECT_EQ(kept.substr(kept.size() - 2), "\r\n");  // ends on its last whole line
}

TEST_F(ListCommandTest, BadUsageEndsWithStatus2AndTouchesNoFile) {
    const std::string file = tree.file("file.txt").string();
    const std::string folder = tree.str();
    const std::string tooLong = folder + "/" + std::string(4100, 'n');
    const std::string rule = kFileFilterRule;
    const std::string missing = folder + "/missing";
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string shown;  // the start of standard error, or with status 0 of standard output
    } cases[] = {
        {{}, 2, "tolvane-list: no FOLDER given\nTry 'tolvane-list --help'.\n"},
        {{folder, folder}, 2, "tolvane-list: one FOLDER only"},
        {{"--bogus", folder}, 2, "tolvane-list: unknown option '--bogus'"},
        {{"--quiet=yes", folder}, 2, "tolvane-list: option '--quiet' takes no value"},
        {{folder, "--filter"}, 2, "tolvane-list: option '--filter' needs a value"},
        // An option's value is never the next option; an empty name names no file.
        {{"-o", "--quiet", folder}, 2, "tolvane-list: option '--output' needs a value"},
        {{"--output=", folder}, 2, "tolvane-list: option '--output' needs a file name"},
        {{"--filter", "*/*", folder}, 2, "tolvane-list: file filter '*/*': " + rule + "\n"},
        {{missing}, 2, "tolvane-list: '" + missing + "': No such file or directory\n"},
        {{tooLong}, 2, "tolvane-list: '" + tooLong + "': File name too long\n"},
        {{file}, 2, "tolvane-list: '" + file + "' is not a folder\n"},
        {{"--use-settings", folder},
         2,
         "tolvane-list: the stored settings cannot be read: Failed to open key "
         "Software\\Corvalin\\Palimor. The file " +
             (config / "tolvane/registry.sqlite3").string() +
             " is not a settings store (file is not a database).\n"},
        {{"--version", "extra"}, 2, "tolvane-list: --version takes no FOLDER, not 'extra'\n"},
        {{"--help", folder}, 0, "Usage: tolvane-list [options] FOLDER\n"},
        {{"--version"}, 0, "tolvane-list " + versionText() + "\n"},
    };
    scratch.file("out.txt", 5);
    scratch.file("config/tolvane/registry.sqlite3", 100);  // not a database
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"-o", out};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Child child(arguments, scratch.path());
        EXPECT_EQ(WEXITSTATUS(child.wait()), c.status) << c.shown;
        const std::string& shown = c.status == 0 ? child.output : child.errors;
        EXPECT_EQ(shown.substr(0, c.shown.size()), c.shown);
        EXPECT_EQ(readFile(out), "xxxxx");
    }
    // A stored pattern that reaches into another folder is refused as a typed one is.
    std::filesystem::remove_all(config);
    storeOptions({"Use File Filter", "True", "File Filter", "../*"});
    Child stored({"-o", out, "--use-settings", folder}, scratch.path());
    EXPECT_EQ(WEXITSTATUS(stored.wait()), 2);
    EXPECT_EQ(stored.errors, "tolvane-list: the stored file filter '../*': " + rule + "\n");
    EXPECT_EQ(readFile(out), "xxxxx");
}

// Mid-run: a folder removed before the walk reaches it is reported and the rest listed
// (status 1), also with standard error closed or gone, where the message must neither land
// in the listing nor stop the run; SIGTERM, Ctrl-C and SIGHUP stop the run on a whole line,
// also without recursion, where the walker never yields; and a run held up for longer than
// a tenth of a second draws the progress display on a terminal only, never with -q.
TEST_F(ListCommandTest, WhatHappensInTheMiddleOfARun) {
    // A folder "big" that takes a tenth of a second or more to list, many times the
    // output's first block. Its files are links to one, which are quick to make.
    const std::filesystem::path first = tree.file("big/" + std::string(200, 'n'));
    for (int i = 0; i < 6000; ++i) {
        std::filesystem::create_hard_link(first, first.string() + std::to_string(i));
    }
    const std::filesystem::path big = first.parent_path();
    tree.file("aaa/a.txt");  // found before big, so entered after it
    // Folders entered between big and aaa, more than the walk reads ahead, so that aaa is
    // still unread when it is removed while big is being listed.
    for (std::size_t i = 0; i < WalkOptions{}.windowFolders + 44; ++i) {
        tree.folder("ab" + std::to_string(10000 + i));
    }
    const std::string full = windowListing(options(true), tree.path());
    const std::string flat = windowListing(options(false), big);
    const std::string closing = kStored + out;
    const std::string removed =
        "Error in ListDirectory\nError has occured in subroutine: "
        "ListDirectory,\nduring recursing to subdirectory: " +
        tree.str() + "/aaa\nError: No such file or directory\n" + closing + "\n";
    const struct {
        int signal;  // sent once the first block is written (SIGSTOP: held for 0.15 s);
                     // 0: the folder aaa is removed then
        Errors errorsTo;
        std::vector<std::string> arguments;
        int status;          // the wait status: the signal that ended it, or the exit code
        std::string errors;  // standard error, or its end on a terminal
    } cases[] = {
        {SIGTERM, Errors::kFile, {tree.str()}, SIGTERM, "Aborted\n"},
        {SIGINT, Errors::kFile, {"--no-recurse", big.string()}, SIGINT, "Aborted\n"},
        {SIGHUP, Errors::kFile, {tree.str()}, SIGHUP, "Aborted\n"},
        {0, Errors::kFile, {tree.str()}, W_EXITCODE(1, 0), removed},
        {0, Errors::kClosed, {tree.str()}, W_EXITCODE(1, 0), ""},
        {0, Errors::kGonePipe, {tree.str()}, W_EXITCODE(1, 0), ""},
        {SIGSTOP, Errors::kGonePipe, {tree.str()}, 0, ""},
        {SIGSTOP, Errors::kTerminal, {tree.str()}, 0, closing + "\r\n"},
        {SIGSTOP, Errors::kTerminal, {"-q", tree.str()}, 0, ""},
        {SIGSTOP, Errors::kFile, {tree.str()}, 0, closing + "\n"},
    };
    for (const auto& c : cases) {
        tree.file("aaa/a.txt");
        std::filesystem::remove(out);
        std::vector<std::string> arguments{"-o", out};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Child child(arguments, scratch.path(), c.errorsTo);
        // Once the first block of the listing is written the walk is under way, with far
        // more to list. (The size is -1 while the file does not exist.)
        std::error_code none;
        for (int waited = 0; waited < 30'000 && std::filesystem::file_size(out, none) + 1 <= 1;
             ++waited) {
            ::usleep(1000);
        }
        if (c.signal == 0) {
            std::filesystem::remove_all(tree.path() / "aaa");
        } else {
            ::kill(child.pid, c.signal);
        }
        if (c.signal == SIGSTOP) {
            ::usleep(150'000);
            ::kill(child.pid, SIGCONT);
        }
        EXPECT_EQ(child.wait(), c.status) << c.errors;
        const std::string written = readFile(out);
        const std::string& whole = c.arguments[0] == "--no-recurse" ? flat : full;
        if (c.signal == 0 || c.signal == SIGSTOP) {
            // Whole, with no message in it (a comparison that prints no listing).
            EXPECT_TRUE(written == windowListing(options(true), tree.path())) << c.errors;
        } else {
            EXPECT_LT(written.size(), whole.size());
            EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
            EXPECT_EQ(whole.compare(0, written.size(), written), 0);
        }
        if (c.errorsTo == Errors::kTerminal && !c.errors.empty()) {
            EXPECT_NE(child.errors.find(" folders, "), std::string::npos);
            EXPECT_NE(child.errors.find(" files/s: " + big.string()), std::string::npos);
            EXPECT_EQ(child.errors.substr(child.errors.size() - c.errors.size()), c.errors);
        } else {
            EXPECT_EQ(child.errors, c.errors);
        }
    }
}

// A FOLDER that exists but cannot be read is the run's failure (1), not bad usage (2); run
// by the unprivileged user "nobody", as permission bits do not stop root.
TEST_F(ListCommandTest, AFolderThatExistsButCannotBeReadEndsWithStatus1) {
    if (::geteuid() == 0 && ::access(Child::kSetpriv, X_OK) != 0) {
        GTEST_SKIP() << "root without " << Child::kSetpriv << ": no unprivileged user to check as";
    }
    const std::filesystem::path locked = tree.file("locked/inside.txt").parent_path();
    ::chmod(locked.c_str(), 0);
    ::chmod(scratch.str().c_str(), 0777);  // where nobody writes the listing
    Child child({"-o", out, locked.string()}, scratch.path(), Errors::kFile, RLIM_INFINITY, true);
    EXPECT_EQ(WEXITSTATUS(child.wait()), 1);
    EXPECT_EQ(child.errors, "tolvane-list: " + locked.string() + ": Permission denied\n");
    EXPECT_EQ(readFile(out), std::string(kListingHeader) + "\r\n");
    ::chmod(locked.c_str(), 0755);
}

TEST(ProgressDisplayTest, TheLineFitsTheWidthByCuttingTheFolderFromItsStart) {
    // Characters are counted, not bytes, and kept whole; control characters show as "?".
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x/\n\xC3\xB1\xC3\xB1\xC3\xB1", 40),
              "12 files, 3 folders, 450 files/s: ...\xC3\xB1\xC3\xB1");
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x/\n\xC3\xB1", 80),
              "12 files, 3 folders, 450 files/s: /x/?\xC3\xB1");
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x", 20), "12 files, 3 folders");
}

TEST(ProgressDisplayTest, DrawsAtMostTenTimesASecondAndClearsWhatItDrew) {
    using std::chrono::milliseconds;
    std::FILE* terminal = std::tmpfile();
    const auto start = ProgressDisplay::Clock::time_point();
    ProgressDisplay display(terminal, 80, start);
    display.update(1, 1, "/a", start + milliseconds(50));
    display.update(2, 1, "/a", start + milliseconds(100));
    display.update(3, 1, "/a", start + milliseconds(150));
    display.update(40, 2, "/b", start + milliseconds(200));
    display.update(5, 2, "", start + milliseconds(1000));
    display.clear();
    display.clear();

    std::string drawn(200, '\0');
    std::rewind(terminal);
    drawn.resize(std::fread(drawn.data(), 1, drawn.size(), terminal));
    std::fclose(terminal);
    EXPECT_EQ(drawn,
              "\r2 files, 1 folders, 20 files/s: /a"
              "\r40 files, 2 folders, 200 files/s: /b"
              "\r5 files, 2 folders, 5 files/s       "
              "\r" +
                  std::string(29, ' ') + "\r");
}

}  // namespace
}  // namespace tolvane
