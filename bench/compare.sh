#!/usr/bin/env bash
# Runs every tesmora-cli command, on generated member lists and on small edge
# files, with two builds of tesmora-cli, and compares what each writes: the
# output file, standard output, standard error and the exit status. Use it to
# show that a change kept the batch results byte for byte.
#
# usage: bench/compare.sh BEFORE_CLI AFTER_CLI GEN [RECORDS]
#
# GEN is a tesmora-gen; RECORDS (default 20000) sets the generated list's size.
# Exits 1 when any result differs, and prints each difference.
set -uo pipefail

if [[ $# -lt 3 || $# -gt 4 ]]; then
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi
before=$(realpath "$1") after=$(realpath "$2") gen=$(realpath "$3") records=${4:-20000}
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-compare.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

"$gen" --records "$records" -o members.csv || exit 1
"$gen" --records 500 --stream 2 -o more.csv || exit 1
LC_ALL=C sort -t, -k3,3 -s members.csv >by2.csv
printf 'b,10,x\nc,9\na,1,x\nd,9 ,y' >lf.csv
printf '1,A\r\n2,B\r\n3,B\r\n4,\r\n5,C\r\n' >dup.csv
printf 'abcdef\r\nab\r\n\x82\xa0\x82\xa0\r\n' >fixed.txt
printf 'same\r\nsame\r\n' >alike.txt
printf 'x,%s\r\n' "$(head -c 4990 /dev/zero | tr '\0' y)" >long.csv
printf 'a\0b\r\n' >binary.dat
"$gen" --records 300 --table codes -o codes.csv 2>/dev/null || : >codes.csv
"$gen" --records "$records" --table members -o others.csv 2>/dev/null || : >others.csv
# A generator without --pair-set still gets a set to work with.
"$gen" --pair-set 100 -o set.cng 2>/dev/null || printf '\x8d\xb2\x93\xa1\x14<s>\r\n' >set.cng
printf 'y\x14yy\r\n' >grow.cng
printf '\x93\x8c\x14\x82\xd0\r\n\x93\x8c\x8b\x9e\x14\x82\xc6\r\nA\x14B\r\n' >order.cng
printf 'a\x14x,y\r\n' >comma.cng

commands=(
    "stats members.csv" "stats --extremes members.csv more.csv" "stats lf.csv"
    "save members.csv" "save members.csv more.csv --first-rec 2" "save lf.csv"
    "sort --key 2 members.csv" "sort --key 0 --desc members.csv" "sort --key 9 lf.csv"
    "sort --key 1 members.csv more.csv"
    "dedupe --key 2 --mode 0 by2.csv" "dedupe --key 2 --mode 1 by2.csv"
    "dedupe --key 2 --mode 2 --ignore-spaces by2.csv" "dedupe --key 1 --mode 3 dup.csv"
    "delete --from 1 --to 3 --word1 山 --delete-matching members.csv"
    "delete --from 0 --to 6 --word1 東京 --word2 田 --and --keep-matching members.csv"
    "delete --from 0 --to 1 --word1 '' --keep-matching lf.csv"
    "reclen --longest members.csv" "reclen --length 40 members.csv" "reclen --longest alike.txt"
    "reclen --length 3 fixed.txt" "reclen --length 0 fixed.txt"
    "fieldlen --field 1 --length 6 members.csv" "fieldlen --field 2 --length 3 --keep-end --fill '*' members.csv"
    "fieldlen --field 0 --length 5 --fill ab lf.csv" "fieldlen --field 1 --length 100 long.csv"
    "field-delete --field 3 members.csv" "field-delete --from 1 --to 4 members.csv"
    "field-delete --from 2 --to 1 lf.csv"
    "field-paste --copy 1 --target 4 --side left members.csv"
    "field-paste --cut 0 --target 6 --side right members.csv"
    "field-paste --cut 2 --target 2 --side over lf.csv"
    "csv2txt --keep-commas members.csv" "csv2txt --delete-commas members.csv more.csv"
    "csv2txt --separator ' / ' lf.csv" "csv2txt --separator '' lf.csv" "csv2txt --keep-commas long.csv"
    "txt2csv --splits 11,31,51,59 members.csv" "txt2csv --splits 5,3 --no-trim fixed.txt"
    "txt2csv --splits 2,2,9 lf.csv" "txt2csv --splits 0 lf.csv"
    "replace --pairs set.cng --from 0 --to 6 members.csv"
    "replace --pairs set.cng --from 1 --to 4 --once members.csv"
    "replace --pairs order.cng --from 0 --to 6 members.csv"
    "replace --pairs order.cng --from 0 --to 6 --swap-order members.csv"
    "replace --pairs comma.cng --from 0 --to 1 lf.csv" "replace --pairs lf.csv --from 0 --to 1 lf.csv"
    "replace --pairs set.cng --from 0 --to 1 long.csv" "replace --pairs grow.cng --from 0 --to 1 long.csv"
    "lookup --target 2 --other codes.csv --compare 0 --replace 1 members.csv"
    "lookup --target 0 --other others.csv --compare 0 --replace 2 members.csv"
    "lookup --target 1 --other lf.csv --compare 1 --replace 1 lf.csv"
    "tailadd --key 2 --other codes.csv --other-key 0 members.csv"
    "tailadd --key 0 --other others.csv --other-key 0 --ignore-spaces members.csv"
    "tailadd --key 1 --other binary.dat --other-key 0 lf.csv"
    "sort --key 1 binary.dat" "sort --key 1 missing.csv" "sort --bogus 1 lf.csv"
)

differ=0 skipped=0
for args in "${commands[@]}"; do
    # A command the older build does not have yet cannot be compared.
    if ! "$before" "${args%% *}" --help >/dev/null 2>&1; then
        skipped=$((skipped + 1))
        continue
    fi
    for side in before after; do
        rm -f "out.$side"
        eval "\"\$$side\" $args -o out.$side" >"stdout.$side" 2>"stderr.$side"
        echo $? >"status.$side"
        [[ -e "out.$side" ]] || : >"out.$side"
    done
    for part in out stdout stderr status; do
        if ! cmp -s "$part.before" "$part.after"; then
            echo "DIFFERS ($part): $args"
            differ=1
        fi
    done
done
echo "$((${#commands[@]} - skipped)) commands compared ($skipped new ones skipped) on $records records: $([[ $differ == 0 ]] && echo identical || echo DIFFERENT)"
exit $differ
