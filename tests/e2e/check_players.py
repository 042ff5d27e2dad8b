#!/usr/bin/python3
"""Opens an exported playlist with GNOME's playlist parser, as a GNOME player would.

  check_players.py files PLAYLIST         creates each local entry of PLAYLIST as a short WAV file
  check_players.py open KIND PLAYLIST OUT KIND: xspf or m3u; exit 1 unless the parser reads OUT
                                          whole, every local entry names its file (the relative
                                          ones, created by "files", must exist) and
                                          every title is the playlist's
  check_players.py vlc PLAYLIST OUT LOG   exit 1 unless VLC's log LOG (cvlc -vv, OUT played)
                                          shows every local entry of PLAYLIST opened

Runs with Debian's python3, which has the parser's bindings (python3-gi,
gir1.2-totemplparser-1.0).
"""
import os
import re
import sys
import urllib.parse
import wave

import gi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_presets import read_playlist  # noqa: E402

gi.require_version("TotemPlParser", "1.0")
from gi.repository import Gio, TotemPlParser  # noqa: E402


def entries(playlist):
    """(location, display title) of each entry, read by the host's rules (check_presets.py)."""
    return [(e.location, "%s - %s" % (e.artist, e.title) if e.artist else e.title or None)
            for e in read_playlist(playlist)]


def is_local(location):
    return not re.match(r"[A-Za-z][A-Za-z0-9+.-]+://", location)


def make_files(playlist):
    folder = os.path.dirname(os.path.abspath(playlist))
    for location, _ in entries(playlist):
        if not is_local(location) or os.path.isabs(location):
            continue
        path = os.path.join(folder, location)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with wave.open(path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(8000)
            w.writeframes(b"\0\0" * 800)


def parsed(out):
    parser = TotemPlParser.Parser()
    items = []
    parser.connect("entry-parsed", lambda _, uri, metadata: items.append((uri, dict(metadata))))
    result = parser.parse(Gio.File.new_for_path(out).get_uri(), False)
    return result == TotemPlParser.ParserResult.SUCCESS, items


def local_path(uri):
    if uri.startswith("file://"):
        return urllib.parse.unquote(urllib.parse.urlsplit(uri).path)
    return None if "://" in uri else uri


def check(kind, playlist, out):
    problems = []
    ok, items = parsed(out)
    if not ok:
        problems.append("the parser did not read %s" % out)
    want = entries(playlist)
    if len(items) != len(want):
        problems.append("%d entries read, %d in the playlist" % (len(items), len(want)))
    folder = os.path.dirname(os.path.abspath(playlist))
    for i, ((uri, metadata), (location, display)) in enumerate(zip(items, want), 1):
        if is_local(location):
            path = local_path(uri)
            expected = os.path.join(folder, location)
            # An absolute entry outside the scratch folder is not created; it must only be named
            # exactly.
            made = not os.path.isabs(location)
            if path != expected or (made and not os.path.isfile(path)):
                problems.append("entry %d: %s is not the file %s" % (i, uri, expected))
        if kind == "xspf":
            artist, dash, title = (display or "").partition(" - ")
            title = title if dash else artist
            got = metadata.get("title")
        else:
            title, got = display, metadata.get("title")
        if got != title:
            problems.append("entry %d: title %r, expected %r" % (i, got, title))
    for problem in problems:
        print("%s of %s: %s" % (kind, playlist, problem))
    return 1 if problems else 0


def check_vlc(playlist, out, log):
    """Every local entry's file among those VLC's log says it opened."""
    opened = set()
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.search(r"main input debug: `(.*)' successfully opened", line)
            if m:
                opened.add(local_path(m.group(1)))
    opened.discard(os.path.abspath(out))
    folder = os.path.dirname(os.path.abspath(playlist))
    problems = ["entry %d: VLC did not open %s" % (i, os.path.join(folder, location))
                for i, (location, _) in enumerate(entries(playlist), 1)
                if is_local(location) and os.path.join(folder, location) not in opened]
    for problem in problems:
        print("VLC on %s: %s" % (out, problem))
    return 1 if problems else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "files":
        make_files(argv[2])
        return 0
    if len(argv) == 5 and argv[1] == "open" and argv[2] in ("xspf", "m3u"):
        return check(argv[2], argv[3], argv[4])
    if len(argv) == 5 and argv[1] == "vlc":
        return check_vlc(argv[2], argv[3], argv[4])
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
