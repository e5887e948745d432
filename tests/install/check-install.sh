#!/usr/bin/env bash
# usage: check-install.sh BUILD_DIR SOURCE_DIR CXX CMAKE
# Each clients/*.cpp here and each tests/<suite>/client/*.cpp names the pkg-config modules it
# needs on a "// pkg-config:" line; it is built against the installed files only and must
# exit 0.
set -euo pipefail
build=$1 src=$2 cxx=$3 cmake=$4
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >"$prefix/install.log"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"

status=0
for client in "$src"/clients/*.cpp "$src"/../*/client/*.cpp; do
  [ -e "$client" ] || continue
  name=$(basename "$(dirname "$(dirname "$client")")")_$(basename "$client" .cpp)
  modules=$(sed -n 's|^// pkg-config: *||p' "$client")
  if ! pkg-config --exists $modules; then
    echo "FAIL $name: pkg-config cannot find: $modules"; status=1; continue
  fi
  if ! "$cxx" -std=c++20 "$client" -o "$prefix/$name" $(pkg-config --cflags --libs $modules); then
    echo "FAIL $name: does not build against the installed headers and libraries"; status=1; continue
  fi
  if (cd "$prefix" && "./$name"); then
    echo "ok   $name ($modules)"
  else
    echo "FAIL $name: exited non-zero"; status=1
  fi
done

# The CMake package configurations: one project that finds every installed library.
packages=$(cd "$prefix/lib/cmake" && ls)
"$cmake" -S "$src/cmake-client" -B "$prefix/cmake-client" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" "-DKV_PACKAGES=$(echo $packages | tr ' ' ';')" >"$prefix/cmake-client.log" 2>&1 \
  && "$cmake" --build "$prefix/cmake-client" >>"$prefix/cmake-client.log" 2>&1 \
  && echo "ok   find_package($(echo $packages))" \
  || { cat "$prefix/cmake-client.log"; echo "FAIL find_package"; status=1; }
exit $status
