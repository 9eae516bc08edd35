#include "package/queue_watch.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Exchange {
    UINT notification;
    UINT defaultAnswer;
    UINT answerGiven;
};

struct Case {
    const char* name;
    std::vector<Exchange> exchanges;
    int completed;
};

}  // namespace

// Only an answer that gives a file up counts: a retry or a new path is told again
// and may still succeed, an abort fails the section by itself, and the questions on
// an existing or newer target are the copy style's, not errors. A retry of a medium
// that the previous retry did not bring is the one answer changed, to "skip".
TEST(QueueWatch, CountsWhatWasGivenUpAndEndsARetryThatFindsNothing)
{
    const Case cases[] = {
        {"copy error skipped", {{SPFILENOTIFY_STARTCOPY, FILEOP_DOIT, FILEOP_DOIT}, {SPFILENOTIFY_COPYERROR, FILEOP_SKIP, FILEOP_SKIP}}, 0},
        {"medium skipped", {{SPFILENOTIFY_NEEDMEDIA, FILEOP_SKIP, FILEOP_SKIP}}, 0},
        {"copy error retried, then copied",
         {{SPFILENOTIFY_COPYERROR, FILEOP_RETRY, FILEOP_RETRY}, {SPFILENOTIFY_ENDCOPY, 0, 0}}, 1},
        {"copy error with a new path", {{SPFILENOTIFY_COPYERROR, FILEOP_NEWPATH, FILEOP_NEWPATH}}, 1},
        {"copy error aborted", {{SPFILENOTIFY_COPYERROR, FILEOP_ABORT, FILEOP_ABORT}}, 1},
        {"medium with a new path", {{SPFILENOTIFY_NEEDMEDIA, FILEOP_NEWPATH, FILEOP_NEWPATH}}, 1},
        {"target newer, kept", {{SPFILENOTIFY_TARGETNEWER, FALSE, FALSE}}, 1},
        {"each medium found at once",
         {{SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_STARTCOPY, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_ENDCOPY, 0, 0},
          {SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_STARTCOPY, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_ENDCOPY, 0, 0}},
         1},
        {"a medium per file after copy errors",
         {{SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_COPYERROR, FILEOP_SKIP, FILEOP_SKIP},
          {SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_COPYERROR, FILEOP_SKIP, FILEOP_SKIP}},
         0},
        {"a source file never found",
         {{SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_STARTCOPY, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_SKIP},
          // the next file gets its own first retry
          {SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_STARTCOPY, FILEOP_DOIT, FILEOP_DOIT},
          {SPFILENOTIFY_ENDCOPY, 0, 0}},
         0},
        {"a cabinet never found",
         {{SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_DOIT}, {SPFILENOTIFY_NEEDMEDIA, FILEOP_DOIT, FILEOP_SKIP}},
         0},
    };
    int defaultContext;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        QueueWatch watch;
        StartQueueWatch(&watch, &defaultContext);
        for (size_t i = 0; i < row.exchanges.size(); ++i) {
            const Exchange& exchange = row.exchanges[i];
            EXPECT_EQ(exchange.answerGiven, NoteQueueAnswer(&watch, exchange.notification, exchange.defaultAnswer))
                << "exchange " << i << ": notification " << exchange.notification << " answered "
                << exchange.defaultAnswer;
        }
        EXPECT_EQ(row.completed, QueueCompleted(&watch));
        EXPECT_EQ(&defaultContext, watch.defaultContext) << "the default context must travel unchanged";
    }
}
