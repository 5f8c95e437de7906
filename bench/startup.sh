#!/usr/bin/env bash
# Start-up time and resident memory of the program beside two desktop calculators from
# Debian that a user might pick instead, SpeedCrunch (Qt) and galculator (GTK), and beside a
# bare Qt window with 48 widgets of the same kinds (bench/desktop/bare_window), all under one
# private Xvfb and openbox.
#
#   bench/startup.sh [-b BUILD_DIR] [-n RUNS] [-p]   (defaults: build/release, 5 runs)
#
# -p: afterwards, where Quorvane's start-up goes, step by step (bench/desktop/startup_phases,
#     as many runs, medians): wall and CPU time of each step and the resident memory after it.
#
# speedcrunch and galculator are installed with apt-get when missing (as root, or through
# sudo without a password). They serve only this benchmark, so they are not in packages.txt.
# When one cannot be installed, its rows say so and the rest is measured all the same.
#
# How the time is taken: bench/desktop/map_clock subscribes to the structure events of the
# root window, reads the steady clock just before fork() and exec of the program, and reads it
# again when the event arrives that makes the program's window (found by _NET_WM_PID)
# viewable, i.e. when openbox maps the frame holding the mapped client. No polling is
# involved: the resolution is that of the clock and the X server's event delivery, tens of
# microseconds; fork and exec add well under a millisecond. On a busy machine that wall time
# grows with the load, so map_clock also reports the CPU time the program had used by then
# (scheduler accounting of its threads), which waiting for the processor does not inflate.
# It is not immune either: on a shared virtual machine the same start-up has taken from 38
# to 64 ms of CPU depending on what else ran, so compare figures of one run of this script
# (the programs alternate) rather than of runs at different times.
# Memory: VmRSS from /proc/PID/status, 3 s after the window was mapped, and what it is made
# of (RssAnon, RssFile, RssShmem). File pages count in full although other processes may
# share them: a program that loads a large library (SpeedCrunch, through Qt 5's OpenGL
# support, loads Mesa and LLVM) or touches much of a font file is charged for it.
#
# Each program has its own HOME and XDG directories, kept from one of its runs to the next.
# Settings and first runs: before the counted runs, every program gets one warm-up run that
# is not counted, started in its still empty HOME. Every run, the warm-up included, ends with
# the window manager's close request (bench/desktop/close_window), as when the user clicks
# the close button, so SpeedCrunch and galculator write their settings files then as they do
# for a user. The counted runs thus start, like any later start on a user's desktop, with the
# settings of a previous session, and neither the first-run work (creating the settings
# folders and files) nor a cold page cache falls on a counted run. Nor does GTK's first start
# on a new X server: it loads OpenGL to pick its visuals and leaves its choice on the root
# window (GDK_VISUALS) for later starts; that first galculator run holds some 55 MiB more
# (libLLVM and Mesa). The warm-up figures are printed apart. 3 s after the map the
# script also counts the program's visible windows: more than one (a first-run or other
# dialog beside the main window) is reported under that program's rows.
# Quorvane keeps no settings: after all runs the script lists whatever was left in its
# private directories, which should be nothing.
#
# Runs alternate between the programs (one round is one run of each); each figure is the
# median of the counted runs.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
runs=5
phases=0
while getopts 'b:n:p' opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) runs=$OPTARG ;;
    p) phases=1 ;;
    *)
      echo "usage: $0 [-b BUILD_DIR] [-n RUNS] [-p]" >&2
      exit 2
      ;;
  esac
done

program=$build/src/app/quorvane
bare=$build/bench/desktop/bare_window
map_clock=$build/bench/desktop/map_clock
close_window=$build/bench/desktop/close_window
startup_phases=$build/bench/desktop/startup_phases
needed=("$program" "$bare" "$map_clock" "$close_window")
((phases)) && needed+=("$startup_phases")
for f in "${needed[@]}"; do
  if [[ ! -x $f ]]; then
    echo "missing $f: build first (cmake --build $build)" >&2
    exit 1
  fi
done

# The two calculators to compare with: installed when missing.
install_missing() {
  local missing=() pkg
  for pkg in "$@"; do
    command -v "$pkg" >/dev/null || missing+=("$pkg")
  done
  ((${#missing[@]} > 0)) || return 0
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o Dpkg::Use-Pty=0)
  local run=()
  if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      run=(sudo -n)
    else
      echo "note: cannot install ${missing[*]} without root; try:" \
        "sudo apt-get install ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "installing for the comparison: ${missing[*]}" >&2
  # A stale package list is refreshed only when the first attempt fails.
  if ! "${run[@]}" "${apt[@]}" install "${missing[@]}" >/dev/null; then
    "${run[@]}" "${apt[@]}" update >/dev/null &&
      "${run[@]}" "${apt[@]}" install "${missing[@]}" >/dev/null
  fi
}
install_missing speedcrunch galculator

names=(quorvane speedcrunch galculator bare)
declare -A command_of=(
  [quorvane]=$program
  [speedcrunch]=$(command -v speedcrunch)
  [galculator]=$(command -v galculator)
  [bare]=$bare
)
declare -A label_of=([quorvane]=Quorvane [speedcrunch]=SpeedCrunch [galculator]=galculator
  [bare]=bare_window)

source "$root/tests/desktop/xvfb_lib.sh"
xl_setup 1280x1024 || exit 1

# Private HOME and XDG directories for each program.
declare -A env_of=()
for name in "${names[@]}"; do
  dir=$XL_TMP/private/$name
  mkdir -p "$dir"/{home,config,cache,data,state,run}
  chmod 700 "$dir/run"
  env_of[$name]="HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache"
  env_of[$name]+=" XDG_DATA_HOME=$dir/data XDG_STATE_HOME=$dir/state XDG_RUNTIME_DIR=$dir/run"
done

map_line() { grep -qs 'mapped_ms' "$1"; }

# measure NAME COUNTED: one run. A counted run appends to the NAME_ms, NAME_cpu and NAME_kib
# arrays; every run counts the program's windows and how it ended.
measure() {
  local name=$1 counted=$2 out=$XL_TMP/$1.$RANDOM
  local -a env_args
  read -r -a env_args <<<"${env_of[$name]}"
  # env sets the private directories and execs map_clock, which then times the program.
  xl_start "$out" env "${env_args[@]}" "$map_clock" 10000 "${command_of[$name]}"
  local clock_pid=$XL_LAST_PID
  if ! xl_wait_for 12 map_line "$out.out"; then
    echo "$name: map_clock gave no answer" >&2
    xl_stop "$clock_pid"
    return 1
  fi
  local pid ms cpu
  read -r _ pid _ ms _ cpu <"$out.out"
  xl_track "$pid"
  if [[ $ms == timeout ]]; then
    echo "$name: no window within 10 s" >&2
    xl_stop "$pid"
    xl_stop "$clock_pid"
    return 1
  fi
  sleep 3
  local kib split windows
  kib=$(xl_rss_kib "$pid")
  # What the resident memory is made of: anonymous (heap, stacks), file pages (libraries,
  # fonts), shared memory (the window's image shared with the X server).
  split=$(awk '$1 ~ /^Rss(Anon|File|Shmem):$/ { printf "%s%s", sep, $2; sep = " " }' \
    "/proc/$pid/status" 2>/dev/null)
  mapfile -t windows < <(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)
  ((${#windows[@]} > 1)) && extra_windows[$name]+=" ${#windows[@]}"
  # Closed as by its close button; a program that does not end within 5 s is stopped.
  local wid=${windows[0]:-}
  if [[ -n $wid ]] && "$close_window" "$wid" && xl_wait_for 5 xl_dead "$pid"; then
    closed[$name]=$((${closed[$name]:-0} + 1))
  else
    xl_stop "$pid"
  fi
  xl_stop "$clock_pid"
  if ((!counted)); then
    warm_ms[$name]=$ms warm_kib[$name]=$kib
    return 0
  fi
  eval "${name}_ms+=(\"\$ms\")"
  eval "${name}_cpu+=(\"\$cpu\")"
  eval "${name}_kib+=(\"\$kib\")"
  local anon file shmem
  read -r anon file shmem <<<"$split"
  eval "${name}_anon+=(\"\${anon:-n/a}\") ${name}_file+=(\"\${file:-n/a}\")"
  eval "${name}_shmem+=(\"\${shmem:-n/a}\")"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
  if (NR == 0) { print "n/a"; exit }
  if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A extra_windows=() closed=() med_ms=() med_cpu=() med_kib=() warm_ms=() warm_kib=()
present=()
for name in "${names[@]}"; do
  eval "${name}_ms=() ${name}_cpu=() ${name}_kib=() ${name}_anon=() ${name}_file=()"
  eval "${name}_shmem=()"
  if [[ -n ${command_of[$name]} ]]; then present+=("$name"); fi
done
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for name in "${present[@]}"; do measure "$name" 0; done # warm-up, not counted
for ((i = 1; i <= runs; i++)); do
  for name in "${present[@]}"; do measure "$name" 1; done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

mib() { awk -v k="$1" 'BEGIN { if (k == "n/a") print k; else printf "%.1f", k / 1024 }'; }

report() { # NAME
  local name=$1 label=${label_of[$1]}
  if [[ -z ${command_of[$name]} ]]; then
    printf '%-12s not installed: not measured\n' "$label"
    return
  fi
  local -n ms=${name}_ms cpu=${name}_cpu kib=${name}_kib anon=${name}_anon file=${name}_file
  local -n shmem=${name}_shmem
  local m_ms m_cpu m_kib mib_runs=() k
  m_ms=$(median "${ms[@]}")
  m_cpu=$(median "${cpu[@]}")
  m_kib=$(median "${kib[@]}")
  med_ms[$name]=$m_ms med_cpu[$name]=$m_cpu med_kib[$name]=$m_kib
  for k in "${kib[@]}"; do mib_runs+=("$(mib "$k")"); done
  printf '%-12s exec to mapped window: median %8s ms   runs: %s\n' "$label" "$m_ms" "${ms[*]}"
  printf '%-12s CPU used until mapped: median %8s ms   runs: %s\n' "" "$m_cpu" "${cpu[*]}"
  printf '%-12s VmRSS 3 s after map:   median %8s MiB  runs: %s\n' "" "$(mib "$m_kib")" \
    "${mib_runs[*]}"
  printf '%-12s   of which (medians):  anonymous %s MiB, files %s MiB, shared memory %s MiB\n' "" \
    "$(mib "$(median "${anon[@]}")")" "$(mib "$(median "${file[@]}")")" \
    "$(mib "$(median "${shmem[@]}")")"
  printf '%-12s warm-up run, not counted: %s ms, %s MiB\n' "" "${warm_ms[$name]:-n/a}" \
    "$(mib "${warm_kib[$name]:-n/a}")"
  if [[ -n ${extra_windows[$name]:-} ]]; then
    printf '%-12s WARNING: more than one window 3 s after the map (counts:%s)\n' "" \
      "${extra_windows[$name]}"
  fi
  printf '%-12s closed through the window manager in %d of %d runs (warm-up included)\n' "" \
    "${closed[$name]:-0}" $((runs + 1))
  if [[ $name == quorvane ]]; then
    local verdict_ms verdict_mem
    verdict_ms=$(awk -v m="$m_ms" 'BEGIN { print (m != "n/a" && m <= 100) ? "met" : "MISSED" }')
    verdict_mem=$(awk -v k="$m_kib" 'BEGIN { print (k != "n/a" && k < 48 * 1024) ? "met" : "MISSED" }')
    printf '%-12s goals: mapped within 100 ms of exec: %s; under 48 MiB: %s\n' "" \
      "$verdict_ms" "$verdict_mem"
  fi
}

# ratio A B: A / B to two decimals, or n/a.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {
  if (a == "n/a" || b == "n/a" || b + 0 == 0) print "n/a"; else printf "%.2f", a / b }'; }
goal() { awk -v r="$1" -v g="$2" 'BEGIN {
  if (r == "n/a") print "n/a"; else print (r <= g) ? "met" : "MISSED" }'; }

# ratios OTHER GOAL_MS GOAL_MEM: Quorvane's medians over the other program's.
ratios() {
  local other=$1 label=${label_of[$1]}
  if [[ -z ${med_ms[quorvane]:-} || -z ${med_ms[$other]:-} ]]; then
    printf 'Quorvane / %-12s n/a (not measured)\n' "$label"
    return
  fi
  local r_ms r_cpu r_mem
  r_ms=$(ratio "${med_ms[quorvane]}" "${med_ms[$other]}")
  r_cpu=$(ratio "${med_cpu[quorvane]}" "${med_cpu[$other]}")
  r_mem=$(ratio "${med_kib[quorvane]}" "${med_kib[$other]}")
  if [[ -n ${2:-} ]]; then
    printf 'Quorvane / %-12s time to map %s (goal at most %s: %s)   VmRSS %s (goal at most %s: %s)   CPU until mapped %s\n' \
      "$label" "$r_ms" "$2" "$(goal "$r_ms" "$2")" "$r_mem" "$3" "$(goal "$r_mem" "$3")" "$r_cpu"
  else
    printf 'Quorvane / %-12s time to map %s   VmRSS %s   CPU until mapped %s   (for reference)\n' \
      "$label" "$r_ms" "$r_mem" "$r_cpu"
  fi
}

version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo '?'; }

echo "screen 1280x1024 under Xvfb $DISPLAY with openbox; 1 warm-up run (not counted) and" \
  "$runs counted runs each, alternating; load average before $load_before, after $load_after"
echo "compared with: speedcrunch $(version_of speedcrunch), galculator $(version_of galculator)"
for name in "${names[@]}"; do report "$name"; done
ratios speedcrunch 0.7 0.55
ratios galculator
ratios bare
for name in "${present[@]}"; do
  left=$(cd "$XL_TMP/private/$name" && find . -mindepth 2 | sort | tr '\n' ' ')
  echo "files left in ${label_of[$name]}'s private HOME and XDG directories: ${left:-none}"
done

# Quorvane's start-up step by step: medians over the runs of each step's figures.
print_phases() {
  local -a env_args
  read -r -a env_args <<<"${env_of[quorvane]}"
  local all=$XL_TMP/phases.all i out
  : >"$all"
  for ((i = 1; i <= runs; i++)); do
    out=$XL_TMP/phases.$i
    xl_start "$out" env "${env_args[@]}" "$startup_phases"
    if ! xl_wait_exit "$XL_LAST_PID" 20 || [[ $XL_EXIT_CODE != 0 ]]; then
      echo "startup_phases failed (exit ${XL_EXIT_CODE:-none}): $(head -c 300 "$out.err")" >&2
      xl_stop "$XL_LAST_PID"
      continue
    fi
    cat "$out.out" >>"$all"
  done
  echo
  echo "Quorvane's start-up step by step (bench/desktop/startup_phases; medians of $runs runs):"
  printf '  %-22s %9s %9s %12s\n' step wall_ms cpu_ms "RSS after"
  awk '
    function median(list,   n, v, i, j, t) {
      n = split(list, v, " ")
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) {
        t = v[j]; v[j] = v[j - 1]; v[j - 1] = t
      }
      return (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    $2 == "wall_ms" {
      if (!($1 in wall)) order[++steps] = $1
      wall[$1] = wall[$1] " " $3; cpu[$1] = cpu[$1] " " $5; rss[$1] = rss[$1] " " $7
    }
    END {
      for (i = 1; i <= steps; i++) {
        s = order[i]
        printf "  %-22s %9.2f %9.2f %8.1f MiB\n", s, median(wall[s]), median(cpu[s]),
          median(rss[s]) / 1024
        if (s == "exposed_and_painted") {
          print "  (the window is mapped during exposed_and_painted, before it is painted)"
          for (j = 1; j <= i; j++) { tw += median(wall[order[j]]); tc += median(cpu[order[j]]) }
          printf "  %-22s %9.2f %9.2f\n", "(sum up to here)", tw, tc
        }
      }
    }' "$all"
}
((phases)) && print_phases
