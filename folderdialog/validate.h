#pragma once

// A folder name is acceptable: not empty, no TAB, blank or dot at either end, none of
// the nine characters the file system refuses, no device name ("nul", "COM1.txt"), and
// not ending in half a double-byte character. Read by characters of the ANSI code
// page. 1 or 0; a null pointer yields 0.
int IsValidPathComponent(const char* name);

// Result codes of CheckPath and ValidateDestination (ValidateDestination also -1).
#define PATH_OK 0
#define PATH_DECLINED -1
#define PATH_MALFORMED 1
#define PATH_NOT_CREATED 2

// Checks that path is a drive path ("X:\" plus names joined by single backslashes).
// With checkOnly 0 it also creates every missing level, top down, and yields
// PATH_NOT_CREATED at the first level that does not exist afterwards; levels made
// before that stay. The caller's string is never changed.
int CheckPath(const char* path, int checkOnly);

// The dialogue for a typed destination: accepts an existing path at once, offers to
// create a missing one, and explains every refusal in a message box.
int ValidateDestination(const char* path);
