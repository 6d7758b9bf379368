# Shared by tools/test.sh and tools/run.sh: install what is missing, then
# build with the one configuration both use.

millplan_packages=(mingw-w64 g++-mingw-w64-x86-64-posix cmake ninja-build wine wine64 xvfb xauth
                   googletest python3 imagemagick)

millplan_install() {
  local missing=()
  local p
  for p in "${millplan_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

millplan_build() {
  local root build
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  build="$root/build"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DPython3_EXECUTABLE=/usr/bin/python3
  fi
  cmake --build "$build" -j2
}

# The simulated looms and host listen on port 80 of loopback addresses; a
# user other than root may bind it only below the unprivileged port start.
millplan_allow_port80() {
  [ "$(id -u)" -eq 0 ] && return 0
  local start
  start=$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 0)
  [ "$start" -le 80 ] && return 0
  echo "Allowing port 80 for the simulated looms (net.ipv4.ip_unprivileged_port_start=80)"
  sudo sysctl -q -w net.ipv4.ip_unprivileged_port_start=80
}
