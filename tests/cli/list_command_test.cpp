// tolvane-list as its users run it: the real executable in a child process on generated
// trees, its listing against a ListingRun driven here on the same options. Where a test
// acts in the middle of a run, it waits for the first block of lines to reach the file;
// the rest of the run takes far longer than the test needs to act.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "application_settings.h"
#include "c_registry.h"
#include "console_window.h"
#include "date_time_text.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "posix_file_system.h"
#include "registry_sqlite_store.h"
#include "support/temporary_folder.h"

extern char** environ;

namespace tolvane {
namespace {

using testing::readFile;
using testing::setModified;
using testing::TemporaryFolder;

constexpr char kStored[] = "Directory contenst stored in: ";

struct Launch {
    std::vector<std::string> arguments;
    std::string config;     // XDG_CONFIG_HOME
    std::string folder;     // the child's current folder; empty: the test's own
    bool terminal = false;  // standard error on a terminal instead of a file
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

// One run of tolvane-list in a child process.
class Child {
  public:
    Child(const Launch& launch, const std::filesystem::path& scratch)
        : outPath_(scratch / "stdout"), errPath_(scratch / "stderr") {
        std::vector<std::string> texts{TOLVANE_LIST_PROGRAM};
        texts.insert(texts.end(), launch.arguments.begin(), launch.arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environment{"LC_ALL=C", "XDG_CONFIG_HOME=" + launch.config};
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::string(*entry).rfind("LC_ALL=", 0) != 0 &&
                std::string(*entry).rfind("XDG_CONFIG_HOME=", 0) != 0) {
                environment.push_back(*entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& text : environment) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);

        int terminal = -1;
        if (launch.terminal) {
            winsize wide{};
            wide.ws_col = 250;
            EXPECT_EQ(::openpty(&master_, &terminal, nullptr, nullptr, &wide), 0);
        }
        pid = ::fork();
        if (pid == 0) {
            const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = launch.terminal
                                ? terminal
                                : ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (!launch.folder.empty() && ::chdir(launch.folder.c_str()) != 0) {
                ::_exit(99);
            }
            // Whatever the test runner ignores, the program starts as from a shell.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            // Past the limit a write fails with EFBIG instead of ending the process.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(98);
        }
        if (terminal >= 0) {
            ::close(terminal);
        }
    }

    // Waits for the end; the wait status. Standard output and error are read then.
    int wait() {
        if (master_ >= 0) {
            char buffer[4096];
            for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) {
                errors.append(buffer, static_cast<std::size_t>(n));
            }
            ::close(master_);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        output = readFile(outPath_);
        if (master_ < 0) {
            errors = readFile(errPath_);
        }
        return status;
    }

    pid_t pid = -1;
    std::string output;
    std::string errors;

  private:
    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
    int master_ = -1;
};

// Tells when a child has written the first block of its listing: its walk is then under
// way, with far more to list than it has written.
class FirstBlock {
  public:
    explicit FirstBlock(std::filesystem::path listing) : listing_(std::move(listing)) {
        std::ofstream created(listing_);
        watch_ = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch_, listing_.c_str(), IN_MODIFY);
    }
    ~FirstBlock() { ::close(watch_); }

    bool await() const {
        // Opening may empty the file first, which is a change too.
        while (std::filesystem::file_size(listing_) == 0) {
            pollfd changed{watch_, POLLIN, 0};
            alignas(inotify_event) char events[4096];
            if (::poll(&changed, 1, 30'000) != 1 || ::read(watch_, events, sizeof events) <= 0) {
                return false;
            }
        }
        return true;
    }

  private:
    std::filesystem::path listing_;
    int watch_ = -1;
};

class ListCommandTest : public ::testing::Test {
  protected:
    ListCommandTest() : config(scratch.path() / "config") {
        std::filesystem::create_directories(config);
    }

    // Names a listing and a shell make trouble with, a read-only file, a file at midnight,
    // links, hidden and nested folders.
    void makeOddTree() {
        for (const char* name :
             {"plain.txt", "UPPER.TXT", "with space.doc", ".hidden.txt", "archive.tar.gz", "README",
              "-dash.txt", "semi;colon 'quote\".txt", "star*and?mark.txt",
              "\xC3\xBCnic\xC3\xB6"
              "de.txt",
              "bad\xFF.dat", "tab\there.txt", "line\nbreak.txt", "sub dir/nested/deep.txt",
              ".hidden dir/h.TXT", "Zeta/z.txt", "alpha/a.doc"}) {
            tree.file(name, std::string(name).size());
        }
        tree.folder("empty");
        setModified(tree.file("midnight.txt", 3), DateTime{2004, 1, 1, 0, 0, 0});
        ::chmod(tree.file("readonly.txt").c_str(), 0444);
        std::filesystem::create_symlink(tree.path() / "plain.txt", tree.path() / "link.txt");
        std::filesystem::create_symlink(tree.path() / "gone", tree.path() / "dangling");
        std::filesystem::create_symlink(tree.path() / "alpha", tree.path() / "folder link");
    }

    // A folder "big" that takes a tenth of a second or more to list, many times the
    // output's first block. Its files are links to one, which are quick to make.
    std::filesystem::path makeBigFolder() {
        const std::filesystem::path big = tree.folder("big");
        const std::filesystem::path first = tree.file("big/" + std::string(200, 'n'));
        for (int i = 0; i < 6000; ++i) {
            std::filesystem::create_hard_link(
                first, big / (first.filename().string() + std::to_string(i)));
        }
        return big;
    }

    // The listing of a ListingRun driven here, written to `path`.
    std::string windowListing(ListingFields fields, const std::string& folder,
                              const std::string& path) {
        fields.SaveFilename = path;
        ConsoleWindow window(folder, stderr);
        PosixFileSystem fileSystem;
        OutputFileTable files;
        const DateTimeText dateText = DateTimeText::fromUserSettings();
        ListingRun run(fields, window, fileSystem, files, dateText);
        run.Make_Button_Click();
        EXPECT_TRUE(window.messageTitles().empty());
        return readFile(path);
    }

    std::string windowListing(ListingFields fields, const std::filesystem::path& folder) {
        return windowListing(fields, folder.string(), (scratch.path() / "window.txt").string());
    }

    Child start(std::vector<std::string> arguments, bool terminal = false,
                rlim_t fileSizeLimit = RLIM_INFINITY) {
        return Child(Launch{std::move(arguments), config.string(), "", terminal, fileSizeLimit},
                     scratch.path());
    }

    TemporaryFolder tree;
    TemporaryFolder scratch;
    std::filesystem::path config;
    std::string out = (scratch.path() / "out.txt").string();
};

ListingFields recursing() {
    ListingFields fields;
    fields.RecurseSubdirectories = true;
    return fields;
}

TEST_F(ListCommandTest, ListsByteForByteAsTheWindowOnTheSameOptions) {
    makeOddTree();
    ListingFields filtered = recursing();
    filtered.UseFileFilter = true;
    filtered.FileFilter = "*.TXT";
    filtered.AddComment = true;
    filtered.FileComment = "Backup 1";
    ListingFields flat;
    flat.UseFileFilter = true;
    flat.FileFilter = "?e*";
    flat.AddComment = true;
    struct Case {
        std::vector<std::string> options;
        ListingFields fields;
        bool quiet;
    } cases[] = {
        {{}, recursing(), false},
        {{"--filter", "*.TXT", "--comment=Backup 1"}, filtered, false},
        {{"--no-recurse", "--filter=?e*", "--comment", "", "-q"}, flat, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(), {"-o", out, tree.str() + "/"});
        Child child = start(arguments);
        EXPECT_EQ(child.wait(), 0);
        EXPECT_EQ(readFile(out), windowListing(c.fields, tree.path()));
        EXPECT_EQ(child.errors, c.quiet ? "" : kStored + out + "\n");
        EXPECT_EQ(child.output, "");
    }

    // With no -o, the window's default name in the current folder.
    Child child(Launch{{tree.str()}, config.string(), scratch.str()}, scratch.path());
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(readFile(scratch.path() / "Tolvane.Txt"), windowListing(recursing(), tree.path()));
    EXPECT_EQ(child.errors, std::string(kStored) + "./Tolvane.Txt\n");
}

TEST_F(ListCommandTest, BadUsageEndsWithStatus2AndTouchesNoFile) {
    tree.file("file.txt");
    const std::string folder = tree.str();
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string shown;  // the start of standard error, or with status 0 of standard output
    } cases[] = {
        {{}, 2, "tolvane-list: no FOLDER given\nTry 'tolvane-list --help'.\n"},
        {{folder, folder}, 2, "tolvane-list: one FOLDER only"},
        {{"--bogus", folder}, 2, "tolvane-list: unknown option '--bogus'"},
        {{"--quiet=yes", folder}, 2, "tolvane-list: option '--quiet' takes no value"},
        {{folder, "--filter"}, 2, "tolvane-list: option '--filter' needs a value"},
        {{folder + "/missing"}, 2, "tolvane-list: '" + folder + "/missing' is not a folder"},
        {{folder + "/file.txt"}, 2, "tolvane-list: '" + folder + "/file.txt' is not a folder"},
        {{"--help", folder}, 0, "Usage: tolvane-list [options] FOLDER\n"},
        {{"--version"}, 0, "tolvane-list " + versionText() + "\n"},
    };
    const std::filesystem::path existing = scratch.file("existing.txt", 5);
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"-o", existing.string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Child child = start(arguments);
        EXPECT_EQ(WEXITSTATUS(child.wait()), c.status) << c.shown;
        const std::string& shown = c.status == 0 ? child.output : child.errors;
        EXPECT_EQ(shown.substr(0, c.shown.size()), c.shown);
        EXPECT_EQ(readFile(existing), "xxxxx");
    }
}

TEST_F(ListCommandTest, AListingFileThatCannotBeWrittenEndsWithStatus3) {
    makeOddTree();
    const std::string full = windowListing(recursing(), tree.path());
    const std::string nowhere = scratch.str() + "/none/out.txt";
    Child unopened = start({"-o", nowhere, tree.str()});
    EXPECT_EQ(WEXITSTATUS(unopened.wait()), 3);
    EXPECT_EQ(unopened.errors, "Error in Make_Button_Click\nError opening file: " + nowhere +
                                   "\nError: No such file or directory\n");

    Child cut = start({"-o", out, tree.str()}, false, 1000);
    EXPECT_EQ(WEXITSTATUS(cut.wait()), 3);
    EXPECT_EQ(cut.errors, "Error in Make_Button_Click\nError writing file: " + out +
                              "\nError: File too large\n");
    const std::string kept = readFile(out);
    EXPECT_EQ(full.compare(0, kept.size(), kept), 0);
}

TEST_F(ListCommandTest, AFolderThatCannotBeReadIsReportedAndTheRestIsListed) {
    makeBigFolder();
    tree.file("aaa/vanishing.txt");  // found before big, so entered after it
    const FirstBlock firstBlock(out);
    Child child = start({"-o", out, tree.str()});
    ASSERT_TRUE(firstBlock.await());
    std::filesystem::remove_all(tree.path() / "aaa");

    EXPECT_EQ(WEXITSTATUS(child.wait()), 1);
    EXPECT_EQ(readFile(out), windowListing(recursing(), tree.path()));
    EXPECT_EQ(child.errors,
              "Error in ListDirectory\nError has occured in subroutine: ListDirectory,\n"
              "during recursing to subdirectory: " +
                  tree.str() + "/aaa\nError: No such file or directory\n" + kStored + out + "\n");
}

TEST_F(ListCommandTest, StopSignalsEndTheRunOnAWholeLine) {
    const std::filesystem::path big = makeBigFolder();
    tree.file("other/file.txt");
    ListingFields flat;
    const struct {
        int signal;
        std::vector<std::string> arguments;
        std::string full;
    } cases[] = {
        {SIGTERM, {tree.str()}, windowListing(recursing(), tree.path())},
        // Without recursion the walker never yields: the stop is seen between files.
        {SIGINT, {"--no-recurse", big.string()}, windowListing(flat, big)},
    };
    for (const auto& c : cases) {
        const FirstBlock firstBlock(out);
        std::vector<std::string> arguments{"-o", out};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Child child = start(arguments);
        ASSERT_TRUE(firstBlock.await());
        ::kill(child.pid, c.signal);

        const int status = child.wait();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        EXPECT_EQ(child.errors, "Aborted\n");
        const std::string written = readFile(out);
        EXPECT_LT(written.size(), c.full.size());
        EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
        EXPECT_EQ(c.full.compare(0, written.size(), written), 0);
    }
}

TEST_F(ListCommandTest, UseSettingsTakesTheStoredOptionsAndFlagsWin) {
    tree.file("a.txt");
    tree.file("b.doc");
    tree.file("sub/c.txt");
    // Without --use-settings the store is neither read nor written: not even made.
    Child plain = start({"-q", "-o", out, tree.str()});
    EXPECT_EQ(plain.wait(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(config));

    const std::string stored = scratch.str() + "/stored.txt";
    {
        SqliteRegistryStore store((config / "tolvane" / "registry.sqlite3").string());
        CRegistry Registry(store);
        openSettingsKey(Registry);
        Registry.WriteValue(setting_name::kUseFileFilter, "True");
        Registry.WriteValue(setting_name::kFileFilter, "*.txt");
        Registry.WriteValue(setting_name::kRecurseSubdirectories, "False");
        Registry.WriteValue(setting_name::kAddComment, "True");
        Registry.WriteValue(setting_name::kFileComment, "stored");
        Registry.WriteValue(setting_name::kSaveFilename, stored);
    }
    ListingFields fields;
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    fields.AddComment = true;
    fields.FileComment = "stored";
    Child fromStore = start({"--use-settings", tree.str()});
    EXPECT_EQ(fromStore.wait(), 0);
    EXPECT_EQ(readFile(stored), windowListing(fields, tree.path()));

    fields.FileComment = "flag";
    Child flagged = start({"--use-settings", "--comment", "flag", "-o", out, tree.str()});
    EXPECT_EQ(flagged.wait(), 0);
    EXPECT_EQ(readFile(out), windowListing(fields, tree.path()));
}

TEST_F(ListCommandTest, ProgressShowsOnATerminalOnlyAndNeverWhenQuiet) {
    makeBigFolder();
    const struct {
        bool terminal;
        bool quiet;
    } cases[] = {{true, false}, {true, true}, {false, false}};
    for (const auto& c : cases) {
        const FirstBlock firstBlock(out);
        std::vector<std::string> arguments{"-o", out, tree.str()};
        if (c.quiet) {
            arguments.push_back("-q");
        }
        Child child = start(arguments, c.terminal);
        ASSERT_TRUE(firstBlock.await());
        // Held up for longer than a tenth of a second, the run is due for a drawing.
        ::kill(child.pid, SIGSTOP);
        ::usleep(150'000);
        ::kill(child.pid, SIGCONT);
        EXPECT_EQ(child.wait(), 0);
        const std::string closing = c.quiet ? "" : kStored + out;
        if (c.terminal && !c.quiet) {
            EXPECT_NE(child.errors.find(" folders, "), std::string::npos) << child.errors;
            EXPECT_NE(child.errors.find(" files/s: " + tree.str() + "/big"), std::string::npos);
            EXPECT_EQ(child.errors.substr(child.errors.size() - closing.size() - 2),
                      closing + "\r\n");
        } else {
            EXPECT_EQ(child.errors, closing.empty() ? "" : closing + "\n");
        }
    }
}

}  // namespace
}  // namespace tolvane
