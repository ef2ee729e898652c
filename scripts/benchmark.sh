#!/usr/bin/env bash
# Times Glimra's capture beside independent screen grabbers (xwd, ImageMagick's import, scrot) on one Xvfb screen
# at three sizes and prints the tables of docs/performance.md. Not part of the test suite. It times every build
# that runs here (both where the kernel runs 32-bit programs, side by side, so the two builds' encoders compare).
# Optional: GLIMRA_BUILDS ("win32 win64", or one), REPEATS (15 timed runs a figure), STARTS (7 program starts),
# SIZES (3 sizes below).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
source scripts/builds.sh
command -v hyperfine >/dev/null || $([ "$(id -u)" -eq 0 ] || echo sudo) apt-get install -y -q hyperfine
REPEATS="${REPEATS:-15}" STARTS="${STARTS:-7}" SIZES="${SIZES:-1280x800 1920x1080 3840x2160}"
load=$(cut -d' ' -f1-3 /proc/loadavg) SECONDS=0

# A desktop's smooth, noisy and flat parts: a photo-like plasma under four windows of text, a task bar.
make_backdrop() {
  local w=${1%x*} h=${1#*x} draw=() i x y text
  text=$(printf '%s\n' "画面全体を取得 — 任意のウィンドウを取得" "保存先: ピクチャ/スクリーンショット/img42.png" \
         "The quick brown fox jumps over the lazy dog. 0123456789" "memo: 会議資料の図を差し替えること (14:32)")
  for i in 0 1 2 3; do
    x=$((w / 12 + i * w / 5)) y=$((h / 10 + i * h / 9))
    draw+=(-fill '#fafaf8' -draw "rectangle $x,$y $((x + w * 2 / 5)),$((y + h * 3 / 10))" -fill '#141418'
           -annotate "+$((x + 12))+$((y + h / 30))" "$text"$'\n'"$text"$'\n'"$text")
  done
  convert -seed 7 -size "$1" plasma:fractal -blur 0x8 -attenuate 0.4 +noise Gaussian -pointsize $((h / 60 + 2)) \
    -font /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf "${draw[@]}" -fill '#202228' \
    -draw "rectangle 0,$((h - h / 30)) $w,$h" -type TrueColor "BMP3:$2"
}

runs=()
for build in ${GLIMRA_BUILDS:-win32 win64}; do
  if [ "$build" = win32 ] && ! glimra_runs_32bit; then
    echo "32-bit build: not timed: this kernel runs no 32-bit programs" && continue
  fi
  BUILD_DIR=$(glimra_build_dir "$build") RUN_DIR="$(glimra_build_dir "$build")/benchmark" && runs+=("$build=$RUN_DIR")
  cmake --preset "$(glimra_preset "$build")" -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" --target glimra_bench Glimra3 >/dev/null
  for size in $SIZES; do
    dir="$RUN_DIR/$size" backdrop="$BUILD_DIR/backdrop-$size.bmp"
    # The program's copy has an image folder beside it, so its captures go there without a message.
    rm -rf "$dir" && mkdir -p "$dir/peers" "$dir/program/image" && cp "$BUILD_DIR/Glimra3.exe" "$dir/program/"
    [ -f "$backdrop" ] || make_backdrop "$size" "$backdrop"
    (
      export GLIMRA_PRIVATE_DISPLAY=1 GLIMRA_SCREEN="${size}x24" && source scripts/wine-env.sh
      bench="$BUILD_DIR/bench/glimra_bench.exe"
      wine "$bench" show "$(wine winepath -w "$backdrop")" >"$dir/show.log" 2>&1 &
      wine "$bench" measure "$(wine winepath -w "$dir")" "$(wine winepath -w "$dir/program/Glimra3.exe")" "$REPEATS" \
        "$STARTS" >"$dir/ours.txt" 2>"$dir/wine.log" || { cat "$dir/ours.txt" >&2; exit 1; }
      cd "$dir/peers" && hyperfine -N --style none --warmup 1 --runs "$REPEATS" --export-json ../peers.json \
        -n xwd 'xwd -root -silent -out root.xwd' -n import_png 'import -silent -window root import.png' \
        -n import_jpeg 'import -silent -window root import.jpg' -n scrot_png 'scrot -o scrot.png' >/dev/null
      rss() { /usr/bin/time -a -o ../peers.txt -f "RESULT rss_$1 %M" "${@:2}"; }  # largest resident set
      rss xwd xwd -root -silent -out rss.xwd && rss scrot_png scrot -o rss.png
      rss import_png import -silent -window root rss.png && rss import_jpeg import -silent -window root rss.jpg
      echo "RESULT differing_pixels $(compare -metric AE ../program/image/img.bmp root.xwd null: 2>&1)" >>../peers.txt
    )
  done
done
echo "Machine: nproc $(nproc), $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1)," \
  "$(awk '/MemTotal/ { printf "%.1f", $2 / 1048576 }' /proc/meminfo) GiB; $(/usr/lib/wine/wine64 --version), Xvfb;" \
  "load average $load before, $(cut -d' ' -f1-3 /proc/loadavg) after; whole run $SECONDS s; medians of $REPEATS timed runs."
python3 bench/tables.py "$SIZES" "${runs[@]}"
