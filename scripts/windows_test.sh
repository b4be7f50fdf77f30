#!/usr/bin/env bash
# Cross-builds the core, its tests and robustez-informe for Windows
# (cmake/mingw-w64.cmake, in build-windows/) and runs them under Wine:
#   - core_tests.exe and tool_tests.exe must pass;
#   - the .exe files are 64-bit Windows console programs that need no MinGW DLL;
#   - robustez-informe.exe must write the same standard output, byte for byte,
#     and end with the same exit status as the Linux build's robustez-informe
#     on the same studies, options and locale (the standard error too, but
#     for the line ends, which the console may translate);
#     also on 300 seeded random studies and on file names beyond ASCII;
#   - its standard output ends lines with LF alone, never CR LF.
# Skipped (exit 0, saying so) only when Wine cannot start on this machine.
# The Linux tool is $ROBUSTEZ_LINUX_BUILD/robustez-informe (default build/),
# brought up to date here.
set -uo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
jobs=$(nproc 2>/dev/null || echo 2)
win_build=build-windows
linux_build=${ROBUSTEZ_LINUX_BUILD:-build}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

passed=0
failed=0
failures=()

pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    failures+=("$1")
}
die() {
    echo "windows_test: $1" >&2
    echo "0 passed, 1 failed"
    exit 1
}

# --- Wine -------------------------------------------------------------------
export WINEPREFIX="$PWD/$win_build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer at first start
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"

if [ ! -x "$wine" ]; then
    echo "windows_test: SKIPPED: Wine cannot start: $wine is missing (package wine64)."
    exit 0
fi
# A first start makes the prefix, which takes a few seconds; the server then
# stays up for the whole run, so each later start is quick.
"$wineserver" -p >/dev/null 2>&1
trap '"$wineserver" -k >/dev/null 2>&1' EXIT
# Wine's own services stay up with the server and keep the descriptors they
# were started with: every Wine run here writes to files, never to a pipe.
wine_check="$win_build/wine-start.log"
if ! timeout 300 "$wine" cmd.exe /c echo wine-started >"$wine_check" 2>&1 </dev/null ||
   ! grep -q wine-started "$wine_check"; then
    echo "windows_test: SKIPPED: Wine cannot start here:"
    tail -n 5 "$wine_check" | sed 's/^/    /'
    exit 0
fi

# --- Builds -----------------------------------------------------------------
echo "== Windows build ($win_build)"
cmake -S . -B "$win_build" -DCMAKE_BUILD_TYPE=Release -DROBUSTEZ_CORE_ONLY=ON \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" >/dev/null ||
    die "configuring $win_build failed"
cmake --build "$win_build" -j"$jobs" -- --no-print-directory >"$win_build/build.log" 2>&1 || {
    grep -E 'error|Error' "$win_build/build.log" | head -n 40
    die "building $win_build failed (log: $win_build/build.log)"
}
# The Linux tool is brought up to date with the same sources.
echo "== Linux tool ($linux_build)"
linux_tool="$linux_build/robustez-informe"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null ||
        die "configuring $linux_build failed"
fi
cmake --build "$linux_build" -j"$jobs" --target robustez-informe >"$win_build/linux-build.log" 2>&1 ||
    die "building $linux_tool failed (log: $win_build/linux-build.log)"
win_tool="$win_build/robustez-informe.exe"

# --- The programs themselves ------------------------------------------------
echo "== Windows programs"
for exe in core_tests.exe tool_tests.exe robustez-informe.exe; do
    path="$win_build/$exe"
    description=$(file -b "$path" 2>&1)
    dlls=$(x86_64-w64-mingw32-objdump -p "$path" 2>/dev/null | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    if [[ "$description" != "PE32+ executable (console) x86-64"* ]]; then
        fail "$exe is not a 64-bit Windows console program: $description"
    elif [ -z "$dlls" ] || grep -Eiq 'libstdc|libgcc|libwinpthread' <<<"$dlls"; then
        fail "$exe is not linked statically; it loads: ${dlls:-(nothing read)}"
    else
        pass
    fi
done

# --- The tests under Wine ---------------------------------------------------
echo "== Tests under Wine"
for exe in core_tests.exe tool_tests.exe; do
    log="$win_build/$exe.log"
    timeout 600 "$wine" "$win_build/$exe" --gtest_brief=1 >"$log" 2>&1 </dev/null
    status=$?
    summary=$(tr -d '\r' <"$log" | grep -E '^\[  (PASSED|FAILED|SKIPPED) +\]' | tr '\n' ' ')
    if [ "$status" -eq 0 ] && grep -Eq '^\[  PASSED  \] [1-9][0-9]* test' < <(tr -d '\r' <"$log"); then
        echo "   $exe: $summary"
        pass
    else
        tr -d '\r' <"$log" | grep -E -A2 '^\[  FAILED  \]|Failure$' | cut -c1-200 | head -n 30
        fail "$exe under Wine (exit $status; log: $log)"
    fi
done

# --- robustez-informe.exe against the Linux tool ----------------------------
echo "== robustez-informe.exe against $linux_tool"
out="$win_build/compare"
rm -rf "$out"
mkdir -p "$out"
studies=(examples/*.w1o tests/fuzz/corpus/*.w1o no_existe.w1o)
option_sets=("" "--detalle" "--limite 2" "--limite 2,5" "--json" "--json --limite 2"
             "--resumen" "--resumen --json --limite 2")

run_case() { # name, what the arguments say, locale, arguments...
    local name=$1 label=$2 locale=$3
    shift 3
    env -u LC_NUMERIC LC_ALL="$locale" LANG="$locale" \
        timeout 60 "$linux_tool" "$@" >"$out/$name.linux.out" 2>"$out/$name.linux.err"
    echo $? >"$out/$name.linux.rc"
    env -u LC_NUMERIC LC_ALL="$locale" LANG="$locale" \
        timeout 60 "$wine" "$win_tool" "$@" >"$out/$name.win.out" 2>"$out/$name.win.err" </dev/null
    echo $? >"$out/$name.win.rc"

    local why=""
    if ! cmp -s "$out/$name.linux.rc" "$out/$name.win.rc"; then
        why+=" exit status $(cat "$out/$name.win.rc"), Linux $(cat "$out/$name.linux.rc");"
    fi
    if ! cmp -s "$out/$name.linux.out" "$out/$name.win.out"; then
        why+=" stdout differs ($(cmp "$out/$name.linux.out" "$out/$name.win.out" 2>&1 | head -n 1));"
    fi
    if ! cmp -s "$out/$name.linux.err" <(tr -d '\r' <"$out/$name.win.err"); then
        why+=" stderr differs;"
    fi
    if [ -n "$why" ]; then
        fail "LC_ALL=$locale robustez-informe $label:$why (files: $out/$name.*)"
        return 1
    fi
    pass
}

case_number=0
for locale in C es_ES.UTF-8; do
    group_failed=$failed
    group_cases=0
    for options in "${option_sets[@]}"; do
        # One study a run, then all of them in one run.
        for study in "${studies[@]}" ALL; do
            case_number=$((case_number + 1))
            group_cases=$((group_cases + 1))
            if [ "$study" = ALL ]; then
                # shellcheck disable=SC2086
                run_case "$case_number" "$options (all studies)" "$locale" $options "${studies[@]}"
            else
                # shellcheck disable=SC2086
                run_case "$case_number" "$options $study" "$locale" $options "$study"
            fi
        done
    done
    for arguments in "--help" "--no-such-option examples/ejemplo.w1o"; do
        case_number=$((case_number + 1))
        group_cases=$((group_cases + 1))
        # shellcheck disable=SC2086
        run_case "$case_number" "$arguments" "$locale" $arguments
    done
    echo "   LC_ALL=$locale: $((group_cases - (failed - group_failed))) of $group_cases runs agree"
done

# --- Many studies -----------------------------------------------------------
# The examples reach few degrees of freedom and p-values. 300 seeded random
# studies (2 to 10 replicates, so df 3 to 27; effects from none to a t of
# several hundred) take the exact p-values, critical values and intervals
# through every branch of their series; the JSON must still be the same bytes.
echo "== Random studies"
generated="$out/generated"
mkdir -p "$generated"
python3 - "$generated" <<'PY'
import random, sys
random.seed(20261208)
for i in range(300):
    n = 2 + i % 9
    spread = 10 ** random.uniform(-3, 1)
    shift = spread * 10 ** random.uniform(-2, 2.5)
    lines = [f"Estudio {i}", "Analista", "08/12/2026", str(n), "Temperatura"]
    for level, setting in enumerate(["25", "20", "30"]):
        lines.append(setting)
        centre = 100 + (0 if level == 0 else random.choice([-1, 1]) * shift * random.random())
        lines += [f"{random.gauss(centre, spread):.4f}" for _ in range(n)]
    with open(f"{sys.argv[1]}/estudio{i:03d}.w1o", "w", encoding="cp1252", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
PY
random_studies=("$generated"/*.w1o)
for options in "--json" "--resumen --json --limite 2" ""; do
    case_number=$((case_number + 1))
    # shellcheck disable=SC2086
    run_case "$case_number" "$options (${#random_studies[@]} random studies)" C $options "${random_studies[@]}" &&
        echo "   ${options:-text}: ${#random_studies[@]} random studies agree"
done

# --- Design screens ---------------------------------------------------------
# --diseno reads design files (numbers with '.') and run tables (numbers in
# the locale's notation), so each locale reads the same files; every
# estimate, --limite and the JSON take the design's analysis, its t and p
# and the report's numbers through the same comparison.
echo "== Design screens"
designs=(examples/*.w1d examples/*.tsv tests/fuzz/corpus_design/* no_existe.w1d)
design_each=("--diseno" "--diseno --json")
design_all=("--diseno --estimacion ficticios" "--diseno --estimacion nominales"
            "--diseno --estimacion dong" "--diseno --estimacion lenth"
            "--diseno --json --estimacion ficticios" "--diseno --json --estimacion nominales"
            "--diseno --json --estimacion dong" "--diseno --json --estimacion lenth"
            "--diseno --limite 2" "--diseno --limite 2,5" "--diseno --json --limite 2"
            "--diseno --json --estimacion dong --limite 0,5" "--diseno --estimacion otra"
            "--diseno")
for locale in C es_ES.UTF-8; do
    group_failed=$failed
    group_cases=0
    for options in "${design_each[@]}"; do
        for design in "${designs[@]}"; do
            case_number=$((case_number + 1))
            group_cases=$((group_cases + 1))
            # shellcheck disable=SC2086
            run_case "$case_number" "$options $design" "$locale" $options "$design"
        done
    done
    for options in "${design_all[@]}"; do
        case_number=$((case_number + 1))
        group_cases=$((group_cases + 1))
        # shellcheck disable=SC2086
        run_case "$case_number" "$options (all designs)" "$locale" $options "${designs[@]}"
    done
    echo "   LC_ALL=$locale: $((group_cases - (failed - group_failed))) of $group_cases runs agree"
done

# --- Many designs -----------------------------------------------------------
# 200 seeded random screens over every design of the catalogue: factors on
# random columns, numeric and text, 0 to 6 nominal runs among the design
# runs, 1 to 4 responses from 1e-6 to 1e8 in size (a few near 1e-200 or
# 1e200), with effects from none to some 1e3, 1e5 or 1e8 times the noise
# (t and p far into their tails, p down to about 1e-50; p from Lenth's d of
# few degrees of freedom), some responses all equal or whole numbers
# (dummies' effects of 0), a few values missing. One run table in five is
# also written as a spreadsheet would copy it: codes or settings, its numbers
# in '.' for C and ',' for es_ES.
echo "== Random designs"
design_dir="$out/designs"
mkdir -p "$design_dir"
python3 - "$design_dir" <<'PY'
import itertools, random, sys

random.seed(20261208)
out = sys.argv[1]
LETTERS = "ABCDEFGHJKLMNOP"
PB = {8: "+++-+--", 12: "++-+++---+-", 16: "++++-+-++--+---",
      20: "++--++++-+-+----++-", 24: "+++++-+-++--++--+-+----"}
FRACTIONS = [("2^(4-1) IV", 3, ["ABC"]), ("2^(5-2) III", 3, ["AB", "AC"]),
             ("2^(6-3) III", 3, ["AB", "AC", "BC"]), ("2^(7-4) III", 3, ["AB", "AC", "BC", "ABC"]),
             ("2^(5-1) V", 4, ["ABCD"]), ("2^(6-2) IV", 4, ["ABC", "BCD"]),
             ("2^(7-3) IV", 4, ["ABC", "BCD", "ACD"]),
             ("2^(8-4) IV", 4, ["BCD", "ACD", "ABC", "ABD"]),
             ("2^(15-11) III", 4, ["AB", "AC", "AD", "BC", "BD", "CD", "ABC", "ABD", "ACD",
                                   "BCD", "ABCD"])]

def plackett_burman(runs):
    signs, cols = PB[runs], runs - 1
    rows = [[1 if signs[(c - r) % cols] == "+" else -1 for c in range(cols)] for r in range(cols)]
    return rows + [[-1] * cols]

def factorial(base, words):
    # Standard order: the first factor changes fastest, every factor starts low.
    subsets = [LETTERS[f] for f in range(base)] + list(words)
    rest = ["".join(c) for k in range(2, base + 1) for c in itertools.combinations(LETTERS[:base], k)]
    subsets += [w for w in rest if w not in subsets]
    def code(run, word):
        sign = 1
        for letter in word:
            sign *= 1 if run >> LETTERS.index(letter) & 1 else -1
        return sign
    return [[code(run, w) for w in subsets] for run in range(1 << base)]

catalogue = [(f"PB{n}", "plackett-burman", plackett_burman(n)) for n in PB]
catalogue += [(name, "fraccional", factorial(base, words)) for name, base, words in FRACTIONS]
catalogue += [(f"2^{k}", "completo", factorial(k, [])) for k in (2, 3, 4)]

def number(x, comma=False):
    text = repr(float(x))
    return text.replace(".", ",") if comma else text

def response_values(runs, nominal, columns, kind):
    if kind == "equal":
        value = random.choice([0.0, 1.0, 99.5, -3.25e-7, 4.5e6])
        return [value] * runs, [value] * nominal
    if kind == "whole":
        return ([random.randint(0, 3) for _ in range(runs)], [random.randint(0, 3) for _ in range(nominal)])
    size = 10 ** random.uniform(-6, 8)
    if kind == "extreme":
        size = 10 ** random.choice([random.uniform(-250, -150), random.uniform(150, 250)])
    noise = size * 10 ** random.uniform(-7, -1)
    reach = random.choice([3, 5, 8])
    effects = [random.choice([0, 0, 1]) * random.choice([-1, 1]) * noise * 10 ** random.uniform(-1, reach)
               for _ in columns[0]]
    design = [size + sum(e / 2 * c for e, c in zip(effects, row)) + random.gauss(0, noise) for row in columns]
    return design, [size + random.gauss(0, noise) for _ in range(nominal)]

for i in range(200):
    name, kind, matrix = catalogue[i % len(catalogue)]
    runs, cols = len(matrix), len(matrix[0])
    factors = random.randint(1, cols)
    nominal = random.randint(0, 6)
    responses = random.randint(1, 4)
    placement = random.sample(range(cols), factors)
    factor_rows = []
    for f in range(factors):
        if random.random() < 0.2:
            factor_rows.append((f"Lote {f + 1}", "", f"lote {chr(65 + f % 26)}", "", f"lote ñ{f}"))
        else:
            centre = round(random.uniform(0.1, 500), random.randint(0, 3))
            step = round(centre * random.uniform(0.01, 0.2), 3) or 0.001
            factor_rows.append((f"Factor {f + 1} ó", random.choice(["°C", "mL/min", "", "%"]),
                                number(round(centre - step, 4)), number(centre), number(round(centre + step, 4))))
    kinds = [random.choice(["noise"] * 8 + ["equal", "whole", "extreme"]) for _ in range(responses)]
    values = [response_values(runs, nominal, matrix, k) for k in kinds]
    order = list(range(runs))
    random.shuffle(order)
    sequence = [("diseño", r) for r in order]
    for n in range(nominal):
        sequence.insert(random.randint(0, len(sequence)), ("nominal", None))
    missing = i % 50 == 49
    lines = ["ROBUSTEZ-DISENO\t1", f"Método\tCribado {i} de «{name}»", "Analista\tA. Núñez",
             "Fecha\t08/12/2026", f"Diseño\t{name}\t{kind}", f"Ensayos nominales\t{nominal}",
             f"Orden\taleatorio\t{random.getrandbits(64)}", f"Factores\t{factors}"]
    lines += ["\t".join(row) for row in factor_rows]
    lines.append(f"Respuestas\t{responses}")
    lines += [f"Respuesta {r + 1}\t{random.choice(['%', 'mg', ''])}" for r in range(responses)]
    lines.append(f"Columnas\t{cols}")
    column_factor = {c: f for f, c in enumerate(placement)}
    dummies = 0
    for c in range(cols):
        if c in column_factor:
            lines.append(f"{factor_rows[column_factor[c]][0]}\t{column_factor[c] + 1}")
        else:
            dummies += 1
            lines.append(f"Ficticio {dummies}\tficticio")
    lines.append(f"Ensayos\t{len(sequence)}")
    table = []
    nominal_seen = 0
    for number_, (type_, row) in enumerate(sequence, 1):
        if type_ == "nominal":
            nominal_seen += 1
            codes = [0] * cols
            vals = [values[r][1][nominal_seen - 1] for r in range(responses)]
            index = nominal_seen
        else:
            codes = matrix[row]
            vals = [values[r][0][row] for r in range(responses)]
            index = row + 1
        cells = [number(v) for v in vals]
        if missing and number_ == 2:
            cells[0] = ""
        lines.append("\t".join([str(number_), type_, str(index)] + [str(c) for c in codes] + cells))
        table.append((type_, codes, vals))
    with open(f"{out}/diseno{i:03d}.w1d", "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    if i % 5 == 0:
        # The same runs as a run table, its columns named with their units.
        settings = i % 10 == 0
        for suffix, comma in (("c", False), ("es", True)):
            header = []
            for c in range(cols):
                if c in column_factor:
                    row = factor_rows[column_factor[c]]
                    header.append(f"{row[0]} ({row[1]})" if row[1] else row[0])
                else:
                    header.append(f"Ficticio {sum(1 for d in range(c + 1) if d not in column_factor)}")
            header += ["Tipo"] + [f"Respuesta {r + 1}" for r in range(responses)]
            rows = ["\t".join(header)]
            for type_, codes, vals in table:
                cells = []
                for c, code in enumerate(codes):
                    if settings and c in column_factor:
                        low, mid, high = factor_rows[column_factor[c]][2:]
                        text = {-1: low, 0: mid, 1: high}[code]
                        cells.append(text.replace(".", ",") if comma and text[:1].isdigit() else text)
                    else:
                        cells.append(str(code))
                rows.append("\t".join(cells + [type_] + [number(v, comma) for v in vals]))
            with open(f"{out}/tabla{i:03d}_{suffix}.tsv", "w", encoding="utf-8", newline="\n") as f:
                f.write("\n".join(rows) + "\n")
PY
random_designs=("$design_dir"/diseno*.w1d)
tables_c=("$design_dir"/tabla*_c.tsv)
tables_es=("$design_dir"/tabla*_es.tsv)
# How many the Linux tool analyses in full, so a generator gone wrong shows.
analysed=$(LC_ALL=C "$linux_tool" --diseno --json "${random_designs[@]}" "${tables_c[@]}" 2>/dev/null |
           grep -c '"error":null}$')
echo "   $analysed of $(( ${#random_designs[@]} + ${#tables_c[@]} )) random designs and tables analysed without error"
random_options=("--diseno --json" "--diseno" "--diseno --json --estimacion ficticios"
                "--diseno --json --estimacion nominales" "--diseno --json --estimacion dong"
                "--diseno --json --estimacion lenth" "--diseno --limite 2"
                "--diseno --json --limite 3")
for options in "${random_options[@]}"; do
    for locale in C es_ES.UTF-8; do
        tables=("${tables_c[@]}")
        [ "$locale" = C ] || tables=("${tables_es[@]}")
        case_number=$((case_number + 1))
        # shellcheck disable=SC2086
        run_case "$case_number" "$options (random designs)" "$locale" $options \
            "${random_designs[@]}" "${tables[@]}" &&
            echo "   LC_ALL=$locale $options: ${#random_designs[@]} designs and ${#tables[@]} tables agree"
    done
done
# --diseno --json composes its lines on several threads: the same run, again
# and again, must give the same bytes every time (a fault of the threads once
# struck about one run in ten of these).
repeat_failed=$failed
for round in $(seq 20); do
    case_number=$((case_number + 1))
    run_case "$case_number" "--diseno --json (random designs, round $round)" C --diseno --json \
        "${random_designs[@]}" "${tables_c[@]}" || break
done
[ "$failed" = "$repeat_failed" ] &&
    echo "   --diseno --json: 20 rounds over the random designs agree"

# --- File names beyond ASCII ------------------------------------------------
# main() receives its arguments in the ANSI code page, which holds only some
# of the characters a file name may have; the tool reads the UTF-16 command
# line instead. Wine reads the Unix command line in the locale's character
# set, so these run under C.UTF-8, which every system has. The names are
# Spanish, Greek and Japanese, and one beyond the BMP; one file is missing.
echo "== File names beyond ASCII"
names_dir="$out/names"
mkdir -p "$names_dir"
named=()
for name in "Valoración ácido" "Ωmega 試験" "µ ñ € 😀"; do
    cp examples/ejemplo.w1o "$names_dir/$name.w1o"
    named+=("$names_dir/$name.w1o")
done
for options in "" "--json" "--resumen"; do
    case_number=$((case_number + 1))
    # shellcheck disable=SC2086
    run_case "$case_number" "$options (file names beyond ASCII)" C.UTF-8 $options "${named[@]}" \
        "$names_dir/no existe ñ.w1o" &&
        echo "   ${options:-text}: the names come through whole"
done

# --- Line ends --------------------------------------------------------------
# The Windows tool writes LF alone, as on Linux: its standard output is in
# binary mode. Checked on its own, so the choice is plain when it breaks.
echo "== Line ends of robustez-informe.exe"
lf_checked=0
for options in "" "--detalle" "--json" "--help"; do
    # shellcheck disable=SC2086
    LC_ALL=C timeout 60 "$wine" "$win_tool" $options examples/ejemplo.w1o >"$out/lf.out" 2>/dev/null </dev/null
    lines=$(tr -cd '\n' <"$out/lf.out" | wc -c)
    crs=$(tr -cd '\r' <"$out/lf.out" | wc -c)
    if [ "$lines" -eq 0 ] || [ "$crs" -ne 0 ]; then
        fail "robustez-informe.exe $options: $lines LF and $crs CR bytes (expected LF line ends and no CR)"
    else
        lf_checked=$((lf_checked + lines))
        pass
    fi
done
echo "   $lf_checked lines, all ending in LF alone"

# --- Summary ----------------------------------------------------------------
echo
echo "Windows run took $((SECONDS - started)) s."
if [ "$failed" -ne 0 ]; then
    echo "Failures:"
    printf '  %s\n' "${failures[@]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
