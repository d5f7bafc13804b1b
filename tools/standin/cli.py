"""Command line of the stand-in service: run it as a child of a test or of the run command.

It prints "PORT <n>" once it listens, and it never outlives whoever started it:
it stops on SIGTERM/SIGINT, on end of standard input (--stdin-lifeline) and when
the process named by --parent-pid is gone.
"""

import argparse
import os
import signal
import sys
import tempfile
import threading

from .service import StandInService

PARENT_POLL = 0.5  # seconds between looks at the parent process


def parse_args(argv):
    p = argparse.ArgumentParser(prog="python3 -m tools.standin",
                                description="Loopback stand-in for the platform's web service.")
    p.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: a free one)")
    p.add_argument("--root", help="also serve the files below this folder")
    p.add_argument("--record", metavar="FILE", help="append each request to FILE as a JSON line")
    p.add_argument("--control", action="store_true", help="enable the /__ctl/ endpoints")
    p.add_argument("--port-file", metavar="FILE", help="also write the port number to FILE")
    p.add_argument("--stdin-lifeline", action="store_true", help="stop when standard input ends")
    p.add_argument("--parent-pid", type=int, help="stop when this process is gone")
    p.add_argument("--update-exe", metavar="FILE",
                   help="publish the update configuration naming FILE as the current release")
    p.add_argument("--upd-addr", default="", help="download address put into that configuration")
    p.add_argument("--serve-exe-at", metavar="PATH", help="also serve --update-exe at this path")
    p.add_argument("--notice", metavar="LINE", help="publish this notice line")
    p.add_argument("--notice-encoding", default="gbk", help="encoding of the notice line")
    p.add_argument("--verbose", action="store_true", help="log each request to standard error")
    args = p.parse_args(argv)
    if not 0 <= args.port <= 65535:
        p.error("--port must be between 0 and 65535")
    if args.root and not os.path.isdir(args.root):
        p.error("--root %s is not a folder" % args.root)
    if args.update_exe and not os.path.isfile(args.update_exe):
        p.error("--update-exe %s is not a file" % args.update_exe)
    if args.record:
        try:
            open(args.record, "a").close()
        except OSError as exc:
            p.error("--record %s cannot be written: %s" % (args.record, exc))
    return args


def process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    try:  # a dead child not yet reaped by its parent still answers kill(0)
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rpartition(")")[2].split()[0] not in ("Z", "X")
    except (OSError, IndexError):
        return True


def _watch_stdin(stop):
    # Raw reads of the descriptor: a buffered reader would hold its lock while it waits,
    # and the interpreter aborts when it finds that lock taken by this thread at exit.
    try:
        fd = sys.stdin.fileno()
        while os.read(fd, 4096):
            pass
    except (OSError, ValueError, AttributeError):
        pass
    stop.set()


def _watch_parent(pid, stop):
    while process_alive(pid):
        if stop.wait(PARENT_POLL):
            return
    stop.set()


def _write_port_file(path, port):
    folder = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(dir=folder, prefix=".port-")
    with os.fdopen(fd, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)  # readers polling the file never see it half written


def main(argv=None):
    args = parse_args(argv)
    stop = threading.Event()
    svc = StandInService(args.root, args.port, record_file=args.record,
                         control=args.control, quiet=not args.verbose)
    svc.on_shutdown_request = stop.set
    try:
        svc.start()
    except OSError as exc:
        print("standin: cannot listen on 127.0.0.1:%d: %s" % (args.port, exc), file=sys.stderr)
        return 1
    try:
        if args.update_exe:
            svc.set_update_config(args.update_exe, args.upd_addr, serve_exe_at=args.serve_exe_at)
        if args.notice is not None:
            svc.set_notice(args.notice, encoding=args.notice_encoding)
    except (OSError, ValueError, LookupError) as exc:
        print("standin: %s" % exc, file=sys.stderr)
        svc.stop()
        return 2

    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.set())
    if args.port_file:
        _write_port_file(args.port_file, svc.port)
    try:
        print("PORT %d" % svc.port, flush=True)
    except OSError:
        pass  # whoever started us stopped listening; the lifelines decide when to end
    if args.stdin_lifeline:
        threading.Thread(target=_watch_stdin, args=(stop,), daemon=True).start()
    if args.parent_pid is not None:
        threading.Thread(target=_watch_parent, args=(args.parent_pid, stop), daemon=True).start()

    while not stop.wait(0.5):
        pass
    svc.stop()
    return 0
