#!/usr/bin/env bash
# Runs every batch command in turn over one large member list and checks each
# output against the command's rule, with the time and peak memory of each.
#
# usage: bench/soak.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 5000000. The input comes from BUILD_DIR/bench/tesmora-gen
# (cached under /tmp/tesmora-bench). Each output is checked by its record
# count and by a hash of a sorted copy or of the fields the command must keep,
# computed with standard tools; no run may leave a temporary file behind.
# Exits 1 when a command fails or an output breaks its rule.

# The mawk programs below are single-quoted on purpose.
# shellcheck disable=SC2016
set -uo pipefail

source "$(dirname "$0")/lib.sh"
bench_args "2,11p" "$@"
[[ "$#" -ge 2 ]] || records=5000000
require_tools mawk sort md5sum cut
export LC_ALL=C

work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-soak.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"

bench_input "$gen" "$records"
failures=0

hash() { md5sum | cut -c1-32; }
count() { wc -l <"$1" | tr -d ' '; }

# run NAME COMMAND...: runs tesmora-cli with the run's own temporary folder,
# prints its time and peak memory, and checks that it left nothing behind.
run() {
    local name=$1 left
    shift
    if ! TMPDIR="$work/tmp" "$timer" -f '%e %M' -o "$work/time" "$cli" "$@" \
        >"$work/stdout" 2>"$work/err"; then
        echo "FAIL $name: exit status $(tail -n 1 "$work/time")" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
        return 1
    fi
    read -r secs kib < <(tail -n 1 "$work/time")
    left=$(find "$work/tmp" "$work" -maxdepth 1 \( -name 'Tes*' -o -name '*.Tes*' \) | wc -l)
    printf '%-14s %8.2f s %8d MiB' "$name" "$secs" $((kib / 1024))
    if [[ "$left" -ne 0 ]]; then
        echo "  FAIL: $left temporary files left"
        failures=$((failures + 1))
        find "$work/tmp" -mindepth 1 -delete
        return 1
    fi
}

# check WHAT GOT WANT
check() {
    if [[ "$2" == "$3" ]]; then
        echo "  ok: $1"
    else
        echo "  FAIL: $1: $2, expected $3"
        failures=$((failures + 1))
    fi
}

out="$work/out.csv"
n=$records
sorted_all=$(sort "$input" | hash)
echo "input: $input ($n records, $(($(stat -c %s "$input") / 1048576)) MiB)"

run stats stats "$input" &&
    check "records" "$(sed -n 's/^records: //p' "$work/stdout")" "$n"

run save save "$input" -o "$out" &&
    check "byte copy" "$(hash <"$out")" "$(hash <"$input")"

if run sort sort --key 2 "$input" -o "$out"; then
    check "records" "$(count "$out")" "$n"
    check "same records" "$(sort "$out" | hash)" "$sorted_all"
    check "ordered by field 2" "$(cut -d, -f3 "$out" | cut -c1-99 | sort -c 2>&1 | wc -l)" 0
    # Equal keys keep their order: the stable sort of the input by field 2.
    check "stable" "$(hash <"$out")" "$(sort -t, -k3,3 -s "$input" | hash)"
    mv "$out" "$work/by2.csv"
fi

if [[ -s "$work/by2.csv" ]]; then
    for mode in 0 1 2 3; do
        run "dedupe $mode" dedupe --key 2 --mode "$mode" "$work/by2.csv" -o "$out" || continue
        want=$(mawk -F, -v mode="$mode" '
            function flush() {
                if (run == "") return
                if (mode == 0 || (mode == 1 && size == 1) || (mode == 2 && size > 1)) print first
                if (mode == 3 && size > 1) printf "%s", all
            }
            { if ($3 != "" && $3 == key) { size++; all = all $0 "\n" }
              else { flush(); run = 1; key = $3; size = 1; first = $0; all = $0 "\n" } }
            END { flush() }' "$work/by2.csv" | hash)
        check "the rule of mode $mode" "$(hash <"$out")" "$want"
    done
    rm -f "$work/by2.csv"
fi

# '-' is never a trail byte, so a plain search agrees with the multibyte one.
if run delete delete --from 3 --to 3 --word1 -0 --delete-matching "$input" -o "$out"; then
    check "records kept" "$(count "$out")" "$(mawk -F, 'index($4, "-0") == 0' "$input" | wc -l)"
    check "kept in order" "$(hash <"$out")" "$(mawk -F, 'index($4, "-0") == 0' "$input" | hash)"
fi

if run reclen reclen --longest "$input" -o "$out"; then
    check "records" "$(count "$out")" "$n"
    check "one length" "$(mawk '{ print length($0) }' "$out" | sort -u | wc -l)" 1
    check "records padded" "$(sed 's/ *\r$//' "$out" | sort | hash)" \
        "$(sed 's/ *\r$//' "$input" | sort | hash)"
fi

if run fieldlen fieldlen --field 0 --length 5 --fill '*' "$input" -o "$out"; then
    check "records" "$(count "$out")" "$n"
    check "field 0 of 5 bytes" "$(cut -d, -f1 "$out" | mawk 'length($0) != 5' | wc -l)" 0
    check "other fields kept" "$(cut -d, -f2- "$out" | hash)" "$(cut -d, -f2- "$input" | hash)"
fi

if run field-delete field-delete --field 6 "$input" -o "$out"; then
    check "fields 0-5 kept" "$(hash <"$out")" "$(cut -d, -f1-6 "$input" | sed 's/$/\r/' | hash)"
fi

if run field-paste field-paste --copy 0 --target 6 --side right "$input" -o "$out"; then
    check "field 0 after field 6" "$(hash <"$out")" \
        "$(mawk -F, -v OFS=, '{ sub(/\r$/, "", $7); $8 = $1 "\r"; print }' "$input" | hash)"
fi

# Fixed width and back: with the padding kept, the cuts at the column
# boundaries give the records padded field by field.
if run csv2txt csv2txt --delete-commas "$input" -o "$work/fixed.txt"; then
    check "records" "$(count "$work/fixed.txt")" "$n"
    check "one length" "$(mawk '{ print length($0) }' "$work/fixed.txt" | sort -u | wc -l)" 1
    splits=$(mawk -F, '{ sub(/\r$/, ""); for (i = 1; i <= NF; i++) if (length($i) > w[i]) w[i] = length($i)
        if (NF > nf) nf = NF } END { for (i = 1; i < nf; i++) { c += w[i]; printf "%s%d", (i > 1 ? "," : ""), c } }' "$input")
    if run txt2csv txt2csv --splits "$splits" --no-trim "$work/fixed.txt" -o "$out"; then
        check "fields padded back" "$(hash <"$out")" "$(mawk -F, -v OFS=, -v cols="$splits" '
            BEGIN { n = split(cols, c, ","); p = 0; for (i = 1; i <= n; i++) { w[i] = c[i] - p; p = c[i] } }
            { sub(/\r$/, ""); for (i = 1; i <= n; i++) $i = sprintf("%-" w[i] "s", $i); $(n + 1) = sprintf("%-" wl "s", $(n + 1)); print $0 "\r" }
            ' wl="$(( $(head -n 1 "$work/fixed.txt" | tr -d '\r' | wc -c) - 1 - ${splits##*,} ))" "$input" | hash)"
    fi
    rm -f "$work/fixed.txt"
fi

# A code table of kana names, and a second file with one row per record.
"$gen" --records 1000 --table codes -o "$work/codes.csv"
"$gen" --records "$n" --table members -o "$work/others.csv"
if run lookup lookup --target 2 --other "$work/codes.csv" --compare 0 --replace 1 "$input" -o "$out"; then
    check "as a hash lookup" "$(hash <"$out")" "$(mawk -F, -v OFS=, 'NR == FNR { sub(/\r$/, ""); m[$1] = $2; next }
        ($3 in m) { $3 = m[$3] } 1' "$work/codes.csv" "$input" | hash)"
fi
if run tailadd tailadd --key 0 --other "$work/others.csv" --other-key 0 "$input" -o "$out"; then
    check "as a hash join" "$(hash <"$out")" "$(mawk -F, 'NR == FNR { sub(/\r$/, ""); if (!($1 in m)) m[$1] = $0; next }
        { sub(/\r$/, "") } ($1 in m) { $0 = $0 "," m[$1] } { print $0 "\r" }' "$work/others.csv" "$input" | hash)"
fi
rm -f "$work/others.csv" "$work/codes.csv"

"$gen" --pair-set 100 -o "$work/set.cng"
if run replace replace --pairs "$work/set.cng" --from 0 --to 6 "$input" -o "$out"; then
    check "records" "$(count "$out")" "$n"
    check "fields per record" "$(mawk -F, '{ print NF }' "$out" | sort -u | tr '\n' ' ')" \
        "$(mawk -F, '{ print NF }' "$input" | sort -u | tr '\n' ' ')"
fi

if [[ "$failures" -ne 0 ]]; then
    echo "$failures failures"
    exit 1
fi
echo "every command kept its rule"
