#!/usr/bin/env bash
# Makes the two Debian packages (scripts/build-deb.sh) and checks them as a
# Debian maintainer would:
#  - lintian finds no error and no warning (information tags are shown);
#  - what a desktop reads validates (menu entry, AppStream metainfo, the
#    type of .set files, manual pages, bash completion, icons), all named
#    by the one application id;
#  - kavro-switch depends on Qt Core and Qt Serial Port only, and
#    kavro-switch-config on it.
# As root (CI) it goes on: installs both packages; runs the window as root
# under a virtual X server (its window class is the menu entry's
# StartupWMClass) and finds nothing written under /usr; finds that
# xdg-mime names a .set file's type application/x-kavro-switch-config (by
# its name, and by its first record without one) and the menu entry as
# what opens it; as a normal user
# (nobody, with a home of its own) finds Ports.ini and the settings where
# the manual page says: a first start makes the user's Ports.ini, an
# administrator's file in /etc/xdg is read and not copied, and a ticked
# "Verify after Send" is kept in the user's KavroSwitch folder, and the
# menu entry's command given a .set file shows that file's configuration
# (heard through the accessibility bus); then purges both packages and
# finds nothing of them left.
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root_checks=(xvfb xauth x11-utils dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
             shared-mime-info xdg-utils libfile-mimeinfo-perl)
scripts/install-deps.sh --only lintian desktop-file-utils appstream man-db groff-base "${root_checks[@]}"
fail() { echo "package: $*" >&2; exit 1; }

built="$(scripts/build-deb.sh)"
cli="$(grep '/kavro-switch_[^/]*\.deb$' <<<"$built")" window="$(grep '/kavro-switch-config_[^/]*\.deb$' <<<"$built")"
version="$(dpkg-deb -f "$window" Version)"

status=0
report="$(lintian --fail-on error,warning --display-info --pedantic "$cli" "$window" 2>&1)" || status=$?
grep -v "running with root privileges" <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"
echo "package: lintian finds no error or warning"

# What the packages hold, unpacked side by side.
work="$(mktemp -d)"
chmod 711 "$work"  # the normal user's home is inside
pids=()
installed=""
admin_folder=/etc/xdg/KavroSwitch
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kavro-switch-config kavro-switch >/dev/null 2>&1
  [ -f "$work/admin-made" ] && rm -rf "$admin_folder"
  rm -rf "$work"
}
trap cleanup EXIT
tree="$work/tree"
for deb in "$cli" "$window"; do dpkg-deb -x "$deb" "$tree"; done
share="$tree/usr/share"
metainfo=("$share"/metainfo/*.metainfo.xml)
app_id="$(basename "${metainfo[0]}" .metainfo.xml)"
desktop="$share/applications/$app_id.desktop"
[ -f "$desktop" ] || fail "no menu entry $app_id.desktop beside the metainfo $app_id"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "${metainfo[0]}"
grep -q "<id>$app_id</id>" "${metainfo[0]}" && grep -q "<launchable type=\"desktop-id\">$app_id.desktop<" "${metainfo[0]}" ||
  fail "the metainfo's id or launchable is not $app_id"
grep -qx "Icon=$app_id" "$desktop" || fail "the menu entry's icon is not $app_id"
for size in 16x16 32x32 48x48 256x256; do test -s "$share/icons/hicolor/$size/apps/$app_id.png"; done
test -s "$share/icons/hicolor/scalable/apps/$app_id.svg"
if grep -Eo 'https?://[^<" ]+' "${metainfo[0]}" "$desktop"; then fail "the menu entry or metainfo names an address"; fi
wm_class="$(sed -n 's/^StartupWMClass=//p' "$desktop")"
# .set files: their type, and the menu entry opening one given as %f.
mime_type=application/x-kavro-switch-config
grep -qx "MimeType=$mime_type;" "$desktop" && grep -Eq '^Exec=kavro-switch-config %f$' "$desktop" ||
  fail "the menu entry opens no $mime_type file"
mkdir -p "$work/mime/packages"
cp "$share/mime/packages/$app_id.xml" "$work/mime/packages/"
XDG_DATA_DIRS="$work" update-mime-database "$work/mime"  # a database of the package alone
grep -qx "50:$mime_type:\*\.set" "$work/mime/globs2" || fail "$app_id.xml gives .set files no type"
for page in kavro-switch kavro-switch-config; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
done
bash -n "$share/bash-completion/completions/kavro-switch"

depends_cli="$(dpkg-deb -f "$cli" Depends)" depends_window="$(dpkg-deb -f "$window" Depends)"
echo "package: kavro-switch Depends: $depends_cli"
echo "package: kavro-switch-config Depends: $depends_window"
for library in libqt6core6 libqt6serialport6; do
  case "$depends_cli" in *"$library "*) ;; *) fail "kavro-switch lacks $library" ;; esac
done
case "$depends_cli" in *libqt6gui*|*libqt6widgets*|*qpa*) fail "kavro-switch needs a display's libraries" ;; esac
for library in "kavro-switch (= $version)" libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
  case "$depends_window" in *"$library"*) ;; *) fail "kavro-switch-config lacks $library" ;; esac
done
for deb in "$cli" "$window"; do
  dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq 'inst$|rm$' && fail "$deb: no maintainer scripts expected"
done

if [ "$(id -u)" -ne 0 ]; then
  echo "package: not root, so the packages were not installed, run and purged"
  exit 0
fi
dpkg-query -W -f='${Status}\n' kavro-switch kavro-switch-config 2>/dev/null | grep -q "ok installed" &&
  fail "kavro-switch is installed already: purge it first"
[ -e "$admin_folder" ] && fail "$admin_folder exists already: this check provides its own"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$cli" "$window" >/dev/null
installed=yes
kavro-switch --version
kavro-switch-config --version
mapfile -t packaged < <(dpkg -L kavro-switch kavro-switch-config)

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

# As root: the window's class is what the menu entry says, and nothing is
# written under /usr; the user's Ports.ini is made in root's own folder.
touch "$work/stamp"
sleep 1
roothome="$work/root"
mkdir -m 700 "$roothome"
start_window env HOME="$roothome" XDG_RUNTIME_DIR="$roothome" /usr/bin/kavro-switch-config --simulator
window_id="$(xwininfo -root -tree | awk '/"Kavro Smart Switch Configuration  -  Version/ { print $1; exit }')"
[ -n "$window_id" ] || fail "the window is not on the screen"
class="$(xprop -id "$window_id" WM_CLASS)"
[ "$class" = "WM_CLASS(STRING) = \"$wm_class\", \"$wm_class\"" ] || fail "$class, while StartupWMClass=$wm_class"
stop_window
written="$(find /usr -newer "$work/stamp" -print)"
[ -z "$written" ] || fail "the window wrote under /usr: $written"
[ "$(cat "$roothome/.config/KavroSwitch/Ports.ini")" = $'1\r' ] || fail "no Ports.ini in root's configuration folder"
echo "package: as root the window writes nothing under /usr; its class is $wm_class"

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
echo "package: as a user, Ports.ini and the settings are in $config; an administrator's Ports.ini is read;"
echo "package: kavro-switch-config FILE shows the file's configuration"

# Purged, nothing of either package is left.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 kavro-switch-config kavro-switch >/dev/null
installed=""
dpkg-query -W -f='${Status}\n' kavro-switch kavro-switch-config 2>/dev/null | grep -q "installed" &&
  fail "still installed after purge"
for path in "${packaged[@]}"; do
  [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after purge"
done
left="$(find /usr /etc /var/lib/dpkg/info \( -iname '*kavro*' -o -name Ports.ini -o -name "$app_id*" \) \
  -not -path "$admin_folder*" -print 2>/dev/null)"
[ -z "$left" ] || fail "left after purge: $left"
echo "package: installed, checked and purged; nothing is left"
