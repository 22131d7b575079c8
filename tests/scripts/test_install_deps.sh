#!/usr/bin/env bash
# Runs scripts/install-deps.sh with stand-ins for dpkg-query, apt-get, sudo and id first on
# PATH, so that the install path is exercised without touching the system, and checks the
# command lines the stand-ins receive, exactly.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
script="$here/../../scripts/install-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin"
# dpkg-query: installed unless named in $MISSING ("*" for every package).
cat > "$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
package="${*: -1}"
if [ "$MISSING" = "*" ] || [[ " $MISSING " == *" $package "* ]]; then
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
fi
printf 'install ok installed'
STUB
# apt-get: records its words and the DEBIAN_FRONTEND it sees; fails the install on request.
cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $* [DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-}]" >> "$LOG"
if [ "$1" = install ] && [ -n "${FAIL_INSTALL:-}" ]; then
  echo "E: Unable to locate package $FAIL_INSTALL" >&2
  exit 100
fi
STUB
# sudo: records that it was asked and runs the rest.
cat > "$work/bin/sudo" <<'STUB'
#!/usr/bin/env bash
echo "sudo $*" >> "$LOG"
exec "$@"
STUB
# id: the user id in $FAKE_UID.
cat > "$work/bin/id" <<'STUB'
#!/usr/bin/env bash
[ "$1" = -u ] && { echo "$FAKE_UID"; exit 0; }
exit 1
STUB
chmod +x "$work/bin/"*

all=$(sed -n '/^PACKAGES=(/,/^)/p' "$script" | sed '1d;$d' | tr -s ' \n' ' ' | sed 's/^ //;s/ $//')
[ -n "$all" ] || { echo "FAIL: no package list found in install-deps.sh"; exit 1; }

passed=0
failed=0
check() { # name expected-log expected-rc [expected text in output]
  local name=$1 expected=$2 want_rc=$3 want_text=${4:-}
  local got
  got=$(cat "$work/log" 2>/dev/null || true)
  if [ "$got" != "$expected" ] || [ "$rc" -ne "$want_rc" ] ||
     { [ -n "$want_text" ] && ! grep -qF -- "$want_text" "$work/out"; }; then
    failed=$((failed + 1))
    echo "FAIL: $name (exit $rc, wanted $want_rc)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$got") || true
    cat "$work/out"
  else
    passed=$((passed + 1))
    echo "PASS: $name"
  fi
}
run() { # uid missing [fail-install]
  rm -f "$work/log"
  rc=0
  PATH="$work/bin:$PATH" LOG="$work/log" FAKE_UID=$1 MISSING=$2 FAIL_INSTALL=${3:-} \
    DEBIAN_FRONTEND="" bash "$script" > "$work/out" 2>&1 || rc=$?
}

for who in root user; do
  uid=0; prefix=""
  [ $who = user ] && { uid=1000; prefix="sudo env DEBIAN_FRONTEND=noninteractive apt-get "; }
  sudo_update=""; sudo_install=""
  if [ $who = user ]; then
    sudo_update="${prefix}update"$'\n'
    sudo_install="${prefix}install -y --no-install-recommends"
  fi

  run $uid '*'
  check "$who, every package missing" \
    "${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install $all
}apt-get install -y --no-install-recommends $all [DEBIAN_FRONTEND=noninteractive]" 0

  run $uid ''
  check "$who, nothing missing" "" 0

  run $uid 'libsqlcipher-dev'
  check "$who, one package missing" \
    "${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install libsqlcipher-dev
}apt-get install -y --no-install-recommends libsqlcipher-dev [DEBIAN_FRONTEND=noninteractive]" 0

  run $uid 'shellcheck' 'shellcheck'
  check "$who, a failing install stops with apt's message" \
    "${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install shellcheck
}apt-get install -y --no-install-recommends shellcheck [DEBIAN_FRONTEND=noninteractive]" 100 \
    "E: Unable to locate package shellcheck"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
