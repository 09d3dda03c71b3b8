#!/usr/bin/env bash
# Regenerates the expected outputs of the bundled examples: every example in every format,
# written by the m5import of BUILD_DIR. Review the differences line by line before keeping them.
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
  for format in table csv json landxml points; do
    # shellcheck disable=SC2046
    "$program" --plugin "$plugin" --settings "$scratch/settings.ini" --no-progress -q --lang en \
      $(options_for "$name") --format "$format" -o "tests/data/expected/$name.$format" "$example" || [ $? -eq 1 ]
    echo "tests/data/expected/$name.$format"
  done
done
