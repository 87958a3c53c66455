#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit tests of the portable logic
# (natively, build/native) and the end-to-end tests of the program under Wine
# on private X servers (build/win32). Needs no display. Prints a summary and
# exits non-zero if anything failed.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

start=$SECONDS
bash scripts/setup.sh
bash scripts/build.sh

logs=$repo/build/test-logs
mkdir -p "$logs"

# Runs ctest in a build folder (or in the folder of the tests, when only
# that one enables testing) and leaves "passed failed" in $counted.
counted=""
run_ctest() {
    local name=$1 dir=$2 sub=$3
    [[ -f $dir/CTestTestfile.cmake ]] || dir=$dir/$sub
    echo
    echo "== $name (ctest in ${dir#"$repo"/})"
    set +e
    ctest --test-dir "$dir" --output-on-failure --no-tests=error 2>&1 | tee "$logs/$name.log"
    local rc=${PIPESTATUS[0]}
    set -e
    # "N% tests passed, F tests failed out of T"
    counted=$(sed -n 's/.*tests passed, \([0-9]\+\) tests\? failed out of \([0-9]\+\).*/\1 \2/p' \
        "$logs/$name.log" | tail -n1 | awk '{print $2 - $1, $1}')
    return "$rc"
}

# Runs a GoogleTest program directly and leaves "passed failed" in $counted.
run_gtest() {
    local name=$1 program=$2
    echo
    echo "== $name (${program#"$repo"/})"
    set +e
    "$program" --gtest_color=no 2>&1 | tee "$logs/$name.log"
    local rc=${PIPESTATUS[0]}
    set -e
    local passed failed
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]\+\) tests\?\..*/\1/p' "$logs/$name.log" | tail -n1)
    failed=$(sed -n 's/^\[  FAILED  \] \([0-9]\+\) tests\?, listed below.*/\1/p' "$logs/$name.log" | tail -n1)
    counted="${passed:-0} ${failed:-0}"
    return "$rc"
}

unit_rc=0 e2e_rc=0
if [[ -f build/native/CTestTestfile.cmake || -f build/native/tests/unit/CTestTestfile.cmake ]]; then
    run_ctest unit "$repo/build/native" tests/unit || unit_rc=$?
else
    # Testing is not enabled at the top level: run the test program itself.
    run_gtest unit "$repo/build/native/tests/unit/unit_tests" || unit_rc=$?
fi
read -r unit_pass unit_fail <<<"${counted:-0 0}"
counted=""
run_ctest e2e "$repo/build/win32" tests/e2e || e2e_rc=$?
read -r e2e_pass e2e_fail <<<"${counted:-0 0}"

# The program file itself: its resources read back, and a second and third
# clean build that must give the same bytes.
file_pass=0 file_fail=0 file_rc=0
echo "== program file (resources, reproducible build)"
: >"$logs/program-file.log"
for check in "build/native/tools/check_resources build/win32/xianyun.exe" "bash scripts/check_reproducible.sh"; do
    set +e
    $check > >(tee -a "$logs/program-file.log") 2>&1
    rc=$?
    set -e
    if ((rc == 0)); then ((++file_pass)); else ((++file_fail)); file_rc=1; fi
done

# A run that failed without counting a failure (no tests, a crash) counts as one.
((unit_rc == 0 || unit_fail > 0)) || unit_fail=1
((e2e_rc == 0 || e2e_fail > 0)) || e2e_fail=1
((unit_pass + unit_fail > 0)) || { unit_fail=1; unit_rc=1; echo "no unit tests ran" >&2; }

echo
echo "== summary ($((SECONDS - start)) s; logs in build/test-logs, pictures in build/win32/screenshots)"
echo "unit tests:        $unit_pass passed, $unit_fail failed$( ((unit_rc)) && echo '  <-- FAILED')"
echo "end-to-end groups: $e2e_pass passed, $e2e_fail failed$( ((e2e_rc)) && echo '  <-- FAILED')"
echo "program file:      $file_pass passed, $file_fail failed$( ((file_rc)) && echo '  <-- FAILED')"
echo "$((unit_pass + e2e_pass + file_pass)) passed, $((unit_fail + e2e_fail + file_fail)) failed"
((unit_rc == 0 && e2e_rc == 0 && file_rc == 0))
