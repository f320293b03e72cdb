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
    errors = {"Error", "AutomationError", "ResultError", "ProfileError", "FileError",
              "CameraOffline", "Timeout", "Refused"}
    assert errors <= set(classes)
    assert all(isinstance(getattr(xkiv, name), type) for name in errors)
    # Only what the module has is public in the stub.
    assigned = {target.id for node in tree.body if isinstance(node, ast.Assign)
                for target in node.targets if isinstance(target, ast.Name)}
    assert {name for name in assigned if not name.startswith("_")} <= set(dir(xkiv))
