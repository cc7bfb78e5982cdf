#!/usr/bin/env python3
"""Reads a report page as a browser's parser would and checks it: nothing to fetch, every table
found with its head, no element or attribute coming from a log's text, and (when given) the
access-point rows equal to a --ap-summary table and the waterfall pictures equal to --waterfall's.
Prints each problem and exits 1 when there is one.

  report_check.py PAGE [--tables ID...] [--aps APS.CSV] [--waterfalls PNG...]
"""
import base64
import csv
import html.parser
import re
import sys

ELEMENTS = {"html", "head", "meta", "title", "style", "body", "h1", "h2", "h3", "section", "p",
            "dl", "dt", "dd", "table", "thead", "tbody", "tr", "th", "td", "figure", "img",
            "figcaption", "div", "script", "svg", "rect", "line", "polyline", "circle", "text", "path"}
ATTRIBUTES = {"lang", "charset", "id", "class", "src", "alt", "viewbox", "width", "height", "role",
              "aria-label", "font-family", "font-size", "font-weight", "x", "y", "x1", "y1", "x2",
              "y2", "cx", "cy", "r", "fill", "stroke", "stroke-width", "stroke-opacity", "points",
              "text-anchor", "paint-order", "d"}
EXTERNAL = re.compile(r"^\s*(https?:|file:|//)", re.I)


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.problems, self.tables, self.images, self.scripts = [], {}, [], 0
        self.table = self.row = self.cell = None
        self.style = False
        self.styles = ""

    def handle_starttag(self, tag, attrs):
        if tag not in ELEMENTS:
            self.problems.append(f"an element <{tag}> that the page does not make")
        for name, value in attrs:
            if name not in ATTRIBUTES:
                self.problems.append(f"an attribute {name}= that the page does not make")
            if name in ("src", "href") and value and EXTERNAL.match(value):
                self.problems.append(f"a reference to fetch: {name}={value[:60]}")
        a = dict(attrs)
        if tag == "script":
            self.scripts += 1
            if "src" in a:
                self.problems.append("a script to fetch")
        if tag == "style":
            self.style = True
        if tag == "img":
            self.images.append(a.get("src", ""))
        if tag == "table":
            self.table = a.get("id")
            if self.table in self.tables:
                self.problems.append(f"table id {self.table} twice")
            self.tables[self.table] = {"head": [], "rows": []}
        if tag == "tr" and self.table:
            self.row = []
        if tag in ("th", "td") and self.row is not None:
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "style":
            self.style = False
        if tag in ("th", "td") and self.cell is not None:
            self.row.append(self.cell)
            self.cell = None
            self.kind = tag
        if tag == "tr" and self.row is not None:
            part = "head" if getattr(self, "kind", "") == "th" else "rows"
            if part == "head":
                self.tables[self.table]["head"] = self.row
            else:
                self.tables[self.table]["rows"].append(self.row)
            self.row = None
        if tag == "table":
            self.table = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        if self.style:
            self.styles += data


def main(argv):
    page_path, args = argv[1], argv[2:]
    options, key = {"--tables": [], "--aps": [], "--waterfalls": []}, None
    for arg in args:
        if arg in options:
            key = arg
        else:
            options[key].append(arg)
    page = Page()
    with open(page_path, encoding="utf-8", errors="strict") as f:
        text = f.read()
    page.feed(text)
    page.close()
    problems = page.problems
    if page.scripts > 1:
        problems.append(f"{page.scripts} scripts")
    if re.search(r"url\(\s*['\"]?\s*(https?:|file:|//)", page.styles, re.I):
        problems.append("a style sheet that fetches")
    if re.search(r"<link\b", text, re.I):
        problems.append("a <link>")
    for table in options["--tables"]:
        if table not in page.tables or not page.tables[table]["head"]:
            problems.append(f"no table {table} with a head")
    for aps in options["--aps"]:
        with open(aps, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        shown = page.tables.get("access-points", {"head": [], "rows": []})
        if shown["head"] != rows[0]:
            problems.append(f"access-point head {shown['head']} is not {rows[0]}")
        if sorted(shown["rows"]) != sorted(rows[1:]):
            problems.append(f"access-point rows {shown['rows']} are not {rows[1:]}")
    pictures = [base64.b64decode(src.split(",", 1)[1]) for src in page.images
                if src.startswith("data:image/png;base64,")]
    if len(pictures) != len(page.images):
        problems.append("a picture that is no PNG inside the page")
    for i, png in enumerate(options["--waterfalls"]):
        with open(png, "rb") as f:
            if i >= len(pictures) or pictures[i] != f.read():
                problems.append(f"picture {i + 1} is not {png}")
    for problem in problems:
        print(problem)
    print(f"{len(page.tables)} tables, {len(pictures)} pictures")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
