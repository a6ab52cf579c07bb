// The loop every command runs over its inputs, with the conventions they
// share: -o / -d, standard input and output as "-", the check that no
// output is one of the inputs, -j parallel work, -q / -v, progress on a
// terminal and the closing summary.
#pragma once

#include "cli/cli.h"

#include <functional>
#include <optional>
#include <string>

class CLoomveilDoc;

namespace cli {

// One input: the name the user gave (for messages and output names), the
// path to read (a copy of standard input for "-") and the reader to use
// (--format, lower case without the dot; empty: the file's extension).
struct Input {
    std::string name;
    std::string path;
    std::string format;
};

// Why one input's work failed: the file the message names (the input, or
// the output that could not be written) and the reason.
struct Failure {
    std::string file;
    std::string reason;
};

// What one input's job gives back.
struct Outcome {
    std::optional<Failure> failure = {};
    std::string report = {}; // for stdout: the path written, info's line
    double seconds = 0;
};
inline Outcome Failed(std::string file, std::string reason) {
    return {Failure{std::move(file), std::move(reason)}};
}
inline Outcome Reported(std::string report) {
    Outcome o;
    o.report = std::move(report);
    return o;
}

// One input's work: reads input into doc (RenderFile) and writes output
// (empty for a command that writes no files). Jobs of one batch run on
// several threads at once, each with its own document.
using InputJob = std::function<Outcome(CLoomveilDoc& doc, const Input& input, const std::string& output)>;

struct BatchSpec {
    std::string_view command;
    // Extension of the outputs named after their inputs (".png"); empty
    // for a command that writes no files.
    std::string outputExt = {};
    // The command draws text for every input (the print header), so fonts
    // are needed whatever the format.
    bool needsFonts = false;
    // A success in the summary: "12 written".
    std::string_view doneWord = "written";
    // Gets each outcome on the main thread in input order, after a failure
    // was reported; by default the report is printed on stdout.
    std::function<void(const Input&, const Outcome&)> onOutcome = {};
};

// Runs job for every input. Usage errors exit with 2; otherwise the status
// is 0 only when every input worked. Output order and status do not depend
// on -j.
int RunBatch(const Args& args, const BatchSpec& spec, const InputJob& job);

} // namespace cli
