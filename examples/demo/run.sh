#!/usr/bin/env bash
# Builds the demo setup and runs it silently in a fresh prefix.
#   examples/demo/run.sh [OUTDIR]     (default: a new folder below /tmp)
# Installs the Debian packages it needs and builds into build/ first; QUILLSET_BUILD names an
# existing build folder to use instead.
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$demo/../.." && pwd)
bin=${QUILLSET_BUILD:-$root/build}/bin
out=${1:-$(mktemp -d /tmp/quillset-demo-XXXXXX)}

# Set the machine up and build (both quick when already done), unless a build folder is given.
if [[ -z ${QUILLSET_BUILD:-} ]]; then
  bash "$root/.ci/install-packages"
  cmake -S "$root" -B "$root/build" -G Ninja > "$root/build.configure.log" 2>&1 \
    || { cat "$root/build.configure.log" >&2; exit 1; }
  cmake --build "$root/build" --target quillset zep_lib quillset-build -j"$(nproc)"
fi
for file in quillset-build quillset zep.lib; do
  [[ -e $bin/$file ]] || { echo "missing: $bin/$file" >&2; exit 1; }
done

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
