#pragma once

// Keeps libraries that are loaded on demand out of the folders the program starts
// from (a downloads folder, the temporary folder), which others may write to.
void RestrictDllSearch();
