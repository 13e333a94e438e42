#!/usr/bin/env bash
# Builds the demo setup and runs it silently in a fresh prefix.
#   examples/demo/run.sh [OUTDIR]     (default: a new folder below /tmp)
# QUILLSET_BUILD names the build folder (default: build at the top of the checkout).
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$demo/../.." && pwd)
bin=${QUILLSET_BUILD:-$root/build}/bin
out=${1:-$(mktemp -d /tmp/quillset-demo-XXXXXX)}

missing=()
for file in quillset-build quillset zep.lib; do
  [[ -e $bin/$file ]] || missing+=("$bin/$file")
done
command -v wixl >/dev/null || missing+=("the wixl command (apt-get install wixl)")
command -v 7z >/dev/null || missing+=("the 7z command (apt-get install p7zip-full)")
if ((${#missing[@]})); then
  echo "The demo needs what is not there yet:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  echo "Build first: cmake -S $root -B ${QUILLSET_BUILD:-$root/build} -G Ninja && cmake --build ${QUILLSET_BUILD:-$root/build}" >&2
  exit 1
fi

# The package is made at demo time, beside a copy of the project, so the source tree stays clean.
project=$out/project
rm -rf "$project" "$out/setup" "$out/prefix"
mkdir -p "$project" "$out/prefix"
cp "$demo/setup.qsp" "$project/"
cp -r "$demo/support" "$project/"
# wixl takes file sources relative to the current folder only.
(cd "$demo" && wixl -D ProductDir=product -o "$project/demo.msi" demo.wxs)
"$bin/quillset-build" "$project/setup.qsp" -o "$out/setup"

log=$out/trace.log
rm -f "$log"
set +e
QUILLSET_PREFIX=$out/prefix "$out/setup/setup" /s "/l=$log"
code=$?
set -e

echo "trace log: $log"
echo "exit code: $code"
if ((code == 0)); then
  echo "result:    the setup finished"
  find "$out/prefix" -path '*Quillset Demo*' -type f 2>/dev/null | sed 's/^/installed: /' || true
else
  echo "result:    the setup failed (exit code $code)"
fi
exit "$code"
