# An RFC 3161 time-stamp server on 127.0.0.1 for the release test: prints its URL, then answers
# every POST with what its command line (openssl ts -reply ...) writes for the request on stdin.
import http.server, subprocess, sys


class Reply(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(sys.argv[1:], input=query, stdout=subprocess.PIPE).stdout
        self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: application/timestamp-reply\r\n\r\n" + reply)


server = http.server.HTTPServer(("127.0.0.1", 0), Reply)
print(f"http://127.0.0.1:{server.server_port}", flush=True)
server.serve_forever()
