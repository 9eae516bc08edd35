#pragma once

// Joins folder, a backslash and name into path (size characters, terminator
// included). A result that does not fit leaves path empty and yields 0: a path
// cut short could name another file.
int JoinPath(char* path, int size, const char* folder, const char* name);
