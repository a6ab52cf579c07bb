#include "app/viewer_shell.h"

#include "app/file_browsing.h"
#include "app/loomveil_dlg.h"
#include "model/units.h"
#include "readers/list_unit.h"

#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QUrl>

namespace app {

namespace {

// Where the added controls sit at the template's size, in dialog units, and
// how they follow the window's growth.
struct Placement {
    int id;
    int x, y, cx, cy;
    unsigned follow;
};
constexpr Placement kAdded[] = {
    {IDC_RECENT, 13, 134, 80, 12, kStay},
    {IDC_PREVIEW, 13, 236, 80, 18, kStay},
    {IDC_FACTS, 10, 308, 101, 60, kStay},
    {IDC_PLAY, 13, 372, 80, 14, kStay},
    {IDC_SPEED_LABEL, 12, 391, 22, 10, kStay},
    {IDC_SPEED, 35, 390, 58, 12, kStay},
    {IDC_POSITION, 116, 387, 296, 10, kMoveY | kGrowX},
    {IDC_STATUS, 116, 399, 296, 11, kMoveY | kGrowX},
};
// The template's own controls that follow the frame.
constexpr Placement kFollowing[] = {
    {resources::IDC_PICTURE, 0, 0, 0, 0, kGrowX | kGrowY},
    {resources::IDC_FILE_INFO, 0, 0, 0, 0, kGrowX},
    {resources::IDC_CLOSE, 0, 0, 0, 0, kMoveX | kMoveY},
};

QRect DialogRect(const Placement& p, BaseUnits u) {
    return QRect(MulDiv(p.x, u.x, 4), MulDiv(p.y, u.y, 8), MulDiv(p.cx, u.x, 4), MulDiv(p.cy, u.y, 8));
}

QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    return files;
}

} // namespace

ViewerShell::ViewerShell(CLoomveilDlg& dlg) : m_dlg(dlg), m_mailbox(std::make_unique<QObject>()) {
    QDialog* window = dlg.Window();
    m_templateTitle = window->windowTitle();
    m_layout = std::make_unique<WindowLayout>(window);
    BuildControls();

    PatternView::Hooks hooks;
    hooks.fittedPictureChanged = [this](const QImage& picture) { m_dlg.m_bmpRender.Image() = picture; };
    hooks.cursorMoved = [this](std::optional<QPointF> at) { ShowCursor(at); };
    m_view = std::make_unique<PatternView>(m_dlg.GetDlgItem(resources::IDC_PICTURE)->GetSafeHwnd(), hooks);
    m_playback = std::make_unique<PlaybackControl>(*m_view, qobject_cast<QPushButton*>(Control(IDC_PLAY)),
                                                   qobject_cast<QSlider*>(Control(IDC_SPEED)),
                                                   qobject_cast<QSlider*>(Control(IDC_POSITION)));
    BindKeys();
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    QObject::connect(window, &QDialog::finished, this, [this] { m_layout->Save(); });
    m_layout->Restore();
    m_layout->Apply();
}

ViewerShell::~ViewerShell() {
    if (m_unitThread.joinable()) m_unitThread.join();
    m_mailbox.reset();
    m_playback.reset();
    m_view.reset();
}

QWidget* ViewerShell::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second.data();
}

void ViewerShell::BuildControls() {
    QDialog* window = m_dlg.Window();
    const BaseUnits units = m_dlg.GetBaseUnits();
    for (const Placement& p : kAdded) {
        QWidget* w = nullptr;
        switch (p.id) {
        case IDC_RECENT: {
            auto* b = new QPushButton("Recent Files", window);
            m_recentMenu = new QMenu(b);
            QObject::connect(m_recentMenu, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
            b->setMenu(m_recentMenu);
            w = b;
            break;
        }
        case IDC_PREVIEW: {
            auto* b = new QPushButton("Print Preview", window);
            b->setEnabled(false);
            QObject::connect(b, &QPushButton::clicked, this,
                             [this] { m_dlg.PostCall([this] { m_dlg.OnPrintPreview(); }); });
            w = b;
            break;
        }
        case IDC_SPEED_LABEL:
            w = new QLabel("Speed", window);
            break;
        case IDC_FACTS:
        case IDC_STATUS: {
            auto* label = new QLabel(window);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            (p.id == IDC_FACTS ? m_factsLabel : m_statusLabel) = label;
            w = label;
            break;
        }
        case IDC_PLAY:
            w = new QPushButton("Play", window);
            break;
        case IDC_SPEED:
        case IDC_POSITION:
            w = new QSlider(Qt::Horizontal, window);
            break;
        default:
            break;
        }
        if (!w) continue;
        // Keys belong to the picture; the buttons take the focus by mouse.
        w->setFocusPolicy(qobject_cast<QSlider*>(w) ? Qt::NoFocus : Qt::ClickFocus);
        m_controls[p.id] = w;
        m_layout->Add(w, DialogRect(p, units), p.follow);
    }
    for (const Placement& p : kFollowing)
        if (CWnd* item = m_dlg.GetDlgItem(p.id)) m_layout->Add(item->GetSafeHwnd(), p.follow);
}

void ViewerShell::BindKeys() {
    QDialog* window = m_dlg.Window();
    auto bind = [&](QKeySequence key, std::function<void()> fn) {
        auto* s = new QShortcut(key, window);
        s->setContext(Qt::WindowShortcut);
        QObject::connect(s, &QShortcut::activated, this, [this, fn = std::move(fn)] { m_dlg.PostCall(fn); });
    };
    auto command = [this](int id) {
        return [this, id] {
            CWnd* item = m_dlg.GetDlgItem(id);
            if (item && item->IsWindowEnabled()) m_dlg.HandleCommand(id);
        };
    };
    bind(QKeySequence::Open, command(resources::IDC_OPEN));
    bind(QKeySequence::Print, command(resources::IDC_PRINT));
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), [this] {
        if (Control(IDC_PREVIEW)->isEnabled()) m_dlg.OnPrintPreview();
    });
    for (auto key : {Qt::Key_Plus, Qt::Key_Equal}) bind(QKeySequence(key), [this] { m_view->ZoomSteps(1); });
    bind(QKeySequence(Qt::Key_Minus), [this] { m_view->ZoomSteps(-1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { m_view->Fit(); });
    const struct {
        Qt::Key key;
        int dx, dy;
    } arrows[] = {{Qt::Key_Left, 1, 0}, {Qt::Key_Right, -1, 0}, {Qt::Key_Up, 0, 1}, {Qt::Key_Down, 0, -1}};
    for (const auto& a : arrows) {
        bind(QKeySequence(a.key), [this, a] {
            const QSize f = m_view->FrameSize();
            m_view->Pan(QPoint(a.dx * std::max(1, f.width() / 10), a.dy * std::max(1, f.height() / 10)));
        });
    }
    bind(QKeySequence(Qt::Key_PageDown), [this] { Step(1); });
    bind(QKeySequence(Qt::Key_PageUp), [this] { Step(-1); });
    bind(QKeySequence(Qt::Key_F11), [this] { ToggleFullScreen(m_dlg.Window()); });
    bind(QKeySequence(Qt::Key_Space), [this] { m_playback->Toggle(); });
}

bool ViewerShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_dlg.Window()) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(event);
        if (LocalFiles(e->mimeData()).isEmpty()) return false;
        e->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        const QStringList files = LocalFiles(e->mimeData());
        if (files.isEmpty()) return false;
        e->acceptProposedAction();
        // Several files dropped at once are the list PgDown steps through.
        m_browse = files.size() > 1 ? files : QStringList();
        const QString first = files.front();
        m_dlg.PostCall([this, first] { OpenPath(first); });
        return true;
    }
    return false;
}

void ViewerShell::OpenPath(const QString& path) {
    m_dlg.OpenPath(CString(path));
}

void ViewerShell::Step(int step) {
    const QString current = m_dlg.m_strFilePath.Q();
    if (current.isEmpty() && m_browse.isEmpty()) return;
    const QStringList list = !m_browse.isEmpty() ? m_browse : ReadableFilesBeside(current);
    const QString next = StepThrough(list, current, step);
    if (!next.isEmpty() && next != current) OpenPath(next);
}

void ViewerShell::FillRecentMenu() {
    m_recentMenu->clear();
    const QStringList recent = LoadRecentFiles();
    if (recent.isEmpty()) m_recentMenu->addAction("(none yet)")->setEnabled(false);
    for (const QString& path : recent) {
        QAction* a =
            m_recentMenu->addAction(QFileInfo(path).fileName() + "  —  " + QFileInfo(path).absolutePath());
        QObject::connect(a, &QAction::triggered, this,
                         [this, path] { m_dlg.PostCall([this, path] { OpenPath(path); }); });
    }
}

void ViewerShell::Rendered(bool ok) {
    const QString path = m_dlg.m_strFilePath.Q();
    const QString name = QFileInfo(path).fileName();
    m_dlg.Window()->setWindowTitle(name.isEmpty() ? m_templateTitle : name + " — Loomveil");
    if (!path.isEmpty()) RememberRecentFile(QFileInfo(path).absoluteFilePath());

    m_renderSize = m_dlg.m_bmpRender.Image().size();
    std::shared_ptr<ViewContent> content = ok ? MakeViewContent(m_dlg) : nullptr;
    m_view->Show(content, m_renderSize);
    if (content && content->pattern) {
        m_toPattern = FittedToPattern(content->pattern->m_PointList, content->space, m_renderSize);
        m_facts = CountFacts(*content->pattern);
    } else {
        m_toPattern = {};
        m_facts = {};
    }
    m_playback->Reset(ok && content && content->pattern && m_facts.stats.points > 0
                          ? content->pattern->m_PointList.size()
                          : 0);
    if (QWidget* preview = Control(IDC_PREVIEW)) preview->setEnabled(ok);
    LearnUnitLater();
    ShowFacts();
}

void ViewerShell::LearnUnitLater() {
    const int serial = ++m_unitSerial;
    if (m_facts.stats.points == 0) return;
    // The unit of a drawing's outline depends on the size it was drawn at.
    auto doc = std::make_shared<CLoomveilDoc>();
    doc->m_strFilePath = m_dlg.m_strFilePath;
    doc->m_strFileExt = m_dlg.m_strFileExt;
    doc->m_strFileName = m_dlg.m_strFileName;
    const QSize size = m_renderSize;
    if (!IsFileExt(doc->m_strFileExt, "dxf")) {
        m_facts.mmPerUnit = units::UnitOfPointList(*doc, size.width(), size.height()).mmPerUnit;
        return;
    }
    if (m_unitThread.joinable()) m_unitThread.join();
    QObject* mailbox = m_mailbox.get();
    m_unitThread = std::thread([this, mailbox, doc, size, serial] {
        const double mm = units::UnitOfPointList(*doc, size.width(), size.height()).mmPerUnit;
        QMetaObject::invokeMethod(
            mailbox,
            [this, mm, serial] {
                if (serial != m_unitSerial) return;
                m_facts.mmPerUnit = mm;
                ShowFacts();
            },
            Qt::QueuedConnection);
    });
}

void ViewerShell::Closed() {
    ++m_unitSerial;
    m_playback->Reset(0);
    m_view->Clear();
    m_facts = {};
    m_toPattern = {};
    m_dlg.Window()->setWindowTitle(m_templateTitle);
    if (QWidget* preview = Control(IDC_PREVIEW)) preview->setEnabled(false);
    ShowFacts();
    if (m_statusLabel) m_statusLabel->clear();
}

void ViewerShell::ShowFacts() {
    if (m_factsLabel) m_factsLabel->setText(m_view->HasContent() ? FactsText(m_facts) : QString());
}

void ViewerShell::ShowCursor(std::optional<QPointF> fittedPixel) {
    if (!m_statusLabel) return;
    const auto at = fittedPixel ? m_toPattern(*fittedPixel) : std::nullopt;
    m_statusLabel->setText(at ? CursorText(m_facts, *at) : QString());
}

bool ViewerShell::Paint(QPainter& painter, QSize client) {
    if (!m_view->HasContent()) return false;
    m_view->Paint(painter, client, m_dlg.m_bmpRender.Image());
    return true;
}

} // namespace app
