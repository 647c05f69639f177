#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, if any is missing.
set -eu
pkgs=(cmake ninja-build g++ make clang libclang-rt-14-dev clang-format clang-tidy
      g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
      wine64 xvfb xcompmgr x11-apps x11-utils imagemagick xdotool
      libstb-dev libutfcpp-dev googletest wixl locales fonts-vlgothic fonts-wqy-microhei)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The settings window's tests run the program in each of its languages: Wine takes the
# language from the locale, which must exist.
for loc in en_US fr_FR ja_JP; do
    locale -a 2>/dev/null | grep -qx "${loc}.utf8" || $sudo localedef -i "$loc" -f UTF-8 "${loc}.UTF-8"
done
