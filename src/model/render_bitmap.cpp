#include "model/formats.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace {

// The first bytes of the file, for the readers' content tests; empty when
// it cannot be read (the reader then says why).
std::vector<unsigned char> ReadHead(const CString& path) {
    std::vector<unsigned char> head(kSniffBytes);
    std::ifstream in(path.LocalPath(), std::ios::binary);
    if (!in) return {};
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

// Something to draw needs two distinct points: readers that start from an
// implied origin (QLI) leave that one point even for a file of no records.
bool HasSomethingToDraw(const CPointList& list) {
    const _tagREALPT* first = nullptr;
    for (const _tagREALPT& p : list) {
        if (IsBreak(p) || !std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        if (!first)
            first = &p;
        else if (p.x != first->x || p.y != first->y)
            return true;
    }
    return false;
}

} // namespace

int CLoomveilDoc::RenderBitmap(CDC* pDC, int width, int height) {
    pDC->FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    m_PointList.RemoveAll();
    m_StrokeColours.Clear();
    m_strError.clear();
    m_pFormat = nullptr;

    if (QFileInfo(m_strFilePath.Q()).isDir()) return Fail("is a directory");
    const std::vector<unsigned char> head = ReadHead(m_strFilePath);
    const FileFormat* format = ChooseReader(m_strFileExt.Utf8(), head);
    if (!format)
        return Fail(m_strFileExt.IsEmpty() ? "no file extension to choose a reader by"
                                           : "no reader for files of type \"" + m_strFileExt.Utf8() + "\"");
    m_pFormat = format;
    const int result = (this->*format->read)(pDC, width, height);

    // A reader that takes a file but finds nothing in it to draw has not
    // read it: most often the file is of another kind than its name says.
    if (result && format->basis != UnitBasis::preview && !HasSomethingToDraw(m_PointList)) {
        if (format->text && LooksBinary(head)) return Fail("binary data in a text format");
        return Fail(format->basis == UnitBasis::drawing ? "nothing to draw in the drawing"
                                                        : "no stitch data found");
    }
    if (!result && m_strError.empty())
        m_strError = "the " + std::string(format->name) + " reader refused the file";
    return result;
}
