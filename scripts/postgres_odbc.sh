# Sourced by scripts that give kavr a PostgreSQL data source of its own:
#   write_postgres_odbc_ini DIR DSN HOST PORT DATABASE USER
# writes DIR/odbcinst.ini (psqlODBC's ANSI driver, KAVR_PSQL_ODBC or the
# first installed copy) and DIR/odbc.ini (the data source DSN), for
# ODBCSYSINI=DIR and ODBCINI=DIR/odbc.ini. The ANSI driver hands text over
# as the server sends it, and the data source sets the client encoding to
# UTF-8 whatever the environment (PGCLIENTENCODING, the locale) says, so
# UTF-8 text comes back byte for byte.
write_postgres_odbc_ini() {
    local dir=$1 dsn=$2 host=$3 port=$4 database=$5 user=$6
    local driver=${KAVR_PSQL_ODBC:-}
    for candidate in /usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so \
                     /usr/lib/aarch64-linux-gnu/odbc/psqlodbca.so /usr/lib/odbc/psqlodbca.so; do
        if [ -z "$driver" ] && [ -e "$candidate" ]; then driver=$candidate; fi
    done
    printf '[PostgreSQL]\nDriver=%s\n' "${driver:-psqlodbca.so}" > "$dir/odbcinst.ini"
    printf '[%s]\nDriver=PostgreSQL\nServername=%s\nPort=%s\nDatabase=%s\nUsername=%s\nSSLmode=disable\n%s\n' \
        "$dsn" "$host" "$port" "$database" "$user" "ConnSettings=SET client_encoding TO 'UTF8'" > "$dir/odbc.ini"
}
