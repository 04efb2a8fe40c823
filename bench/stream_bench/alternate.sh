#!/bin/sh
# The window at the line rate drawing what changed and with --full-redraw,
# one run after the other, for the view fixed, following and minimised, under
# each build given: the figures of docs/performance.md, "Drawing only what
# changed". Usage: bench/stream_bench/alternate.sh ROUNDS BUILD_DIR...
set -e
rounds=$1
shift
round=1
while [ "$round" -le "$rounds" ]; do
    for build in "$@"; do
        for case in "" "--follow 1" "--minimised 1"; do
            for full in 0 1; do
                echo "== $build round $round [$case] --full-redraw $full, load $(cut -d' ' -f1 /proc/loadavg)"
                # shellcheck disable=SC2086
                "$build/bench/stream_bench/stream_bench" --seconds 20 --tag-map 20000 $case \
                    --full-redraw "$full" | grep -E "^stream_bench|CPU per|display lag|peak RSS|renders "
            done
        done
    done
    round=$((round + 1))
done
