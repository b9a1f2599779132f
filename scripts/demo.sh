#!/usr/bin/env bash
# The main job on the bundled sample: prepares a project from the road-corridor
# survey as a host would, then builds it with quarvelin-cli.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
demo="$here/$build/demo"
data="$here/data/m3_terrain"
rm -rf "$demo"
mkdir -p "$demo"
"$here/$build/quarvelin-prepare" --points "$data/points.xyz" --project "$demo/road" --workdir "$demo"
"$here/$build/quarvelin-cli" --install-dir "$demo" --sjw
echo "outputs: $demo/road/PMAP"
ls -l "$demo/road/PMAP"
