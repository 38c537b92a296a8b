#!/usr/bin/env bash
# Builds OpenVDB and the libraries it needs as static mingw-w64 libraries for the Windows
# cacheconv.exe and vdbbridge_x64.dll, from Debian's own source packages:
#   lz4, c-blosc (with LZ4), onetbb (libtbb12.a), openvdb (core only);
#   zlib comes from libz-mingw-w64-dev, Boost as headers only from libboost-dev.
# The result lands in /var/cache/fumara/windows-deps/<key>, where the key hashes the package
# versions, the patches in scripts/windows-deps/, this script, the toolchain file and the compilers.
# A prefix that is already complete is reused without any download or build.
#   scripts/build-windows-deps.sh                 build if needed, print the prefix (progress: stderr)
#   scripts/build-windows-deps.sh --print-prefix  print the prefix only (built or not)
# Set OVR_WINDOWS_DEPS_CACHE to use another cache folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
patches="$root/scripts/windows-deps"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
cache=${OVR_WINDOWS_DEPS_CACHE:-/var/cache/fumara/windows-deps}
jobs=$(nproc)

# Source package versions of Debian 12; the patches are made for these.
packages=(lz4=1.9.4-1 c-blosc=1.21.3+ds-1 onetbb=2021.8.0-2+deb12u1 openvdb=10.0.1-2)

fail() { echo "build-windows-deps: $*" >&2; exit 1; }

boost_version=$(dpkg-query -W -f='${Version}' libboost1.74-dev 2>/dev/null) \
  || fail "libboost1.74-dev is not installed (scripts/setup.sh installs it)"
key=$( {
  printf '%s\n' "${packages[@]}" "boost $boost_version"
  cat "$0" "$toolchain" "$patches"/*.patch
  x86_64-w64-mingw32-g++-posix --version | head -1
} | sha256sum | cut -c1-16)
prefix="$cache/$key"

case "${1:-}" in
  --print-prefix) echo "$prefix"; exit 0 ;;
  "") ;;
  *) fail "unknown option \"$1\" (--print-prefix or none)" ;;
esac

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

# apt-get source needs the deb-src lines of the sources the machine already uses.
ensure_source_index() {
  local list=/etc/apt/sources.list.d/fumara-deb-src.sources
  if [ ! -f "$list" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "== adding deb-src entries ($list)" >&2
    sed -n '/^Types:.*\bdeb\b/,/^$/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null \
      | sed 's/^Types:.*/Types: deb-src/' >"$list.new"
    [ -s "$list.new" ] || fail "no Debian entry in /etc/apt/sources.list.d/debian.sources to copy for deb-src"
    mv "$list.new" "$list"
  fi
  apt-cache showsrc onetbb 2>/dev/null | grep -q '^Package:' && return 0
  apt-get update -qq || fail "apt-get update failed"
}

# Fetches one package as name=version into the current folder. A Debian tarball missing on the
# mirror is tolerated (only the upstream tarball is built); the .dsc and the upstream tarball are
# required, and are checked against the .dsc's SHA-256 sums (apt checks the .dsc itself).
fetch() {
  local name=${1%%=*} version=${1#*=}
  local dsc="${name}_${version#*:}.dsc"
  apt-get source --download-only -qq "$1" >fetch.log 2>&1 || true
  [ -f "$dsc" ] || { cat fetch.log >&2; fail "cannot fetch the source package $1"; }
  local orig
  orig=$(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dsc" | awk '/\.orig\.tar\./{print $3}')
  [ -n "$orig" ] && [ -f "$orig" ] || { cat fetch.log >&2; fail "the upstream tarball of $1 is missing"; }
  sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dsc" | awk -v f="$orig" '$3 == f {print $1 "  " $3}' \
    | sha256sum --check --quiet || fail "checksum mismatch for $orig"
  mkdir "src-$name"
  tar -xf "$orig" -C "src-$name" --strip-components=1
  local p
  for p in "$patches/$name"-*.patch; do
    [ -f "$p" ] || continue
    patch -d "src-$name" -p1 --quiet --forward <"$p" || fail "patch $(basename "$p") does not apply"
  done
}

# build <package> <cmake source subfolder> <cmake options>...: configure, build, install.
build() {
  local name=$1 sub=$2
  shift 2
  echo "== building $name" >&2
  cmake -S "src-$name/$sub" -B "build-$name" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DOVR_WINDOWS_DEPS="$stage" -DCMAKE_PREFIX_PATH="$stage" \
    -DCMAKE_INSTALL_PREFIX="$stage" -DBUILD_SHARED_LIBS=OFF "$@" >"build-$name.log" 2>&1 \
    || { tail -30 "build-$name.log" >&2; fail "configuring $name failed"; }
  cmake --build "build-$name" -j "$jobs" >>"build-$name.log" 2>&1 \
    && cmake --install "build-$name" >>"build-$name.log" 2>&1 \
    || { tail -30 "build-$name.log" >&2; fail "building $name failed"; }
}

started=$(date +%s)
work=$(mktemp -d "$cache/.work.XXXXXX")
stage="$prefix.partial"
trap 'rm -rf "$work" "$stage"' EXIT
rm -rf "$stage"
mkdir -p "$stage/include"
ln -s /usr/include/boost "$stage/include/boost"
cd "$work"
ensure_source_index
for p in "${packages[@]}"; do fetch "$p"; done

build lz4 build/cmake -DBUILD_STATIC_LIBS=ON -DLZ4_BUILD_CLI=OFF -DLZ4_BUILD_LEGACY_LZ4C=OFF
build c-blosc . -DBUILD_SHARED=OFF -DBUILD_STATIC=ON -DBUILD_TESTS=OFF -DBUILD_FUZZERS=OFF \
  -DBUILD_BENCHMARKS=OFF -DPREFER_EXTERNAL_LZ4=ON -DDEACTIVATE_SNAPPY=ON -DDEACTIVATE_ZLIB=ON \
  -DDEACTIVATE_ZSTD=ON
build onetbb . -DTBB_TEST=OFF -DTBB_EXAMPLES=OFF -DTBB_STRICT=OFF -DTBBMALLOC_BUILD=OFF
# The core library only; explicit instantiation would overflow the assembler's COFF string table.
build openvdb . -DOPENVDB_BUILD_BINARIES=OFF -DOPENVDB_BUILD_PYTHON_MODULE=OFF \
  -DOPENVDB_BUILD_UNITTESTS=OFF -DOPENVDB_BUILD_DOCS=OFF -DOPENVDB_BUILD_AX=OFF \
  -DOPENVDB_BUILD_NANOVDB=OFF -DOPENVDB_CORE_SHARED=OFF -DOPENVDB_CORE_STATIC=ON \
  -DOPENVDB_USE_DELAYED_LOADING=OFF -DOPENVDB_ENABLE_UNINSTALL=OFF -DUSE_CCACHE=OFF \
  -DUSE_BLOSC=ON -DUSE_ZLIB=ON -DUSE_EXR=OFF -DUSE_PNG=OFF -DUSE_LOG4CPLUS=OFF -DUSE_IMATH_HALF=OFF \
  -DUSE_STATIC_DEPENDENCIES=ON -DUSE_EXPLICIT_INSTANTIATION=OFF \
  -DOPENVDB_DISABLE_BOOST_IMPLICIT_LINKING=OFF -DCMAKE_CXX_FLAGS="-Wa,-mbig-obj"

touch "$stage/.complete"
mv "$stage" "$prefix"
echo "== Windows dependencies built in $(( $(date +%s) - started )) s" >&2
echo "$prefix"
