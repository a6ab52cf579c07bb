// The names of the files a batch writes into one folder, decided over the
// whole batch before anything is written, so that a name never depends on
// the order of the inputs or on which other inputs a run was given.
#pragma once

#include <string>
#include <vector>

namespace cli {

// For each input (as named on the command line) the path of its output in
// folder (the current folder when empty), ending in ext (".png"):
//   NAME.png                 when no other input gives that name;
//   NAME.qli.png             for every input of a group that would share it
//                            (a.qli and a.hqv: a.qli.png and a.hqv.png);
//   NAME.qli-1.png, -2, ...  when even that is shared (x.qli from two
//                            folders), numbered in the sorted order of the
//                            inputs' paths.
// The same input given twice gets the same output.
std::vector<std::string> PlanOutputNames(const std::vector<std::string>& inputs, const std::string& folder,
                                         const std::string& ext);

} // namespace cli
