#include "tests/support/code_page.h"

#include <cstdio>
#include <cstdlib>

UINT ExpectedCodePage()
{
    char value[16] = "";
    if (!GetEnvironmentVariableA("VELMORA_CODE_PAGE", value, sizeof value))
        return 1252;
    return static_cast<UINT>(strtoul(value, nullptr, 10));
}

::testing::AssertionResult RunsExpectedCodePage()
{
    UINT expected = ExpectedCodePage();
    UINT running = GetACP();
    if (running == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected the ANSI code page " << expected << ", the system runs " << running
           << " (is the locale that LANG names generated on this machine?)";
}

bool IsLeadByteOf(UINT codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

std::vector<std::string> CharactersOf(UINT codePage, const std::string& text)
{
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        size_t size = IsLeadByteOf(codePage, text[at]) && at + 1 < text.size() ? 2 : 1;
        characters.push_back(text.substr(at, size));
        at += size;
    }
    return characters;
}

std::vector<size_t> CharacterStarts(UINT codePage, const std::string& text)
{
    std::vector<size_t> starts;
    size_t at = 0;
    for (const std::string& character : CharactersOf(codePage, text)) {
        starts.push_back(at);
        at += character.size();
    }
    starts.push_back(at);
    return starts;
}

std::string EscapedBytes(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}
