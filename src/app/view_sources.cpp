#include "app/view_sources.h"

#include "dxf/cdxf_drawing.h"
#include "platform/file.h"

#include <atomic>

namespace app {

namespace {

// A pattern: the model drawn by the window's own drawing, onto a canvas the
// zoom's size whose corner is moved by the pan.
class PatternPicture : public PictureSource {
public:
    explicit PatternPicture(std::shared_ptr<const CLoomveilDoc> pattern) : m_pattern(std::move(pattern)) {}

    bool Draw(CDC* pDC, QSize frame, const ViewTransform& view) override {
        pDC->FillSolidRect(0, 0, frame.width(), frame.height(), RGB(255, 255, 255));
        const QSize canvas = view.Canvas(frame);
        const CPoint old = pDC->SetViewportOrg(-view.Origin().x(), -view.Origin().y());
        // Drawing reads the model only; the copy is never changed.
        const_cast<CLoomveilDoc&>(*m_pattern).DrawPointList(pDC, canvas.width(), canvas.height());
        pDC->SetViewportOrg(old);
        return true;
    }

private:
    std::shared_ptr<const CLoomveilDoc> m_pattern;
};

// Relocatable memory belongs to the thread that allocated it, so a drawing
// is loaded, painted and freed by the worker alone. The worker keeps one:
// the drawing of the last DXF file it drew.
struct KeptDrawing {
    std::uint64_t owner = 0;
    std::unique_ptr<CDxfDrawing> drawing;
    bool loaded = false;
};
thread_local KeptDrawing t_kept;
std::atomic<std::uint64_t> g_nextDrawing{1};

// A DXF drawing, loaded on its first picture and kept for the next ones.
class DrawingPicture : public PictureSource {
public:
    explicit DrawingPicture(CString path) : m_path(std::move(path)) {}

    std::uint64_t DrawingId() const override { return m_id; }

    bool Draw(CDC* pDC, QSize frame, const ViewTransform& view) override {
        if (t_kept.owner != m_id) {
            t_kept = {};
            t_kept.owner = m_id;
            t_kept.drawing = std::make_unique<CDxfDrawing>();
            CFile file;
            t_kept.loaded = t_kept.drawing->Create() && file.Open(m_path, CFile::modeRead) &&
                            t_kept.drawing->LoadFile(&file);
        }
        if (!t_kept.loaded) return false;
        CDxfDrawing& drawing = *t_kept.drawing;
        drawing.SetView(0, 0, frame.width(), frame.height(), kDxfBackground);
        drawing.ZoomExtents();
        ApplyViewToDrawing(drawing.GetHandle(), frame, view);
        pDC->SetViewportOrg(0, 0);
        return drawing.Paint(pDC, nullptr) != FALSE;
    }

private:
    const std::uint64_t m_id = g_nextDrawing++;
    CString m_path;
};

// Anything else (a preview picture): read again and drawn at the scale.
class FilePicture : public PictureSource {
public:
    explicit FilePicture(const CLoomveilDoc& doc) {
        m_doc.m_strFilePath = doc.m_strFilePath;
        m_doc.m_strFileExt = doc.m_strFileExt;
        m_doc.m_strFileName = doc.m_strFileName;
    }

    bool Draw(CDC* pDC, QSize frame, const ViewTransform& view) override {
        pDC->FillSolidRect(0, 0, frame.width(), frame.height(), RGB(255, 255, 255));
        const QSize canvas = view.Canvas(frame);
        const CPoint old = pDC->SetViewportOrg(-view.Origin().x(), -view.Origin().y());
        const int result = m_doc.RenderBitmap(pDC, canvas.width(), canvas.height());
        pDC->SetViewportOrg(old);
        return result != 0;
    }

private:
    CLoomveilDoc m_doc;
};

} // namespace

void KeepDrawingOf(const PictureSource* source) {
    const std::uint64_t id = source ? source->DrawingId() : 0;
    if (t_kept.owner != id) t_kept = {};
}

void ApplyViewToDrawing(HDXFDRAWING drawing, QSize frame, const ViewTransform& view) {
    GlobalLockGuard<DXFDRAWING> d(drawing);
    if (!d || view.IsFit()) return;
    // X = left + (x − Xorg)·K·zoom and Y = bottom − (y − Yorg)·K·zoom; the
    // zoomed picture wants X·z − panX and Y·z − panY with the same left
    // (0) and bottom (the frame's height).
    const double z = view.zoom;
    const double unit = d->dUnit * d->dZoom * z;
    if (!(unit > 0)) return;
    d->dXorg += view.pan.x() / unit;
    d->dYorg += (static_cast<double>(frame.height()) * (z - 1.0) - view.pan.y()) / unit;
    d->dZoom *= z;
}

std::shared_ptr<ViewContent> MakeViewContent(const CLoomveilDoc& doc) {
    auto content = std::make_shared<ViewContent>();
    auto pattern = std::make_shared<CLoomveilDoc>();
    pattern->m_PointList = doc.m_PointList;
    pattern->m_StrokeColours = doc.m_StrokeColours;
    pattern->m_strFileExt = doc.m_strFileExt;
    if (IsFileExt(doc.m_strFileExt, "dxf")) {
        content->space = JumpSpace::device;
        content->picture = std::make_unique<DrawingPicture>(doc.m_strFilePath);
    } else if (IsFileExt(doc.m_strFileExt, "cdr")) {
        content->picture = std::make_unique<FilePicture>(doc);
    } else {
        content->picture = std::make_unique<PatternPicture>(pattern);
    }
    content->pattern = std::move(pattern);
    return content;
}

} // namespace app
