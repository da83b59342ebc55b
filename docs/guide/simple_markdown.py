"""The little Markdown the project's documents use, turned into HTML: headings, paragraphs, bullet
lists, tables, fenced code, `code`, **bold** and *emphasis*. The guide takes the formula language
from docs/formula-language.md through this, so the manual and the repository say the same."""

import html
import re


def inline(text):
    parts = re.split(r"(`[^`]*`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) >= 2:
            out.append(f"<code>{html.escape(part[1:-1])}</code>")
            continue
        part = html.escape(part, quote=False)
        part = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", part)
        part = re.sub(r"(?<![\w*])\*(?!\s)(.+?)(?<!\s)\*(?![\w*])", r"<em>\1</em>", part)
        out.append(part)
    return "".join(out)


def table(rows):
    cells = [[c.strip() for c in r.strip().strip("|").split("|")] for r in rows]
    head, body = cells[0], cells[2:]  # cells[1] is the |---| rule
    out = ["<table class=\"doc\"><thead><tr>"]
    out += [f"<th>{inline(c)}</th>" for c in head]
    out.append("</tr></thead><tbody>")
    for row in body:
        out.append("<tr>" + "".join(f"<td>{inline(c)}</td>" for c in row) + "</tr>")
    out.append("</tbody></table>")
    return "".join(out)


def bullets(items):
    return "<ul>" + "".join(f"<li>{inline(' '.join(i))}</li>" for i in items) + "</ul>"


def to_html(text, heading_shift=0, id_prefix=""):
    """Converts `text`; `heading_shift` demotes headings (## becomes h3 with a shift of 1)."""
    lines = text.splitlines()
    out, i = [], 0
    while i < len(lines):
        line = lines[i]
        if not line.strip():
            i += 1
        elif line.startswith("```"):
            j = i + 1
            while j < len(lines) and not lines[j].startswith("```"):
                j += 1
            out.append("<pre>" + html.escape("\n".join(lines[i + 1:j])) + "</pre>")
            i = j + 1
        elif m := re.match(r"(#{1,6})\s+(.*)", line):
            level = min(6, len(m[1]) + heading_shift)
            slug = id_prefix + re.sub(r"[^a-z0-9]+", "-", m[2].lower()).strip("-")
            out.append(f"<h{level} id=\"{slug}\">{inline(m[2])}</h{level}>")
            i += 1
        elif line.startswith("|"):
            j = i
            while j < len(lines) and lines[j].startswith("|"):
                j += 1
            out.append(table(lines[i:j]))
            i = j
        elif re.match(r"[-*]\s", line):
            items = []
            while i < len(lines) and (re.match(r"[-*]\s", lines[i]) or
                                      (lines[i].startswith("  ") and items)):
                if re.match(r"[-*]\s", lines[i]):
                    items.append([lines[i][2:].strip()])
                else:
                    items[-1].append(lines[i].strip())
                i += 1
            out.append(bullets(items))
        else:
            j = i
            while j < len(lines) and lines[j].strip() and not re.match(r"(#|\||```|[-*]\s)",
                                                                       lines[j]):
                j += 1
            out.append("<p>" + inline(" ".join(l.strip() for l in lines[i:j])) + "</p>")
            i = j
    return "\n".join(out)
