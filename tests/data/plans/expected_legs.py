#!/usr/bin/env python3
"""Writes NAME.legs beside each plan in this folder (XML plans and line-based plans): one
line per waypoint that carries a position, "IDENT|TYPE|LATITUDE|LONGITUDE", worked out with
Python's own XML parser, string splitting and arithmetic, independently of the display's
reader. Every waypoint is listed, also those past the 50 the display keeps. The tests compare the display's reading
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


LINE_DEGREES = re.compile(r"^([NSEW])(\d+)\*\s*(\d+(?:\.\d+)?)'$")


def line_coordinate(text):
    hemisphere, degrees, minutes = LINE_DEGREES.match(text.strip()).groups()
    value = int(degrees) + float(minutes) / 60
    return -value if hemisphere in "SW" else value


def line_legs(path):
    # "waypoint.N=" lines up to the first empty line after the first of them. The fields
    # are comma separated; the latitude is the first field of the form N52* 21.73', the
    # type letter the field before it and the name the field before that (both layouts:
    # "KSEA, A, N47* ..." and "K1, SEA, , SEA, V, N47* ...").
    out = []
    started = False
    for raw in open(path, "rb").read().decode("cp1252").splitlines():
        if started and not raw.strip():
            break
        if not raw.startswith("waypoint."):
            continue
        started = True
        fields = [f.strip() for f in raw.split("=", 1)[1].split(",")]
        at = next(i for i, f in enumerate(fields) if LINE_DEGREES.match(f))
        lat, lon = line_coordinate(fields[at]), line_coordinate(fields[at + 1])
        if abs(lat) > 90 or abs(lon) > 180:
            continue
        out.append("%s|%s|%.7f|%.7f" % (fields[at - 2], fields[at - 1][:1], lat, lon))
    return out


for path in sorted(glob.glob(os.path.join(HERE, "*.pln"))):
    raw = open(path, "rb").read()
    if b"<SimBase.Document" in raw[:400]:
        found = legs(path)
    elif b"waypoint." in raw:
        found = line_legs(path)
    else:
        continue
    with open(os.path.splitext(path)[0] + ".legs", "w") as f:
        f.write("\n".join(found) + ("\n" if found else ""))
    print(os.path.basename(path), len(found))
