// Everything the main window does beyond its template: it grows with its
// frame (window_layout.h), zooms and pans the picture (pattern_view.h),
// plays the stitch order (playback_control.h), tells the pattern's size,
// stitches, strokes and colours and the position under the mouse, names the
// shown file in its title, takes files by keyboard, drag and drop, recent
// list and PgDown/PgUp (file_browsing.h), and previews printing.
#pragma once

#include "app/pattern_facts.h"
#include "app/pattern_view.h"
#include "app/playback_control.h"
#include "app/window_layout.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <thread>

class CLoomveilDlg;
class QLabel;
class QMenu;
class QPainter;
class QPushButton;
class QSlider;

namespace app {

// Ids of the controls the shell adds (beside the template's).
enum ShellControlId {
    IDC_FACTS = 1020,
    IDC_STATUS = 1021,
    IDC_PLAY = 1022,
    IDC_SPEED = 1023,
    IDC_POSITION = 1024,
    IDC_RECENT = 1025,
    IDC_PREVIEW = 1026,
    IDC_SPEED_LABEL = 1027,
};

class ViewerShell : public QObject {
public:
    // Built in the window's OnInitDialog, before it is shown.
    explicit ViewerShell(CLoomveilDlg& dlg);
    ~ViewerShell() override;

    // The render of the current file has ended (result: the reader's); the
    // window's bitmap holds its picture.
    void Rendered(bool ok);
    // Close: nothing shown any more.
    void Closed();
    // Paints the picture frame; false when there is nothing but the
    // window's bitmap to show as it is.
    bool Paint(QPainter& painter, QSize client);

    // Files to browse with PgDown/PgUp instead of the shown file's folder.
    void SetBrowseList(const QStringList& files) { m_browse = files; }
    // Opens the next (step 1) or previous (−1) file.
    void Step(int step);
    void OpenPath(const QString& path);

    PatternView& View() { return *m_view; }
    PlaybackControl& Playback() { return *m_playback; }
    WindowLayout& Layout() { return *m_layout; }
    const PatternFacts& Facts() const { return m_facts; }
    QWidget* Control(int id) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BindKeys();
    void ShowFacts();
    void ShowCursor(std::optional<QPointF> fittedPixel);
    void FillRecentMenu();
    void LearnUnitLater();

    CLoomveilDlg& m_dlg;
    std::unique_ptr<WindowLayout> m_layout;
    std::unique_ptr<PatternView> m_view;
    std::unique_ptr<PlaybackControl> m_playback;
    QPointer<QLabel> m_factsLabel;
    QPointer<QLabel> m_statusLabel;
    QPointer<QMenu> m_recentMenu;
    std::map<int, QPointer<QWidget>> m_controls;
    QStringList m_browse;
    QString m_templateTitle;
    PatternFacts m_facts;
    FittedToPattern m_toPattern;
    QSize m_renderSize;

    // Learning a drawing's unit loads it once more: done off the window.
    std::unique_ptr<QObject> m_mailbox;
    std::thread m_unitThread;
    int m_unitSerial = 0;
};

} // namespace app
