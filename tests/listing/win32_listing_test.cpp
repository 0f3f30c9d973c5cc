// The engine over real folders on Windows: Win32 paths, attribute letters set with
// SetFileAttributesW, hidden and system folders, names outside the ANSI code page and
// the root of drive C:.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "recording_window.h"
#include "support/temporary_folder.h"
#include "win32_error.h"
#include "win32_file_system.h"
#include "win32_text.h"

namespace tolvane {
namespace {

using testing::readFile;
using testing::RecordingWindow;
using testing::TemporaryFolder;

void makeFile(const std::string& utf8Path, DWORD bytes = 0, DWORD attributes = 0) {
    HANDLE file = CreateFileW(wideFromUtf8(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << utf8Path;
    const std::string data(bytes, 'x');
    DWORD written = 0;
    WriteFile(file, data.data(), bytes, &written, nullptr);
    CloseHandle(file);
    if (attributes != 0) {
        ASSERT_TRUE(SetFileAttributesW(wideFromUtf8(utf8Path).c_str(), attributes));
    }
}

void makeFolder(const std::string& utf8Path, DWORD attributes = 0) {
    ASSERT_TRUE(CreateDirectoryW(wideFromUtf8(utf8Path).c_str(), nullptr)) << utf8Path;
    if (attributes != 0) {
        ASSERT_TRUE(SetFileAttributesW(wideFromUtf8(utf8Path).c_str(), attributes));
    }
}

// Clears the read-only, hidden and system bits below `folder`, so that it can be removed.
void clearAttributes(const std::string& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wideFromUtf8(folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = utf8FromWide(data.cFileName);
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + "\\" + name;
        SetFileAttributesW(wideFromUtf8(path).c_str(),
                           data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            clearAttributes(path);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

class Win32ListingTest : public ::testing::Test {
  protected:
    Win32ListingTest() {
        fields.RecurseSubdirectories = true;
        fields.SaveFilename = output.str() + "\\Tolvane.Txt";
        window.folder = tree.str();
    }
    ~Win32ListingTest() override { clearAttributes(tree.str()); }

    std::string listing() {
        ListingRun run(fields, window, fileSystem, files, dateText);
        run.Make_Button_Click();
        EXPECT_FALSE(fields.Running);
        return readFile(fields.SaveFilename);
    }

    // Each line's "directory|name|attribute letters", the header left out, as UTF-8.
    std::vector<std::string> lines() {
        std::vector<std::string> result;
        std::istringstream in(utf8FromAnsi(listing()));
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::vector<std::string> parts;
            std::istringstream fields(line);
            for (std::string part; std::getline(fields, part, '\t');) {
                parts.push_back(part);
            }
            result.push_back(parts.at(4) + "|" + parts.at(0) + "|" + parts.at(5));
        }
        return result;
    }

    TemporaryFolder tree;
    TemporaryFolder output;
    ListingFields fields;
    Win32FileSystem fileSystem;
    OutputFileTable files;
    DateTimeText dateText{"%d-%m-%Y", "%H:%M:%S"};
    RecordingWindow window;
};

TEST_F(Win32ListingTest, HiddenAndSystemEntriesAreListedAndEnteredWithTheirLetters) {
    const std::string t = tree.str();
    makeFile(t + "\\plain.txt", 1, FILE_ATTRIBUTE_ARCHIVE);
    makeFile(t + "\\hidden.txt", 2, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    makeFile(t + "\\all.sys", 3,
             FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                 FILE_ATTRIBUTE_SYSTEM);
    makeFolder(t + "\\Secret", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    makeFile(t + "\\Secret\\inside.txt", 4, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    makeFolder(t + "\\Secret\\Deeper", FILE_ATTRIBUTE_HIDDEN);
    makeFile(t + "\\Secret\\Deeper\\bottom.doc", 5,
             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    std::vector<std::string> result = lines();
    ASSERT_EQ(result.size(), 5u);
    // A folder's own files come first (in the file system's order), then its subfolders.
    std::sort(result.begin(), result.begin() + 3);
    EXPECT_EQ(result, (std::vector<std::string>{t + "|all.sys|AHRS", t + "|hidden.txt|AH",
                                                t + "|plain.txt|A", t + "\\Secret|inside.txt|AS",
                                                t + "\\Secret\\Deeper|bottom.doc|AR"}));
    EXPECT_EQ(window.progress, "Directory contenst stored in: " + fields.SaveFilename);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(Win32ListingTest, TheWorkedExampleByteForByteInTheAnsiCodePage) {
    const std::string work = tree.str() + "\\Work";
    const std::string german =
        "Gr\xC3\xBC\xC3\x9F"
        "e.txt";  // Grüße.txt
    makeFolder(work);
    makeFile(work + "\\Report.doc", 12345, FILE_ATTRIBUTE_ARCHIVE);
    makeFolder(work + "\\Old");
    makeFile(work + "\\Old\\" + german, 512, FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileW(wideFromUtf8(work + "\\Report.doc").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SYSTEMTIME local{2004, 6, 1, 14, 9, 5, 27, 0};
    SYSTEMTIME utc{};
    FILETIME stamp{};
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &stamp));
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    window.folder = work;
    fields.AddComment = true;
    fields.FileComment = "Backup 1";

    const std::string text = listing();
    const std::string header =
        "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\r\n";
    const std::string first =
        "Report.doc\tDOC\t12345\t14-06-2004 09:05:27\t" + work + "\tA\tBackup 1\r\n";
    ASSERT_EQ(text.substr(0, header.size() + first.size()), header + first);
    // The name is written in the ANSI code page; Wine marks new files for archiving.
    const std::string rest = text.substr(header.size() + first.size());
    const std::string start = ansiFromUtf8(german) + "\tTXT\t512\t";
    EXPECT_EQ(rest.substr(0, start.size()), start);
    const std::string end = "\t" + work + "\\Old\t";
    EXPECT_NE(rest.find(end), std::string::npos);
    EXPECT_TRUE(rest.ends_with("R\tBackup 1\r\n"));
}

TEST_F(Win32ListingTest, TheRootOfDriveCKeepsItsOneBackslash) {
    // A file and a folder of our own directly in C:\, found by a pattern that nothing
    // else in the root matches.
    const std::string tag = "tolvane-root-" + std::to_string(GetCurrentProcessId());
    const std::string rootFile = "C:\\" + tag + ".txt";
    const std::string rootFolder = "C:\\" + tag;
    makeFile(rootFile, 7);
    makeFolder(rootFolder);
    makeFile(rootFolder + "\\" + tag + "-inner.txt", 8);
    window.folder = "C:\\";
    fields.RecurseSubdirectories = false;
    fields.UseFileFilter = true;
    fields.FileFilter = tag + "*";

    const std::vector<std::string> flat = lines();
    fields.RecurseSubdirectories = true;
    const std::vector<std::string> deep = lines();
    const std::string progress = window.log.size() > 0 ? window.progress : "";
    std::vector<std::string> shown;
    for (const std::string& event : window.log) {
        if (event == "progress " + rootFolder) {
            shown.push_back(event);
        }
    }
    DeleteFileW(wideFromUtf8(rootFolder + "\\" + tag + "-inner.txt").c_str());
    RemoveDirectoryW(wideFromUtf8(rootFolder).c_str());
    DeleteFileW(wideFromUtf8(rootFile).c_str());

    EXPECT_EQ(flat, (std::vector<std::string>{"C:\\|" + tag + ".txt|A"}));
    ASSERT_EQ(deep.size(), 2u);
    EXPECT_EQ(deep[0], "C:\\|" + tag + ".txt|A");
    EXPECT_EQ(deep[1], rootFolder + "|" + tag + "-inner.txt|A");
    EXPECT_EQ(shown.size(), 1u) << "the root's subfolder was not shown as C:\\" << tag;
}

TEST_F(Win32ListingTest, AFolderThatVanishesIsReportedWithTheSystemsDescription) {
    makeFolder(tree.str() + "\\gone");
    makeFile(tree.str() + "\\gone\\x.txt");
    window.onYield = [&](int yields) {
        if (yields == 1) {
            DeleteFileW(wideFromUtf8(tree.str() + "\\gone\\x.txt").c_str());
            RemoveDirectoryW(wideFromUtf8(tree.str() + "\\gone").c_str());
        }
    };
    EXPECT_TRUE(lines().empty());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "Error in ListDirectory");
    EXPECT_NE(window.messages[0].text.find("during recursing to subdirectory: " + tree.str() +
                                           "\\gone\r"),
              std::string::npos);
    EXPECT_NE(window.messages[0].text.find("Error: " + win32Description(ERROR_PATH_NOT_FOUND)),
              std::string::npos);
}

}  // namespace
}  // namespace tolvane
