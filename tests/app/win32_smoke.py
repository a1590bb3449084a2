#!/usr/bin/env python3
"""Smoke test of quarvel.exe under Wine: a canned HTTPS dashboard on 127.0.0.1:27500, the
program started, its window read from outside with quarvel_probe.exe, a port typed and both
buttons clicked, a picture taken, the window closed.

  win32_smoke.py --quarvel quarvel.exe --probe quarvel_probe.exe [--screenshot out.png]
"""
import argparse
import http.server
import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_ENV = os.path.join(HERE, "..", "..", "scripts", "wine-env")
TOKEN_LINE = "Authorization: Basic K7pQm2LxVt9sWc4="

REPLIES = {
    "/api/serverinfo": {"version": "0.29.0", "bind_port": 7000, "bind_udp_port": 7001,
                        "vhost_http_port": 80, "vhost_https_port": 443,
                        "kcp_bind_port": 7000, "subdomain_host": "abc"},
    "/api/proxy/tcp": {"proxies": [{"name": "ssh", "conf": {"remote_port": 27500}},
                                   {"name": "web", "conf": {"remote_port": 6000}}]},
    "/api/proxy/udp": {"proxies": [{"name": "dns", "conf": {"remote_port": 27501}}]},
}

EXPECTED = {
    "编辑框1": "        服务器信息 \\r\\n\\r\\nversion : 0.29.0\\r\\nbind_port : 7000\\r\\n"
              "bind_udp_port : 7001\\r\\nvhost_http_port : 80\\r\\nvhost_https_port : 443\\r\\n"
              "kcp_bind_port : 7000\\r\\nsubdomain_host : abc",
    "编辑框2": "TCP在用端口\\r\\n27500\\r\\n6000\\r\\n",
    "编辑框3": "UDP在用端口\\r\\n27501\\r\\n",
    "编辑框4": "",
    "按钮_TCP": "TCP查询",
    "按钮_UDP": "UDP查询",
}

requests = []


class Dashboard(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        requests.append((self.path, str(self.headers)))
        reply = REPLIES.get(self.path)
        body = json.dumps(reply).encode() if reply else b"not found"
        self.send_response(200 if reply else 404)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def start_dashboard(workdir):
    cert, key = os.path.join(workdir, "cert.pem"), os.path.join(workdir, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
                   check=True, capture_output=True, timeout=60)
    http.server.ThreadingHTTPServer.allow_reuse_address = True
    deadline = time.time() + 30
    while True:
        try:
            server = http.server.ThreadingHTTPServer(("127.0.0.1", 27500), Dashboard)
            break
        except OSError as error:  # another dashboard on this machine holds the port
            if time.time() > deadline:
                sys.exit(f"smoke: 127.0.0.1:27500 stays busy: {error}")
            time.sleep(1)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def probe(args, *command):
    # Output goes through a file, not a pipe: Wine's helper processes (explorer, services)
    # inherit the descriptors of whichever program started them and would hold a pipe open.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run([WINE_ENV, "wine", args.probe, *command],
                                stdin=subprocess.DEVNULL, stdout=out,
                                stderr=err, timeout=150,
                                env=dict(os.environ, QUARVEL_WINE_TIMEOUT="120"))
        out.seek(0)
        err.seek(0)
        text = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
        if result.returncode != 0:
            sys.exit(f"smoke: probe {' '.join(command)} failed ({result.returncode}):\n"
                     f"{text}{err.read().decode('utf-8', 'replace')}")
    return dict(line.split("\t", 1) for line in text.splitlines() if "\t" in line)


def run_query(args, *arguments):
    with tempfile.TemporaryFile() as out:
        result = subprocess.run([WINE_ENV, "wine", args.query, *arguments],
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                timeout=150, env=dict(os.environ, QUARVEL_WINE_TIMEOUT="120"))
        out.seek(0)
        return result.returncode, out.read().decode("utf-8", "replace").replace("\r\n", "\n")


def check(failures, what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: got {got!r}, wanted {wanted!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quarvel", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--query", help="quarvel-query.exe, checked against the same dashboard")
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        os.environ["QUARVEL_SMOKE_OWN_DISPLAY"] = "1"
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24",
                               sys.executable, *sys.argv])

    workdir = tempfile.mkdtemp(prefix="quarvel-smoke-")
    server = start_dashboard(workdir)
    # Like the probe's, the program's output goes to a file, never to a pipe of ours.
    program_output = open(os.path.join(workdir, "quarvel.log"), "wb")
    program = subprocess.Popen([WINE_ENV, "wine", args.quarvel], stdin=subprocess.DEVNULL,
                               stdout=program_output, stderr=subprocess.STDOUT,
                               env=dict(os.environ, QUARVEL_WINE_TIMEOUT="150"))
    failures = []
    try:
        shown = probe(args, "dump")
        for name, wanted in EXPECTED.items():
            check(failures, name, shown.get(name), wanted)
        check(failures, "caption", shown.get("caption"), "Quarvel")
        left, top, right, bottom = map(int, shown["rect"].split())
        screen_width, screen_height = map(int, shown["screen"].split())
        check(failures, "outer size", (right - left, bottom - top), (291, 432))
        check(failures, "position", (left, top),
              ((screen_width - 291) // 2, (screen_height - 432) // 2))
        check(failures, "requests", [path for path, _ in requests],
              ["/api/serverinfo", "/api/proxy/tcp", "/api/proxy/udp"])
        for path, head in requests:
            if TOKEN_LINE not in head.replace("\r\n", "\n").splitlines():
                failures.append(f"{path}: no '{TOKEN_LINE}' line in\n{head}")

        check(failures, "typed", probe(args, "type", "2750a0.").get("Edit4"), "27500")
        answer = probe(args, "click", "tcp")
        check(failures, "TCP answer", answer.get("message"), "27500 端口已占用")
        check(failures, "message box owner", answer.get("owner"), "none")
        check(failures, "task-modal", answer.get("main window enabled"), "no")
        check(failures, "UDP answer", probe(args, "click", "udp").get("message"),
              "27500 端口可用")

        if args.screenshot:
            # Wine's virtual desktop is one X window at the origin of the X screen, so the
            # window's rectangle in Windows is its rectangle on the X root too.
            probe(args, "shot")
            time.sleep(1)
            subprocess.run(["import", "-window", "root", "-crop",
                            f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                            args.screenshot], check=True, timeout=60)
            print(f"smoke: saved {args.screenshot}")

        if args.query:
            code, text = run_query(args, "tcp", "27500")
            check(failures, "quarvel-query tcp 27500", (code, text.strip()),
                  (1, "27500 端口已占用"))
            code, text = run_query(args)
            for line in ("version : 0.29.0", "TCP在用端口", "27501"):
                if line not in text.splitlines():
                    failures.append(f"quarvel-query: no line {line!r} in\n{text}")

        probe(args, "close")
        try:
            code = program.wait(timeout=30)
            check(failures, "exit code after close", code, 0)
        except subprocess.TimeoutExpired:
            failures.append("quarvel.exe still running 30 s after its window was closed")
    finally:
        if program.poll() is None:
            program.kill()
        server.shutdown()
        program_output.close()
        shutil.rmtree(workdir, ignore_errors=True)
        if os.environ.get("QUARVEL_SMOKE_OWN_DISPLAY"):
            # The display is ours: let Wine let go of it before it goes away.
            subprocess.run([WINE_ENV, "wineserver", "-w"], timeout=60,
                           env=dict(os.environ, QUARVEL_WINE_TIMEOUT="30"))

    if failures:
        print("smoke: FAILED\n  " + "\n  ".join(failures))
        return 1
    print("smoke: quarvel.exe showed the dashboard, answered both buttons and closed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
