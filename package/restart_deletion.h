#pragma once

// Leaves a file that the removal could not delete (a program still running, a file
// held open) to the system's deletion at the next restart, so that nothing of the
// installation stays behind for good. The file first moves to a new "Del" name in
// its own folder: a new installation into that folder before the restart keeps its
// own file of the old name. A file that cannot move is left to the restart under
// its own name. A file that is already gone needs nothing.
void DeleteAtRestart(const char* path);
