"""Runs every page of the benchmark site through its variants (kavr, the C
floor, php-cgi, or kavr at another log level), alternating, and prints the
medians and the ratios of kavr's time to each other variant's."""
import os
import shutil
import statistics
import subprocess
import sys
import time

work, runs = sys.argv[1], int(sys.argv[2])
# With KAVR_BENCH_COUNT=1 each variant runs once under callgrind and the
# table shows instructions (millions) instead of times: on a shared, busy
# machine they repeat where times do not.
count = os.environ.get("KAVR_BENCH_COUNT") == "1"
site = os.path.join(work, "site")
min_cgi, min_odbc = os.path.join(work, "min_cgi"), os.path.join(work, "min_odbc")
php_cgi = shutil.which("php-cgi")
odbc = os.path.join(work, "odbc")
base_env = {"GATEWAY_INTERFACE": "CGI/1.1", "PATH": "/usr/bin:/bin",
            "ODBCSYSINI": odbc, "ODBCINI": os.path.join(odbc, "odbc.ini")}
SQL = "SELECT id, grp, name, price FROM items ORDER BY id"


def kavr(level=0):
    return os.path.join(site, "cgi-bin%d" % level, "kavr")


def get(query):
    return dict(base_env, REQUEST_METHOD="GET", QUERY_STRING=query)


def post(body_file, content_type, query=""):
    return dict(base_env, REQUEST_METHOD="POST", QUERY_STRING=query, CONTENT_TYPE=content_type,
                CONTENT_LENGTH=str(os.path.getsize(body_file)))


def php(script, env):
    path = os.path.join(site, "php", script)
    return [php_cgi, "-d", "default_charset=", "-d", "expose_php=0", path], dict(
        env, SCRIPT_FILENAME=path, REDIRECT_STATUS="200")


form_body = os.path.join(work, "form.body")
upload_body = os.path.join(work, "upload.body")
form_type = "application/x-www-form-urlencoded"
upload_type = "multipart/form-data; boundary=----kavrBenchBoundary"
# name, kavr's request (env, stdin), the peers: "floor", "odbc", a PHP script, "log1"
pages = [
    ("hello", get("template=/site/hello.kvl"), None, ["floor", "hello.php"]),
    ("includes+functions", get("template=/site/includes.kvl"), None, ["floor", "includes.php"]),
    ("form POST, 50 fields", post(form_body, form_type), form_body, ["floor", "form.php"]),
    ("loop 10,000", get("template=/site/loop.kvl"), None, ["floor", "loop.php"]),
    ("kavprint 1000 rows", get("template=/site/print1000.kvl"), None, ["odbc", "print1000.php"]),
    ("kavprinttable 1000 rows", get("template=/site/table1000.kvl"), None, ["odbc", "table1000.php"]),
    ("upload 10 MB", post(upload_body, upload_type, "template=/site/upload.htm"), upload_body, ["floor"]),
    ("plain HTML 10 MB", get("template=/site/plain.kvl"), None, ["floor"]),
    ("hello, LogLevel 1 vs 0", get("template=/site/hello.kvl"), None, ["log1"]),
]

devnull = os.open(os.devnull, os.O_WRONLY)


def run(argv, env, stdin_file, capture=False):
    stdin = open(stdin_file, "rb") if stdin_file else subprocess.DEVNULL
    start = time.perf_counter()
    p = subprocess.run(argv, env=env, stdin=stdin, stdout=subprocess.PIPE if capture else devnull,
                       cwd=site)
    elapsed = time.perf_counter() - start
    if stdin_file:
        stdin.close()
    return elapsed, p.stdout


def instructions(argv, env, stdin_file):
    stdin = open(stdin_file, "rb") if stdin_file else subprocess.DEVNULL
    p = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv, env=env,
                       stdin=stdin, stdout=devnull, stderr=subprocess.PIPE, cwd=site)
    if stdin_file:
        stdin.close()
    for line in p.stderr.decode(errors="replace").splitlines():
        if "Collected :" in line:
            return int(line.split(":")[-1]) / 1e6
    sys.exit("no instruction count for %s" % argv[0])


def body(answer):
    for sep in (b"\r\n\r\n", b"\n\n"):
        at = answer.find(sep)
        if at >= 0:
            return answer[at + len(sep):]
    return answer


print("instructions in millions, one run of each variant under callgrind" if count else
      "%d runs of each variant, alternating; medians in ms" % runs)
print("| page | kavr | C floor | kavr / C | php-cgi | kavr / php |")
print("|---|---|---|---|---|---|")
for name, env, stdin_file, peers in pages:
    _, answer = run([kavr()], env, stdin_file, capture=True)
    expected = os.path.join(work, "answer-" + name.split()[0].strip(","))
    with open(expected, "wb") as f:
        f.write(answer)
    variants = [("kavr", [kavr()], env, stdin_file)]
    for peer in peers:
        if peer == "floor":
            e = dict(env, MIN_CGI_FILE=expected)
            if stdin_file:
                e["MIN_CGI_STDIN"] = os.path.join(site, "tmp", "floor.upload")
            variants.append(("floor", [min_cgi], e, stdin_file))
        elif peer == "odbc":
            variants.append(("floor", [min_odbc], dict(env, MIN_CGI_FILE=expected, MIN_DSN="kavr_bench",
                                                        MIN_SQL=SQL), stdin_file))
        elif peer == "log1":
            variants.append(("log1", [kavr(1)], env, stdin_file))
        elif php_cgi:
            argv, e = php(peer, env)
            variants.append(("php", argv, e, stdin_file))
    for label, argv, e, s in variants[1:]:
        _, other = run(argv, e, s, capture=True)
        same = body(other) == body(answer) if label == "php" else other == answer
        if not answer or not same:
            sys.exit("%s: kavr and %s do not print the same bytes:\n%r\n%r" %
                     (name, label, answer[:300], other[:300]))
    if count:
        med = {label: instructions(argv, e, s) for label, argv, e, s in variants}
    else:
        times = {label: [] for label, *_ in variants}
        for _ in range(runs):
            for label, argv, e, s in variants:
                times[label].append(run(argv, e, s)[0])
        med = {label: statistics.median(t) * 1000 for label, t in times.items()}
    k = med["kavr"]
    if "log1" in med:
        print("| %s | %.2f | %.2f (LogLevel 1) | %.2f | | |" % (name, k, med["log1"], med["log1"] / k))
        continue
    php_cols = ("%.2f | %.2f" % (med["php"], k / med["php"])) if "php" in med else " | "
    print("| %s (%d B) | %.2f | %.2f | %.2f | %s |" % (name, len(answer), k, med["floor"], k / med["floor"],
                                                      php_cols))
