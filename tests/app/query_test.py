#!/usr/bin/env python3
"""quarvel-query against the demo dashboard over HTTPS on loopback: output and exit status.

    query_test.py QUERY_BINARY DRIVER_BINARY DASHBOARD_SCRIPT CERT_DIR
"""
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

QUERY, DRIVER, DASHBOARD, CERT_DIR = sys.argv[1:5]

SERVER_INFO = """        服务器信息 

version : 0.31.2
bind_port : 7000
bind_udp_port : 7001
vhost_http_port : 80
vhost_https_port : 443
kcp_bind_port : 7000
subdomain_host : frps.example.net
"""
TCP_LIST = "TCP在用端口\n27500\n23389\n15000\n10022\n"
UDP_LIST = "UDP在用端口\n10053\n27015\n51820\n"
FAILURE = "数据获取失败\n"
INPUT_ERROR = "输入有误,请重新输入\n"


class Dashboard:
    """demo/dashboard.py on a free port for the duration of a with block."""

    def __init__(self, *args):
        self.args = list(args)

    def __enter__(self):
        self.dir = tempfile.TemporaryDirectory()
        port_file = os.path.join(self.dir.name, "port")
        self.process = subprocess.Popen(
            [sys.executable, DASHBOARD, "--port", "0", "--port-file", port_file,
             "--cert-dir", CERT_DIR] + self.args, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("demo dashboard did not start")
            time.sleep(0.02)
        with open(port_file) as f:
            self.port = int(f.read())
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()
        self.dir.cleanup()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def query(port, *args):
    result = subprocess.run([DRIVER, str(port)] + list(args), capture_output=True,
                            timeout=120)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


class QueryTest(unittest.TestCase):
    def test_prints_the_three_boxes(self):
        with Dashboard() as d:
            self.assertEqual(query(d.port), (0, SERVER_INFO + "\n" + TCP_LIST + "\n" + UDP_LIST, ""))

    def test_port_questions_answer_with_exit_status(self):
        cases = [
            (["tcp", "27500"], 1, "27500 端口已占用\n"),
            (["udp", "27500"], 0, "27500 端口可用\n"),
            (["udp", "51820"], 1, "51820 端口已占用\n"),
            (["tcp", "-1234"], 0, "-1234 端口可用\n"),
            # The heading is searched as well, as the window does.
            (["tcp", "TCP在"], 1, "TCP在 端口已占用\n"),
            (["tcp", "443"], 2, INPUT_ERROR),
            (["udp", ""], 2, INPUT_ERROR),
        ]
        for modern in (False, True):
            with Dashboard(*(["--modern"] if modern else [])) as d:
                for args, status, output in cases:
                    with self.subTest(args=args, modern=modern):
                        self.assertEqual(query(d.port, *args)[:2], (status, output))

    def test_failed_fetches_exit_with_2(self):
        with Dashboard("--fail", "tcp") as d:
            self.assertEqual(query(d.port), (2, FAILURE + "\n" + UDP_LIST, ""))
            self.assertEqual(query(d.port, "tcp", "27500")[:2], (2, FAILURE))
            self.assertEqual(query(d.port, "udp", "51820")[:2], (1, "51820 端口已占用\n"))
        port = free_port()
        self.assertEqual(query(port)[:2], (2, FAILURE))
        self.assertEqual(query(port, "udp", "27015")[:2], (2, FAILURE))

    def test_usage_errors(self):
        for args in (["tcp"], ["sctp", "27500"], ["tcp", "27500", "x"], ["--port", "1"]):
            with self.subTest(args=args):
                status, out, err = query(free_port(), *args)
                self.assertEqual((status, out), (2, ""))
                self.assertIn("usage: quarvel-query", err)
        status, out, err = query(free_port(), "tcp", "1234567")
        self.assertEqual((status, out), (2, ""))
        self.assertIn("at most 6 bytes", err)

    def test_help_of_the_real_binary(self):
        result = subprocess.run([QUERY, "--help"], capture_output=True, timeout=30)
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"usage: quarvel-query [tcp PORT | udp PORT]", result.stdout)
        self.assertIn(b":27500", result.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
