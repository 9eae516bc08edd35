#pragma once

// Waits for the uninstaller's process to end, then removes the installation in
// the uninstaller's folder. Asks nothing and reports nothing.
void RunSecondStage(int argumentCount, char** arguments);
