# Sourced by the test, demo and release scripts: each step either succeeds or says which step
# failed and why before the script exits non-zero.
#   tkvn_step "what it does" COMMAND [ARGS...]   runs COMMAND with its output in a log of its own;
#                                               on failure prints the step, the command, its exit
#                                               code and the log's last lines, then exits 1
#   tkvn_fail "why"                             says why the script stops and exits 1
# TKVN_STEP_LOGS names the folder of the logs (default: a temporary folder).

tkvn_fail() {
  echo "FAILED: $*" >&2
  exit 1
}

tkvn_step() {
  local what=$1
  shift
  if [ -z "${TKVN_STEP_LOGS:-}" ]; then
    TKVN_STEP_LOGS=$(mktemp -d)
  fi
  mkdir -p "$TKVN_STEP_LOGS"
  TKVN_STEP_COUNT=$(( ${TKVN_STEP_COUNT:-0} + 1 ))
  local log="$TKVN_STEP_LOGS/step-$TKVN_STEP_COUNT.log"
  echo "-- $what"
  local status=0
  "$@" >"$log" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    {
      echo "FAILED: $what"
      echo "  command: $*"
      echo "  exit code: $status; the last lines of its output ($log):"
      tail -n 30 "$log" | sed 's/^/  | /'
    } >&2
    exit 1
  fi
}
