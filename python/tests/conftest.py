import html
import os
import pathlib
import re
import shutil
import subprocess

import pytest

EXAMPLES = pathlib.Path(os.environ.get("KAVRO_EXAMPLES_DIR", pathlib.Path(__file__).parents[2] / "examples"))
KAVRO99 = os.environ.get("KAVRO_BINARY", "kavro99")
EXAMPLE_INPUTS = sorted(p.name for p in EXAMPLES.glob("*.inp"))


def copy_examples(folder):
    """A copy of the examples with the HUBER-HASYLAB scan beside them, as si222.inp names it.

    A run writes its .cal file and page beside the input."""
    shutil.copytree(EXAMPLES, folder / "examples")
    shutil.copytree(EXAMPLES.parent / "hasylab" / "scans", folder / "hasylab" / "scans")
    return folder / "examples"


@pytest.fixture
def examples(tmp_path):
    return copy_examples(tmp_path / "module")


def run_command_line(input_file, *options):
    return subprocess.run([KAVRO99, "run", str(input_file), *options], capture_output=True, text=True, check=True)


def assert_inline_page(frame, page):
    """A notebook's inline page: the whole self-contained page in a sandboxed frame that runs its script."""
    shown = re.fullmatch(r'<iframe sandbox="allow-scripts[^"]*" style="[^"]*" srcdoc="([^"]*)"></iframe>', frame)
    assert shown and html.unescape(shown.group(1)) == page
    assert page.startswith("<!DOCTYPE html>") and "<script>" in page
    assert not re.search(r'<(script|link|img)[^>]*(src|href)="', page)  # nothing fetched when shown
