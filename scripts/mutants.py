#!/usr/bin/env python3
"""Faults made by rule over the program's own code, one at a time.

Debian packages no mutation tool for C++, so this small generator is ours.
It reads each layer's sources line by line, with comments, string literals
and preprocessor lines blanked out, and proposes one-line faults:

  rel     a < b <-> a <= b, a > b <-> a >= b, a == b <-> a != b
  const   an integer constant one more or one less
  logic   && <-> ||
  negate  if (x) -> if (!(x))
  delete  a whole simple statement (a call, an assignment) removed
  return  an early return before a statement of a void or bool function
  swap    two neighbouring arguments of one type swapped

A mutant's id names its file, its rule and a hash of its line's text (not
its number), so that the reviewed list of equivalent mutants survives edits
elsewhere in the file. `scripts/mutants.sh` copies the tree and builds it,
then runs this script to apply each sampled mutant, rebuild, run the core
tests and then the rest of the suite, and count what the tests killed. A test
program the rebuild left unchanged is not run again: it can only give what
it gave in the clean run. Each program runs in shards side by side that stop
at their first failure, so a killed mutant costs seconds.
"""

import argparse
import contextlib
import fcntl
import hashlib
import json
import os
import random
import re
import subprocess
import sys
import time
from dataclasses import dataclass

# The layers, those whose faults cost a user most first; each of these
# gets twice the sample of the others.
FIRST_LAYERS = ["history", "transfer", "configfile", "buslink", "cli"]
OTHER_LAYERS = ["platform", "editor", "report", "shell", "simulator", "platform_qt", "gui"]
LAYERS = FIRST_LAYERS + OTHER_LAYERS
DEFAULT_SEED = 30
DEFAULT_PER_LAYER = 9  # 5 x 18 + 7 x 9 = 153 in all
OPERATORS = ["const", "delete", "logic", "negate", "rel", "return", "swap"]

KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "alignof", "decltype", "catch", "throw",
            "static_assert", "noexcept", "requires", "co_return", "co_await", "co_yield", "delete", "new",
            "case", "default", "break", "continue", "goto", "using", "typedef", "else", "do", "try",
            "template", "friend", "operator", "assert", "Q_ASSERT", "Q_UNUSED", "emit", "Q_EMIT"}


@dataclass
class Mutant:
    id: str
    layer: str
    path: str  # relative to the tree, with forward slashes
    line: int  # 1-based
    op: str
    before: str
    after: str

    def diff(self):
        return (f"--- a/{self.path}\n+++ b/{self.path}\n@@ -{self.line} +{self.line} @@\n"
                f"-{self.before}\n+{self.after}\n")


# ---------------------------------------------------------------- reading

def clean_text(text):
    """The text with comments, string and character literals and
    preprocessor lines turned into spaces; newlines and columns kept."""
    out = list(text)
    n = len(text)
    i = 0
    line_start = True  # only blanks so far on this line
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c == "#":
            # A directive, with its continuation lines.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        if c in " \t\r":
            i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for k in range(i, end):
                if out[k] != "\n":
                    out[k] = " "
            i = end
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^()\\ ]{0,16})\(', text[i:i + 24])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = ")" + raw.group(1) + '"'
            end = text.find(close, i + raw.end())
            end = n if end < 0 else end + len(close)
            for k in range(i, end):
                if out[k] != "\n":
                    out[k] = " "
            i = end
            continue
        if c == "'" and i > 0 and text[i - 1].isalnum() and re.match(r"[0-9a-fA-F]", text[i + 1:i + 2] or " ") \
                and re.search(r"\b(0[xX])?[0-9][0-9a-fA-F']*$", text[max(0, i - 24):i]):
            i += 1  # a digit separator
            continue
        if c in "\"'":
            k = i + 1
            while k < n and text[k] != c and text[k] != "\n":
                k += 2 if text[k] == "\\" else 1
            end = min(k + 1, n)
            for m in range(i, end):
                if out[m] != "\n":
                    out[m] = " "
            i = end
            continue
        i += 1
    return "".join(out)


def windows_only_lines(lines):
    """Line numbers (0-based) inside #if branches built for Windows alone:
    this build would never compile a fault there."""
    hidden = set()
    stack = []  # per open #if: [it names Windows, its current branch is Windows-only]
    for number, line in enumerate(lines):
        m = re.match(r"#\s*(ifdef|ifndef|if|elif|else|endif)\b(.*)", line.strip())
        if m:
            word, rest = m.group(1), m.group(2)
            if word in ("ifdef", "ifndef", "if"):
                named = bool(re.search(r"\b(_WIN32|_WIN64|Q_OS_WIN|WIN32)\b", rest))
                negated = word == "ifndef" or rest.strip().startswith("!")
                stack.append([named, named and not negated])
            elif word == "elif" and stack:
                stack[-1] = [False, False]
            elif word == "else" and stack:
                stack[-1][1] = stack[-1][0] and not stack[-1][1]
            elif word == "endif" and stack:
                stack.pop()
            continue
        if any(windows for _, windows in stack):
            hidden.add(number)
    return hidden


@dataclass
class Block:
    kind: str  # "scope" (namespace, class), "code" (a function's body), "init" (braced values)
    returns: str  # "void", "bool" or "" (unknown or other) for code


def function_returns(prefix):
    p = re.sub(r"^(template\s*<[^{;]*?>\s*)", "", prefix)
    p = re.sub(r"\[\[[^\]]*\]\]\s*", "", p)
    p = re.sub(r"^((static|inline|virtual|constexpr|explicit|friend|extern)\s+)+", "", p)
    if re.match(r"void\s", p):
        return "void"
    if re.match(r"bool\s", p):
        return "bool"
    if re.match(r"(\w+::)*(~?)(\w+)::~?\3\s*\(", p) or re.match(r"~?\w+\s*\(", p):
        return "void"  # a constructor or destructor
    return ""


def blocks_at_lines(clean):
    """For each line (0-based), the innermost block open at its start, and
    the last code character before the line."""
    result = []
    stack = []
    prefix_start = 0
    last_char = ";"
    pos = 0
    for line in clean.split("\n"):
        result.append((stack[-1] if stack else Block("scope", ""), last_char))
        for k, c in enumerate(line):
            if c == "{":
                prefix = " ".join(clean[prefix_start:pos + k].split())
                prefix = re.sub(r"^(Q_OBJECT\s*)?((public|private|protected)(\s+(slots|Q_SLOTS))?|signals|Q_SIGNALS)\s*:\s*",
                                "", prefix)
                stack.append(classify_brace(prefix, stack[-1] if stack else None))
            elif c == "}":
                if stack:
                    stack.pop()
            if c in "{};":
                prefix_start = pos + k + 1
            if not c.isspace():
                last_char = c
        pos += len(line) + 1
    return result


def classify_brace(prefix, parent):
    function_like = re.search(r"\)\s*((const|mutable|noexcept|override|final)\s*)*(->\s*[\w:<>,\s*&]+)?$", prefix)
    if re.search(r"\b(namespace|class|struct|union|enum)\b", prefix) and not function_like:
        return Block("scope", "")
    if parent is not None and parent.kind == "code":
        if prefix == "" or re.search(r"(\belse|\bdo|\btry|:)$", prefix):
            return Block("code", parent.returns)
        if function_like:
            lambda_ = re.search(r"(^|[=(,{]|\breturn)\s*\[[^\]]*\]", prefix)
            return Block("code", "" if lambda_ else parent.returns)
        return Block("init", "")
    if parent is None or parent.kind == "scope":
        if function_like and "=" not in prefix.replace("operator", "", 1).split("(")[0]:
            return Block("code", function_returns(prefix))
        if function_like:
            return Block("code", "")
        return Block("init", "")
    return Block("init", "")


# ---------------------------------------------------------------- rules

def top_level_split(clean, start, end):
    """Spans of the comma-separated parts of clean[start:end]."""
    parts, depth, begin = [], 0, start
    for k in range(start, end):
        c = clean[k]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "," and depth == 0:
            parts.append((begin, k))
            begin = k + 1
    parts.append((begin, end))
    return parts


def matching_paren(clean, open_at):
    depth = 0
    for k in range(open_at, len(clean)):
        if clean[k] == "(":
            depth += 1
        elif clean[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


def param_type(part):
    """The type of a declared parameter (`const std::string& name = x`),
    or None when the text is not a declaration."""
    part = part.split("=")[0].strip()
    m = re.match(r"^([\w:<>,\s*&]+?[\s*&])(\w+)$", part)
    if not m or not re.search(r"\w", m.group(1)):
        return None
    kind = " ".join(m.group(1).replace("&", " & ").replace("*", " * ").split())
    if kind in KEYWORDS or kind.split()[-1] in ("return", "else", "case", "new", "delete", "throw"):
        return None
    return kind


def same_type_functions(sources):
    """Function name -> the neighbouring parameter positions that share a type,
    from every declaration in the tree."""
    found = {}
    for clean in sources:
        for m in re.finditer(r"\b(\w+)\s*\(([^()]*)\)", clean):
            name = m.group(1)
            if name in KEYWORDS or "," not in m.group(2):
                continue
            types = [param_type(p) for p in m.group(2).split(",")] if "<" not in m.group(2) else []
            if not types or None in types:
                continue
            pairs = {k for k in range(len(types) - 1) if types[k] == types[k + 1]}
            if pairs:
                found.setdefault(name, set()).update(pairs)
    return found


INT_LITERAL = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|[0-9]+)([uUlL]*)(?![\w.'])")
STRING_LITERAL = re.compile(r'^"([^"\\]|\\.)*"$')


def constant_rewrites(literal, suffix):
    if literal[:2].lower() == "0x":
        digits = literal[2:]
        value = int(digits, 16)
        spell = (lambda v: literal[:2] + format(v, "0%d%s" % (len(digits), "X" if digits.upper() == digits else "x")))
    else:
        if len(literal) > 1 and literal.startswith("0"):
            return []  # octal: left alone
        value = int(literal)
        spell = str
    values = [value + 1] + ([value - 1] if value > 0 else [])
    return [spell(v) + suffix for v in values]


def line_rewrites(text, clean, line_start, line_end, block, before_char, calls):
    """(op, new line) pairs for one line."""
    line = text[line_start:line_end]
    code = clean[line_start:line_end]
    stripped = code.strip()
    if not stripped or re.search(r"\bstatic_assert\b", code):
        return []
    out = []
    indent = len(line) - len(line.lstrip())

    def replaced(a, b, new):
        return line[:a] + new + line[b:]

    # Relational operators and && / ||, tokens read longest first.
    k = 0
    while k < len(code):
        three, two, one = code[k:k + 3], code[k:k + 2], code[k]
        if three in ("<=>", "<<=", ">>=", "..."):
            k += 3
            continue
        if two in ("<<", ">>", "->", "::", "&=", "|=", "+=", "-=", "*=", "/=", "%=", "^="):
            k += 2
            continue
        spaced = code[k - 1:k] == " " and code[k + len(two) if two in ("<=", ">=", "&&") else k + 1:][:1] == " "
        preceded = code[:k].rstrip()
        after_operator = preceded.endswith("operator")
        if two in ("==", "!=") and not after_operator:
            out.append(("rel", replaced(k, k + 2, "!=" if two == "==" else "==")))
            k += 2
            continue
        if two in ("<=", ">=") and spaced and not after_operator:
            out.append(("rel", replaced(k, k + 2, two[0])))
            k += 2
            continue
        if two == "&&" and spaced:
            out.append(("logic", replaced(k, k + 2, "||")))
            k += 2
            continue
        if two == "||":
            out.append(("logic", replaced(k, k + 2, "&&")))
            k += 2
            continue
        if one in "<>" and spaced and not after_operator and not preceded.endswith("template"):
            out.append(("rel", replaced(k, k + 1, one + "=")))
        k += 1

    # Integer constants.
    for m in INT_LITERAL.finditer(code):
        if re.search(r"\boperator\s*$|\[\[|\)\s*(const\s*)?(override\s*)?=\s*$", code[:m.start()]):
            continue  # an operator's name, an attribute, a pure virtual function's "= 0"
        for new in constant_rewrites(m.group(1), m.group(2)):
            out.append(("const", replaced(m.start(), m.end(), new)))

    # A negated condition, when the whole condition is on this line.
    for m in re.finditer(r"\bif\s*\(", code):
        close = matching_paren(code, m.end() - 1)
        if close < 0:
            continue
        condition = code[m.end():close]
        if ";" in condition or re.search(r"(?<![=!<>])=(?!=)", condition) or not condition.strip():
            continue
        out.append(("negate", line[:m.end()] + "!(" + line[m.end():close] + ")" + line[close:]))

    starts_statement = block.kind == "code" and before_char in ";{}" and not stripped.startswith("}")
    first_word = re.match(r"[A-Za-z_]\w*", stripped)
    first_word = first_word.group(0) if first_word else ""

    # A removed statement: a call or an assignment whole on this line.
    if starts_statement and stripped.endswith(";") and stripped.count(";") == 1 and first_word not in KEYWORDS \
            and balanced(stripped):
        call = re.match(r"^[A-Za-z_][\w.:>\-\[\]]*(<[^;]*>)?\s*\(.*\)\s*;$", stripped)
        assignment = re.match(r"^[A-Za-z_*][\w.:>\-\[\]()*]*\s*(=|\+=|-=|\*=|/=|%=|&=|\|=|\^=|<<=|>>=)\s*[^=].*;$",
                              stripped)
        step = re.match(r"^(\+\+|--)?[A-Za-z_][\w.:>\-\[\]]*(\+\+|--)?\s*;$", stripped)
        bare_spaced = re.match(r"^\S+\s+\S+", stripped.split("=")[0].split("(")[0])
        if (call or assignment or (step and (step.group(1) or step.group(2)))) and not bare_spaced:
            out.append(("delete", line[:indent]))

    # An early return, in a function that returns nothing or a bool.
    if starts_statement and block.returns and first_word not in ("return", "case", "default", "else", "break",
                                                                   "continue", "throw"):
        value = "return;" if block.returns == "void" else "return false;"
        out.append(("return", line[:indent] + value + " " + line[indent:]))

    # Two neighbouring arguments swapped: both of one declared type, or both
    # integer or both string literals.
    for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\(", code):
        name = m.group(1)
        if name in KEYWORDS:
            continue
        before = code[:m.start()].rstrip()
        if re.search(r"[\w>*&]$", before) and not re.search(r"(\breturn|\.|->|::)$", before):
            continue  # a declaration, not a call
        close = matching_paren(code, m.end() - 1)
        if close < 0:
            continue
        spans = top_level_split(code, m.end(), close)
        texts = [line[a:b].strip() for a, b in spans]
        if len(texts) < 2 or any(param_type(code[a:b].strip()) for a, b in spans):
            continue
        for k in range(len(spans) - 1):
            a, b = texts[k], texts[k + 1]
            literals = (INT_LITERAL.fullmatch(a) and INT_LITERAL.fullmatch(b)) or \
                (STRING_LITERAL.match(a) and STRING_LITERAL.match(b))
            if a == b or not a or not b or not (literals or k in calls.get(name, ())):
                continue
            (s1, e1), (s2, e2) = spans[k], spans[k + 1]
            l1, l2 = s1 + len(line[s1:e1]) - len(line[s1:e1].lstrip()), s2 + len(line[s2:e2]) - len(line[s2:e2].lstrip())
            new = line[:l1] + b + line[l1 + len(a):l2] + a + line[l2 + len(b):]
            out.append(("swap", new))
    return out


def balanced(s):
    return s.count("(") == s.count(")") and s.count("[") == s.count("]") and s.count("{") == s.count("}")


def file_mutants(layer, path, text, calls):
    """Every mutant of one source file, in the order of its lines."""
    clean = clean_text(text)
    lines = text.split("\n")
    hidden = windows_only_lines(lines)
    contexts = blocks_at_lines(clean)
    seen_lines = {}
    result = []
    offset = 0
    for number, line in enumerate(lines):
        start, end = offset, offset + len(line)
        offset = end + 1
        key = line.strip()
        occurrence = seen_lines.get(key, 0)
        seen_lines[key] = occurrence + 1
        if number in hidden:
            continue
        block, before_char = contexts[number]
        made = set()
        for op, new in line_rewrites(text, clean, start, end, block, before_char, calls):
            if new == line or new in made:
                continue
            made.add(new)
            digest = hashlib.sha1("\0".join([path, op, key, str(occurrence), new.strip()]).encode()).hexdigest()[:8]
            result.append(Mutant(f"{path}:{op}:{digest}", layer, path, number + 1, op, line, new))
    return result


def layer_files(root, layer):
    files = []
    for folder, _, names in os.walk(os.path.join(root, layer)):
        for name in names:
            if name.endswith((".cpp", ".h")) and not re.search(r"_(windows|win)\.", name):
                files.append(os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/"))
    return sorted(files)


def all_mutants(root, layers=LAYERS):
    texts = {}
    for layer in LAYERS:
        for path in layer_files(root, layer):
            with open(os.path.join(root, path), encoding="utf-8") as f:
                texts[path] = f.read()
    calls = same_type_functions(clean_text(t) for t in texts.values())
    by_layer = {}
    for layer in layers:
        by_layer[layer] = [m for path in layer_files(root, layer)
                           for m in file_mutants(layer, path, texts[path], calls)]
    return by_layer


def sample(by_layer, per_layer, seed):
    """A fixed random sample per layer, each rule in turn, so that every rule
    is tried in every layer; a smaller sample is the start of a larger one."""
    chosen = []
    for layer in LAYERS:
        if layer not in by_layer:
            continue
        wanted = per_layer * (2 if layer in FIRST_LAYERS else 1)
        rng = random.Random(f"{seed}/{layer}")
        queues = {}
        for op in OPERATORS:
            ms = sorted((m for m in by_layer[layer] if m.op == op), key=lambda m: m.id)
            rng.shuffle(ms)
            if ms:
                queues[op] = ms
        picked = []
        while len(picked) < wanted and any(queues.values()):
            for op in OPERATORS:
                if queues.get(op) and len(picked) < wanted:
                    picked.append(queues[op].pop(0))
        chosen.extend(picked)
    return chosen


def read_equivalent(path):
    """Mutant id -> reason, from the reviewed list."""
    listed = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith("#"):
                    parts = line.split(None, 1)
                    listed[parts[0]] = parts[1] if len(parts) > 1 else ""
    return listed


# ---------------------------------------------------------------- running

# The suite's test programs, each with the files whose change it can see: a
# program none of whose files a fault changed gives what it gave in the clean
# run, so only the changed ones are run. The core's tests share nothing, so
# they run in one process per shard; the others as the suite runs them, one
# process per test.
PROGRAMS = {
    "tests/kavro_core_tests": ["tests/kavro_core_tests"],
    "tests/kavro_cli_tests": ["tests/kavro_cli_tests", "cli/kavro-switch"],
    "tests/kavro_gui_tests": ["tests/kavro_gui_tests"],
    "tests/kavro_pty_tests": ["tests/kavro_pty_tests"],
}
CORE = "tests/kavro_core_tests"


class Runner:
    def __init__(self, args):
        self.build = os.path.abspath(args.build)  # test programs run from their own folder
        self.jobs = str(args.jobs)
        self.lock_file = args.lock
        self.timeout = args.timeout
        self.core_timeout = args.timeout
        self.shards = max(1, args.jobs)

    @contextlib.contextmanager
    def machine(self):
        """The machine's shared lock held, when there is one."""
        if not self.lock_file:
            yield
            return
        with open(self.lock_file, "a") as f:
            fcntl.flock(f, fcntl.LOCK_EX)
            try:
                yield
            finally:
                fcntl.flock(f, fcntl.LOCK_UN)

    def run(self, command, timeout=None):
        """(exit status or None on time-out, output)."""
        try:
            with self.machine():
                p = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                   errors="replace", timeout=timeout, start_new_session=True)
            return p.returncode, p.stdout
        except subprocess.TimeoutExpired as e:
            out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
            return None, out

    def compile(self):
        return self.run(["cmake", "--build", self.build, "-j" + self.jobs])

    def baseline(self):
        """The longest test's time in a clean run, and the core program's;
        None when the suite fails."""
        status, out = self.run(["ctest", "--test-dir", self.build, "-j" + self.jobs])
        if status != 0:
            sys.stderr.write(out[-3000:])
            return None
        longest = max([float(t) for t in re.findall(r"Passed\s+([0-9.]+) sec", out)] or [10.0])
        began = time.monotonic()
        with self.machine():
            failed = self.run_program(CORE, None)
        if failed:
            sys.stderr.write(f"mutants: {failed} fails without any fault\n")
            return None
        return longest, time.monotonic() - began

    def number_tests(self):
        """Which of the suite's tests (by number) each program runs."""
        _, out = self.run(["ctest", "--test-dir", self.build, "--show-only=json-v1"])
        self.numbers = {}
        for number, test in enumerate(json.loads(out)["tests"], 1):
            program = os.path.relpath(test["command"][0], self.build).replace(os.sep, "/")
            self.numbers.setdefault(program, []).append(number)

    def stamps(self):
        """Each program's files' modification times, to tell which a build changed."""
        def stamp(path):
            full = os.path.join(self.build, path)
            return os.stat(full).st_mtime_ns if os.path.exists(full) else None
        return {program: [stamp(f) for f in files] for program, files in PROGRAMS.items()}

    def run_program(self, program, timeout):
        """The tests that fail of one program run in shards side by side,
        each stopping at its first failure; "" when all pass."""
        command = [os.path.join(self.build, program), "--gtest_brief=1", "--gtest_fail_fast"]
        shards = []
        for index in range(self.shards):
            shard_env = dict(os.environ, GTEST_TOTAL_SHARDS=str(self.shards), GTEST_SHARD_INDEX=str(index))
            shards.append(subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                           errors="replace", env=shard_env, start_new_session=True,
                                           cwd=os.path.join(self.build, "tests")))
        deadline = None if timeout is None else time.monotonic() + timeout
        failed, outputs = [], {}
        while len(outputs) < len(shards):
            for p in shards:
                if p in outputs or p.poll() is None:
                    continue
                outputs[p] = p.stdout.read()
                if p.returncode != 0:
                    names = sorted(set(re.findall(r"^\[  FAILED  \] ([\w./]+)", outputs[p], re.M)))
                    how = f"signal {-p.returncode}" if p.returncode < 0 else f"exit {p.returncode}"
                    failed.append(" ".join(names) or f"{os.path.basename(program)} ({how})")
            if failed or (deadline and time.monotonic() > deadline):
                break
            time.sleep(0.05)
        timed_out = not failed and len(outputs) < len(shards)
        for p in shards:
            if p.poll() is None:
                os.killpg(p.pid, 9)
                p.wait()
        if timed_out:
            return f"{os.path.basename(program)} (timed out)"
        return " ".join(failed)

    def killers(self, changed):
        """The tests that fail, or "" when every test passes: the core's
        first, then those of the other programs the build changed."""
        if CORE in changed:
            with self.machine():
                caught = self.run_program(CORE, self.core_timeout)
            if caught:
                return caught
        # The tool's own tests next, which catch most; the line's last.
        for program in PROGRAMS:
            if program == CORE or program not in changed or program not in self.numbers:
                continue
            caught = self.run_tests(self.numbers[program])
            if caught:
                return caught
        return ""

    def run_tests(self, numbers):
        """The suite's tests of these numbers, as ctest runs them."""
        listed = os.path.join(self.build, "mutant-tests.txt")
        with open(listed, "w", encoding="utf-8") as f:
            f.write("0,0,0," + ",".join(map(str, numbers)) + "\n")
        status, out = self.run(["ctest", "--test-dir", self.build, "-j" + self.jobs, "-I", listed, "--timeout",
                                str(self.timeout), "--stop-on-failure"], timeout=self.timeout * 4 + 600)
        if status == 0:
            return ""
        if status is None:
            return "ctest (timed out)"
        failed = re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", out.split("The following tests FAILED:")[-1], re.M)
        return " ".join(f"{name}" + ("" if why == "Failed" else f" ({why})") for name, why in failed) \
            or f"ctest (exit {status})"

    def try_mutant(self, root, m):
        """(outcome, detail): killed, survived or not-viable."""
        file = os.path.join(root, m.path)
        with open(file, encoding="utf-8", newline="") as f:
            original = f.read()
        lines = original.split("\n")
        if lines[m.line - 1] != m.before:
            return "not-viable", "the line has changed since the sample was drawn"
        lines[m.line - 1] = m.after
        try:
            with open(file, "w", encoding="utf-8", newline="") as f:
                f.write("\n".join(lines))
            before = self.stamps()
            status, out = self.compile()
            if status != 0:
                if "Error running test executable" in out or "gtest_discover_tests" in out and "error:" not in out:
                    return "killed", "test discovery"
                return "not-viable", first_error(out)
            after = self.stamps()
            caught = self.killers({program for program in after if after[program] != before[program]})
            return ("killed", caught) if caught else ("survived", "")
        finally:
            with open(file, "w", encoding="utf-8", newline="") as f:
                f.write(original)


def first_error(out):
    m = re.search(r"error: (.*)", out)
    return m.group(1)[:160] if m else "does not build"


def tally(results, listed, device=()):
    """Per layer: generated, not viable, killed, survived, equivalent, needing a device, score.

    A survivor that only a device this machine lacks could show (a USB
    adapter's own facts) is neither equivalent nor a missing test: it is
    counted apart, out of the score, so that the table says how many."""
    rows = []
    for layer in LAYERS:
        mine = [r for r in results if r[0].layer == layer]
        if not mine:
            continue
        nv = sum(r[1] == "not-viable" for r in mine)
        killed = sum(r[1] == "killed" for r in mine)
        equivalent = sum(r[1] == "survived" and r[0].id in listed for r in mine)
        needs = sum(r[1] == "survived" and r[0].id in device for r in mine)
        survived = sum(r[1] == "survived" and r[0].id not in listed and r[0].id not in device for r in mine)
        counted = killed + survived
        score = f"{100.0 * killed / counted:.1f} %" if counted else "-"
        rows.append((layer, len(mine), nv, killed, survived, equivalent, needs, score))
    return rows


def table(rows):
    head = ("layer", "generated", "not viable", "killed", "survived", "equivalent", "needs device", "score")
    widths = [max(len(str(x)) for x in col) for col in zip(head, *rows)]
    fmt = "  ".join(("{:<%d}" if i == 0 else "{:>%d}") % w for i, w in enumerate(widths))
    return "\n".join(fmt.format(*r) for r in [head] + rows)


def do_run(args, chosen, listed, device):
    runner = Runner(args)
    os.makedirs(args.out, exist_ok=True)
    machine = os.path.join(args.out, "results.tsv")
    done = {}
    if args.resume and os.path.exists(machine):
        with open(machine, encoding="utf-8") as f:
            for row in f.read().splitlines()[1:]:
                cols = row.split("\t")
                done[cols[0]] = (cols[5], cols[6])
    if not args.timeout:
        times = runner.baseline()
        if times is None:
            print("mutants: the suite fails without any fault", file=sys.stderr)
            return 2
        runner.timeout = max(60, int(3 * times[0] + 1))
        runner.core_timeout = max(60, int(3 * times[1] + 1))
    runner.number_tests()
    print(f"mutants: {len(chosen)} to try; a test is stopped after {runner.timeout} s, "
          f"the core's after {runner.core_timeout} s", flush=True)
    results, spent = [], []
    with open(machine, "a" if done else "w", encoding="utf-8") as tsv:
        if not done:
            tsv.write("id\tlayer\tfile\tline\top\toutcome\tdetail\tbefore\tafter\n")
        for n, m in enumerate(chosen, 1):
            if m.id in done:
                results.append((m,) + done[m.id])
                continue
            began = time.monotonic()
            outcome, detail = runner.try_mutant(args.root, m)
            spent.append(time.monotonic() - began)
            if outcome == "survived" and m.id in listed:
                shown = "equivalent"
            elif outcome == "survived" and m.id in device:
                shown = "device"
            elif m.id in listed or m.id in device:
                shown, detail = outcome, detail + "; listed as not to be killed here: take it off the list"
            else:
                shown = outcome
            print(f"[{n}/{len(chosen)}] {shown:<10} {m.id}  ({m.path}:{m.line}) {detail}  {spent[-1]:.0f} s",
                  flush=True)
            results.append((m, outcome, detail))
            tsv.write("\t".join([m.id, m.layer, m.path, str(m.line), m.op, outcome, detail.replace("\t", " "),
                                 m.before.replace("\t", " "), m.after.replace("\t", " ")]) + "\n")
            tsv.flush()
    runner.compile()  # the build as the tree is, for the next run

    rows = tally(results, listed, device)
    report = [table(rows), ""]
    if spent:
        report.append(f"{len(spent)} mutants tried in {sum(spent) / 60:.1f} min, {sum(spent) / len(spent):.0f} s each")
    survivors = [m for m, outcome, _ in results
                 if outcome == "survived" and m.id not in listed and m.id not in device]
    report.append(f"\n{len(survivors)} survivors (each a missing test, or an equivalent mutant to list "
                  f"in tests/mutants/equivalent.txt with the reason):")
    for m in survivors:
        report.append(f"\nSURVIVED {m.id}\n{m.diff()}")
    text = "\n".join(report)
    print("\n" + text)
    with open(os.path.join(args.out, "results.txt"), "w", encoding="utf-8") as f:
        f.write(text + "\n")
    low = [r[0] for r in rows if r[-1] != "-" and float(r[-1].split()[0]) < args.goal]
    if low:
        print(f"mutants: below {args.goal:g} % in {', '.join(low)}", file=sys.stderr)
        return 1
    return 0


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Faults made by rule, one at a time, against the test suite.")
    parser.add_argument("--root", default=os.path.dirname(here), help="the tree to mutate (default: this one)")
    parser.add_argument("--build", help="its build folder; without it nothing is run")
    parser.add_argument("--out", default="build-mutants", help="where results.txt and results.tsv go")
    parser.add_argument("--seed", default=str(DEFAULT_SEED), help="the sample's seed (default %(default)s)")
    parser.add_argument("--per-layer", type=int, default=DEFAULT_PER_LAYER,
                        help="mutants per layer, twice as many in " + ", ".join(FIRST_LAYERS) + " (default %(default)s)")
    parser.add_argument("--layers", help="comma-separated layers (default: all)")
    parser.add_argument("--only", help="comma-separated mutant ids, sampled or not")
    parser.add_argument("--list", action="store_true", help="print the sample and its diffs, run nothing")
    parser.add_argument("--count", action="store_true", help="print how many mutants each layer and rule has")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--timeout", type=int, help="seconds a test may take (default: 3 x the longest test)")
    parser.add_argument("--lock", help="a file to flock around each build and test run (a shared machine)")
    parser.add_argument("--resume", action="store_true", help="keep the results of mutants already in results.tsv")
    parser.add_argument("--goal", type=float, default=90.0, help="the score each layer must reach (%%)")
    parser.add_argument("--equivalent", help="the reviewed list (default: tests/mutants/equivalent.txt)")
    parser.add_argument("--needs-device", help="the reviewed list of faults only a device this machine lacks "
                        "could show (default: tests/mutants/needs-device.txt beside the equivalent list)")
    args = parser.parse_args(argv)

    layers = args.layers.split(",") if args.layers else LAYERS
    unknown = [layer for layer in layers if layer not in LAYERS]
    if unknown:
        parser.error("unknown layer: " + ", ".join(unknown) + " (layers: " + ", ".join(LAYERS) + ")")
    by_layer = all_mutants(args.root, LAYERS if args.only else layers)
    equivalent_path = args.equivalent or os.path.join(args.root, "tests", "mutants", "equivalent.txt")
    listed = read_equivalent(equivalent_path)
    device = read_equivalent(args.needs_device or os.path.join(os.path.dirname(equivalent_path), "needs-device.txt"))
    everything = {m.id: m for ms in by_layer.values() for m in ms}
    if not args.only and not args.layers:
        for stale in sorted((set(listed) | set(device)) - set(everything)):
            print(f"mutants: {stale} in the equivalent list matches no line now: review it", file=sys.stderr)
    if args.only:
        missing = [i for i in args.only.split(",") if i not in everything]
        if missing:
            parser.error("no such mutant: " + ", ".join(missing))
        chosen = [everything[i] for i in args.only.split(",")]
    else:
        chosen = sample(by_layer, args.per_layer, args.seed)

    if args.count:
        for layer in layers:
            counts = {op: sum(m.op == op for m in by_layer[layer]) for op in OPERATORS}
            print(f"{layer:<12} {len(by_layer[layer]):>5}  " + "  ".join(f"{op} {n}" for op, n in counts.items()))
        return 0
    if args.list or not args.build:
        for m in chosen:
            mark = ("  (equivalent: " + listed[m.id] + ")" if m.id in listed
                    else "  (needs a device: " + device[m.id] + ")" if m.id in device else "")
            print(f"{m.id}  {m.path}:{m.line}{mark}\n  -{m.before}\n  +{m.after}")
        print(f"{len(chosen)} mutants", file=sys.stderr)
        return 0
    return do_run(args, chosen, listed, device)


if __name__ == "__main__":
    sys.exit(main())
