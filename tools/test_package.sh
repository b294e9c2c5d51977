#!/usr/bin/env bash
# Builds the Debian package from a Release build and tries it on this machine:
# lintian, installing it with apt-get, the menu entry, the AppStream metainfo,
# the manual page, a conversion to PDF by the installed program (which must read
# /etc/relantomador/preview.ini), and its removal. Installing needs root; as
# another user it says so and does nothing. It never leaves the package installed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "== package: skipped (installing the package needs root)"
  exit 0
fi
if dpkg-query -W -f='${Status}' relantomador 2>/dev/null | grep -q 'install ok installed'; then
  echo "== package: relantomador is installed on this machine already; not touching it" >&2
  exit 1
fi
started=$SECONDS
echo "== package: Release build"
dir=$(tools/build.sh package relantomador | tail -n 1)
rm -f "$dir"/relantomador_*.deb
cmake --build "$dir" --target package >/dev/null
debs=("$dir"/relantomador_*.deb)
deb=${debs[0]}
echo "== package: $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "no Qt in Depends" >&2; exit 1; }

echo "== package: lintian"
lintian --fail-on error "$deb"

work=$(mktemp -d)
settings=/etc/relantomador/preview.ini
installed=0
cleanup() {
  [ -f "$work/own-settings" ] && rm -f "$settings" && rmdir --ignore-fail-on-non-empty /etc/relantomador
  if [ "$installed" = 1 ]; then dpkg -r relantomador >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== package: apt-get install"
(cd "$dir" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends "./$(basename "$deb")") >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; exit 1; }
installed=1
dpkg -L relantomador >"$work/files"

desktop-file-validate /usr/share/applications/relantomador.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.example.relantomador.metainfo.xml
# The page is in man's path, renders without a groff warning, and names the window option.
man -w relantomador | grep -q '^/usr/share/man/man1/relantomador.1.gz$'
MANWIDTH=80 man --warnings -l /usr/share/man/man1/relantomador.1.gz 2>"$work/man.err" | grep -q -- '--keep'
if [ -s "$work/man.err" ]; then cat "$work/man.err" >&2; exit 1; fi

echo "== package: /usr/bin/relantomador --export"
# As on a fresh desk: the user's folders are empty, and the administrator's
# settings file says A4, so the page size proves which file was read.
if [ ! -e "$settings" ]; then
  mkdir -p /etc/relantomador
  printf '[config]\r\npapel=A4\r\n' >"$settings"
  touch "$work/own-settings"
fi
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# The installed program as a user starts it: in the work folder, with fresh user folders.
as_user() {
  (cd "$work" && env -u RELANTOMADOR_SYSTEM_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$@")
}
cp examples/ledger-132.txt "$work/report.txt"
as_user /usr/bin/relantomador report.txt 132 paisagem --export "$work/report.pdf"
[ -f "$work/report.txt" ]
qpdf --check "$work/report.pdf" >/dev/null
if [ -f "$work/own-settings" ]; then
  pdfinfo "$work/report.pdf" | grep -q '^Page size:.*(A4)' ||
    { pdfinfo "$work/report.pdf" >&2; echo "the installed program did not read $settings" >&2; exit 1; }
fi

echo "== package: the menu entry's command keeps the file, the calling programs' does not"
# The window draws itself into RELANTOMADOR_SCREENSHOT once laid out, then closes.
read -r -a command < <(sed -n 's/^Exec=//p' /usr/share/applications/relantomador.desktop)
command=("${command[@]/\%f/$work/report.txt}")
RELANTOMADOR_SCREENSHOT="$work/window.png" as_user "${command[@]}"
if [ ! -s "$work/window.png" ] || [ ! -f "$work/report.txt" ]; then
  echo "${command[*]}: the window did not show, or the file is gone" >&2
  exit 1
fi
RELANTOMADOR_SCREENSHOT="$work/window.png" as_user /usr/bin/relantomador report.txt 132 paisagem
[ ! -e "$work/report.txt" ] || { echo "the viewer did not delete the calling program's file" >&2; exit 1; }

echo "== package: dpkg -r"
dpkg -r relantomador >/dev/null
installed=0
status=$(dpkg-query -W -f='${db:Status-Abbrev}' relantomador 2>/dev/null || true)
case "$status" in un* | "") ;; *) echo "still known to dpkg after removal: $status" >&2; exit 1 ;; esac
left=0
while read -r path; do
  if [ -f "$path" ]; then echo "left after removal: $path" >&2; left=1; fi
done <"$work/files"
[ "$left" = 0 ]
echo "== package: passed in $((SECONDS - started)) s"
