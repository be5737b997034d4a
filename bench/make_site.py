"""Writes the benchmark site: kavr's configurations (LogLevel 0 and 1), the
pages as templates and as PHP scripts, the SQLite database and the bodies
of the POST requests."""
import os
import sqlite3
import sys

work, kavr, catalog = sys.argv[1:4]
site = os.path.join(work, "site")
tpl = os.path.join(site, "templates")
php = os.path.join(site, "php")
for d in (tpl, php, os.path.join(site, "tmp")):
    os.makedirs(d, exist_ok=True)


def write(path, text, mode="w"):
    with open(path, mode) as f:
        f.write(text)


for level in (0, 1):
    bin_dir = os.path.join(site, "cgi-bin%d" % level)
    os.makedirs(bin_dir, exist_ok=True)
    os.symlink(kavr, os.path.join(bin_dir, "kavr"))
    write(os.path.join(bin_dir, "kavr_msg.ini"), open(catalog).read())
    write(os.path.join(bin_dir, "kavri.ini"), """[Template]
TmpLogicalPath1=/site
TmpPhysicalPath1=%s
[Log]
LogLevel=%d
[File IO]
FileIOLogicalPath1=/temp
FileIOPhysicalPath1=%s/tmp
FileRead1=1
FileWrite1=1
[ODBC]
SQLDataSource1=kavr_bench
""" % (tpl, level, site))

con = sqlite3.connect(os.path.join(work, "odbc", "bench.db"))
con.execute("CREATE TABLE items (id integer PRIMARY KEY, grp varchar(10), name varchar(40), price numeric(8,2))")
con.executemany("INSERT INTO items VALUES (?, ?, ?, ?)",
                [(i, "group%02d" % (i // 50), "item number %d" % i, i * 0.25) for i in range(1, 1001)])
con.commit()
con.close()

write(os.path.join(tpl, "hello.kvl"), '<kavset who = "world"><kavprint>Hello, #who#!</kavprint>\n')
write(os.path.join(php, "hello.php"), '<?php $who = "world"; echo "Hello, $who!";\n')

# Five includes of ten function calls each.
write(os.path.join(tpl, "part.kvl"),
      '<kavprint><p>#UCase(s)# #LCase(s)# #Len(s)# #Left(s, 5)# #Right(s, 5)# '
      '#Mid(s, 2, 3)# #Trim(pad)# #Abs(-3)# #InStr(s, "World")# #Asc("A")#</p>\n</kavprint>')
write(os.path.join(tpl, "includes.kvl"),
      '<kavset s = "Hello World"><kavset pad = "  padded  ">' + '<kavinclude template="/site/part.kvl">' * 5)
write(os.path.join(php, "part.php"),
      '<?php echo "<p>", strtoupper($s), " ", strtolower($s), " ", strlen($s), " ", substr($s, 0, 5), " ",'
      ' substr($s, -5), " ", substr($s, 1, 3), " ", trim($pad), " ", abs(-3), " ", strpos($s, "World") + 1,'
      ' " ", ord("A"), "</p>\\n";\n')
write(os.path.join(php, "includes.php"),
      '<?php $s = "Hello World"; $pad = "  padded  ";' + ' include "part.php";' * 5 + '\n')

# A form of 50 fields, each with a rule.
fields = ["f%d=value+%d&f%d_required=Field+%d+is+required" % (i, i, i, i) for i in range(1, 51)]
write(os.path.join(work, "form.body"), "template=/site/form.kvl&" + "&".join(fields))
write(os.path.join(tpl, "form.kvl"), "<kavprint>#f1# #f25# #f50#</kavprint>\n")
write(os.path.join(php, "form.php"), """<?php
$missing = [];
for ($i = 1; $i <= 50; $i++)
    if (isset($_POST["f{$i}_required"]) && (!isset($_POST["f$i"]) || $_POST["f$i"] === ""))
        $missing[] = $_POST["f{$i}_required"];
if ($missing) { echo implode("\\n", $missing); exit; }
echo $_POST["f1"], " ", $_POST["f25"], " ", $_POST["f50"];
""")

write(os.path.join(tpl, "loop.kvl"),
      '<kavset total = 0><kavfor i = 1 to 10000><kavset total = #total + i * 2#>'
      '<kavset line = #i & ":" & total#><kavprint>#line#,</kavprint></kavfor>\n')
write(os.path.join(php, "loop.php"),
      '<?php $total = 0; for ($i = 1; $i <= 10000; $i++) { $total = $total + $i * 2;'
      ' $line = $i . ":" . $total; echo "$line,"; }\n')

query = "SELECT id, grp, name, price FROM items ORDER BY id"
write(os.path.join(tpl, "print1000.kvl"), """<kavdbquery name="Items" datasource="kavr_bench" sql="%s">
<kavprint query="Items" group="grp"><h2>#grp#</h2>
<ul><kavprint><li>#id#: #name#, #price#</li>
</kavprint></ul>
</kavprint>
""" % query)
write(os.path.join(tpl, "table1000.kvl"), """<kavdbquery name="Items" datasource="kavr_bench" sql="%s">
<kavprinttable query="Items" htmltable border><kavprinttablecol width="10" header="No." text="#id#" align="right"><kavprinttablecol header="Name" text="#name#"><kavprinttablecol header="Price" text="#price#" align="right"></kavprinttable>
""" % query)
php_rows = """<?php
$c = odbc_connect("kavr_bench", "", "");
$r = odbc_exec($c, "%s");
echo "\\n";
%s
odbc_close($c);
"""
write(os.path.join(php, "print1000.php"), php_rows % (query, """$group = null;
while ($row = odbc_fetch_array($r)) {
    if ($row["grp"] !== $group) {
        if ($group !== null) echo "</ul>\\n";
        $group = $row["grp"];
        echo "<h2>$group</h2>\\n<ul>";
    }
    echo "<li>{$row["id"]}: {$row["name"]}, {$row["price"]}</li>\\n";
}
echo "</ul>\\n";"""))
write(os.path.join(php, "table1000.php"), php_rows % (query, """echo '<TABLE CELLSPACING="2"  BORDER><TR><TH WIDTH=10% ALIGN=RIGHT>No.</TH><TH ALIGN=LEFT>Name</TH><TH ALIGN=RIGHT>Price</TH></TR>', "\\n";
while ($row = odbc_fetch_array($r))
    echo "<TR><TD WIDTH=10% ALIGN=RIGHT>{$row["id"]}</TD><TD ALIGN=LEFT>{$row["name"]}</TD><TD ALIGN=RIGHT>{$row["price"]}</TD></TR>\\n";
echo "</TABLE>";"""))

# 10 MB of plain HTML through the interpreter.
line = '<p class="text">Plain text of a page, with <b>markup</b> and words, line %07d.</p>\n'
write(os.path.join(tpl, "plain.kvl"), "".join(line % i for i in range(10 * 1024 * 1024 // len(line % 0))))

# A 10 MB upload.
boundary = "----kavrBenchBoundary"
head = ("--%s\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nbench\r\n--%s\r\n"
        "Content-Disposition: form-data; name=\"file\"; filename=\"big.bin\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n" % (boundary, boundary)).encode()
chunk = bytes(range(256)) * 4096
with open(os.path.join(work, "upload.body"), "wb") as f:
    f.write(head)
    for _ in range(10):
        f.write(chunk)
    f.write(("\r\n--%s--\r\n" % boundary).encode())
write(os.path.join(tpl, "upload.htm"), "Content-type: text/html\n\n<p>Stored</p>\n")
