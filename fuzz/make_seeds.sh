#!/usr/bin/env bash
# Regenerates the seed corpora in fuzz/corpus from tables written by Perl
# XBase and by tometool (build/bin/tometool must exist for the index seeds).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)/..
tool=${TOMETOOL:-$root/build/bin/tometool}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

# Perl-written dBASE IV table with memos, blanks and a deleted record.
printf '0\t%s\t12.50\t20240301\tT\t%s\n1\t%s\t\t\t\t%s\n0\t%s\t-3.25\t\tF\t\n' \
  "$(hex 'The Hobbit')" "$(hex 'A memo of two lines.
Second line.')" "$(hex 'Gone')" "$(hex 'deleted memo')" "$(hex 'Cafe')" >"$work/plan"
perl "$root/tests/dbase/interop/write_table.pl" "$work" PERL "$work/plan"
cp "$work/PERL.dbf" corpus/dbf/perl_memo.dbf
{ printf '\x00'; cat "$work/PERL.dbt"; } >corpus/dbt/perl_iv.seed
{ printf '\x0a'; cat "$work/PERL.dbt"; } >corpus/dbt/perl_iv_spread.seed
# fuzz_check: 2-byte little-endian length of the .dbf, the .dbf, the .dbt.
mkdir -p corpus/check
size=$(stat -c %s "$work/PERL.dbf")
{ printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size >> 8)))"
  cat "$work/PERL.dbf" "$work/PERL.dbt"; } >corpus/check/perl.seed

if [ -x "$tool" ]; then
  "$tool" create "$work/OURS.DBF" TITLE:C:20 PRICE:N:8:2 BOUGHT:D NOTES:M READ:L
  printf 'TITLE,PRICE,BOUGHT,NOTES,READ\nAlpha,12.5,1999-12-31,memo one,T\nMango,-3.25,,,F\nZulu,,2024-02-29,"memo, two",\n' \
    | "$tool" append "$work/OURS.DBF"
  "$tool" delete "$work/OURS.DBF" 3
  cp "$work/OURS.DBF" corpus/dbf/ours_memo.dbf
  { printf '\x00'; cat "$work"/OURS.DBT; } >corpus/dbt/ours_iv.seed
  "$tool" create "$work/PLAIN.DBF" NAME:C:12 QTY:N:4
  printf 'NAME,QTY\nx,1\ny,22\n' | "$tool" append "$work/PLAIN.DBF"
  cp "$work/PLAIN.DBF" corpus/dbf/ours_plain.dbf

  # Index seeds: the fixed table of fuzz_mdx.cpp with a few tags, one of them
  # over enough records to need interior nodes.
  "$tool" create "$work/F.DBF" TITLE:C:20 PRICE:N:8:2 BOUGHT:D
  printf 'TITLE,PRICE,BOUGHT\nAlpha,12.5,1999-12-31\nMango,-3.25,\nZulu,,2024-02-29\n' \
    | "$tool" append "$work/F.DBF"
  "$tool" tag "$work/F.DBF" TITLE 'UPPER(TITLE)'
  "$tool" tag "$work/F.DBF" PRICE PRICE --descending
  "$tool" tag "$work/F.DBF" BOUGHT BOUGHT
  cp "$work/F.MDX" corpus/mdx/three_tags.mdx
  { echo TITLE,PRICE; for i in $(seq 1 200); do echo "Title $((i * 7919 % 1000)),$i"; done; } \
    | "$tool" append "$work/F.DBF"
  "$tool" tag "$work/F.DBF" STRP 'STR(PRICE,8,2)+TITLE' --for 'PRICE > 10'
  cp "$work/F.MDX" corpus/mdx/deep.mdx
else
  echo "no $tool: table and index seeds from tometool skipped" >&2
fi

# Expressions: functions and operators key expressions use.
i=0
while IFS= read -r e; do
  printf '%s' "$e" >"corpus/expr/e$((i++)).txt"
done <<'EXPRS'
UPPER(TITLE)
TITLE+AUTHOR
STR(PRICE,10,2)
DTOS(BOUGHT)+TITLE
STR({12/31/3099}-BOUGHT,10,0)
SUBSTR(UPPER(TITLE),1,10)
MLINE(NOTES,2)
IIF(READ,"Y","N")+LEFT(AUTHOR,5)
PRICE*QTY
BOUGHT+30
LTRIM(STR(QTY))+RIGHT(TITLE,3)
TRIM(AUTHOR)+", "+TITLE
DTOC(BOUGHT)
VAL(STR(PRICE))
UPPER(SUBSTR(TITLE,AT(" ",TITLE)+1))
CTOD("12/31/1999")
EXPRS
