"""Makes mutants of a C++ source mechanically, for tools/mutants --generate.

Four kinds of fault, each at every place of the file where it can be made (comments, strings,
character literals and preprocessor lines are left alone):

  relational  a comparison written with blanks around it made non-strict or strict, and == / !=
              swapped: ' < ' -> ' <= ', ' <= ' -> ' < ', ' > ' -> ' >= ', ' >= ' -> ' > ',
              ' == ' -> ' != ', ' != ' -> ' == ' (template brackets and shifts have no blanks
              on both sides, so they are not taken for comparisons)
  bound       a '+ 1' or '- 1' moved by one: '+ 1' -> '+ 2', '- 1' -> '- 2'
  check       an if whose branch leaves (return, break, continue, goto, Fatal) or clamps (assigns
              to a name its condition reads) is dropped: 'if (C)' -> 'if (false)'
  clamp       std::min, std::max and std::clamp replaced by their first argument

Each mutant carries a key that names it without a line number, so that a list of equivalent
mutants survives edits elsewhere in the file:

  FILE :: THE LINE, STRIPPED :: N :: OLD -> NEW

where N counts the places with that same line and change in the file, from 0.
"""
import re

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
RELATIONAL_RE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
BOUND_RE = re.compile(r"(?<=\s)([+-]) 1(?![\w.'])")
IF_RE = re.compile(r"\bif \(")
CLAMP_RE = re.compile(r"\bstd::(min|max|clamp)\(")
DECLARES_RE = re.compile(r"\s*(const\s+)?[\w:<>]+[\s*&]+\w+\s*=[^=]")
LEAVES_RE = re.compile(r"\b(return|break|continue|goto|Fatal|KVOX_SysError)\b")


def code_mask(text):
    """True for each character that is code: not a comment, string, character literal or a
    preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            end = i
            while True:   # a directive runs on over lines that end in a backslash
                end = text.find("\n", end)
                if end < 0:
                    end = n
                    break
                if text[end - 1] != "\\":
                    break
                end += 1
            for k in range(i, end):
                mask[k] = False
            i = end
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            end = i + 1
            while end < n and text[end] != c:
                end += 2 if text[end] == "\\" else 1
            end = min(end + 1, n)
        else:
            i += 1
            continue
        for k in range(i, end):
            mask[k] = False
        i = end
    return mask


def matching(text, open_at, opener="(", closer=")"):
    """The index of the bracket that closes the one at open_at, or -1."""
    depth = 0
    for k in range(open_at, len(text)):
        if text[k] == opener:
            depth += 1
        elif text[k] == closer:
            depth -= 1
            if depth == 0:
                return k
    return -1


def statement_after(text, start):
    """The text of the statement or block that begins after start (blanks skipped)."""
    k = start
    while k < len(text) and text[k].isspace():
        k += 1
    if k < len(text) and text[k] == "{":
        end = matching(text, k, "{", "}")
        return text[k:end + 1] if end >= 0 else ""
    end = text.find(";", k)
    return text[k:end + 1] if end >= 0 else ""


def first_argument(text, open_at, close_at):
    depth = 0
    for k in range(open_at + 1, close_at):
        if text[k] in "([{":
            depth += 1
        elif text[k] in ")]}":
            depth -= 1
        elif text[k] == "," and depth == 0:
            return text[open_at + 1:k].strip()
    return None


def is_check(condition, body):
    if LEAVES_RE.search(body):
        return True
    assigned = re.match(r"\{?\s*([A-Za-z_][\w.\[\]>-]*)\s*[-+*/|&]?=[^=]", body)
    return bool(assigned) and re.search(r"\b" + re.escape(assigned.group(1)) + r"\b", condition) is not None


def generate(path, relpath):
    """Returns the mutants of one file: dicts with pos, old, new, kind, line and key."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    mask = code_mask(text)
    found = []
    # A static_assert's mutant only fails to build: its condition is left alone.
    for m in re.finditer(r"\bstatic_assert\s*\(", text):
        close_at = matching(text, m.end() - 1)
        if close_at > 0:
            mask[m.start():close_at + 1] = [False] * (close_at + 1 - m.start())

    def add(pos, old, new, kind):
        if all(mask[pos:pos + len(old)]):
            found.append({"pos": pos, "old": old, "new": new, "kind": kind})

    for m in RELATIONAL_RE.finditer(text):
        add(m.start(), m.group(1), RELATIONAL[m.group(1)], "relational")
    for m in BOUND_RE.finditer(text):
        add(m.start(), m.group(0), m.group(1) + " 2", "bound")
    for m in IF_RE.finditer(text):
        open_at = m.end() - 1
        close_at = matching(text, open_at)
        if close_at < 0 or not mask[m.start()]:
            continue
        condition = text[open_at + 1:close_at]
        if condition.strip() in ("false", "true"):
            continue
        if is_check(condition, statement_after(text, close_at + 1)):
            # A condition that declares a name keeps the declaration as the if's init-statement.
            init = condition.rsplit(";", 1)[0] if ";" in condition else \
                condition if DECLARES_RE.match(condition) else None
            add(open_at, text[open_at:close_at + 1], f"({init}; false)" if init else "(false)", "check")
    for m in CLAMP_RE.finditer(text):
        open_at = m.end() - 1
        close_at = matching(text, open_at)
        first = first_argument(text, open_at, close_at) if close_at >= 0 else None
        if first:
            add(m.start(), text[m.start():close_at + 1], "(" + first + ")", "clamp")

    found.sort(key=lambda g: g["pos"])
    seen = {}
    for g in found:
        number = text.count("\n", 0, g["pos"]) + 1
        line = text.splitlines()[number - 1]
        line = "".join(c for c, code in zip(line, mask[g["pos"] - (g["pos"] - text.rfind("\n", 0, g["pos"]) - 1):])
                       if code).strip() or line.strip()
        change = f"{short(g['old'])} -> {short(g['new'])}"
        base = f"{relpath} :: {line} :: "
        n = seen.get((base, change), 0)
        seen[(base, change)] = n + 1
        g.update(line=number, key=f"{base}{n} :: {change}", name=f"{relpath}:{number}:{g['kind']}")
    return found


def short(code):
    """A change's text on one line."""
    return " ".join(code.split())


def read_equivalents(path):
    """The keys of the mutants written down as equivalent, each under '#' lines giving the reason."""
    keys = {}
    try:
        with open(path, encoding="utf-8") as f:
            reason = []
            for raw in f:
                line = raw.rstrip("\n")
                if line.startswith("#"):
                    reason.append(line[1:].strip())
                elif line.strip():
                    keys[line.strip()] = " ".join(reason)
                    reason = []
                else:
                    reason = []
    except FileNotFoundError:
        pass
    return keys
