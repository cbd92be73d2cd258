import ast
import pathlib

import kavro


def stub_names():
    """The names of the type stub: top-level and per class."""
    tree = ast.parse((pathlib.Path(kavro.__file__).parent / "_kavro.pyi").read_text())
    names, members = set(), {}
    for node in tree.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.Assign) and not node.targets[0].id.startswith("_"):
            names.add(node.targets[0].id)
        if isinstance(node, ast.ClassDef):
            members[node.name] = {n.name if isinstance(n, ast.FunctionDef) else n.target.id for n in node.body
                                  if isinstance(n, (ast.FunctionDef, ast.AnnAssign))}
    return names, members


def test_the_type_stub_names_every_name_of_the_module():
    names, members = stub_names()
    assert names == set(kavro.__all__)
    for name, stubbed in members.items():
        cls = getattr(kavro, name)
        if issubclass(cls, Exception):
            continue
        public = {a for a in vars(cls) if not a.startswith("_") or a == "_repr_html_"}
        assert stubbed - {"__init__"} == public, name
