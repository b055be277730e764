#!/usr/bin/env bash
# Runs the tests that read the shared corpus of real archives (../shared/lha-corpus beside the
# source tree), or says that it is missing and ends with 77, which CTest counts as skipped: a
# clone of the project on its own has no corpus beside it.
#
#   run_corpus_tests.sh GTEST_FILTER [EMULATOR] TEST_EXECUTABLE
set -euo pipefail
filter=$1
shift
corpus="$(cd "$TKVN_SOURCE_DIR/.." && pwd)/shared/lha-corpus"
if [ ! -d "$corpus" ]; then
  echo "skipped: no corpus of real archives at $corpus"
  exit 77
fi
GTEST_FILTER=$filter exec "$@"
