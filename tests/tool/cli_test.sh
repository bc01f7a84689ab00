#!/usr/bin/env bash
# The built setupdat program end to end: help, a pack, the exit codes 0, 1 and 2, and that a
# refused pack writes nothing. Usage: cli_test.sh PATH_TO_SETUPDAT
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect CODE DESCRIPTION COMMAND...: runs the command, output to files, and checks its code.
expect() {
  local want=$1 what=$2
  shift 2
  "$@" >"$work/stdout" 2>"$work/stderr"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"
    sed 's/^/  out: /' "$work/stdout" | head -20
    sed 's/^/  err: /' "$work/stderr" | head -20
    failures=$((failures + 1))
  fi
}

# contains stdout|stderr TEXT DESCRIPTION: checks the output of the last command.
contains() {
  if ! grep -qF -- "$2" "$work/$1"; then
    echo "FAIL: $3: '$2' not in $1"
    failures=$((failures + 1))
  fi
}

mkdir -p "$work/src/Formula/Extra"
printf 'read me' >"$work/src/Readme.txt"
printf 'lambda' >"$work/src/Formula/Extra/Lambda.mfm"
printf 'program' >"$work/Mo.exe"
pack_args=(--product "Marbelo Orbit" --settings-key 'Software\Marbelo\Orbit 2'
           --date "2024-01-15 10:30:00")

expect 0 "--help" "$tool" --help
contains stdout "Usage: setupdat COMMAND" "--help"
expect 0 "help pack" "$tool" help pack
contains stdout "--companion PATH" "help pack"
expect 0 "list -h" "$tool" list -h

expect 0 "pack" "$tool" pack "$work/src" -o "$work/out" "${pack_args[@]}" --companion "$work/Mo.exe"
if [ ! -f "$work/out/Setup.dat" ] || [ ! -f "$work/out/Mo.exe" ]; then
  echo "FAIL: pack output missing"
  failures=$((failures + 1))
fi
expect 0 "list" "$tool" list "$work/out/Setup.dat"
contains stdout "Lambda.mfm  6 bytes" "list"
expect 0 "list --json" "$tool" list --json "$work/out/Setup.dat"
contains stdout '"total_items": 3' "list --json"
expect 0 "verify" "$tool" verify "$work/out/Setup.dat" --source-dir "$work/out"
contains stdout "conforms" "verify"

# The round trip: pack, extract, the same tree; packed again, the same Setup.dat.
expect 0 "extract" "$tool" extract "$work/out/Setup.dat" -o "$work/tree"
expect 0 "the extracted tree" diff -r "$work/src" "$work/tree"
expect 0 "pack of the extracted tree" "$tool" pack "$work/tree" -o "$work/again" "${pack_args[@]}" \
  --companion "$work/out/Mo.exe"
expect 0 "the same Setup.dat" cmp "$work/out/Setup.dat" "$work/again/Setup.dat"
expect 0 "--version" "$tool" --version
contains stdout "setupdat 2.0" "--version"

expect 1 "verify without the companion" \
  "$tool" verify "$work/out/Setup.dat" --source-dir "$work/src"
contains stderr "companion 'Mo.exe' is not in" "verify without the companion"
head -c 200 "$work/out/Setup.dat" >"$work/cut.dat"
expect 1 "list of a cut file" "$tool" list "$work/cut.dat"
contains stdout "the file ends inside the entry" "list of a cut file"
expect 1 "log of a missing file" "$tool" log "$work/none.dat"
contains stderr "cannot open '$work/none.dat': No such file or directory" "log of a missing file"
expect 1 "list of a folder" "$tool" list "$work/src"
contains stderr "is a folder, not a file" "list of a folder"
expect 1 "pack with odd seconds" "$tool" pack "$work/src" -o "$work/out2" \
  --product P --settings-key K --date "2024-01-15 10:30:01"
contains stderr "nothing was written" "pack with odd seconds"
if [ -e "$work/out2" ]; then
  echo "FAIL: a refused pack wrote something"
  failures=$((failures + 1))
fi

# A bind mount shows the product at another path, and it is still the product: the output
# folder is judged by what it is, not by its name. Mounted in a private mount namespace, which
# goes with the command.
mkdir -p "$work/view"
if ! unshare -m --propagation private mount --bind "$work/src" "$work/view" 2>/dev/null; then
  echo "SKIP: output folder in a bind mount of the product: no private mount namespace here"
else
  expect 1 "pack into a bind mount of the product" \
    unshare -m --propagation private sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' \
    sh "$work/src" "$work/view" "$tool" pack "$work/src" -o "$work/view/dist" "${pack_args[@]}"
  real=$(realpath "$work")
  contains stderr "('$real/view/dist' inside '$real/view', which is '$real/src')" \
    "pack into a bind mount of the product"
  [ -e "$work/src/dist" ] && echo "FAIL: the pack wrote into the product" &&
    failures=$((failures + 1))
fi

# Inputs the packing user cannot read are found before anything is written, each named with
# the system's reason. Root reads every file, so as root the tool runs as nobody.
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if ! "${as_user[@]}" true 2>/dev/null; then
  echo "SKIP: unreadable inputs: running as root, and setpriv cannot switch to nobody"
else
  locked=$work/locked  # nobody may reach it and write in it: only the reading fails
  mkdir -p "$locked/src/Sub" && printf x >"$locked/src/Sub/secret.txt" && printf c >"$locked/Mo.exe"
  cp "$tool" "$locked/setupdat"  # the build folder may be closed to nobody
  chmod 755 "$work" && chmod -R a+rwX "$locked"
  chmod 000 "$locked/src/Sub/secret.txt" "$locked/Mo.exe"
  expect 1 "pack of unreadable inputs" "${as_user[@]}" "$locked/setupdat" pack "$locked/src" \
    -o "$locked/out" "${pack_args[@]}" --companion "$locked/Mo.exe"
  contains stderr "cannot read '$locked/src/Sub/secret.txt': Permission denied" "unreadable file"
  contains stderr "cannot read the companion '$locked/Mo.exe': Permission denied" "companion"
  contains stderr "nothing was written" "pack of unreadable inputs"
  [ -e "$locked/out" ] && echo "FAIL: the refused pack made its output folder" &&
    failures=$((failures + 1))
fi

expect 2 "no command" "$tool"
expect 2 "unknown command" "$tool" frobnicate
expect 2 "help with a word too many" "$tool" help pack extra
contains stderr "not expected: extra" "help with a word too many"
expect 2 "unknown option" "$tool" list --bogus "$work/out/Setup.dat"
expect 2 "pack without -o" "$tool" pack "$work/src" "${pack_args[@]}"
contains stderr "--output is required" "pack without -o"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all setupdat command-line checks passed"
