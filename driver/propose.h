#pragma once

// Fills folder (260 characters) with the destination to propose: the folder of a
// previous installation, else the Program Files folder plus "\Velmor32". Never fails.
void ProposeDestination(char* folder);

// The folder that an "UninstallString" value points into, cut from value in place:
// the folder of its last word for an INF-based command line, else the text before
// its last backslash. Yields folder empty when nothing remains.
void FolderFromUninstallString(char* value, char* folder);
