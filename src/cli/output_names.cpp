#include "cli/output_names.h"

#include <filesystem>
#include <map>
#include <set>

namespace cli {

namespace {

namespace fs = std::filesystem;

// The distinct inputs that want each name, in sorted order.
std::map<std::string, std::set<std::string>> Claims(const std::vector<std::string>& inputs,
                                                    const std::vector<std::string>& names) {
    std::map<std::string, std::set<std::string>> claims;
    for (std::size_t i = 0; i < inputs.size(); ++i) claims[names[i]].insert(inputs[i]);
    return claims;
}

} // namespace

std::vector<std::string> PlanOutputNames(const std::vector<std::string>& inputs, const std::string& folder,
                                         const std::string& ext) {
    const fs::path dir = folder.empty() ? fs::path() : fs::path(folder);
    std::vector<std::string> names, full;
    for (const std::string& input : inputs) {
        const fs::path name = fs::path(input).filename();
        names.push_back((dir / fs::path(name).replace_extension(ext)).string());
        full.push_back((dir / name).string());
    }
    // Names wanted by more than one input keep the input's own extension.
    const auto plain = Claims(inputs, names);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (plain.at(names[i]).size() > 1) names[i] = full[i] + ext;
    // Still shared: numbered in the sorted order of the inputs.
    const auto kept = Claims(inputs, names);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::set<std::string>& group = kept.at(names[i]);
        if (group.size() < 2) continue;
        const auto rank = std::distance(group.begin(), group.find(inputs[i])) + 1;
        names[i] = full[i] + "-" + std::to_string(rank) + ext;
    }
    return names;
}

} // namespace cli
