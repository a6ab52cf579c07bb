// loomveil-cli print: the viewer's printed page, onto a PDF file.
#include "cli/batch.h"
#include "cli/render_file.h"
#include "model/print_job.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kPrintHelp =
    "usage: loomveil-cli print IN... [-o OUT.pdf | -d DIR] [--page A4|Letter]\n"
    "Prints each file on one PDF page as the viewer's Print File does: the file\n"
    "name centred at the top, the pattern below it within one-inch margins; the\n"
    "PDF's title is the file's name. To OUT.pdf (one input; '-' is standard\n"
    "output), into DIR, or into the current folder, as NAME.pdf. A file that\n"
    "cannot be read leaves no PDF. Prints the path of each PDF written.\n"
    "  --page A4|Letter   paper size (default A4)\n"
    "  --true-size        the pattern at 1:1 over as many pages as it needs: a cover\n"
    "                     with 1-inch and 2-cm check squares and a map of the\n"
    "                     sheets, then one page per sheet (where the unit is known)\n";

// A PDF page is printable to its edges; 1200 dots per inch, as a printer's
// high resolution.
constexpr int kPdfResolution = 1200;
} // namespace

int RunPrint(int argc, char** argv) {
    const auto args = ParseArgs(
        argc, argv, 2,
        {{"--output", true, "-o"}, {"--dir", true, "-d"}, {"--page", true}, {"--true-size", false}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kPrintHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("print: no input files (see print --help)");
    const std::string page = Lower(args->Get("--page", "a4"));
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    if (page == "letter")
        pageSize = QPageSize::Letter;
    else if (page != "a4")
        return UsageError("print: --page wants A4 or Letter");

    const bool trueSize = args->Has("--true-size");

    return RunBatch(
        *args, {.command = "print", .outputExt = ".pdf", .needsFonts = true},
        [&](CLoomveilDoc& doc, const Input& input, const std::string& output) -> Outcome {
            SetCurrentInput(doc, input);
            QByteArray pdf;
            PrintOutcome outcome;
            std::string why;
            const double mmPerUnit = trueSize ? PrepareTrueSize(doc, &why) : 0;
            if (trueSize && mmPerUnit <= 0) return Failed(input.name, "no true size: " + why);
            {
                QBuffer buffer(&pdf);
                buffer.open(QIODevice::WriteOnly);
                QPdfWriter writer(&buffer);
                writer.setResolution(kPdfResolution);
                writer.setPageLayout(
                    QPageLayout(QPageSize(pageSize), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
                writer.setCreator("Loomveil");
                CDC dc;
                dc.AttachPagedDevice(&writer,
                                     {[&writer](const QString& name) { writer.setTitle(name); }, {}});
                if (trueSize) {
                    const TruePrintOutcome tiled = PrintTrueSize(doc, &dc, mmPerUnit);
                    if (!tiled.started) why = tiled.why;
                    outcome.renderResult = tiled.started ? 1 : 0;
                    outcome.finished = tiled.finished;
                } else {
                    CPoint printOrigin;
                    outcome = PrintCurrentFile(doc, &dc, printOrigin);
                }
                dc.DeleteDC();
            }
            // The window prints the header alone; a command that made a page
            // without the pattern would only hide the failure.
            if (!outcome.renderResult) {
                if (!why.empty()) return Failed(input.name, "no true size: " + why);
                return Failed(input.name, doc.m_strError.empty() ? "unable to open file" : doc.m_strError);
            }
            if (!outcome.finished) return Failed(output, "cannot write the page");
            if (const std::string err = WriteWholeFile(output, pdf); !err.empty()) return Failed(output, err);
            return Reported(output);
        });
}

} // namespace cli
