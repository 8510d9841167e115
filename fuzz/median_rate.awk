# The rate of a libFuzzer run, from its output with each line stamped by the
# time it was read ("<seconds> <libFuzzer line>", as .ci/fuzz.sh writes its
# logs). libFuzzer's own exec/s is the average since the start, seed loading
# included; this gives the median over the run's whole seconds after the
# seeds were loaded (INITED) of the inputs run in each second, the count at
# each second's end read off between the status lines around it. Prints:
#   <median inputs/s> <seconds measured> <coverage at INITED> <coverage at the end>
# Usage: awk -f fuzz/median_rate.awk <stamped log>

# The inputs run by time t, read off between the status lines around it; t
# only grows from call to call, so the search goes on where it stopped.
function count_at(t) {
  while (k < n && T[k + 1] < t) ++k;
  if (k == n) return N[n];
  return N[k] + (N[k + 1] - N[k]) * (t - T[k]) / (T[k + 1] - T[k]);
}
$2 ~ /^#[0-9]+$/ && ($3 == "INITED" || n > 0) {
  if ($3 == "INITED") covFirst = $5;
  for (i = 3; i < NF; ++i)
    if ($i == "cov:") cov = $(i + 1);
  ++n;
  T[n] = $1;
  N[n] = substr($2, 2) + 0;
  if (n > 1 && T[n] <= T[n - 1]) T[n] = T[n - 1] + 1e-6;
}
END {
  if (n < 2) { print "0 0 " covFirst + 0 " " cov + 0; exit }
  nSeconds = int(T[n] - T[1]);
  if (nSeconds < 1) { print int((N[n] - N[1]) / (T[n] - T[1])) " 0 " covFirst " " cov; exit }
  # The median of the rounded rates, from their counts: a run of hours has
  # tens of thousands of seconds, too many to sort in awk.
  k = 1;
  for (s = 1; s <= nSeconds; ++s) {
    nEnd = count_at(T[1] + s);
    r = int(nEnd - (s > 1 ? nStart : N[1]) + 0.5);
    nStart = nEnd;
    ++nAt[r];
    if (r > rMax) rMax = r;
  }
  for (r = 0; r <= rMax; ++r) {
    nBelow += nAt[r];
    if (!bLower && 2 * nBelow >= nSeconds) { lower = r; bLower = 1 }
    if (2 * nBelow >= nSeconds + 1) { upper = r; break }
  }
  printf "%d %d %s %s\n", (lower + upper) / 2, nSeconds, covFirst, cov;
}
