# What the benchmarks share; each sources it first. Builds the command-line tool in build/bench,
# never in build/release, whose tests a configuration without them would remove.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/bench
CLI=$BUILD/reelweld-cli
WORK=${BENCH_DIR:-/tmp/reelweld-bench}
mkdir -p "$WORK"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DREELWELD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target reelweld-cli >/dev/null

# Makes $WORK/NAME with ffmpeg and these arguments unless an earlier run left it.
make_input() {
  name=$1
  shift
  [ -f "$WORK/$name" ] || ffmpeg -nostdin -hide_banner -loglevel error -y "$@" "$WORK/$name"
}

now() { date +%s.%N; }

# Prints the wall time of the command in seconds.
timed() {
  start=$(now)
  "$@"
  echo "$(now) - $start" | bc
}

# timed for a command that writes OUT: it starts without OUT and without pending write-back, and
# OUT is removed afterwards.
timed_output() {
  out=$1
  shift
  rm -f "$out"
  sync
  timed "$@"
  rm -f "$out"
}

# The processor time (user + system, children included) of a command that writes OUT, in seconds.
cpu_output() {
  out=$1
  shift
  rm -f "$out"
  sync
  bash -c 'TIMEFORMAT="%3U %3S"; { time "$@" >/dev/null 2>&1; } 2>&1' bash "$@" | awk '{ print $1 + $2 }'
  rm -f "$out"
}

# The median wall time of three `reelweld-cli probe` runs on the files: what a join of them spends
# on start-up (loading FFmpeg's libraries) and describing before its engine starts.
probe_seconds() {
  t=""
  for round in 1 2 3; do
    t="$t $(timed quiet_probe "$@")"
  done
  median $t
}
quiet_probe() { "$CLI" probe "$@" >/dev/null; }

# The ratio to cat of a join's time without its start-up and describing: ours, probe, cat.
copy_alone_ratio() { ratio "$(echo "$1 - $2" | bc)" "$3"; }

# Single runs are noisy: the benchmarks take three rounds and report the middle value.
median() { printf "%s\n" "$@" | sort -g | sed -n 2p; }

# Ours divided by theirs; below 1.0 means we are faster.
ratio() { echo "$1 / $2" | bc -l; }

# For a command that writes OUT, prints "wall cpu" in seconds; cpu / wall shows how many cores it
# kept busy.
timed_cpu() {
  rm -f "$OUT"
  (
    timed "$@"
    times
  ) | awk 'function s(x, p) { sub(/s$/, "", x); split(x, p, "m"); return p[1] * 60 + p[2] }
           NR == 1 { wall = $1 } NR == 3 { print wall, s($1) + s($2) }'
}

# The video bit rate of OUT in kb/s: alike on both sides when the quality is.
video_kbps() {
  ffprobe -v error -select_streams v:0 -show_entries stream=bit_rate -of csv=p=0 "$OUT" | awk '{ print int($1 / 1000) }'
}

# Three rounds of the functions `ours` and `theirs`, which write OUT. Sets the medians ours_s,
# ours_cpu, theirs_s, theirs_cpu, and from the last round frames (of our OUT) and the video bit
# rates ours_rate and theirs_rate.
compare_recompression() {
  ow=""; oc=""; fw=""; fc=""
  for round in 1 2 3; do
    set -- $(timed_cpu ours); ow="$ow $1"; oc="$oc $2"
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$OUT")
    ours_rate=$(video_kbps)
    set -- $(timed_cpu theirs); fw="$fw $1"; fc="$fc $2"
    theirs_rate=$(video_kbps)
  done
  rm -f "$OUT"
  ours_s=$(median $ow); ours_cpu=$(median $oc)
  theirs_s=$(median $fw); theirs_cpu=$(median $fc)
}
