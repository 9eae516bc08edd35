#pragma once

// Starts fileName with arguments, shown and not waited for, by its full path in the
// system folder, else in the Windows folder. Never by its bare name: the system's
// search would look in the program's own folder and the current folder first, and
// a package started from a downloads folder, or a copy running from the temporary
// folder, would start whatever lies there under that name. Yields 1 when one of
// them started, 0 when neither folder holds it.
int StartSystemProgram(const char* fileName, const char* arguments);
