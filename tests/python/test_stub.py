"""The typing stub beside the module declares what the module has."""
import ast
import os

import xkiv


def test_stub_declares_every_camera_member_and_error():
    with open(os.path.join(os.path.dirname(xkiv.__file__), "xkiv.pyi")) as stub:
        tree = ast.parse(stub.read())
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    declared = {node.name for node in classes["Camera"].body if isinstance(node, ast.FunctionDef)}
    public = {name for name in dir(xkiv.Camera) if not name.startswith("_")}
    assert public <= declared
    assert {"Error", "AutomationError", "ResultError", "ProfileError"} <= set(classes)
