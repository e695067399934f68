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

# Single runs are noisy: the benchmarks take three rounds and report the middle value.
median() { printf "%s\n" "$@" | sort -g | sed -n 2p; }

# Ours divided by theirs; below 1.0 means we are faster.
ratio() { echo "$1 / $2" | bc -l; }
