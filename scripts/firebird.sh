#!/usr/bin/env bash
# A private Firebird 3 SuperServer for the tests and the demo: firebird.sh start|stop|status DIR
#
# Everything the instance owns lives in DIR: its configuration, security database (with the
# product's user XUQORQ, password quh), character set module, lock and temporary folders, pid
# file and log. It listens on 127.0.0.1:3055 only, so it runs beside a system Firebird (port
# 3050, its own security database and lock folder) without touching it.
#
#   start   creates DIR on first use, reuses it afterwards; succeeds at once when this instance
#           already runs; waits until the server listens and fails with its log otherwise
#   stop    SIGTERM, SIGKILL when it has not ended after 15 s; fails if a process is left
#   status  exit 0 when the instance runs and listens
set -euo pipefail

PORT=3055
ADDRESS=127.0.0.1
USER_NAME=XUQORQ
USER_PASSWORD=quh
SERVER=/usr/sbin/firebird
ISQL=/usr/bin/isql-fb
FB_LIB=/usr/lib/x86_64-linux-gnu/firebird/3.0
# The engine writes its log here whatever the configuration says; it is compiled in.
ENGINE_LOG_DIR=/var/log/firebird

usage() {
    echo "usage: firebird.sh start|stop|status DIR" >&2
    exit 2
}

(($# == 2)) || usage
action=$1
if [ ! -d "$2" ]; then
    case "$action" in
    start) mkdir -p "$2" ;;
    stop) echo "Firebird not running in $2" && exit 0 ;;
    status) echo "Firebird not running in $2" && exit 1 ;;
    *) usage ;;
    esac
fi
dir=$(cd "$2" && pwd)
pidfile="$dir/firebird.pid"
logdir="$dir/log"
outlog="$logdir/server.out"

# The server and the embedded tools read the instance's files and nothing of the system's. File
# names reach the server as UTF-8 and it converts them for the system with its locale's character
# set, once for its whole life: under LANG=C (or none) a base named with an accent could never be
# opened, so the server gets a UTF-8 locale, one the C library always has.
instance_env() {
    unset ISC_USER ISC_PASSWORD
    export FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" LC_ALL=C.UTF-8
}

# Runs a command with the instance's log folder bound over the engine's fixed log folder, in a
# mount namespace of its own, so the system's log stays untouched. Without the privilege for
# that (or without the system folder) the command runs as it is and the engine also appends to
# the system's log.
private_mounts=
with_private_log() {
    if [ -z "$private_mounts" ]; then
        private_mounts=0
        if [ -d "$ENGINE_LOG_DIR" ] && unshare --mount true 2>/dev/null; then
            private_mounts=1
        fi
    fi
    if ((private_mounts)); then
        # shellcheck disable=SC2016 # expanded by the inner shell
        unshare --mount sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' _ \
            "$logdir" "$ENGINE_LOG_DIR" "$@"
    else
        "$@"
    fi
}

# The pid of the instance's server when it is alive, else nothing. The pid file alone is not
# trusted: after a reboot or a kill -9 its number may belong to another process.
server_pid() {
    [ -f "$pidfile" ] || return 0
    local pid
    pid=$(<"$pidfile")
    [[ "$pid" =~ ^[0-9]+$ ]] || return 0
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$SERVER" ] || return 0
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "FIREBIRD=$dir" || return 0
    echo "$pid"
}

# Every process of this instance: the server and embedded tools whose FIREBIRD is DIR.
instance_pids() {
    local entry pid
    for entry in /proc/[0-9]*; do
        pid=${entry#/proc/}
        [ "$pid" = "$$" ] && continue
        { tr '\0' '\n' <"$entry/environ"; } 2>/dev/null | grep -qxF "FIREBIRD=$dir" || continue
        case "$(readlink "$entry/exe" 2>/dev/null)" in
        "$SERVER" | "$ISQL") echo "$pid" ;;
        esac
    done
}

# Whether something listens on ADDRESS:PORT (IPv4 table, address and port in hexadecimal).
listening() {
    local want
    want=$(printf '0100007F:%04X' "$PORT")
    awk -v want="$want" 'NR > 1 && $2 == want && $4 == "0A" { found = 1 } END { exit !found }' \
        /proc/net/tcp
}

alive() { [ -d "/proc/$1" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }

log_tail() {
    local file
    for file in "$outlog" "$logdir/firebird3.0.log"; do
        [ -s "$file" ] || continue
        echo "--- $file" >&2
        tail -n 20 "$file" >&2
    done
}

write_config() {
    mkdir -p "$dir/lock" "$dir/tmp" "$logdir" "$dir/intl"
    cat >"$dir/firebird.conf" <<EOF
# Private instance made by scripts/firebird.sh; rewritten on every start.
RemoteServicePort = $PORT
RemoteBindAddress = $ADDRESS
SecurityDatabase = $dir/security.fdb
ServerMode = Super
AuthServer = Srp
UserManager = Srp
WireCrypt = Enabled
TempDirectories = $dir/tmp
EOF
    cat >"$dir/databases.conf" <<EOF
security.db = $dir/security.fdb
{
    RemoteAccess = false
}
EOF
    cp "$FB_LIB/plugins.conf" "$dir/plugins.conf"
    # A real copy: a symbolic link to the system's module leaves WIN1252 "not installed".
    cp --dereference "$FB_LIB/intl/libfbintl.so" "$FB_LIB/intl/fbintl.conf" "$dir/intl/"
}

# The security database with the product's user, made by the embedded engine before the server
# runs (the server would hold the file). A marker written last tells a finished one from what an
# interrupted first start left, which is made again.
make_security_db() {
    local secdb="$dir/security.fdb" ready="$dir/security.ready"
    [ -f "$secdb" ] && [ -f "$ready" ] && return 0
    rm -f "$secdb" "$ready"
    with_private_log "$ISQL" -q -user SYSDBA <<EOF >>"$outlog" 2>&1
create database '$secdb';
commit;
EOF
    with_private_log "$ISQL" -q -user SYSDBA "$secdb" <<EOF >>"$outlog" 2>&1
create or alter user $USER_NAME password '$USER_PASSWORD' using plugin Srp;
grant create database to user $USER_NAME;
commit;
EOF
    if ! with_private_log "$ISQL" -q -user SYSDBA "$secdb" <<EOF 2>&1 | grep -q "^USERS *1$"; then
set list on;
select count(*) as users from sec\$users where sec\$user_name = '$USER_NAME';
EOF
        echo "firebird.sh: could not create the security database in $dir" >&2
        log_tail
        exit 1
    fi
    : >"$ready"
}

start() {
    local pid
    pid=$(server_pid)
    if [ -n "$pid" ]; then
        echo "Firebird already running in $dir (pid $pid, $ADDRESS:$PORT)"
        return 0
    fi
    if listening; then
        echo "firebird.sh: $ADDRESS:$PORT is taken by another process; $dir was not started" >&2
        exit 1
    fi
    [ -x "$SERVER" ] || {
        echo "firebird.sh: $SERVER is missing (package firebird3.0-server)" >&2
        exit 1
    }
    instance_env
    write_config
    make_security_db
    rm -f "$pidfile"
    # The shell writes its own pid and then becomes the server, so the pid file names the
    # server whatever runs in between. No -p: given a port there, the server listens on every
    # address and ignores RemoteBindAddress.
    # shellcheck disable=SC2016 # expanded by the inner shell
    with_private_log sh -c 'echo $$ >"$1" && shift && exec "$@"' _ "$pidfile" \
        "$SERVER" </dev/null >>"$outlog" 2>&1 &
    local waited
    for ((waited = 0; waited < 100; waited++)); do
        pid=$(server_pid)
        if [ -n "$pid" ] && listening; then
            echo "Firebird running in $dir (pid $pid, $ADDRESS:$PORT, user $USER_NAME)"
            return 0
        fi
        if ((waited > 5)) && [ -z "$pid" ] && ! jobs -r | grep -q .; then
            break
        fi
        sleep 0.1
    done
    echo "firebird.sh: the server in $dir did not come up on $ADDRESS:$PORT" >&2
    log_tail
    stop >/dev/null 2>&1 || true
    exit 1
}

stop() {
    local pid waited
    pid=$(server_pid)
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null || true
        for ((waited = 0; waited < 150; waited++)); do
            alive "$pid" || break
            sleep 0.1
        done
        if alive "$pid"; then
            echo "firebird.sh: the server (pid $pid) did not end after SIGTERM; killing it" >&2
            kill -KILL "$pid" 2>/dev/null || true
        fi
    fi
    # Whatever else still runs on this instance (a server whose pid file was lost, an embedded
    # tool) goes too, and none may be left.
    local left
    for ((waited = 0; waited < 50; waited++)); do
        left=$(instance_pids)
        [ -z "$left" ] && break
        # shellcheck disable=SC2086
        ((waited == 0)) || kill -KILL $left 2>/dev/null || true
        sleep 0.1
    done
    if [ -n "$left" ]; then
        echo "firebird.sh: processes of $dir still running: $left" >&2
        exit 1
    fi
    rm -f "$pidfile"
    echo "Firebird stopped in $dir"
}

status() {
    local pid
    pid=$(server_pid)
    if [ -n "$pid" ] && listening; then
        echo "Firebird running in $dir (pid $pid, $ADDRESS:$PORT)"
        return 0
    fi
    echo "Firebird not running in $dir"
    return 1
}

case "$action" in
start) start ;;
stop) stop ;;
status) status ;;
*) usage ;;
esac
