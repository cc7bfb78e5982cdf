#!/usr/bin/env python3
"""Checks every #include under src/ against the layers of the house: a folder includes only
itself and the folders below it, an output family never another family, the two front ends never
each other, and the core names no library beyond the standard one (the picture's folders may name
cairo, the window Qt, the command line CLI11). Prints each offence as FILE:LINE: reason and exits
1 when there is one.

  include_check.py SRC_DIR      check a tree
  include_check.py --self-test  check that every rule catches what it should
"""
import os
import re
import sys
import tempfile

# Bottom to top. Folders of one rank may not include each other (output families, front ends).
LAYERS = [
    ["text"],
    ["reader"],
    ["survey"],
    ["decode"],
    ["analysis"],
    ["io"],
    ["convert"],
    ["plot"],
    ["outputs/*"],
    ["products"],
    ["app", "cli"],
]

# Libraries beyond the standard one, and the folders that may name them.
FOREIGN = [
    (re.compile(r"^Q[A-Za-z]*(/|$)"), "Qt", {"app"}),
    (re.compile(r"^cairo"), "cairo", {"plot", "outputs/picture", "app"}),
    (re.compile(r"^CLI/"), "CLI11", {"cli"}),
    (re.compile(r"^sqlite3"), "SQLite", {"outputs/database"}),
    (re.compile(r"^openssl/"), "OpenSSL", {"outputs/database"}),
    (re.compile(r"^(gtest|gmock|benchmark)/"), "a test library", set()),
]

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(relative_path):
    """The layer folder a path under src/ lies in ("outputs/maps", "convert"), or None."""
    parts = relative_path.split("/")
    if len(parts) >= 3 and parts[0] == "outputs":
        return "outputs/" + parts[1]
    if len(parts) >= 2:
        return parts[0]
    return None


def rank_of(folder):
    for rank, names in enumerate(LAYERS):
        for name in names:
            if name == folder or (name.endswith("/*") and folder.startswith(name[:-1])):
                return rank
    return None


def offences(src_dir):
    found = []
    for root, _, names in os.walk(src_dir):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src_dir).replace(os.sep, "/")
            here = folder_of(relative)
            here_rank = rank_of(here) if here else None
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    where = f"{relative}:{number}"
                    quote, target = m.groups()
                    if here_rank is None:
                        found.append(f"{where}: {relative} lies in no layer")
                        break
                    if quote == "<":
                        for pattern, library, allowed in FOREIGN:
                            if pattern.match(target) and here not in allowed:
                                found.append(f"{where}: {here}/ may not use {library} <{target}>")
                        continue
                    if "../" in target or target.startswith("./"):
                        found.append(f"{where}: \"{target}\": write includes relative to src/")
                        continue
                    there = folder_of(target)
                    there_rank = rank_of(there) if there else None
                    if there_rank is None:
                        found.append(f"{where}: \"{target}\" is in no layer of src/")
                    elif there == here:
                        continue
                    elif there_rank == here_rank:
                        found.append(f"{where}: {here}/ may not include {there}/ (\"{target}\")")
                    elif there_rank > here_rank:
                        found.append(f"{where}: {here}/ may not include {there}/, a layer above "
                                     f"it (\"{target}\")")
    return found


def self_test():
    cases = {
        # file: (contents, expected offence or None)
        "convert/ok.cpp": ('#include "convert/a.h"\n#include "io/output_file.h"\n#include <vector>\n',
                           None),
        "outputs/maps/ok.cpp": ('#include "outputs/maps/kml.h"\n#include "analysis/x.h"\n', None),
        "products/ok.cpp": ('#include "outputs/maps/kml.h"\n#include "outputs/text/t.h"\n', None),
        "app/ok.cpp": ('#include <QWidget>\n#include "products/catalogue.h"\n', None),
        "reader/up.cpp": ('#include "decode/decoders.h"\n', "a layer above"),
        "outputs/maps/family.cpp": ('#include "outputs/picture/w.h"\n', "may not include outputs/picture/"),
        "cli/front.cpp": ('#include "app/main_form.h"\n', "may not include app/"),
        "io/relative.cpp": ('#include "../convert/convert.h"\n', "relative to src/"),
        "text/bare.h": ('#include "number_format.h"\n', "in no layer of src/"),
        "convert/qt.cpp": ('#include <QString>\n', "may not use Qt"),
        "decode/cairo.cpp": ('#include <cairo.h>\n', "may not use cairo"),
        "outputs/text/cli.cpp": ('#include <CLI/CLI.hpp>\n', "may not use CLI11"),
        "survey/nowhere/deep.h": ('#include "survey/x.h"\n', None),
        "misc/x.cpp": ('#include "text/a.h"\n', "lies in no layer"),
    }
    failures = 0
    with tempfile.TemporaryDirectory() as tree:
        for name, (text, _) in cases.items():
            os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
            with open(os.path.join(tree, name), "w") as f:
                f.write(text)
        found = offences(tree)
        for name, (_, expected) in cases.items():
            mine = [o for o in found if o.startswith(name + ":")]
            if expected is None and mine:
                print(f"self-test: {name} was refused: {mine}")
                failures += 1
            elif expected is not None and not any(expected in o for o in mine):
                print(f"self-test: {name} should give \"{expected}\", gave {mine}")
                failures += 1
    print("self-test: " + ("failed" if failures else f"{len(cases)} cases as expected"))
    return 1 if failures else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        sys.stderr.write(__doc__)
        return 2
    found = offences(argv[1])
    for offence in found:
        print(offence)
    if found:
        print(f"{len(found)} include(s) against the layers")
        return 1
    print("every include keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
