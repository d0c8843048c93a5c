// The seam for the layout documents (layout_main, layout_about, layout_watermark). They are
// not fuzzed: desktop/skin/drawn_layout.h is a placeholder whose Load reads nothing, so there is
// no parser to feed. When DrawnLayout parses documents, return a harness here that loads
// each input through it and checks what it keeps against the layout's own rules, add it to
// MakeHarnesses, and put seeds in tests/fuzz/corpus/layout/ (the shipped
// resources/layout_*.xml are good ones).
#include "fuzz/harness.h"

std::unique_ptr<Harness> MakeLayoutHarness() { return nullptr; }
