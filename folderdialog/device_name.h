#pragma once

// Yields 1 when a folder name names a device: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM1 to COM9 or LPT1 to LPT9, in any case, alone or with an extension ("lpt9.log").
// Windows reads such a name as the device at any level of a path, also with blanks
// before the extension ("nul .txt"), so no folder of that name can be made or used.
int IsReservedDeviceName(const char* name);
