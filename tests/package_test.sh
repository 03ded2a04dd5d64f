#!/usr/bin/env bash
# Builds the Windows release zip, unpacks it and checks what a user gets:
# the files, the texts' form, the DLLs the programs need, their version
# resources and manifests, and that both programs run from the unpacked
# folder under Wine, and that all of it carries the version of project().
# package_test.sh BUILD_FOLDER START_AND_CLOSE_EXE VERSION
set -euo pipefail
build=$1
start_and_close=$2
version=$3
# Windows' four numbers, a missing third or fourth being 0.
IFS=. read -r major minor patch tweak <<<"$version"
numbers="$major, $minor, ${patch:-0}, ${tweak:-0}"
source=$(cd "$(dirname "$0")/.." && pwd)
wine_run="$source/scripts/wine-run.sh $build/wineprefix"
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
status=0
fail() {
  echo "package_test: $*" >&2
  status=1
}

cmake --build "$build" --target package >/dev/null
unzip -q "$build/velmora-$version-win64.zip" -d "$work/unpacked"
folder=$work/unpacked/velmora-$version

listing=$(cd "$work/unpacked" && find . -type f | sort | tr '\n' ' ')
expected=""
for file in LICENSE.txt README-ja.txt THIRD-PARTY-NOTICES.txt velmora-cli.exe velmora.exe; do
  expected+="./velmora-$version/$file "
done
[ "$listing" = "$expected" ] || fail "the zip holds: $listing"

# Notepad on any Windows: a byte-order mark, valid UTF-8, and CR LF only.
for text in README-ja.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  [ "$(head -c 3 "$folder/$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$text has no byte-order mark"
  iconv -f UTF-8 -t UTF-8 "$folder/$text" >/dev/null || fail "$text is not UTF-8"
  ! grep -qv $'\r$' "$folder/$text" || fail "$text has a line end other than CR LF"
done
grep -q "Copyright (C) 2026 ヴェルモラ開発チーム" "$folder/LICENSE.txt" || fail "LICENSE.txt names another holder"
for notice in "MinGW-w64" "winpthreads" "GCC RUNTIME LIBRARY EXCEPTION" "libjpeg-turbo" "libspng" \
              "zlib" "GNU GENERAL PUBLIC LICENSE" "GNU LESSER GENERAL PUBLIC LICENSE"; do
  grep -q "$notice" "$folder/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt lacks $notice"
done
# The image libraries' texts are those of the sources built, which say their version.
sources=$(sed -n 's/^VELMORA_SOURCES_DIR:PATH=//p' "$build/CMakeCache.txt")
for package in libjpeg-turbo libspng; do
  built="Debian's source package $package $(cat "$sources/$package/.fetched"), from which it was built"
  grep -qF "debian/copyright of $built" "$folder/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt lacks: $built"
done

# Only DLLs that every Windows has: nothing from MinGW-w64 or GCC.
for program in velmora.exe velmora-cli.exe; do
  x86_64-w64-mingw32-objdump -p "$folder/$program" | sed -n 's/^\tDLL Name: //p' | while read -r dll; do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | shell32.dll | comdlg32.dll | comctl32.dll | shlwapi.dll | \
        advapi32.dll | ole32.dll | msvcrt.dll) ;;
      *) echo "package_test: $program needs $dll, which Windows does not ship" >&2; exit 1 ;;
    esac
  done || status=1

  # windres writes texts outside ASCII as UTF-16 escapes:
  # ヴェルモラ抽出器 and "Copyright (C) 2026 ヴェルモラ開発チーム".
  resources=$(x86_64-w64-mingw32-windres -i "$folder/$program" -O rc)
  for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" "VALUE \"FileVersion\", \"$version\"" \
              "VALUE \"ProductVersion\", \"$version\"" "VALUE \"OriginalFilename\", \"$program\"" \
              'VALUE "ProductName", L"\x30f4\x30a7\x30eb\x30e2\x30e9\x62bd\x51fa\x5668"' \
              'VALUE "LegalCopyright", L"Copyright (C) 2026 \x30f4\x30a7\x30eb\x30e2\x30e9\x958b\x767a\x30c1\x30fc\x30e0"' \
              'VALUE "FileDescription", L"\x30f4\x30a7\x30eb\x30e2\x30e9' \
              'Microsoft.Windows.Common-Controls' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '>UTF-8</activeCodePage>' \
              "name=\"\"Velmora.Extractor\"\" version=\"\"${numbers//, /.}\"\""; do
    grep -qF -- "$line" <<<"$resources" || fail "$program lacks: $line"
  done
done

# The programs run from the unpacked folder with the working directory elsewhere.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
printed=$($wine_run "Z:${folder//\//\\}\\velmora-cli.exe" --version | head -n 1 | tr -d '\r')
[ "$printed" = "velmora-cli version $version" ] || fail "velmora-cli.exe --version printed: $printed"
timeout 120 $wine_run "$start_and_close" "Z:${folder//\//\\}\\velmora.exe" || fail "velmora.exe did not start and close (exit $?)"
[ -f "$work/elsewhere/Velmora.ini" ] || fail "velmora.exe wrote no Velmora.ini into its working directory"
[ ! -e "$folder/Velmora.ini" ] || fail "velmora.exe wrote Velmora.ini beside itself"
exit $status
