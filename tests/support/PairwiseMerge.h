#pragma once

#include <string>

// AppendNewEntries done the plain way: every new name is compared with every
// name of the list. Quadratic; the reference that tests and benchmarks hold
// the keyed merge against, never part of the program.
void AppendNewEntriesPairwise(std::string& listText, const std::string& newText);
