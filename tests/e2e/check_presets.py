#!/usr/bin/env python3
"""Checks what the presets write with real parsers, against the playlist it was written from.

  check_presets.py hostile OUT.m3u8          writes a playlist of hostile entries
  check_presets.py KIND PLAYLIST OUTPUT BASE KIND: xspf, html, md, txt, m3u, csv or json; exit 1
                                             on a problem
  check_presets.py normalize BASE OUTPUT     prints OUTPUT with the folder BASE written as
                                             {BASE} (and {BASE_URI}), separators after it as /

The playlist is read by the host's rules: "#EXTINF:LENGTH,ARTIST - TITLE" (a negative or
unreadable length is unknown), "#EXTALB:" for the next entry only. BASE is the playlist's folder
as the host names it: a Linux path, or a Windows one ("Z:\\music"), whose relative entries are
joined to it with Windows separators.
"""
import csv
import html
import io
import json
import html.parser
import re
import sys
import urllib.parse
import xml.etree.ElementTree as ET

HOSTILE = """#EXTM3U
#EXTALB:A | B <C> & 'D' "E"
#EXTINF:245,Tom & Jerry's "Band" - <script>alert('x')</script> & "quotes"
music/a & b/c'd #1?.flac
#EXTINF:198.4,Pipe|Band - Left | Right \\| Pipe \\\\
music/pipes|and\\back.mp3
#EXTINF:3725.6,Bj\u00f6rk \u00d8deg\u00e5rd - \u6771\u4eac \U0001F3B5 Caf\u00e9 <3
music/\u6771\u4eac/caf\u00e9 \U0001F3B5.opus
#EXTINF:-1,Radio & Co - Live > Tape
http://radio.example.invalid/live?x=1&y=2
#EXTINF:0,@htmlsafe{<b>} - Song {Live} </td> & more}
music/braces {x}.mp3
#EXTINF:59.999,No Artist <here>
music/lonely.wav
C:\\Music\\\u00dcbung & Co\\track 01.mp3
#EXTINF:61,Back\\slash - 100% [Remix] $5 'n' ]]> -- ,comma) %title%
\\\\nas\\share\\x y.ogg
#EXTINF:120,Tab\there -  Two  Spaces
/srv/music/plain.flac
#EXTINF:7,Bell\x07Ring\x01 - Comma, "Quote" \uffff
music/"quoted", file.mp3
"""


class Entry:
    def __init__(self, location, length, title, artist, album):
        self.location, self.length = location, length
        self.title, self.artist, self.album = title, artist, album
        self.resolved = location

    def resolve(self, base):
        """The location as the host holds it: a relative one joined to the playlist's folder.
        A file without a title shows its name."""
        if re.match(r"[A-Za-z][A-Za-z0-9+.-]+:", self.location) and (
                self.location.lower().startswith("file:") or
                re.match(r"[A-Za-z][A-Za-z0-9+.-]+://", self.location)):
            return
        self.join(base)
        self.title = self.title or self.filename()

    def join(self, base):
        if self.location[:1] in ("/", "\\") or self.location[1:2] == ":":
            return
        windows = "\\" in base or base[1:2] == ":"
        if windows:
            self.resolved = (base.rstrip("\\") + "\\" + self.location).replace("/", "\\")
        else:
            self.resolved = base.rstrip("/") + "/" + self.location

    def filename(self):
        base = re.split(r"[/\\]", self.resolved)[-1]
        dot = base.rfind(".")
        return base if dot <= 0 else base[:dot]

    def shown_title(self):
        return self.title or self.filename()

    def whole_seconds(self):
        return None if self.length is None else int(self.length)


def parse_decimal(text):
    return float(text) if re.fullmatch(r"[+-]?(\d+\.?\d*|\.\d+)", text) else None


def read_playlist(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = text.removeprefix("\ufeff")
    entries, pending = [], {}
    for line in re.split(r"[\r\n\0]", text):
        line = line.strip(" \t")
        if not line:
            continue
        if line.startswith("#EXTINF:"):
            rest = line[8:]
            length_text, comma, display = rest.partition(",")
            length = parse_decimal(length_text.strip(" \t"))
            pending["length"] = length if length is not None and length >= 0 else None
            display = display.strip(" \t")
            artist, dash, title = display.partition(" - ")
            artist, title = artist.strip(" \t"), title.strip(" \t")
            if comma and dash and artist and title:
                pending["artist"], pending["title"] = artist, title
            else:
                pending["artist"], pending["title"] = "", display if comma else ""
        elif line.startswith("#EXTALB:"):
            pending["album"] = line[8:].strip(" \t")
        elif not line.startswith("#"):
            entries.append(Entry(line, pending.get("length"), pending.get("title", ""),
                                 pending.get("artist", ""), pending.get("album", "")))
            pending = {}
    return entries


def duration_text(seconds):
    s = max(0, int(seconds))
    weeks, days, hours = s // 604800, s // 86400 % 7, s // 3600 % 24
    text = "%dwk " % weeks if weeks else ""
    text += "%dd " % days if days or weeks else ""
    if hours or days or weeks:
        return text + "%d:%02d:%02d" % (hours, s // 60 % 60, s % 60)
    return text + "%d:%02d" % (s // 60 % 60, s % 60)


def length_text(entry):
    s = entry.whole_seconds()
    if s is None:
        return ""
    return "%d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60) if s >= 3600 else "%d:%02d" % (
        s // 60, s % 60)


def totals(entries):
    total = sum(e.length for e in entries if e.length is not None and e.length > 0)
    unknown = sum(1 for e in entries if e.length is None or e.length <= 0)
    average = total / len(entries) if entries else 0
    return len(entries), duration_text(total), duration_text(average), unknown


def printable(text):
    """What the XML and HTML presets make of a text: every character XML forbids as U+FFFD."""
    return re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff]", "\ufffd", text)


def location_uri(path):
    if re.match(r"[A-Za-z][A-Za-z0-9+.-]+:", path):
        return urllib.parse.quote(path, safe="!#$&'()*+,/:;=?@[]~%")
    path = path.replace("\\", "/")
    if re.match(r"[A-Za-z]:/", path):
        return "file:///" + path[:2] + urllib.parse.quote(path[2:])
    prefix = "file:" if path.startswith("//") else "file://" if path.startswith("/") else ""
    return prefix + urllib.parse.quote(path)


class Problems:
    def __init__(self, what):
        self.what, self.count = what, 0

    def expect(self, got, want, where):
        if got != want:
            self.count += 1
            print("%s: %s: got %r, expected %r" % (self.what, where, got, want))


def check_xspf(entries, path, problems):
    ns = {"x": "http://xspf.org/ns/0/"}
    root = ET.parse(path).getroot()
    problems.expect(root.tag, "{http://xspf.org/ns/0/}playlist", "root element")
    problems.expect(root.get("version"), "1", "version")
    count, total, average, unknown = totals(entries)
    problems.expect(root.findtext("x:title", None, ns), "%d tracks, %s" % (count, total), "title")
    problems.expect(root.findtext("x:annotation", None, ns),
                    "%d tracks, %s in all, %s on average, %d of unknown length. Written by "
                    "Vorlane 1.03.00." % (count, total, average, unknown), "annotation")
    tracks = root.findall("x:trackList/x:track", ns)
    problems.expect(len(tracks), len(entries), "track count")
    for i, (track, entry) in enumerate(zip(tracks, entries), 1):
        seconds = entry.whole_seconds()
        for name, want in (("location", location_uri(entry.resolved)),
                           ("title", printable(entry.title) or None),
                           ("creator", printable(entry.artist) or None),
                           ("album", printable(entry.album) or None),
                           ("duration", None if seconds is None else str(seconds * 1000))):
            problems.expect(track.findtext("x:" + name, None, ns), want, "track %d %s" % (i, name))


class TableReader(html.parser.HTMLParser):
    """The rows of every table (cell texts) and the texts of the paragraphs."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.paragraphs, self.cell, self.paragraph = [], [], None, None
        self.tags, self.numeric, self.caption = [], [], None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        if tag == "tr":
            self.rows.append([])
        elif tag in ("td", "th"):
            self.cell = ""
            self.numeric.append("num" in (dict(attrs).get("class") or "").split())
        elif tag == "p":
            self.paragraph = ""
        elif tag == "caption":
            self.caption = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None
        elif tag == "p" and self.paragraph is not None:
            self.paragraphs.append(self.paragraph)
            self.paragraph = None
        elif tag == "caption" and self.caption is not None:
            self.paragraphs.append(self.caption)
            self.caption = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        if self.paragraph is not None:
            self.paragraph += data
        if self.caption is not None:
            self.caption += data


def read_page(reader, path):
    """reader, fed the whole page at path."""
    with open(path, encoding="utf-8") as f:
        reader.feed(f.read())
    reader.close()
    return reader


def check_html(entries, path, problems):
    reader = read_page(TableReader(), path)
    problems.expect(sorted(set(reader.tags)),
                    ["body", "caption", "h1", "head", "html", "meta", "p", "style", "table", "td",
                     "th", "title", "tr"], "the elements used")
    # Numbers stand right-aligned under right-aligned headings: the first and last column.
    columns = 5
    problems.expect(reader.numeric[:columns], [True, False, False, False, True], "heading classes")
    problems.expect(set(tuple(reader.numeric[i:i + columns])
                        for i in range(0, len(reader.numeric), columns)),
                    {(True, False, False, False, True)}, "cell classes")
    problems.expect(reader.rows[:1], [["#", "Artist", "Title", "Album", "Length"]], "header row")
    rows = reader.rows[1:]
    problems.expect(len(rows), len(entries), "row count")
    for i, (row, entry) in enumerate(zip(rows, entries), 1):
        problems.expect(row, [str(i), printable(entry.artist), printable(entry.shown_title()),
                              printable(entry.album), length_text(entry)], "row %d" % i)
    count, total, average, unknown = totals(entries)
    problems.expect(reader.paragraphs[:1], [
        "%d tracks, %s in all, %s on average, %d of unknown length." % (count, total, average,
                                                                       unknown)], "totals")


class AlbumReader(html.parser.HTMLParser):
    """The html-albums page: per tbody, the album heading's spans and each track row's cells."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.albums, self.tags, self.attrs, self.text, self.span = [], [], {}, None, None
        self.scripts = []

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        attrs = dict(attrs)
        self.attrs.setdefault(tag, []).append(attrs)
        if tag == "tbody":
            self.albums.append({"heading": {}, "tracks": []})
        elif tag == "span":
            self.span, self.text = attrs.get("class"), ""
        elif tag == "tr" and attrs.get("class") == "track":
            self.albums[-1]["tracks"].append([])
        elif tag == "td":
            self.text = ""
        elif tag == "script":
            self.scripts.append(attrs)

    def handle_endtag(self, tag):
        if tag == "span" and self.span:
            self.albums[-1]["heading"][self.span] = self.text
            self.span, self.text = None, None
        elif tag == "td" and self.text is not None:
            self.albums[-1]["tracks"][-1].append(self.text)
            self.text = None

    def handle_data(self, data):
        if self.text is not None:
            self.text += data


def check_albums(entries, path, problems):
    reader = read_page(AlbumReader(), path)
    problems.expect(sorted(set(reader.tags)),
                    ["body", "h1", "head", "html", "input", "meta", "p", "script", "span",
                     "style", "table", "tbody", "td", "th", "title", "tr"] if entries else
                    ["body", "h1", "head", "html", "input", "meta", "p", "script", "style",
                     "table", "title"], "the elements used")
    # The search box is shown by the script only, which is inline: the page works without it.
    problems.expect([("hidden" in a) for a in reader.attrs.get("input", [])], [True], "search box")
    problems.expect(reader.scripts, [{}], "one inline script")
    # Neighbours with the same album artist (else artist) and album are one album.
    groups = []
    for i, entry in enumerate(entries, 1):
        key = (entry.artist, entry.album)
        if not groups or groups[-1][0] != key:
            groups.append((key, []))
        groups[-1][1].append((i, entry))
    problems.expect(len(reader.albums), len(groups), "album count")
    for album, (key, members) in zip(reader.albums, groups):
        seconds = [e.whole_seconds() for _, e in members if e.length is not None and e.length > 0]
        count = "%d %s" % (len(members), "tracks" if len(members) > 1 else "track")
        if seconds:
            total = sum(e.length for _, e in members if e.length is not None and e.length > 0)
            count += ", " + length_text(Entry("", total, "", "", ""))
        want = {"name": printable(key[1]) or "Other tracks", "count": count}
        if key[0]:
            want["artist"] = printable(key[0])
        problems.expect(album["heading"], want, "album heading of track %d" % members[0][0])
        problems.expect(album["tracks"], [[str(i), printable(e.shown_title()), length_text(e)]
                                          for i, e in members], "tracks of album %s" % key[1])


def markdown_cells(line):
    """The cells of a table row as a renderer splits it: a backslash escapes the next byte."""
    cells = re.findall(r"\|((?:\\.|[^|\\])*)", line.strip())
    return [c.strip() for c in cells[:-1]] if line.strip().endswith("|") else None


def markdown_text(cell):
    return html.unescape(re.sub(r"\\([!-/:-@\[-`{-~])", r"\1", cell))


def check_md(entries, path, problems):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    table = []
    while lines and lines[0].startswith("|"):
        table.append(lines.pop(0))
    for i, line in enumerate(table, 1):
        cells = markdown_cells(line)
        problems.expect(len(cells) if cells else 0, 4, "columns of table line %d" % i)
    problems.expect(len(table), len(entries) + 2, "table lines")
    problems.expect(markdown_cells(table[0]) if table else None, ["#", "Artist", "Title", "Length"],
                    "header row")
    for i, (line, entry) in enumerate(zip(table[2:], entries), 1):
        cells = [markdown_text(c) for c in markdown_cells(line) or []]
        problems.expect(cells, [str(i), entry.artist, entry.shown_title(), length_text(entry)],
                        "row %d" % i)
    count, total, average, unknown = totals(entries)
    problems.expect(lines, ["", "**%d tracks, %s** in all, %s on average, %d of unknown length."
                            % (count, total, average, unknown), ""], "the totals after the table")


def safe_sections(text):
    """The module's rewriting of everything it writes: "@htmlsafe{...}" becomes its escaped
    contents. Plain text cannot keep such a field as it is."""
    while True:
        start = text.find("@htmlsafe{")
        end = text.find("}", start) if start >= 0 else -1
        if end < 0:
            return text
        contents = text[start + 10:end].replace("&", "&amp;").replace(">", "&gt;")
        text = text[:start] + contents.replace("<", "&lt;") + text[end + 1:]


def check_txt(entries, path, problems):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    count, total, _, _ = totals(entries)
    want = ["%d tracks, %s" % (count, total), ""]
    for i, entry in enumerate(entries, 1):
        length = length_text(entry)
        want.append(safe_sections("%d. %s%s%s" % (i, entry.artist + " \u2013 " if entry.artist else "",
                                    entry.shown_title(), " (%s)" % length if length else "")))
    problems.expect(lines, want + ["", ""], "lines")


def plain_field(text):
    """A field as a plain-text format carries it: the module rewrites "@htmlsafe{...}" there too."""
    return safe_sections(text)


def m3u_location(location):
    """A location as the m3u preset writes it: as a URI when it holds "#", "?" or "%", which a
    reader that takes every line for a URI reference would misread in a plain path."""
    return location_uri(location) if re.search(r"[#?%]", location) else location


def check_m3u(entries, path, problems):
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    problems.expect(text.startswith("#EXTM3U\r\n"), True, "starts with #EXTM3U")
    problems.expect(text.endswith("\r\n") and "\r\n\r\n" not in text, True, "one CRLF a line")
    back = read_playlist(path)
    problems.expect(len(back), len(entries), "entry count")
    for i, (got, entry) in enumerate(zip(back, entries), 1):
        problems.expect((got.location, got.length, got.artist, got.title, got.album),
                        (m3u_location(entry.resolved), entry.length, plain_field(entry.artist),
                         plain_field(entry.title), plain_field(entry.album)), "entry %d" % i)


def check_csv(entries, path, problems):
    with open(path, "rb") as f:
        raw = f.read()
    problems.expect(raw[:3], b"\xef\xbb\xbf", "byte-order mark")
    text = raw.decode("utf-8-sig")
    problems.expect(text.count("\r\n"), len(entries) + 1, "CRLF lines")
    rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    problems.expect(rows[:1], [["index", "artist", "title", "album", "length", "length_seconds",
                                "location"]], "header row")
    problems.expect(len(rows) - 1, len(entries), "row count")
    for i, (row, entry) in enumerate(zip(rows[1:], entries), 1):
        seconds = "" if entry.length is None else format_seconds(entry.length)
        problems.expect(row, [str(i), plain_field(entry.artist), plain_field(entry.title),
                              plain_field(entry.album), length_text(entry), seconds,
                              plain_field(entry.resolved)], "row %d" % i)
    # Every field is quoted.
    for i, line in enumerate(text.split("\r\n")[:-1]):
        problems.expect(line.startswith('"') and line.endswith('"'), True, "line %d quoted" % i)


def format_seconds(seconds):
    return repr(seconds).removesuffix(".0")


def check_json(entries, path, problems):
    with open(path, encoding="utf-8") as f:
        document = json.load(f)
    count, total, average, unknown = totals(entries)
    problems.expect(document.get("title"), "%d tracks, %s" % (count, total), "title")
    whole = int(sum(e.length for e in entries if e.length and e.length > 0))
    mean = int(whole / count) if count else 0
    problems.expect(document.get("totals"), {
        "tracks": count, "length": total, "length_seconds": whole, "average_length": average,
        "average_length_seconds": mean, "unknown_lengths": unknown,
        "written_by": "Vorlane 1.03.00"}, "totals")
    tracks = document.get("tracks")
    problems.expect(len(tracks), len(entries), "track count")
    for i, (track, entry) in enumerate(zip(tracks, entries), 1):
        problems.expect(track, {
            "index": i, "artist": entry.artist or None, "title": entry.title or None,
            "album": entry.album or None, "length": length_text(entry) or None,
            "length_seconds": entry.length, "location": entry.resolved}, "track %d" % i)


def normalize(base, path):
    """OUTPUT with the base folder as {BASE} and {BASE_URI}, so that one expected file serves
    every target: the separators behind the folder become "/", the JSON form included."""
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    text = text.replace(location_uri(base), "{BASE_URI}")
    forms = [base, json.dumps(base)[1:-1]]
    pattern = "|".join(re.escape(form) for form in sorted(set(forms), key=len, reverse=True))
    text = re.sub("(?:%s)([^\"\r\n]*)" % pattern,
                  lambda m: "{BASE}" + m.group(1).replace("\\\\", "/").replace("\\", "/"), text)
    sys.stdout.write(text)


def main(argv):
    if len(argv) == 3 and argv[1] == "hostile":
        with open(argv[2], "w", encoding="utf-8", newline="\n") as f:
            f.write(HOSTILE)
        return 0
    if len(argv) == 4 and argv[1] == "normalize":
        normalize(argv[2], argv[3])
        return 0
    checks = {"xspf": check_xspf, "html": check_html, "albums": check_albums, "md": check_md, "txt": check_txt,
              "m3u": check_m3u, "csv": check_csv, "json": check_json}
    if len(argv) != 5 or argv[1] not in checks:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    entries = read_playlist(argv[2])
    for entry in entries:
        entry.resolve(argv[4])
    problems = Problems("%s of %s" % (argv[1], argv[2]))
    try:
        checks[argv[1]](entries, argv[3], problems)
    except (ET.ParseError, UnicodeDecodeError, TypeError, IndexError, ValueError, csv.Error,
            AttributeError) as e:
        problems.expect(str(e), "", "parse")
    return 1 if problems.count else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
