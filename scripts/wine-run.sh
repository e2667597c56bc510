#!/usr/bin/env bash
# Runs a Windows program under Wine, in the Wine prefix named first:
#   scripts/wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# CMake starts the cross-built tests through it. The prefix's server must
# have been started with the time zone the tests expect (scripts/windows.sh).
set -euo pipefail
export WINEPREFIX=$1
export WINEDEBUG=${WINEDEBUG:--all}
shift
exec wine "$@"
