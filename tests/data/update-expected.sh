#!/usr/bin/env bash
# Regenerates the expected outputs of the bundled examples: every example in every format,
# written by the m5import of BUILD_DIR. Review the differences line by line before keeping them.
# Also writes traces.sha256: the digests of the traces of the real instrument files (when their
# folder is there) and of a generated file, in both import modes, for files that cannot live
# in the repository.
#
#   bash tests/data/update-expected.sh build/test
#
# The LandXML date and time come from SOURCE_DATE_EPOCH, fixed here and in the end-to-end test
# that compares these files; messages are in English, whatever the locale.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
cd "$(dirname "$0")/../.."
program="$build/bin/m5import"
plugin="$build/bin/libm5plugin.so"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export SOURCE_DATE_EPOCH=1704067200

# The settings each example is meant for; the others use the defaults.
options_for() {
  case "$1" in
    separate) echo "--set Mode=1" ;;
    *) echo "" ;;
  esac
}

for example in examples/*.m5; do
  name=$(basename "$example" .m5)
  for format in table csv json landxml points trace; do
    # shellcheck disable=SC2046
    "$program" --plugin "$plugin" --settings "$scratch/settings.ini" --no-progress -q --lang en \
      $(options_for "$name") --format "$format" -o "tests/data/expected/$name.$format" "$example" || [ $? -eq 1 ]
    echo "tests/data/expected/$name.$format"
  done
done

# Traces of files named as they lie in their folder (the end-to-end test names them the same).
trace_digest() {
  local folder=$1 name=$2 mode=$3
  (cd "$folder" && "$program" --plugin "$plugin" --settings "$scratch/settings.ini" --no-progress -q --lang en \
    --set "Mode=$mode" --format trace "$name" || [ $? -eq 1 ]) | sha256sum | cut -d' ' -f1
}

digests="tests/data/expected/traces.sha256"
samples=${M5_SAMPLES_DIR:-../shared/samples}
: >"$digests"
python3 bench/generate-m5 "$scratch/generated.m5" 20000 1
for mode in 0 1; do
  echo "$(trace_digest "$scratch" generated.m5 "$mode") generated.m5 Mode=$mode" >>"$digests"
done
if [ -d "$samples" ]; then
  for sample in "$samples"/*.m5; do
    for mode in 0 1; do
      echo "$(trace_digest "$samples" "$(basename "$sample")" "$mode") $(basename "$sample") Mode=$mode" >>"$digests"
    done
  done
else
  echo "no real instrument files in $samples: their digests are left out" >&2
fi
echo "$digests"
