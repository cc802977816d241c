#!/usr/bin/env bash
# Makes the two Debian packages by both routes a packager takes and checks
# them as a Debian maintainer would:
#   build-deb  scripts/build-deb.sh, with dpkg-buildflags (the README's);
#   cpack      a default CMake configuration (cmake -S . -B DIR, prefix
#              /usr/local, no flags) and cpack -G DEB, made twice in two
#              folders: the two must be the same bytes (reproducible).
# On each route:
#  - lintian --pedantic finds nothing but the shipped override and
#    "misspellings" of words no source of the programs holds (an
#    information tag fails it too);
#  - the programs are hardened (read-only relocations bound at start,
#    position-independent, stack protector, checked functions);
#  - what a desktop reads validates (menu entry, AppStream metainfo, the
#    type of .set files, manual pages, bash completion, icons), all named
#    by the one application id;
#  - kavro-switch depends on Qt Core and Qt Serial Port only and recommends
#    bash-completion; kavro-switch-config depends on it and recommends
#    qt6-wayland.
# The cpack packages hold the same files, in the same places with the same
# modes, as build-deb's.
# As root (CI) it goes on, for each route: installs both packages; runs the
# window as root under a virtual X server (its window class is the menu
# entry's StartupWMClass) and finds nothing written under /usr (no
# /usr/bin/Ports.ini); purges both and finds nothing of them left. With
# build-deb's packages also as a normal user (nobody, with a home of its
# own): a first start makes the user's Ports.ini, an administrator's file
# in /etc/xdg is read and not copied, and a ticked "Verify after Send" is
# kept in the user's KavroSwitch folder. Last, cmake --install of the
# cpack build into /opt: the menu entry names the window by its whole
# path, no lintian override is installed, the window run as root writes
# nothing beside itself, and the uninstall target leaves nothing.
# Usage: scripts/package.sh   (folders build-deb, build-cpack, build-cpack-again; JOBS=n)
set -euo pipefail
shopt -s inherit_errexit  # a failure inside $(...) fails the script too
cd "$(dirname "$0")/.."
root_checks=(xvfb xauth x11-utils dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
             shared-mime-info xdg-utils libfile-mimeinfo-perl)
scripts/install-deps.sh --only lintian desktop-file-utils appstream man-db groff-base binutils "${root_checks[@]}"
fail() { echo "package: $*" >&2; exit 1; }
mime_type=application/x-kavro-switch-config
jobs="${JOBS:-$(nproc)}"

# The route a CMake user takes: a default configuration, the programs
# built, cpack. Prints the two packages' paths.
cpack_route() {
  local build="$1"
  rm -rf "$build"
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j"$jobs" --target kavro-switch kavro-switch-config kavro_desktop_files >/dev/null
  (cd "$build" && cpack -G DEB >/dev/null)
  printf '%s\n' "$PWD/$build"/kavro-switch_*.deb "$PWD/$build"/kavro-switch-config_*.deb
}
cli_of() { grep '/kavro-switch_[^/]*\.deb$' <<<"$1"; }
window_of() { grep '/kavro-switch-config_[^/]*\.deb$' <<<"$1"; }

deb_route="$(scripts/build-deb.sh)"
cpack_debs="$(cpack_route build-cpack)"
again="$(cpack_route build-cpack-again)"
for pick in cli_of window_of; do
  first="$($pick "$cpack_debs")" second="$($pick "$again")"
  if ! cmp -s "$first" "$second"; then
    diff <(dpkg-deb -c "$first") <(dpkg-deb -c "$second") | head -n 20 >&2 || true
    fail "two builds of one tree differ: $first $second"
  fi
done
echo "package: cpack's packages, built twice in two folders, are the same bytes"

work="$(mktemp -d)"
chmod 711 "$work"  # the normal user's home is inside
pids=()
installed=""
admin_folder=/etc/xdg/KavroSwitch
opt_prefix=/opt/kavro-package-check
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kavro-switch-config kavro-switch >/dev/null 2>&1
  [ -f "$work/admin-made" ] && rm -rf "$admin_folder"
  [ -f "$work/opt-made" ] && rm -rf "$opt_prefix"
  rm -rf "$work"
}
trap cleanup EXIT

# Whether an ELF program carries the hardening dpkg-buildflags gives
# (read whole: grep -q would end readelf early, which pipefail counts).
hardened() {
  local headers symbols
  headers="$(readelf -hldW "$1")" symbols="$(readelf --dyn-syms -W "$1")"
  grep -q GNU_RELRO <<<"$headers" && grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$headers" &&
    grep -q 'DYN (' <<<"$headers" && grep -q '__stack_chk_fail' <<<"$symbols" &&
    grep -Eq '__[a-z_]+_chk(@|$)' <<<"$symbols"
}

# Lintian reads every run of letters in a program as a word: four bytes of
# an instruction (" mor"), or two pieces of texts the compiler stores side
# by side ("Src Group addres" + "s (second try)"). A misspelling counts only
# when the word stands in the program's sources, where its texts are
# written; one that is not there is dropped from the report.
machine_words_dropped() {
  local line word
  local tag='^I: [^:]+: spelling-error-in-binary ([^ ]+) [^ ]+ [[]([^]]+)[]]$'
  while IFS= read -r line; do
    if [[ "$line" =~ $tag ]]; then
      word="${BASH_REMATCH[1]}"
      git grep -qw -e "$word" -- '*.cpp' '*.h' ':!tests/' ':!fuzz/' ':!bench/' || continue
    fi
    printf '%s\n' "$line"
  done
}

# The checks of one route's two packages, unpacked side by side in
# $work/ROUTE.
check_packages() {
  local route="$1" cli="$2" window="$3"
  local version report status=0
  version="$(dpkg-deb -f "$window" Version)"
  local tree="$work/$route"
  for deb in "$cli" "$window"; do dpkg-deb -x "$deb" "$tree"; done
  local kept
  report="$(lintian --fail-on error,warning,info,pedantic --display-info --pedantic "$cli" "$window" 2>&1)" || status=$?
  report="$(grep -v "running with root privileges" <<<"$report" || true)"
  kept="$(machine_words_dropped <<<"$report")"
  [ -z "$kept" ] || echo "$kept"
  # lintian fails for the dropped words too; any other failure stands
  if grep -Eq '^[EWIPX]: ' <<<"$kept" || { [ "$status" -ne 0 ] && [ "$kept" = "$report" ]; }; then
    fail "$route: lintian --pedantic reports tags"
  fi
  echo "package: $route: lintian --pedantic finds nothing"

  for program in kavro-switch kavro-switch-config; do
    hardened "$tree/usr/bin/$program" || fail "$route: $program is not hardened as dpkg-buildflags would"
  done
  local share="$tree/usr/share"
  local metainfo=("$share"/metainfo/*.metainfo.xml)
  app_id="$(basename "${metainfo[0]}" .metainfo.xml)"
  local desktop="$share/applications/$app_id.desktop"
  [ -f "$desktop" ] || fail "$route: no menu entry $app_id.desktop beside the metainfo $app_id"
  desktop-file-validate "$desktop"
  appstreamcli validate --no-net --pedantic "${metainfo[0]}"
  grep -q "<id>$app_id</id>" "${metainfo[0]}" && grep -q "<launchable type=\"desktop-id\">$app_id.desktop<" "${metainfo[0]}" ||
    fail "$route: the metainfo's id or launchable is not $app_id"
  [ "$(grep -o '<binary>[^<]*</binary>' "${metainfo[0]}")" = "<binary>kavro-switch-config</binary>" ] ||
    fail "$route: the metainfo provides another binary than the window's own"
  local homepage
  homepage="$(dpkg-deb -f "$window" Homepage)"
  grep -q "<url type=\"homepage\">$homepage</url>" "${metainfo[0]}" && grep -q "<image>$homepage/.*\.png</image>" "${metainfo[0]}" ||
    fail "$route: the metainfo names no home page ($homepage) or screenshot"
  grep -qx "Icon=$app_id" "$desktop" || fail "$route: the menu entry's icon is not $app_id"
  grep -qx "Exec=kavro-switch-config %f" "$desktop" || fail "$route: the menu entry does not start kavro-switch-config from PATH"
  # .set files: their type, and the menu entry opening one given as %f.
  grep -qx "MimeType=$mime_type;" "$desktop" || fail "$route: the menu entry opens no $mime_type file"
  mkdir -p "$work/mime-$route/packages"
  cp "$share/mime/packages/$app_id.xml" "$work/mime-$route/packages/"
  XDG_DATA_DIRS="$work" update-mime-database "$work/mime-$route"  # a database of the package alone
  grep -qx "50:$mime_type:\*\.set" "$work/mime-$route/globs2" || fail "$route: $app_id.xml gives .set files no type"
  for size in 16x16 32x32 48x48 256x256; do test -s "$share/icons/hicolor/$size/apps/$app_id.png"; done
  test -s "$share/icons/hicolor/scalable/apps/$app_id.svg"
  if grep -Eo 'https?://[^<" ]+' "$desktop"; then fail "$route: the menu entry names an address"; fi
  wm_class="$(sed -n 's/^StartupWMClass=//p' "$desktop")"
  for page in kavro-switch kavro-switch-config; do
    local warnings
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "$route: $page.1 renders with warnings: $warnings"
  done
  bash -n "$share/bash-completion/completions/kavro-switch"
  # The changelog speaks to users: no source files, no tests.
  for doc in kavro-switch kavro-switch-config; do
    if zcat "$share/doc/$doc/changelog.gz" | grep -Ein '\.(cpp|h|cmake|sh)\b|\btests?\b|fuzz'; then
      fail "$route: /usr/share/doc/$doc/changelog.gz speaks to developers"
    fi
  done

  local depends_cli depends_window
  depends_cli="$(dpkg-deb -f "$cli" Depends)" depends_window="$(dpkg-deb -f "$window" Depends)"
  echo "package: $route: kavro-switch Depends: $depends_cli; Recommends: $(dpkg-deb -f "$cli" Recommends)"
  echo "package: $route: kavro-switch-config Depends: $depends_window; Recommends: $(dpkg-deb -f "$window" Recommends)"
  for library in libqt6core6 libqt6serialport6; do
    case "$depends_cli" in *"$library "*) ;; *) fail "$route: kavro-switch lacks $library" ;; esac
  done
  case "$depends_cli" in *libqt6gui*|*libqt6widgets*|*libqt6printsupport*|*qpa*) fail "$route: kavro-switch needs a display's libraries" ;; esac
  for library in "kavro-switch (= $version)" libqt6gui6 libqt6widgets6 libqt6svg6 libqt6printsupport6 qt6-qpa-plugins; do
    case "$depends_window" in *"$library"*) ;; *) fail "$route: kavro-switch-config lacks $library" ;; esac
  done
  [ "$(dpkg-deb -f "$cli" Recommends)" = bash-completion ] || fail "$route: kavro-switch does not recommend bash-completion"
  [ "$(dpkg-deb -f "$window" Recommends)" = qt6-wayland ] || fail "$route: kavro-switch-config does not recommend qt6-wayland"
  for deb in "$cli" "$window"; do
    dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq 'inst$|rm$' && fail "$deb: no maintainer scripts expected"
  done
  return 0
}

# A package's files as a layout: mode and path, without sizes or times.
layout() { dpkg-deb -c "$1" | awk '{ print $1, $6, $7, $8 }'; }

check_packages build-deb "$(cli_of "$deb_route")" "$(window_of "$deb_route")"
check_packages cpack "$(cli_of "$cpack_debs")" "$(window_of "$cpack_debs")"
for pick in cli_of window_of; do
  diff <(layout "$($pick "$deb_route")") <(layout "$($pick "$cpack_debs")") >&2 ||
    fail "cpack's $(basename "$($pick "$cpack_debs")") is laid out otherwise than build-deb's"
done
echo "package: cpack's packages from a default configuration hold the files of build-deb's, where build-deb puts them"

if [ "$(id -u)" -ne 0 ]; then
  echo "package: not root, so the packages were not installed, run and purged"
  exit 0
fi
dpkg-query -W -f='${Status}\n' kavro-switch kavro-switch-config 2>/dev/null | grep -q "ok installed" &&
  fail "kavro-switch is installed already: purge it first"
[ -e "$admin_folder" ] && fail "$admin_folder exists already: this check provides its own"
[ -e "$opt_prefix" ] && fail "$opt_prefix exists already: this check installs there"

export DISPLAY=":$((300 + RANDOM % 100))"
Xvfb "$DISPLAY" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
# Starts the window in the background (its pid in $started) and waits
# until it is up.
start_window() {
  "$@" >"$work/window.log" 2>&1 &
  started=$!
  pids+=("$started")
  sleep 3
  kill -0 "$started" 2>/dev/null || { cat "$work/window.log"; fail "the window did not stay up: $*"; }
}
stop_window() { kill "$started"; wait "$started" 2>/dev/null || true; }

# As root: the window PROGRAM's class is what the menu entry says, and
# nothing is written under FOLDER (so no Ports.ini beside it); the
# user's Ports.ini is made in root's own folder.
run_as_root() {
  local program="$1" folder="$2" roothome="$work/root"
  rm -rf "$roothome"
  mkdir -m 700 "$roothome"
  touch "$work/stamp"
  sleep 1
  start_window env HOME="$roothome" XDG_RUNTIME_DIR="$roothome" "$program" --simulator
  local window_id class written
  window_id="$(xwininfo -root -tree | awk '/"Kavro Smart Switch Configuration  -  Version/ { print $1; exit }')"
  [ -n "$window_id" ] || fail "the window is not on the screen"
  class="$(xprop -id "$window_id" WM_CLASS)"
  [ "$class" = "WM_CLASS(STRING) = \"$wm_class\", \"$wm_class\"" ] || fail "$class, while StartupWMClass=$wm_class"
  stop_window
  written="$(find "$folder" -newer "$work/stamp" -print)"
  [ -z "$written" ] || fail "the window ($program) wrote under $folder: $written"
  [ ! -e "$(dirname "$program")/Ports.ini" ] || fail "$(dirname "$program")/Ports.ini was written"
  [ "$(cat "$roothome/.config/KavroSwitch/Ports.ini")" = $'1\r' ] || fail "no Ports.ini in root's configuration folder"
}

install_packages() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$@" >/dev/null
  installed=yes
  mapfile -t packaged < <(dpkg -L kavro-switch kavro-switch-config)
}

# Purged, nothing of either package is left.
purge_packages() {
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 kavro-switch-config kavro-switch >/dev/null
  installed=""
  dpkg-query -W -f='${Status}\n' kavro-switch kavro-switch-config 2>/dev/null | grep -q "installed" &&
    fail "still installed after purge"
  for path in "${packaged[@]}"; do
    [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after purge"
  done
  local left
  left="$(find /usr /etc /var/lib/dpkg/info \( -iname '*kavro*' -o -name Ports.ini -o -name "$app_id*" \) \
    -not -path "$admin_folder*" -print 2>/dev/null)"
  [ -z "$left" ] || fail "left after purge: $left"
}

# cpack's packages from the default configuration.
install_packages "$(cli_of "$cpack_debs")" "$(window_of "$cpack_debs")"
run_as_root /usr/bin/kavro-switch-config /usr
purge_packages
echo "package: cpack: installed, the window run as root wrote nothing under /usr (no /usr/bin/Ports.ini), purged, nothing left"

# build-deb's packages, as root and as a user.
install_packages "$(cli_of "$deb_route")" "$(window_of "$deb_route")"
kavro-switch --version
kavro-switch-config --version
run_as_root /usr/bin/kavro-switch-config /usr
echo "package: build-deb: as root the window writes nothing under /usr; its class is $wm_class"

# A .set file is of the window's type by its name, and by its first record
# without one (xdg-mime asks shared-mime-info); the menu entry opens it.
sample=fuzz/corpus/config_file/demo-switch.set
cp "$sample" "$work/some.set"
cp "$sample" "$work/some-file"
for file in "$work/some.set" "$work/some-file"; do
  type="$(xdg-mime query filetype "$file")"
  [ "$type" = "$mime_type" ] || fail "xdg-mime query filetype $(basename "$file"): $type, not $mime_type"
done
opener="$(xdg-mime query default "$mime_type")"
[ "$opener" = "$app_id.desktop" ] || fail "xdg-mime query default $mime_type: '$opener', not $app_id.desktop"
echo "package: xdg-mime names a .set file's type $mime_type, opened by $opener"

# As a normal user, with a home, a runtime folder and a session bus of its own.
home="$work/home"
mkdir -m 700 "$home"
chown nobody:nogroup "$home"
# The command that runs what follows it as that user ("${as_user[@]}"):
# it ends in exec, so a program started in the background is $!.
bus=""
user_command() {
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env
           env HOME="$home" XDG_RUNTIME_DIR="$home" DISPLAY="$DISPLAY" ${bus:+DBUS_SESSION_BUS_ADDRESS="$bus"})
}
user_command
config="$home/.config/KavroSwitch"
start_window "${as_user[@]}" /usr/bin/kavro-switch-config --simulator
stop_window
[ "$(cat "$config/Ports.ini")" = $'1\r' ] || fail "a first start made no Ports.ini in $config"
[ ! -e "$home/.config/Unknown Organization" ] || fail "settings under Unknown Organization"

# An administrator's Ports.ini names a device (a simulated switch's
# pseudo-terminal): the window opens it, and the user's folder gets no copy.
rm "$config/Ports.ini"
"${as_user[@]}" kavro-switch simulate >"$home/switch" 2>&1 &
pids+=($!)
sleep 1
device="$(head -n 1 "$home/switch")"
mkdir -p "$admin_folder"
touch "$work/admin-made"
printf '1\r\n%s\r\n' "$device" >"$admin_folder/Ports.ini"
"${as_user[@]}" dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
bus="$(sed -n 1p "$work/bus")"
pids+=("$(sed -n 2p "$work/bus")")
user_command
"${as_user[@]}" /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
start_window "${as_user[@]}" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 /usr/bin/kavro-switch-config
ls -l "/proc/$started/fd" | grep -q -- "-> $device\$" || fail "the window did not open $device, named in $admin_folder/Ports.ini"
[ ! -e "$config/Ports.ini" ] || fail "the administrator's Ports.ini was copied to $config"
# "Verify after Send", ticked as a user does, is kept in the user's folder.
"${as_user[@]}" /usr/bin/python3 "$PWD/tests/a11y/atspi_send_check.py" toggle "Verify after Send"
stop_window
grep -qx "verifyAfterSend=true" "$config/kavro-switch-config.conf" || fail "no setting in $config/kavro-switch-config.conf"
# The menu entry's command with a .set file (a double-click in a file
# manager) shows that file's configuration.
cp "$sample" "$home/some.set"
chown nobody:nogroup "$home/some.set"
kavro-switch show --json "$home/some.set" >"$work/some.json"
chmod 644 "$work/some.json"
exec_line="$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")"
start_window "${as_user[@]}" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ${exec_line/\%f/$home/some.set}
"${as_user[@]}" /usr/bin/python3 "$PWD/tests/a11y/atspi_send_check.py" shows "$work/some.json" ||
  fail "kavro-switch-config $home/some.set does not show the file's configuration"
stop_window
[ ! -e "$home/.config/Unknown Organization" ] || fail "settings under Unknown Organization"
written="$(find /usr -newer "$work/stamp" -print)"
[ -z "$written" ] || fail "the window wrote under /usr: $written"
echo "package: build-deb: as a user, Ports.ini and the settings are in $config; an administrator's Ports.ini is read;"
echo "package: kavro-switch-config FILE shows the file's configuration"
rm -r "$admin_folder" "$work/admin-made"  # what follows expects no administrator's file
purge_packages
echo "package: build-deb: installed, checked and purged; nothing is left"

# cmake --install of the default build into a folder of its own under /opt.
mkdir "$opt_prefix"
touch "$work/opt-made"
cmake --install build-cpack --prefix "$opt_prefix" >/dev/null
entry="$opt_prefix/share/applications/$app_id.desktop"
grep -qx "Exec=$opt_prefix/bin/kavro-switch-config %f" "$entry" || fail "$entry does not name the window by its path: $(grep '^Exec=' "$entry")"
[ ! -e "$opt_prefix/share/lintian" ] || fail "a lintian override was installed under $opt_prefix"
run_as_root "$opt_prefix/bin/kavro-switch-config" "$opt_prefix"
cmake --build build-cpack --target uninstall >/dev/null
left="$(find "$opt_prefix" -not -type d -print)"
[ -z "$left" ] || fail "left after the uninstall target: $left"
echo "package: cmake --install --prefix $opt_prefix: the menu entry names $opt_prefix/bin/kavro-switch-config; run as root, nothing written beside it; uninstall leaves no file"
