#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test, including
# the replay of the fuzz corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/install-packages
build=${QUILLSET_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLSET_SANITIZE="address;undefined" -DQUILLSET_BENCH=OFF > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j"$(nproc)"
# Libraries we do not build (the archive plug-in, libmsi) are not instrumented: their own leaks are
# not ours, and the ones they keep for good are suppressed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600

# The threaded parts again under ThreadSanitizer: workers (plug-in calls, extraction, the
# installer thread and its message handler) against the store's lock and the wait loop.
tsan=${QUILLSET_TSAN_BUILD:-build-tsan}
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLSET_SANITIZE=thread -DQUILLSET_BENCH=OFF > "$tsan.configure.log" 2>&1 \
  || { cat "$tsan.configure.log"; exit 1; }
cmake --build "$tsan" -j"$(nproc)" --target qs_test_interp qs_test_commands qs_test_msi sample_plugin zep_lib
ctest --test-dir "$tsan" --output-on-failure -j"$(nproc)" --timeout 600 -R '^(PluginCall|ExtractArchiveTest|WizardLoop|InstallerRunTest|HandlerTest|InstallerCommandsTest)\.'
