#!/usr/bin/env python3
"""Velorix benchmarks: each measure of the program against a reference run in the same invocation.

Run through bench/run, which builds the Release binaries and sets the test servers' environment.
"""
import argparse
import datetime
import decimal
import hashlib
import json
import os
import platform
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "release")
VELORIX = os.path.join(BIN, "shell", "gui", "velorix")
PANEL = os.path.join(BIN, "tools", "panel", "velorix-panel")
DEMO = os.path.join(BIN, "tools", "demo", "velorix-demo-db")

FB_HOST = os.environ.get("VELORIX_FB_HOST", "127.0.0.1")
FB_PORT = os.environ.get("VELORIX_FB_PORT", "3050")
FB_PASSWORD = os.environ.get("VELORIX_FB_PASSWORD", "")
FB_DIR = os.environ.get("VELORIX_FB_TESTDIR", "/var/tmp/velorix-fb")
MY_HOST = os.environ.get("VELORIX_MYSQL_HOST", "127.0.0.1")
MY_PORT = os.environ.get("VELORIX_MYSQL_PORT", "33306")
MY_USER = os.environ.get("VELORIX_MYSQL_USER", "velorix")
MY_PASSWORD = os.environ.get("VELORIX_MYSQL_PASSWORD", "velorix-test")

# The shop's size: (sales, years, products, NF-e, store rows).
SIZES = {
    "full": dict(sales=300000, years=3, products=30000, nfe=60000, store_rows=30000),
    "quick": dict(sales=20000, years=1, products=2000, nfe=2000, store_rows=2000),
}
SEED = 7

REGISTRO, TAMANHO, COR = "161719314835328", "161719309820536", "161719287792587"
CRYPT_KEY = "DMQFZLTRWBNVCEKSHGYPAJUXOI31579ZQMBWTLRNDVKFCSGH"


def log(*a):
    print(*a, file=sys.stderr, flush=True)


def crypt(src):
    """The ERP's scrambler, forward direction (what the config table stores)."""
    off = 128
    out = "%02X" % off
    pos = 0
    for ch in src:
        asc = (ord(ch) + off) % 255
        pos = pos + 1 if pos < len(CRYPT_KEY) else 1
        asc ^= ord(CRYPT_KEY[pos - 1])
        out += "%02X" % asc
        off = asc
    return out


def sql_text(s):
    return "'" + s.replace("'", "''") + "'"


class Timed:
    """Wall time, CPU time and peak resident memory of one child process (wait4)."""

    def __init__(self, argv, env=None, stdin=None, stdout=subprocess.DEVNULL, stderr=None):
        t0 = time.perf_counter()
        p = subprocess.Popen(argv, env=env, stdin=stdin, stdout=stdout, stderr=stderr)
        _, status, ru = os.wait4(p.pid, 0)
        self.wall = time.perf_counter() - t0
        p.returncode = os.waitstatus_to_exitcode(status)
        self.rc = p.returncode
        self.cpu = ru.ru_utime + ru.ru_stime
        self.maxrss = ru.ru_maxrss * 1024  # bytes


class Bench:
    def __init__(self, args):
        self.args = args
        self.mode = "quick" if args.quick else "full"
        self.size = SIZES[self.mode]
        self.work = os.path.join("/var/tmp/velorix-bench", self.mode)
        self.fdb = os.path.join(FB_DIR, "bench-%s.fdb" % self.mode)
        self.attach = "%s/%s:%s" % (FB_HOST, FB_PORT, self.fdb)
        self.store_db = "velorix_bench_%s" % self.mode
        self.dir = os.path.join(self.work, "settings")
        self.results = {}
        self.panel = None
        self.env = dict(os.environ, LANG="pt_BR.UTF-8", XDG_RUNTIME_DIR=os.path.join(self.work, "run"))
        for k in ("LC_ALL", "LC_NUMERIC", "LC_TIME", "VELORIX_TRACE_SQL"):
            self.env.pop(k, None)

    # ------------------------------------------------------------------ helpers

    def isql(self, script, out=subprocess.PIPE):
        p = subprocess.run(["isql-fb", "-q", "-user", "SYSDBA", "-password", FB_PASSWORD, self.attach],
                           input=script.encode(), stdout=out, stderr=subprocess.PIPE)
        if p.returncode != 0 or p.stderr.strip():
            raise RuntimeError("isql-fb: " + p.stderr.decode(errors="replace"))
        return p.stdout.decode() if out == subprocess.PIPE else ""

    def mariadb_argv(self, db=None):
        argv = ["mariadb", "-h", MY_HOST, "-P", MY_PORT, "-u", MY_USER, "-p" + MY_PASSWORD, "--batch", "--skip-column-names"]
        return argv + ([db] if db else [])

    def mariadb(self, script, db=None):
        p = subprocess.run(self.mariadb_argv(db), input=script.encode(), capture_output=True)
        if p.returncode != 0:
            raise RuntimeError("mariadb: " + p.stderr.decode(errors="replace"))
        return p.stdout.decode()

    def velorix(self, *args, **kw):
        return [VELORIX, "--dir", self.dir] + list(args)

    def repeat(self, n, fn):
        return [fn() for _ in range(n)]

    # ------------------------------------------------------------------ data

    def prepare(self):
        os.makedirs(self.work, exist_ok=True)
        os.makedirs(os.path.join(self.work, "run"), mode=0o700, exist_ok=True)
        today = datetime.date.today().isoformat()
        key = json.dumps(dict(self.size, seed=SEED, today=today,
                              demo=hashlib.sha1(open(DEMO, "rb").read()).hexdigest()), sort_keys=True)
        marker = os.path.join(self.work, "data.key")
        fresh = (not self.args.regenerate and os.path.exists(marker) and open(marker).read() == key
                 and os.path.exists(self.fdb) and os.path.exists(os.path.join(self.work, "store-seed.sql")))
        if fresh:
            log("data: reusing %s (same size, seed and day)" % self.work)
            self.counts = json.load(open(os.path.join(self.work, "counts.json")))
            self.gen_seconds = json.load(open(os.path.join(self.work, "gen.json")))["seconds"]
            return
        if os.path.exists(marker):
            os.remove(marker)
        s = self.size
        local = os.path.join(self.work, "gen.fdb")
        log("data: generating the %s shop (%d sales over %d years, %d products, %d NF-e)"
            % (self.mode, s["sales"], s["years"], s["products"], s["nfe"]))
        t0 = time.perf_counter()
        out = subprocess.run([DEMO, "--seed", str(SEED), "--sales", str(s["sales"]), "--years", str(s["years"]),
                              "--products", str(s["products"]), "--nfe", str(s["nfe"]), "--today", today,
                              "--force", local], check=True, capture_output=True, text=True).stdout
        self.gen_seconds = time.perf_counter() - t0
        self.counts = {m.group(1): int(m.group(2)) for m in re.finditer(r"^\s+(\w+)\s+(\d+)$", out, re.M)}
        # The program and isql-fb both go through the server: the file moves where the server
        # reads it.
        if os.path.exists(self.fdb):
            os.remove(self.fdb)
        shutil.move(local, self.fdb)
        shutil.chown(self.fdb, "firebird", "firebird")
        os.chmod(self.fdb, 0o660)
        # The stock push sends the active products flagged for the store: every active one here.
        self.isql("update produto set restautante = 'S' where ativo = 'S' and codbarra is not null;\n"
                  "update config set catalogo_user = %s, catalogo_base = %s, catalogo_senha = %s;\ncommit;\n"
                  % (sql_text(crypt(MY_USER)), sql_text(crypt(self.store_db)), sql_text(crypt(MY_PASSWORD))))
        self.prepare_store_seed()
        json.dump(self.counts, open(os.path.join(self.work, "counts.json"), "w"))
        json.dump({"seconds": self.gen_seconds}, open(os.path.join(self.work, "gen.json"), "w"))
        open(marker, "w").write(key)
        log("data: %d ERP rows in %.0f s" % (sum(self.counts.values()), self.gen_seconds))

    def erp_products(self):
        """The products the stock push sends, in the ERP's order: (barcode, quantity text)."""
        out = self.isql("set heading off;\nselect coalesce(codbarra, '<null>'), qtd_atual from Produto\n"
                        "where\nRESTAUTANTE='S' and\nATIVO='S';\n")
        rows = []
        for line in out.splitlines():
            parts = line.split()
            if len(parts) == 2:
                rows.append(("" if parts[0] == "<null>" else parts[0], parts[1]))
        return rows

    def prepare_store_seed(self):
        products = self.erp_products()
        n = self.size["store_rows"]
        rng = random.Random(SEED)
        barcodes = [b for b, _ in products if b]
        matching = rng.sample(barcodes, min(n // 2, len(barcodes)))
        others = ["7%012d" % (i + 1) for i in range(n - len(matching))]
        rows = matching + others
        rng.shuffle(rows)
        values = ["(%d, %s, %s, %s, %s, %d)" % (i + 1, sql_text(b), sql_text(REGISTRO), sql_text(TAMANHO),
                                                 sql_text(COR), rng.randint(0, 200)) for i, b in enumerate(rows)]
        script = ["DROP TABLE IF EXISTS produto_estoque;", "DROP TABLE IF EXISTS pedido_loja;",
                  "CREATE TABLE pedido_loja (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, status INT NOT NULL DEFAULT 0)"
                  " ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;",
                  "INSERT INTO pedido_loja (status) VALUES (1), (2), (3);",
                  "CREATE TABLE produto_estoque (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
                  " produto VARCHAR(60) NOT NULL DEFAULT '', registro VARCHAR(20), tamanho VARCHAR(20),"
                  " cor VARCHAR(20), quantidade INT NOT NULL DEFAULT 0) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;"]
        for i in range(0, len(values), 1000):
            script.append("INSERT INTO produto_estoque (id, produto, registro, tamanho, cor, quantidade) VALUES "
                          + ", ".join(values[i:i + 1000]) + ";")
        open(os.path.join(self.work, "store-seed.sql"), "w").write("\n".join(script) + "\n")
        self.mariadb("CREATE DATABASE IF NOT EXISTS `%s` CHARACTER SET utf8mb4;" % self.store_db)

        # The reference: the statements the push makes, as text, one autocommitted statement each.
        by_produto = {}
        for i, b in enumerate(rows):
            by_produto.setdefault(b, i + 1)
        next_id = len(rows) + 1
        replay = []
        for barcode, qtd in products:
            q = int(decimal.Decimal(qtd).quantize(decimal.Decimal(1), rounding=decimal.ROUND_HALF_EVEN))
            row_id = by_produto.get(barcode)
            if row_id is None:
                replay.append("insert into `produto_estoque` (`produto`, `registro`, `tamanho`, `cor`, `quantidade`)"
                              " values (%s, %s, %s, %s, %d);" % (sql_text(barcode), sql_text(REGISTRO),
                                                                 sql_text(TAMANHO), sql_text(COR), q))
                by_produto[barcode] = next_id
                next_id += 1
            else:
                replay.append("update `produto_estoque` set `id` = %d, `produto` = %s, `registro` = %s, `tamanho` = %s,"
                              " `cor` = %s, `quantidade` = %d where `id` = %d;"
                              % (row_id, sql_text(barcode), sql_text(REGISTRO), sql_text(TAMANHO), sql_text(COR), q, row_id))
        open(os.path.join(self.work, "store-replay.sql"), "w").write("\n".join(replay) + "\n")

    def reset_store(self):
        with open(os.path.join(self.work, "store-seed.sql")) as f:
            p = subprocess.run(self.mariadb_argv(self.store_db), stdin=f, capture_output=True)
        if p.returncode != 0:
            raise RuntimeError("mariadb: " + p.stderr.decode(errors="replace"))

    def store_digest(self):
        out = self.mariadb("select id, produto, registro, tamanho, cor, quantidade from produto_estoque order by id;",
                           self.store_db)
        return hashlib.sha1(out.encode()).hexdigest(), out.count("\n")

    # ------------------------------------------------------------------ settings and panel

    def start_panel(self):
        store = os.path.join(self.work, "panel-store")
        shutil.rmtree(store, ignore_errors=True)
        os.makedirs(store)
        self.panel_store = store
        cert = os.path.join(self.work, "panel-cert.pem")
        self.panel_log = open(os.path.join(self.work, "panel.log"), "w+")
        self.panel = subprocess.Popen([PANEL, "--port", "0", "--store", store, "--cert-out", cert],
                                      stdout=self.panel_log, stderr=subprocess.STDOUT)
        url = None
        for _ in range(100):
            self.panel_log.seek(0)
            m = re.search(r"^velorix-panel listening on (\S+)", self.panel_log.read(), re.M)
            if m:
                url = m.group(1)
                break
            if self.panel.poll() is not None:
                break
            time.sleep(0.1)
        if not url:
            raise RuntimeError("the panel stand-in did not start")
        self.url, self.cert = url, cert

    def stop_panel(self):
        if self.panel and self.panel.poll() is None:
            self.panel.terminate()
            self.panel.wait()
        self.panel = None

    def write_settings(self):
        os.makedirs(self.dir, exist_ok=True)
        with open(os.path.join(self.dir, "Banco.ini"), "w") as f:
            f.write("[BD]\nUSER=SYSDBA\nPASS=%s\nPORT=%s\nIP=%s\nPath=%s\n" % (FB_PASSWORD, FB_PORT, FB_HOST, self.fdb))
        with open(os.path.join(self.dir, "app.ini"), "w") as f:
            f.write("[config]\nemail=bench@example.com\nligado=S\ntempo=600\n"
                    "api=%s/app.php\napi2=%s/app2.php\nnovoenvio=%s/api\ncertificado_ca=%s\n"
                    "inciarwindows=0\nSincVendas=1\nSincNFe=1\nnotificacao=0\nVendasAPP=1\nPagareReceber=1\n"
                    "Estoque_UND=0\nEstoque_GERAL=0\nQualidade=1\nCatalogo=0\ncatalogo_servidor=%s:%s\n"
                    % (self.url, self.url, self.url, self.cert, MY_HOST, MY_PORT))

    def panel_requests(self, after=-1):
        reqs = []
        for name in sorted(os.listdir(self.panel_store)):
            if name.endswith(".json") and int(name[:-5]) > after:
                meta = json.load(open(os.path.join(self.panel_store, name)))
                meta["number"] = int(name[:-5])
                meta["body_path"] = os.path.join(self.panel_store, meta["body_file"])
                reqs.append(meta)
        return reqs

    def last_request(self):
        reqs = self.panel_requests()
        return reqs[-1]["number"] if reqs else -1

    # ------------------------------------------------------------------ measures

    def trace(self, name, *args):
        path = os.path.join(self.work, name)
        if os.path.exists(path):
            os.remove(path)
        env = dict(self.env, VELORIX_TRACE_SQL=path)
        p = subprocess.run(self.velorix(*args), env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if p.returncode != 0:
            raise RuntimeError("velorix %s failed: %s" % (" ".join(args), p.stderr.decode(errors="replace")))
        return path

    def ref_isql(self, script_path):
        with open(script_path) as f:
            t = Timed(["isql-fb", "-q", "-user", "SYSDBA", "-password", FB_PASSWORD, self.attach], stdin=f)
        if t.rc != 0:
            raise RuntimeError("isql-fb failed on " + script_path)
        return t

    def check_isql_script(self, script_path):
        with open(script_path) as f:
            p = subprocess.run(["isql-fb", "-q", "-user", "SYSDBA", "-password", FB_PASSWORD, self.attach],
                               stdin=f, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if p.returncode != 0 or p.stderr.strip():
            raise RuntimeError("isql-fb on %s: %s" % (script_path, p.stderr.decode(errors="replace")[:2000]))

    def measure_summary(self):
        log("1. summary document")
        script = self.trace("summary.sql", "--print-summary")
        self.check_isql_script(script)
        statements = open(script).read().count(";\n")
        ours, ref = [], []
        for _ in range(self.args.repeat):
            t = Timed(self.velorix("--print-summary"), env=self.env)
            if t.rc != 0:
                raise RuntimeError("velorix --print-summary failed")
            ours.append(t.wall)
            ref.append(self.ref_isql(script).wall)
        self.results["summary"] = dict(ours_s=min(ours), reference_s=min(ref), ratio=min(ours) / min(ref),
                                       goal="<= 1.10", ok=min(ours) / min(ref) <= 1.10, statements=statements,
                                       runs_ours=ours, runs_reference=ref)

    def run_uploads(self, env):
        first = self.last_request()
        t = Timed(self.velorix("--sync-once", "--full-history"), env=env)
        if t.rc != 0:
            raise RuntimeError("velorix --sync-once --full-history failed (%d)" % t.rc)
        return t, self.panel_requests(first)

    def measure_uploads(self):
        log("2. full-history detail uploads")
        script = os.path.join(self.work, "uploads.sql")
        if os.path.exists(script):
            os.remove(script)
        _, reqs = self.run_uploads(dict(self.env, VELORIX_TRACE_SQL=script))
        self.check_isql_script(script)
        ours, ref, rss = [], [], []
        largest = max(r["body_size"] for r in reqs)
        for _ in range(self.args.repeat):
            t, reqs = self.run_uploads(self.env)
            ours.append(t.wall)
            rss.append(t.maxrss)
            # The reference: the same statements through isql-fb, then the same bodies with curl.
            t0 = time.perf_counter()
            self.ref_isql(script)
            for r in reqs:
                ctype = next((v for k, v in r["headers"] if k.lower() == "content-type"), "application/json")
                c = subprocess.run(["curl", "-sS", "-o", "/dev/null", "-w", "%{http_code}", "--cacert", self.cert,
                                    "-H", "Content-Type: " + ctype, "--data-binary", "@" + r["body_path"],
                                    self.url + r["path"]], capture_output=True, text=True)
                if c.returncode != 0 or not c.stdout.startswith("2"):
                    raise RuntimeError("curl %s: %s %s" % (r["path"], c.stdout, c.stderr))
            ref.append(time.perf_counter() - t0)
        endpoints = {r["path"].rsplit("/", 1)[-1]: r["body_size"] for r in reqs}
        limit = 3 * largest + 50 * 2 ** 20
        self.results["uploads"] = dict(ours_s=min(ours), reference_s=min(ref), ratio=min(ours) / min(ref),
                                       goal="<= 1.50", ok=min(ours) / min(ref) <= 1.5, requests=len(reqs),
                                       body_bytes=endpoints, largest_body=largest, peak_rss=max(rss),
                                       rss_limit=limit, rss_ratio=max(rss) / limit, rss_ok=max(rss) <= limit,
                                       runs_ours=ours, runs_reference=ref)

    def measure_store(self):
        log("3. stock push")
        replay = os.path.join(self.work, "store-replay.sql")
        ours, ref, pushed = [], [], 0
        digests = set()
        for _ in range(self.args.repeat):
            self.reset_store()
            t = Timed(self.velorix("--store-once"), env=self.env, stdout=subprocess.PIPE)
            if t.rc != 0:
                raise RuntimeError("velorix --store-once failed")
            ours.append(t.wall)
            digests.add(self.store_digest())
            self.reset_store()
            with open(replay) as f:
                r = Timed(self.mariadb_argv(self.store_db), stdin=f)
            if r.rc != 0:
                raise RuntimeError("mariadb replay failed")
            ref.append(r.wall)
            digests.add(self.store_digest())
        pushed = sum(1 for _ in open(replay))
        # The program's rows and the replay's must be the same, or the reference measured other work.
        if len(digests) != 1:
            raise RuntimeError("the stock push and the replay left different store tables: %s" % digests)
        self.results["store"] = dict(ours_s=min(ours), reference_s=min(ref), ratio=min(ours) / min(ref),
                                     goal="<= 1.25", ok=min(ours) / min(ref) <= 1.25, products=pushed,
                                     store_rows_after=next(iter(digests))[1], runs_ours=ours, runs_reference=ref)

    @staticmethod
    def proc_cpu(pid):
        fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    @staticmethod
    def proc_status(pid, key):
        for line in open("/proc/%d/status" % pid):
            if line.startswith(key + ":"):
                return int(line.split()[1]) * 1024
        return 0

    def headless(self):
        t0 = time.perf_counter()
        p = subprocess.Popen(self.velorix("--headless", "--trace-countdown"), env=self.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        return p, t0

    def read_countdown(self, p, t0):
        while True:
            line = p.stderr.readline()
            if not line:
                raise RuntimeError("velorix --headless ended before its countdown")
            if "Próxima" in line:
                return time.perf_counter() - t0

    def stop(self, p):
        p.send_signal(signal.SIGTERM)
        try:
            p.wait(timeout=30)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()

    def measure_idle(self):
        log("4. idle (%d s)" % self.args.idle)
        # Without the countdown trace, which would add its own output to what is measured.
        p = subprocess.Popen(self.velorix("--headless"), env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        try:
            time.sleep(3)  # start-up is over well before
            if p.poll() is not None:
                raise RuntimeError("velorix --headless ended early")
            cpu0, w0 = self.proc_cpu(p.pid), time.perf_counter()
            time.sleep(self.args.idle)
            cpu1, w1 = self.proc_cpu(p.pid), time.perf_counter()
            rss, hwm = self.proc_status(p.pid, "VmRSS"), self.proc_status(p.pid, "VmHWM")
        finally:
            self.stop(p)
        per_min = (cpu1 - cpu0) * 60 / (w1 - w0)
        self.results["idle"] = dict(seconds=w1 - w0, cpu_s=cpu1 - cpu0, cpu_per_minute=per_min, rss=rss, peak_rss=hwm,
                                    goal="< 0.1 CPU s/min, < 60 MB", ok=per_min < 0.1 and rss < 60 * 2 ** 20)

    def measure_startup(self):
        log("5. start-up")
        armed, ticks = [], []
        for _ in range(5):
            p, t0 = self.headless()
            try:
                armed.append(self.read_countdown(p, t0))
                ticks.append(self.read_countdown(p, t0))
            finally:
                self.stop(p)
        a, t = statistics.median(armed), statistics.median(ticks)
        self.results["startup"] = dict(to_countdown_s=a, to_first_tick_s=t, runs_countdown=armed, runs_tick=ticks,
                                       goal="< 1 s to the countdown (the first tick comes one timer period later)",
                                       ok=a < 1.0)

    # ------------------------------------------------------------------ report

    def machine(self):
        cpu = ""
        try:
            cpu = next(l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name"))
        except StopIteration:
            pass
        mem = next(int(l.split()[1]) for l in open("/proc/meminfo") if l.startswith("MemTotal")) * 1024
        return dict(cpu=cpu, cores=os.cpu_count(), memory=mem, kernel=platform.release(),
                    os=" ".join(platform.freedesktop_os_release().get(k, "") for k in ("PRETTY_NAME",))
                    if hasattr(platform, "freedesktop_os_release") else "",
                    load_before=self.load_before, load_after=os.getloadavg())

    def table(self):
        mb = lambda b: "%.1f MB" % (b / 2 ** 20)
        r = self.results
        rows = []
        yes = lambda ok: "yes" if ok else "**no**"
        if "summary" in r:
            s = r["summary"]
            rows.append(("1. summary document (`--print-summary`, %d statements)" % s["statements"],
                         "%.2f s" % s["ours_s"], "%.2f s (isql-fb)" % s["reference_s"], "%.2f" % s["ratio"],
                         "<= 1.10", yes(s["ok"])))
        if "uploads" in r:
            u = r["uploads"]
            rows.append(("2. full-history uploads (%d requests)" % u["requests"], "%.2f s" % u["ours_s"],
                         "%.2f s (isql-fb + curl)" % u["reference_s"], "%.2f" % u["ratio"], "<= 1.50", yes(u["ok"])))
            rows.append(("2. peak memory of the uploads", mb(u["peak_rss"]),
                         "3 x %s + 50 MB = %s" % (mb(u["largest_body"]), mb(u["rss_limit"])), "%.2f" % u["rss_ratio"],
                         "<= 1.00", yes(u["rss_ok"])))
        if "store" in r:
            s = r["store"]
            rows.append(("3. stock push (%d products)" % s["products"], "%.2f s" % s["ours_s"],
                         "%.2f s (mariadb replay)" % s["reference_s"], "%.2f" % s["ratio"], "<= 1.25", yes(s["ok"])))
        if "idle" in r:
            i = r["idle"]
            rows.append(("4. idle CPU (%d s, `--headless`)" % round(i["seconds"]), "%.3f s/min" % i["cpu_per_minute"],
                         "", "", "< 0.1 s/min", yes(i["cpu_per_minute"] < 0.1)))
            rows.append(("4. idle resident memory", mb(i["rss"]), "", "", "< 60 MB", yes(i["rss"] < 60 * 2 ** 20)))
        if "startup" in r:
            s = r["startup"]
            rows.append(("5. start-up to the countdown (median of 5)", "%.3f s" % s["to_countdown_s"],
                         "first tick at %.3f s" % s["to_first_tick_s"], "", "< 1 s", yes(s["ok"])))
        head = ("measure", "ours", "reference", "ratio", "goal", "met")
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(row) + " |" for row in rows]
        return "\n".join(lines)

    def report(self):
        m = self.machine()
        data = dict(mode=self.mode, date=datetime.datetime.now(datetime.timezone.utc).isoformat(timespec="seconds"),
                    repeat=self.args.repeat, size=self.size, rows=self.counts,
                    generation_s=self.gen_seconds, machine=m, results=self.results)
        # A quick run keeps its own file, so it never replaces the large shop's figures.
        name = "results.json" if self.mode == "full" else "results-quick.json"
        json.dump(data, open(os.path.join(ROOT, "bench", name), "w"), indent=2, ensure_ascii=False)
        table = self.table()
        print(table)
        if self.mode != "full":
            return
        rows = ", ".join("%s %d" % (k, v) for k, v in sorted(self.counts.items()) if v >= 1000)
        md = RESULTS_MD.format(
            mode=self.mode, date=data["date"], table=table, cpu=m["cpu"], cores=m["cores"],
            mem=m["memory"] / 2 ** 30, os=m["os"], kernel=m["kernel"],
            load="%.2f / %.2f" % (self.load_before[0], m["load_after"][0]), repeat=self.args.repeat,
            rows=rows, total=sum(self.counts.values()), gen=self.gen_seconds, idle=self.args.idle)
        # Only the generated part is replaced; notes written below it stay.
        path = os.path.join(ROOT, "bench", "RESULTS.md")
        begin, end = "<!-- bench/run: generated from here -->\n", "<!-- bench/run: generated up to here -->\n"
        old = open(path).read() if os.path.exists(path) else ""
        if begin in old and end in old:
            md = old[:old.index(begin)] + begin + md + end + old[old.index(end) + len(end):]
        else:
            md = "# Benchmark results\n\n" + begin + md + end
        open(path, "w").write(md)

    def run(self):
        self.load_before = os.getloadavg()
        self.prepare()
        self.start_panel()
        try:
            self.write_settings()
            steps = {"summary": self.measure_summary, "uploads": self.measure_uploads, "store": self.measure_store,
                     "idle": self.measure_idle, "startup": self.measure_startup}
            for name in self.args.only or steps:
                steps[name]()
        finally:
            self.stop_panel()
        self.report()


RESULTS_MD = """The latest `bench/run` ({mode} size), {date}. Each measure is taken {repeat} time(s), alternating the
program and its reference; the table gives the best of each. Times are wall-clock times on a machine
shared with other builds, so they are noisy: the ratios, taken against a reference run in the same
invocation, are the fairer figures.

{table}

## The machine

{cpu}, {cores} cores, {mem:.0f} GB, {os} (Linux {kernel}); load average {load} (start / end of the run).

## The data

`velorix-demo-db` ({total} ERP rows in {gen:.0f} s): {rows}. The store table `produto_estoque` is made by
the benchmark in its own MariaDB database: half of its rows carry ERP barcodes, the other half barcodes the
ERP does not have.

## How it is measured

- The ERP database is a copy in the Firebird server's directory; the program (`Banco.ini` with `IP`
  127.0.0.1) and `isql-fb` both go through the server over loopback, so both pay the same client/server
  costs, and the program's memory is its own (the embedded engine would put the page cache in our process,
  and Firebird 3 does not let two processes open the file embedded at once).
- 1: `velorix --print-summary` (start-up included) against `isql-fb` running, in one connection, the
  statements the program ran, captured with `VELORIX_TRACE_SQL` and the parameters written as literals.
- 2: `velorix --sync-once --full-history` ("Enviar Completo", every group ticked) posting to `velorix-panel`
  over HTTPS, against `isql-fb` fetching the same statements plus one `curl` per request the panel received,
  with the same body. Peak memory is the process's maximum resident set (`wait4`).
- 3: `velorix --store-once` (the order watch and the push) against the `mariadb` client replaying, one
  autocommitted statement each, the INSERT and UPDATE statements of the push written as text. The store table
  is reset before each run, and the two runs must leave identical tables.
- 4: `velorix --headless` with a 600-minute interval, CPU time (`/proc/<pid>/stat`) over {idle} s from 3 s
  after launch, and the resident set at the end.
- 5: `velorix --headless --trace-countdown`: from launch to the countdown's first text (start-up done, timer
  armed) and to its first tick, which comes one timer period (1 s) after the countdown starts.
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--quick", action="store_true", help="a small shop: a couple of minutes")
    ap.add_argument("--repeat", type=int, default=None, help="runs of each measure (best taken)")
    ap.add_argument("--idle", type=int, default=None, help="seconds of the idle measure")
    ap.add_argument("--regenerate", action="store_true", help="make the data again")
    ap.add_argument("--no-build", action="store_true", help="(bench/run) do not build")
    ap.add_argument("--only", action="append", choices=["summary", "uploads", "store", "idle", "startup"])
    args = ap.parse_args()
    if args.repeat is None:
        args.repeat = 3 if args.quick else 2
    if args.idle is None:
        args.idle = 20 if args.quick else 60
    Bench(args).run()


if __name__ == "__main__":
    main()
