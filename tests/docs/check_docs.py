#!/usr/bin/env python3
"""Checks the documentation against the built program.

Every fenced block of README.md and docs/*.md whose info string ends in "example"
(```sh example, ```python example, ```cpp example) is run in a fresh copy of the
examples: shell blocks with bash and the built kavro99 first on PATH, Python blocks
with this interpreter and the built module on PYTHONPATH, C++ blocks as the programs
that CMake compiled from them (--extract-cpp writes their sources when CMake
configures). A block whose command fails fails the check. Every relative link must
name an existing file (and a heading, for an #anchor into a Markdown file), and every long option of `kavro99 --help` and of the manual
page must appear in docs/commands.md.

  check_docs.py --root SRC --extract-cpp DIR
  check_docs.py --root SRC --kavro99 BIN [--python-module DIR] [--cpp-bin DIR] [--skip-examples REASON]
                [FILE.md ...]
"""
import argparse
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time

LANGUAGES = ("sh", "python", "cpp")
FENCE = re.compile(r"^(\s*)(`{3,}|~{3,})(.*)$")
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE_LINK = re.compile(r"^\s*\[[^\]]+\]:\s*(\S+)")
CODE_SPAN = re.compile(r"`+[^`]*`+")
LONG_OPTION = re.compile(r"(?<![\w-])--[a-z][a-z-]*[a-z]")
TIMEOUT_SECONDS = 600


class Block:
    def __init__(self, path, line, info, text):
        self.path = path
        self.line = line  # line of the opening fence, from 1
        self.info = info.split()
        self.text = text

    @property
    def language(self):
        return self.info[0] if self.info else ""

    @property
    def is_example(self):
        return len(self.info) >= 2 and self.info[-1] == "example"

    def where(self, root):
        return "%s:%d" % (display(self.path, root), self.line)


def display(path, root):
    try:
        return str(path.relative_to(root))
    except ValueError:
        return str(path)


def parse(path):
    """The fenced blocks of a Markdown file and its lines outside them."""
    blocks, prose = [], []
    lines = path.read_text(encoding="utf-8").split("\n")
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            prose.append((i + 1, lines[i]))
            i += 1
            continue
        fence, info, start = m.group(2), m.group(3).strip(), i
        body = []
        i += 1
        while i < len(lines):
            close = FENCE.match(lines[i])
            if close and close.group(2)[0] == fence[0] and len(close.group(2)) >= len(fence) and not close.group(3).strip():
                break
            body.append(lines[i][len(m.group(1)):] if lines[i].startswith(m.group(1)) else lines[i])
            i += 1
        else:
            raise SystemExit("%s:%d: the code block is not closed" % (path, start + 1))
        blocks.append(Block(path, start + 1, info, "\n".join(body) + "\n"))
        i += 1
    return blocks, prose


def cpp_name(path, index):
    """The name of the program built from the index-th C++ example of a file."""
    return re.sub(r"[^A-Za-z0-9]", "_", path.stem) + "_%d" % index


def cpp_examples(path, blocks):
    examples = [b for b in blocks if b.is_example and b.language == "cpp"]
    return [(cpp_name(path, n + 1), b) for n, b in enumerate(examples)]


def documentation(root):
    return [root / "README.md"] + sorted((root / "docs").glob("*.md"))


def heading_anchors(path):
    """The anchors of a Markdown file's headings, as GitHub makes them."""
    _, prose = parse(path)
    anchors = set()
    for _, line in prose:
        m = re.match(r"^#{1,6}\s+(.*?)\s*#*\s*$", line)
        if m:
            slug = re.sub(r"[^\w\- ]", "", m.group(1).strip().lower()).replace(" ", "-")
            anchors.add(slug)
    return anchors


def broken_links(path, prose):
    """Relative links whose file does not exist, or whose #anchor is no heading of a Markdown file."""
    broken = []
    for number, line in prose:
        text = CODE_SPAN.sub("", line)
        targets = LINK.findall(text)
        m = REFERENCE_LINK.match(text)
        if m:
            targets.append(m.group(1))
        for target in targets:
            if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
                continue
            file_part, _, anchor = target.partition("#")
            linked = path if not file_part else path.parent / file_part.split("?", 1)[0]
            if not linked.exists():
                broken.append((number, target))
            elif anchor and linked.suffix == ".md" and anchor not in heading_anchors(linked):
                broken.append((number, target))
    return broken


def setup_block_problems(readme, blocks):
    """The README's first two ```sh blocks are the set-up commands that CI runs in a fresh
    system; marked as examples, the check would build the project inside itself."""
    sh_blocks = [b for b in blocks if b.language == "sh"][:2]
    problems = []
    if len(sh_blocks) < 2:
        problems.append("%s: the two set-up commands (the first two sh blocks) are missing" % readme.name)
    problems += ["%s:%d: a set-up command is marked as an example" % (readme.name, b.line)
                 for b in sh_blocks if b.is_example]
    return problems


def missing_options(root, kavro99):
    """Long options of the usage text and of the manual page that docs/commands.md never names."""
    commands = (root / "docs" / "commands.md").read_text(encoding="utf-8")
    documented = set(LONG_OPTION.findall(commands))
    usage = subprocess.run([kavro99, "--help"], capture_output=True, text=True, timeout=60)
    if usage.returncode != 0:
        return ["kavro99 --help: exit status %d" % usage.returncode]
    manual = (root / "docs" / "kavro99.1").read_text(encoding="utf-8").replace("\\-", "-")
    missing = []
    for source, text in (("kavro99 --help", usage.stdout), ("docs/kavro99.1", manual)):
        for option in sorted(set(LONG_OPTION.findall(text)) - documented):
            missing.append("%s names %s, docs/commands.md does not" % (source, option))
    return missing


def example_folder(root, work):
    """A copy of the examples with the HUBER-HASYLAB scan beside them, as si222.inp names it."""
    shutil.copytree(root / "examples", work / "examples")
    shutil.copytree(root / "hasylab" / "scans", work / "hasylab" / "scans")


def run_example(block, name, args, root, env):
    """Returns (status, output): status None when the block is skipped."""
    with tempfile.TemporaryDirectory(prefix="kavro-docs-") as folder:
        work = pathlib.Path(folder)
        example_folder(root, work)
        if block.language == "sh":
            command = ["bash", "-e", "-o", "pipefail", "-c", block.text]
        elif block.language == "python":
            if not args.python_module:
                return None, "the Python module is not built"
            (work / "example.py").write_text(block.text, encoding="utf-8")
            command = [sys.executable, str(work / "example.py")]
        else:
            if not args.cpp_bin:
                return None, "the C++ examples are not built"
            program = pathlib.Path(args.cpp_bin).resolve() / name
            if not program.exists():
                return 1, "%s was not built from this block: build again (CMake extracts the blocks)" % program
            command = [str(program)]
        try:
            done = subprocess.run(command, cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, timeout=TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return 1, "no end after %d s" % TIMEOUT_SECONDS
        return done.returncode, done.stdout.decode("utf-8", "replace")


def extract_cpp(root, folder):
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("*.cpp"):
        old.unlink()
    for path in documentation(root):
        blocks, _ = parse(path)
        for name, block in cpp_examples(path, blocks):
            source = "// From %s, line %d.\n%s" % (display(path, root), block.line, block.text)
            (folder / (name + ".cpp")).write_text(source, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, type=pathlib.Path)
    parser.add_argument("--extract-cpp", type=pathlib.Path)
    parser.add_argument("--kavro99")
    parser.add_argument("--python-module")
    parser.add_argument("--cpp-bin")
    parser.add_argument("--skip-examples", metavar="REASON", help="check the links and options only")
    parser.add_argument("files", nargs="*", type=pathlib.Path)
    args = parser.parse_args()
    root = args.root.resolve()
    if args.extract_cpp:
        extract_cpp(root, args.extract_cpp)
        return 0
    if not args.kavro99:
        parser.error("--kavro99 is needed to run the examples")

    files = [f.resolve() for f in args.files] or documentation(root)
    env = dict(os.environ)
    env["PATH"] = str(pathlib.Path(args.kavro99).resolve().parent) + os.pathsep + env.get("PATH", "")
    if args.python_module:
        env["PYTHONPATH"] = str(pathlib.Path(args.python_module).resolve())
    env.pop("DISPLAY", None)  # no example opens the window

    problems, passed, failed, skipped, links = [], 0, 0, 0, 0
    for path in files:
        blocks, prose = parse(path)
        for number, target in broken_links(path, prose):
            links += 1
            problems.append("%s:%d: broken link %s" % (display(path, root), number, target))
        if path == root / "README.md":
            problems += setup_block_problems(path, blocks)
        names = {id(b): name for name, b in cpp_examples(path, blocks)}
        for block in blocks:
            if not block.is_example:
                continue
            if block.language not in LANGUAGES:
                failed += 1
                problems.append("%s: an example in '%s', which the check cannot run" % (block.where(root), block.language))
                continue
            start = time.monotonic()
            if args.skip_examples:
                status, output = None, args.skip_examples
            else:
                status, output = run_example(block, names.get(id(block)), args, root, env)
            seconds = time.monotonic() - start
            if status is None:
                skipped += 1
                print("skip %s %s example: %s" % (block.where(root), block.language, output))
            elif status == 0:
                passed += 1
                print("ok   %s %s example (%.1f s)" % (block.where(root), block.language, seconds))
            else:
                failed += 1
                tail = "\n".join(output.rstrip("\n").split("\n")[-40:])
                print("FAIL %s %s example, exit status %d:\n%s" % (block.where(root), block.language, status,
                                                                    "".join("    " + l + "\n" for l in tail.split("\n"))))
                problems.append("%s: the %s example failed (exit status %d)" % (block.where(root), block.language, status))
    if any(f.name == "commands.md" for f in files):
        problems += missing_options(root, args.kavro99)

    for problem in problems:
        print(problem)
    print("docs examples: %d passed, %d failed, %d skipped; relative links: %d broken" % (passed, failed, skipped, links))
    if problems:
        print("docs check failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
