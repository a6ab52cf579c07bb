#include "app/user_interface.h"

#include "app/wnd.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace app {

std::vector<FileFilter> ParseFilterString(const CString& filter) {
    std::vector<FileFilter> out;
    const QStringList parts = filter.Q().split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break; // the closing "||"
        out.push_back({parts[i], parts[i + 1].split(';', Qt::SkipEmptyParts)});
    }
    return out;
}

QStringList QtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) out << f.description + " (" + f.patterns.join(' ') + ")";
    return out;
}

namespace {

class QtUserInterface : public UserInterface {
public:
    std::optional<FileDialogAnswer> GetOpenFileName(QWidget* parent, const FileDialogRequest& r) override {
        return Run(parent, r, QFileDialog::AcceptOpen);
    }
    std::optional<FileDialogAnswer> GetSaveFileName(QWidget* parent, const FileDialogRequest& r) override {
        return Run(parent, r, QFileDialog::AcceptSave);
    }

    bool PrintDlg(QWidget* parent, QPrinter& printer, DWORD flags, PrintChoice& choice) override {
        QPrintDialog dialog(&printer, parent);
        // The layout, on a tab of the dialog's own.
        auto* tab = new QWidget;
        tab->setWindowTitle("Layout");
        auto* fit = new QRadioButton("Fit the pattern on one page", tab);
        auto* trueSize =
            new QRadioButton("True size: the pattern at 1:1, tiled over as many sheets as it needs", tab);
        fit->setChecked(!choice.trueSize || !choice.trueSizeAvailable);
        trueSize->setChecked(choice.trueSize && choice.trueSizeAvailable);
        trueSize->setEnabled(choice.trueSizeAvailable);
        if (!choice.trueSizeAvailable) trueSize->setToolTip("Not available: " + choice.trueSizeWhy);
        auto* box = new QVBoxLayout(tab);
        box->addWidget(fit);
        box->addWidget(trueSize);
        box->addStretch();
        dialog.setOptionTabs({tab});
        dialog.setOption(QAbstractPrintDialog::PrintSelection, !(flags & PD_NOSELECTION));
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & PD_NOPAGENUMS));
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        // Qt's dialog offers PDF output as its file printer; without a
        // system PDF printer that is the only way to a PDF, so it stays.
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
        if (dialog.exec() != QDialog::Accepted) return false;
        choice.trueSize = trueSize->isChecked();
        return true;
    }

    int MessageBox(QWidget* parent, const CString& text, UINT type) override {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        switch (type & 0xF0) {
        case MB_ICONINFORMATION:
            icon = QMessageBox::Information;
            break;
        case MB_ICONWARNING:
            icon = QMessageBox::Warning;
            break;
        case MB_ICONERROR:
            icon = QMessageBox::Critical;
            break;
        default:
            break;
        }
        if ((type & 0x0F) == MB_YESNO) {
            QMessageBox box(icon, QStringLiteral("Loomveil"), text.Q(), QMessageBox::Yes | QMessageBox::No,
                            parent);
            box.setDefaultButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
        }
        QMessageBox box(icon, QStringLiteral("Loomveil"), text.Q(), QMessageBox::Ok, parent);
        box.exec();
        return IDOK;
    }

    long long RunModal(CDialog& dialog) override { return dialog.DoModal(); }
    void RunPreview(QPrintPreviewDialog& preview) override { preview.exec(); }

    ScreenMetrics Screen() override { return PrimaryScreenMetrics(); }

private:
    static std::optional<FileDialogAnswer> Run(QWidget* parent, const FileDialogRequest& r,
                                               QFileDialog::AcceptMode mode) {
        QFileDialog dialog(parent, r.title.Q(), r.initialDir.Q());
        dialog.setAcceptMode(mode);
        // Without a must-exist flag a typed name is taken as it is.
        dialog.setFileMode(QFileDialog::AnyFile);
        // The list shows the descriptions only; the patterns come from
        // the filter string's own pattern column.
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        if (mode == QFileDialog::AcceptSave && !(r.flags & OFN_OVERWRITEPROMPT))
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        const std::vector<FileFilter> parsed = ParseFilterString(r.filter);
        const QStringList filters = QtNameFilters(parsed);
        dialog.setNameFilters(filters);
        if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[r.filterIndex - 1]);
        if (!r.initialFile.IsEmpty()) dialog.selectFile(r.initialFile.Q());
        // The platform's own dialog takes no extra controls; Qt's lays its
        // parts out on a grid, to which a row is added.
        QCheckBox* box = nullptr;
        if (!r.checkBox.IsEmpty()) {
            dialog.setOption(QFileDialog::DontUseNativeDialog, true);
            if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
                box = new QCheckBox(r.checkBox.Q(), &dialog);
                box->setChecked(r.checked);
                grid->addWidget(box, grid->rowCount(), 0, 1, -1);
            }
        }
        // Room for long names and whole sizes: the name column takes the
        // width, the others their contents'.
        dialog.setViewMode(QFileDialog::Detail);
        dialog.resize(std::max(dialog.width(), 900), std::max(dialog.height(), 560));
        if (auto* view = dialog.findChild<QTreeView*>()) {
            QHeaderView* header = view->header();
            header->setStretchLastSection(false);
            header->setSectionResizeMode(QHeaderView::ResizeToContents);
            header->setSectionResizeMode(0, QHeaderView::Stretch);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;

        FileDialogAnswer a;
        a.checked = box ? box->isChecked() : r.checked;
        a.path = CString(QDir::toNativeSeparators(dialog.selectedFiles().front()));
        a.fileName = CString(QFileInfo(a.path.Q()).fileName());
        // With the details hidden, Qt names the filter by its description.
        const QString chosen = dialog.selectedNameFilter();
        for (std::size_t i = 0; i < parsed.size(); ++i)
            if (chosen == filters[static_cast<qsizetype>(i)] || chosen == parsed[i].description)
                a.filterIndex = static_cast<int>(i) + 1;
        return a;
    }
};

} // namespace

std::shared_ptr<UserInterface> MakeQtUserInterface() {
    return std::make_shared<QtUserInterface>();
}

} // namespace app
