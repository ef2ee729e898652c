#!/usr/bin/env bash
# Times Glimra's capture path against independent screen grabbers (xwd, ImageMagick's import,
# scrot) on the same Xvfb screen in one run, at three screen sizes, and prints the tables that
# docs/performance.md shows. Not part of the test suite: the figures depend on the machine.
#
#   bash scripts/benchmark.sh
#
# Optional: BUILD_DIR (default ./build), REPEATS (timed runs per figure, default 15), ROUNDS (the
# runs are split into rounds that alternate between our side and the peers, so both share the
# machine's other load alike; default 3), LAUNCHES (program starts timed, default 7), SIZES
# (default "1280x800 1920x1080 3840x2160").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

BUILD_DIR="${BUILD_DIR:-$PWD/build}"
REPEATS="${REPEATS:-15}"
ROUNDS="${ROUNDS:-3}"
LAUNCHES="${LAUNCHES:-7}"
SIZES="${SIZES:-1280x800 1920x1080 3840x2160}"
RUN_DIR="$BUILD_DIR/benchmark"

cmake --preset cross -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" --target glimra_bench Glimra3 >/dev/null

rm -rf "$RUN_DIR"
mkdir -p "$RUN_DIR"
started=$(date +%s)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

milliseconds_now() { date +%s%N; }

# Timed runs of one peer, after an untimed one in the first round; prints "SAMPLE <key> <ms>".
time_peer() {
  local key=$1 warm=$2 runs=$3
  shift 3
  [ "$warm" = 1 ] && "$@"
  local start end
  for _ in $(seq "$runs"); do
    start=$(milliseconds_now)
    "$@"
    end=$(milliseconds_now)
    awk -v key="$key" -v ns="$((end - start))" 'BEGIN { printf "SAMPLE %s %.3f\n", key, ns / 1e6 }'
  done
}

# Largest resident set of one run, in MiB: the peers' memory, for comparison.
peak_memory() {
  local key=$1
  shift
  local kilobytes
  kilobytes=$( { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null; } | tail -n1)
  echo "RESULT $key $(awk -v k="$kilobytes" 'BEGIN { printf "%.3f", k / 1024 }')"
}

run_size() {
  local size=$1
  local dir="$RUN_DIR/$size"
  mkdir -p "$dir/ours" "$dir/peers"
  (
    export GLIMRA_PRIVATE_DISPLAY=1 GLIMRA_SCREEN="${size}x24"
    # shellcheck source=scripts/wine-env.sh
    source scripts/wine-env.sh
    # The virtual desktop takes its size when the prefix's first process starts, and the setup
    # above has started one with the size of the previous run: start again at this size.
    wineserver -k 2>/dev/null || true
    wineserver -w

    local peers="$dir/peers"
    xwd_to_file() { xwd -root -silent >"$peers/root.xwd"; }
    import_png() { import -silent -window root "$peers/import.png"; }
    import_jpeg() { import -silent -window root "$peers/import.jpg"; }
    scrot_png() { scrot -o "$peers/scrot.png"; }

    local per_round=$(((REPEATS + ROUNDS - 1) / ROUNDS))
    wine "$BUILD_DIR/bench/glimra_bench.exe" "$(winepath -w "$dir/ours")" \
      "$(winepath -w "$BUILD_DIR/Glimra3.exe")" "$(winepath -w "$dir")" "$ROUNDS" "$per_round" "$LAUNCHES" \
      >"$dir/ours.txt" 2>"$dir/wine.log" &
    local bench=$!
    : >"$dir/peers.txt"
    for round in $(seq "$ROUNDS"); do
      # The benchmark program times its own steps, then leaves its picture on the screen.
      while [ ! -e "$dir/ready.$round" ]; do
        if ! kill -0 "$bench" 2>/dev/null; then
          echo "glimra_bench.exe ended early at $size:" >&2
          cat "$dir/ours.txt" >&2
          exit 1
        fi
        sleep 0.2
      done
      local warm=$([ "$round" = 1 ] && echo 1 || echo 0)
      {
        time_peer xwd "$warm" "$per_round" xwd_to_file
        time_peer import_png "$warm" "$per_round" import_png
        time_peer import_jpeg "$warm" "$per_round" import_jpeg
        time_peer scrot_png "$warm" "$per_round" scrot_png
        if [ "$round" = 1 ]; then
          peak_memory mem_xwd xwd -root -silent -out "$peers/rss.xwd"
          peak_memory mem_import_png import -silent -window root "$peers/rss.png"
          peak_memory mem_import_jpeg import -silent -window root "$peers/rss.jpg"
          peak_memory mem_scrot scrot -o "$peers/rss-scrot.png"
          echo "RESULT bytes_xwd $(stat -c %s "$peers/root.xwd")"
          echo "RESULT bytes_import_png $(stat -c %s "$peers/import.png")"
          echo "RESULT bytes_import_jpeg $(stat -c %s "$peers/import.jpg")"
          echo "RESULT bytes_scrot_png $(stat -c %s "$peers/scrot.png")"
        fi
      } >>"$dir/peers.txt"
      touch "$dir/done.$round"
    done
    wait "$bench" || { cat "$dir/ours.txt" >&2; exit 1; }
    # Both sides saw one screen: our BMP and xwd's picture differ only where ours drew the cursor.
    differing=$(compare -metric AE "$dir/ours/img.bmp" "$peers/root.xwd" null: 2>&1 || true)
    echo "RESULT differing_pixels ${differing%% *}" >>"$dir/peers.txt"
  )
  echo "  $size done" >&2
}

echo "Benchmark: $REPEATS runs per figure in $ROUNDS rounds, sizes $SIZES; results in $RUN_DIR" >&2
for size in $SIZES; do
  run_size "$size"
done

python3 - "$RUN_DIR" "$SIZES" "$(((REPEATS + ROUNDS - 1) / ROUNDS * ROUNDS))" "$LAUNCHES" "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)" \
  "$(($(date +%s) - started))" <<'EOF'
import os
import subprocess
import sys

run_dir, sizes, repeats, launches, load_before, load_after, seconds = sys.argv[1:]


# RESULT lines are figures; SAMPLE lines are timed runs, of which the median is the figure.
def results(path):
    values = {}
    samples = {}
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            parts = line.split()
            if len(parts) == 3 and parts[0] == "RESULT":
                values[parts[1]] = float(parts[2])
            elif len(parts) == 3 and parts[0] == "SAMPLE":
                samples.setdefault(parts[1], []).append(float(parts[2]))
    for key, runs in samples.items():
        runs.sort()
        middle = len(runs) // 2
        values[key] = runs[middle] if len(runs) % 2 else (runs[middle - 1] + runs[middle]) / 2
    return values


def cpu_model():
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def memory_gib():
    with open("/proc/meminfo") as info:
        for line in info:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) / 1024 / 1024
    return 0


wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
nproc = subprocess.run(["nproc"], capture_output=True, text=True).stdout.strip()
print(f"Machine: nproc {nproc}, {cpu_model()}, {memory_gib():.1f} GiB memory; {wine}; load average {load_before} before, "
      f"{load_after} after; {repeats} timed runs per figure (medians), in rounds alternating between ours and the peers; "
      f"{launches} program starts; "
      f"whole run {seconds} s.")
print()

rows = [
    ("copy screen into the DIB section (BitBlt)", "copy_screen", None, None),
    ("what-if, not the program's way: copy screen in 16 strips", "copy_strips", None, None),
    ("draw the cursor", "draw_cursor", None, None),
    ("writeBmpFile", "write_bmp", None, None),
    ("saveWithEncoder JPEG", "encode_jpeg", None, None),
    ("saveWithEncoder PNG", "encode_png", None, None),
    ("capture to BMP (grab + cursor + write)", "capture_bmp", "xwd -root -silent > file", "xwd"),
    ("capture to PNG", "capture_png", "import -window root x.png", "import_png"),
    ("capture to PNG", "capture_png", "scrot -o x.png", "scrot_png"),
    ("capture to JPEG", "capture_jpeg", "import -window root x.jpg", "import_jpeg"),
    ("capture, all three formats", "capture_all", None, None),
]
print("| Stage | Screen | Ours (ms) | Peer | Peer (ms) | Ours / peer |")
print("|---|---|--:|---|--:|--:|")
data = {}
for size in sizes.split():
    ours = results(os.path.join(run_dir, size, "ours.txt"))
    peers = results(os.path.join(run_dir, size, "peers.txt"))
    if f"{ours.get('width', 0):.0f}x{ours.get('height', 0):.0f}" != size:
        sys.exit(f"Wine's screen at {size} was {ours.get('width', 0):.0f}x{ours.get('height', 0):.0f}")
    data[size] = (ours, peers)
    for label, key, peer_label, peer_key in rows:
        mine = ours.get(key)
        line = f"| {label} | {size} | {mine:.1f} |" if mine is not None else f"| {label} | {size} | ? |"
        if peer_key:
            theirs = peers.get(peer_key)
            ratio = f"{mine / theirs:.2f}" if mine and theirs else "?"
            line += f" {peer_label} | {theirs:.1f} | {ratio} |"
        else:
            line += " — | | |"
        print(line)
print()

print("Private memory of Glimra3.exe in MiB, measured from outside during captures of the whole screen "
      "with BMP, JPEG and PNG on (frame = width × height × 3 bytes; growth = peak less the memory just "
      "before that capture, over the frame); and the time from starting it to its window shown.")
print()
print("| Screen | Frame | Idle | Peak, 1st capture | Growth / frame | After 1st | Peak, 2nd capture | "
      "Growth / frame | After 2nd | Start-up to window shown (ms) |")
print("|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|")
for size, (ours, peers) in data.items():
    frame = ours.get("width", 0) * ours.get("height", 0) * 3 / 1024 / 1024
    cells = [size, f"{frame:.1f}", f"{ours.get('mem_before_1', 0):.1f}"]
    for capture in (1, 2):
        peak = ours.get(f"mem_peak_{capture}", 0)
        before = ours.get(f"mem_before_{capture}", 0)
        cells += [f"{peak:.1f}", f"{(peak - before) / frame:.2f}" if frame else "?",
                  f"{ours.get(f'mem_after_{capture}', 0):.1f}"]
    cells.append(f"{ours.get('startup', 0):.0f}")
    print("| " + " | ".join(cells) + " |")
print()

print("Where the peak comes from, in the benchmark process: growth of private memory over what it was "
      "before the step, in frames (the copies on a capture bitmap nothing has touched yet).")
print()
print("| Screen | Copy screen, one BitBlt | What-if: 16 strips | saveWithEncoder JPEG | saveWithEncoder PNG |")
print("|---|--:|--:|--:|--:|")
for size, (ours, peers) in data.items():
    frame = ours.get("width", 0) * ours.get("height", 0) * 3 / 1024 / 1024
    keys = ["mem_step_copy_screen", "mem_step_copy_strips", "mem_step_encode_jpeg", "mem_step_encode_png"]
    print(f"| {size} | " + " | ".join(f"{ours.get(k, 0) / frame:.2f}" for k in keys) + " |")
print()

print("Peers' largest resident set (MiB, whole process, /usr/bin/time), and file sizes (bytes); "
      "pixels differing between our BMP and xwd's picture of the same screen.")
print()
print("| Screen | xwd | import PNG | import JPEG | scrot | Our BMP / xwd | Our PNG / import / scrot | "
      "Our JPEG / import | Differing pixels |")
print("|---|--:|--:|--:|--:|---|---|---|--:|")
for size, (ours, peers) in data.items():
    def n(values, key):
        return f"{values.get(key, 0):.0f}"
    print(f"| {size} | {peers.get('mem_xwd', 0):.1f} | {peers.get('mem_import_png', 0):.1f} | "
          f"{peers.get('mem_import_jpeg', 0):.1f} | {peers.get('mem_scrot', 0):.1f} | "
          f"{n(ours, 'bytes_bmp')} / {n(peers, 'bytes_xwd')} | "
          f"{n(ours, 'bytes_png')} / {n(peers, 'bytes_import_png')} / {n(peers, 'bytes_scrot_png')} | "
          f"{n(ours, 'bytes_jpeg')} / {n(peers, 'bytes_import_jpeg')} | {n(peers, 'differing_pixels')} |")
EOF
