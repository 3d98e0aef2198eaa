#!/usr/bin/env bash
# The release scripts as a maintainer runs them: scripts/make-medium with a data
# tree of its own and a disc image, its refusals, scripts/sign, and a signed
# wizard starting under Wine.
#
# Writes a Google Test style XML report, so that scripts/test counts its cases,
# into the folder GTEST_OUTPUT names ("xml:DIR/"), test-results/ by default.
# A case whose tools are missing is reported as skipped. Exits non-zero when a
# case failed.
#
# usage: tests/scripts/release_test.sh BIN   (the windows preset's bin folder)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/lib.sh
. "$root/scripts/lib.sh"

[ $# -eq 1 ] || { echo "usage: $0 BIN" >&2; exit 2; }
bin=$(realpath "$1")
report_dir=test-results
case ${GTEST_OUTPUT:-} in xml:*/) report_dir=${GTEST_OUTPUT#xml:} ;; esac

work=$(mktemp -d)
XVFB_PID=
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

# --- A case runs in a subshell; fail records why and ends it, skip ends it too.
fail() {
  echo "$*" >>"$case_dir/failure"
  exit 1
}
skip() {
  echo "$*" >"$case_dir/skipped"
  exit 0
}
need() {
  local t
  for t in "$@"; do command -v "$t" >/dev/null || skip "$t is not installed (scripts/setup installs it)"; done
}
# Runs a command, its output kept in $case_dir/out; fails the case when the
# exit status is not the one expected (0, or "nonzero").
run() {
  local want=$1 rc=0
  shift
  "$@" >"$case_dir/out" 2>&1 || rc=$?
  if [ "$want" = nonzero ] && [ "$rc" -eq 0 ]; then
    fail "$* succeeded; expected a refusal"
  elif [ "$want" = 0 ] && [ "$rc" -ne 0 ]; then
    fail "$* exited $rc: $(tail -3 "$case_dir/out")"
  fi
}
said() { grep -qF -- "$1" "$case_dir/out" || fail "the output does not say \"$1\": $(tail -3 "$case_dir/out")"; }
no_leftovers() {
  [ -z "$(find "$1" -maxdepth 1 -name '.make-medium.*')" ] || fail "a temporary folder was left in $1"
}

results=()
run_case() {
  local name=$1 start end status message=""
  case_dir=$work/$name
  mkdir -p "$case_dir"
  start=$(date +%s.%N)
  ("$name")
  end=$(date +%s.%N)
  if [ -f "$case_dir/skipped" ]; then
    status=skipped message=$(cat "$case_dir/skipped")
  elif [ -f "$case_dir/failure" ]; then
    status=failed message=$(cat "$case_dir/failure")
  else
    status=passed
  fi
  echo "[ $status ] $name${message:+: $message}" >&2
  results+=("$name|$status|$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')|$message")
}

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' | tr '\n' ' '; }

write_report() {
  local r name status time message tests=${#results[@]} failures=0 skipped=0
  for r in "${results[@]}"; do
    case $r in *"|failed|"*) failures=$((failures + 1)) ;; *"|skipped|"*) skipped=$((skipped + 1)) ;; esac
  done
  mkdir -p "$report_dir"
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuites name=\"release_scripts\" tests=\"$tests\" failures=\"$failures\" skipped=\"$skipped\">"
    echo "  <testsuite name=\"ReleaseScripts\" tests=\"$tests\" failures=\"$failures\" skipped=\"$skipped\">"
    for r in "${results[@]}"; do
      IFS='|' read -r name status time message <<<"$r"
      message=$(printf '%s' "$message" | xml_escape)
      case $status in
        passed) echo "    <testcase name=\"$name\" classname=\"ReleaseScripts\" time=\"$time\"/>" ;;
        failed)
          echo "    <testcase name=\"$name\" classname=\"ReleaseScripts\" time=\"$time\">"
          echo "      <failure message=\"$message\"/>"
          echo "    </testcase>"
          ;;
        skipped)
          echo "    <testcase name=\"$name\" classname=\"ReleaseScripts\" time=\"$time\" result=\"skipped\">"
          echo "      <skipped message=\"$message\"/>"
          echo "    </testcase>"
          ;;
      esac
    done
    echo "  </testsuite>"
    echo "</testsuites>"
  } >"$report_dir/release_scripts.xml"
  [ "$failures" -eq 0 ]
}

# --- The maintainer's own parts: names Windows shows in full (long, accented,
# with spaces) that plain ISO 9660 would cut to 8.3 capitals.
long_name='Término municipal de Peñarroya-Pueblonuevo, descripción de la capa (edición 2024).shp'
own_tree() {
  local d=$1
  mkdir -p "$d/Cartografía básica/Años 1990–2000" "$d/exportaciones vacías"
  printf 'geometría' >"$d/Cartografía básica/Años 1990–2000/$long_name"
  head -c 70000 /dev/urandom >"$d/Cartografía básica/ortofoto.tif"
  : >"$d/vacío.txt"
}

MediumFromOwnTreeWithImage() {
  need xorriso iconv
  local m=$case_dir/medio iso=$case_dir/imagen/vorlan.iso f
  own_tree "$case_dir/datos"
  printf 'Léame de VORLAN\nÚltima línea: 25 €\n' >"$case_dir/leeme.txt"
  printf 'setup' >"$case_dir/setup.exe"
  run 0 "$root/scripts/make-medium" "$m" "$bin" --datos "$case_dir/datos" \
    --leeme "$case_dir/leeme.txt" --aplicacion "$case_dir/setup.exe" --iso "$iso"

  diff -r -x SHA256SUMS "$case_dir/datos" "$m/vorlan" >/dev/null || fail "the medium's vorlan/ differs from the data tree"
  cmp -s "$case_dir/setup.exe" "$m/aplicacion/vorlan.exe" || fail "aplicacion/vorlan.exe is not the given setup program"
  cmp -s "$bin/instalar.exe" "$m/instalar.exe" || fail "instalar.exe is not the built wizard"
  printf 'L\xe9ame de VORLAN\r\n\xdaltima l\xednea: 25 \x80\r\n' >"$case_dir/expected"
  cmp -s "$case_dir/expected" "$m/leeme.txt" || fail "leeme.txt is not the readme in Windows-1252 with CR LF"
  no_leftovers "$case_dir"

  # Rock Ridge (what Linux shows) and Joliet (what Windows shows) both hold the full names.
  for f in any norock; do
    xorriso -read_fs "$f" -indev "$iso" -find / 2>/dev/null >"$case_dir/list.$f"
    grep -qF "'/vorlan/Cartografía básica/Años 1990–2000/$long_name'" "$case_dir/list.$f" ||
      fail "the image's tree ($f) lacks the long accented name: $(head -c 600 "$case_dir/list.$f")"
    for f2 in /instalar.exe /leeme.txt /autorun.inf /aplicacion/vorlan.exe "/vorlan/exportaciones vacías" /vorlan/vacío.txt /vorlan/SHA256SUMS; do
      grep -qxF "'$f2'" "$case_dir/list.$f" || fail "the image's tree ($f) lacks $f2"
    done
  done
  xorriso -indev "$iso" -pvd_info 2>/dev/null | grep -qE '^Volume Id +: VORLAN$' || fail "the image's volume label is not VORLAN"
  xorriso -osirrox on -indev "$iso" -extract /autorun.inf "$case_dir/autorun.inf" >/dev/null 2>&1 ||
    fail "autorun.inf cannot be read back from the image"
  grep -q $'^open=instalar.exe\r$' "$case_dir/autorun.inf" && grep -q $'^icon=instalar.exe,0\r$' "$case_dir/autorun.inf" ||
    fail "autorun.inf does not start instalar.exe with its icon: $(cat "$case_dir/autorun.inf")"

  # A readme already in Windows-1252 is taken byte for byte, and the new medium replaces the old.
  printf 'Versi\xf3n 2\r\n' >"$case_dir/leeme-1252.txt"
  run 0 "$root/scripts/make-medium" "$m" "$bin" --datos "$case_dir/datos/Cartografía básica" --leeme "$case_dir/leeme-1252.txt"
  cmp -s "$case_dir/leeme-1252.txt" "$m/leeme.txt" || fail "a Windows-1252 readme was not kept as it is"
  [ -f "$m/vorlan/ortofoto.tif" ] && [ ! -e "$m/vorlan/vacío.txt" ] || fail "the second medium did not replace the first"
  cmp -s "$bin/vorlan_standin.exe" "$m/aplicacion/vorlan.exe" || fail "without --aplicacion the setup program is not the stand-in"
  no_leftovers "$case_dir"
}

RefusalsLeaveNoHalfMedium() {
  need iconv
  local m=$case_dir/medio
  own_tree "$case_dir/datos"
  printf 'Primera línea\nVer → capítulo 2\n' >"$case_dir/leeme-flecha.txt"
  printf 'Léame\n' >"$case_dir/leeme.txt"
  run 0 "$root/scripts/make-medium" "$m" "$bin" --datos "$case_dir/datos" --leeme "$case_dir/leeme.txt"
  (cd "$m" && find . -type f -exec md5sum {} + | sort) >"$case_dir/before"

  for out in "$m" "$case_dir/nuevo"; do
    run nonzero "$root/scripts/make-medium" "$out" "$bin" --datos "$case_dir/no-existe" --leeme "$case_dir/leeme.txt"
    said "$case_dir/no-existe"
    run nonzero "$root/scripts/make-medium" "$out" "$bin" --datos "$case_dir/datos" --leeme "$case_dir/falta.txt"
    said "$case_dir/falta.txt"
    run nonzero "$root/scripts/make-medium" "$out" "$bin" --datos "$case_dir/datos" --leeme "$case_dir/leeme-flecha.txt"
    said "line 2"
    said "U+2192"
  done
  # Data names that the wizard would refuse in SHA256SUMS, and Windows in a folder.
  local bad
  for bad in 'capa.shp:flujo' 'a\b.txt' '.../x.txt' $'caf\xe9.txt' 'Sha256Sums'; do
    rm -rf "$case_dir/raro"
    mkdir -p "$(dirname "$case_dir/raro/$bad")"
    printf 'x' >"$case_dir/raro/$bad"
    for out in "$m" "$case_dir/nuevo"; do
      run nonzero "$root/scripts/make-medium" "$out" "$bin" --datos "$case_dir/raro" --leeme "$case_dir/leeme.txt"
      said "$bad"
    done
  done
  [ ! -e "$case_dir/nuevo" ] || fail "a refused medium was left in $case_dir/nuevo"
  (cd "$m" && find . -type f -exec md5sum {} + | sort) >"$case_dir/after"
  cmp -s "$case_dir/before" "$case_dir/after" || fail "a refusal changed the earlier medium"
  no_leftovers "$case_dir"
}

# The paths SHA256SUMS names, unescaped, each ending in a NUL.
listed_paths() {
  local line
  while IFS= read -r line || [ -n "$line" ]; do
    case $line in
      \\*) printf '%b\0' "${line:67}" ;; # the name's \\, \n and \r undone
      *) printf '%s\0' "${line:66}" ;;
    esac
  done <"$1"
}

ChecksumListChecksWithSha256sum() {
  need iconv
  local d=$case_dir/datos m=$case_dir/medio name
  own_tree "$d"
  # Names that sha256sum escapes or that look like its own syntax, byte order
  # against accents and capitals, a deeper list of the same name, and a stale
  # list that must not survive.
  mkdir -p "$d/ñandú/otro"
  for name in $'línea\nnueva.txt' $'retorno\rcarro.txt' '*estrella.txt' ' espacio inicial.txt' '-guion.txt' \
    'comillas "dobles" y '\''simples'\''.txt' '#almohadilla' B a á ñandú/otro/SHA256SUMS; do
    printf '%s' "$name" >"$d/$name"
  done
  printf '0000  viejo.txt\n' >"$d/SHA256SUMS"
  printf 'Léame\n' >"$case_dir/leeme.txt"
  run 0 "$root/scripts/make-medium" "$m" "$bin" --datos "$d" --leeme "$case_dir/leeme.txt"

  local list=$m/vorlan/SHA256SUMS
  [ -f "$list" ] || fail "the medium has no vorlan/SHA256SUMS"
  (cd "$m/vorlan" && sha256sum -c --strict SHA256SUMS) >"$case_dir/out" 2>&1 ||
    fail "sha256sum -c refuses the list: $(grep -v ': OK$' "$case_dir/out" | head -3)"
  iconv -f UTF-8 -t UTF-8 "$list" >/dev/null 2>&1 || fail "the list is not UTF-8"
  ! grep -q $'\r' "$list" || fail "the list has a carriage return (CR LF line ends, or a name not escaped)"
  # Every file but the list itself, once, sorted by path in byte order.
  listed_paths "$list" >"$case_dir/listed"
  (cd "$m/vorlan" && find . -type f ! -path ./SHA256SUMS -printf '%P\0' | LC_ALL=C sort -z) >"$case_dir/expected"
  cmp -s "$case_dir/listed" "$case_dir/expected" ||
    fail "the list's paths are not the tree's files in byte order: $(tr '\0' '|' <"$case_dir/listed" | head -c 600)"

  # What the list is for: a file cut short and a file gone are both named.
  truncate -s 100 "$m/vorlan/Cartografía básica/ortofoto.tif"
  rm "$m/vorlan/Cartografía básica/Años 1990–2000/$long_name"
  run nonzero env -C "$m/vorlan" sha256sum -c SHA256SUMS
  said "Cartografía básica/ortofoto.tif: FAILED"
  said "$long_name: FAILED open or read"

  # The demo medium carries one too.
  run 0 "$root/scripts/make-medium" "$case_dir/demo" "$bin"
  (cd "$case_dir/demo/vorlan" && sha256sum -c --strict --quiet SHA256SUMS) >"$case_dir/out" 2>&1 ||
    fail "the demo medium's list does not check: $(head -3 "$case_dir/out")"
  [ "$(wc -l <"$case_dir/demo/vorlan/SHA256SUMS")" -eq "$(find "$case_dir/demo/vorlan" -type f ! -name SHA256SUMS | wc -l)" ] ||
    fail "the demo medium's list does not name every file"
}

# A throwaway self-signed code-signing certificate: cert.pem and cert.pfx.
make_certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Pruebas de VORLAN" \
    -addext extendedKeyUsage=codeSigning -keyout "$1/key.pem" -out "$1/cert.pem" >/dev/null 2>&1 &&
    openssl pkcs12 -export -inkey "$1/key.pem" -in "$1/cert.pem" -passout pass:clave-de-prueba \
      -out "$1/cert.pfx" >/dev/null 2>&1 || fail "openssl could not make a test certificate"
}

SignWithCertificate() {
  need openssl osslsigncode
  make_certificate "$case_dir"
  local exe=$case_dir/instalar.exe
  cp "$bin/instalar.exe" "$exe"

  run nonzero env -u VORLAN_PFX -u VORLAN_PFX_PASSWORD "$root/scripts/sign" "$exe"
  said VORLAN_PFX
  run nonzero env -u VORLAN_PFX_PASSWORD VORLAN_PFX="$case_dir/cert.pfx" "$root/scripts/sign" "$exe"
  said VORLAN_PFX_PASSWORD
  run nonzero env VORLAN_PFX="$case_dir/cert.pfx" VORLAN_PFX_PASSWORD=otra "$root/scripts/sign" "$exe"
  cmp -s "$bin/instalar.exe" "$exe" || fail "a failed signing changed the program"

  run 0 env -u VORLAN_TIMESTAMP_URL VORLAN_PFX="$case_dir/cert.pfx" VORLAN_PFX_PASSWORD=clave-de-prueba "$root/scripts/sign" "$exe"
  run 0 osslsigncode verify -CAfile "$case_dir/cert.pem" -in "$exe"
  said "Succeeded"
  [ -z "$(find "$case_dir" -maxdepth 1 -name '.sign.*')" ] || fail "signing left a temporary folder"
}

SignedMediumStartsUnderWine() {
  need openssl osslsigncode wine
  make_certificate "$case_dir"
  local m=$case_dir/medio pid i shown=
  printf 'Léame\n' >"$case_dir/leeme.txt"
  mkdir -p "$case_dir/datos"
  printf 'x' >"$case_dir/datos/capa.shp"
  run 0 env -u VORLAN_TIMESTAMP_URL VORLAN_PFX="$case_dir/cert.pfx" VORLAN_PFX_PASSWORD=clave-de-prueba \
    "$root/scripts/make-medium" "$m" "$bin" --datos "$case_dir/datos" --leeme "$case_dir/leeme.txt"
  run 0 osslsigncode verify -CAfile "$case_dir/cert.pem" -in "$m/instalar.exe"

  if [ -z "${DISPLAY:-}" ]; then
    need Xvfb xdpyinfo
    # This case runs in a subshell: the script's own exit trap would not end it.
    trap 'stop_xvfb' EXIT
    start_xvfb || skip "Xvfb does not start"
  fi
  wine_env "$root"
  [ -f "$WINEPREFIX/system.reg" ] || wine_prepare
  need xwininfo
  (cd "$m" && exec wine instalar.exe) >"$case_dir/wine.log" 2>&1 &
  pid=$!
  # The wizard's top-level window carries its title; a program that does not
  # load (a broken signature table, say) never shows it.
  for i in $(seq 100); do
    if xwininfo -root -tree 2>/dev/null | grep -qF '"Instalar la aplicación VORLAN"'; then
      shown=1
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 1
  local alive=0
  kill -0 "$pid" 2>/dev/null && alive=1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ "$alive" = 1 ] || fail "the signed wizard ended by itself: $(tail -3 "$case_dir/wine.log")"
  [ -n "$shown" ] || fail "the signed wizard's window did not appear"
  ! grep -qiE 'unhandled exception|page fault|crash' "$case_dir/wine.log" ||
    fail "Wine reports a crash: $(grep -iE 'unhandled exception|page fault|crash' "$case_dir/wine.log" | head -2)"
}

for f in instalar.exe vorlan_standin.exe; do
  [ -f "$bin/$f" ] || { echo "release_test: $bin/$f is missing; build the windows preset first" >&2; exit 1; }
done
run_case MediumFromOwnTreeWithImage
run_case RefusalsLeaveNoHalfMedium
run_case ChecksumListChecksWithSha256sum
run_case SignWithCertificate
run_case SignedMediumStartsUnderWine
write_report
