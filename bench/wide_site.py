#!/usr/bin/env python3
"""Serves a wide site on 127.0.0.1: a start page linking to --pages pages, each holding
--links distinct file links (f0000001.zip, ...), numbered on across pages so that no link is
met twice. The pages are made on request, so nothing is written to disk.

    python3 bench/wide_site.py --pages 200 --links 99000 --port 8431
"""
import argparse
import http.server


def make_handler(pages, links):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def body(self):
            if self.path in ("/", "/index.html"):
                return "".join(f'<a href="p{n}.html">page {n}</a>\n' for n in range(1, pages + 1))
            if self.path.startswith("/p") and self.path.endswith(".html"):
                page = int(self.path[2:-5])
                if 1 <= page <= pages:
                    first = (page - 1) * links + 1
                    return "".join(f'<a href="f{n:07d}.zip">f</a>\n'
                                   for n in range(first, first + links))
            return None

        def answer(self, with_body):
            text = self.body()
            data = text.encode() if text is not None else b"not here\n"
            self.send_response(200 if text is not None else 404)
            self.send_header("Content-Type", "text/html" if text is not None else "text/plain")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if with_body:
                self.wfile.write(data)

        def do_GET(self):
            self.answer(True)

        def do_HEAD(self):
            self.answer(False)

        def log_message(self, *args):
            pass

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pages", type=int, default=200)
    parser.add_argument("--links", type=int, default=99000)
    parser.add_argument("--port", type=int, default=8431)
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port),
                                             make_handler(args.pages, args.links))
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
