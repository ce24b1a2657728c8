#!/usr/bin/env bash
# Blowfish-CBC decryption of the same 256 MiB: OpenSSL against ours, in one
# run. Usage: bench/peers/blowfish_vs_openssl.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
tool=$build/bench/bench_blowfish_file
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }
work=$(mktemp -d /dev/shm/velmor-bf.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
key=000102030405060708090a0b0c0d0e0f
legacy=(-provider legacy -provider default)

head -c $((256 << 20)) /dev/urandom > "$work/plain"
openssl enc "${legacy[@]}" -e -bf-cbc -nopad -K "$key" -iv 0000000000000000 -in "$work/plain" -out "$work/cipher"

start=$(date +%s.%N)
openssl enc "${legacy[@]}" -d -bf-cbc -nopad -K "$key" -iv 0000000000000000 -in "$work/cipher" -out "$work/openssl.out"
end=$(date +%s.%N)
openssl_enc=$(echo "268.435456 / ($end - $start)" | bc -l)
openssl_speed=$(openssl speed "${legacy[@]}" -decrypt -evp bf-cbc -bytes 16777216 -seconds 3 2>/dev/null \
  | awk '/^BF-CBC|^bf-cbc/ { v=$NF; sub(/k$/, "", v); print v / 1000 }')

ours=$("$tool" "$key" "$work/cipher" "$work/ours.out")
cmp -s "$work/plain" "$work/openssl.out" || { echo "OpenSSL did not round-trip" >&2; exit 1; }
cmp -s "$work/plain" "$work/ours.out" || { echo "our decryption differs from the plain text" >&2; exit 1; }
one=${ours#one_thread_mb_s=}; one=${one%% *}
all=${ours##*all_threads_mb_s=}

printf 'OpenSSL enc -d (file to file): %8.1f MB/s\n' "$openssl_enc"
printf 'OpenSSL speed -decrypt:        %8.1f MB/s\n' "$openssl_speed"
printf 'Velmor, one thread:            %8.1f MB/s  ratio to OpenSSL speed %.2f\n' "$one" "$(echo "$one / $openssl_speed" | bc -l)"
printf 'Velmor, all threads:           %8.1f MB/s  ratio to OpenSSL speed %.2f\n' "$all" "$(echo "$all / $openssl_speed" | bc -l)"
