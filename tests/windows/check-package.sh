#!/usr/bin/env bash
# cpack makes the users' zip, holding the program, the README and the
# licence, and a SHA256SUMS file that sha256sum -c accepts; a second clean
# build of the same source, in another directory and later, gives the same
# zip bytes.
# Usage: check-package.sh CMAKE CPACK SOURCE-DIR TOOLCHAIN-FILE BUILD-DIR ZIP-NAME WORK-DIR
set -euo pipefail
cmake=$1 cpack=$2 source=$3 toolchain=$4 build=$5 zip=$6 work=$7

package() {  # package DIR: a fresh zip and SHA256SUMS there
  (cd "$1" && rm -f "$zip" SHA256SUMS && "$cpack" >/dev/null)
}

package "$build"
contents=$("$cmake" -E chdir "$build" "$cmake" -E tar tf "$zip" | tr '\n' ' ')
if [ "$contents" != "LICENSE README.md osver.exe " ]; then
  echo "$zip holds: $contents"
  exit 1
fi
(cd "$build" && sha256sum --check --strict SHA256SUMS)

rm -rf "$work"
"$cmake" -S "$source" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF >/dev/null
"$cmake" --build "$work" --target osver >/dev/null
package "$work"
if ! cmp "$build/$zip" "$work/$zip" || ! cmp "$build/SHA256SUMS" "$work/SHA256SUMS"; then
  echo "two clean builds give different zips"
  exit 1
fi
rm -rf "$work"
