#pragma once

// Cuts the package file into its three pieces: the image into uninstallerPath,
// the INF into infPath, the rest into cabinetPath. Yields 1 when all three were
// written in full, else 0; outputs already made stay on disk for the working
// folder's removal.
int SplitPackage(const char* packagePath, const char* cabinetPath,
                 const char* uninstallerPath, const char* infPath);
