# The saver as a Windows file: the name Windows' screen-saver list shows
# (string 1), a version block with the project's version, its icon at 16, 20,
# 24, 32, 40, 48, 64 and 256 pixels, and a manifest that keeps it sharp on
# high-DPI screens, runs it as invoked and names Windows 7 to 11, all read as
# Windows reads them; and a release file with no debug sections that needs no
# DLL beyond Windows' own and OpenGL's.
source "$E2E_LIB"

version="$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt")"
resources="$(probe resources "$(windows_path "$QUILLMOOR_SCR")")"

section "the name in the screen-saver list"
expect "string 1" "$(field description <<<"$resources")" "Quillmoor Screensaver"

section "the version block, version $version"
expect "file version" "$(field file_version <<<"$resources")" "$version.0"
expect "product version" "$(field product_version <<<"$resources")" "$version.0"
for key in FileVersion ProductVersion; do expect "$key" "$(field "$key" <<<"$resources")" "$version"; done
for key in FileDescription ProductName; do expect "$key" "$(field "$key" <<<"$resources")" "Quillmoor Screensaver"; done
expect "OriginalFilename" "$(field OriginalFilename <<<"$resources")" "quillmoor.scr"
for key in CompanyName InternalName LegalCopyright; do
  if [ -n "$(field "$key" <<<"$resources")" ]; then pass "$key is given"; else fail "$key is missing"; fi
done

section "the icon"
expect "each size decodes to an icon of that size" "$(field icons <<<"$resources")" "256:256 64:64 48:48 40:40 32:32 24:24 20:20 16:16"

section "the manifest"
expect "the system reads it" "$(field manifest <<<"$resources")" 1
expect "DPI aware per monitor, else system-wide" "$(field dpi_aware <<<"$resources")" "true/pm"
expect "DPI awareness per monitor, version 2, else version 1" "$(field dpi_awareness <<<"$resources")" \
  "PerMonitorV2,PerMonitor"
expect "runs as invoked" "$(field run_level <<<"$resources")" "asInvoker"
# Windows 7, 8, 8.1, and 10 and 11.
expect "supported systems" "$(field supported_os <<<"$resources")" \
  "35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"

section "the file"
headers="$(x86_64-w64-mingw32-objdump -h -p "$QUILLMOOR_SCR")"
expect "debug sections" "$(grep -c ' \.debug_' <<<"$headers")" 0
imports="$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
echo "  imports: $imports"
# Windows' own libraries, with OpenGL and GLU among them: nothing to ship.
others="$(tr ' ' '\n' <<<"$imports" | grep -v -x -E '(kernel32|user32|gdi32|advapi32|msvcrt|opengl32|glu32)\.dll' | grep -c .)"
expect "libraries beyond Windows' own" "$others" 0
at_least "libraries it imports" "$(wc -w <<<"$imports")" 3

finish
