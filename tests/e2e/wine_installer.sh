# The Windows release files: the zip holds the saver, the licence and a
# read-me; the installer (QUILLMOOR_SETUP) puts the saver where the Screen
# Saver Settings list it (the 64-bit System32 for everyone, the user's own
# folder for only me), makes it the current saver when asked, keeping the
# previous one, and registers a complete uninstall entry; the saver runs as
# Windows runs it; installing over the same version while the saver runs, over
# an older build and the other way of installing replaces it cleanly; a newer
# version is kept; the uninstaller removes every file and key of its own and
# puts back the previous saver (or none), also when the saver's file has gone;
# a second uninstall and a standard user's attempts change nothing; the
# options page keeps its choices across Back; /D= is honoured; an entry of
# the user's naming a foreign folder is never run by an administrator's setup.
# Everything is judged by what is installed; exit codes reach the shell
# modulo 256.
source "$E2E_LIB"

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
version="$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
readonly UNINSTALL='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor'
readonly DESKTOP='HKCU\Control Panel\Desktop' KEPT='HKCU\Software\Quillmoor'
readonly SYSTEM_SAVER='c:\windows\system32\quillmoor.scr' MACHINE_DIR='C:\Program Files\Quillmoor'
readonly PROJECT_PAGE='https://quillmoor.invalid/'
system32="$(winepath -u 'C:\windows\system32')"
machine_dir="$(winepath -u "$MACHINE_DIR")"
USER_DIR="$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\Quillmoor"
user_dir="$(winepath -u "$USER_DIR")"
work="$E2E_OUT/installer"
rm -rf "$work" && mkdir -p "$work"

# The data of a registry value, "(absent)" when there is none. Under load
# Wine now and then fails to start reg.exe at all: a missing value is asked
# once more.
reg_value() {
  local out
  out="$(wine reg query "$1" /v "$2" 2>/dev/null)" || out="$(wine reg query "$1" /v "$2" 2>/dev/null)" ||
    { echo "(absent)"; return; }
  tr -d '\r' <<<"$out" | sed -n "s/^    $2    REG_[A-Z_]*//p" | sed 's/^    //'
}
set_value() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
unset_value() { wine reg delete "$1" /v "$2" /f >/dev/null 2>&1; }
key_exists() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
lower() { tr 'A-Z' 'a-z'; }
# A setup that shows its window where it should not waits for input: bounded.
run() { timeout -k 5 120 wine "$@" >/dev/null 2>&1; echo $?; }
# run_line PROGRAM ARGUMENTS: runs the program (a Windows path) with the
# command line ARGUMENTS as they are and waits for it. /D= and _?= end the
# command line unquoted, which Wine's own quoting of arguments would spoil:
# a batch file passes them.
run_line() {
  printf '@"%s" %s\r\nexit /b %%errorlevel%%\r\n' "$1" "$2" >"$work/line.bat"
  timeout -k 5 120 wine cmd /c "$(windows_path "$work/line.bat")" >/dev/null 2>&1
  echo $?
}
# run_in_place UNINSTALLER FOLDER: runs the uninstaller silently for FOLDER and
# waits for it.
run_in_place() { run_line "$(windows_path "$1")" "/S _?=$2"; }
# The short (8.3) form of a Windows path.
short_path() {
  printf '@for %%%%I in ("%s") do @echo %%%%~sI\r\n' "$1" >"$work/short.bat"
  wine cmd /c "$(windows_path "$work/short.bat")" 2>/dev/null | tr -d '\r'
}
exists() { test -e "$1" && echo yes || echo no; }
# tiny_program OUT LINES: a small silent Windows program built by makensis
# that runs the NSIS LINES.
tiny_program() {
  printf 'Unicode true\nTarget amd64-unicode\nRequestExecutionLevel user\nSilentInstall silent\nOutFile "%s"\nSection\n%s\nSectionEnd\n' \
    "$1" "$2" >"$1.nsi"
  makensis -V1 "$1.nsi" || fail "makensis $1"
}
# The setup with its window: gui_start PROGRAM [ARGUMENTS] starts it and waits
# for its window to be active; gui_keys KEY... presses each key in turn, a
# moment apart, as a user reading each page would; gui_exit sets GUI_EXIT to
# its exit code once it has ended (timeout if it has not within a minute).
readonly SETUP_CAPTION="Quillmoor Screensaver Setup"
gui_start() {
  wine "$@" >/dev/null 2>&1 &
  GUI_PID=$!
  probe find --caption "$SETUP_CAPTION" --visible --active --wait "$WINDOW_WAIT_MS" >/dev/null
}
gui_keys() {
  local key
  for key in "$@"; do
    sleep 1.5
    xdotool key "$key"
  done
}
gui_exit() {
  local tries=0
  while kill -0 "$GUI_PID" 2>/dev/null && [ "$tries" -lt 120 ]; do
    sleep 0.5
    tries=$((tries + 1))
  done
  if kill -0 "$GUI_PID" 2>/dev/null; then
    kill "$GUI_PID" 2>/dev/null
    GUI_EXIT=timeout
  else
    wait "$GUI_PID"
    GUI_EXIT=$?
  fi
}

# The saver as Windows starts it: SCRNSAVE.EXE /s.
start_current_saver() { QUILLMOOR_SCR="$(reg_value "$DESKTOP" SCRNSAVE.EXE)" start_saver_and_wait /s; }
# Runs the quiet uninstall command of the entry under ROOT as Apps & features
# does; the uninstaller returns at once and finishes from a copy of itself,
# whose last step removes the entry.
uninstall_quietly() {
  local command path tries=0
  command="$(reg_value "$1\\$UNINSTALL" QuietUninstallString)"
  path="${command#\"}" && path="${path%%\"*}"
  wine "$path" ${command##*\" } >/dev/null 2>&1
  while [ "$(key_exists "$1\\$UNINSTALL")" = yes ] && [ "$tries" -lt 120 ]; do
    sleep 0.5
    tries=$((tries + 1))
  done
}
# makensis_build OUT VERSION SCR [DEFINES...]: another installer from the same script.
makensis_build() {
  makensis -V1 -DVERSION="$2" -DSCR="$3" -DICON="$root/src/host/win32/resources/quillmoor.ico" \
    -DLICENSE="$root/LICENSE" -DWIZARD_BITMAP="$root/packaging/windows/wizard.bmp" -DOUTFILE="$1" \
    -DURL="$PROJECT_PAGE" "${@:4}" \
    "$root/packaging/windows/quillmoor.nsi" || fail "makensis $1"
}
# expect_entry ROOT VERSION SAVER FOLDER: the uninstall entry Apps & features
# shows; only me tells itself apart from an installation for everyone.
expect_entry() {
  local key="$1\\$UNINSTALL" folder_unix size=1023 file name="Quillmoor Screensaver" date
  folder_unix="$(winepath -u "$4")"
  [ "$1" = HKLM ] || name="Quillmoor Screensaver (only me)"
  expect "$1 entry: name" "$(reg_value "$key" DisplayName)" "$name"
  expect "$1 entry: the project's page" "$(reg_value "$key" URLInfoAbout)" "$PROJECT_PAGE"
  expect "$1 entry: help" "$(reg_value "$key" HelpLink)" "$PROJECT_PAGE"
  # Today's date, or yesterday's if midnight passed since the install.
  date="$(reg_value "$key" InstallDate)" today="$(date +%Y%m%d)"
  [ "$date" != "$(date -d '1 hour ago' +%Y%m%d)" ] || today=$date
  expect "$1 entry: install date, today as YYYYMMDD" "$date" "$today"
  expect "$1 entry: version" "$(reg_value "$key" DisplayVersion)" "$2"
  expect "$1 entry: publisher" "$(reg_value "$key" Publisher)" "The Quillmoor developers"
  expect "$1 entry: icon, the saver's" "$(reg_value "$key" DisplayIcon | lower)" "$(lower <<<"$3"),0"
  expect "$1 entry: uninstall command" "$(reg_value "$key" UninstallString)" "\"$4\\uninstall.exe\""
  expect "$1 entry: quiet uninstall command" "$(reg_value "$key" QuietUninstallString)" "\"$4\\uninstall.exe\" /S"
  for file in "$(winepath -u "$3")" "$folder_unix/uninstall.exe" "$folder_unix/LICENSE.txt"; do
    size=$((size + $(stat -c %s "$file")))
  done
  expect "$1 entry: estimated size, KiB of the three files" "$(reg_value "$key" EstimatedSize)" "$(printf '0x%x' $((size / 1024)))"
  expect "$1 entry: the licence beside the uninstaller" "$(tr -d '\r' <"$folder_unix/LICENSE.txt" | cmp - "$root/LICENSE" 2>&1)" ""
}
# Nothing of Quillmoor's anywhere.
expect_nothing_left() {
  expect "$1: the saver in System32" "$(ls "$system32" | grep -ci '^quillmoor')" 0
  expect "$1: the folder in Program Files" "$(test -e "$machine_dir" && echo yes || echo no)" no
  expect "$1: the user's folder" "$(test -e "$user_dir" && echo yes || echo no)" no
  expect "$1: the entry for everyone" "$(key_exists "HKLM\\$UNINSTALL")" no
  expect "$1: the user's entry" "$(key_exists "HKCU\\$UNINSTALL")" no
  expect "$1: the kept previous saver" "$(key_exists "$KEPT")" no
}

section "the zip for installing by hand"
expect "its files" "$(unzip -Z1 "$QUILLMOOR_WINDOWS_ZIP" | tr '\n' ' ')" "quillmoor.scr LICENSE.txt README.txt "
expect "the saver is the build's" "$(unzip -p "$QUILLMOOR_WINDOWS_ZIP" quillmoor.scr | cmp - "$QUILLMOOR_SCR" 2>&1)" ""
expect "the licence" "$(unzip -p "$QUILLMOOR_WINDOWS_ZIP" LICENSE.txt | sed 's/\r$//' | cmp - "$root/LICENSE" 2>&1)" ""
readme="$(unzip -p "$QUILLMOOR_WINDOWS_ZIP" README.txt)"
for name in LICENSE.txt README.txt; do
  expect "$name: lines that do not end in CR LF" "$(unzip -p "$QUILLMOOR_WINDOWS_ZIP" "$name" | grep -vc $'\r$')" 0
done
contains "the read-me names the version" "$readme" "Quillmoor Screensaver $version for 64-bit Windows"
contains "the read-me says where the saver goes" "$readme" 'C:\Windows\System32'
for code in 0 1 2 87 740 1605 1618 1638; do
  expect "the read-me explains exit code $code" "$(tr -d '\r' <<<"$readme" | grep -cE "^  $code +[a-z(]")" 1
done

section "the installer's own resources"
resources="$(probe resources "$(windows_path "$QUILLMOOR_SETUP")")"
expect "file version" "$(field file_version <<<"$resources")" "$version.0"
expect "ProductVersion" "$(field ProductVersion <<<"$resources")" "$version"
expect "FileDescription" "$(field FileDescription <<<"$resources")" "Quillmoor Screensaver Setup"
expect "the saver's icon, every size" "$(field icons <<<"$resources")" "256:256 64:64 48:48 40:40 32:32 24:24 20:20 16:16"
expect "asks administrators to elevate" "$(field run_level <<<"$resources")" highestAvailable

section "for everyone, made the current saver (/S /MAKECURRENT) over another saver"
set_value "$DESKTOP" SCRNSAVE.EXE 'C:\windows\system32\previous.scr'
set_value "$DESKTOP" ScreenSaveActive 0
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S /MAKECURRENT)" 0
expect "the saver in the 64-bit System32 is the build's" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "SCRNSAVE.EXE" "$(reg_value "$DESKTOP" SCRNSAVE.EXE | lower)" "$SYSTEM_SAVER"
expect "ScreenSaveActive" "$(reg_value "$DESKTOP" ScreenSaveActive)" 1
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
expect "no entry for the user alone" "$(key_exists "HKCU\\$UNINSTALL")" no
expect "the previous saver kept" "$(reg_value "$KEPT" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "its switch kept" "$(reg_value "$KEPT" ScreenSaveActive)" 0
resources="$(probe resources "$(windows_path "$machine_dir/uninstall.exe")")"
expect "the uninstaller's own description" "$(field FileDescription <<<"$resources")" "Quillmoor Screensaver Uninstaller"
expect "its own file name" "$(field OriginalFilename <<<"$resources")" "uninstall.exe"
expect "its internal name" "$(field InternalName <<<"$resources")" "quillmoor-uninstall"
expect "its version" "$(field ProductVersion <<<"$resources")" "$version"

section "the installed saver as Windows runs it"
start_current_saver
xdotool key a
expect_saver_ended "SCRNSAVE.EXE /s, key a"

section "the same version again while the saver runs (/s, as users type it)"
start_current_saver
expect "exit code" "$(run "$QUILLMOOR_SETUP" /s)" 0
expect_saver_still_up "during the install"
expect "the saver's file is replaced" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
pending="$(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations | lower)"
contains "the running one moved aside, deleted at the next start" "$pending" 'c:\windows\system32\'
expect "under a name the settings do not list" "$(grep -c '\.scr' <<<"$pending")" 0
expect "still the current saver" "$(reg_value "$DESKTOP" SCRNSAVE.EXE | lower)" "$SYSTEM_SAVER"
expect "the previous saver still kept" "$(reg_value "$KEPT" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
xdotool key a
expect_saver_ended "the saver started before the install, key a"
# What Windows does at its next start.
for file in $(grep -o 'c:\\windows\\system32\\[^\\]*' <<<"$pending"); do rm -f "$system32/${file##*\\}"; done
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f >/dev/null 2>&1

section "a newer version installed is kept (/S)"
set_value "HKLM\\$UNINSTALL" DisplayVersion 99.0.0
expect "exit code 1638" "$(run "$QUILLMOOR_SETUP" /S)" $((1638 % 256))
expect "the newer one's entry" "$(reg_value "HKLM\\$UNINSTALL" DisplayVersion)" 99.0.0

section "a newer version, asked in the setup's window: Enter keeps it; a second setup meanwhile"
gui_start "$QUILLMOOR_SETUP"
screenshot "$work/newer-version-question.png"
expect "a second setup while the first asks: exit code 1618" "$(run "$QUILLMOOR_SETUP" /S)" $((1618 % 256))
gui_keys Return
gui_exit
expect "Enter: exit code 1638" "$GUI_EXIT" $((1638 % 256))
expect "the newer one's entry" "$(reg_value "HKLM\\$UNINSTALL" DisplayVersion)" 99.0.0
set_value "HKLM\\$UNINSTALL" DisplayVersion "$version"

section "over an installation whose folder was deleted (/S)"
rm -rf "$machine_dir"
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
expect "still the current saver" "$(reg_value "$DESKTOP" SCRNSAVE.EXE | lower)" "$SYSTEM_SAVER"
expect "the previous saver still kept" "$(reg_value "$KEPT" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'

section "uninstalled (its quiet uninstall command)"
cp "$machine_dir/uninstall.exe" "$work/uninstall-again.exe"
uninstall_quietly HKLM
expect_nothing_left "after the uninstall"
expect "the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "its switch back" "$(reg_value "$DESKTOP" ScreenSaveActive)" 0

section "uninstalled twice"
set_value "$DESKTOP" SCRNSAVE.EXE 'C:\windows\system32\other.scr'
expect "exit code 1605" "$(run_in_place "$work/uninstall-again.exe" "$MACHINE_DIR")" $((1605 % 256))
expect "another saver chosen since stays" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\other.scr'
expect_nothing_left "after the second uninstall"

section "an older build for this user only (/S /CURRENTUSER), no saver before"
unset_value "$DESKTOP" SCRNSAVE.EXE
unset_value "$DESKTOP" ScreenSaveActive
{ cat "$QUILLMOOR_SCR"; echo "an older build"; } >"$work/older.scr"
makensis_build "$work/older-setup.exe" 0.9.0 "$work/older.scr"
expect "exit code" "$(run "$work/older-setup.exe" /S /CURRENTUSER)" 0
expect "the saver in the user's folder" "$(cmp "$user_dir/quillmoor.scr" "$work/older.scr" 2>&1)" ""
expect "nothing in System32" "$(ls "$system32" | grep -ci '^quillmoor')" 0
current="$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
expect "SCRNSAVE.EXE names the user's saver" "$(realpath "$(winepath -u "$current")")" "$(realpath "$user_dir/quillmoor.scr")"
# Windows runs SCRNSAVE.EXE unquoted: a user's folder may hold spaces.
expect "by its short name: each folder and file name at most eight characters and a three-character extension" "$(tr '\\' '\n' <<<"${current#?:\\}" | grep -cvE '^[^ .]{1,8}(\.[^ .]{1,3})?$')" 0
expect "ScreenSaveActive" "$(reg_value "$DESKTOP" ScreenSaveActive)" 1
expect_entry HKCU 0.9.0 "$USER_DIR\\quillmoor.scr" "$USER_DIR"
expect "no entry for everyone" "$(key_exists "HKLM\\$UNINSTALL")" no
start_current_saver
xdotool key a
expect_saver_ended "the user's saver by its SCRNSAVE.EXE /s, key a"

section "this version for everyone over it (/S)"
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
expect "the user's folder is gone" "$(test -e "$user_dir" && echo yes || echo no)" no
expect "the user's entry is gone" "$(key_exists "HKCU\\$UNINSTALL")" no
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
expect "it stays the current saver" "$(reg_value "$DESKTOP" SCRNSAVE.EXE | lower)" "$SYSTEM_SAVER"
expect "no previous saver kept" "$(reg_value "$KEPT" SCRNSAVE.EXE)" "(absent)"
expect "no previous switch kept" "$(reg_value "$KEPT" ScreenSaveActive)" ""

section "uninstalled, no saver before"
uninstall_quietly HKLM
expect_nothing_left "after the uninstall"
expect "SCRNSAVE.EXE" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "(absent)"
expect "ScreenSaveActive" "$(reg_value "$DESKTOP" ScreenSaveActive)" "(absent)"

section "a standard user (an installer built to see the account as one)"
makensis_build "$work/standard-user-setup.exe" "$version" "$QUILLMOOR_SCR" -DACCOUNT=User
expect "for everyone: exit code 740" "$(run "$work/standard-user-setup.exe" /S /ALLUSERS)" $((740 % 256))
expect_nothing_left "after it"
expect "by default: exit code" "$(run "$work/standard-user-setup.exe" /S)" 0
expect "by default, only for the user" "$(reg_value "HKCU\\$UNINSTALL" DisplayVersion)" "$version"
cp "$user_dir/uninstall.exe" "$work/standard-user-uninstall.exe"
expect "an administrator's install for everyone: exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
expect "the standard user's setup beside it: exit code" "$(run "$work/standard-user-setup.exe" /S)" 0
expect "its own installation" "$(reg_value "HKCU\\$UNINSTALL" DisplayVersion)" "$version"
expect "the saver for everyone stays" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "the uninstaller for everyone stays" "$(exists "$machine_dir/uninstall.exe")" yes
expect "the entry for everyone stays" "$(reg_value "HKLM\\$UNINSTALL" InstallLocation)" "$MACHINE_DIR"
expect "the standard user's uninstaller on it: exit code 740" \
  "$(run_in_place "$work/standard-user-uninstall.exe" "$MACHINE_DIR")" $((740 % 256))
expect "the saver stays" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "the entry stays" "$(key_exists "HKLM\\$UNINSTALL")" yes
uninstall_quietly HKCU
uninstall_quietly HKLM
expect_nothing_left "at the end"

section "a standard user's saver running while it is upgraded and uninstalled"
readonly RUN_ONCE='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
leftovers() { ls "$user_dir" 2>/dev/null | grep -c '^ns.*\.tmp$'; }
expect "installed: exit code" "$(run "$work/standard-user-setup.exe" /S)" 0
start_current_saver
expect "upgraded while the saver runs: exit code" "$(run "$work/standard-user-setup.exe" /S)" 0
expect_saver_still_up "during the upgrade"
pending="$(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations | lower)"
expect "nothing left for Windows' next start, which a standard user cannot ask for" \
  "$(grep -cF 'programs\quillmoor' <<<"$pending")" 0
expect "the running saver moved aside" "$(leftovers)" 1
contains "a command to delete it at the next sign-in" "$(reg_value "$RUN_ONCE" "Quillmoor leftovers")" 'ns*.tmp'
xdotool key a
expect_saver_ended "the saver started before the upgrade, key a"
expect "the next setup: exit code" "$(run "$work/standard-user-setup.exe" /S)" 0
expect "it deletes what the saver left" "$(leftovers)" 0
expect "and the command for the next sign-in" "$(reg_value "$RUN_ONCE" "Quillmoor leftovers")" "(absent)"
start_current_saver
uninstall_quietly HKCU
expect "uninstalled while the saver runs: the entry is gone" "$(key_exists "HKCU\\$UNINSTALL")" no
expect "only the moved-aside saver is left" "$(ls "$user_dir" | grep -vc '^ns.*\.tmp$')" 0
xdotool key a
expect_saver_ended "the saver started before the uninstall, key a"
# What Windows runs at the user's next sign-in.
printf '%s\r\n' "$(reg_value "$RUN_ONCE" "Quillmoor leftovers")" >"$work/sign-in.bat"
wine cmd /c "$(windows_path "$work/sign-in.bat")" >/dev/null 2>&1
expect "at the next sign-in the folder goes" "$(exists "$user_dir")" no
wine reg delete "$RUN_ONCE" /v "Quillmoor leftovers" /f >/dev/null 2>&1
expect_nothing_left "at the end"

section "only me over another saver, the saver's file deleted, then uninstalled"
set_value "$DESKTOP" SCRNSAVE.EXE 'C:\windows\system32\previous.scr'
set_value "$DESKTOP" ScreenSaveActive 0
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S /CURRENTUSER)" 0
rm -f "$user_dir/quillmoor.scr"
uninstall_quietly HKCU
expect "the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "its switch back" "$(reg_value "$DESKTOP" ScreenSaveActive)" 0
expect_nothing_left "after the uninstall"
expect "installed again: exit code" "$(run "$QUILLMOOR_SETUP" /S /CURRENTUSER)" 0
rm -f "$user_dir/quillmoor.scr"
expect "installed once more over the deleted file: exit code" "$(run "$QUILLMOOR_SETUP" /S /CURRENTUSER)" 0
expect "the previous saver still kept" "$(reg_value "$KEPT" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
uninstall_quietly HKCU
expect "then uninstalled: the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "its switch back" "$(reg_value "$DESKTOP" ScreenSaveActive)" 0
expect_nothing_left "after the second uninstall"

section "/D=: the folder given"
readonly TOOLS_DIR='C:\Quillmoor Tools' SPACED_DIR='C:\My Savers\Quillmoor'
tools_dir="$(winepath -u "$TOOLS_DIR")" spaced_dir="$(winepath -u "$SPACED_DIR")"
expect "for everyone: exit code" "$(run_line "$(windows_path "$QUILLMOOR_SETUP")" "/S /D=$TOOLS_DIR")" 0
expect "the uninstaller in the folder given" "$(exists "$tools_dir/uninstall.exe")" yes
expect "the saver in System32 all the same" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "nothing in Program Files" "$(exists "$machine_dir")" no
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$TOOLS_DIR"
uninstall_quietly HKLM
expect "uninstalled: the folder given is gone" "$(exists "$tools_dir")" no
expect "only me: exit code" "$(run_line "$(windows_path "$QUILLMOOR_SETUP")" "/S /CURRENTUSER /D=$SPACED_DIR")" 0
expect "the saver in the folder given" "$(cmp "$spaced_dir/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "nothing in the user's usual folder" "$(exists "$user_dir")" no
expect_entry HKCU "$version" "$SPACED_DIR\\quillmoor.scr" "$SPACED_DIR"
current="$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
expect "SCRNSAVE.EXE names it" "$(realpath "$(winepath -u "$current")")" "$(realpath "$spaced_dir/quillmoor.scr")"
expect "without a space" "$(grep -c ' ' <<<"$current")" 0
uninstall_quietly HKCU
expect "uninstalled: the folder given is gone" "$(exists "$spaced_dir")" no
expect "the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "a folder that is not a full path: exit code 87" \
  "$(run_line "$(windows_path "$QUILLMOOR_SETUP")" "/S /CURRENTUSER /D=Quillmoor")" $((87 % 256))
expect_nothing_left "at the end"

section "a volume without short names (an installer built to see its folders so)"
makensis_build "$work/no-short-names-setup.exe" "$version" "$QUILLMOOR_SCR" -DNO_SHORT_NAMES
expect "only me in a folder with spaces: exit code 2" \
  "$(run_line "$(windows_path "$work/no-short-names-setup.exe")" "/S /CURRENTUSER /D=$SPACED_DIR")" 2
expect "the previous saver stays" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "its switch stays" "$(reg_value "$DESKTOP" ScreenSaveActive)" 0
expect "the saver is installed all the same" "$(cmp "$spaced_dir/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
uninstall_quietly HKCU
expect "uninstalled: the previous saver still" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "in the usual folder, without spaces: exit code" "$(run "$work/no-short-names-setup.exe" /S /CURRENTUSER)" 0
expect "SCRNSAVE.EXE is its long path, which has no space" "$(reg_value "$DESKTOP" SCRNSAVE.EXE | lower)" \
  "$(lower <<<"$USER_DIR\\quillmoor.scr")"
uninstall_quietly HKCU
expect "uninstalled: the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect_nothing_left "at the end"

section "an administrator's setup and an entry of the user's naming another folder"
planted_dir="$(winepath -u 'C:\Planted')"
mkdir -p "$planted_dir"
tiny_program "$planted_dir/uninstall.exe" $'FileOpen $0 "$EXEDIR\\ran.txt" w\nFileClose $0'
set_value "HKCU\\$UNINSTALL" InstallLocation 'C:\Planted'
set_value "HKCU\\$UNINSTALL" DisplayVersion "$version"
expect "for everyone: exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
expect "the program in that folder did not run" "$(exists "$planted_dir/ran.txt")" no
expect "nothing in that folder deleted" "$(exists "$planted_dir/uninstall.exe")" yes
expect "the user's entry left as it is" "$(reg_value "HKCU\\$UNINSTALL" InstallLocation)" 'C:\Planted'
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
expect "again, with the entry still there: exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
expect "the program still did not run" "$(exists "$planted_dir/ran.txt")" no
wine reg delete "HKCU\\$UNINSTALL" /f >/dev/null 2>&1
rm -rf "$planted_dir"

section "an administrator's only me beside the installation for everyone (/S /CURRENTUSER)"
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S /CURRENTUSER)" 0
expect "the saver for everyone stays" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect_entry HKLM "$version" "$SYSTEM_SAVER" "$MACHINE_DIR"
expect_entry HKCU "$version" "$USER_DIR\\quillmoor.scr" "$USER_DIR"
uninstall_quietly HKCU
expect "only me uninstalled: the previous saver back" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
expect "the installation for everyone stays" "$(reg_value "HKLM\\$UNINSTALL" InstallLocation)" "$MACHINE_DIR"

section "uninstalled while its uninstaller is held open for two seconds, a file of the user's in its folder"
expect "for everyone again: exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
echo "my notes" >"$machine_dir/notes.txt"
rm -f "$work/held.txt"
tiny_program "$work/hold.exe" $'FileOpen $0 "'"$MACHINE_DIR"$'\\uninstall.exe" r\nFileOpen $1 "$EXEDIR\\held.txt" w\nFileClose $1\nSleep 2000\nFileClose $0'
wine "$work/hold.exe" >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do [ -e "$work/held.txt" ] && break; sleep 0.1; done
expect "the uninstaller is held open" "$(exists "$work/held.txt")" yes
uninstall_quietly HKLM
wait "$holder"
expect "the entry is gone" "$(key_exists "HKLM\\$UNINSTALL")" no
expect "the uninstaller is gone once let go" "$(exists "$machine_dir/uninstall.exe")" no
expect "the licence is gone" "$(exists "$machine_dir/LICENSE.txt")" no
expect "the user's file stays, in its folder" "$(cat "$machine_dir/notes.txt" 2>&1)" "my notes"
rm -rf "$machine_dir"
expect_nothing_left "at the end"

section "uninstalled by its folder's short (8.3) name"
expect "for everyone: exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
short="$(short_path "$MACHINE_DIR")"
expect "the folder's short name has no space" "$(grep -c ' ' <<<"$short")" 0
expect "the uninstaller by it, in place: exit code" "$(run_line "$short\\uninstall.exe" "/S _?=$short")" 0
# In place it cannot delete itself: that is left to its caller.
expect "all but the uninstaller removed" "$(ls "$machine_dir")" uninstall.exe
rm -rf "$machine_dir"
expect_nothing_left "after it"

section "the options page after Back keeps the choices"
gui_start "$QUILLMOOR_SETUP"
gui_keys Return Return alt+o
screenshot "$work/options-only-me.png"
gui_keys alt+b Return
sleep 1
screenshot "$work/options-only-me-after-back.png"
gui_keys Return Return Return
gui_exit
expect "only me, then Back and Next, installed: exit code" "$GUI_EXIT" 0
expect "only me" "$(key_exists "HKCU\\$UNINSTALL")" yes
expect "not for everyone" "$(key_exists "HKLM\\$UNINSTALL")" no
uninstall_quietly HKCU
gui_start "$QUILLMOOR_SETUP"
gui_keys Return Return alt+m alt+b Return
sleep 1
screenshot "$work/options-unticked-after-back.png"
gui_keys Return Return Return
gui_exit
expect "for everyone unticked, then Back and Next, installed: exit code" "$GUI_EXIT" 0
expect "for everyone" "$(key_exists "HKLM\\$UNINSTALL")" yes
expect "not made the screen saver" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
uninstall_quietly HKLM
expect_nothing_left "at the end"

section "signed with a certificate made for the test (osslsigncode)"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Quillmoor test signer" -days 2 \
  -keyout "$work/sign.key" -out "$work/sign.crt" >/dev/null 2>&1 || fail "openssl: no certificate"
cp "$QUILLMOOR_SCR" "$work/signed.scr"
sh "$root/packaging/windows/sign.sh" "$work/sign.crt" "$work/sign.key" "$PROJECT_PAGE" "$work/signed.scr" || fail "sign.sh"
makensis_build "$work/signed-setup.exe" "$version" "$work/signed.scr" -DSIGN_CERT="$work/sign.crt" -DSIGN_KEY="$work/sign.key"
verified() { osslsigncode verify -CAfile "$work/sign.crt" -in "$1" 2>&1 | grep -c '^Signature verification: ok'; }
expect "an unsigned installer fails the check" "$(verified "$QUILLMOOR_SETUP")" 0
expect "the installer's signature" "$(verified "$work/signed-setup.exe")" 1
expect "installed: exit code" "$(run "$work/signed-setup.exe" /S)" 0
expect "the installed saver's signature" "$(verified "$system32/quillmoor.scr")" 1
expect "the installed uninstaller's signature" "$(verified "$machine_dir/uninstall.exe")" 1
uninstall_quietly HKLM
expect_nothing_left "uninstalled"

# Whatever a failed check left behind, for the scripts after this one.
rm -rf "$system32/quillmoor.scr" "$machine_dir" "$user_dir"
for key in "HKLM\\$UNINSTALL" "HKCU\\$UNINSTALL" "$KEPT"; do wine reg delete "$key" /f >/dev/null 2>&1; done
unset_value "$DESKTOP" SCRNSAVE.EXE
unset_value "$DESKTOP" ScreenSaveActive

finish
