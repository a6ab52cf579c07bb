// What the picture frame's pictures are drawn from once a file is shown.
// The window makes one ViewContent per rendered file and hands it to the
// render worker; from then on only the worker draws from its picture
// source, and nobody changes its pattern (the window's own document goes on
// changing with the next file, this copy does not).
#pragma once

#include "app/view_transform.h"
#include "dxf/dxf_types.h"
#include "model/jumps.h"
#include "model/loomveil_doc.h"

#include <QSize>
#include <cstdint>
#include <memory>

namespace app {

// Draws the picture for a frame of `frame` pixels under a view into pDC, a
// memory DC over a bitmap of the frame's size.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    virtual bool Draw(CDC* pDC, QSize frame, const ViewTransform& view) = 0;
    // Which drawing the source keeps on the thread that draws it (0: none).
    virtual std::uint64_t DrawingId() const { return 0; }
};

// On the drawing thread: lets go of a kept drawing that is not source's.
void KeepDrawingOf(const PictureSource* source);

struct ViewContent {
    // The pattern as the window read it (the outline, for a drawing), for
    // playback and for the picture of a pattern file.
    std::shared_ptr<const CLoomveilDoc> pattern;
    JumpSpace space = JumpSpace::fitted;
    std::unique_ptr<PictureSource> picture;
};

// The content for the document's current file just rendered: patterns
// draw from a copy of the model, a DXF drawing is loaded once (by the
// worker, on its first picture) and painted at each scale, and a preview
// picture (CDR) is read again at the scale asked for.
std::shared_ptr<ViewContent> MakeViewContent(const CLoomveilDoc& doc);

// Sets the drawing's view to the frame's fit magnified and moved by view:
// a point drawn at X, Y in the fitted picture goes to X · zoom − pan.
void ApplyViewToDrawing(HDXFDRAWING drawing, QSize frame, const ViewTransform& view);

} // namespace app
