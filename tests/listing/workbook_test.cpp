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
        {"tab\there\nline", "tab\there\nline"},
        {"cr\rbell\a", "cr?bell?"},
        {"caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80"},
        // One "?" for each byte that is no character, one for a character XML forbids.
        {"bad\xFF\xFE.dat", "bad??.dat"},
        {"surrogate\xED\xA0\x80", "surrogate???"},
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
        for (int i = 1; i <= 3; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            ListingLine line{name, 1000 * i, {2004, 6, i, 9, 5, 27}, "/w", 0, ""};
            line.attributes = i == 2 ? 0x21 : 0;
            line.comment = i == 3 ? "=1+1" : "";
            output.writeLine(line);
        }
        output.writeLine(ListingLine{"f4.txt", 4000, DateTime{}, "/w", 0, ""});
        output.close();
    }
    const std::string sheet =
        " freeze=A2 filter=A1:G3 date=dd.mm.yyyy hh:mm bold=True "
        "widths=11,12,7,18,12,12,10\n"
        "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\n";
    EXPECT_EQ(testing::readWorkbook(path),
              "Sheet1" + sheet +
                  "f1.txt\tTXT\t#1000\t@2004-06-01 09:05:27\t/w\t\t\n"
                  "f2.txt\tTXT\t#2000\t@2004-06-02 09:05:27\t/w\tAR\t\n"
                  "Sheet2" +
                  sheet +
                  "f3.txt\tTXT\t#3000\t@2004-06-03 09:05:27\t/w\t\t=1+1\n"
                  // A date no spreadsheet holds (before 1900) is the listing's text.
                  "f4.txt\tTXT\t#4000\t30.12.1899\t/w\t\t\n");
}

class WorkbookRunTest : public testing::TreeListingTest {};

// Done or stopped (at the first yield, before "sub" is entered), the workbook opens with
// the rows written; one that cannot be completed (its folder removed at that yield, a file
// size limit reached) is reported in the run's words and removed. The comment makes the
// sheet some 2.5 MB, which is deflated in three pieces that must read as one.
TEST_F(WorkbookRunTest, EveryEndOfARunLeavesAWorkbookThatOpensOrNone) {
    for (int i = 0; i < 300; ++i) {
        tree.file("f" + std::to_string(1000 + i) + ".txt", 7);
    }
    tree.file("sub/last.txt", 3);
    fields.AddComment = true;
    for (int i = 0; fields.FileComment.size() < 8000; ++i) {
        fields.FileComment += std::to_string(i * 7919 % 10007) + " ";
    }
    fields.SaveFilename = (output.path() / "list.XLSX").string();
    const struct {
        bool stop;
        bool removeFolder;
        rlim_t sizeLimit;
        std::string failure;  // "" for none
        int lines;            // of the read workbook
    } cases[] = {{false, false, RLIM_INFINITY, "", 303},
                 {true, false, RLIM_INFINITY, "", 302},
                 {false, true, RLIM_INFINITY, "No such file or directory", 0},
                 {false, false, 16384, "File too large", 0}};
    for (const auto& c : cases) {
        std::filesystem::create_directories(output.path());
        window.messages.clear();
        window.onYield = [&](int) {
            fields.StopRequested = fields.StopRequested || c.stop;  // as a Stop press does
            if (c.removeFolder) {
                std::filesystem::remove_all(output.path());
            }
        };
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limited{c.sizeLimit, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        ListingRun(fields, window, walkOptions, files, dateText).start();
        ::setrlimit(RLIMIT_FSIZE, &saved);

        const std::string read = testing::readWorkbook(fields.SaveFilename);
        if (c.failure.empty()) {
            EXPECT_TRUE(window.messages.empty()) << window.messages[0].text;
            EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), c.lines) << read.substr(0, 999);
            EXPECT_NE(read.find("\nf1299.txt\tTXT\t#7\t@"), std::string::npos);
            EXPECT_NE(read.find("\t" + fields.FileComment + "\n", read.find("\nf1299")),
                      std::string::npos);
            continue;
        }
        ASSERT_EQ(window.messages.size(), 1u) << c.failure;
        EXPECT_EQ(window.messages[0].title + "|" + window.messages[0].text,
                  "Error in Make_Button_Click|Error writing file: " + fields.SaveFilename +
                      "\rError: " + c.failure);
        EXPECT_FALSE(std::filesystem::exists(fields.SaveFilename));
    }
}
#endif

}  // namespace
}  // namespace tolvane
