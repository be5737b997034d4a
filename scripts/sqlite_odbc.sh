# Sourced by scripts that give kavr a SQLite data source of its own:
#   write_sqlite_odbc_ini DIR DSN DATABASE
# writes DIR/odbcinst.ini (the SQLite ODBC driver, KAVR_SQLITE_ODBC or the
# first installed copy) and DIR/odbc.ini (the data source DSN on DATABASE),
# for ODBCSYSINI=DIR and ODBCINI=DIR/odbc.ini.
write_sqlite_odbc_ini() {
    local dir=$1 dsn=$2 database=$3
    local driver=${KAVR_SQLITE_ODBC:-}
    for candidate in /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so \
                     /usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so /usr/lib/odbc/libsqlite3odbc.so; do
        if [ -z "$driver" ] && [ -e "$candidate" ]; then driver=$candidate; fi
    done
    printf '[SQLite3]\nDriver=%s\n' "${driver:-libsqlite3odbc.so}" > "$dir/odbcinst.ini"
    printf '[%s]\nDriver=SQLite3\nDatabase=%s\n' "$dsn" "$database" > "$dir/odbc.ini"
}
