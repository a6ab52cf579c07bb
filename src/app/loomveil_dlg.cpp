#include "app/loomveil_dlg.h"

#include "app/app_icon.h"
#include "app/file_browsing.h"
#include "app/resource_strings.h"
#include "app/viewer_shell.h"
#include "model/print_job.h"
#include "platform/profile.h"
#include "readers/list_unit.h"
#include "writers/convert.h"

#include <QDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <chrono>
#include <filesystem>

using namespace resources;

namespace {

const char* const kSettingsSection = "CadInfo";

// The folder of path, the file name's own folder, without a separator at
// the end (the root keeps its separator).
CString FolderOf(const CString& path, const CString& name) {
    const int at = path.GetLength() - name.GetLength();
    if (name.IsEmpty() || at <= 0 || path.Mid(at) != name) return path;
    if (at == 1) return path.Left(1);
    return path.Left(at - 1);
}

double SecondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD_ABOUTBOX, pParent) {}

CLoomveilDlg::CLoomveilDlg(const CString& fileName, CWnd* pParent, std::shared_ptr<app::UserInterface> ui)
    : CDialog(IDD_LOOMVEIL_DIALOG, pParent), m_strFileInfo(fileName), m_hIcon(app::LoomveilIcon()),
      m_ui(ui ? std::move(ui) : app::MakeQtUserInterface()) {}

CLoomveilDlg::~CLoomveilDlg() {
    DestroyWindow();
}

void CLoomveilDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_FILE_INFO, m_strFileInfo);
    DDX_Text(pDX, IDC_RENDER_TIME, m_strRenderTime);
    DDX_Control(pDX, IDC_PRINT, m_btnPrint);
    DDX_Control(pDX, IDC_CONVERT, m_btnConvert);
}

BOOL CLoomveilDlg::OnCommand(int id) {
    using Handler = void (CLoomveilDlg::*)();
    struct Entry {
        int id;
        Handler handler;
    };
    static constexpr Entry kMessageMap[] = {
        {IDC_CONVERT, &CLoomveilDlg::OnConvertFormat}, {IDC_OPEN, &CLoomveilDlg::OnOpenFile},
        {IDC_PRINT, &CLoomveilDlg::OnPrintFile},       {IDC_CLOSE, &CLoomveilDlg::OnCloseFile},
        {IDC_ABOUT, &CLoomveilDlg::OnAbout},
    };
    for (const Entry& e : kMessageMap) {
        if (e.id == id) {
            (this->*e.handler)();
            return TRUE;
        }
    }
    return CDialog::OnCommand(id);
}

app::ScreenMetrics CLoomveilDlg::GetScreenMetrics() {
    return m_ui->Screen();
}

void CLoomveilDlg::ReportUncaughtException(const std::string& what) {
    m_ui->MessageBox(Window(), CString(what), MB_OK | MB_ICONERROR);
}

std::optional<DialogTemplate> CLoomveilDlg::LoadScaledTemplate() {
    const DialogTemplate* tpl = LoadDialogTemplate(m_nIDTemplate);
    if (!tpl) return std::nullopt;
    const app::ScreenMetrics screen = GetScreenMetrics();
    const QFont font = app::DialogFont(tpl->fontFace, tpl->fontPointSize, screen.dpiY);
    const QSize size = app::DialogClientSize(*tpl, app::MeasureBaseUnits(font));
    const app::FontScaling scaling = app::ScaleTemplateFont(size, screen, tpl->fontPointSize);
    DialogTemplate scaled = *tpl;
    if (scaling.changed) scaled.fontPointSize = scaling.pointSize;
    return scaled;
}

INT_PTR CLoomveilDlg::DoModal() {
    const auto tpl = LoadScaledTemplate();
    if (!tpl || !CreateIndirect(*tpl, m_pParentWnd)) return -1;
    const int result = Window()->exec();
    DestroyWindow();
    return result;
}

BOOL CLoomveilDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    m_btnPrint.EnableWindow(FALSE);
    m_btnConvert.EnableWindow(FALSE);

    if (CMenu* sys = GetSystemMenu(FALSE)) {
        // The right-click menu's close entry ends the program, unlike the
        // Close button beside the picture: it is named for what it does.
        sys->ModifyMenu(SC_CLOSE, MF_STRING, SC_CLOSE, "E&xit");
        const CString about = LoadResourceString(IDS_ABOUTBOX);
        if (!about.IsEmpty()) {
            sys->AppendMenu(MF_SEPARATOR);
            sys->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    // Enter presses the button that has the focus, and the focus starts on
    // Open File: neither Enter nor Space may end the program by accident.
    // Exit takes no part in Enter at all, even when it holds the focus.
    if (auto* exit = qobject_cast<QPushButton*>(GetDlgItem(IDOK)->GetSafeHwnd())) exit->setAutoDefault(false);
    if (CWnd* open = GetDlgItem(IDC_OPEN)) open->GetSafeHwnd()->setFocus(Qt::OtherFocusReason);

    // A file named on the command line is shown as an opened one and waits
    // for the first paint.
    if (!m_strFileInfo.IsEmpty()) {
        const QFileInfo named(m_strFileInfo.Q());
        TakeCurrentFile(CString(named.absoluteFilePath()), CString(named.fileName()));
        m_bRenderPending = TRUE;
    }
    m_shell = std::make_unique<app::ViewerShell>(*this);
    if (m_strBrowseFiles.size() > 1) {
        QStringList files;
        for (const CString& f : m_strBrowseFiles) files << QFileInfo(f.Q()).absoluteFilePath();
        m_shell->SetBrowseList(files);
    }
    // The focus is set here.
    return FALSE;
}

void CLoomveilDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        m_ui->RunModal(dlgAbout);
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CLoomveilDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        if (QPainter* p = dc.Painter()) p->eraseRect(Window()->rect());
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(&dc, x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
    // The render may have to show a message box, which cannot open while
    // the window is being painted: it runs as soon as this paint is done.
    if (m_bRenderPending) {
        m_bRenderPending = FALSE;
        PostCall([this] { RenderCurrentFile(); });
    }
}

HICON CLoomveilDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CLoomveilDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl != IDC_PICTURE) {
        CDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    CDC* pDC = lpDrawItemStruct->pDC;
    const CRect& rc = lpDrawItemStruct->rcItem;
    if (!m_bmpRender.HasBitmap()) {
        pDC->FillSolidRect(rc.left, rc.top, rc.Width(), rc.Height(), RGB(220, 220, 220));
        return;
    }
    // The view draws the picture at its zoom, or scaled while it is drawn.
    if (QPainter* p = pDC->Painter(); p && m_shell && m_shell->Paint(*p, QSize(rc.Width(), rc.Height())))
        return;
    CDC memDC;
    memDC.CreateCompatibleDC(pDC);
    CBitmap* oldBitmap = memDC.SelectObject(&m_bmpRender);
    pDC->BitBlt(0, 0, rc.Width(), rc.Height(), &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(oldBitmap);
    memDC.DeleteDC();
}

void CLoomveilDlg::RenderCurrentFile() {
    CWnd* frame = GetDlgItem(IDC_PICTURE);
    if (!frame) return;
    CRect rc;
    frame->GetClientRect(&rc);
    const int width = rc.Width();
    const int height = rc.Height();

    m_bmpRender.DeleteObject();
    CDC memDC;
    memDC.CreateCompatibleDC(nullptr);
    m_ptPrintOrigin = CPoint(0, 0);
    memDC.SetViewportOrg(0, 0);
    m_bmpRender.CreateCompatibleBitmap(&memDC, width, height);
    CBitmap* oldBitmap = memDC.SelectObject(&m_bmpRender);

    const auto t0 = std::chrono::steady_clock::now();
    const int result = RenderBitmap(&memDC, width, height);
    // The time is the render's alone, not the time a message box stays open.
    const auto t1 = std::chrono::steady_clock::now();

    if (result) {
        m_btnPrint.EnableWindow(TRUE);
        // A CDR file shows a preview picture and leaves no points to convert.
        m_btnConvert.EnableWindow(IsFileExt(m_strFileExt, "cdr") ? FALSE : TRUE);
    } else {
        // The model now holds whatever the failed read left: neither printing
        // nor converting may use it as if it were the file on screen.
        m_btnPrint.EnableWindow(FALSE);
        m_btnConvert.EnableWindow(FALSE);
        // The reason on the second line; the frame's size stays last.
        std::string reason = m_strError;
        if (QFileInfo(m_strFilePath.Q()).isDir()) reason = "is a directory";
        if (!reason.empty()) reason += '\n';
        CString text;
        text.Format("Unable to open file!\n%sWidth: %d Height : %d", reason.c_str(), width, height);
        m_ui->MessageBox(Window(), text, MB_OK | MB_ICONINFORMATION);
    }

    memDC.SelectObject(oldBitmap);
    if (m_shell) m_shell->Rendered(result != 0);
    frame->Invalidate(TRUE);
    m_strRenderTime.Format("Render time: %.2f s", SecondsBetween(t0, t1));
    UpdateData(FALSE);
    memDC.DeleteDC();
}

void CLoomveilDlg::OnOpenFile() {
    app::FileDialogRequest request;
    request.title = "Open CAD/Quilt File";
    request.filter = app::WithReadableFilters(OpenFileFilter());
    request.initialDir =
        app::OpenDialogFolder(m_strFilePath, GetProfileString(kSettingsSection, "InitPath", ""));
    request.filterIndex = GetProfileInt(kSettingsSection, "FilterIndex", 0);
    request.flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    const auto answer = m_ui->GetOpenFileName(Window(), request);
    if (!answer) return;

    const CString folder = TakeCurrentFile(answer->path, answer->fileName);
    // Remembered before the render, so a file that fails still counts.
    WriteProfileString(kSettingsSection, "InitPath", folder);
    WriteProfileInt(kSettingsSection, "FilterIndex", answer->filterIndex);
    RenderCurrentFile();
}

void CLoomveilDlg::OpenPath(const CString& path) {
    const QFileInfo named(path.Q());
    WriteProfileString(kSettingsSection, "InitPath",
                       TakeCurrentFile(CString(named.absoluteFilePath()), CString(named.fileName())));
    RenderCurrentFile();
}

CString CLoomveilDlg::TakeCurrentFile(const CString& path, const CString& name) {
    m_strFileName = name;
    m_strFilePath = path;
    const CString folder = FolderOf(m_strFilePath, m_strFileName);
    // A file that vanished after the dialog shows size 0 (and then fails).
    const QFileInfo info(m_strFilePath.Q());
    const long long size = info.exists() ? static_cast<long long>(info.size()) : 0;
    m_strFileInfo.Format("File: %s     Size (bytes): %lld\nPath: %s", m_strFileName.Utf8().c_str(), size,
                         folder.Utf8().c_str());
    UpdateData(FALSE);

    const int dot = m_strFileName.ReverseFind('.');
    m_strFileExt = dot >= 0 ? m_strFileName.Mid(dot + 1) : CString();
    m_strFileExt.MakeLower();
    return folder;
}

void CLoomveilDlg::OnConvertFormat() {
    app::FileDialogRequest request;
    request.title = writers::kConvertTitle;
    request.filter = CString(ConvertFileFilter());
    request.initialDir = GetProfileString(kSettingsSection, "InitPath", "");
    request.initialFile = writers::SuggestedConvertName(m_strFilePath);
    request.flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    // A pattern whose unit is known is written at its size unless the user
    // asks for the format's fixed span; the list is the last render's, at
    // the frame's size.
    CRect frame;
    if (CWnd* picture = GetDlgItem(IDC_PICTURE)) picture->GetClientRect(&frame);
    const units::ListUnit unit = units::UnitOfPointList(*this, frame.Width(), frame.Height());
    if (unit.Known())
        request.checkBox = "Fit to the format's fixed size instead of keeping the pattern's size";
    const auto answer = m_ui->GetSaveFileName(Window(), request);
    if (!answer) return;

    auto tell = [this](const std::string& text, UINT type) {
        m_ui->MessageBox(Window(), CString(text), type);
    };
    const writers::ConvertTarget target = writers::ResolveConvertTarget(answer->path, answer->filterIndex);
    if (!target.format) {
        tell("Unable to convert file!\nno output format for " + answer->path.Utf8(), MB_OK | MB_ICONERROR);
        return;
    }
    const std::string written = target.path.Utf8();
    // The same file also through a link or under another name: its device
    // and inode are the viewed file's.
    std::error_code ec;
    if (std::filesystem::equivalent(target.path.LocalPath(), m_strFilePath.LocalPath(), ec)) {
        tell("Unable to convert file!\n" + written + " is the file being viewed; choose another name.",
             MB_OK | MB_ICONWARNING);
        return;
    }
    // The save dialog asked about the name as typed; a name the extension
    // was appended to is asked about here.
    if (target.path != answer->path && QFileInfo::exists(target.path.Q()) &&
        m_ui->MessageBox(Window(), CString(written + " already exists.\nDo you want to replace it?"),
                         MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    if (!writers::WriteOutput(*this, *target.format, target.path,
                              unit.Known() && !answer->checked ? unit.mmPerUnit : 0)) {
        tell("Unable to convert file!\n" + m_strError, MB_OK | MB_ICONERROR);
        return;
    }
    tell("Converted to " + written, MB_OK | MB_ICONINFORMATION);
}

void CLoomveilDlg::OnPrintFile() {
    QPrinter printer(QPrinter::HighResolution);
    app::PrintChoice choice = OfferPrintChoice(printer);
    if (!m_ui->PrintDlg(Window(), printer,
                        PD_ALLPAGES | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE |
                            PD_HIDEPRINTTOFILE,
                        choice))
        return;

    struct Disabled {
        CWnd* wnd;
        explicit Disabled(CWnd* w) : wnd(w) { wnd->EnableWindow(FALSE); }
        ~Disabled() { wnd->EnableWindow(TRUE); }
    } disabled(this);
    PrintTo(printer, choice);
}

void CLoomveilDlg::OnCloseFile() {
    m_bmpRender.DeleteObject();
    if (CWnd* frame = GetDlgItem(IDC_PICTURE)) frame->Invalidate(TRUE);
    m_btnPrint.EnableWindow(FALSE);
    m_btnConvert.EnableWindow(FALSE);
    // Nothing on screen may still name the closed file.
    m_strFileInfo.Empty();
    m_strRenderTime.Empty();
    UpdateData(FALSE);
    if (m_shell) m_shell->Closed();
}

void CLoomveilDlg::OnAbout() {
    CAboutDlg dlgAbout(this);
    m_ui->RunModal(dlgAbout);
}
