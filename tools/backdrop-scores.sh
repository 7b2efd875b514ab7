#!/usr/bin/env bash
# Prints how busy each built-in picture is for a video encoder: the mean absolute Laplacian of
# its grey 1920x1200 downscale, with its size and the set's median. Busy fine texture is what
# an encoder spends its bits on, so a backdrop should stay at or under 1.2 and the set's
# median at or under 0.8. Needs ImageMagick (tools/deps.sh --tools).
#   tools/backdrop-scores.sh [FOLDER]   (default: resources)
set -euo pipefail

folder="${1:-$(dirname "$0")/../resources}"
command -v convert >/dev/null || { echo "backdrop-scores: ImageMagick's convert is missing" >&2; exit 2; }

shopt -s nullglob
files=("$folder"/bg-*.jpeg "$folder"/bg-*.webp)
[[ ${#files[@]} -gt 0 ]] || { echo "backdrop-scores: no pictures in $folder" >&2; exit 2; }

scores=()
total=0
over=0
printf '%-36s %10s %9s %7s\n' picture size bytes score
for f in "${files[@]}"; do
    score=$(convert "$f" -resize 1920x1200 -colorspace gray -define convolve:scale='!' \
        -morphology Convolve Laplacian:0 -evaluate abs 0 -format '%[fx:mean*255]' info:)
    dims=$(identify -format '%wx%h' "$f")
    bytes=$(stat -c %s "$f")
    total=$((total + bytes))
    scores+=("$score")
    flag=""
    awk -v s="$score" 'BEGIN { exit !(s > 1.2) }' && { flag="  OVER"; over=$((over + 1)); }
    printf '%-36s %10s %9d %7.2f%s\n' "$(basename "$f")" "$dims" "$bytes" "$score" "$flag"
done
median=$(printf '%s\n' "${scores[@]}" | sort -g | awk '{ v[NR] = $1 } END {
    print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
printf 'pictures %d, total %.1f MB, median score %.2f (target <= 0.80), over 1.2: %d\n' \
    "${#files[@]}" "$(awk -v b="$total" 'BEGIN { print b / 1e6 }')" "$median" "$over"
