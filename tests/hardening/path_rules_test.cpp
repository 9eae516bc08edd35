// The path rules checked against a second reading of them, over generated paths.
// The reference below splits the path into names in one go instead of walking it,
// so that a slip shared by both would have to be made twice in different shapes.
#include "folderdialog/validate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const size_t kLongestPath = 259;

bool IsEdge(unsigned char byte) { return byte == 0x09 || byte == 0x20 || byte == 0x2E; }

bool IsRefused(unsigned char byte)
{
    switch (byte) {
    case 0x22: case 0x2A: case 0x2F: case 0x3A: case 0x3C:
    case 0x3E: case 0x3F: case 0x5C: case 0x7C:
        return true;
    default:
        return false;
    }
}

const std::set<std::string> kDevices = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",
                                         "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                         "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9"};

// The name as Windows reads it for devices: the part before the first dot, blanks at
// its end dropped, in upper case.
bool IsDevice(const std::string& name)
{
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    return kDevices.count(stem) != 0;
}

int ReferenceName(const std::string& name)
{
    if (name.empty())
        return 0;
    if (IsEdge(name.front()) || IsEdge(name.back()))
        return 0;
    for (unsigned char byte : name)
        if (IsRefused(byte))
            return 0;
    return IsDevice(name) ? 0 : 1;
}

std::vector<std::string> SplitAtBackslashes(const std::string& text)
{
    std::vector<std::string> names(1);
    for (char c : text) {
        if (c == '\\')
            names.emplace_back();
        else
            names.back() += c;
    }
    return names;
}

int ReferencePath(const std::string& path)
{
    if (path.size() > kLongestPath || path.size() < 3)
        return 1;
    unsigned char letter = path[0];
    bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!isLetter || path[1] != ':' || path[2] != '\\')
        return 1;
    if (path.size() == 3)
        return 0;
    for (const std::string& name : SplitAtBackslashes(path.substr(3)))
        if (!ReferenceName(name))
            return 1;
    return 0;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F || c == '"') {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

// Collects the cases and compares both functions with the reference; every
// disagreement is reported with the escaped text, a bounded number in full.
class Judge {
public:
    void Path(const std::string& path)
    {
        ++m_paths;
        std::string copy = path;
        int expected = ReferencePath(path);
        int got = CheckPath(copy.c_str(), 1);
        if (got != expected)
            Report("CheckPath(\"" + Escaped(path) + "\", 1) of length " +
                   std::to_string(path.size()), expected, got);
        if (copy != path)
            Report("CheckPath changed the caller's string \"" + Escaped(path) + "\"", 0, 1);
    }
    void Name(const std::string& name)
    {
        ++m_names;
        int expected = ReferenceName(name);
        int got = IsValidPathComponent(name.c_str());
        if (got != expected)
            Report("IsValidPathComponent(\"" + Escaped(name) + "\")", expected, got);
    }
    size_t Paths() const { return m_paths; }
    size_t Names() const { return m_names; }
    size_t Disagreements() const { return m_disagreements; }

private:
    void Report(const std::string& what, int expected, int got)
    {
        if (++m_disagreements <= 40)
            ADD_FAILURE() << what << ": expected " << expected << ", got " << got;
    }
    size_t m_paths = 0;
    size_t m_names = 0;
    size_t m_disagreements = 0;
};

// Every byte at the start, the end, the middle and as the whole of a name, in the
// first, an inner and the last name of a path.
TEST(PathRules, EveryByteAtEveryPlaceOfANameAgreesWithTheRules)
{
    Judge judge;
    for (int value = 0x01; value <= 0xFF; ++value) {
        const std::string b(1, (char)value);
        const std::string names[] = {b, b + b, b + "ab", "a" + b + "b", "ab" + b, b + "a" + b,
                                     "a" + b + b + "b", "nul" + b, "lpt" + b, "COM1" + b,
                                     "cOn" + b + ".x", b + "aux"};
        for (const std::string& name : names) {
            judge.Name(name);
            judge.Path("C:\\" + name);
            judge.Path("c:\\x\\" + name + "\\y");
            judge.Path("Z:\\x\\y\\" + name);
            judge.Path("q:\\" + name + "\\");
        }
        // The three bytes of the drive prefix, each replaced in turn.
        judge.Path(b + ":\\a");
        judge.Path("C" + b + "\\a");
        judge.Path("C:" + b + "a");
        judge.Path(b + ":\\");
    }
    EXPECT_EQ(0u, judge.Disagreements())
        << "expected no disagreement over " << judge.Paths() << " paths and " << judge.Names()
        << " names, got " << judge.Disagreements();
}

// Draws paths that crowd the boundaries: edge and refused bytes, doubled and
// trailing backslashes, and lengths close to 3, 259 and 260.
class PathGenerator {
public:
    explicit PathGenerator(unsigned seed) : m_random(seed) {}

    std::string Name()
    {
        if (Below(16) == 0)
            return DeviceLike();
        size_t length = Below(5) == 0 ? 0 : 1 + Below(Below(4) == 0 ? 40 : 4);
        std::string name;
        for (size_t i = 0; i < length; ++i)
            name += Byte();
        return name;
    }

    std::string Path()
    {
        std::string path = Prefix();
        size_t target = TargetLength();
        while (path.size() < target + 8 && Below(12) != 0) {
            path += Name();
            if (path.size() >= target + 8)
                break;
            path += Separator();
        }
        if (Below(3) != 0 && path.size() > target)
            path.resize(target);
        while (path.size() < target && Below(3) != 0)
            path += Byte();
        return path;
    }

private:
    size_t Below(size_t bound) { return m_random() % bound; }

    // A device name or a near miss, in a random case, often with an ending.
    std::string DeviceLike()
    {
        static const char* const kStems[] = {"con", "prn", "aux", "nul", "com", "lpt", "conx", "nu"};
        std::string name = kStems[Below(8)];
        if (Below(2) == 0)
            name += (char)('0' + Below(10));
        for (char& c : name)
            if (Below(2) == 0 && c >= 'a' && c <= 'z')
                c = (char)(c - 'a' + 'A');
        static const char* const kEndings[] = {"", "", ".txt", " .log", "  ..x", " ", ".", "x", "$"};
        return name + kEndings[Below(9)];
    }

    char Byte()
    {
        static const char kAwkward[] = "\t .\"*/:<>?\\|";
        switch (Below(4)) {
        case 0: return kAwkward[Below(sizeof kAwkward - 1)];
        case 1: return (char)(1 + Below(255));
        default: return (char)('a' + Below(26));
        }
    }

    std::string Prefix()
    {
        std::string prefix = "C:\\";
        switch (Below(8)) {
        case 0: prefix[0] = (char)(1 + Below(255)); break;
        case 1: prefix[1] = (char)(1 + Below(255)); break;
        case 2: prefix[2] = (char)(1 + Below(255)); break;
        case 3: prefix = prefix.substr(0, Below(3)); break;
        case 4: prefix = "\\\\"; break;
        default: prefix[0] = (char)((Below(2) ? 'A' : 'a') + Below(26)); break;
        }
        return prefix;
    }

    std::string Separator()
    {
        switch (Below(10)) {
        case 0: return "\\\\";
        case 1: return "\\\\\\";
        default: return "\\";
        }
    }

    size_t TargetLength()
    {
        switch (Below(4)) {
        case 0: return Below(8);           // around the drive root
        case 1: return 252 + Below(14);    // around the longest path
        case 2: return 255 + Below(80);    // past it
        default: return Below(300);
        }
    }

    std::mt19937 m_random;
};

TEST(PathRules, GeneratedPathsAgreeWithTheRules)
{
    Judge judge;
    PathGenerator generator(20240611u);
    for (int i = 0; i < 120000; ++i) {
        std::string path = generator.Path();
        judge.Path(path);
        // The same path ended by one and by two more backslashes.
        if (i % 4 == 0) {
            judge.Path(path + "\\");
            judge.Path(path + "\\\\");
        }
        judge.Name(generator.Name());
    }
    EXPECT_EQ(0u, judge.Disagreements())
        << "expected no disagreement over " << judge.Paths() << " paths and " << judge.Names()
        << " names, got " << judge.Disagreements();
}

// Well-formed paths of every length around the limit, their last byte varied: up to
// 259 characters the form decides, from 260 on every path is refused.
TEST(PathRules, LengthsAroundTheLimitAgreeWithTheRules)
{
    Judge judge;
    for (size_t length = 240; length <= 300; ++length) {
        std::string path = "C:\\";
        while (path.size() < length) {
            path += std::string(std::min<size_t>(30, length - path.size()), 'n');
            if (path.size() + 1 < length)
                path += '\\';
        }
        path.resize(length);
        for (char last : {'z', '.', ' ', '\t', '\\', '?', '\xe4', '\x01'}) {
            std::string varied = path;
            varied.back() = last;
            judge.Path(varied);
            if (length <= kLongestPath && last == 'z') {
                EXPECT_EQ(0, CheckPath(varied.c_str(), 1)) << "expected 0 for a well-formed path of "
                                                           << length << " characters";
            }
            if (length > kLongestPath) {
                EXPECT_EQ(1, CheckPath(varied.c_str(), 1)) << "expected 1 (not well formed) for "
                                                           << length << " characters";
            }
        }
    }
    EXPECT_EQ(0u, judge.Disagreements()) << "expected no disagreement, got "
                                         << judge.Disagreements();
}

}  // namespace
