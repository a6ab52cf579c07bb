// loomveil-cli: the viewer's readers, writers and drawing without a window.
#include "cli/cli.h"

#include <cstdio>
#include <string_view>

namespace {

struct Command {
    std::string_view name;
    int (*run)(int argc, char** argv);
    std::string_view summary;
};

constexpr Command kCommands[] = {
    {"render", cli::RunRender, "render IN... [-o OUT.png | -d DIR] [--size WxH]   draw files to pictures"},
    {"convert", cli::RunConvert, "convert IN... --to FMT [-o OUT | -d DIR]           write other formats"},
    {"info", cli::RunInfo,
     "info IN... [--json]                                format, points, strokes, extent"},
    {"print", cli::RunPrint,
     "print IN... [-o OUT.pdf | -d DIR]                 the viewer's printed page, as PDF"},
    {"export", cli::RunExport,
     "export IN... --svg|--pdf [-o OUT | -d DIR]         strokes as vectors, fitted or --true-size"},
    {"thumbnail", cli::RunThumbnail,
     "thumbnail IN OUT.png [--size N]                    a square picture for file managers"},
};

int Help(std::FILE* out) {
    std::fprintf(out, "usage: loomveil-cli COMMAND [OPTIONS] FILE...\n\ncommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %.*s\n", static_cast<int>(c.summary.size()), c.summary.data());
    std::fprintf(out, "\nEvery command takes -j N, -q, -v and --format EXT; '-' reads standard input\n"
                      "and '-o -' writes standard output.\n"
                      "'loomveil-cli COMMAND --help' describes one command; --version tells the version.\n"
                      "Exit status: 0 when every file succeeded, 1 when one failed, 2 for usage errors.\n");
    return out == stdout ? cli::kExitOk : cli::kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Help(stderr);
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") return Help(stdout);
    if (name == "--version" || name == "-V") {
        std::printf("loomveil-cli %s\n", LOOMVEIL_VERSION);
        return cli::kExitOk;
    }
    for (const Command& c : kCommands)
        if (c.name == name) return c.run(argc, argv);
    cli::UsageError("unknown command '" + std::string(name) + "' (see --help)");
    return cli::kExitUsage;
}
