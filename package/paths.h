#pragma once

// What GetTempFileNameA adds to its folder: a three-letter prefix, four hex digits
// and ".tmp". Wine writes the name past a MAX_PATH buffer when the folder leaves no
// room for it, so callers make sure that it does.
#define TEMP_FILE_NAME_LENGTH 11

// Joins folder, a backslash and name into path (size characters, terminator
// included). A result that does not fit leaves path empty and yields 0: a path
// cut short could name another file.
int JoinPath(char* path, int size, const char* folder, const char* name);
