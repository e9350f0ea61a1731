#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each in turn.
#
#   bash fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS: run time per target (default 60). TARGET: fuzz_codec, ... (default:
# every fuzz/fuzz_*.cpp). Build dir: build-fuzz/ in the repository. Each target
# keeps its corpus in build-fuzz/corpus/<target> (runs continue from it; seeds
# in fuzz/corpus/<target> are read too, never written), crash inputs land in
# build-fuzz/artifacts/<target>/, the full output in build-fuzz/logs/<target>.log.
# Exit status: 0 when no target found anything, 1 otherwise (2: bad usage or
# build failure). Re-run a crash input with: build-fuzz/fuzz/<target> <file>
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-60}"
if [[ $# -gt 0 ]]; then shift; fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [[ "$seconds" -eq 0 ]]; then
    echo "usage: bash fuzz/run.sh [SECONDS] [TARGET...]" >&2
    exit 2
fi

# A fresh machine: install what the build needs (Debian 12 packages).
if ! command -v clang++ >/dev/null || ! command -v cmake >/dev/null ||
    ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    ! compgen -G "/usr/lib/*/cmake/Qt6SerialPort" >/dev/null; then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" apt-get install -y clang libclang-rt-14-dev cmake ninja-build \
        qt6-base-dev qt6-serialport-dev
fi

if [[ $# -gt 0 ]]; then
    targets=("$@")
else
    targets=()
    for src in "$root"/fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUCOMM_FUZZ=ON >/dev/null ||
    { echo "configure failed" >&2; exit 2; }
cmake --build "$build" -j2 --target "${targets[@]}" || { echo "build failed" >&2; exit 2; }

found=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    seeds=()
    [[ -d "$root/fuzz/corpus/$target" ]] && seeds=("$root/fuzz/corpus/$target")

    status=0
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?

    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    units="$(find "$corpus" -type f | wc -l)"
    if [[ $status -eq 0 ]]; then
        echo "$target: ${execs:-?} executions in ${seconds} s, no crash (corpus $units inputs)"
    else
        found=1
        input="$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)"
        summary="$(grep -m1 -E 'ERROR: (AddressSanitizer|libFuzzer)|runtime error:|check failed:' \
            "$log" || true)"
        echo "$target: CRASH after ${execs:-?} executions (exit $status): ${summary:-see log}"
        echo "    input: ${input:-none written}; log: $log"
    fi
done
exit $found
