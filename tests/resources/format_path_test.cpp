#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/messages.h"
#include "tests/resources/expected_texts.h"

namespace {

const int kTextSize = MAX_PATH;
const int kGuardSize = 1024;  // wsprintfA writes at most 1024 characters
const char kGuard = 0x5a;

// A path of exactly length characters that ends with "\" + last; the folders in
// between are what shortening may leave out.
std::string MakePath(size_t length, const std::string& head, const std::string& last)
{
    std::string filler;
    while (filler.size() < length)
        filler += "Ordner\\";
    size_t middle = length - head.size() - last.size() - 1;
    filler.resize(middle);
    if (!filler.empty() && filler.back() == '\\')
        filler.back() = 'x';
    return head + filler + "\\" + last;
}

// Formats into a buffer with guard bytes behind its 260 characters and checks
// that nothing was written past them; yields the result.
std::string Format(const char* format, const std::string& path, int size = kTextSize)
{
    char buffer[kTextSize + kGuardSize];
    memset(buffer, kGuard, sizeof buffer);
    int length = FormatPathMessage(buffer, size, format, path.c_str());
    int written = 0;
    for (int i = size; i < kTextSize + kGuardSize; ++i)
        written += buffer[i] != kGuard;
    EXPECT_EQ(0, written) << "expected nothing past the " << size << "-character buffer, came " << written
                          << " bytes written behind it, for a path of " << path.size() << " characters";
    EXPECT_LT(length, size) << "result of " << length << " characters does not fit " << size;
    EXPECT_GE(length, 0);
    if (length < 0 || length >= size)
        return std::string();
    EXPECT_EQ('\0', buffer[length]) << "no terminator at the reported length " << length;
    return std::string(buffer, length);
}

struct PathFormat {
    const char* format;
    size_t longestPath;
};

// The longest path that fits beside each path message, in German and English.
std::vector<PathFormat> PathFormats()
{
    return {
        {FindCatalogueText(IDS_FOLDER_MISSING)->german, 170},
        {FindCatalogueText(IDS_FOLDER_INVALID)->german, 177},
        {FindCatalogueText(IDS_FOLDER_NOT_CREATED)->german, 178},
        {FindCatalogueText(IDS_FOLDER_MISSING)->english, 191},
        {FindCatalogueText(IDS_FOLDER_INVALID)->english, 217},
        {FindCatalogueText(IDS_FOLDER_NOT_CREATED)->english, 204},
    };
}

// The path as it stands in the text, after checking the format's own text around it.
std::string ShownPath(const std::string& text, const char* format)
{
    std::string before = format;
    before.resize(before.find("%s"));
    std::string after = std::strstr(format, "%s") + 2;
    EXPECT_GE(text.size(), before.size() + after.size()) << "text too short for its format: " << text;
    if (text.size() < before.size() + after.size())
        return std::string();
    EXPECT_EQ(before, text.substr(0, before.size())) << "text before the path lost: " << text;
    EXPECT_EQ(after, text.substr(text.size() - after.size())) << "text after the path lost: " << text;
    return text.substr(before.size(), text.size() - before.size() - after.size());
}

TEST(FormatPathMessage, PutsEveryPathThatFitsInWhole)
{
    for (const PathFormat& row : PathFormats()) {
        for (const std::string& path :
             {std::string("C:\\Programme\\Velmor32"), MakePath(row.longestPath, "C:\\", "Velmor32")}) {
            std::string text = Format(row.format, path);
            EXPECT_EQ(WithPath(row.format, path), text) << "path of " << path.size() << " characters";
        }
    }
}

TEST(FormatPathMessage, ShortensALongerPathToItsDriveAndLastFolder)
{
    for (const PathFormat& row : PathFormats()) {
        for (size_t length : {row.longestPath + 1, size_t(259)}) {
            std::string path = MakePath(length, "C:\\", "Velmor32");
            std::string shown = ShownPath(Format(row.format, path), row.format);
            EXPECT_EQ("C:\\...\\Velmor32", shown) << "path of " << length << " characters, room for "
                                                 << row.longestPath;
        }
    }
}

struct LongNameCase {
    const char* name;
    std::string path;
    std::string expectedStart;
};

// When even the drive, "..." and the last name are too long, the end of the name
// stays visible: that is where folder names differ ("...\Velmora 2 Beta").
TEST(FormatPathMessage, CutsTheStartOfALastNameThatDoesNotFit)
{
    const char* format = FindCatalogueText(IDS_FOLDER_MISSING)->german;
    const size_t room = 170;
    std::string longName(200, 'n');
    longName += " Beta";
    const LongNameCase cases[] = {
        {"drive path", MakePath(259, "C:\\", longName), "C:\\..."},
        {"name right under the root", "D:\\" + std::string(251, 'n') + " Beta", "D:\\..."},
        {"network path", MakePath(259, "\\\\server\\share\\", longName), "..."},
        {"no backslash at all", std::string(254, 'n') + " Beta", "..."},
    };
    for (const LongNameCase& c : cases) {
        std::string shown = ShownPath(Format(format, c.path), format);
        std::string keptEnd = c.path.substr(c.path.size() - (room - c.expectedStart.size()));
        EXPECT_EQ(c.expectedStart + keptEnd, shown) << c.name;
    }
}

TEST(FormatPathMessage, KeepsTheDriveAndLastFolderOfAnUnusualLongPath)
{
    const char* format = FindCatalogueText(IDS_FOLDER_INVALID)->english;
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {MakePath(258, "C:\\", "Velmor32") + "\\", "C:\\...\\Velmor32\\"},
        {MakePath(259, "c:", "Velmor32"), "c:...\\Velmor32"},
        {MakePath(259, "\\\\server\\share\\", "Velmor32"), "...\\Velmor32"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ShownPath(Format(format, c.path), format)) << "path " << c.path;
}

// Only a format with one "%s" and no other conversion lets the room be known; any
// other text is shown as it is, within the buffer.
TEST(FormatPathMessage, CopiesAnyOtherFormatWithinTheBuffer)
{
    const std::string longText(300, 't');
    const struct {
        const char* name;
        std::string format;
        int size;
        std::string expected;
    } cases[] = {
        {"no placeholder", "The folder is invalid.", kTextSize, "The folder is invalid."},
        {"two placeholders", "%s and %s", kTextSize, "%s and %s"},
        {"another conversion", "%s %d", kTextSize, "%s %d"},
        {"a lone percent sign", "100%", kTextSize, "100%"},
        {"text longer than the buffer", longText, kTextSize, longText.substr(0, kTextSize - 1)},
        {"format longer than a small buffer", FindCatalogueText(IDS_FOLDER_MISSING)->german, 20,
         std::string(FindCatalogueText(IDS_FOLDER_MISSING)->german).substr(0, 19)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Format(c.format.c_str(), "C:\\Programme", c.size)) << c.name;
}

TEST(FormatPathMessage, SmallBufferStillGetsDriveAndEnd)
{
    // "%s!" in 12 characters leaves room for 10: "C:\" + "..." + the last 4.
    EXPECT_EQ("C:\\...ra32!", Format("%s!", "C:\\Programme\\Velmora32", 12));
}

} // namespace
