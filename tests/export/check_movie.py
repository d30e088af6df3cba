"""Reads what the animation writers leave with readers of our own choosing: PIL for the frame
images, Python's XML parser for the KML documents and zipfile for the KMZ archives. Prints JSON.

  check_movie.py pixels IMAGE X Y [X Y ...]      -> every pixel as [r, g, b, a]
  check_movie.py other IMAGE X0 Y0 X1 Y1 R G B   -> [how many pixels of the rectangle
                                                    (X1, Y1 excluded) differ from R G B]
  check_movie.py avi MOVIE                       -> the RIFF lists, headers and indexes of an AVI
                                                    file walked by its chunks, with every
                                                    inconsistency found
  check_movie.py kml DOCUMENT_OR_ARCHIVE         -> the overlays' hrefs and time spans, the
                                                    colour bar's href, whether the spans follow
                                                    each other, and the archive's entries
"""
import json
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile
from datetime import datetime

from PIL import Image

KML = "{http://earth.google.com/kml/2.0}"


def rgba(image):
    return image.convert("RGBA")


def pixels(path, coords):
    image = rgba(Image.open(path))
    return [list(image.getpixel((coords[i], coords[i + 1]))) for i in range(0, len(coords), 2)]


def other(path, x0, y0, x1, y1, colour):
    image = rgba(Image.open(path))
    count = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            if list(image.getpixel((x, y)))[:3] != colour:
                count += 1
    return count


def avi(path):
    with open(path, "rb") as f:
        data = f.read()
    errors = []
    u16 = lambda at: struct.unpack_from("<H", data, at)[0]
    u32 = lambda at: struct.unpack_from("<I", data, at)[0]
    u64 = lambda at: struct.unpack_from("<Q", data, at)[0]
    chunks = []  # (fourcc, data offset, size, riff index)
    riffs = []   # (offset, form)
    movis = []   # offset of each "movi" tag

    def walk(start, end, riff):
        at = start
        while at + 8 <= end:
            tag, size = data[at:at + 4], u32(at + 4)
            if at + 8 + size > end:
                errors.append("chunk %r at %d runs past its list" % (tag, at))
                return
            if tag in (b"RIFF", b"LIST"):
                form = data[at + 8:at + 12]
                if tag == b"RIFF":
                    riffs.append((at, form))
                    riff = len(riffs) - 1
                if form == b"movi":
                    movis.append(at + 8)
                walk(at + 12, at + 8 + size, riff)
            else:
                chunks.append((tag, at + 8, size, riff))
            at += 8 + size + (size & 1)
        if at != end:
            errors.append("list ends at %d, its chunks at %d" % (end, at))

    walk(0, len(data), -1)
    if [form for _, form in riffs][:1] != [b"AVI "] or any(form != b"AVIX" for _, form in riffs[1:]):
        errors.append("RIFF forms %r" % [form for _, form in riffs])
    if any(at != 0 for at, _ in riffs[:1]) or any(data[at:at + 4] != b"RIFF" for at, _ in riffs):
        errors.append("RIFF lists do not follow each other")
    first = lambda tag: next((c for c in chunks if c[0] == tag), None)
    avih, strh, strf, indx, dmlh, idx1 = (first(t) for t in (b"avih", b"strh", b"strf", b"indx", b"dmlh", b"idx1"))
    frames = [(at, size, riff) for tag, at, size, riff in chunks if tag == b"00db"]
    result = {"riffs": len(riffs), "frames": len(frames), "errors": errors}
    if None in (avih, strh, strf):
        errors.append("missing header")
        return result
    a, s, b = avih[1], strh[1], strf[1]
    result.update({
        "avih_frames": u32(a + 16), "avih_width": u32(a + 32), "avih_height": u32(a + 36),
        "type": data[s:s + 4].decode(), "handler": data[s + 4:s + 8].decode(), "scale": u32(s + 20),
        "rate": u32(s + 24), "length": u32(s + 32),
        "bitmap": [u32(b), u32(b + 4), u32(b + 8), u16(b + 12), u16(b + 14), u32(b + 16), u32(b + 20)],
    })
    if any(size != u32(b + 20) for _, size, _ in frames):
        errors.append("a frame chunk is not one image")
    # The OpenDML super index and its standard indexes list every frame in order.
    indexed = []
    if indx is not None:
        i = indx[1]
        if (u16(i), data[i + 3], data[i + 8:i + 12]) != (4, 0, b"00db"):
            errors.append("super index header")
        for e in range(u32(i + 4)):
            offset, size, duration = u64(i + 24 + 16 * e), u32(i + 32 + 16 * e), u32(i + 36 + 16 * e)
            if data[offset:offset + 4] != b"ix00" or u32(offset + 4) + 8 != size:
                errors.append("super index entry %d" % e)
                continue
            x = offset + 8
            if (u16(x), data[x + 3], u32(x + 4), data[x + 8:x + 12]) != (2, 1, duration, b"00db"):
                errors.append("standard index %d header" % e)
            base = u64(x + 12)
            for k in range(u32(x + 4)):
                rel, size = u32(x + 24 + 8 * k), u32(x + 28 + 8 * k)
                if size & 0x80000000:
                    errors.append("frame not a key frame")
                indexed.append((base + rel, size & 0x7FFFFFFF))
        result["super_entries"] = u32(i + 4)
    result["indexed"] = len(indexed)
    if indexed != [(at, size) for at, size, _ in frames]:
        errors.append("the OpenDML indexes do not list the frames in order")
    if dmlh is not None:
        result["dmlh_frames"] = u32(dmlh[1])
    # The classic index lists the first RIFF list's frames, from the first "movi" tag.
    if idx1 is not None and movis:
        entries = [struct.unpack_from("<4sIII", data, idx1[1] + 16 * k) for k in range(idx1[2] // 16)]
        listed = [(movis[0] + off + 8, size) for tag, flags, off, size in entries if tag == b"00db" and flags & 0x10]
        if listed != [(at, size) for at, size, riff in frames if riff == 0] or len(listed) != len(entries):
            errors.append("idx1 does not list the first list's key frames")
        result["idx1_entries"] = len(entries)
    return result


def kml(path):
    entries = []
    if path.endswith(".kmz"):
        with zipfile.ZipFile(path) as archive:
            entries = archive.namelist()
            document = [n for n in entries if n.endswith(".kml")][0]
            root = ET.fromstring(archive.read(document))
    else:
        root = ET.parse(path).getroot()
    overlays = root.iter(KML + "GroundOverlay")
    hrefs, spans = [], []
    for overlay in overlays:
        hrefs.append(overlay.find(KML + "Icon").find(KML + "href").text)
        span = overlay.find(KML + "TimeSpan")
        begin = datetime.strptime(span.find(KML + "begin").text, "%Y-%m-%dT%H:%M:%SZ")
        end = datetime.strptime(span.find(KML + "end").text, "%Y-%m-%dT%H:%M:%SZ")
        spans.append((begin, end))
    increasing = all(b < e for b, e in spans) and all(
        spans[i][1] <= spans[i + 1][0] for i in range(len(spans) - 1))
    bar = root.find(KML + "Document").find(KML + "ScreenOverlay").find(KML + "Icon").find(KML + "href").text
    name = root.find(KML + "Document").find(KML + "name").text
    return {"hrefs": hrefs, "increasing": increasing, "bar": bar, "name": name, "entries": entries}


def main():
    command = sys.argv[1]
    if command == "pixels":
        result = pixels(sys.argv[2], [int(v) for v in sys.argv[3:]])
    elif command == "avi":
        result = avi(sys.argv[2])
    elif command == "other":
        v = [int(a) for a in sys.argv[3:]]
        result = [other(sys.argv[2], v[0], v[1], v[2], v[3], v[4:7])]
    else:
        result = kml(sys.argv[2])
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
