#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The ANSI code page a test run expects, and an own reading of how that code page
// cuts bytes into characters. The lead-byte ranges are written here from the code
// pages' published tables, not asked of the system, so that the program's stepping
// through characters is checked against something it does not share.

// The code page named by VELMORA_CODE_PAGE, which ctest sets beside the LANG that Wine
// takes the locale from; 1252 when it is not set.
UINT ExpectedCodePage();

// Passes when the system runs the expected ANSI code page: a locale that is not
// generated makes Wine fall back to 1252 without a word.
::testing::AssertionResult RunsExpectedCodePage();

// Whether byte begins a two-byte character in codePage (932, 936, 949 or 950).
bool IsLeadByteOf(UINT codePage, unsigned char byte);

// text cut into its characters: a lead byte takes the byte after it, whatever it is;
// a lead byte at the end of text stands alone.
std::vector<std::string> CharactersOf(UINT codePage, const std::string& text);

// The offsets at which the characters of text begin, its length last.
std::vector<size_t> CharacterStarts(UINT codePage, const std::string& text);

// The text's bytes as "\xNN" escapes where they are not printable ASCII.
std::string EscapedBytes(const std::string& text);
