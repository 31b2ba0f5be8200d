#!/usr/bin/env python3
"""Loopback HTTP server for the audio library's network tests.

Usage: radio_server.py MP3_FILE OGG_FILE [CERT KEY]
Prints "PORT <n>" (and "TLSPORT <n>" with a certificate) once listening.

/radio.mp3  endless MP3 (the file looped); with "Icy-MetaData: 1" the title changes every 3 s of audio
/agent.mp3  like /radio.mp3 but the title is the request's User-Agent
/stall.mp3  2 s of audio, a 3 s pause, then endless audio
/drop.mp3   2 s of audio, then the connection is closed
/hang.mp3   headers, then nothing at all
/quoted.mp3 like /radio.mp3, one title holding ";" and a quote, sent in Latin-1
/chain.ogg  the Ogg file, once
/list.pls, /list.m3u, /nested.m3u, /empty.pls  playlists naming /radio.mp3 (or no usable link)
/hang.pls   a playlist naming /hang.mp3
"""
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MP3 = open(sys.argv[1], "rb").read()
OGG = open(sys.argv[2], "rb").read()
METAINT = 8192
BYTES_PER_SECOND = 16000  # 128 kbit/s
TITLE_SECONDS = 3


def meta_block(text, encoding="utf-8"):
    raw = text.encode(encoding)
    n = (len(raw) + 15) // 16
    return bytes([n]) + raw + b"\0" * (n * 16 - len(raw))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def audio(self, offset, count):
        out = bytearray()
        while count > 0:
            p = offset % len(MP3)
            chunk = MP3[p:p + count]
            out += chunk
            offset += len(chunk)
            count -= len(chunk)
        return bytes(out)

    def stream_mp3(self, title_of, stall_at=None, stall_for=0, stop_at=None, encoding="utf-8"):
        icy = self.headers.get("Icy-MetaData") == "1"
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("icy-name", "Test Radio")
        if icy:
            self.send_header("icy-metaint", str(METAINT))
        self.end_headers()
        sent = 0
        last_title = None
        stalled = False
        try:
            while True:
                n = METAINT
                if stop_at is not None and sent >= stop_at:
                    self.wfile.flush()
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                if stall_at is not None and not stalled and sent >= stall_at:
                    self.wfile.flush()
                    time.sleep(stall_for)
                    stalled = True
                self.wfile.write(self.audio(sent, n))
                sent += n
                if icy:
                    title = title_of(sent)
                    if title != last_title:
                        self.wfile.write(meta_block("StreamTitle='%s';StreamUrl='';" % title, encoding))
                        last_title = title
                    else:
                        self.wfile.write(b"\0")
        except (BrokenPipeError, ConnectionResetError, OSError):
            return

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/radio.mp3":
            # The title of the audio that follows the block: "Song n" for the n-th 3 s.
            self.stream_mp3(lambda sent: "Song %d" % (sent // (BYTES_PER_SECOND * TITLE_SECONDS)))
        elif path == "/quoted.mp3":
            self.stream_mp3(lambda sent: "Part one; part two, l'été", encoding="latin-1")
        elif path == "/agent.mp3":
            agent = self.headers.get("User-Agent", "")
            self.stream_mp3(lambda sent: agent)
        elif path == "/stall.mp3":
            self.stream_mp3(lambda sent: "Stall", stall_at=2 * BYTES_PER_SECOND, stall_for=3)
        elif path == "/drop.mp3":
            self.stream_mp3(lambda sent: "Drop", stop_at=2 * BYTES_PER_SECOND)
        elif path == "/hang.mp3":
            self.send_response(200)
            self.send_header("Content-Type", "audio/mpeg")
            self.end_headers()
            self.wfile.flush()
            time.sleep(30)
        elif path in ("/list.pls", "/list.m3u", "/nested.m3u", "/empty.pls", "/hang.pls"):
            host = "http://%s:%d" % self.server.server_address[:2]
            body = {
                "/list.pls": "[playlist]\nNumberOfEntries=1\nFile1=%s/radio.mp3\nTitle1=Radio\n" % host,
                "/list.m3u": "#EXTM3U\n#EXTINF:-1,Radio\n%s/radio.mp3\n" % host,
                "/nested.m3u": "%s/list.pls\n" % host,
                "/empty.pls": "[playlist]\nFile1=/etc/passwd\n",
                "/hang.pls": "[playlist]\nFile1=%s/hang.mp3\n" % host,
            }[path].encode()
            self.send_response(200)
            self.send_header("Content-Type", "audio/x-scpls" if path.endswith("pls") else "audio/x-mpegurl")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif path == "/chain.ogg":
            self.send_response(200)
            self.send_header("Content-Type", "application/ogg")
            self.end_headers()
            self.wfile.write(OGG)
        else:
            self.send_error(404)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    if len(sys.argv) > 4:
        tls = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        tls.daemon_threads = True
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(sys.argv[3], sys.argv[4])
        tls.socket = ctx.wrap_socket(tls.socket, server_side=True)
        print("TLSPORT %d" % tls.server_address[1], flush=True)
        threading.Thread(target=tls.serve_forever, daemon=True).start()
    print("READY", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
