#!/usr/bin/env bash
# Runs every libFuzzer target of FOLDER for SECONDS each, starting from its seed corpus in tests/fuzz/corpus
# (copied, so the tree's seeds stay as they are) with its dictionary. A crash, a sanitizer report, an input
# that takes longer than 10 s or a target past 2 GB ends the run with an error and leaves the input in
# FOLDER/findings.
#   scripts/run-fuzzers.sh FOLDER SECONDS [TARGET...]
set -euo pipefail
folder=${1:?folder of the fuzz targets}
seconds=${2:-30}
shift 2 || true
here=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_vcard_file fuzz_vcard_line fuzz_csv fuzz_import_plan fuzz_grid_layout fuzz_language_file)
fi
mkdir -p "$folder/findings"
for t in "${targets[@]}"; do
    name=${t#fuzz_}
    work=$(mktemp -d)
    cp -r "$here/tests/fuzz/corpus/$name/." "$work/"
    dict=()
    [ -f "$here/tests/fuzz/dict/$name.dict" ] && dict=(-dict="$here/tests/fuzz/dict/$name.dict")
    echo "fuzz: $t for ${seconds}s"
    log="$folder/findings/$t.log"
    set +e
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$folder/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$folder/findings/$t-" "${dict[@]}" "$work" >"$log" 2>&1
    status=$?
    set -e
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    rm -rf "$work"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz: $t failed (exit $status); the input is in $folder/findings"
        exit 1
    fi
done
echo "fuzz: every target ran ${seconds}s without a finding"
