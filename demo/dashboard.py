#!/usr/bin/env python3
"""A stand-in frps dashboard: the three API endpoints Quarvel reads, over HTTPS.

Serves /api/serverinfo, /api/proxy/tcp and /api/proxy/udp in the shape frps v0.31 answers
(snake_case members), or with --modern in the camelCase shape of frps 0.52.1 and later.
Requests must carry "Authorization: Basic TOKEN"; any other gets frps's 401 reply.

The self-signed certificate is made with openssl on first use and kept in --cert-dir.

    demo/dashboard.py                       # https://127.0.0.1:27500
    demo/dashboard.py --port 0 --port-file p --proxies 10000 --gzip --fail tcp
"""
import argparse
import fcntl
import gzip
import http.server
import json
import os
import ssl
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_TOKEN = "K7pQm2LxVt9sWc4="
ENDPOINTS = {"serverinfo": "/api/serverinfo", "tcp": "/api/proxy/tcp", "udp": "/api/proxy/udp"}

ERROR_PAGE = (
    "<html>\r\n<head><title>500 Internal Server Error</title></head>\r\n"
    "<body>\r\n<center><h1>500 Internal Server Error</h1></center>\r\n</body>\r\n</html>\r\n"
)


def ensure_certificate(cert_dir):
    """Returns (cert, key) paths, creating a self-signed pair once. Safe for parallel starts."""
    os.makedirs(cert_dir, exist_ok=True)
    cert = os.path.join(cert_dir, "dashboard.crt")
    key = os.path.join(cert_dir, "dashboard.key")
    with open(os.path.join(cert_dir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not (os.path.exists(cert) and os.path.exists(key)):
            subprocess.run(
                ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                 "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                 "-keyout", key + ".tmp", "-out", cert + ".tmp"],
                check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.replace(key + ".tmp", key)
            os.replace(cert + ".tmp", cert)
    return cert, key


# --- frps v0.31 shape -------------------------------------------------------------------

def classic_server_info(tcp_count, udp_count):
    return {
        "version": "0.31.2", "bind_port": 7000, "bind_udp_port": 7001,
        "vhost_http_port": 80, "vhost_https_port": 443, "kcp_bind_port": 7000,
        "subdomain_host": "frps.example.net", "max_pool_count": 5, "max_ports_per_client": 0,
        "heart_beat_timeout": 90, "total_traffic_in": 1843200118, "total_traffic_out": 977120504,
        "cur_conns": 7, "client_counts": 4,
        "proxy_type_count": {"tcp": tcp_count, "udp": udp_count, "http": 1},
    }


def classic_conf(name, kind, local_port, remote_port):
    return {
        "proxy_name": name, "proxy_type": kind, "use_encryption": False,
        "use_compression": kind == "tcp", "group": "", "group_key": "",
        "proxy_protocol_version": "", "bandwidth_limit": None, "metas": None,
        "local_ip": "127.0.0.1", "local_port": local_port, "plugin": "", "plugin_params": None,
        "health_check_type": "", "health_check_timeout_s": 0, "health_check_max_failed": 0,
        "health_check_interval_s": 0, "health_check_url": "", "health_check_addr": "",
        "remote_port": remote_port,
    }


def classic_proxy(name, kind, local_port, remote_port, online=True):
    return {
        "name": name,
        "conf": classic_conf(name, kind, local_port, remote_port) if online else None,
        "today_traffic_in": 20480 if online else 0, "today_traffic_out": 81920 if online else 0,
        "cur_conns": 1 if online else 0, "last_start_time": "03-14 09:26:53",
        "last_close_time": "" if online else "03-14 11:02:17",
        "status": "online" if online else "offline",
    }


# --- frps 0.52.1 and later: camelCase, no bind_udp_port ---------------------------------

def modern_server_info(tcp_count, udp_count):
    return {
        "version": "0.58.1", "bindPort": 7000, "vhostHTTPPort": 80, "vhostHTTPSPort": 443,
        "tcpmuxHTTPConnectPort": 0, "kcpBindPort": 7000, "quicBindPort": 0,
        "subdomainHost": "frps.example.net", "maxPoolCount": 5, "maxPortsPerClient": 0,
        "heartbeatTimeout": 90, "totalTrafficIn": 1843200118, "totalTrafficOut": 977120504,
        "curConns": 7, "clientCounts": 4,
        "proxyTypeCount": {"tcp": tcp_count, "udp": udp_count, "http": 1},
    }


def modern_proxy(name, kind, local_port, remote_port, online=True):
    conf = {
        "name": name, "type": kind,
        "transport": {"useEncryption": False, "useCompression": kind == "tcp",
                      "bandwidthLimit": "", "bandwidthLimitMode": "client",
                      "proxyProtocolVersion": ""},
        "loadBalancer": {"group": "", "groupKey": ""},
        "healthCheck": {"type": "", "timeoutSeconds": 0, "maxFailed": 0, "intervalSeconds": 0,
                        "path": ""},
        "localIP": "127.0.0.1", "localPort": local_port, "plugin": {}, "metadatas": None,
        "annotations": None, "remotePort": remote_port,
    }
    return {
        "name": name, "conf": conf if online else None, "clientVersion": "0.58.1",
        "todayTrafficIn": 20480 if online else 0, "todayTrafficOut": 81920 if online else 0,
        "curConns": 1 if online else 0, "lastStartTime": "03-14 09:26:53",
        "lastCloseTime": "" if online else "03-14 11:02:17",
        "status": "online" if online else "offline",
    }


# Proxies of the demo server: (name, local port, remote port, online).
TCP_PROXIES = [("ssh", 22, 27500, True), ("rdp", 3389, 23389, True),
               ("nas-web", 5000, 15000, True), ("old-vnc", 5900, 25900, False),
               ("git", 22, 10022, True)]
UDP_PROXIES = [("dns", 53, 10053, True), ("game", 27015, 27015, True),
               ("wireguard", 51820, 51820, True)]


def build_replies(args):
    proxy = modern_proxy if args.modern else classic_proxy
    if args.proxies is None:
        tcp = [proxy(n, "tcp", lp, rp, on) for n, lp, rp, on in TCP_PROXIES]
    else:
        tcp = [proxy("tcp-%d" % i, "tcp", 8000 + i % 1000, 10000 + i % 55000)
               for i in range(args.proxies)]
    udp = [proxy(n, "udp", lp, rp, on) for n, lp, rp, on in UDP_PROXIES]
    info = (modern_server_info if args.modern else classic_server_info)(len(tcp), len(udp))
    if not args.modern:
        info = {"code": 0, "msg": "", **info}

    def listing(proxies):
        return {"proxies": proxies} if args.modern else {"code": 0, "msg": "", "proxies": proxies}

    bodies = {"serverinfo": info, "tcp": listing(tcp), "udp": listing(udp)}
    replies = {k: json.dumps(v, separators=(",", ":"), ensure_ascii=False).encode() + b"\n"
               for k, v in bodies.items()}
    for item in args.body:
        name, _, path = item.partition("=")
        with open(path, "rb") as f:
            replies[name] = f.read()
    return replies


class DashboardHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "frps-demo"
    # Go servers, frps among them, send without Nagle's delay; so does this one.
    disable_nagle_algorithm = True

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    def send_body(self, status, body, content_type, extra=()):
        if self.server.gzip and "gzip" in self.headers.get("Accept-Encoding", ""):
            body = gzip.compress(body)
            extra = list(extra) + [("Content-Encoding", "gzip")]
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_GET(self):
        if self.headers.get("Authorization", "") != "Basic " + self.server.token:
            self.send_body(401, b"Unauthorized\n", "text/plain; charset=utf-8",
                           [("WWW-Authenticate", 'Basic realm="Restricted"')])
            return
        path = self.path.split("?", 1)[0]
        for name, endpoint in ENDPOINTS.items():
            if path == endpoint:
                if name in self.server.failing:
                    self.send_body(500, ERROR_PAGE.encode(), "text/html; charset=utf-8")
                else:
                    self.send_body(200, self.server.replies[name],
                                   "application/json; charset=utf-8")
                return
        self.send_body(404, b"404 page not found\n", "text/plain; charset=utf-8")

    do_HEAD = do_GET


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=27500, help="0 picks a free port")
    parser.add_argument("--port-file", help="write the bound port here once listening")
    parser.add_argument("--token", default=DEFAULT_TOKEN, help="expected Basic token")
    parser.add_argument("--modern", action="store_true", help="camelCase replies (frps >= 0.52.1)")
    parser.add_argument("--proxies", type=int, metavar="N", help="serve N generated TCP proxies")
    parser.add_argument("--gzip", action="store_true",
                        help="compress replies when the client accepts gzip")
    parser.add_argument("--fail", action="append", default=[], choices=sorted(ENDPOINTS),
                        help="make this endpoint answer 500 with an HTML page (repeatable)")
    parser.add_argument("--body", action="append", default=[], metavar="ENDPOINT=FILE",
                        help="serve FILE verbatim for serverinfo, tcp or udp (repeatable)")
    parser.add_argument("--cert-dir", default=os.path.join(HERE, "certs"))
    parser.add_argument("--verbose", action="store_true", help="log every request")
    args = parser.parse_args()

    cert, key = ensure_certificate(args.cert_dir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), DashboardHandler)
    server.daemon_threads = True
    server.token = args.token
    server.replies = build_replies(args)
    server.failing = set(args.fail)
    server.gzip = args.gzip
    server.verbose = args.verbose
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    # The handshake then runs in the handler thread, so one slow client blocks no other.
    server.socket = context.wrap_socket(server.socket, server_side=True,
                                        do_handshake_on_connect=False)

    port = server.server_address[1]
    if args.port_file:
        # Written whole in one rename, so a reader never sees a partial number.
        fd, tmp = tempfile.mkstemp(dir=os.path.dirname(os.path.abspath(args.port_file)))
        with os.fdopen(fd, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("frps demo dashboard on https://127.0.0.1:%d/ (%s shape)"
          % (port, "camelCase" if args.modern else "v0.31"), file=sys.stderr, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
