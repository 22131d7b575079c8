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
# What the server package's set-up would read: the cluster settings present at install time.
if [ "$1" = install ] && [[ " $* " == *" postgresql-15 "* ]]; then
  echo "cluster settings: $(cat "$CONF_DIR"/*.conf 2>/dev/null)" >> "$LOG"
fi
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
conf_dir="$work/createcluster.d"
run() { # uid missing [fail-install]
  rm -f "$work/log"
  rm -rf "$conf_dir"
  rc=0
  PATH="$work/bin:$PATH" LOG="$work/log" FAKE_UID=$1 MISSING=$2 FAIL_INSTALL=${3:-} \
    CONF_DIR="$conf_dir" PRATILIO_CREATECLUSTER_DIR="$conf_dir" \
    DEBIAN_FRONTEND="" bash "$script" > "$work/out" 2>&1 || rc=$?
}
# No system cluster: the setting is written before the server package is installed, and
# only when that package is installed.
check_conf() { # name expected-present(yes/no)
  local name=$1 want=$2 got=no
  [ -f "$conf_dir/pratilio.conf" ] && [ "$(cat "$conf_dir/pratilio.conf")" = "create_main_cluster = false" ] && got=yes
  if [ "$got" = "$want" ]; then
    passed=$((passed + 1))
    echo "PASS: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name (cluster setting written: $got, wanted $want)"
  fi
}

for who in root user; do
  uid=0; prefix=""
  [ $who = user ] && { uid=1000; prefix="sudo env DEBIAN_FRONTEND=noninteractive apt-get "; }
  sudo_update=""; sudo_install=""; sudo_conf=""
  if [ $who = user ]; then
    sudo_update="${prefix}update"$'\n'
    sudo_install="${prefix}install -y --no-install-recommends"
    sudo_conf="sudo mkdir -p $conf_dir"$'\n'"sudo tee $conf_dir/pratilio.conf"$'\n'
  fi
  settings="cluster settings: create_main_cluster = false"

  run $uid '*'
  check "$who, every package missing" \
    "${sudo_conf}${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install $all
}apt-get install -y --no-install-recommends $all [DEBIAN_FRONTEND=noninteractive]
$settings" 0
  check_conf "$who, every package missing: no system cluster" yes

  run $uid 'postgresql-15'
  check "$who, the server missing" \
    "${sudo_conf}${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install postgresql-15
}apt-get install -y --no-install-recommends postgresql-15 [DEBIAN_FRONTEND=noninteractive]
$settings" 0
  check_conf "$who, the server missing: no system cluster" yes

  run $uid 'libpq-dev'
  check "$who, the client library missing" \
    "${sudo_update}apt-get update [DEBIAN_FRONTEND=noninteractive]
${sudo_install:+$sudo_install libpq-dev
}apt-get install -y --no-install-recommends libpq-dev [DEBIAN_FRONTEND=noninteractive]" 0
  check_conf "$who, the client library missing: cluster settings untouched" no

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
