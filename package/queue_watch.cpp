#include "package/queue_watch.h"

void StartQueueWatch(QueueWatch* watch, PVOID defaultContext)
{
    watch->defaultContext = defaultContext;
    watch->filesMissed = 0;
    watch->mediumRetried = 0;
}

UINT NoteQueueAnswer(QueueWatch* watch, UINT notification, UINT answer)
{
    if (notification == SPFILENOTIFY_ENDCOPY || notification == SPFILENOTIFY_COPYERROR)
        watch->mediumRetried = 0;
    if (notification == SPFILENOTIFY_NEEDMEDIA && answer == FILEOP_DOIT) {
        if (watch->mediumRetried) {
            // The next file starts with a retry of its own again.
            watch->mediumRetried = 0;
            answer = FILEOP_SKIP;
        } else {
            watch->mediumRetried = 1;
        }
    }
    // A skipped copy error leaves that file out; a skipped medium leaves out the
    // file that was to come from it. Retry and a new path try again and are told
    // again; abort fails the section by itself.
    if (answer == FILEOP_SKIP &&
        (notification == SPFILENOTIFY_COPYERROR || notification == SPFILENOTIFY_NEEDMEDIA))
        ++watch->filesMissed;
    return answer;
}

int QueueCompleted(const QueueWatch* watch)
{
    return watch->filesMissed == 0;
}
