// The exit codes of tkvndn.exe. Every interactive run ends with 0. An automatic run ("/a") ends
// with the code of its outcome, so that the Task Scheduler (the task's last result) and a calling
// script can tell a run that did not finish its work from a good one. The user guide lists them:
// a value, once given, never changes its meaning.
#pragma once

enum ExitCode : int {
  kExitCompleted = 0,              // every day fetched and extracted
  kExitDaysLeftOut = 1,            // completed, but a missing day was left out for the next run
  kExitNotExtracted = 2,           // completed, but an archive fetched could not be extracted
  kExitUpdateFailed = 3,           // completed, but the message list holds "Update failed"
  kExitAborted = 4,                // Abort pressed, or the session dialog closed before the end
  kExitCatalogueFailed = 5,        // the list of file types could not be fetched
  kExitNothingToDownload = 6,      // no files selected or no files found for the dates
  kExitTransferNotStarted = 7,     // a transfer could not be started
  kExitNoUserName = 8,             // no user name configured
  kExitPromptNotCreated = 9,       // the missing-file prompt could not be shown
  kExitDataDirectoryUnusable = 10, // the data directory check failed at start
  kExitStartFailed = 11,           // the main window or the session dialog could not be created
  kExitAlreadyRunning = 12,        // another instance was running; it was brought forward
  kExitDaysSkipped = 13,           // completed, but a weekday the server never published was skipped for good
  kExitHousekeepingFailed = 14,    // completed, but a listed file was not rewritten, the date index
                                   // not written, or DownloadInfo not stored
  kExitUnexpectedError = 15,       // an unexpected error (out of memory, say) stopped the run
};

// Records the outcome of the automatic run so far; the last one recorded counts, except that
// nothing replaces an unexpected error: after one, what the run did is not known.
void SetRunOutcome(ExitCode code);
// Starts the record of a run with `code`, whatever was recorded before.
void ResetRunOutcome(ExitCode code);
// What the program returns: the recorded outcome in automatic mode, 0 otherwise.
int ProgramExitCode();
