#!/usr/bin/env bash
# Starts or stops the throw-away PostgreSQL server the score server's tests use.
#   postgres_fixture.sh start LINK   makes a cluster in a fresh temporary folder, starts it
#                                    listening only on a Unix socket in that folder, and
#                                    points LINK (a path named after the build tree) at the folder
#   postgres_fixture.sh stop LINK    stops it and removes the folder and LINK
# The tests connect to postgresql:///postgres?host=LINK&user=postgres. PostgreSQL refuses to
# run as root, so as root the server runs as the postgres user (or nobody); the folder lives
# under /tmp so that user can reach it wherever the build tree is.
set -euo pipefail

action=${1:-}
link=${2:-}
if [[ -z $action || -z $link ]]; then
    echo "usage: $0 start|stop LINK" >&2
    exit 2
fi

# The newest installed server's programs.
find_bin() {
    local dir
    dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    if [[ -n $dir && -x $dir/initdb && -x $dir/pg_ctl ]]; then
        echo "$dir"
    elif command -v initdb >/dev/null && command -v pg_ctl >/dev/null; then
        dirname "$(command -v initdb)"
    else
        echo "postgres_fixture: no PostgreSQL server is installed (initdb, pg_ctl);" \
            "scripts/install-deps installs Debian's postgresql" >&2
        return 1
    fi
}

# Runs a command as the folder's owner when that is not us (root running the tests).
as_owner() {
    local owner=$1
    shift
    if [[ $owner == "$(id -un)" ]]; then
        "$@"
    else
        runuser -u "$owner" -- "$@"
    fi
}

stop() {
    [[ -L $link ]] || return 0
    local folder
    folder=$(readlink "$link")
    if [[ -f $folder/data/postmaster.pid ]]; then
        as_owner "$(stat -c %U "$folder/data")" "$(cat "$folder/bindir")/pg_ctl" \
            -D "$folder/data" -m fast -w -t 60 stop >/dev/null || true
    fi
    case $folder in
    /tmp/scoreserver-pg.*) rm -rf "$folder" ;;
    esac
    rm -f "$link"
}

start() {
    local bin folder user
    bin=$(find_bin)
    stop  # one left over from a run that was cut short
    folder=$(mktemp -d /tmp/scoreserver-pg.XXXXXX)
    chmod 755 "$folder"
    echo "$bin" >"$folder/bindir"
    user=$(id -un)
    if [[ $(id -u) -eq 0 ]]; then
        user=nobody
        if id -u postgres >/dev/null 2>&1; then user=postgres; fi
        chown "$user" "$folder"
    fi
    if ! as_owner "$user" "$bin/initdb" -D "$folder/data" --username=postgres --auth=trust \
        --encoding=UTF8 --locale=C --no-sync >"$folder/initdb.log" 2>&1; then
        cat "$folder/initdb.log" >&2
        return 1
    fi
    cat >>"$folder/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$folder'
max_connections = 200
CONF
    if ! as_owner "$user" "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
        start >/dev/null; then
        cat "$folder/server.log" >&2
        return 1
    fi
    mkdir -p "$(dirname "$link")"
    ln -sfn "$folder" "$link"
    echo "PostgreSQL $("$bin/pg_ctl" --version | awk '{print $3}') on $link"
}

case $action in
start) start ;;
stop) stop ;;
*)
    echo "usage: $0 start|stop LINK" >&2
    exit 2
    ;;
esac
