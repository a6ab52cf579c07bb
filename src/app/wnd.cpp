#include "app/wnd.h"

#include "app/app_icon.h"
#include "platform/file.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <exception>

namespace {

// The dialog's own window: its messages go to the CDialog that owns it.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog* owner, QWidget* parent, Qt::WindowFlags flags)
        : QDialog(parent, flags), m_owner(owner) {}

    void accept() override { m_owner->HandleCommand(IDOK); }
    void reject() override { m_owner->HandleCommand(IDCANCEL); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_owner->HandlePaint(&painter);
    }

    // Qt has no way into the window manager's menu of a window, so the
    // system menu opens on a right click on the dialog itself.
    void contextMenuEvent(QContextMenuEvent* e) override {
        CMenu* sys = m_owner->GetSystemMenu(FALSE);
        if (!sys) return;
        QMenu menu(this);
        for (const CMenu::Entry& entry : sys->Entries()) {
            if (entry.flags & MF_SEPARATOR) {
                menu.addSeparator();
                continue;
            }
            const UINT id = entry.id;
            menu.addAction(entry.text.Q(), this, [this, id] { m_owner->HandleSysCommand(id); });
        }
        menu.exec(e->globalPos());
    }

private:
    CDialog* m_owner;
};

// An owner-drawn static: its border, then whatever OnDrawItem paints in
// the client area inside it.
class OwnerDrawFrame : public QFrame {
public:
    OwnerDrawFrame(CDialog* owner, int id, QWidget* parent) : QFrame(parent), m_owner(owner), m_id(id) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        const QRect client = contentsRect();
        QPainter painter(this);
        painter.translate(client.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), client.size()));
        CDC dc;
        dc.AttachPainter(&painter);
        DRAWITEMSTRUCT dis;
        dis.CtlID = static_cast<UINT>(m_id);
        dis.pDC = &dc;
        dis.rcItem = CRect(0, 0, client.width(), client.height());
        m_owner->HandleDrawItem(&dis);
        dc.DeleteDC();
    }

private:
    CDialog* m_owner;
    int m_id;
};

QWidget* CreateControl(CDialog* owner, const resources::DialogControl& c, QWidget* parent) {
    using resources::ControlKind;
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::OwnerDrawFrame:
        return new OwnerDrawFrame(owner, c.id, parent);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, parent);
        if (c.kind == ControlKind::DefPushButton) button->setDefault(true);
        const int id = c.id;
        QObject::connect(button, &QPushButton::clicked, parent, [owner, id] { owner->HandleCommand(id); });
        return button;
    }
    case ControlKind::Icon: {
        // An icon control takes the icon's own size.
        auto* label = new QLabel(parent);
        label->setPixmap(app::LoomveilIconPixmap(GetSystemMetrics(SM_CXICON)));
        return label;
    }
    }
    return nullptr;
}

} // namespace

int GetSystemMetrics(int index) {
    return index == SM_CXICON || index == SM_CYICON ? 32 : 0;
}

// CWnd

BOOL CWnd::EnableWindow(BOOL enable) {
    if (!m_hWnd) return FALSE;
    const BOOL wasDisabled = m_hWnd->isEnabled() ? FALSE : TRUE;
    m_hWnd->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd && m_hWnd->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    return m_hWnd && m_hWnd->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const {
    return m_hWnd && m_hWnd->isMinimized() ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int cmd) {
    if (!m_hWnd) return FALSE;
    const BOOL wasVisible = IsWindowVisible();
    m_hWnd->setVisible(cmd != SW_HIDE);
    return wasVisible;
}

void CWnd::GetClientRect(CRect* rect) const {
    const QRect r = m_hWnd ? m_hWnd->contentsRect() : QRect();
    *rect = CRect(0, 0, r.width(), r.height());
}

void CWnd::Invalidate(BOOL /*erase*/) {
    // Qt repaints a widget's background with it, so erasing is implied.
    if (m_hWnd) m_hWnd->update();
}

void CWnd::SetWindowText(const CString& text) {
    if (!m_hWnd) return;
    if (auto* label = qobject_cast<QLabel*>(m_hWnd.data()))
        label->setText(text.Q());
    else if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd.data()))
        button->setText(text.Q());
    else
        m_hWnd->setWindowTitle(text.Q());
}

CString CWnd::GetWindowText() const {
    if (!m_hWnd) return {};
    if (auto* label = qobject_cast<QLabel*>(m_hWnd.data())) return CString(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd.data())) return CString(button->text());
    return CString(m_hWnd->windowTitle());
}

// CMenu

BOOL CMenu::AppendMenu(UINT flags, UINT id, const CString& text) {
    m_entries.push_back({flags, id, text});
    return TRUE;
}

BOOL CMenu::ModifyMenu(UINT id, UINT flags, UINT newId, const CString& text) {
    for (Entry& e : m_entries) {
        if (e.id != id || (e.flags & MF_SEPARATOR)) continue;
        e = {flags, newId, text};
        return TRUE;
    }
    return FALSE;
}

// Data exchange

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    CWnd* control = pDX->m_pDlgWnd->GetDlgItem(id);
    if (!control) return;
    if (pDX->m_bSaveAndValidate)
        value = control->GetWindowText();
    else
        control->SetWindowText(value);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.m_hWnd) return;
    if (CWnd* item = pDX->m_pDlgWnd->GetDlgItem(id)) control.m_hWnd = item->m_hWnd;
}

// CDialog

const resources::DialogTemplate* LoadDialogTemplate(int id) {
    if (id == resources::IDD_LOOMVEIL_DIALOG) return &resources::MainDialogTemplate();
    if (id == resources::IDD_ABOUTBOX) return &resources::AboutDialogTemplate();
    return nullptr;
}

CDialog::CDialog(int templateId, CWnd* pParent) : m_nIDTemplate(templateId), m_pParentWnd(pParent) {}

CDialog::~CDialog() {
    DestroyWindow();
}

QDialog* CDialog::Window() const {
    return m_wnd.get();
}

QFont CDialog::GetDialogFont() const {
    return m_wnd ? m_wnd->font() : QFont();
}

INT_PTR CDialog::DoModal() {
    const resources::DialogTemplate* tpl = LoadDialogTemplate(m_nIDTemplate);
    if (!tpl || !CreateIndirect(*tpl, m_pParentWnd)) return -1;
    m_wnd->setModal(true);
    const int result = m_wnd->exec();
    DestroyWindow();
    return result;
}

BOOL CDialog::CreateIndirect(const resources::DialogTemplate& tpl, CWnd* pParent) {
    DestroyWindow();
    m_template = tpl;
    if (pParent) m_pParentWnd = pParent;
    m_dpiY = GetScreenMetrics().dpiY;
    const QFont font = app::DialogFont(tpl.fontFace, tpl.fontPointSize, m_dpiY);
    m_baseUnits = app::MeasureBaseUnits(font);

    // A caption, a system menu and a modal frame; never resizable.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (tpl.minimizeBox) flags = (flags & ~Qt::Dialog) | Qt::Window | Qt::WindowMinimizeButtonHint;
    QWidget* parentWidget = m_pParentWnd ? m_pParentWnd->m_hWnd.data() : nullptr;
    m_wnd = std::make_unique<DialogWindow>(this, parentWidget, flags);
    m_hWnd = m_wnd.get();
    m_wnd->setWindowTitle(QString::fromUtf8(tpl.title));
    m_wnd->setFont(font);
    m_wnd->setFixedSize(app::DialogClientSize(tpl, m_baseUnits));

    for (const resources::DialogControl& c : tpl.controls) {
        QWidget* w = CreateControl(this, c, m_wnd.get());
        if (!w) continue;
        w->setGeometry(app::ControlRect(c, m_baseUnits));
        w->setEnabled(!c.disabled);
        if (c.id > 0) {
            auto item = std::make_unique<CWnd>();
            item->m_hWnd = w;
            m_items[c.id] = std::move(item);
        }
    }

    m_systemMenu = CMenu();
    if (tpl.minimizeBox) m_systemMenu.AppendMenu(MF_STRING, SC_MINIMIZE, "Mi&nimize");
    m_systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close");

    // Where the focus starts is Qt's choice, whatever OnInitDialog returns.
    Guard([&] { OnInitDialog(); });
    return TRUE;
}

void CDialog::DestroyWindow() {
    m_items.clear();
    m_hWnd = nullptr;
    m_wnd.reset();
}

void CDialog::EndDialog(int result) {
    // done() leaves exec() when the dialog is modal and hides it either way.
    if (m_wnd) m_wnd->QDialog::done(result);
}

CWnd* CDialog::GetDlgItem(int id) {
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second.get();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (!m_wnd) return FALSE;
    CDataExchange dx{this, bSaveAndValidate};
    DoDataExchange(&dx);
    return TRUE;
}

CMenu* CDialog::GetSystemMenu(BOOL /*revert*/) {
    return m_wnd ? &m_systemMenu : nullptr;
}

void CDialog::SetIcon(const HICON& icon, BOOL /*big*/) {
    if (m_wnd) m_wnd->setWindowIcon(icon);
}

void CDialog::PostCall(std::function<void()> fn) {
    if (!m_wnd) return;
    QMetaObject::invokeMethod(
        m_wnd.get(), [this, fn = std::move(fn)] { Guard(fn); }, Qt::QueuedConnection);
}

void CDialog::Guard(const std::function<void()>& fn, bool deferReport) {
    std::string what;
    try {
        fn();
        return;
    } catch (const CException& e) {
        what = e.What();
    } catch (const std::exception& e) {
        what = e.what();
    }
    if (deferReport)
        PostCall([this, what] { ReportUncaughtException(what); });
    else
        ReportUncaughtException(what);
}

void CDialog::HandleCommand(int id) {
    Guard([&] {
        if (OnCommand(id)) return;
        if (id == IDOK) OnOK();
        if (id == IDCANCEL) OnCancel();
    });
}

void CDialog::HandlePaint(QPainter* painter) {
    m_paintPainter = painter;
    Guard([&] { OnPaint(); }, true);
    m_paintPainter = nullptr;
}

void CDialog::HandleDrawItem(DRAWITEMSTRUCT* dis) {
    Guard([&] { OnDrawItem(static_cast<int>(dis->CtlID), dis); }, true);
}

void CDialog::HandleSysCommand(UINT id) {
    Guard([&] { OnSysCommand(id, 0); });
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCommand(int) {
    return FALSE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnPaint() {
    // Qt has already filled the background; a dialog draws nothing else.
}

void CDialog::OnDrawItem(int, LPDRAWITEMSTRUCT) {}

void CDialog::OnSysCommand(UINT nID, LPARAM) {
    if (!m_wnd) return;
    switch (nID & 0xFFF0) {
    case SC_MINIMIZE:
        m_wnd->showMinimized();
        break;
    case SC_RESTORE:
        m_wnd->showNormal();
        break;
    case SC_CLOSE:
        m_wnd->close();
        break;
    default:
        break;
    }
}

app::ScreenMetrics CDialog::GetScreenMetrics() {
    return app::PrimaryScreenMetrics();
}

void CDialog::ReportUncaughtException(const std::string& what) {
    QMessageBox::warning(m_wnd.get(), QString(), QString::fromStdString(what));
}

// CPaintDC

CPaintDC::CPaintDC(CDialog* pWnd) {
    if (QPainter* p = pWnd->CurrentPaintPainter()) AttachPainter(p);
}

void DrawIcon(CDC* pDC, int x, int y, const HICON& icon) {
    QPainter* p = pDC->Painter();
    if (!p) return;
    const int size = GetSystemMetrics(SM_CXICON);
    const CPoint org = pDC->GetViewportOrg();
    p->drawPixmap(x + org.x, y + org.y, icon.pixmap(size, size));
}
