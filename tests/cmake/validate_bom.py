#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
"""Checks a bill of materials of a release archive (cmake/write_bom.cmake).

    validate_bom.py SCHEMA_DIR BOM TREE [--symbols]

The file must be valid against the CycloneDX 1.6 JSON schema (the copies in
SCHEMA_DIR, read offline: a reference to anything else fails), and say what
the unpacked archive TREE holds: every file (the .debug files for the
symbols archive, every other file for the release), each with its SHA-256,
and no other; for the release, each shipped binary depends on the libraries
linked into it, each with a version, an SPDX licence expression and a
Debian package URL. Prints what it checked; exits 1 with the reasons if a
check fails.
"""
import hashlib
import json
import os
import sys

import jsonschema


def schema_validator(schema_dir):
    store = {}
    for name in os.listdir(schema_dir):
        if name.endswith(".schema.json"):
            with open(os.path.join(schema_dir, name), encoding="utf-8") as f:
                schema = json.load(f)
            # Known by its $id and by the name the others refer to it by.
            store[schema.get("$id", name)] = schema
            store["http://cyclonedx.org/schema/" + name] = schema
    bom_schema = store["http://cyclonedx.org/schema/bom-1.6.schema.json"]

    def offline(uri):
        raise jsonschema.exceptions.RefResolutionError(
            f"{uri} is not among the schemas in {schema_dir}")

    resolver = jsonschema.RefResolver.from_schema(
        bom_schema, store=store, handlers={"http": offline, "https": offline})
    return jsonschema.Draft7Validator(bom_schema, resolver=resolver)


def main(argv):
    if len(argv) not in (4, 5) or (len(argv) == 5 and argv[4] != "--symbols"):
        print(__doc__, file=sys.stderr)
        return 2
    schema_dir, bom_path, tree = argv[1:4]
    symbols = len(argv) == 5
    problems = []
    with open(bom_path, encoding="utf-8") as f:
        bom = json.load(f)
    if bom.get("bomFormat") != "CycloneDX" or bom.get("specVersion") != "1.6":
        problems.append("not a CycloneDX 1.6 bill of materials")
    for error in schema_validator(schema_dir).iter_errors(bom):
        where = "/".join(str(p) for p in error.absolute_path) or "(top)"
        problems.append(f"schema: {where}: {error.message}")

    # The files of the archive, and what the bill says of them.
    expected = {}
    for folder, _, names in os.walk(tree):
        for name in names:
            path = os.path.relpath(os.path.join(folder, name), tree).replace(os.sep, "/")
            if path.endswith(".cdx.json") or path.endswith(".debug") != symbols:
                continue
            with open(os.path.join(tree, path), "rb") as f:
                expected[path] = hashlib.sha256(f.read()).hexdigest()
    components = bom.get("components", [])
    listed = {}
    for c in components:
        if c.get("type") == "file":
            digests = [h["content"] for h in c.get("hashes", []) if h.get("alg") == "SHA-256"]
            listed[c.get("name")] = digests[0] if digests else None
    for path in sorted(set(expected) | set(listed)):
        if path not in listed:
            problems.append(f"{path} is in the archive but not in the bill of materials")
        elif path not in expected:
            problems.append(f"{path} is in the bill of materials but not in the archive")
        elif listed[path] != expected[path]:
            problems.append(f"{path}: SHA-256 {listed[path]} in the bill, {expected[path]} "
                            "in the archive")

    # What each binary links.
    libraries = {c.get("bom-ref"): c for c in components if c.get("type") == "library"}
    depends = {d.get("ref"): d.get("dependsOn", []) for d in bom.get("dependencies", [])}
    binaries = [] if symbols else [
        p for p in expected
        if p.startswith("bin/") or p.startswith("shaders/Pellasto.")
        and not p.endswith((".mtlx", ".txt"))]
    for binary in sorted(binaries):
        refs = depends.get("file:" + binary, [])
        if not refs:
            problems.append(f"{binary}: no library linked into it is listed")
        for ref in refs:
            lib = libraries.get(ref)
            if lib is None:
                problems.append(f"{binary} depends on {ref}, which is no library listed")
                continue
            if not lib.get("version"):
                problems.append(f"{ref}: no version")
            if not str(lib.get("purl", "")).startswith("pkg:deb/debian/"):
                problems.append(f"{ref}: no Debian package URL")
            if not any("expression" in l or "license" in l for l in lib.get("licenses", [])):
                problems.append(f"{ref}: no licence")
    tools = bom.get("metadata", {}).get("tools", {}).get("components", [])
    if not any(t.get("name") == "binutils" and t.get("version") for t in tools) or len(tools) < 2:
        problems.append("metadata: the compiler and binutils versions are not both given")
    if "timestamp" in bom.get("metadata", {}):
        problems.append("metadata: a time stamp, which a reproducible file cannot hold")

    if problems:
        print(f"{bom_path}:\n  " + "\n  ".join(problems), file=sys.stderr)
        return 1
    print(f"{os.path.basename(bom_path)}: valid CycloneDX 1.6; {len(expected)} files with "
          f"their SHA-256; {len(binaries)} binaries and the {len(libraries)} libraries "
          "linked into them")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
