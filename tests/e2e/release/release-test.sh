#!/usr/bin/env bash
# The installer as a Windows user meets it, under a Wine prefix of this test's own (so that no
# other test's program, settings or data directory can get in the way):
#   - the program and the installer carry the version resource;
#   - a silent install for the current user with a scheduled task puts the program, the user
#     guide, the uninstaller, the Start-menu shortcuts to both, the Programs and Features entry and
#     the task in place; the shortcut starts the program, which shows its session dialog;
#   - a silent install for all users does the same under Program Files; the program started from
#     there runs, and while it runs neither the installer nor the uninstaller touches it;
#   - an interactive install, driven from the keyboard, refuses a wrong start time, registers
#     the task at the time typed and starts the program from its last page;
#   - the interactive uninstaller goes through its pages;
#   - each uninstall removes what its install put in place and keeps the download settings in the
#     registry and the data directory with its files.
#
# The delivered installer holds the 32-bit program and is installed under 32-bit Wine. Where Wine
# cannot run 32-bit programs, the x86_64 build's test installs the same installer script built for
# amd64 around the 64-bit program instead; where both run, that test is skipped (exit 77).
#
#   release-test.sh ARCH EXE UIDRIVE READVERSION VERSION WORKDIR      ARCH: i686 or x86_64
set -euo pipefail

arch=$1 exe=$2 uidrive=$3 readversion=$4 version=$5 work=$6
source_dir=$(cd "$(dirname "$0")/../../.." && pwd)
product="Tickvane Download Service"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\TickvaneDownloadService'
settings_key='HKCU\Software\Tickvane\TkvnDn'
task_name="Tickvane Download Service"

program_pid= setup_pid=
cleanup() {
  local pid
  for pid in $program_pid $setup_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  tkvn_wine_stop
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

step() { echo "-- $(date +%T) $*"; }

. "$source_dir/tools/wine-env.sh"
target=x86-unicode
if [ "$arch" = x86_64 ]; then
  # The architectures this test run covers (tools/test.sh says), else all that Wine runs here.
  covered=${TKVN_WINDOWS_RUN:-$(tkvn_wine_runnable_archs)}
  if grep -qw i686 <<<"$covered"; then
    echo "skipped: the i686 build's test installs the delivered 32-bit installer in this run"
    exit 77
  fi
  target=amd64-unicode
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
unset TKVN_USE_DISPLAY
tkvn_wine_start "$work" "$arch"
trap cleanup EXIT
trap 'exit 1' INT TERM
# Creating a shortcut would also make Wine write a desktop menu entry into the real home folder.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

w() { timeout 60 wine "$@" </dev/null; }
ui() { timeout 40 wine "$uidrive" "$@" </dev/null; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_path() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }
win_env() { unix_path "$(w cmd /c echo "%$1%" | tr -d '\r')"; }
reg_has() { w reg query "$@" >/dev/null 2>&1; }
reg_value() { w reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

# Leftovers of an earlier run: this prefix is kept between runs because making one is slow.
step "resetting the test prefix"
for root in HKCU HKLM; do
  w reg delete "$root\\$uninstall_key" /f >/dev/null 2>&1 || true
done
w reg delete 'HKCU\Software\Tickvane' /f >/dev/null 2>&1 || true
w schtasks /delete /tn "$task_name" /f >/dev/null 2>&1 || true
local_appdata=$(win_env LOCALAPPDATA)
appdata=$(win_env APPDATA)
program_files=$(win_env ProgramFiles)
program_data=$(win_env ProgramData)
user_dir="$local_appdata/Programs/$product"
user_link="$appdata/Microsoft/Windows/Start Menu/Programs/$product/$product.lnk"
all_dir="$program_files/$product"
all_link="$program_data/Microsoft/Windows/Start Menu/Programs/$product/$product.lnk"
task_file="$WINEPREFIX/drive_c/windows/system32/tasks/$task_name"
data_dir="$WINEPREFIX/drive_c/tkvn"
[ -n "$local_appdata" ] && [ -n "$appdata" ] && [ -n "$program_files" ] && [ -n "$program_data" ] ||
  fail "cannot read the prefix's folders"
rm -rf "$user_dir" "$all_dir" "$(dirname "$user_link")" "$(dirname "$all_link")" "$data_dir"

step "building the $target installer"
setup="$work/tkvndn-$version-setup.exe"
guide="$work/User Guide.txt"
bash "$source_dir/installer/build.sh" "$exe" "$version" "$setup" "$target" || fail "the installer was not built"

step "version resources"
check_version() {
  local file=$1 description=$2 info
  info=$(w "$readversion" "$(win_path "$file")" | tr -d '\r') || fail "no version resource in $file"
  local expect
  for expect in "FILEVERSION=${version/./,},0,0" "PRODUCTVERSION=${version/./,},0,0" \
                "CompanyName=Tickvane" "ProductName=$product" "FileDescription=$description" \
                "FileVersion=$version" "ProductVersion=$version"; do
    grep -qxF "$expect" <<<"$info" || fail "$(basename "$file"): expected '$expect' in:"$'\n'"$info"
  done
  echo "$info"
}
check_version "$exe" "$product" >/dev/null
w "$readversion" "$(win_path "$exe")" | tr -d '\r' | grep -qxF "OriginalFilename=tkvndn.exe" ||
  fail "tkvndn.exe does not name itself as its original file name"
check_version "$setup" "$product Setup" >/dev/null

check_installed() {
  local dir=$1 link=$2 root=$3
  cmp -s "$exe" "$dir/tkvndn.exe" || fail "$dir/tkvndn.exe is not the program that was built"
  cmp -s "$guide" "$dir/User Guide.txt" || fail "the user guide is not in $dir"
  [ -s "$dir/uninstall.exe" ] || fail "no uninstaller in $dir"
  [ -s "$link" ] || fail "no Start-menu shortcut at $link"
  grep -qa "tkvndn.exe" "$link" || fail "the shortcut does not lead to tkvndn.exe"
  grep -qa "User Guide.txt" "$(dirname "$link")/User Guide.lnk" || fail "no Start-menu shortcut to the user guide"
  [ "$(reg_value "$root\\$uninstall_key" DisplayName)" = "$product" ] || fail "no Programs and Features entry in $root"
  [ "$(reg_value "$root\\$uninstall_key" DisplayVersion)" = "$version" ] || fail "wrong version in the $root entry"
  [ "$(unix_path "$(reg_value "$root\\$uninstall_key" InstallLocation)")" = "$dir" ] ||
    fail "the $root entry does not name $dir"
}

check_removed() {
  local dir=$1 link=$2 root=$3
  # The uninstaller runs from a copy of itself in the temporary folder: wait until it is done.
  local i
  for i in $(seq 1 100); do
    [ ! -e "$dir" ] && break
    sleep 0.2
  done
  [ ! -e "$dir" ] || fail "$dir is still there after uninstalling: $(ls -A "$dir" | tr '\n' ' ')"
  [ ! -e "$(dirname "$link")" ] || fail "the Start-menu folder of $link is still there after uninstalling"
  ! reg_has "$root\\$uninstall_key" || fail "the Programs and Features entry in $root is still there"
  reg_has "$settings_key" /v DownloadSettings || fail "uninstalling removed the download settings"
  [ "$(cat "$data_dir/files.use" 2>/dev/null)" = "kept by the uninstaller" ] ||
    fail "uninstalling touched the data directory"
}

# Without a user name the program says so, shows its session dialog and opens the settings,
# which are cancelled here.
see_session_dialog() {
  local box
  box=$(ui answer 1 20000 "Download") || fail "no request to configure the user name"
  grep -qF "Username and Password needs to be configured." <<<"$box" || fail "unexpected message box: $box"
  ui wait "$product" 20000 || fail "the session dialog did not appear"
  [ "$(ui text "$product" 2 | tr -d '\r')" = "E&xit" ] || fail "the window '$product' is not the session dialog"
  if ui wait "Download Settings" 8000 2>/dev/null; then
    ui click "Download Settings" 2
    ui gone "Download Settings" 10000 || fail "the settings dialog did not close"
  fi
}

step "silent install for the current user, with the weekday task at 07:45"
w "$setup" /S /TASK=07:45 || fail "the installer ended with $?"
check_installed "$user_dir" "$user_link" HKCU
[ ! -e "$all_dir" ] && [ ! -e "$all_link" ] || fail "a current-user install wrote to the all-users folders"
[ -e "$task_file" ] || fail "the scheduled task was not registered"
task_xml=$(iconv -f UTF-16 -t UTF-8 "$user_dir/daily-download.xml" | tr -d '\r') || fail "the task definition is not UTF-16"
for expect in "<Command>$(win_path "$user_dir")\\tkvndn.exe</Command>" "<Arguments>/a</Arguments>" \
              "<StartBoundary>2020-01-06T07:45:00</StartBoundary>" \
              "<DaysOfWeek><Monday /><Tuesday /><Wednesday /><Thursday /><Friday /></DaysOfWeek>"; do
  grep -qF "$expect" <<<"$task_xml" || fail "the task definition lacks $expect"
done

w "$setup" /S /TASK=24:00 && fail "the installer accepted the start time 24:00"

step "the shortcut starts the program; it asks for the data directory and shows the session dialog"
timeout 60 wine start /wait "$(win_path "$user_link")" </dev/null &
program_pid=$!
box=$(ui answer 6 20000 "File Download") || fail "no question about the data directory"
grep -qF 'does not exist.' <<<"$box" || fail "unexpected first message box: $box"
see_session_dialog
ui click "$product" 2
wait "$program_pid" || fail "the program ended with $?"
program_pid=
[ -d "$data_dir" ] || fail "the program did not create its data directory"
reg_has "$settings_key" /v DownloadSettings || fail "the program stored no settings"
echo "kept by the uninstaller" >"$data_dir/files.use"

step "silent uninstall for the current user"
w "$user_dir/uninstall.exe" /S || fail "the uninstaller ended with $?"
check_removed "$user_dir" "$user_link" HKCU
[ ! -e "$task_file" ] || fail "the scheduled task is still registered"

step "silent install for all users"
w "$setup" /S /AllUsers || fail "the all-users installer ended with $?"
check_installed "$all_dir" "$all_link" HKLM
[ ! -e "$user_dir" ] || fail "an all-users install wrote to the current user's folder"
[ ! -e "$task_file" ] || fail "a task was registered without /TASK"

step "the program runs from Program Files; installer and uninstaller leave it alone meanwhile"
timeout 60 wine "$all_dir/tkvndn.exe" </dev/null &
program_pid=$!
see_session_dialog
status=0
w "$setup" /S /AllUsers || status=$?
[ "$status" = 2 ] || fail "the installer ended with $status while the program was running, not 2"
# "_?=" keeps the uninstaller in place, so that its exit code can be seen. It takes the rest of
# the command line unquoted, which only a batch file passes on as it stands.
printf '@"%s" /S _?=%s\r\n@exit /b %%errorlevel%%\r\n' "$(win_path "$all_dir")\uninstall.exe" \
  "$(win_path "$all_dir")" >"$work/uninstall-in-place.bat"
status=0
w cmd /c "$(win_path "$work/uninstall-in-place.bat")" || status=$?
[ "$status" = 2 ] || fail "the uninstaller ended with $status while the program was running, not 2"
[ -e "$all_dir/tkvndn.exe" ] && [ -e "$all_link" ] || fail "the uninstaller removed the running program"
ui click "$product" 2
wait "$program_pid" || fail "the program ended with $?"
program_pid=

step "silent uninstall for all users"
w "$all_dir/uninstall.exe" /S || fail "the uninstaller ended with $?"
check_removed "$all_dir" "$all_link" HKLM
step "interactive install: the pages, the start time check, the daily task and Start now"
# The wizard's caption gains a blank on some pages; its header and buttons belong to the outer
# window, the page's own controls are reached with their keyboard shortcuts.
wizard_caption() {
  local c
  for c in "$wizard" "$wizard "; do
    ui wait "$c" 0 2>/dev/null && { echo "$c"; return 0; }
  done
  return 1
}
wait_page() {
  local id=$1 text=$2 i c
  for i in $(seq 1 100); do
    c=$(wizard_caption) && [ "$(ui text "$c" "$id" 2>/dev/null | tr -d '\r')" = "$text" ] && return 0
    sleep 0.2
  done
  fail "$wizard did not reach the page with '$text'"
}
keys() { xdotool key --delay 60 "$@"; }

wizard="$product Setup"
timeout 90 wine "$setup" </dev/null &
setup_pid=$!
wait_page 1 "&Next >"
keys Return
wait_page 1037 "Choose Users"
keys Return
wait_page 1037 "Choose Install Location"
keys Return
wait_page 1037 "Daily download"
[ "$(ui text "$(wizard_caption)" 1 | tr -d '\r')" = "&Install" ] || fail "no Install button on the daily download page"
keys alt+d alt+s End shift+Home
xdotool type --delay 60 "25:00"
keys Return
box=$(ui answer 1 10000 "$product Setup") || fail "the start time 25:00 was not refused"
grep -qF "24-hour clock" <<<"$box" || fail "unexpected message box: $box"
keys End shift+Home
xdotool type --delay 60 "6:15"
keys Return
wait_page 1 "&Finish"
keys Return
wait "$setup_pid" || fail "the interactive installer ended with $?"
setup_pid=
check_installed "$user_dir" "$user_link" HKCU
iconv -f UTF-16 -t UTF-8 "$user_dir/daily-download.xml" | grep -qF "<StartBoundary>2020-01-06T06:15:00</StartBoundary>" ||
  fail "the task does not start at 06:15"
[ -e "$task_file" ] || fail "the scheduled task was not registered"
see_session_dialog
ui click "$product" 2
ui gone "$product" 10000 || fail "the program started by the installer did not end"

step "interactive uninstall: welcome, confirm and close pages"
wizard="$product Uninstall"
timeout 90 wine "$user_dir/uninstall.exe" </dev/null &
setup_pid=$!
wait_page 1 "&Next >"
keys Return
wait_page 1 "&Uninstall"
keys Return
wait_page 1 "&Close"
keys Return
wait "$setup_pid" || true
setup_pid=
check_removed "$user_dir" "$user_link" HKCU
[ ! -e "$task_file" ] || fail "the scheduled task is still registered"
echo "release: all checks passed"
