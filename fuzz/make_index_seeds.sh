#!/usr/bin/env bash
# Writes the FEM target's seeds that reach the limits of the header index
# (committed; run again when those limits change):
#   - fuzz/seeds/stretch/: the 64 KB stretches a kind's entries are asked of
#     the system in (8192 offsets): a kind's first stretch filled to its
#     end, and one entry past it, in the shortest headers there are, so the
#     files stay below 80 KB. .ci/fuzz.sh runs them once; fuzzing them
#     takes -max_len=81920 (fuzz/README.md);
#   - fuzz/seeds/index/: the fuzz target's small index (kSmallIndexMx, 3
#     headers a kind): every kind at it, every kind one over, and one kind
#     over among kinds at it; and what an entry can describe: the line
#     after a header noted only when it ends within 255 characters, a
#     header of 15 slots (the most a line in the tool layout has) and one
#     of 16 (cut at column 256).
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
out=fuzz/seeds/index
big=fuzz/seeds/stretch
rm -rf "$out" "$big" && mkdir -p "$out" "$big"

# repeat <count> <text>: the text count times.
repeat() {
  local i
  for ((i = 0; i < $1; ++i)); do printf '%s' "$2"; done
}
# slot <value>: one 16-column slot of the tool layout.
slot() {
  printf '%16s' "$(printf '%.8E' "$1")"
}
# tool <name> <values...>: a line in the tool layout.
tool() {
  local name=$1 v
  shift
  printf '%-8s' "$name"
  for v in "$@"; do slot "$v"; done
  printf '\n'
}

stretch=8192
repeat $stretch $'TDNODE\n' >"$big/stretch_full_tdnode.FEM"
repeat $((stretch + 1)) $'TDNODE\n' >"$big/stretch_crossed_tdnode.FEM"
{ repeat $((stretch - 3)) $'TDNODE\n'; repeat 4 $'TDNODE\r\n'; } >"$big/stretch_crossed_crlf.FEM"
# Each header is taken (field 4 is not 1), none reads a line raw.
repeat $((stretch + 1)) $'SCONMESH\n' >"$big/stretch_crossed_sconmesh.FEM"
# Each header has its name line: the entries describe the lines after them.
repeat $((stretch + 1)) $'TDNODE\nA\n' >"$big/stretch_crossed_named.FEM"

# A model of n nodes, elements and members, one mesh relation each, every
# record in the tool layout; kinds listed in $over get one more header.
model() {
  local n=$1 over=$2 i m
  for ((i = 1; i <= n; ++i)); do tool GNODE $((100 + i)) "$i" 6 123456; done
  for ((i = 1; i <= n; ++i)); do tool TDNODE 4 "$i" 104 0; printf 'NODE_%s\n' "$i"; done
  for ((i = 1; i <= n; ++i)); do tool GELMNT1 $((200 + i)) "$i" 15 0; tool '' "$i" "$i"; done
  for ((i = 1; i <= n; ++i)); do tool TDSCONC 4 "$i" 104 0; printf 'MEMBER_%s\n' "$i"; done
  for ((i = 1; i <= n; ++i)); do tool SCONCEPT 8 "$i" 7 0; tool '' 1 0 0 "$i"; done
  for ((i = 1; i <= n; ++i)); do tool SCONMESH 3 "$i" 1 2; tool '' 1 "$i"; done
  for m in $over; do
    case $m in
      TDNODE | TDSCONC) tool "$m" 4 $((n + 1)) 104 0; printf 'EXTRA\n' ;;
      GELMNT1) tool GELMNT1 999 $((n + 1)) 15 0; tool '' 1 1 ;;
      SCONCEPT) tool SCONCEPT 8 1 7 0; tool '' 1 0 0 1 ;;
      SCONMESH) tool SCONMESH 3 $((n + 1)) 1 2; tool '' 1 1 ;;
    esac
  done
}
model 3 '' >"$out/small_index_at_limit.FEM"
model 3 'TDNODE GELMNT1 TDSCONC SCONCEPT SCONMESH' >"$out/small_index_over_limit.FEM"
model 3 'TDSCONC' >"$out/small_index_one_kind_over.FEM"
# The fourth header of a kind is the last line, without a line end.
{ model 3 ''; printf 'TDNODE 0 1'; } >"$out/small_index_over_at_end.FEM"

# The line after a header: a name line that ends 255 characters after its
# start (noted) and 256 (not noted), with LF and with CR LF.
for step in 255 256; do
  name=$(repeat $((step - 1)) N)
  printf 'GNODE 7 1\nTDNODE 0 1\n%s\n' "$name" >"$out/next_line_step_${step}_lf.FEM"
  printf 'GNODE 7 1\r\nTDNODE 0 1\r\n%s\r\n' "${name:1}" >"$out/next_line_step_${step}_crlf.FEM"
done
# Headers of 15 and 16 slots, the element numbers in the first two.
zeros=(0 0 0 0 0 0 0 0 0 0 0 0 0 0)
{ tool GELMNT1 201 1 "${zeros[@]:1}"; tool '' 1 2; } >"$out/header_15_slots.FEM"
{ tool GELMNT1 201 1 "${zeros[@]}"; tool '' 1 2; } >"$out/header_16_slots.FEM"
# A header in the tool layout whose data line is in it too, named.
{ tool SCONMESH 3 1 1 2; tool DATALINE 1 1; tool GELMNT1 201 1 15 0; } >"$out/named_data_line.FEM"
ls -l "$out" "$big"
