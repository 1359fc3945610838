#!/usr/bin/env python3
"""A Hayes modem on a pseudo-terminal, for the dialer's tests.

Prints the terminal's path, then each command it receives, one per line.
Scenarios: ok (every dial connects), busy, nocarrier, nodialtone (the first
dial fails so, later ones connect), silent (dials get no answer), vanish (the
modem goes away at the first dial).
"""
import os
import pty
import select
import sys
import tty

scenario = sys.argv[1] if len(sys.argv) > 1 else "ok"
first_answer = {"busy": "BUSY", "nocarrier": "NO CARRIER", "nodialtone": "NO DIALTONE"}

master, slave = pty.openpty()
tty.setraw(slave)  # no echo or line editing until the dialer sets its own modes
print(os.ttyname(slave), flush=True)

dials = 0
pending = b""
while True:
    select.select([master], [], [])
    try:
        data = os.read(master, 1024)
    except OSError:
        data = b""
    if not data:
        continue
    pending += data
    while b"\r" in pending:
        line, pending = pending.split(b"\r", 1)
        command = line.decode("latin-1").strip()
        if not command:
            continue
        print(command, flush=True)
        answer = "OK"
        if command.upper().startswith("ATD"):
            dials += 1
            if scenario == "vanish":
                os._exit(0)
            if scenario == "silent":
                answer = None
            elif dials == 1 and scenario in first_answer:
                answer = first_answer[scenario]
            else:
                answer = "CONNECT 1200"
        reply = command + "\r"
        if answer:
            reply += "\r\n" + answer + "\r\n"
        os.write(master, reply.encode("latin-1"))
