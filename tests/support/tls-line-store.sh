#!/usr/bin/env bash
# A throw-away line store for tests of another program (the Windows one under
# Wine): PostgreSQL in DIR taking stations only over TLS on 127.0.0.1, as user
# "tkt" with the password "line-secret" (scram-sha-256), with the certificates
# of tests/support/test-certificates.sh in DIR/certificates and a database
# "line". The test itself reaches it through the socket in DIR.
#   tls-line-store.sh start DIR        makes and starts it; prints its port
#   tls-line-store.sh sql DIR STATEMENT   runs a statement in "line", prints the rows
#   tls-line-store.sh stop DIR
# As root the server runs as "nobody", since PostgreSQL refuses root.
set -euo pipefail
what="${1:?start, sql or stop}"
dir="${2:?folder of the line store}"
bin="$(dirname "$(readlink -f "$(command -v pg_ctl || ls /usr/lib/postgresql/*/bin/pg_ctl 2>/dev/null | sort -V |
    tail -1)")")"
[ -x "$bin/initdb" ] && [ -x "$bin/psql" ] ||
    { echo "tls-line-store: PostgreSQL's initdb or psql is missing (scripts/deps.sh test)" >&2; exit 1; }
as_server() {
    if [ "$(id -u)" = 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; else "$@"; fi
}
port() { cat "$dir/port"; }

case "$what" in
start)
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" != 0 ] || chown nobody:nogroup "$dir"
    as_server "$(dirname "$0")/test-certificates.sh" "$dir/certificates"
    as_server sh -c "echo line-secret >'$dir/password'"
    as_server "$bin/initdb" -D "$dir/data" -U tkt --pwfile="$dir/password" -E UTF8 --locale=C --no-sync \
        >"$dir/initdb.log" 2>&1
    printf 'local all all trust\nhostssl all all 127.0.0.1/32 scram-sha-256\n' >"$dir/data/pg_hba.conf"
    options="-k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c ssl=on"
    options+=" -c ssl_cert_file=$dir/certificates/server.crt -c ssl_key_file=$dir/certificates/server.key"
    # A port another program listens on makes the server give up: the next is tried.
    first=$((20000 + RANDOM % 20000))
    for ((p = first; p < first + 20; p++)); do
        if as_server "$bin/pg_ctl" start -w -D "$dir/data" -l "$dir/server.log" -o "$options -p $p" >/dev/null; then
            echo "$p" >"$dir/port"
            "$bin/psql" -X -q -h "$dir" -p "$p" -U tkt -d postgres -c "CREATE DATABASE line"
            port
            exit 0
        fi
    done
    echo "tls-line-store: the server did not start: $(tail -3 "$dir/server.log")" >&2
    exit 1 ;;
sql) "$bin/psql" -X -A -t -h "$dir" -p "$(port)" -U tkt -d line -c "${3:?statement}" 2>&1 ;;
stop) [ ! -f "$dir/port" ] || as_server "$bin/pg_ctl" stop -w -m fast -D "$dir/data" >/dev/null ;;
*) echo "usage: $0 start|sql|stop DIR [STATEMENT]" >&2; exit 2 ;;
esac
