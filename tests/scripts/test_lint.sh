#!/usr/bin/env bash
# Runs scripts/lint.sh in copies of the tree laid out as a downloaded archive would be (no git
# anywhere on PATH) and checks that it checks the files it finds, and fails when it finds none
# instead of reporting a clean tree. clang-tidy is replaced by a stand-in that records the
# files it is given: it must be given the program's sources only, never the tests.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top="$here/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A PATH without git: the tools lint.sh uses, linked one by one.
mkdir -p "$work/bin"
for tool in bash find sort grep sed cat dirname mkdir clang-format nproc; do
  ln -s "$(command -v "$tool")" "$work/bin/$tool"
done
cat > "$work/bin/run-clang-tidy" <<'STUB'
#!/usr/bin/env bash
printf '%s\n' "$@" > "$TIDY_LOG"
STUB
chmod +x "$work/bin/run-clang-tidy"

# A tree with one source in each folder, formatted as the project's rules want.
tree="$work/tree"
mkdir -p "$tree/scripts" "$tree/src/data" "$tree/tools" "$tree/tests/data" "$tree/build"
cp "$top/scripts/lint.sh" "$tree/scripts/"
cp "$top/.clang-format" "$tree/"
printf 'int answer()\n{\n    return 42;\n}\n' > "$tree/src/data/answer.cpp"
printf 'int answer();\n' > "$tree/src/data/answer.h"
printf 'int main()\n{\n    return 0;\n}\n' > "$tree/tools/tool.cpp"
printf 'int main()\n{\n    return 0;\n}\n' > "$tree/tests/data/tst_answer.cpp"
# Laid out by the project's own rules, whatever they are.
(cd "$tree" && clang-format -i src/data/answer.cpp src/data/answer.h tools/tool.cpp tests/data/tst_answer.cpp)
echo '[]' > "$tree/build/compile_commands.json"

export TIDY_LOG="$work/tidy.log"
out=$(PATH="$work/bin" bash "$tree/scripts/lint.sh" 2>&1) || { echo "$out"; echo "FAIL: a clean tree fails"; exit 1; }
grep -q 'clang-format: 4 files' <<< "$out" || { echo "$out"; echo "FAIL: not every source was formatted"; exit 1; }
grep -q 'clang-tidy: 2 files' <<< "$out" || { echo "$out"; echo "FAIL: clang-tidy files"; exit 1; }
if grep -q 'tests/' "$TIDY_LOG"; then echo "FAIL: clang-tidy was given the tests"; exit 1; fi

# A source out of form fails the form check.
printf 'int  answer( ) { return 42; }\n' > "$tree/src/data/answer.cpp"
if PATH="$work/bin" bash "$tree/scripts/lint.sh" --format >/dev/null 2>&1; then
  echo "FAIL: a badly formed source passed"; exit 1
fi

# Nothing to check fails, for either check.
rm -rf "$tree/src" "$tree/tools" "$tree/tests"
for mode in --format --tidy; do
  if PATH="$work/bin" bash "$tree/scripts/lint.sh" "$mode" >/dev/null 2>&1; then
    echo "FAIL: lint.sh $mode passed with no file to check"; exit 1
  fi
done
echo "lint checks: 4 passed, 0 failed"
