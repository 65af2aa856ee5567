// Hooks a fuzz target may define beside LLVMFuzzerTestOneInput. Both are optional.
//
// No corpus files are kept in the tree (no binary files): a target builds its seed inputs in
// code, and may name tokens that the driver's mutations insert.
#pragma once

#include <string>
#include <vector>

// Seed inputs the target builds itself (used by the bounded driver; the libFuzzer build
// starts from its own corpus folders).
__attribute__((weak)) std::vector<std::string> mokselFuzzSeeds();
// Byte strings worth inserting while mutating (box types, separators, field letters).
__attribute__((weak)) std::vector<std::string> mokselFuzzDictionary();
