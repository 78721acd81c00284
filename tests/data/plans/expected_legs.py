#!/usr/bin/env python3
"""Writes NAME.legs beside each XML plan in this folder: one line per waypoint that carries
a position, "IDENT|TYPE|LATITUDE|LONGITUDE", worked out with Python's own XML parser and
arithmetic, independently of the display's reader. The tests compare the display's reading
of each plan with these lines (1e-4 degrees).

Usage: tests/data/plans/expected_legs.py   (rewrites the .legs files)
"""
import glob
import os
import re
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
TYPES = {"Airport": "A", "VOR": "V", "Intersection": "I"}
DMS = re.compile(r"\s*([NSEW])\s*(\d+)\s*[\u00b0*]?\s*(\d+(?:[.,]\d+)?)\s*'\s*(\d+(?:[.,]\d+)?)\s*\"?\s*$")


def coordinate(text):
    m = DMS.match(text)
    if not m:
        return float(text)                      # signed decimal degrees
    hemisphere, degrees, minutes, seconds = m.groups()
    value = int(degrees) + float(minutes.replace(",", ".")) / 60 + float(seconds.replace(",", ".")) / 3600
    return -value if hemisphere in "SW" else value


def position(text):
    # latitude, longitude, altitude: the parts are separated by the comma that follows a
    # double quote (DMS) or by plain commas (decimal degrees)
    if '"' in text:
        parts = [p for p in re.split(r'"\s*,', text)]
        return coordinate(parts[0] + '"'), coordinate(parts[1] + '"')
    lat, lon = text.split(",")[:2]
    return float(lat), float(lon)


def legs(path):
    raw = open(path, "rb").read()
    try:
        root = ET.fromstring(raw)
    except ET.ParseError:
        root = ET.fromstring(raw.decode("cp1252").encode("utf-8").replace(b'encoding="UTF-8"', b""))
    out = []
    for wp in root.iter("ATCWaypoint"):
        pos = wp.find("WorldPosition")
        if pos is None:
            continue
        ident = wp.get("id") or (wp.findtext("ICAO/ICAOIdent") or "")
        letter = TYPES.get((wp.findtext("ATCWaypointType") or "").strip(), "")
        lat, lon = position(pos.text.strip())
        if abs(lat) > 90 or abs(lon) > 180:
            continue
        out.append("%s|%s|%.7f|%.7f" % (ident, letter, lat, lon))
    return out


for path in sorted(glob.glob(os.path.join(HERE, "*.pln"))):
    head = open(path, "rb").read(400)
    if b"<SimBase.Document" not in head:
        continue
    with open(os.path.splitext(path)[0] + ".legs", "w") as f:
        f.write("\n".join(legs(path)) + "\n")
    print(os.path.basename(path), len(legs(path)))
