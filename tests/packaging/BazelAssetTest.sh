#!/usr/bin/env bash
# BazelAssetTest: the Bazel rules (bazel/) on the example workspace (examples/bazel), with a
# shared HTTP cache, as two machines of a team would use them.
#   - nginx with WebDAV PUT on a free loopback port, its own configuration and prefix, is the cache;
#   - machine A (its own copy of the workspace and output base) builds everything and fills it;
#     a second build does nothing;
#   - machine B (another copy, another output base, another copy of the converter) takes every
#     action from the cache, byte for byte A's outputs;
#   - a changed source in B reconverts only it; a broken one fails its target naming its log and
#     leaves the others; mended, it comes from the cache again;
#   - A's outputs equal the CMake module's on the same sources (reference-name draw masked), and
#     no command line or output holds a folder of the machine.
# Every nginx and Bazel server it starts is stopped by its process id on the way out.
# Prints the times of a cold build, a no-op build and the second machine, against the CMake
# module's. SKIPPED unless VANTOK_BAZEL_TEST=1 (scripts/test-bazel.sh sets it and installs Bazel
# and nginx).
# Usage: BazelAssetTest.sh CONVERTER IMPORTER COMPARE SOURCE_DIR WORK [MAKE_PROGRAM]
set -uo pipefail

if [ "${VANTOK_BAZEL_TEST:-}" != 1 ]; then
  echo "SKIPPED: run by scripts/test-bazel.sh (VANTOK_BAZEL_TEST=1)"
  exit 0
fi
if [ $# -lt 5 ]; then
  echo "usage: $0 CONVERTER IMPORTER COMPARE SOURCE_DIR WORK [MAKE_PROGRAM]" >&2
  exit 2
fi
converter=$1 importer=$2 compare=$3 source_dir=$4 work=$5 make_program=${6:-}
for program in bazel nginx; do
  command -v $program >/dev/null || { echo "FAIL: $program is not installed" >&2; exit 1; }
done
if [ ! -x "$importer" ]; then
  echo "FAIL: vantok-import is not built ($importer)" >&2
  exit 1
fi

# Bazel leaves its output bases read-only
[ -d "$work" ] && chmod -R u+w "$work" 2>/dev/null
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
failures=0
nginx_pid=""
watchdog_pid=""

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# ---------------------------------------------------------------------------------------------
# Bazel: one output base per machine, one shared install root; the servers quit when idle too.
bazel_in() {  # bazel_in MACHINE COMMAND [ARGS...]: runs Bazel in that machine's workspace
  local machine=$1
  shift
  (cd "$work/$machine/repo/examples/bazel" &&
    bazel --nohome_rc --output_user_root="$work/install" \
      --output_base="$work/$machine/base" --max_idle_secs=120 "$@")
}

stop_all() {
  local machine pid
  for machine in A B; do
    [ -f "$work/$machine/base/server/server.pid.txt" ] || continue
    pid=$(cat "$work/$machine/base/server/server.pid.txt")
    (cd "$work/$machine/repo/examples/bazel" &&
      timeout 60 bazel --nohome_rc --output_user_root="$work/install" \
        --output_base="$work/$machine/base" shutdown) >/dev/null 2>&1
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null
    fi
  done
  if [ -n "$nginx_pid" ] && kill -0 "$nginx_pid" 2>/dev/null; then
    kill "$nginx_pid"
    wait "$nginx_pid" 2>/dev/null
  fi
  if [ -n "$watchdog_pid" ]; then
    kill "$watchdog_pid" 2>/dev/null
    wait "$watchdog_pid" 2>/dev/null
  fi
}
trap stop_all EXIT
trap 'exit 1' INT TERM HUP

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

# ---------------------------------------------------------------------------------------------
# The cache: nginx in the foreground of a background job, so $! is its master process.
mkdir -p "$work/nginx/cache" "$work/nginx/temp"
start_nginx() {  # start_nginx PORT: 0 when nginx serves PUT and GET on that port
  local port=$1 tries
  cat >"$work/nginx/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log $work/nginx/access.log;
  client_body_temp_path $work/nginx/temp/body;
  proxy_temp_path $work/nginx/temp/proxy;
  fastcgi_temp_path $work/nginx/temp/fastcgi;
  uwsgi_temp_path $work/nginx/temp/uwsgi;
  scgi_temp_path $work/nginx/temp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/nginx/cache;
    client_max_body_size 0;
    dav_methods PUT;
    create_full_put_path on;
  }
}
EOF
  if [ "$(id -u)" -eq 0 ]; then  # the workers write the cache as the user running the test
    sed -i "1i user root root;" "$work/nginx/nginx.conf"
  fi
  nginx -p "$work/nginx/" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" \
    </dev/null >>"$work/nginx/output.txt" 2>&1 &
  nginx_pid=$!
  for tries in $(seq 50); do
    kill -0 "$nginx_pid" 2>/dev/null || break
    if curl -sf -T "$work/nginx/nginx.conf" "http://127.0.0.1:$port/probe" &&
       curl -sf -o /dev/null "http://127.0.0.1:$port/probe"; then
      rm -f "$work/nginx/cache/probe"
      return 0
    fi
    sleep 0.1
  done
  kill "$nginx_pid" 2>/dev/null
  wait "$nginx_pid" 2>/dev/null
  nginx_pid=""
  return 1
}
port=""
for attempt in $(seq 10); do
  candidate=$((20000 + RANDOM % 40000))
  if start_nginx $candidate; then
    port=$candidate
    break
  fi
done
if [ -z "$port" ]; then
  echo "FAIL: nginx did not start on a free port:" >&2
  cat "$work/nginx/error.log" >&2
  exit 1
fi
echo "cache: nginx (pid $nginx_pid) on 127.0.0.1:$port"
# Should this script be killed outright (a test timeout), nginx and the Bazel servers go with it
# (and the servers quit on their own once idle: --max_idle_secs).
(while kill -0 $$ 2>/dev/null; do sleep 2; done
 kill "$nginx_pid" $(cat "$work"/[AB]/base/server/server.pid.txt 2>/dev/null)) \
  </dev/null >/dev/null 2>&1 &
watchdog_pid=$!
cache_flags=(--config=shared-cache --remote_cache=http://127.0.0.1:$port)

# ---------------------------------------------------------------------------------------------
# Two machines: each its own copy of the rules and examples, and its own copy of the programs.
for machine in A B; do
  mkdir -p "$work/$machine/repo" "$work/$machine/bin"
  cp -R "$source_dir/bazel" "$source_dir/examples" "$work/$machine/repo/"
  rm -rf "$work/$machine/repo/examples/bazel"/bazel-*
  cp "$converter" "$work/$machine/bin/VantokMeshImporter"
  cp "$importer" "$work/$machine/bin/vantok-import"
done
examples=(arm_local_matrix_axisangle crate_static_materials flag_skinned_global)
targets=("${examples[@]}" panel)

# build MACHINE LOG [ARGS...]: builds //... (or the targets of ARGS) in MACHINE with its
# programs and the cache; the status is Bazel's, the output in LOG.
build() {
  local machine=$1 log=$2
  shift 2
  [ $# -gt 0 ] && [ "${1#//}" != "$1" ] || set -- //... "$@"
  bazel_in "$machine" build "${cache_flags[@]}" \
    --repo_env=VANTOK_CONVERTER="$work/$machine/bin/VantokMeshImporter" \
    --repo_env=VANTOK_IMPORT="$work/$machine/bin/vantok-import" "$@" >"$log" 2>&1
}

# spawns EXECLOG: one line per action run or fetched: "MNEMONIC INPUT hit|miss".
spawns() {
  awk -F'"' '/"commandArgs"/ { input = $10 }
             /"mnemonic"/ { mnemonic = $4 }
             /"remoteCacheHit"/ { print mnemonic, input, ($0 ~ /true/ ? "hit" : "miss") }' "$1" |
    sort
}

# expect_spawns EXECLOG WHAT EXPECTED: the actions of the log are exactly EXPECTED.
expect_spawns() {
  local got
  got=$(spawns "$1")
  if [ "$got" != "$3" ]; then
    fail "$2: the actions were
$got
expected
$3"
  fi
}

# every_action HIT|MISS [EXCEPT-INPUT STATE]: the expected list of all five actions.
every_action() {
  local state=$1 except=${2:-} other=${3:-} name input
  {
    for name in "${examples[@]}"; do
      input=external/examples/$name.xml
      if [ "$input" = "$except" ]; then echo "VantokConvert $input $other"; else echo "VantokConvert $input $state"; fi
    done
    echo "VantokConvert bazel-out/k8-fastbuild/bin/assets/panel.xml $state"
    echo "VantokImport external/examples/assets/models/panel.obj $state"
  } | sort
}

A=$work/A/repo/examples/bazel/bazel-bin/assets
B=$work/B/repo/examples/bazel/bazel-bin/assets

# machine A, cold: every action runs in the sandbox and is uploaded
t0=$(now)
build A "$work/A/cold.txt" --execution_log_json_file="$work/A/cold.json" ||
  fail "the cold build in A failed: $(cat "$work/A/cold.txt")"
t1=$(now)
expect_spawns "$work/A/cold.json" "A, cold" "$(every_action miss)"
if ! grep -q "linux-sandbox" "$work/A/cold.txt"; then
  fail "A's actions did not run in the Linux sandbox: $(tail -5 "$work/A/cold.txt")"
fi
if [ -z "$(ls "$work/nginx/cache/ac" 2>/dev/null)" ] || [ -z "$(ls "$work/nginx/cache/cas" 2>/dev/null)" ]; then
  fail "A uploaded nothing to the cache"
fi

# machine A, again: nothing to do
t2=$(now)
build A "$work/A/noop.txt" --execution_log_json_file="$work/A/noop.json" ||
  fail "the second build in A failed"
t3=$(now)
expect_spawns "$work/A/noop.json" "A, no-op" ""

# machine B, cold, same sources: every action from the cache, A's very bytes
t4=$(now)
build B "$work/B/cold.txt" --execution_log_json_file="$work/B/cold.json" ||
  fail "the cold build in B failed: $(cat "$work/B/cold.txt")"
t5=$(now)
expect_spawns "$work/B/cold.json" "B, from the cache" "$(every_action hit)"
if ! grep -q "5 remote cache hit" "$work/B/cold.txt"; then
  fail "B's summary does not count 5 remote cache hits: $(grep processes "$work/B/cold.txt")"
fi
for name in "${targets[@]}"; do
  if ! diff -r "$A/$name" "$B/$name" >/dev/null || ! cmp -s "$A/$name.log" "$B/$name.log"; then
    fail "$name: B's outputs differ from A's"
  fi
done

# no folder of either machine in a command line or an output
if grep -h '"commandArgs"' "$work/A/cold.json" | grep -q '"/'; then
  fail "an absolute path in a command line: $(grep -h '"commandArgs"' "$work/A/cold.json" | grep '"/')"
fi
if grep -rl -e "$work" -e "$source_dir" "$A"/ "$B"/; then
  fail "an output holds a folder of the machine (listed above)"
fi

# B: a changed source reconverts alone; the others' outputs stay
flag_im=$(sha256sum <"$B/flag_skinned_global/flag_skinned_global.im")
echo "<!-- edited on B -->" >>"$work/B/repo/examples/crate_static_materials.xml"
build B "$work/B/changed.txt" --execution_log_json_file="$work/B/changed.json" ||
  fail "the build after a change in B failed: $(cat "$work/B/changed.txt")"
expect_spawns "$work/B/changed.json" "B, one source changed" \
  "VantokConvert external/examples/crate_static_materials.xml miss"

# B: a broken source fails its target with its log named and shown; the others are built
cp "$work/B/repo/examples/flag_skinned_global.xml" "$work/flag.xml"
printf '<vantokImport version="1">\n  <mesh>\n' >"$work/B/repo/examples/flag_skinned_global.xml"
echo "<!-- edited again -->" >>"$work/B/repo/examples/arm_local_matrix_axisangle.xml"
if build B "$work/B/broken.txt" --keep_going --execution_log_json_file="$work/B/broken.json"; then
  fail "a broken source did not fail the build"
fi
pattern="Converting external/examples/flag_skinned_global.xml failed (exit status 1); log: bazel-out/k8-fastbuild/bin/assets/flag_skinned_global.log"
if ! grep -qF "$pattern" "$work/B/broken.txt" || ! grep -q "^Error: " "$work/B/broken.txt"; then
  fail "the failure does not name the source and its log and show the log: $(cat "$work/B/broken.txt")"
fi
if ! grep -q "^Error: " "$B/flag_skinned_global.log"; then
  fail "the failed conversion's log holds no error"
fi
expect_spawns "$work/B/broken.json" "B, one source broken, another changed" \
  "$(printf '%s\n' "VantokConvert external/examples/arm_local_matrix_axisangle.xml miss" \
     "VantokConvert external/examples/flag_skinned_global.xml miss")"
if [ ! -s "$B/arm_local_matrix_axisangle/bend.kin" ] || [ ! -s "$B/panel/panel.im" ]; then
  fail "the other targets were not built beside the broken one"
fi

# B: mended, the flag's conversion is A's again, from the cache
cp "$work/flag.xml" "$work/B/repo/examples/flag_skinned_global.xml"
build B "$work/B/mended.txt" --execution_log_json_file="$work/B/mended.json" ||
  fail "the build after mending failed: $(cat "$work/B/mended.txt")"
expect_spawns "$work/B/mended.json" "B, mended" \
  "VantokConvert external/examples/flag_skinned_global.xml hit"
if [ "$(sha256sum <"$B/flag_skinned_global/flag_skinned_global.im")" != "$flag_im" ]; then
  fail "the mended source's .im is not the one in the cache"
fi

# B: a rebuilt converter (other bytes at the same path) reconverts everything; the import stays
printf '\0' >>"$work/B/bin/VantokMeshImporter"
build B "$work/B/converter.txt" --execution_log_json_file="$work/B/converter.json" ||
  fail "the build with a rebuilt converter failed: $(cat "$work/B/converter.txt")"
expect_spawns "$work/B/converter.json" "B, converter rebuilt" \
  "$(every_action miss | grep -v VantokImport)"

# ---------------------------------------------------------------------------------------------
# The CMake module on the same sources: the same folders, the reference-name draw aside.
mkdir -p "$work/cmake/src"
for name in "${examples[@]}"; do cp "$source_dir/examples/$name.xml" "$work/cmake/src/"; done
cmake_flags=(-G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_Vantok=ON "-DVANTOK_CONVERTER=$converter"
             "-DVANTOK_IMPORT=$importer" "-DVANTOK_EXAMPLE_SOURCES=$work/cmake/src"
             -DVANTOK_EXAMPLE_IMPORT=ON "-DVANTOK_EXAMPLE_MODELS=$source_dir/examples/assets/models")
[ -n "$make_program" ] && cmake_flags+=("-DCMAKE_MAKE_PROGRAM=$make_program")
t6=$(now)
cmake -S "$source_dir/examples/assets" -B "$work/cmake/build" "${cmake_flags[@]}" \
  >"$work/cmake/configure.txt" 2>&1 &&
  cmake --build "$work/cmake/build" >"$work/cmake/cold.txt" 2>&1 ||
  fail "the CMake module's build failed: $(cat "$work/cmake/"*.txt)"
t7=$(now)
cmake --build "$work/cmake/build" >"$work/cmake/noop.txt" 2>&1
t8=$(now)
for name in "${targets[@]}"; do
  if ! "$compare" "$work/cmake/build/assets/$name" "$A/$name"; then
    fail "$name: the Bazel outputs differ from the CMake module's (above)"
  fi
done
if ! cmp -s "$work/cmake/build/assets/panel.xml" "$A/panel.xml"; then
  fail "panel.xml: vantok-import wrote another file under Bazel"
fi

# A: converter options reach the converter; sources that would share a folder (names equal but
# for case) are refused, names differing in an inner extension are not; a converter that is not
# there is named.
checks=$work/A/repo/examples/bazel/checks
mkdir -p "$checks/one" "$checks/two"
touch "$checks/one/Crate.xml" "$checks/two/crate.xml" "$checks/crate.v1.xml" "$checks/crate.v2.xml"
cat >"$checks/BUILD" <<'EOF'
load("@vantok_bazel//:defs.bzl", "vantok_asset", "vantok_assets")

vantok_asset(
    name = "out/no_kin",
    src = "@examples//:arm_local_matrix_axisangle.xml",
    options = ["-outputKIN", "false"],
)

vantok_assets(name = "versions", srcs = ["crate.v1.xml", "crate.v2.xml"])
EOF
build A "$work/A/options.txt" //checks:out/no_kin || fail "the build with options failed"
found=$(ls "$work/A/repo/examples/bazel/bazel-bin/checks/out/no_kin" 2>&1)
[ "$found" = "no_kin.im" ] || fail "-outputKIN false: the folder holds '$found', not no_kin.im alone"
if ! bazel_in A query //checks:all >"$work/A/versions.txt" 2>&1 ||
   ! grep -q "//checks:versions/crate.v1" "$work/A/versions.txt" ||
   ! grep -q "//checks:versions/crate.v2" "$work/A/versions.txt"; then
  fail "crate.v1.xml and crate.v2.xml were not given a folder each: $(cat "$work/A/versions.txt")"
fi
cat >>"$checks/BUILD" <<'EOF'

vantok_assets(name = "clash", srcs = ["one/Crate.xml", "two/crate.xml"])
EOF
if bazel_in A query //checks:all >"$work/A/clash.txt" 2>&1 ||
   ! grep -q "'one/Crate.xml' and 'two/crate.xml' would convert to the same folder 'clash/crate'" \
     "$work/A/clash.txt"; then
  fail "two sources for one folder were not refused: $(cat "$work/A/clash.txt")"
fi
rm -r "$checks"
if bazel_in A build //... --repo_env=VANTOK_CONVERTER="$work/nowhere/VantokMeshImporter" \
     >"$work/A/missing.txt" 2>&1 ||
   ! grep -q "VANTOK_CONVERTER=$work/nowhere/VantokMeshImporter: no such file" "$work/A/missing.txt"; then
  fail "a missing converter is not named: $(cat "$work/A/missing.txt")"
fi

# elapsed LOG: Bazel's own account, "in the server N s, critical path M s".
elapsed() {
  sed -n 's/.*Elapsed time: \([0-9.]*\)s, Critical Path: \([0-9.]*\)s.*/\1 s, critical path \2 s/p' "$1" |
    head -1
}
echo "times in seconds (Bazel: server start and analysis included; CMake: configure included)"
echo "  Bazel, machine A cold:            $(seconds "$t0" "$t1") (in the server $(elapsed "$work/A/cold.txt"))"
echo "  Bazel, machine A no-op:           $(seconds "$t2" "$t3") (in the server $(elapsed "$work/A/noop.txt"))"
echo "  Bazel, machine B from the cache:  $(seconds "$t4" "$t5") (in the server $(elapsed "$work/B/cold.txt"))"
echo "  CMake module cold:                $(seconds "$t6" "$t7")"
echo "  CMake module no-op:               $(seconds "$t7" "$t8")"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all Bazel checks passed"
