#pragma once
#include <windows.h>
#include <setupapi.h>

// Carries out one section of sourceRoot\install.inf through the Setup API, with
// sourceRoot as the source of its files and destinationFolder bound to the
// destination id; after success starts grpconv for the Start-menu entries.
// Yields 1 when the Setup API carried the section out with every file of its
// lists, else 0.
int RunInfSection(const char* sourceRoot, const char* destinationFolder, const char* sectionName);

// Hands every file-queue notification unchanged to the Setup API's default
// handling and returns its answer; context is the run's QueueWatch, which notes
// what the default handling gave up and ends an endless retry of a missing medium.
// A file whose deletion it gave up is left to the next restart.
UINT CALLBACK InfQueueCallback(PVOID context, UINT notification, UINT_PTR param1,
                               UINT_PTR param2);
