#!/bin/bash
# The release command: builds the release executable (the test hooks cannot be on), checks
# its headers, signs it with the caller's certificate and key, verifies the signature and
# prints the signed file's MD5 and its release key (the form the update configuration
# publishes).
#
#   scripts/release.sh [--twice] CERT.pem KEY.pem [-DVORN_SERVICE_HOST=... other settings]
#
# --twice builds a second time in another folder and stops unless both files are the same
# bytes. VORN_RELEASE_DIR is the build folder (default build/release); the signed file is
# written to its dist/Zelqa7.exe. VORN_SIGN_PASS is the key's pass phrase, if it has one;
# VORN_SIGN_CA the certificates that verify the signer (default: the signer's certificate,
# for a self-signed one).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
twice=0
if [ "${1:-}" = "--twice" ]; then
  twice=1
  shift
fi
cert="${1:?usage: scripts/release.sh [--twice] CERT.pem KEY.pem [-D settings]}"
key="${2:?usage: scripts/release.sh [--twice] CERT.pem KEY.pem [-D settings]}"
shift 2
for setting in "$@"; do
  case "$setting" in
    -DVORN_TEST_HOOKS*|-DVORN_RELEASE*|-DCMAKE_BUILD_TYPE*|-DCMAKE_TOOLCHAIN_FILE*)
      echo "release.sh: $setting is the release command's own setting" >&2
      exit 2 ;;
    -D*) ;;
    *) echo "release.sh: only -D settings may follow the certificate and key: $setting" >&2; exit 2 ;;
  esac
done
for file in "$cert" "$key"; do
  [ -r "$file" ] || { echo "release.sh: cannot read $file" >&2; exit 2; }
done
command -v osslsigncode >/dev/null || { echo "release.sh: osslsigncode is missing (scripts/setup-debian.sh)" >&2; exit 2; }

dir="$(realpath -m "${VORN_RELEASE_DIR:-$repo/build/release}")"

build() {
  local into="$1"
  shift
  # A fresh folder each time: nothing of an earlier configuration (a cached option) can
  # reach the release.
  rm -rf "$into"
  cmake -S "$repo" -B "$into" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORN_TEST_HOOKS=OFF -DVORN_RELEASE=ON "$@" >/dev/null
  cmake --build "$into" --target Zelqa7 >/dev/null
}

echo "== building the release in $dir"
build "$dir" "$@"
exe="$dir/res/Zelqa7.exe"
cd "$repo"
python3 -m tests.e2e.pe_image check "$exe"
# Never a development build, whatever the configuration said.
python3 - "$exe" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
if "(development build)".encode("utf-16-le") in data or "(development build)".encode() in data:
    sys.exit("release.sh: the executable is a development build")
EOF

if [ "$twice" -eq 1 ]; then
  again="$dir-again"
  echo "== building it again in $again"
  build "$again" "$@"
  if ! cmp "$exe" "$again/res/Zelqa7.exe"; then
    echo "release.sh: two builds of the same sources differ" >&2
    exit 1
  fi
  echo "== both builds are the same $(stat -c %s "$exe") bytes"
  rm -rf "$again"
fi

mkdir -p "$dir/dist"
signed="$dir/dist/Zelqa7.exe"
rm -f "$signed"
echo "== signing"
osslsigncode sign -certs "$cert" -key "$key" ${VORN_SIGN_PASS:+-pass "$VORN_SIGN_PASS"} \
  -h sha256 -n "Vorn - Mirelund" -in "$exe" -out "$signed" >/dev/null
osslsigncode verify -in "$signed" -CAfile "${VORN_SIGN_CA:-$cert}" >"$dir/verify.log" 2>&1 || {
  cat "$dir/verify.log" >&2
  echo "release.sh: the signature does not verify" >&2
  exit 1
}
echo "== signature verified"
python3 - "$signed" <<'EOF'
import sys
from tools.standin.formats import file_md5_hex, make_version_key
print("file:        %s" % sys.argv[1])
print("MD5:         %s" % file_md5_hex(sys.argv[1]))
print("release key: %s" % make_version_key(sys.argv[1]))
EOF
