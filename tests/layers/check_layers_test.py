"""The layer check must catch what it is there for: a planted include of a later layer, named
by file and line, in a tree that otherwise passes."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import check_layers  # noqa: E402

SCRIPT = os.path.join(os.path.dirname(__file__), "check_layers.py")


class LayerCheck(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.TemporaryDirectory()
        for layer in check_layers.LAYERS:
            os.makedirs(os.path.join(self.root.name, layer))
        self.write("base/text.h", '#pragma once\n#include <string>\n')
        self.write("net/fetch.cpp", '#include "net/fetch.h"\n#include "base/text.h"\n#include "config/settings.h"\n')
        self.write("ui/main.cpp", '#include "app/controller.h"\n#include "resources/resource.h"\n')

    def tearDown(self):
        self.root.cleanup()

    def write(self, relative, text):
        with open(os.path.join(self.root.name, relative), "w", encoding="utf-8") as file:
            file.write(text)

    def run_check(self):
        return subprocess.run([sys.executable, SCRIPT, self.root.name], capture_output=True, text=True)

    def test_a_tree_that_keeps_the_order_passes(self):
        result = self.run_check()
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_a_planted_include_of_a_later_layer_fails_naming_file_and_line(self):
        self.write("store/package.cpp", '#include "store/package.h"\n\n  #  include "net/downloader.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn('store/package.cpp:3: store/ may not include "net/downloader.h"', result.stdout)

    def test_headers_and_every_layer_pair_are_looked_at(self):
        self.write("base/log.h", '#include "ui/window.h"\n')
        self.write("desktop/frame.h", '#include "app/iui.h"\n')
        found = check_layers.violations(self.root.name)
        self.assertEqual(len(found), 2, found)
        self.assertTrue(any(entry.startswith("base/log.h:1:") for entry in found), found)
        self.assertTrue(any(entry.startswith("desktop/frame.h:1:") for entry in found), found)

    def test_an_include_from_a_folder_outside_the_layers_fails(self):
        self.write("app/cycle.cpp", '#include "core/settings.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn('app/cycle.cpp:1: includes "core/settings.h" from core/, which is not a layer', result.stdout)


if __name__ == "__main__":
    unittest.main()
