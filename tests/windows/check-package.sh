#!/usr/bin/env bash
# cpack (the release test, run before) makes the users' zip, holding the
# program, its README.TXT and the licence, its text plain ASCII with CR LF
# line ends; the floppy image of the same files, read back with mtools: a
# 3.5" 1.44 MB FAT12 floppy's layout, with a label, and the zip's files under
# 8.3 names; the source zip; and a SHA256SUMS for all three that sha256sum -c
# accepts. The source zip, unpacked where there is no .git and no git on the
# PATH, builds the same package, byte for byte, as the README says to.
# Usage: check-package.sh CMAKE CPACK BUILD-DIR NAME WORK-DIR
set -euo pipefail
shopt -s nullglob
cmake=$1 cpack=$2 build=$3 name=$4 work=$5
zip=$name-win32.zip image=$name-floppy.img

(cd "$build" && sha256sum --check --strict SHA256SUMS)
rm -rf "$work" && mkdir -p "$work/win32" "$work/floppy" "$work/bin"
contents=$("$cmake" -E chdir "$work/win32" "$cmake" -E tar xvf "$build/$zip" 2>&1 | sed 's/^x //' | tr '\n' ' ')
if [ "$contents" != "LICENSE README.TXT osver.exe " ]; then
  echo "$zip holds: $contents"
  exit 1
fi
for text in LICENSE README.TXT; do
  if LC_ALL=C grep -n -v $'\r$' "$work/win32/$text" || LC_ALL=C grep -n -P '[^\x00-\x7f]' "$work/win32/$text"; then
    echo "$text in $zip: the lines above are not ASCII ending in CR LF"
    exit 1
  fi
done

# The image, as mtools reads it: each line must be in minfo's account.
info=$(minfo -i "$build/$image" ::)
for line in "sector size: 512 bytes" "cylinders: 80" "heads: 2" "sectors per track: 18" \
  "small size: 2880 sectors" "media descriptor byte: 0xf0" 'disk type="FAT12   "'; do
  if ! grep -Fxq "$line" <<<"$info"; then
    printf '%s: minfo does not say "%s"; it says:\n%s\n' "$image" "$line" "$info"
    exit 1
  fi
done
size=$(stat -c %s "$build/$image") signature=$(od -An -tx1 -j510 -N2 "$build/$image")
label=$(mlabel -i "$build/$image" -s ::) names=$(mdir -i "$build/$image" -b :: | tr '\n' ' ')
if [ "$size" != 1474560 ] || [ "$signature" != " 55 aa" ] || [[ $label != *"Volume label is "?* ]] ||
  [ "$names" != "::/LICENSE ::/OSVER.EXE ::/README.TXT " ]; then
  echo "$image: $size bytes, the boot sector's last two: $signature; $label; holds: $names"
  exit 1
fi
mcopy -i "$build/$image" ::LICENSE ::OSVER.EXE ::README.TXT "$work/floppy"
for pair in LICENSE:LICENSE OSVER.EXE:osver.exe README.TXT:README.TXT; do
  if ! cmp "$work/floppy/${pair%:*}" "$work/win32/${pair#*:}"; then
    echo "${pair%:*} in $image is not ${pair#*:} in $zip"
    exit 1
  fi
done

# Where git fails, its own reason is passed on.
mkdir -p "$work/not-a-checkout/out"
echo "gitdir: $work/nowhere" >"$work/not-a-checkout/.git"
if out=$(python3 "$(dirname "$0")/../../cmake/package-zip.py" "$work/win32" "$work/not-a-checkout" \
  "$work/not-a-checkout/out" "$name" 2026-01-01 2>&1) || [[ $out != *"fatal: not a git repository"* ]]; then
  echo "package-zip, where git fails, said: $out"
  exit 1
fi

# Every command on the PATH but git.
IFS=: read -ra path <<<"$PATH"
for dir in "${path[@]}"; do
  for command in "$dir"/*; do
    [[ ${command##*/} == git* || -e $work/bin/${command##*/} ]] || ln -s "$command" "$work/bin/"
  done
done
"$cmake" -E chdir "$work" "$cmake" -E tar xf "$build/$name-source.zip"
make=$(command -v make)
(
  cd "$work/$name" && [ ! -e .git ] && export PATH=$work/bin
  # make by its own path: make cannot run itself from a directory whose name
  # has a space, as this one may.
  "$cmake" --preset windows-x86 -DBUILD_TESTING=OFF -DCMAKE_MAKE_PROGRAM="$make" >/dev/null
  "$cmake" --build --preset windows-x86 --target osver >/dev/null
  cd build/windows-x86 && "$cpack" >/dev/null
)
rebuilt=$work/$name/build/windows-x86
if ! cmp "$build/$zip" "$rebuilt/$zip" || ! cmp "$build/$image" "$rebuilt/$image" ||
  ! diff "$build/SHA256SUMS" "$rebuilt/SHA256SUMS"; then
  echo "the package built from $name-source.zip differs from this one"
  exit 1
fi
rm -rf "$work"
