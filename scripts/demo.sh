#!/usr/bin/env bash
# The main job on the bundled sample: prepares a project from the road-corridor
# survey, its breaklines and the corridor's own boundary as a host would,
# builds it with quarvelin-cli (clipped to that boundary), and draws the result. With "contours" as second argument it builds the contour
# tile instead, its contours enforced as feature lines.
set -euo pipefail
build=${1:-build}
which=${2:-road}
here=$(cd "$(dirname "$0")/.." && pwd)
bin="$here/$build"
demo="$bin/demo"
mkdir -p "$demo"

case "$which" in
  road)
    data="$here/data/m3_terrain"
    project="$demo/road"
    interval=0.5
    rm -rf "$project"
    "$bin/quarvelin-prepare" --points "$data/points.xyz" --breaklines "$data/breaklines.pl" \
      --boundary "$data/boundary.pl" --project "$project" --workdir "$demo"
    "$bin/quarvelin-cli" --install-dir "$demo" --sjw
    ;;
  contours)
    data="$here/data/os_terrain50_sk00"
    project="$demo/contours"
    interval=10
    rm -rf "$project"
    "$bin/quarvelin-prepare" --points "$data/spot_heights.xyz" --contours "$data/contours.pl" \
      --project "$project" --workdir "$demo"
    "$bin/quarvelin-cli" --install-dir "$demo" --contours --max-edge 1000
    ;;
  *)
    echo "usage: demo.sh BUILD_DIR [road|contours]" >&2
    exit 2
    ;;
esac

echo "outputs: $project/PMAP"
ls -l "$project/PMAP"
if [ -x "$bin/quarvelin-render" ]; then
  "$bin/quarvelin-render" "$project" --to "$demo/$which.png" --contour-interval "$interval"
  echo "picture: $demo/$which.png"
fi
