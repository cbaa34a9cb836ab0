#!/usr/bin/env python3
# Builds the plain reference database (dbase.xml) from the copied sources and the curated lists beside this script.
# Standard library only; the output is committed so that the program's build needs no network.
"""Build data/dbase/dbase.xml.

Sources (each can be given on the command line; the defaults are the project's
copies in sources/, which refresh_sources.py renews):
  --types     aircraft-types.csv (ICAO designators, descriptions, wake categories, spans)
  --standing  standing-data folder (airlines.csv, aircraft.csv, model-types.csv)
  --airlines  OpenFlights airlines.dat
  --traffic   FlightGear traffic extract (traffic.csv)
  --regdb     dump1090-mutability registration extract (registrations.csv)
  --curated   folder of the hand-curated CSV files
  --out       the XML file to write
"""

import argparse
import csv
import glob
import json
import os
import re
import sys
import xml.etree.ElementTree as ET
from collections import Counter, defaultdict

HERE = os.path.dirname(os.path.abspath(__file__))

SOURCES = os.path.join(HERE, "sources")
REFRESH_HINT = "the project keeps it in data/dbase/sources; refresh_sources.py renews it"

WINGSPAN_SLOTS = 2700          # size of the program's half-span array, indexed by model pool index
METRES_PER_NM = 1852.0
LARGE_MIN_SPAN_M = 24.0        # wake category M aircraft at least this wide are airliner-size
LIST_CHUNK = 20                # codes per element in list sections, keeps diffs local
TEST_REGISTRATION = "D-AIBA"   # looked up by tests in its compact form

CATEGORIES = ["Heavy", "Large", "Buzjets", "HighPerf", "Rotorcraft"]   # Light has no section
CATEGORY_SECTIONS = [("heavy", "hvy", "Heavy"), ("large", "lar", "Large"),
                     ("buzjet", "bzj", "Buzjets"), ("high_performance", "hpf", "HighPerf"),
                     ("rotorcraft", "rot", "Rotorcraft")]

# Designators of current airlines whose liveries AI packages ship; the read-back check wants each.
REQUIRED_AIRLINES = ["NSZ", "NOZ", "JYH", "TKJ", "ITY", "SJX", "VKG", "VRE", "MGH"]
MIN_AIRLINES = 5500            # floors the read-back check holds the sections to
MIN_RECORDS = 20000
WAKE_RANK = {"J": 0, "H": 1, "M": 2, "L": 3}   # heavier types first when added designators compete for slots

DESIGNATOR = re.compile(r"[A-Z0-9]{2,4}")
AIRLINE_CODE = re.compile(r"[A-Z]{3}")
REGISTRATION = re.compile(r"[A-Z0-9]{1,3}-?[A-Z0-9]{1,8}")   # e.g. D-AIBA, N123AB, HP-1522CMP
CARGO_NAME = re.compile(r"\b(cargo|freight|freighters?|logistics?|parcels?|courier)\b", re.I)
VIRTUAL_NAME = re.compile(r"\bvirtual\b|\bVA$")


def fail(message):
    sys.exit(f"build_dbase: {message}")


def need(path, what, hint):
    if not os.path.exists(path):
        fail(f"{what} not found at {path} ({hint})")
    return path


def read_curated(folder, name):
    """Rows of a curated CSV as dicts; the first line is a '#' comment, then the header."""
    path = need(os.path.join(folder, name), f"curated list {name}", "it belongs to the repository")
    with open(path, newline="", encoding="utf-8") as f:
        lines = [line for line in f if not line.startswith("#") and line.strip()]
    return list(csv.DictReader(lines))


def split_blank(text):
    return [piece for piece in text.split() if piece]


def read_source_csv(path, what, columns):
    with open(need(path, what, REFRESH_HINT), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    if not rows or any(c not in rows[0] for c in columns):
        fail(f"{path} is empty or lacks one of the columns {columns}")
    return rows


# ---------------------------------------------------------------- aircraft types

def read_types(path):
    with open(path, newline="", encoding="ascii") as f:
        rows = list(csv.DictReader(f))
    if not rows or "icao" not in rows[0]:
        fail(f"{path} has no icao column")
    return {row["icao"]: row for row in rows}


def read_model_types(path):
    """Standing data model types as aircraft-types.csv rows without span; of several rows of one
    designator (variants) an active one with the heaviest wake category is taken."""
    rows = read_source_csv(path, "standing data model-types.csv",
                           ["ICAO", "Engines", "EngineTypeCode", "SpeciesCode", "WakeTurbulenceCode", "IsActive"])
    candidates = defaultdict(list)
    for r in rows:
        if not DESIGNATOR.fullmatch(r["ICAO"]) or not r["SpeciesCode"]:
            continue                        # ground vehicles, towers, unmanned aircraft
        engines = "2" if r["Engines"] == "C" else r["Engines"]
        candidates[r["ICAO"]].append({
            "icao": r["ICAO"], "description": r["SpeciesCode"] + r["Engines"] + r["EngineTypeCode"],
            "wtc": r["WakeTurbulenceCode"] if r["WakeTurbulenceCode"] in WAKE_RANK else "",
            "engines": engines, "engine_type": r["EngineTypeCode"], "wingspan_m": "",
            "active": r["IsActive"] == "1"})
    return {code: min(rs, key=lambda r: (not r["active"], WAKE_RANK.get(r["wtc"], len(WAKE_RANK))))
            for code, rs in candidates.items()}


def merge_model_types(types, model_types, stats):
    """Fills wake categories that types lacks and adds the designators it lacks while the half-span
    slots last (index 0 is the empty code); returns the designators left out."""
    for code, row in types.items():
        other = model_types.get(code)
        if not row["wtc"] and other and other["wtc"]:
            row["wtc"] = other["wtc"]
            stats["model types: wake category filled"] += 1
    new = sorted((code for code in model_types if code not in types),
                 key=lambda c: (WAKE_RANK.get(model_types[c]["wtc"], len(WAKE_RANK)), not model_types[c]["active"], c))
    room = max(WINGSPAN_SLOTS - 1 - len(types), 0)
    for code in new[:room]:
        types[code] = model_types[code]
    stats["model types: designators added"] = len(new[:room])
    stats["model types: designators left out, no slot"] = len(new[room:])
    return new[room:]


def base_category(row):
    """Category from description, wake category and span; None means Light."""
    desc = row["description"]
    wtc = row["wtc"]
    span = float(row["wingspan_m"]) if row["wingspan_m"] else 0.0
    if desc[:1] in ("H", "G", "T") and desc:
        return "Rotorcraft"
    if wtc in ("H", "J"):
        return "Heavy"
    engines = int(row["engines"]) if row["engines"].isdigit() else 0
    if wtc == "M" and row["engine_type"] in ("J", "T", "P") and engines >= 2 and span >= LARGE_MIN_SPAN_M:
        return "Large"
    if row["engine_type"] == "J":
        return "Buzjets"
    return None


def categorise(types, overrides):
    cats = {}
    for code, row in types.items():
        cats[code] = base_category(row)
    for row in overrides:
        code, cat = row["icao"], row["category"]
        if code not in types:
            fail(f"category override for unknown type {code}")
        if cat not in CATEGORIES and cat != "Light":
            fail(f"unknown category {cat} for {code}")
        cats[code] = None if cat == "Light" else cat
    return cats


# ---------------------------------------------------------------- airlines

def read_openflights(path):
    """OpenFlights airlines.dat: code -> (name, active); an active entry wins over inactive ones."""
    airlines = {}
    with open(need(path, "OpenFlights airlines.dat", REFRESH_HINT), newline="", encoding="utf-8") as f:
        for row in csv.reader(f):
            if len(row) != 8:
                fail(f"{path}: row of {len(row)} fields: {row}")
            name, code, active = row[1].strip(), row[4].strip(), row[7] == "Y"
            if not AIRLINE_CODE.fullmatch(code) or VIRTUAL_NAME.search(name):
                continue
            old = airlines.get(code)
            if old is None or (active and not old[1]):
                airlines[code] = (name, active)
    return airlines


def read_standing_airlines(folder):
    """Standing data airlines: three-letter ICAO designator -> name."""
    rows = read_source_csv(os.path.join(folder, "airlines.csv"), "standing data airlines.csv", ["ICAO", "Name"])
    return {r["ICAO"]: r["Name"].strip() for r in rows if AIRLINE_CODE.fullmatch(r["ICAO"])}


# ---------------------------------------------------------------- registrations

def read_regdb(path):
    """dump1090-mutability registration database: registration -> ICAO type."""
    return {r["registration"]: r["type"] for r in read_source_csv(path, "dump1090 extract", ["registration", "type"])}


def read_traffic(path):
    rows = read_source_csv(path, "FlightGear traffic extract", ["registration", "airline", "actype", "flighttype"])
    return [{"registration": r["registration"], "airline": r["airline"], "actype": r["actype"],
             "cargo": r["flighttype"].lower() == "cargo"} for r in rows]


def plausible_registration(reg):
    return REGISTRATION.fullmatch(reg) is not None and len(reg) >= 4


def family_of(similar_groups):
    family = {}
    for group in similar_groups:
        for code in group:
            family.setdefault(code, tuple(group))
    return family


def build_records(traffic, type_map, regdb, airline_ok, cargo_ops, icao_types, family, stats):
    records = {}
    for t in traffic:
        reg, airline, actype = t["registration"], t["airline"], t["actype"]
        if not plausible_registration(reg):
            stats["skipped: bad registration"] += 1
            continue
        if airline not in airline_ok:
            stats["skipped: unknown airline"] += 1
            continue
        mapped = type_map.get(actype)
        if mapped is None:
            stats[f"skipped: unmapped type {actype!r}"] += 1
            continue
        model, freighter = mapped
        other = regdb.get(reg)
        if other is None:
            stats["cross-check: not in dump1090"] += 1
        elif other == model:
            stats["cross-check: same type"] += 1
        elif other in icao_types and family.get(other) is not None and family.get(other) == family.get(model):
            model = other                     # same family, the registration database knows the variant
            stats["cross-check: variant taken from dump1090"] += 1
        else:
            # Another family under the same registration: a reused or made-up registration, not to be trusted.
            stats["skipped: dump1090 has another type family"] += 1
            continue
        cargo = t["cargo"] or freighter or airline in cargo_ops
        rec = (airline, model, cargo)
        old = records.get(reg)
        if old is None:
            records[reg] = rec
        elif old != rec:
            stats["duplicate registration, first kept"] += 1
    return records


def standing_records(rows, icao_types, stats):
    """Standing data aircraft with registration, type and operator: registration -> (airline, model)."""
    records = {}
    for r in rows:
        reg, airline, model = r["Registration"].strip(), r["AirlineCode"].strip(), r["ModelICAO"].strip()
        if not (reg and airline and model):
            continue                        # private aircraft and rows without type
        if not plausible_registration(reg):
            stats["standing: skipped: bad registration"] += 1
        elif not AIRLINE_CODE.fullmatch(airline):
            stats["standing: skipped: operator no airline designator"] += 1
        elif model not in icao_types:
            stats[f"standing: skipped: unknown type {model!r}"] += 1
        elif records.setdefault(reg, (airline, model)) != (airline, model):
            stats["standing: duplicate registration, first kept"] += 1
    return records


def merge_records(traffic_records, standing, cargo_ops, stats):
    """The standing data is current and typed with ICAO designators: it wins for airline and type.
    A cargo flag of the traffic data stays while the airline is the same."""
    records = dict(traffic_records)
    for reg, (airline, model) in standing.items():
        old = records.get(reg)
        if old is None:
            stats["standing: registration added"] += 1
        elif old[:2] == (airline, model):
            stats["standing: same airline and type as traffic data"] += 1
        else:
            stats["standing: airline or type of traffic data replaced"] += 1
        traffic_cargo = old is not None and old[0] == airline and old[2]
        records[reg] = (airline, model, traffic_cargo or airline in cargo_ops)
    return records


# ---------------------------------------------------------------- XML

def chunks(codes):
    codes = sorted(codes)
    return [",".join(codes[i:i + LIST_CHUNK]) for i in range(0, len(codes), LIST_CHUNK)]


def list_section(root, section, element, attribute, codes):
    sec = ET.SubElement(root, section)
    for text in chunks(codes):
        ET.SubElement(sec, element, {attribute: text})
    return sec


def write_xml(path, data):
    root = ET.Element("root")
    list_section(root, "aircrafts", "aircraft", "types", data["icao_types"])
    list_section(root, "cargo_types", "cargo_type", "types", data["cargo_types"])
    for section, element, cat in CATEGORY_SECTIONS:
        list_section(root, section, element, "types", data["categories"][cat])
    sec = ET.SubElement(root, "similar_types")
    for group in data["similar"]:
        ET.SubElement(sec, "similar", {"types": ",".join(group)})
    sec = ET.SubElement(root, "prefixes")
    for group in data["prefixes"]:
        ET.SubElement(sec, "similar", {"types": ",".join(group)})
    list_section(root, "ICAO_airlines", "ICAO", "codes", data["airlines"])
    list_section(root, "cargo_operators", "ICAO", "codes", data["cargo_operators"])
    sec = ET.SubElement(root, "publishers")
    for names in data["publishers"]:
        ET.SubElement(sec, "pub", {"names": ",".join(names)})
    sec = ET.SubElement(root, "wingspans")
    for code, metres in sorted(data["wingspans"].items()):
        ET.SubElement(sec, "wingspan", {"type": code, "meters": metres})
    sec = ET.SubElement(root, "fixes")
    for wrong, correct in data["fixes"]:
        ET.SubElement(sec, "fx", {"wro": wrong, "cor": correct})
    list_section(root, "simaddons20", "simaddon20", "arpts", data["simaddons"]["2020"])
    list_section(root, "simaddons24", "simaddon24", "arpts", data["simaddons"]["2024"])
    sec = ET.SubElement(root, "dbase")
    for reg, (airline, model, cargo) in sorted(data["records"].items()):
        attrs = {"r": reg, "a": airline, "m": model}
        if cargo:
            attrs["c"] = "true"
        ET.SubElement(sec, "d", attrs)
    ET.indent(root, space="  ")
    body = ET.tostring(root, encoding="unicode")
    notice = ("<!-- Gatewright reference database, generated by build_dbase.py; do not edit by hand.\n"
              "     Aircraft types: ICAO Doc 8643 / FAA data via aircraft-types.csv and the standing data (CC0).\n"
              "     Airlines: the standing data (CC0) and OpenFlights (ODbL 1.0). Registrations: the standing\n"
              "     data and flightgear-data-ai traffic files (GPL-2+), checked against dump1090-mutability's\n"
              "     registration database. Copies of the sources: sources/. See README.md. -->\n")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write(notice)
        f.write(body)
        f.write("\n")


# ---------------------------------------------------------------- self-check

def self_check(path, standing):
    """Read the written file back the way the program does and check what tests rely on, the floors
    and that every registration of the standing data carries its airline and type."""
    root = ET.parse(path).getroot()
    if root.tag != "root":
        fail("self-check: root element is not 'root'")

    def pieces(section, element, attribute):
        sec = root.find(section)
        if sec is None:
            fail(f"self-check: section {section} missing")
        out = []
        for el in sec.findall(element):
            out += [p.strip() for p in el.get(attribute, "").split(",") if p.strip()]
        return out

    required = [("aircrafts", "aircraft", "types"), ("cargo_types", "cargo_type", "types")]
    required += [(s, e, "types") for s, e, _ in CATEGORY_SECTIONS]
    required += [("ICAO_airlines", "ICAO", "codes"), ("cargo_operators", "ICAO", "codes"),
                 ("simaddons20", "simaddon20", "arpts"), ("simaddons24", "simaddon24", "arpts")]
    counts = {}
    for section, element, attribute in required:
        values = pieces(section, element, attribute)
        if not values:
            fail(f"self-check: required section {section} is empty")
        counts[section] = len(set(values))
    models = sorted(set(pieces("aircrafts", "aircraft", "types")))
    if len(models) + 1 > WINGSPAN_SLOTS:
        fail(f"self-check: {len(models)} model codes do not fit the {WINGSPAN_SLOTS} half-span slots")
    cat_of = {}
    for section, element, cat in CATEGORY_SECTIONS:
        for code in pieces(section, element, "types"):
            if code in cat_of:
                fail(f"self-check: {code} is in {cat_of[code]} and {cat}")
            cat_of[code] = cat
    spans = {w.get("type"): float(w.get("meters")) * 0.5 / METRES_PER_NM
             for w in root.find("wingspans").findall("wingspan")}
    records = {d.get("r"): d for d in root.find("dbase").findall("d")}
    for name, sec, el in [("similar groups", "similar_types", "similar"), ("prefix groups", "prefixes", "similar"),
                          ("publishers", "publishers", "pub"), ("wingspans", "wingspans", "wingspan"),
                          ("fixes", "fixes", "fx"), ("dbase records", "dbase", "d")]:
        counts[name] = len(root.find(sec).findall(el))

    if cat_of.get("B738") != "Large" or abs(spans.get("B738", 0) - 0.0097) > 0.0001:
        fail(f"self-check: B738 is {cat_of.get('B738')} with half span {spans.get('B738')}")
    if cat_of.get("A388") != "Heavy":
        fail(f"self-check: A388 is {cat_of.get('A388')}")
    if TEST_REGISTRATION not in records:
        fail(f"self-check: test registration {TEST_REGISTRATION} missing")
    for d in records.values():
        if d.get("m") not in models:
            fail(f"self-check: record {d.get('r')} has model {d.get('m')} that is no ICAO model code")
    airlines = set(pieces("ICAO_airlines", "ICAO", "codes"))
    missing = [code for code in REQUIRED_AIRLINES if code not in airlines]
    if missing:
        fail(f"self-check: airline designators {missing} missing")
    for reg, (airline, model) in standing.items():
        d = records.get(reg)
        if d is None or (d.get("a"), d.get("m")) != (airline, model):
            got = None if d is None else (d.get("a"), d.get("m"))
            fail(f"self-check: {reg} is {got}, the standing data says {(airline, model)}")
    for name, n, floor in [("ICAO_airlines", counts["ICAO_airlines"], MIN_AIRLINES),
                           ("dbase records", counts["dbase records"], MIN_RECORDS)]:
        if n < floor:
            fail(f"self-check: {name} has {n} entries, fewer than {floor}")

    print("section counts:")
    for name, n in counts.items():
        print(f"  {name:20} {n:6}")
    print("categories:", ", ".join(f"{c} {sum(1 for v in cat_of.values() if v == c)}" for c in CATEGORIES),
          f", Light {len(models) - len(cat_of)}")
    t = records[TEST_REGISTRATION]
    print(f"B738 {cat_of['B738']} half span {spans['B738']:.6f} nm; A388 {cat_of['A388']} half span "
          f"{spans['A388']:.6f} nm; {TEST_REGISTRATION} -> {t.get('a')} {t.get('m')} cargo={t.get('c', 'false')}")
    print(f"airlines {', '.join(REQUIRED_AIRLINES)} present; {len(standing)} standing data registrations "
          f"carry its airline and type")
    print(f"file size {os.path.getsize(path) / 1e6:.2f} MB")


# ---------------------------------------------------------------- main

def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--types", default=os.path.join(SOURCES, "aircraft-types", "aircraft-types.csv"))
    p.add_argument("--standing", default=os.path.join(SOURCES, "standing-data"))
    p.add_argument("--airlines", default=os.path.join(SOURCES, "openflights", "airlines.dat"))
    p.add_argument("--traffic", default=os.path.join(SOURCES, "flightgear", "traffic.csv"))
    p.add_argument("--regdb", default=os.path.join(SOURCES, "dump1090", "registrations.csv"))
    p.add_argument("--curated", default=os.path.join(HERE, "curated"))
    p.add_argument("--out", default=os.path.join(HERE, "dbase.xml"))
    args = p.parse_args()

    stats = Counter()
    types = read_types(need(args.types, "aircraft-types.csv", REFRESH_HINT))
    type_rows = len(types)
    left_out = merge_model_types(types, read_model_types(os.path.join(args.standing, "model-types.csv")), stats)
    icao_types = set(types)
    cats = categorise(types, read_curated(args.curated, "category_overrides.csv"))
    categories = {c: sorted(code for code, v in cats.items() if v == c) for c in CATEGORIES}
    wingspans = {code: row["wingspan_m"] for code, row in types.items() if row["wingspan_m"]}

    def known(codes, what):
        for code in codes:
            if code not in icao_types:
                fail(f"{what}: {code} is no ICAO model code")
        return codes

    cargo_types = known([r["icao"] for r in read_curated(args.curated, "cargo_types.csv")], "cargo_types.csv")
    similar = [sorted(known(split_blank(r["types"]), "similar_types.csv"))
               for r in read_curated(args.curated, "similar_types.csv")]
    prefixes = [sorted(split_blank(r["prefixes"])) for r in read_curated(args.curated, "registration_prefixes.csv")]
    seen = Counter(x for g in prefixes for x in g)
    if any(n > 1 for n in seen.values()):
        fail(f"registration_prefixes.csv: prefixes in several groups: {[x for x, n in seen.items() if n > 1]}")
    publishers = [[n.strip() for n in r["names"].split(";") if n.strip()]
                  for r in read_curated(args.curated, "publishers.csv")]
    fixes = []
    for r in read_curated(args.curated, "model_fixes.csv"):
        if r["wrong"] in icao_types:
            print(f"  model fix {r['wrong']} -> {r['correct']} left out: {r['wrong']} is itself an ICAO code")
            continue
        known([r["correct"]], "model_fixes.csv")
        fixes.append((r["wrong"], r["correct"]))
    simaddons = {"2020": [], "2024": []}
    for r in read_curated(args.curated, "sim_addon_airports.csv"):
        if r["edition"] not in simaddons or not re.fullmatch(r"[A-Z0-9]{4}", r["icao"]):
            fail(f"sim_addon_airports.csv: bad row {r}")
        simaddons[r["edition"]].append(r["icao"])

    openflights = read_openflights(args.airlines)
    standing_airlines = read_standing_airlines(args.standing)
    aircraft = read_source_csv(os.path.join(args.standing, "aircraft.csv"), "standing data aircraft.csv",
                               ["Registration", "ModelICAO", "AirlineCode"])
    hand_cargo = {r["icao"] for r in read_curated(args.curated, "cargo_operators.csv")}
    extras = {r["icao"] for r in read_curated(args.curated, "airline_extras.csv")}
    active = {code for code, (_, is_active) in openflights.items() if is_active}

    type_map = {}
    for r in read_curated(args.curated, "traffic_types.csv"):
        type_map[r["code"]] = (known([r["icao"]], "traffic_types.csv")[0], r["cargo"] == "1")
    regdb = read_regdb(args.regdb)
    traffic = read_traffic(args.traffic)
    standing = standing_records(aircraft, icao_types, stats)
    # Airlines flying in the traffic source or operating aircraft of the standing data are operators
    # too where no airline list has them; AI packages carry historic liveries, hence OpenFlights'
    # inactive airlines as well.
    flying = {t["airline"] for t in traffic if AIRLINE_CODE.fullmatch(t["airline"])}
    operating = {airline for airline, _ in standing.values()}
    airlines = set(standing_airlines) | set(openflights) | flying | operating | hand_cargo | extras
    # A cargo airline renamed since OpenFlights knew it (CAL Cargo Air Lines, now Challenge Airlines IL)
    # still flies freight: either name may say so.
    cargo_ops = hand_cargo | {code for code in airlines
                              if any(CARGO_NAME.search(name) for name in
                                     (standing_airlines.get(code, ""), openflights.get(code, ("",))[0]))}

    traffic_records = build_records(traffic, type_map, regdb, airlines, cargo_ops, icao_types,
                                    family_of(similar), stats)
    records = merge_records(traffic_records, standing, cargo_ops, stats)

    write_xml(args.out, {
        "icao_types": icao_types, "cargo_types": cargo_types, "categories": categories,
        "similar": similar, "prefixes": prefixes, "airlines": airlines, "cargo_operators": cargo_ops,
        "publishers": publishers, "wingspans": wingspans, "fixes": fixes, "simaddons": simaddons,
        "records": records,
    })
    print(f"wrote {args.out}")
    print(f"sources: {type_rows} types (+{len(types) - type_rows} from the standing data), "
          f"{len(standing_airlines)} standing data airlines, {len(openflights)} OpenFlights codes "
          f"({len(active)} active), {len(flying - set(standing_airlines) - set(openflights))} more flying in the "
          f"traffic data, {len(operating - set(standing_airlines) - set(openflights))} more operating in the "
          f"standing data, {len(traffic)} traffic aircraft, {len(regdb)} dump1090 registrations")
    for key, n in sorted(stats.items()):
        print(f"  {key:50} {n:6}")
    if left_out:
        print(f"standing data designators left out for want of half-span slots ({len(left_out)}):",
              " ".join(left_out))
    self_check(args.out, standing)


if __name__ == "__main__":
    main()
