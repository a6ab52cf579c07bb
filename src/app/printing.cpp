// Printing the current file: the printer named for it, the layout chosen
// (the fitted page, or true size over several sheets), and Qt's print
// preview over the same printing.
#include "app/loomveil_dlg.h"
#include "app/viewer_shell.h"
#include "model/print_job.h"
#include "model/units.h"
#include "readers/list_unit.h"

#include <QAction>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>

app::PrintChoice CLoomveilDlg::OfferPrintChoice(QPrinter& printer) {
    // The print dialog offers "<name>.pdf" for a PDF; with no printer on
    // the system that is the only output, so it goes beside the pattern.
    printer.setDocName(m_strFileName.Q());
    if (QPrinterInfo::availablePrinters().isEmpty() && !m_strFilePath.IsEmpty()) {
        const QFileInfo file(m_strFilePath.Q());
        printer.setOutputFileName(file.absolutePath() + "/" + file.completeBaseName() + ".pdf");
    }
    app::PrintChoice choice;
    if (m_shell && m_shell->Facts().mmPerUnit > 0) {
        choice.trueSizeAvailable = true;
    } else {
        const units::ListUnit unit =
            units::UnitOfPointList(*this, m_bmpRender.Image().width(), m_bmpRender.Image().height());
        choice.trueSizeAvailable = unit.Known();
        choice.trueSizeWhy = QString::fromStdString(unit.why);
    }
    return choice;
}

void CLoomveilDlg::PrintTo(QPrinter& printer, const app::PrintChoice& choice) {
    // The DC's origin and extent are the printable area, as on a printer's
    // own DC: the page's margins are the printer's unprintable edges, and
    // the one-inch margins are measured from them.
    printer.setFullPage(false);
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());

    CDC dc;
    dc.AttachPagedDevice(&printer, {[&printer](const QString& name) { printer.setDocName(name); },
                                    [&printer] { printer.abort(); }});
    if (!choice.trueSize) {
        PrintCurrentFile(*this, &dc, m_ptPrintOrigin);
        return;
    }
    std::string why;
    const double mmPerUnit = PrepareTrueSize(*this, &why);
    const TruePrintOutcome outcome =
        mmPerUnit > 0 ? PrintTrueSize(*this, &dc, mmPerUnit) : TruePrintOutcome{};
    if (!outcome.started) {
        if (why.empty()) why = outcome.why;
        m_ui->MessageBox(Window(), CString("Unable to print at true size!\n" + why), MB_OK | MB_ICONWARNING);
    }
}

void CLoomveilDlg::OnPrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    app::PrintChoice choice = OfferPrintChoice(printer);
    QPrintPreviewDialog dialog(&printer, Window());
    dialog.setWindowTitle("Print Preview — " + m_strFileName.Q());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &choice](QPrinter* p) { PrintTo(*p, choice); });
    // The layout is chosen on the preview's own toolbar.
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    if (auto* bar = dialog.findChild<QToolBar*>(); bar && preview) {
        bar->addSeparator();
        QAction* trueSize = bar->addAction("True size");
        trueSize->setCheckable(true);
        trueSize->setEnabled(choice.trueSizeAvailable);
        trueSize->setToolTip(choice.trueSizeAvailable
                                 ? "The pattern at 1:1, tiled over as many sheets as it needs"
                                 : "Not available: " + choice.trueSizeWhy);
        QObject::connect(trueSize, &QAction::toggled, &dialog, [&choice, preview](bool on) {
            choice.trueSize = on;
            preview->updatePreview();
        });
    }
    m_ui->RunPreview(dialog);
}
