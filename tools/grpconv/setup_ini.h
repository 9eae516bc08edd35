#pragma once
#include <string>
#include <vector>

// What the stand-in grpconv reads from setup.ini, as pure functions of the text.
//
// [progman.groups] names the groups, one line "groupN=Title" each; section
// [groupN] holds the group's items in file order:
//   "Title", "command line",,, further fields   adds a shortcut
//   "Title"                                     removes that shortcut
// Wine's UpdateInis stores a line without "=" as a key with an empty value, so
// either form may end in "=".

struct GroupLine {
    bool valid;
    std::string section;  // groupN
    std::string title;    // the Start-menu folder's name
};

enum ItemAction { ITEM_IGNORED, ITEM_ADD, ITEM_REMOVE };

struct ItemLine {
    ItemAction action;
    std::string title;    // the shortcut's name, without ".lnk"
    std::string command;  // empty for ITEM_REMOVE
};

GroupLine ParseGroupLine(const std::string& line);
ItemLine ParseItemLine(const std::string& line);

// The lines of a GetPrivateProfileSectionA buffer ("line\0line\0\0").
std::vector<std::string> SectionLines(const char* buffer, size_t length);

// A title usable as one file or folder name: not empty, no path or wildcard
// characters, not "." or "..".
bool IsPlainName(const std::string& name);
