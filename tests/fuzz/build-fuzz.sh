#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (libFuzzer + AddressSanitizer) into $1 (default /tmp/tarvo-fuzz)
# and runs each for $2 seconds (default 60) on a corpus seeded from the tests' samples.
# $3 names one target ("objectnotation", "otborfile", "noticedatagram", "csvprice" or "xlsxprice") to build and run alone; $4 caps the
# executions (-runs) instead of the time. Inputs reach 2 MB ($5 overrides, in bytes): damage such as
# 100,000 nested elements only shows in large inputs, and the corpus is seeded with one.
# The .xlsx target's inputs are its XML parts separated by NUL bytes (see fuzz_xlsxpricereader.cpp).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-/tmp/tarvo-fuzz}
seconds=${2:-60}
only=${3:-}
runs=${4:-}
max_len=${5:-2097152}
# Recording every allocation's stack costs most of the time; leaks are still found.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
limit=(-max_total_time="$seconds")
[[ -n "$runs" ]] && limit=(-runs="$runs")
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fPIC -I"$root/src" $(pkg-config --cflags Qt6Core))
# TARVO_FUZZ_COVERAGE=1 adds source coverage (LLVM_PROFILE_FILE, llvm-profdata, llvm-cov) to show
# which of a reader's paths the runs reach.
[[ -n "${TARVO_FUZZ_COVERAGE:-}" ]] && flags+=(-fprofile-instr-generate -fcoverage-mapping)

if [[ -z "$only" || "$only" == objectnotation ]]; then
  mkdir -p "$out/corpus"
  clang++ "${flags[@]}" \
    "$root/tests/fuzz/fuzz_objectnotation.cpp" "$root/src/data/modules/objectnotation.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_objectnotation"
  printf "object TDataTableFieldMap\n  Tables = <\n    item\n      PhisName = 'bof_headers'\n      EditName = #1082'x'+\n        'y'\n      Fields = <>\n    end>\n  D = {00FF}\n  S = [a, b]\n  L = (1 2.5 'x')\nend\n" > "$out/corpus/seed1"
  # 100,000 nested objects and as many nested lists.
  {
    printf 'object A\n%.0s' $(seq 100000)
    printf 'end\n%.0s' $(seq 100000)
  } > "$out/corpus/seed-deep-objects"
  {
    printf 'object A\n  L = '
    printf '(%.0s' $(seq 100000)
    printf ')%.0s' $(seq 100000)
    printf '\nend\n'
  } > "$out/corpus/seed-deep-lists"
  "$out/fuzz_objectnotation" "${limit[@]}" -max_len="$max_len" "$out/corpus"
fi

if [[ -z "$only" || "$only" == otborfile ]]; then
  mkdir -p "$out/otbor-corpus"
  # Everything the reader touches except the database lookups of the descriptions, which the
  # target replaces.
  otbor=()
  for f in "$root"/src/otbor/*.cpp; do
    case "$f" in */otborlookup.cpp | */otborconditions.cpp) continue ;; esac
    otbor+=("$f")
  done
  clang++ "${flags[@]}" -DTARVO_SOURCE_DIR="\"$root\"" \
    "$root/tests/fuzz/fuzz_otborfile.cpp" "${otbor[@]}" "$root/src/core/apppaths.cpp" \
    "$root/src/core/settingsfilereader.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_otborfile"
  cat > "$out/otbor-corpus/seed1" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<scm_gotbors>
    <VAR active="1" ID="{D484DF2B-40C5-44F7-9782-495FC51DC23D}">
        <IntervalType>1</IntervalType>
        <DateStart>46000</DateStart>
        <DateEnd>46010</DateEnd>
    </VAR>
    <VAR active="1" ID="{D05CA1BD-1240-4163-90E1-3DC9D600156F}">
        <CompareType>1</CompareType>
        <CompareString>АБВ</CompareString>
    </VAR>
    <VAR active="0" ID="{EAF3E216-F219-4907-BE1F-1DD07E2AF2E6}">
        <DocState>2</DocState>
    </VAR>
    <VAR active="1" ID="{D931438C-7E73-4186-B885-A85A3F05FCD6}">
        <Value>1</Value>
    </VAR>
    <VAR active="1" ID="{D378656D-D390-4294-82C3-CCAB94C7A5AD}">
        <AllowedRows>1</AllowedRows>
    </VAR>
</scm_gotbors>
XML
  # 100,000 nested elements inside a value (0.7 MB), and as many nested variables.
  {
    printf '<scm_gotbors><VAR active="1" ID="{D931438C-7E73-4186-B885-A85A3F05FCD6}"><Value>'
    printf '<a>%.0s' $(seq 100000)
    printf '</a>%.0s' $(seq 100000)
    printf '</Value></VAR></scm_gotbors>'
  } > "$out/otbor-corpus/seed-deep-value"
  {
    printf '<scm_gotbors>'
    printf '<VAR>%.0s' $(seq 100000)
  } > "$out/otbor-corpus/seed-deep-vars"
  "$out/fuzz_otborfile" "${limit[@]}" -max_len="$max_len" "$out/otbor-corpus"
fi

if [[ -z "$only" || "$only" == noticedatagram ]]; then
  mkdir -p "$out/notice-corpus"
  clang++ "${flags[@]}" \
    "$root/tests/fuzz/fuzz_noticedatagram.cpp" "$root/src/messaging/noticedatagram.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_noticedatagram"
  # A buyer-request notice with key "AB" and a one-byte payload.
  printf '\xdc\x53\xff\x5c\x78\xbe\x42\x43\xa4\x58\x92\x39\x43\x57\x03\xf1\x02AB\x94\xdc\xf8\xb1\x37\x0d\x5a\x41\xa0\x93\x98\x52\xdb\x69\x1b\xc6x' \
    > "$out/notice-corpus/seed1"
  "$out/fuzz_noticedatagram" "${limit[@]}" -max_len=1024 "$out/notice-corpus"
fi

# The price-file readers of the shipped import module.
price=("$root/modules/priceimport/csvpricereader.cpp" "$root/modules/priceimport/pricenumber.cpp"
       "$root/modules/priceimport/xlsxpricereader.cpp")
price_flags=(-I"$root/modules/priceimport" $(pkg-config --cflags libzip))
price_libs=($(pkg-config --libs Qt6Core libzip))

if [[ -z "$only" || "$only" == csvprice ]]; then
  mkdir -p "$out/csvprice-corpus"
  clang++ "${flags[@]}" "${price_flags[@]}" "$root/tests/fuzz/fuzz_csvpricereader.cpp" "${price[@]}" \
    "${price_libs[@]}" -o "$out/fuzz_csvpricereader"
  printf 'Артикул;Имя;Цена\r\nA-1;"Болт ""М8""\nдлинный";1 234,56\r\nB|2\t3,4\n"never closed\n' > "$out/csvprice-corpus/seed1"
  printf '\xff\xfeA\x00;\x001\x00\n\x00' > "$out/csvprice-corpus/seed-utf16"
  "$out/fuzz_csvpricereader" "${limit[@]}" -max_len="$max_len" "$out/csvprice-corpus"
fi

if [[ -z "$only" || "$only" == xlsxprice ]]; then
  mkdir -p "$out/xlsxprice-corpus"
  clang++ "${flags[@]}" "${price_flags[@]}" "$root/tests/fuzz/fuzz_xlsxpricereader.cpp" "${price[@]}" \
    "${price_libs[@]}" -o "$out/fuzz_xlsxpricereader"
  # Parts separated by NUL: the sheet, the shared strings (every string form), the workbook, its relations.
  {
    printf '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
    printf '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>1.5E+3</v></c><c r="C1" t="inlineStr"><is><r><t>x</t></r><r><t>y</t></r></is></c></row>'
    printf '<row><c t="str"><v>A-2</v></c><c t="b"><v>1</v></c><c r="AB2"><v>1234567890123</v></c><c t="s"><v>1</v></c><c/></row>'
    printf '</sheetData></worksheet>\0'
    printf '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2"><si><t xml:space="preserve"> Артикул </t></si>'
    printf '<si><r><t>Це</t></r><r><t>на</t></r><rPh sb="0" eb="1"><t>ツ</t></rPh></si></sst>'
  } > "$out/xlsxprice-corpus/seed1"
  {
    printf '<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData></worksheet>\0<sst><si><t>a</t></si></sst>\0'
    printf '<workbook xmlns:r="urn:r"><sheets><sheet r:id="rId7"/></sheets></workbook>\0'
    printf '<Relationships><Relationship Id="rId7" Target="/xl/worksheets/sheet1.xml"/></Relationships>'
  } > "$out/xlsxprice-corpus/seed-absolute-target"
  # 40 rows of five cells, as the price files have them.
  {
    printf '<worksheet><sheetData>'
    for i in $(seq 40); do printf '<row r="%d"><c t="s"><v>%d</v></c><c t="s"><v>1</v></c><c><v>%d.25</v></c><c><v>1</v></c><c><v>2E0</v></c></row>' $i $((i % 3)) $i; done
    printf '</sheetData></worksheet>\0<sst><si><t>PS-1</t></si><si><t>Товар</t></si><si><t>Цена</t></si></sst>'
  } > "$out/xlsxprice-corpus/seed-rows"
  "$out/fuzz_xlsxpricereader" "${limit[@]}" -max_len=16384 "$out/xlsxprice-corpus"
fi
