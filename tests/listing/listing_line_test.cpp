#include "listing_line.h"

#include <gtest/gtest.h>

#include <clocale>

#include "date_time_text.h"
#include "wildcard.h"

namespace tolvane {
namespace {

TEST(ListingLine, ExtensionsAndAttributeLetters) {
    EXPECT_EQ(extensionOf("archive.tar.gz"), "GZ");
    EXPECT_EQ(extensionOf(".profile"), "PROFILE");
    EXPECT_EQ(extensionOf("README"), "README");
    EXPECT_EQ(extensionOf("trailing."), "");
    EXPECT_EQ(extensionOf("bad.\377x"), "\377X");  // bytes that are not UTF-8 pass through
    EXPECT_EQ(attributeLetters(0), "");
    EXPECT_EQ(attributeLetters(1 | 2 | 4 | 32), "AHRS");  // in their fixed order
    EXPECT_EQ(attributeLetters(1 | 16 | 64 | 128), "R");  // other bits are ignored
}

TEST(ListingLine, NonAsciiExtensionsAreUpperCasedAsTheFilterMatchesThem) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no C.UTF-8 locale";
    }
    EXPECT_EQ(extensionOf("r\xC3\xA9sum\xC3\xA9.caf\xC3\xA9"), "CAF\xC3\x89");
    // One case rule: the Extension column, read back as a pattern, finds its own file.
    // (An upper-case form of another length, as for the dotless i, is not taken.)
    for (const std::string name :
         {"caf.\xC3\xA9t\xC3\xA9", "x.stra\u00DFe", "\xCF\x83.\xCF\x82\xCE\xB1", "a.\xC7\x86",
          "a.\xC4\xB1", "bad.\303a\377"}) {
        EXPECT_TRUE(matchesWildcard("*." + extensionOf(name), name)) << extensionOf(name);
    }
    EXPECT_EQ(extensionOf("a.\xC4\xB1"), "\xC4\xB1");
    std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(ListingLine, SevenFieldsEvenWhenANameHoldsTabsOrLineBreaksAndSizesShownWhole) {
    const DateTimeText text("%d-%m-%Y", "%H:%M:%S");
    std::string out;
    ListingLine line;
    line.name = "a\tb\r\nc.t\txt";
    line.size = 3;
    line.modified = DateTime{2004, 6, 14, 9, 5, 27};
    line.folder = "/data/odd\nfolder";
    line.comment = "two\tparts";
    formatListingLine(line, text, out);
    EXPECT_EQ(out, "a?b??c.t?xt\tT?XT\t3\t14-06-2004 09:05:27\t/data/odd?folder\t\ttwo?parts");

    // Sizes beyond 32 bits, not cut to the old 32-bit field.
    line = ListingLine();
    line.name = "disk.img";
    line.modified = DateTime{2004, 1, 1, 0, 0, 0};
    for (const std::int64_t size : {2147483648LL, 4294967296LL, 9007199254740993LL}) {
        line.size = size;
        formatListingLine(line, text, out);
        EXPECT_EQ(out, "disk.img\tIMG\t" + std::to_string(size) + "\t01-01-2004\t\t\t");
    }
}

}  // namespace
}  // namespace tolvane
