#include "model/loomveil_doc.h"

int CLoomveilDoc::RenderBitmap(CDC* pDC, int width, int height) {
    pDC->FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    m_PointList.RemoveAll();
    m_strError.clear();

    // The readers by extension, tried in this order.
    using Reader = int (CLoomveilDoc::*)(CDC*, int, int);
    struct Row {
        const char* ext;
        Reader reader;
    };
    static constexpr Row kReaders[] = {
        {"iqp", &CLoomveilDoc::RenderIqp},
        {"cdr", &CLoomveilDoc::RenderCdr},
        {"qcc", &CLoomveilDoc::RenderQcc},
        {"qli", &CLoomveilDoc::RenderQli},
        {"hqv", &CLoomveilDoc::RenderQli},
        {"dxf", &CLoomveilDoc::RenderDxf},
        {"pat", &CLoomveilDoc::RenderPat},
        {"ssd", &CLoomveilDoc::RenderPat},
        {"hqf", &CLoomveilDoc::RenderPat},
        {"cmd", &CLoomveilDoc::RenderCmd},
        {"plt", &CLoomveilDoc::RenderPlt},
        {"cqp", &CLoomveilDoc::RenderPlt},
        {"hpgl", &CLoomveilDoc::RenderPlt},
        {"hpg", &CLoomveilDoc::RenderPlt},
        {"hp", &CLoomveilDoc::RenderPlt},
        {"txt", &CLoomveilDoc::RenderTxt},
        {"4qb", &CLoomveilDoc::Render4qb},
        {"exp", &CLoomveilDoc::RenderExp},
        {"dst", &CLoomveilDoc::RenderDst},
    };
    for (const Row& row : kReaders) {
        if (IsFileExt(m_strFileExt, row.ext)) return (this->*row.reader)(pDC, width, height);
    }
    return Fail(m_strFileExt.IsEmpty() ? "no file extension to choose a reader by"
                                       : "no reader for files of type \"" + m_strFileExt.Utf8() + "\"");
}
