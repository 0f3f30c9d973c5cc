// The workbook: what its cells hold for names a spreadsheet would read as something else,
// its sheets, and what each end of a run leaves. Workbooks are read back by openpyxl.

#include <gtest/gtest.h>

#include <string>

#include "listing_fakes.h"
#include "listing_line.h"
#include "workbook_output.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace tolvane {
namespace {

using testing::TemporaryFolder;

TEST(WorkbookCells, TextAsItIsSaveWhatACellsXmlCannotCarry) {
    const struct {
        std::string text;
        std::string cell;
    } cases[] = {
        {"=SUM(1+1).txt", "=SUM(1+1).txt"},
        {"\"quoted", "\"quoted"},
        {"tab\there\nline", "tab\there\nline"},
        {"cr\rbell\a", "cr?bell?"},
        {"caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80"},
        // One "?" for each byte that is no character, one for a character XML forbids.
        {"bad\xFF\xFE.dat", "bad??.dat"},
        {"overlong\xC0\xAF", "overlong??"},
        {"surrogate\xED\xA0\x80", "surrogate???"},
        {"cut\xE6\x97", "cut??"},
        {"not\xEF\xBF\xBE!", "not?!"},
        {"_x0041_.txt", "_x005F_x0041_.txt"},
        {"_x00G1_ _x41_", "_x00G1_ _x41_"},
    };
    for (const auto& c : cases) {
        std::string cell;
        appendCellText(c.text, cell);
        EXPECT_EQ(cell, c.cell) << c.text;
    }
    std::string longest;
    appendCellText(std::string(40000, 'a'), longest);
    EXPECT_EQ(longest.size(), 32767u);
}

#ifndef _WIN32
TEST(WorkbookOutputTest, MoreFilesThanASheetHoldsGoOnOnTheNextSheetUnderTheHeader) {
    TemporaryFolder folder;
    const std::string path = folder.str() + "/sheets.xlsx";
    OutputFileTable files;
    const DateTimeText dateText("%d.%m.%Y", "%H:%M");
    files.openForOutput(1, path);
    {
        WorkbookOutput output(files, 1, path, dateText, 3);  // the header and two files a sheet
        for (int i = 1; i <= 5; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            ListingLine line;
            line.name = name;
            line.size = 1000 * i;
            line.modified = i < 5 ? DateTime{2004, 6, i, 9, 5, 27} : DateTime{};
            line.folder = "/w";
            line.attributes = i == 2 ? 0x21 : 0;
            line.comment = i == 3 ? "=1+1" : "";
            output.writeLine(line);
        }
        output.close();
    }
    const std::string header =
        "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\n";
    EXPECT_EQ(testing::readWorkbook(path),
              "Sheet1 freeze=A2 filter=A1:G3 date=dd.mm.yyyy hh:mm bold=True "
              "widths=11,12,7,18,12,12,10\n" +
                  header +
                  "f1.txt\tTXT\t#1000\t@2004-06-01 09:05:27\t/w\t\t\n"
                  "f2.txt\tTXT\t#2000\t@2004-06-02 09:05:27\t/w\tAR\t\n"
                  "Sheet2 freeze=A2 filter=A1:G3 date=dd.mm.yyyy hh:mm bold=True "
                  "widths=11,12,7,18,12,12,10\n" +
                  header +
                  "f3.txt\tTXT\t#3000\t@2004-06-03 09:05:27\t/w\t\t=1+1\n"
                  "f4.txt\tTXT\t#4000\t@2004-06-04 09:05:27\t/w\t\t\n"
                  // A date no spreadsheet holds (before 1900) is the listing's text.
                  "Sheet3 freeze=A2 filter=A1:G2 date=- bold=True widths=11,12,7,18,12,12,10\n" +
                  header + "f5.txt\tTXT\t#5000\t30.12.1899\t/w\t\t\n");
}

class WorkbookRunTest : public testing::TreeListingTest {};

// Done or stopped, the workbook opens with the rows written; one that cannot be completed
// (its folder gone, a file size limit reached) is reported in the run's words and removed.
TEST_F(WorkbookRunTest, EveryEndOfARunLeavesAWorkbookThatOpensOrNone) {
    for (int i = 0; i < 300; ++i) {
        tree.file("f" + std::to_string(1000 + i) + ".txt", 7);
    }
    tree.file("sub/last.txt", 3);
    const std::string path = (output.path() / "list.XLSX").string();
    const rlim_t kUnlimited = RLIM_INFINITY;
    const struct {
        const char* what;
        int yield;  // the action happens at this yield (1 is entering "sub")
        rlim_t sizeLimit;
        std::string message;  // "" for none; the workbook is then kept
        std::size_t rows;
    } cases[] = {
        {"done", 0, kUnlimited, "", 301},
        {"stopped", 1, kUnlimited, "", 300},
        {"folder removed", 1, kUnlimited, "No such file or directory", 0},
        {"size limit", 0, 16384, "File too large", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_directories(output.path());
        fields.SaveFilename = path;
        window.messages.clear();
        window.yields = 0;
        window.onYield = [&](int yields) {
            if (yields != c.yield) {
                return;
            }
            if (c.message.empty()) {
                fields.StopRequested = true;  // as a Stop press does
                fields.Running = false;
            } else {
                std::filesystem::remove_all(output.path());
            }
        };
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limited{c.sizeLimit, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        ListingRun run(fields, window, fileSystem, files, dateText);
        run.Make_Button_Click();
        ::setrlimit(RLIMIT_FSIZE, &saved);

        if (!c.message.empty()) {
            ASSERT_EQ(window.messages.size(), 1u);
            EXPECT_EQ(window.messages[0].title, "Error in Make_Button_Click");
            EXPECT_EQ(window.messages[0].text,
                      "Error writing file: " + path + "\rError: " + c.message);
            EXPECT_FALSE(std::filesystem::exists(path));
            continue;
        }
        EXPECT_TRUE(window.messages.empty());
        const std::string read = testing::readWorkbook(path);
        EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), 2 + c.rows) << read;
        EXPECT_NE(read.find("\nf1299.txt\tTXT\t#7\t@"), std::string::npos) << read;
    }
}
#endif

}  // namespace
}  // namespace tolvane
