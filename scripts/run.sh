#!/usr/bin/env bash
# Sets everything up, builds, and runs the program's main job from the command line. With
# arguments they go to quovo-cli as they are; without, a photograph (the corpora's, else
# ImageMagick's built-in rose) is reduced to 16 colours with error diffusion and described.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release >/dev/null
cli=build/bin/quovo-cli
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
demo=build/demo
mkdir -p "$demo"
photo=${QUOVEX_CORPORA:-../shared/corpora}/photos/kodim23.png
src="$demo/photo.bmp"
if [ -f "$photo" ]; then
  convert "$photo" -depth 8 -type TrueColor "BMP3:$src"
else
  convert rose: -scale 400% -depth 8 -type TrueColor "BMP3:$src"
fi
"$cli" reduce "$src" "$demo/photo-16.bmp" --colors 16 --dither diffusion
"$cli" info "$src" "$demo/photo-16.bmp"
echo "Reduced image: $demo/photo-16.bmp"
