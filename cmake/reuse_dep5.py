#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
"""Writes REUSE.toml's annotations as the .reuse/dep5 file of REUSE 1.x.

    reuse_dep5.py REUSE.toml > .reuse/dep5

Debian 12's reuse (1.1) reads only .reuse/dep5; REUSE.toml is the file the
tree keeps (reuse 4 and later read it, and refuse both at once). A "**"
pattern becomes dep5's "*", which matches across folders too.
"""
import sys
import tomllib


def main(argv):
    with open(argv[1], "rb") as f:
        config = tomllib.load(f)
    out = ["Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/",
           "Upstream-Name: Pellasto", ""]
    for a in config.get("annotations", []):
        paths = a["path"] if isinstance(a["path"], list) else [a["path"]]
        paths = [p.replace("**/", "*/").replace("/**", "/*").replace("**", "*") for p in paths]
        # dep5's "*/x" does not match a top-level "x": give both.
        paths += [p[2:] for p in paths if p.startswith("*/")]
        copyright = a["SPDX-FileCopyrightText"]
        copyright = copyright if isinstance(copyright, list) else [copyright]
        out += ["Files: " + " ".join(paths),
                "Copyright: " + "\n ".join(copyright),
                "License: " + a["SPDX-License-Identifier"], ""]
    sys.stdout.write("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
