#!/usr/bin/env bash
# Builds the typesetter's pages, ready to open from file:// with no network:
#   build/typesetter/   typesetter.html and its one script (MathJax and the
#                       boards' sizes bundled in), for the scripts that render
#                       a bank headless and for the tests
#   build/editor/       the question editor of the teacher kit: 题库编辑器.html
#                       and 题库编辑器文件/
# each with TessalySerif-GBK.woff2 (Noto Serif CJK SC cut to GBK's characters)
# and its licence (SIL Open Font License).
# Installs what it needs first: Debian's chromium (the tests' browser),
# fonts-noto-cjk and fontTools (packages.txt, group typesetter), and the npm
# packages pinned by tools/typesetter/package-lock.json.
# Cutting the font takes a minute or two, so the cut font is kept in
# ${TESSALY_CACHE:-~/.cache/tessaly}, named for what it was made from, where
# a fresh clone on this machine finds it again. Expects `make build-native`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/tools/typesetter"
"$root/scripts/install-packages.sh" typesetter

# npm packages, again only when the lock file changed.
lock_sum=$(sha256sum "$src/package-lock.json" | cut -d' ' -f1)
if [ "$(cat "$src/node_modules/.tessaly-lock" 2>/dev/null)" != "$lock_sum" ]; then
  echo "typesetter: npm packages"
  (cd "$src" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 \
     npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  echo "$lock_sum" >"$src/node_modules/.tessaly-lock"
fi

# The font: face 2 of the collection is Noto Serif CJK SC. Without its
# hints it is a quarter smaller, and its glyphs are drawn alike on every
# system rather than each rasteriser reading the hints its own way.
ttc=/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc
face=2
subset_options=(--font-number="$face" --no-hinting --flavor=woff2)
cache=${TESSALY_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tessaly}
key=$( { dpkg-query -W -f='${Version}' fonts-noto-cjk python3-fonttools; echo "${subset_options[*]}"; \
         cat "$root/scripts/gbk-repertoire.py"; } | sha256sum | cut -c1-16)
font="$cache/TessalySerif-GBK-$key.woff2"
if [ ! -s "$font" ]; then
  echo "typesetter: cutting Noto Serif CJK SC to GBK (a minute or two, once per machine)"
  mkdir -p "$cache"
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  /usr/bin/python3 "$root/scripts/gbk-repertoire.py" >"$tmp/unicodes.txt"
  # fontTools is in Debian's Python, not in other Pythons on the PATH.
  /usr/bin/python3 -m fontTools.subset "$ttc" "${subset_options[@]}" --unicodes-file="$tmp/unicodes.txt" \
    --output-file="$tmp/font.woff2"
  mv "$tmp/font.woff2" "$font"
fi

boards="$root/build/typesetter-boards.json"
"$root/build/native/bin/typesetter-boards" >"$boards.tmp"
mv "$boards.tmp" "$boards"
node "$src/build.js" "$root/build" "$boards" "$font" /usr/share/doc/fonts-noto-cjk/copyright
