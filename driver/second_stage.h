#pragma once

// Held by the removal under way; a second one waits for it.
#define REMOVAL_MUTEX_NAME "Velmor32.Removal"

// Waits for the uninstaller's process to end, then, once no other removal is under
// way, removes the installation in the uninstaller's folder. Asks nothing and
// reports nothing.
void RunSecondStage(int argumentCount, char** arguments);
