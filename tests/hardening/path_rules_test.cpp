// The path rules checked against a second reading of them, over generated paths.
// The reference below cuts the path into characters of the ANSI code page (from the
// test's own table of lead bytes) and splits it into names in one go instead of
// walking it, so that a slip shared by both would have to be made twice in different
// shapes. ctest runs this program once per kind of code page.
#include "folderdialog/validate.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/code_page.h"

namespace {

const size_t kLongestPath = 259;
const UINT kCodePage = ExpectedCodePage();

bool IsEdge(const std::string& character)
{
    return character == "\x09" || character == " " || character == ".";
}

bool IsRefused(const std::string& character)
{
    if (character.size() != 1)
        return false;
    switch ((unsigned char)character[0]) {
    case 0x22: case 0x2A: case 0x2F: case 0x3A: case 0x3C:
    case 0x3E: case 0x3F: case 0x5C: case 0x7C:
        return true;
    default:
        return false;
    }
}

// A lead byte with nothing after it: the text ends inside a character.
bool IsHalf(const std::string& character)
{
    return character.size() == 1 && IsLeadByteOf(kCodePage, character[0]);
}

typedef std::vector<std::string> Characters;

const std::set<std::string> kDevices = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",
                                         "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                         "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};

// The bytes that spell a superscript one, two or three in the code page under test,
// which Windows takes for a COM or LPT number.
std::set<char> SuperscriptBytes()
{
    std::set<char> bytes;
    for (wchar_t superscript : {L'\u00b9', L'\u00b2', L'\u00b3'}) {
        char byte[4];
        BOOL approximated = FALSE;
        if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &superscript, 1, byte, sizeof byte,
                                NULL, &approximated) == 1 && !approximated)
            bytes.insert(byte[0]);
    }
    return bytes;
}

// The name as Windows reads it for devices: the characters before the first dot,
// blanks at their end dropped, in upper case.
bool IsDevice(const Characters& name)
{
    Characters stem;
    for (const std::string& character : name) {
        if (character == ".")
            break;
        stem.push_back(character);
    }
    while (!stem.empty() && stem.back() == " ")
        stem.pop_back();
    std::string upper;
    for (const std::string& character : stem)
        for (char c : character)
            upper += (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
    static const std::set<char> superscripts = SuperscriptBytes();
    bool numberedPort = stem.size() == 4 && stem[3].size() == 1 && superscripts.count(stem[3][0]) != 0
                        && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0);
    return kDevices.count(upper) != 0 || numberedPort;
}

int ReferenceName(const Characters& name)
{
    if (name.empty())
        return 0;
    if (IsEdge(name.front()) || IsEdge(name.back()))
        return 0;
    for (const std::string& character : name)
        if (IsRefused(character) || IsHalf(character))
            return 0;
    return IsDevice(name) ? 0 : 1;
}

int ReferenceName(const std::string& name) { return ReferenceName(CharactersOf(kCodePage, name)); }

std::vector<Characters> SplitAtBackslashes(const Characters& text)
{
    std::vector<Characters> names(1);
    for (const std::string& character : text) {
        if (character == "\\")
            names.emplace_back();
        else
            names.back().push_back(character);
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
    for (const Characters& name : SplitAtBackslashes(CharactersOf(kCodePage, path.substr(3))))
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

TEST(PathRules, RunsInTheCodePageTheEnvironmentNames)
{
    EXPECT_TRUE(RunsExpectedCodePage());
}

// Every byte at the start, the end, the middle and as the whole of a name, in the
// first, an inner and the last name of a path.
TEST(PathRules, EveryByteAtEveryPlaceOfANameAgreesWithTheRules)
{
    Judge judge;
    for (int value = 0x01; value <= 0xFF; ++value) {
        const std::string b(1, (char)value);
        const std::string names[] = {b, b + b, b + "ab", "a" + b + "b", "ab" + b, b + "a" + b,
                                     "a" + b + b + "b", "nul" + b, "lpt" + b, "COM1" + b,
                                     "cOn" + b + ".x", b + "aux", "conin" + b, "CONOUT" + b + " .x"};
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

// Every pair of a byte from 0x81 up and any second byte, as a whole name and at each
// place of one, and every such byte alone at the end of a name and of a path. In a
// double-byte code page the pairs that start with a lead byte are one character,
// whatever their second byte (0x5C and 0x7C included).
TEST(PathRules, EveryPairOfBytesAtEveryPlaceOfANameAgreesWithTheRules)
{
    Judge judge;
    for (int first = 0x81; first <= 0xFF; ++first) {
        const std::string lead(1, (char)first);
        for (int second = 0x01; second <= 0xFF; ++second) {
            const std::string pair = lead + (char)second;
            const std::string names[] = {pair, pair + "a", "a" + pair, "a" + pair + "b", pair + pair};
            for (const std::string& name : names) {
                judge.Name(name);
                judge.Path("C:\\" + name);
                judge.Path("c:\\x\\" + name + "\\y");
            }
        }
        for (const std::string& name : {lead, "a" + lead, lead + lead + lead})
            judge.Name(name);
        for (const std::string& path : {"C:\\" + lead, "C:\\a" + lead, "C:\\a\\" + lead,
                                        "C:\\" + lead + "\\", "C:\\" + lead + "\\\\b"})
            judge.Path(path);
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
        while (name.size() < length)
            name += Piece();
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
            path += Piece();
        return path;
    }

private:
    size_t Below(size_t bound) { return m_random() % bound; }

    // A device name or a near miss, in a random case, often with an ending.
    std::string DeviceLike()
    {
        static const char* const kStems[] = {"con", "prn", "aux", "nul", "com", "lpt", "conx", "nu",
                                             "conin$", "conout$"};
        static const char kNumbers[] = "0123456789\xb9\xb2\xb3\xb4";
        std::string name = kStems[Below(10)];
        if (Below(2) == 0)
            name += kNumbers[Below(sizeof kNumbers - 1)];
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

    // Mostly one byte; sometimes a byte from 0x81 up followed by an awkward byte,
    // which in a double-byte code page is one character hiding a sign.
    std::string Piece()
    {
        if (Below(6) != 0)
            return std::string(1, Byte());
        std::string pair(1, (char)(0x81 + Below(0x7F)));
        return pair + (Below(2) ? Byte() : (char)(Below(2) ? '\\' : '|'));
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

// Well-formed paths of every length around the limit, their end varied: up to
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
        for (char last : {'z', '.', ' ', '\t', '\\', '?', '\xe4', '\x01', '\x83'}) {
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
        // Ended by a pair whose second byte is a backslash or a bar ("ソ", "－" in
        // code page 932): one character there, a trailing sign in single-byte ones.
        for (const char* pair : {"\x83\x5C", "\x95\x5C", "\x81\x7C"}) {
            std::string varied = path;
            varied.replace(length - 2, 2, pair);
            judge.Path(varied);
        }
    }
    EXPECT_EQ(0u, judge.Disagreements()) << "expected no disagreement, got "
                                         << judge.Disagreements();
}

}  // namespace
