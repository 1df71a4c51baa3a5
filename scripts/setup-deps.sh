#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Only what is
# missing is installed, so running it again costs a dpkg query and nothing more.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev
  libx11-dev libxtst-dev xvfb xdotool x11-utils imagemagick
  python3 python3-pil fonts-liberation2
  dpf-plugins-vst zam-plugins midicsv valgrind hyperfine
  dpkg-dev help2man lintian
  ardour
  lv2-dev lilv-utils liblilv-dev libsuil-dev
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
# Other installs may be running on the same machine: wait for the lock.
apt_opts=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${apt_opts[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
