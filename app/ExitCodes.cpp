#include "app/ExitCodes.h"

#include "platform/ProgramState.h"

namespace {

ExitCode g_outcome = kExitCompleted;

}  // namespace

void SetRunOutcome(ExitCode code) {
  if (g_outcome != kExitUnexpectedError) g_outcome = code;
}

void ResetRunOutcome(ExitCode code) { g_outcome = code; }

int ProgramExitCode() { return g_automaticMode ? g_outcome : 0; }
