// The state of the download session, kept for the life of the session dialog and touched only on
// the user-interface thread: by the dialog's handlers and by the completion steps.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct DownloadItem;

// A weekday left out for now in automatic mode: its date and its type's server directory.
struct HeldDay {
  int32_t date;
  std::string directory;
};

struct SessionState {
  // 1 from the start of each transfer of a session until its WM_TRANSFERDONE arrives; while it
  // is 1 the Download button asks for an abort.
  int busy = 0;
  // 1 while the catalogue alone is fetched because files.ini was missing at a Download press;
  // a press meanwhile is refused, so that only one transfer ever runs.
  int catalogueFetch = 0;
  // 1 from a transfer's start until its WM_TRANSFERDONE arrives: the one completion on its way.
  int transferRunning = 0;
  // The item whose transfer was started last, or null. Always an item of the current download
  // list: whoever clears or rebuilds the list sets it to null.
  const DownloadItem* currentItem = nullptr;
  // The newest date of the session, seeded from DownloadInfo at a Download press and raised by
  // the extraction pass, which stores it back.
  int32_t newestDate = 0;
  // 1 from an Abort press until the next completion: that completion counts as an abort whatever
  // its result, since an abort pressed before the body arrives may end as a plain failure (404).
  int abortRequested = 0;
  // 1 while CompleteSession runs: its ASCII update dispatches messages, and a press then must
  // start nothing.
  int completing = 0;
  // 1 once the exit steps have begun: a completion still on its way changes nothing.
  int exiting = 0;
  // 1 when this session's holiday list arrived: in automatic mode a missing archive of a day
  // that it names is skipped without the prompt.
  int holidaysFetched = 0;
  // The days that the prompt, unanswered in automatic mode, left out for the next run: how many,
  // and the earliest date among them (0 when none). DownloadInfo stays before that date.
  int leftOut = 0;
  int32_t firstLeftOut = 0;
  // Those of them with a date of their own. One that a later archive of its type shows to be
  // never published, once old enough, is skipped for good instead: it leaves this list and the
  // count above, and is counted here.
  std::vector<HeldDay> heldDays;
  int skippedForGood = 0;
  // 1 when a day left undone belongs to an item without a date of its own (a weekly archive
  // carries -1): no date is known to be complete, so DownloadInfo stays as stored at the start
  // of the session and the next run covers the same range.
  int undatedLeftUndone = 0;
  // The local paths of the items whose transfer arrived in this session: at the extraction, an
  // archive of theirs that is missing or empty is a failure, not an item skipped.
  std::set<std::string> fetched;
  // 1 once an automatic run has fetched the missing catalogue and pressed Download again, so a
  // catalogue that arrives empty cannot make it fetch for ever.
  int templateFetched = 0;
};

SessionState& Session();
