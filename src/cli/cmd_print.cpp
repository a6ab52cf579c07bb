// loomveil-cli print: the viewer's printed page, onto a PDF file.
#include "cli/cli.h"
#include "model/print_job.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kPrintHelp =
    "usage: loomveil-cli print IN -o OUT.pdf [--page A4|Letter]\n"
    "Prints the file on one PDF page as the viewer's Print File does: the file\n"
    "name centred at the top, the pattern below it within one-inch margins.\n"
    "Prints the path of the PDF written.\n"
    "  --page A4|Letter   paper size (default A4)\n";

// A PDF page is printable to its edges; 1200 dots per inch, as a printer's
// high resolution.
constexpr int kPdfResolution = 1200;
} // namespace

int RunPrint(int argc, char** argv) {
    const auto args =
        ParseArgs(argc, argv, 2, {{"--output", true, "-o"}, {"--page", true}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::fputs(kPrintHelp, stdout);
        return kExitOk;
    }
    if (args->inputs.size() != 1) return UsageError("print: give one input file (see print --help)");
    const std::string out = args->Get("--output");
    if (out.empty()) return UsageError("print: -o OUT.pdf is required");
    const std::string page = args->Get("--page", "A4");
    QPageSize pageSize;
    if (page == "A4" || page == "a4")
        pageSize = QPageSize(QPageSize::A4);
    else if (page == "Letter" || page == "letter")
        pageSize = QPageSize(QPageSize::Letter);
    else
        return UsageError("print: --page wants A4 or Letter");

    const std::string& input = args->inputs.front();
    EnsureGuiApplication(); // fonts
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(input));

    QSaveFile file(QString::fromStdString(out));
    if (!file.open(QIODevice::WriteOnly)) {
        ReportError(out, file.errorString().toStdString());
        return kExitFailed;
    }
    PrintOutcome outcome;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setCreator("Loomveil");
        CDC dc;
        dc.AttachPagedDevice(&writer, {[&writer](const QString& name) { writer.setTitle(name); }, {}});
        CPoint printOrigin;
        outcome = PrintCurrentFile(doc, &dc, printOrigin);
        dc.DeleteDC();
    }
    if (!outcome.renderResult) {
        // The window prints the header alone; a command that made a page
        // without the pattern would only hide the failure.
        file.cancelWriting();
        ReportError(input, doc.m_strError.empty() ? "unable to open file" : doc.m_strError);
        return kExitFailed;
    }
    if (!outcome.finished) {
        file.cancelWriting();
        ReportError(out, "cannot write the page");
        return kExitFailed;
    }
    if (!file.commit()) {
        ReportError(out, file.errorString().toStdString());
        return kExitFailed;
    }
    std::printf("%s\n", out.c_str());
    return kExitOk;
}

} // namespace cli
