"""The layer check must catch what it is there for: a planted include of a later layer, named
by file and line, in a tree that otherwise passes, with the layer order read from the build."""
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
        self.layers = ["base", "config", "store", "net", "desktop", "app", "ui"]
        for layer in self.layers:
            os.makedirs(os.path.join(self.root.name, layer))
        self.write("CMakeLists.txt", "project(X)\nset(KESTRANE_LAYERS " + " ".join(self.layers) + ")\n")
        self.write("base/text.h", '#pragma once\n#include <string>\n')
        self.write("net/fetch.cpp", '#include "net/fetch.h"\n#include "base/text.h"\n#include "config/settings.h"\n')
        self.write("ui/main.cpp", '#include "app/controller.h"\n#include "resources/resource.h"\n')
        self.write("ui/options/page.cpp", '#include "ui/main.h"\n#include "ui/options/page.h"\n#include "app/iui.h"\n')

    def tearDown(self):
        self.root.cleanup()

    def write(self, relative, text):
        os.makedirs(os.path.dirname(os.path.join(self.root.name, relative)), exist_ok=True)
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
        self.write("desktop/frame/fit.cpp", '#include "desktop/frame.h"\n#include "ui/options/page.h"\n')
        found = check_layers.violations(self.root.name, check_layers.read_layers(self.root.name))
        self.assertEqual(len(found), 3, found)
        self.assertTrue(any(entry.startswith("base/log.h:1:") for entry in found), found)
        self.assertTrue(any(entry.startswith("desktop/frame.h:1:") for entry in found), found)
        self.assertTrue(any(entry.startswith("desktop/frame/fit.cpp:2:") for entry in found), found)

    def test_an_include_from_a_folder_outside_the_layers_fails(self):
        self.write("app/cycle.cpp", '#include "core/settings.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn('app/cycle.cpp:1: includes "core/settings.h" from core/, which is not a layer', result.stdout)

    def test_the_order_comes_from_the_build(self):
        self.assertEqual(check_layers.read_layers(self.root.name), self.layers)
        self.write("desktop/wallpaper.cpp", '#include "net/fetch.h"\n')
        self.assertEqual(self.run_check().returncode, 0)
        # The same tree against an order with desktop/ before net/.
        self.write("CMakeLists.txt", "set(KESTRANE_LAYERS base config store desktop net app ui)\n")
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn('desktop/wallpaper.cpp:1: desktop/ may not include "net/fetch.h"', result.stdout)
        self.write("CMakeLists.txt", "project(X)\n")
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn("sets no KESTRANE_LAYERS", result.stdout)


if __name__ == "__main__":
    unittest.main()
