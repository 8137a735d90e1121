#!/usr/bin/env bash
# Compares quovo-cli's colour reduction with two peers from Debian on the photographs of the
# conformance corpora: pngquant without dithering and ImageMagick "+dither -colors N", at 16 and
# 256 colours. Prints one table: mean PSNR against the original (ImageMagick compare), mean time
# per image and its ratio to pngquant's in the same run, and the peak resident memory.
#
#   bash bench/compare_quantizers.sh [runs per image, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
corpora=${QUOVEX_CORPORA:-../shared/corpora}
photos=("$corpora"/photos/*.png)
cli=build/bin/quovo-cli
for tool in "$cli" pngquant convert compare /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -e "${photos[0]}" ] || { echo "no photographs in $corpora/photos" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run TOOL N IMAGE OUT: one reduction, quietly.
run() {
  case "$1" in
    quovo) "$cli" reduce "$3" "$4" --colors "$2" --dither none ;;
    pngquant) pngquant --nofs --force --output "$4" "$2" "$3" ;;
    imagemagick) convert "$3" +dither -colors "$2" "$4" ;;
  esac
}

declare -A secs psnr peak
for n in 16 256; do
  for tool in quovo pngquant imagemagick; do
    total_t=0 total_p=0 max_m=0
    for img in "${photos[@]}"; do
      out="$work/out.png"
      best=""
      for ((r = 0; r < runs; r++)); do
        /usr/bin/time -f "%e %M" -o "$work/time" bash -c "$(declare -f run); cli='$cli'; run $tool $n '$img' '$out'" \
          >/dev/null 2>"$work/err" || { echo "$tool failed on $img: $(cat "$work/err")" >&2; exit 1; }
        read -r t m <"$work/time"
        if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
        [ "$m" -gt "$max_m" ] && max_m=$m
      done
      p=$( (compare -metric PSNR "$img" "$out" null: 2>&1 || true) | awk '{print $1}')
      total_t=$(awk "BEGIN{print $total_t + $best}")
      total_p=$(awk "BEGIN{print $total_p + $p}")
    done
    count=${#photos[@]}
    secs[$tool$n]=$(awk "BEGIN{printf \"%.3f\", $total_t / $count}")
    psnr[$tool$n]=$(awk "BEGIN{printf \"%.2f\", $total_p / $count}")
    peak[$tool$n]=$((max_m / 1024))
  done
done

printf '| colours | tool | mean PSNR (dB) | time per image (s) | time / pngquant | peak memory (MiB) |\n'
printf '|---|---|---|---|---|---|\n'
for n in 16 256; do
  for tool in quovo pngquant imagemagick; do
    ratio=$(awk "BEGIN{b=${secs[pngquant$n]}; if (b > 0) printf \"%.2f\", ${secs[$tool$n]} / b; else print \"-\"}")
    printf '| %s | %s | %s | %s | %s | %s |\n' "$n" "$tool" "${psnr[$tool$n]}" "${secs[$tool$n]}" "$ratio" "${peak[$tool$n]}"
  done
done
echo
echo "${#photos[@]} photographs, best of $runs runs each; quovo-cli without dithering."
