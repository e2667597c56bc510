#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and tests them under
# Wine, in a Wine prefix of their own (build-windows/wine) whose time zone is
# Europe/Amsterdam:
#   1. the portable test programs, through CTest;
#   2. rte2kmz.exe end to end: the example and test routes become archives
#      whose documents are byte for byte those of the Linux build, with the
#      same status lines, warnings and exit statuses; Ctrl+C during a run
#      leaves the earlier archive and no temporary file;
#   3. the window program starts on the data folder the registry names,
#      creates the library folders and shows its window (with
#      --screenshot FILE a picture of it is saved).
# The Linux build (build/bin/rte2kmz) must be there. Needs root: Wine takes
# its time zone from the machine's /etc/localtime, which is replaced in a
# mount namespace of this script's own (a TZ variable would reach the
# Windows programs, whose C library reads it in a form of its own). What
# cannot run fails the script, saying why.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
screenshot=
[[ ${1:-} == --screenshot ]] && screenshot=$(realpath -m "$2")

if [[ ${ROUTE_CONVERSIE_IN_ZONE:-} != 1 ]]; then
  bash scripts/build-windows.sh
  [[ -x build/bin/rte2kmz ]] || { echo "test-windows: build/bin/rte2kmz is missing; build the Linux programs first" >&2; exit 1; }
  if ! unshare --mount true 2>/dev/null; then
    echo "test-windows: cannot make a mount namespace to set Wine's time zone (unshare --mount needs root); the Windows tests cannot run" >&2
    exit 1
  fi
  exec unshare --mount --propagation private env -u TZ ROUTE_CONVERSIE_IN_ZONE=1 bash "$0" "$@"
fi

mount --bind /usr/share/zoneinfo/Europe/Amsterdam /etc/localtime

# A display from the start: Wine's desktop process takes it when it starts.
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
export WINEPREFIX=$root/build-windows/wine WINEDEBUG=-all
[[ -d $WINEPREFIX ]] || wineboot -i >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -p
# Wine's own services start with the first program and would hold on to its
# output; started here, they hold nothing the tests read.
wineboot >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null' EXIT

echo "== Windows: the portable tests under Wine"
ctest --test-dir build-windows --output-on-failure --no-tests=error -j "$(nproc)"

echo "== Windows: what the programs import, and rte2kmz.exe against the Linux build"
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
rte2kmz_exe=$root/build-windows/bin/rte2kmz.exe
failed=0
fail() {
  echo "test-windows: $*" >&2
  failed=1
}

# Qt, zlib and the C++ runtime are inside; what is imported comes with Windows.
system_dlls='^(advapi32|authz|comdlg32|d3d9|d3d11|dwmapi|dwrite|dxgi|gdi32|imm32|kernel32|msvcrt|netapi32|ole32|oleaut32|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|ws2_32|wtsapi32|api-ms-win-[a-z0-9-]+)\.dll$'
for program in rte2kmz route-conversie; do
  others=$(x86_64-w64-mingw32-objdump -p "build-windows/bin/$program.exe" |
    awk '/DLL Name:/ { print tolower($3) }' | grep -Ev "$system_dlls" || true)
  [[ -z $others ]] || fail "$program.exe imports what Windows does not bring: $others"
done

# Runs both builds on the same files in two folders; compares what they say and write.
compare_runs() {
  local label=$1
  shift
  mkdir -p "$work/$label/linux" "$work/$label/windows"
  local linux_status=0 windows_status=0
  (cd "$work/$label/linux" && TZ=Europe/Amsterdam "$root/build/bin/rte2kmz" "$@" >../linux.out 2>../linux.err) ||
    linux_status=$?
  (cd "$work/$label/windows" && wine "$rte2kmz_exe" "$@" >../windows.out 2>../windows.err) || windows_status=$?
  [[ $linux_status == "$windows_status" ]] || fail "$label: exit status $windows_status, on Linux $linux_status"
  cmp -s "$work/$label/linux.out" "$work/$label/windows.out" || fail "$label: other status lines: $(diff "$work/$label/linux.out" "$work/$label/windows.out")"
  cmp -s "$work/$label/linux.err" "$work/$label/windows.err" || fail "$label: other warnings: $(diff "$work/$label/linux.err" "$work/$label/windows.err")"
  local linux_files windows_files
  linux_files=$(cd "$work/$label/linux" && ls -A)
  windows_files=$(cd "$work/$label/windows" && ls -A)
  [[ $linux_files == "$windows_files" ]] || fail "$label: other files: $windows_files; on Linux $linux_files"
  local file archives=0
  for file in "$work/$label/linux"/*.kmz; do
    [[ -e $file ]] || continue
    cmp -s <(unzip -p "$file") <(unzip -p "$work/$label/windows/${file##*/}") ||
      fail "$label: the document in ${file##*/} differs"
    unzip -tq "$work/$label/windows/${file##*/}" >/dev/null || fail "$label: ${file##*/} does not test whole"
    archives=$((archives + 1))
  done
  echo "$label: exit status $windows_status, $(wc -l <"$work/$label/windows.out") status lines, $archives archives alike"
  for file in "$work/$label/linux"/*.kml "$work/$label/linux"/*.gpx; do
    [[ -e $file ]] || continue
    cmp -s "$file" "$work/$label/windows/${file##*/}" || fail "$label: ${file##*/} differs"
  done
}
mkdir -p "$work/routes"
cp examples/*.rte "$work/routes/"
build/bin/bench_make_routes "$work/routes/Lang.rte" 20000
printf 'geen route' >"$work/routes/Kapot.rte"
head -c 300 examples/Biesbosch.rte >"$work/routes/Kort.rte"
routes=("$work"/routes/*.rte "$work/routes/Ontbreekt.rte")
compare_runs examples --target . "${routes[@]}"
compare_runs kept --keep-kml --gpx --target . "${routes[@]}"
compare_runs plan --plan "${routes[@]}"
compare_runs usage --plan --gpx "${routes[0]}"

echo "== Windows: Ctrl+C during a run"
big=$work/Groot.rte
"$root/build/bin/bench_make_routes" "$big" 1000000 >/dev/null
mkdir -p "$work/interrupted"
printf 'an earlier archive' >"$work/interrupted/Groot.kmz"
(cd "$work/interrupted" && exec wine "$rte2kmz_exe" --keep-kml --target . "$big" >"$work/interrupted.out" 2>&1) &
runner=$!
for _ in $(seq 100); do
  grep -q 'Route laden' "$work/interrupted.out" 2>/dev/null && break
  sleep 0.1
done
# Wine turns SIGINT on a console program into Ctrl+C.
pkill -INT -f 'rte2kmz.exe --keep-kml' || true
interrupted=0
wait "$runner" || interrupted=$?
((interrupted != 0)) || fail "the run ended before Ctrl+C reached it"
leftover=$(cd "$work/interrupted" && ls -A)
[[ $leftover == Groot.kmz ]] || fail "Ctrl+C left $leftover"
[[ $(cat "$work/interrupted/Groot.kmz") == 'an earlier archive' ]] || fail "Ctrl+C changed the earlier archive"

echo "== Windows: a library named with \\ converts into the same folders below the target"
library=$work/bibliotheek
mkdir -p "$library/2019/Zomer" "$library/Leeg" "$work/library-out"
cp examples/Amstel.rte "$library/2019/Zomer/Dag 1.rte"
cp examples/Vecht.rte "$library/2019/Zomer.RTE"
printf 'geen route' >"$library/Kapot.rte"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
library_status=0
wine "$rte2kmz_exe" --target "$(windows_path "$work/library-out")" "$(windows_path "$library")" \
  >"$work/library.out" 2>"$work/library.err" || library_status=$?
[[ $library_status == 3 ]] || fail "library: exit status $library_status, not 3"
expected_err="rte2kmz: passed over \"$(windows_path "$library/Kapot.rte")\": it is no route file"
[[ $(cat "$work/library.err") == "$expected_err" ]] || fail "library: $(cat "$work/library.err")"
written=$(cd "$work/library-out" && find . -type f | LC_ALL=C sort | tr '\n' '|')
[[ $written == './2019/Zomer.kmz|./2019/Zomer/Dag 1.kmz|' ]] || fail "library: wrote $written"
[[ $(tail -n 1 "$work/library.out") == 'Klaar. Routes [2/3] geëxporteerd.' ]] ||
  fail "library: $(tail -n 1 "$work/library.out")"

echo "== Windows: the window program on the registry's data folder"
data=$work/Nautiva
mkdir -p "$data/maps/Nederland.zoom" "$data/almanak"
wine reg add 'HKCU\Software\Ostrelon\Nautiva' /v DatabaseDir /t REG_SZ /d "Z:${data//\//\\}" /f >/dev/null
# Ended with the Wine server at the end.
wine "$root/build-windows/bin/route-conversie.exe" >/dev/null 2>&1 &
disown
for _ in $(seq 300); do
  [[ -d $data/routes/kml && -d $data/tracks/kml && -d $data/inserts ]] && break
  sleep 0.1
done
[[ -d $data/routes/kml && -d $data/tracks/kml && -d $data/inserts ]] || fail "the window program made no library folders"
window=
for _ in $(seq 300); do
  window=$(xwininfo -root -tree | awk '/"Nautiva Route Conversie"/ { print $1; exit }')
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "the window program shows no window: $(xwininfo -root -tree | grep -c '"')"
sleep 2 # for the window to draw itself
if [[ -n $screenshot && -n $window ]]; then
  import -window "$window" "$screenshot"
  echo "Saved $screenshot"
fi
wine reg delete 'HKCU\Software\Ostrelon\Nautiva' /f >/dev/null

((failed == 0)) || exit 1
echo "Windows: all passed"
