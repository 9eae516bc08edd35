#pragma once
#include <windows.h>
#include <setupapi.h>

// What the file-queue callback learns while the Setup API works through a section.
// The Setup API hands the callback this record as its context; the default
// handling's own context travels inside it, unchanged.
//
// The default handling may give up on a file without failing the section: Wine
// skips every copy error without asking, and on Windows the user may answer
// "Skip". The section then "succeeds" with files missing, so the runner looks
// here before it reports success.
struct QueueWatch {
    PVOID defaultContext;  // for SetupDefaultQueueCallbackA
    int filesMissed;       // file operations of the list that were given up
    int mediumRetried;     // a medium was asked for again, and no copy has ended since
};

void StartQueueWatch(QueueWatch* watch, PVOID defaultContext);

// Notes one notification with the default handling's answer to it, and yields the
// answer for the Setup API: the default handling's own, with one exception. Wine
// answers a missing medium (a source file or the cabinet not found) with "retry"
// without asking anyone, and the Setup API then asks again for ever. A retry of a
// medium that the last retry did not bring is answered "skip" in its place, which
// gives its file up. On Windows the default handling asks the user, who retries
// until the file is there, so this does not arise there.
UINT NoteQueueAnswer(QueueWatch* watch, UINT notification, UINT answer);

// 1 when no file operation of the section was given up, else 0.
int QueueCompleted(const QueueWatch* watch);
