#!/usr/bin/env bash
# Installs the built programs into a temporary prefix and checks what a
# desktop reads there (menu entry, AppStream metainfo, manual pages, bash
# completion), then makes the Debian package, checks its dependencies,
# and, as root, installs it and starts both programs from it.
# Usage: scripts/package.sh [BUILD-FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh --only desktop-file-utils appstream man-db groff-base dpkg-dev xvfb xauth
cmake --build "$build" -j"$(nproc)" >/dev/null

prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
share="$prefix/usr/share"
desktop-file-validate "$share/applications/org.example.KavroSwitchConfig.desktop"
appstreamcli validate --no-net "$share/metainfo/org.example.KavroSwitchConfig.metainfo.xml"
for page in kavro-switch kavro-switch-config; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || { echo "package: $page.1 renders with warnings:"; echo "$warnings"; exit 1; }
done
bash -n "$share/bash-completion/completions/kavro-switch"
for size in 16 32 48 256; do test -s "$share/icons/hicolor/${size}x${size}/apps/kavro-switch-config.png"; done
"$prefix/usr/bin/kavro-switch" --version

(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/kavro-switch-config_*.deb | head -n 1)"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "$(basename "$deb"): Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6svg6 qt6-qpa-plugins; do
  case "$depends" in *"$library"*) ;; *) echo "package: Depends lacks $library"; exit 1 ;; esac
done
if dpkg-deb -c "$deb" | grep -q "postinst"; then echo "package: no maintainer scripts expected"; exit 1; fi

if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$PWD/$deb" >/dev/null
  /usr/bin/kavro-switch --version
  /usr/bin/kavro-switch-config --version
  home="$(mktemp -d)"
  # The window starts on the simulated switch and stays up.
  display=":$((300 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1366x768x24 >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  HOME="$home" DISPLAY="$display" /usr/bin/kavro-switch-config --simulator >/dev/null 2>&1 &
  window=$!
  sleep 3
  kill -0 "$window"
  kill "$window" "$xvfb"
  rm -rf "$home"
  echo "package: installed, both programs start"
fi
