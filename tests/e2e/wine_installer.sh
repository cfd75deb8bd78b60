# The Windows release files: the zip holds the saver, the licence and a
# read-me; the installer (QUILLMOOR_SETUP) puts the saver where the Screen
# Saver Settings list it (the 64-bit System32 for everyone, the user's own
# folder for only me), makes it the current saver when asked, keeping the
# previous one, and registers a complete uninstall entry; the saver runs as
# Windows runs it; installing over the same version while the saver runs, over
# an older build and the other way of installing replaces it cleanly; a newer
# version is kept; the uninstaller removes every file and key of its own and
# puts back the previous saver (or none); a second uninstall and a standard
# user's attempts change nothing. Everything is judged by what is installed;
# exit codes reach the shell modulo 256.
source "$E2E_LIB"

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
version="$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
readonly UNINSTALL='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor'
readonly DESKTOP='HKCU\Control Panel\Desktop' KEPT='HKCU\Software\Quillmoor'
readonly SYSTEM_SAVER='c:\windows\system32\quillmoor.scr' MACHINE_DIR='C:\Program Files\Quillmoor'
system32="$(winepath -u 'C:\windows\system32')"
machine_dir="$(winepath -u "$MACHINE_DIR")"
USER_DIR="$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\Quillmoor"
user_dir="$(winepath -u "$USER_DIR")"
work="$E2E_OUT/installer"
rm -rf "$work" && mkdir -p "$work"

# The data of a registry value, "(absent)" when there is none.
reg_value() {
  local out
  out="$(wine reg query "$1" /v "$2" 2>/dev/null)" || { echo "(absent)"; return; }
  tr -d '\r' <<<"$out" | sed -n "s/^    $2    REG_[A-Z_]*//p" | sed 's/^    //'
}
set_value() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
unset_value() { wine reg delete "$1" /v "$2" /f >/dev/null 2>&1; }
key_exists() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
lower() { tr 'A-Z' 'a-z'; }
run() { wine "$@" >/dev/null 2>&1; echo $?; }
# run_in_place UNINSTALLER FOLDER: runs the uninstaller silently for FOLDER and
# waits for it. _?= ends the command line unquoted, which Wine's own quoting
# of arguments would spoil: a batch file passes it.
run_in_place() {
  printf '@"%s" /S _?=%s\r\nexit /b %%errorlevel%%\r\n' "$(windows_path "$1")" "$2" >"$work/in-place.bat"
  wine cmd /c "$(windows_path "$work/in-place.bat")" >/dev/null 2>&1
  echo $?
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
    -DLICENSE="$root/LICENSE" -DWIZARD_BITMAP="$root/packaging/windows/wizard.bmp" -DOUTFILE="$1" "${@:4}" \
    "$root/packaging/windows/quillmoor.nsi" || fail "makensis $1"
}
# expect_entry ROOT VERSION SAVER FOLDER: the uninstall entry Apps & features shows.
expect_entry() {
  local key="$1\\$UNINSTALL" folder_unix size=1023 file
  folder_unix="$(winepath -u "$4")"
  expect "$1 entry: name" "$(reg_value "$key" DisplayName)" "Quillmoor Screensaver"
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

section "the installed saver as Windows runs it"
start_current_saver
xdotool key a
expect_saver_ended "SCRNSAVE.EXE /s, key a"

section "the same version again while the saver runs (/S)"
start_current_saver
expect "exit code" "$(run "$QUILLMOOR_SETUP" /S)" 0
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
expect "the standard user's uninstaller on it: exit code 740" \
  "$(run_in_place "$work/standard-user-uninstall.exe" "$MACHINE_DIR")" $((740 % 256))
expect "the saver stays" "$(cmp "$system32/quillmoor.scr" "$QUILLMOOR_SCR" 2>&1)" ""
expect "the entry stays" "$(key_exists "HKLM\\$UNINSTALL")" yes
uninstall_quietly HKLM
expect_nothing_left "at the end"

# Whatever a failed check left behind, for the scripts after this one.
rm -rf "$system32/quillmoor.scr" "$machine_dir" "$user_dir"
for key in "HKLM\\$UNINSTALL" "HKCU\\$UNINSTALL" "$KEPT"; do wine reg delete "$key" /f >/dev/null 2>&1; done
unset_value "$DESKTOP" SCRNSAVE.EXE
unset_value "$DESKTOP" ScreenSaveActive

finish
