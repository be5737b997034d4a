#!/usr/bin/env python3
"""The sample bookshop in a real browser: headless Chromium through
chromedriver and selenium, against the site served by lighttpd on a free
port of 127.0.0.1, with the mail sink of scripts/serve.sh beside it.

usage: sample_site_test.py --kavr KAVR --out DIR [--gateway fastcgi|cgi]

It opens every page, follows every link of the site, submits every form
(validation errors, an insert, an edit, uploads, the preference cookie and
its redirect, the guest book, the contact mail arriving at the sink),
checks what the pages show and that the browser's console stays free of
errors, and saves a screenshot of each page under DIR. --gateway (default
fastcgi) is handed to scripts/serve_site.sh as KAVR_GATEWAY: how lighttpd
runs kavr; the test checks that the pages really came that way.
Exit status 0 when every check passed.
"""
import argparse
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.error
import urllib.parse
import urllib.request
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHROMIUM_FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--disable-dev-shm-usage", "--window-size=412,915"]
SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "runtime error:")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def png_picture(width, height, rgb):
    rows = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def wait_for(what, ready, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        value = ready()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Site:
    """The served site: mail sink, laid-out site directory and lighttpd."""

    def __init__(self, kavr, work, gateway):
        self.work = work
        self.dir = os.path.join(work, "site")
        self.inbox = os.path.join(self.dir, "mail", "inbox")
        os.makedirs(self.inbox)
        self.procs = []
        self.sink = self.start([sys.executable, os.path.join(ROOT, "tests", "smtp", "smtp_sink.py"),
                                self.inbox], "sink")
        port_file = os.path.join(self.inbox, "port")
        wait_for("the mail sink", lambda: os.path.exists(port_file) and open(port_file).read())
        env = dict(os.environ, SMTP_PORT=open(port_file).read().strip(), KAVR_SITE_MODE="production",
                   KAVR_GATEWAY=gateway)
        self.kavr = kavr
        self.port = free_port()
        conf = subprocess.run(["bash", os.path.join(ROOT, "scripts", "serve_site.sh"), kavr, self.dir,
                               str(self.port)], env=env, check=True, stdout=subprocess.PIPE,
                              text=True).stdout.strip().splitlines()[-1]
        served = open(conf).read()
        assert ("fastcgi.server" in served) == (gateway == "fastcgi"), "lighttpd.conf does not use " + gateway
        lighttpd = shutil.which("lighttpd") or "/usr/sbin/lighttpd"
        self.lighttpd = self.start([lighttpd, "-D", "-f", conf], "lighttpd")
        self.base = "http://127.0.0.1:%d" % self.port
        wait_for("lighttpd", self.answers)
        # lighttpd starts its FastCGI workers with itself; they must serve
        # every page of the test.
        self.first_workers = sorted(wait_for("the FastCGI workers", lambda: len(self.kavr_children()) == 2
                                             and self.kavr_children())) if gateway == "fastcgi" else []

    def start(self, argv, name):
        out = open(os.path.join(self.work, name + ".out"), "wb")
        p = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT)
        self.procs.append(p)
        return p

    def answers(self):
        try:
            urllib.request.urlopen(self.base + "/", timeout=2).read()
            return True
        except (OSError, urllib.error.URLError):
            return False

    def status(self, path):
        try:
            return urllib.request.urlopen(self.base + path, timeout=10).status
        except urllib.error.HTTPError as e:
            return e.code

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def kavr_children(self):
        """The kavr processes lighttpd runs now: its FastCGI workers (a CGI
        program has ended with its request)."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                exe = os.path.realpath("/proc/%s/exe" % pid)
            except (OSError, ValueError, IndexError):
                continue
            if ppid == self.lighttpd.pid and exe == os.path.realpath(self.kavr):
                found.append(int(pid))
        return found

    def server_log(self):
        path = os.path.join(self.dir, "log", "lighttpd-error.log")
        return open(path, errors="replace").read() if os.path.exists(path) else ""


class Browser:
    def __init__(self, work, shots):
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + os.path.join(work, "profile"))
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver", port=free_port(),
                          log_path=os.path.join(work, "chromedriver.log"))
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.set_page_load_timeout(30)
        self.shots = shots
        self.shot_names = set()

    def console_errors(self, allowed=()):
        entries = self.driver.get_log("browser")
        return [e["message"] for e in entries
                if e["level"] == "SEVERE" and not any(a in e["message"] for a in allowed)]

    def screenshot(self, name):
        if name in self.shot_names:
            return
        self.shot_names.add(name)
        path = os.path.join(self.shots, name + ".png")
        height = self.driver.execute_script("return document.documentElement.scrollHeight")
        self.driver.set_window_size(412, max(915, min(int(height) + 140, 6000)))
        self.driver.save_screenshot(path)
        self.driver.set_window_size(412, 915)

    def quit(self):
        self.driver.quit()


class SiteTest:
    def __init__(self, site, browser):
        self.site = site
        self.b = browser
        self.d = browser.driver
        self.failures = []
        self.passed = 0

    # ---- helpers ------------------------------------------------------
    def url(self, template, **query):
        q = {"template": template}
        q.update(query)
        return self.site.base + "/cgi-bin/kavr?" + urllib.parse.urlencode(q)

    def open(self, url, allowed_console=()):
        self.d.get(url)
        self.settle(allowed_console)

    def settle(self, allowed_console=()):
        wait_for("the page to load", lambda: self.d.execute_script("return document.readyState") == "complete")
        errors = self.b.console_errors(allowed_console)
        assert not errors, "console errors on %s: %s" % (self.d.current_url, errors)
        self.shot()

    def shot(self):
        parsed = urllib.parse.urlparse(self.d.current_url)
        q = urllib.parse.parse_qs(parsed.query)
        if "template" in q:
            name = q["template"][0].strip("/").replace(".kvl", "").replace("/", "_").replace(".", "_")
        elif parsed.path == "/":
            name = "home"
        else:  # a form's answer: named after its heading
            heads = self.d.find_elements(By.TAG_NAME, "h1")
            name = "".join(c if c.isalnum() else "_" for c in (heads[0].text if heads else "page")).lower()
        if self.d.find_elements(By.CSS_SELECTOR, ".error-box"):
            name += "-error"
        elif "Form Entries Incomplete or Invalid" in self.text():
            name += "-validation"
        self.b.screenshot(name)

    def text(self):
        return self.d.find_element(By.TAG_NAME, "body").text

    def has(self, *texts):
        body = self.text()
        for t in texts:
            assert t in body, "page %s lacks %r; it shows:\n%s" % (self.d.current_url, t, body[:1500])

    def lacks(self, *texts):
        body = self.text()
        for t in texts:
            assert t not in body, "page %s shows %r" % (self.d.current_url, t)

    def submit(self, form, **fields):
        for name, value in fields.items():
            field = form.find_element(By.NAME, name)
            if field.tag_name == "select":
                Select(field).select_by_visible_text(value)
            else:
                field.clear()
                field.send_keys(value)
        form.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
        self.settle()

    def form(self, template_field):
        return self.d.find_element(By.XPATH, "//form[input[@name='template' and @value='%s']]" % template_field)

    def run(self, name, check):
        try:
            check()
            self.passed += 1
            print("PASS", name, flush=True)
        except Exception as e:  # one failed check must not hide the others
            self.failures.append(name)
            print("FAIL %s: %s" % (name, e), flush=True)
            if not isinstance(e, AssertionError):
                traceback.print_exc()

    # ---- the checks ---------------------------------------------------
    def home(self):
        self.open(self.site.base + "/")
        assert self.d.title == "Lindenhof Books · a kavr sample site", self.d.title
        self.has("Köln", "日本", "Catalogue", "Guest book", "Preferences", "maxrows")
        width = self.d.execute_script("return document.documentElement.scrollWidth")
        assert width <= 412, "the home page is wider than a phone: %d" % width

    def every_link(self):
        """Every page reached from the home page, link by link: no console
        error, no error box, each page in the site's frame."""
        seen, queue = set(), [self.site.base + "/"]
        while queue:
            url = queue.pop(0)
            if url in seen:
                continue
            seen.add(url)
            missing = "no-such-page" in url
            self.open(url, ("404 (Not Found)",) if missing else ())
            if missing:
                self.has("Sorry, we cannot find the page you asked for.")
                continue
            assert not self.d.find_elements(By.CSS_SELECTOR, ".error-box"), "error box on " + url
            assert self.d.find_elements(By.CSS_SELECTOR, "header.site a.name"), "no site header on " + url
            for a in self.d.find_elements(By.CSS_SELECTOR, "a[href]"):
                href = a.get_attribute("href").split("#")[0]
                if href.startswith(self.site.base) and "/covers/" not in href:
                    queue.append(href)
            assert len(seen) < 80, "the site has more pages than expected"
        pages = {urllib.parse.parse_qs(urllib.parse.urlparse(u).query).get("template", ["/"])[0] for u in seen}
        for template in ("/catalogue.kvl", "/book.kvl", "/book_add.kvl", "/guestbook.kvl", "/contact.kvl",
                         "/mailbox.kvl", "/prefs.kvl", "/visits.kvl", "/no-such-page.kvl"):
            assert template in pages, "no link leads to " + template

    def catalogue(self):
        self.open(self.url("/catalogue.kvl"))
        self.has("14 books, 5 to a page", "Children", "Page 1 of 3")
        assert len(self.d.find_elements(By.CSS_SELECTOR, "ul.books li")) == 5
        headings = [h.text for h in self.d.find_elements(By.TAG_NAME, "h2")]
        assert headings == ["Children", "Classics"], headings
        self.d.find_element(By.LINK_TEXT, "Next →").click()
        self.settle()
        self.has("Page 2 of 3", "Classics (continued)", "Les Misérables", "Kokoro (こころ)", "Natsume Sōseki")
        self.lacks("Pippi Långstrump")
        self.d.find_element(By.LINK_TEXT, "Next →").click()
        self.settle()
        self.has("Page 3 of 3", "Köln: Ein Stadtführer", "日本 — A Journey")
        assert not self.d.find_elements(By.LINK_TEXT, "Next →")

    def search(self):
        self.open(self.url("/catalogue.kvl"))
        self.submit(self.form("/catalogue.kvl"), q="köln")
        self.has("1 book found for", "Köln: Ein Stadtführer", "Jürgen Bäcker")
        self.b.screenshot("catalogue-search")
        assert self.d.find_element(By.NAME, "q").get_attribute("value") == "köln"
        # A quote and markup stay text: in the box, above the results and in SQL.
        hostile = "Zoë's \"<b>bold</b>"
        self.submit(self.form("/catalogue.kvl"), q=hostile)
        assert self.d.find_element(By.NAME, "q").get_attribute("value") == hostile
        self.has("0 books found for", hostile, "No book matches.")
        assert not self.d.find_elements(By.CSS_SELECTOR, "p.count b b"), "the search text became markup"
        self.submit(self.form("/catalogue.kvl"), q="Zoë")
        self.has("1 book found for", "Zoë's Winter Fox", "Zoë Ångström")

    def add_book(self):
        self.open(self.url("/book_add.kvl"))
        add = lambda **f: self.submit(self.form("/book_add.kvl"), **f)
        add(title="", author="Michael Ende", price="11.50")
        self.has("Form Entries Incomplete or Invalid", "Please enter the title of the book.")
        self.d.back()
        self.settle()
        add(title="Momo", author="Michael Ende", price="elf")
        self.has("The price must be a number, such as 9.50.", "elf")
        self.d.back()
        self.settle()
        add(title="Momo — Die Zeit-Diebe", author="Michael Ende", category="Children", price="11.50",
            year="1973", note="Grey gentlemen steal the town’s time.")
        self.has("Book added", "the book is now in the catalogue")
        self.d.find_element(By.PARTIAL_LINK_TEXT, "See it at the top").click()
        self.settle()
        first = self.d.find_element(By.CSS_SELECTOR, "#recent + ul.books li a")
        assert first.text == "Momo — Die Zeit-Diebe", first.text
        first.click()
        self.settle()
        self.has("Momo — Die Zeit-Diebe", "Michael Ende", "$11.50", "1973", "Grey gentlemen steal the town’s time.")
        self.open(self.url("/catalogue.kvl", q="Momo"))
        self.has("1 book found for", "Momo — Die Zeit-Diebe")

    def edit_book(self):
        self.open(self.url("/book.kvl", id="9"))
        self.has("Köln: Ein Stadtführer", "$16.00")
        change = lambda **f: self.submit(self.form("/book_save.kvl"), **f)
        change(price="sechzehn")
        self.has("Form Entries Incomplete or Invalid", "The price must be a number, such as 9.50.")
        self.d.back()
        self.settle()
        change(price="2000")
        self.has("must be between 0 and 1000")
        self.d.back()
        self.settle()
        change(price="17.25", note="Neu: mit Karte der Veedel. Köln ✓")
        self.has("Saved", "are stored", "$17.25", "Neu: mit Karte der Veedel. Köln ✓", "Köln: Ein Stadtführer")
        self.d.find_element(By.LINK_TEXT, "Back to the book").click()
        self.settle()
        self.has("$17.25", "Neu: mit Karte der Veedel. Köln ✓")
        # A number that matches no row changes nothing and says so.
        self.open(self.url("/book.kvl", id="9"))
        self.d.execute_script("document.querySelector(\"form input[name=id]\").value = '999'")
        change(price="1")
        self.has("No such book", "nothing was changed")

    def upload(self):
        picture = os.path.join(self.site.work, "cover.png")
        with open(picture, "wb") as f:
            f.write(png_picture(120, 160, (47, 93, 80)))
        not_picture = os.path.join(self.site.work, "notes.txt")
        with open(not_picture, "w") as f:
            f.write("just text\n")
        self.open(self.url("/book.kvl", id="8"))
        self.has("No cover picture yet")
        form = self.form("/cover_save.kvl")
        form.find_element(By.NAME, "cover").send_keys(not_picture)
        form.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
        self.settle()
        self.has("Not a picture", "Please choose a PNG or JPEG picture.")
        self.open(self.url("/book.kvl", id="8"))
        form = self.form("/cover_save.kvl")
        form.find_element(By.NAME, "cover").send_keys(picture)
        form.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
        self.settle()
        self.has("Cover saved", "Zoë's Winter Fox")
        self.image_shown()
        self.d.find_element(By.LINK_TEXT, "Back to the book").click()
        self.settle()
        self.lacks("No cover picture yet")
        self.image_shown()
        self.b.screenshot("book-with-cover")
        with open(os.path.join(self.site.dir, "covers", "8.png"), "rb") as f:
            assert f.read() == open(picture, "rb").read(), "the stored cover differs from the upload"

    def image_shown(self):
        img = self.d.find_element(By.CSS_SELECTOR, "img[alt^='Cover of']")
        wait_for("the cover picture", lambda: self.d.execute_script(
            "return arguments[0].complete && arguments[0].naturalWidth", img) == 120)

    def guestbook(self):
        self.open(self.url("/guestbook.kvl"))
        self.has("No entries yet.")
        sign = lambda **f: self.submit(self.form("/guestbook.kvl"), **f)
        sign(name="Zoë", message="Schöne Bücher aus Köln und 日本!")
        self.has("Thank you for your entry.", "Zoë: Schöne Bücher aus Köln und 日本!")
        sign(name="Mallory", message="<script>document.title='owned'</script><i>hi</i>")
        self.has("Mallory: <script>document.title='owned'</script><i>hi</i>")
        assert "owned" not in self.d.title and not self.d.find_elements(By.CSS_SELECTOR, "blockquote i")
        entries = [e.text for e in self.d.find_elements(By.CSS_SELECTOR, "blockquote.entry")]
        assert len(entries) == 2, entries
        self.b.screenshot("guestbook-with-entries")
        self.open(self.url("/guestbook.kvl"))
        assert len(self.d.find_elements(By.CSS_SELECTOR, "blockquote.entry")) == 2

    def preferences(self):
        self.open(self.url("/prefs.kvl"))
        self.submit(self.form("/prefs_save.kvl"), perpage="10")
        # The form posted to prefs_save.kvl, which redirected here.
        assert "template=%2Fprefs.kvl" in self.d.current_url or "template=/prefs.kvl" in self.d.current_url, \
            self.d.current_url
        self.has("Saved: the catalogue now shows 10 books to a page.")
        cookie = self.d.get_cookie("perpage")
        assert cookie and cookie["value"] == "10", cookie
        self.open(self.url("/catalogue.kvl"))
        self.has("10 to a page", "Page 1 of 2")
        assert len(self.d.find_elements(By.CSS_SELECTOR, "ul.books li")) == 10
        self.open(self.url("/prefs.kvl"))
        assert Select(self.d.find_element(By.NAME, "perpage")).first_selected_option.text == "10"
        # A size the site does not offer is refused and the cookie stays.
        self.open(self.url("/prefs.kvl", perpage="1000"))
        self.has("Please choose one of the sizes below.")
        assert self.d.get_cookie("perpage")["value"] == "10"

    def contact(self):
        self.open(self.url("/mailbox.kvl"))
        self.has("No mail yet.")
        self.open(self.url("/contact.kvl"))
        send = lambda **f: self.submit(self.form("/contact.kvl"), **f)
        send(name="Zoë Ångström", email="zoe@example.org", message="")
        self.has("Form Entries Incomplete or Invalid", "Please write your message.")
        self.d.back()
        self.settle()
        send(name="Zoë Ångström", email="zoe@example.org",
             message="Haben Sie „Die Blechtrommel“? Grüße aus Köln")
        self.has("Thank you, Zoë Ångström.", "zoe@example.org")
        wait_for("the mail at the sink", lambda: os.path.exists(os.path.join(self.site.inbox, "msg1.headers")))
        envelope = open(os.path.join(self.site.inbox, "msg1.envelope")).read()
        assert "RCPT TO:<books@lindenhof.example>" in envelope, envelope
        body = open(os.path.join(self.site.inbox, "msg1.part1.data"), "rb").read().decode("utf-8")
        assert "Haben Sie „Die Blechtrommel“? Grüße aus Köln" in body and "zoe@example.org" in body, body
        self.d.find_element(By.PARTIAL_LINK_TEXT, "See it arrive").click()
        self.settle()
        self.has("Message 1", "A message from the website", "books@lindenhof.example",
                 "Haben Sie „Die Blechtrommel“? Grüße aus Köln", "Name:    Zoë Ångström\nAddress: zoe@example.org")
        mail = self.d.find_element(By.CSS_SELECTOR, "pre.mail").text
        assert mail.startswith("A visitor wrote through the contact form of Lindenhof Books.\n\nName:"), mail
        self.lacks("No mail yet.")
        self.b.screenshot("mailbox-with-mail")

    def visits(self):
        self.open(self.url("/visits.kvl"))
        first = int(self.d.find_element(By.CSS_SELECTOR, "p.notice").text.split()[5])
        self.d.find_element(By.LINK_TEXT, "Count once more").click()
        self.settle()
        self.has("This page has been shown %d times." % (first + 1))

    def missing_page(self):
        self.open(self.url("/no-such-page.kvl"), ("404 (Not Found)",))
        self.has("Sorry, something went wrong", "Sorry, we cannot find the page you asked for.",
                 "Back to the home page of Lindenhof Books")
        # Production: the visitor sees the message only, no path or advice.
        self.lacks("What happened", "What to check", "templates", "kavri.ini")
        self.d.find_element(By.LINK_TEXT, "Back to the home page of Lindenhof Books").click()
        self.settle()
        assert self.d.current_url == self.site.base + "/"

    def gateway(self, name):
        """The pages came from kavr the way the site is served: the two
        FastCGI workers lighttpd started with itself served all the requests
        above (none ended or was replaced), and no kavr process stays under
        lighttpd when it runs kavr as CGI."""
        workers = sorted(self.site.kavr_children())
        if name == "fastcgi":
            assert workers == self.site.first_workers, \
                "kavr workers at the start %s, now %s" % (self.site.first_workers, workers)
        else:
            assert not workers, "kavr processes stay under lighttpd through CGI: %s" % workers

    def private_files(self):
        for path in ("/cgi-bin/kavri.ini", "/cgi-bin/kavr_msg.ini", "/cgi-bin/kavri.log"):
            status = self.site.status(path)
            assert status == 404, "%s answered %d" % (path, status)

    def production_log(self):
        """The production log holds errors only, and none but those the
        checks above caused on purpose."""
        log = os.path.join(self.site.dir, "log", "kavri.log")
        text = open(log, errors="replace").read() if os.path.exists(log) else ""
        expected = ("No definition for this variable",     # ParameterExists of an absent field
                    "Form variable's Semantic Checking Failed", "Open Template Failed",
                    "Error 10220 explanation:", "Error 10220 troubleshooting:")
        lines = [l for l in text.splitlines() if l.startswith("TID=")]
        assert lines, "nothing in kavri.log, though a missing page was asked for"
        unexpected = [l for l in lines if not any(e in l for e in expected)]
        assert not unexpected, "unexpected lines in kavri.log:\n" + "\n".join(unexpected[:20])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kavr", required=True)
    ap.add_argument("--out", required=True, help="directory for the screenshots")
    ap.add_argument("--gateway", choices=("fastcgi", "cgi"), default="fastcgi")
    opts = ap.parse_args()
    shots = os.path.abspath(opts.out)
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    work = tempfile.mkdtemp(prefix="kavr-browser-")
    site = browser = None
    try:
        site = Site(os.path.abspath(opts.kavr), work, opts.gateway)
        browser = Browser(work, shots)
        t = SiteTest(site, browser)
        for name in ("home", "every_link", "catalogue", "search", "add_book", "edit_book", "upload",
                     "guestbook", "preferences", "contact", "visits", "missing_page", "private_files",
                     "production_log"):
            t.run(name.replace("_", " "), getattr(t, name))
        t.run("gateway " + opts.gateway, lambda: t.gateway(opts.gateway))
        log = site.server_log()
        if any(m in log for m in SANITIZER_MARKS):
            t.failures.append("sanitizer report")
            print("FAIL sanitizer report in the server's error log:\n" + log)
        print("browser (%s): %d passed, %d failed; screenshots in %s"
              % (opts.gateway, t.passed, len(t.failures), shots))
        return 1 if t.failures else 0
    finally:
        if browser:
            browser.quit()
        if site:
            site.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
