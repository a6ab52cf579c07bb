// CLoomveilDoc: the current file, its pattern and every reader and writer.
//
// The main window derives from it (class CLoomveilDlg : public CDialog,
// public CLoomveilDoc), so the readers and writers are members of the window
// under their own names, while the command line and the tests use the
// document alone. The document never shows anything to the user; where a
// read fails it leaves a short reason in m_strError for the caller.
#pragma once

#include "model/file_buffer.h"
#include "model/point.h"
#include "model/stroke_colours.h"
#include "platform/cstring.h"
#include "platform/dc.h"
#include "platform/file.h"

#include <climits>
#include <string>

struct FileFormat;

class CLoomveilDoc {
public:
    CLoomveilDoc() : m_PointList(10) {}
    virtual ~CLoomveilDoc() = default;

    // Makes path the current file: full path, name, and the lower-case text
    // after the name's last dot as the extension (empty without a dot).
    void SetCurrentFile(const CString& path);

    // Clears the rectangle and the model, then runs the reader the file's
    // extension names, or the one its content shows where the extension
    // misleads (model/formats.h). Non-zero on success; 0 also for a file no
    // reader handles, and for a file in which the reader found nothing to
    // draw (the reader's own result stays what it was).
    int RenderBitmap(CDC* pDC, int width, int height);

    // Readers: (device context, picture width, picture height) → non-zero on
    // success. Each fills m_PointList and draws it (the CDR reader draws its
    // preview picture instead).
    int RenderQli(CDC* pDC, int width, int height);
    int RenderPlt(CDC* pDC, int width, int height);
    int RenderQcc(CDC* pDC, int width, int height);
    int RenderPat(CDC* pDC, int width, int height);
    int RenderCmd(CDC* pDC, int width, int height);
    int RenderTxt(CDC* pDC, int width, int height);
    int RenderIqp(CDC* pDC, int width, int height);
    int Render4qb(CDC* pDC, int width, int height);
    int RenderExp(CDC* pDC, int width, int height);
    int RenderDst(CDC* pDC, int width, int height);
    int RenderCdr(CDC* pDC, int width, int height);
    int RenderDxf(CDC* pDC, int width, int height);
    // The preview of an old RIFF-based (or bare CMX3) CDR file, from its bytes.
    int RenderCdrRiff(CDC* pDC, int width, int height, int nBytes, const BYTE* pBytes);

    // Writers: each writes m_PointList into the file m_strFilePath names,
    // through a temporary file that replaces the target only when complete.
    // TRUE when the file was written; on failure the reason is in m_strError
    // and an earlier file of that name is untouched.
    BOOL WriteDxf();
    BOOL WriteHqf();
    BOOL WritePlt();
    BOOL WriteQcc();
    BOOL WriteQli();
    BOOL WriteExp();
    // Convert Format once its dialog has been answered: chosenPath as the
    // user gave it, filterIndex the 1-based output filter left selected.
    // Decides the written file's name and the writer, writes, and returns
    // TRUE when the file was written (the current file stays the opened one).
    // With mmPerUnit above 0 (what one list unit measures) the pattern keeps
    // its size; otherwise it is fitted to the format's fixed span.
    BOOL ConvertFile(const CString& chosenPath, int filterIndex, double mmPerUnit = 0);

    // Draws m_PointList scaled to fit width × height at pDC's origin, in the
    // colours of m_StrokeColours (the device context's pen when it has none).
    void DrawPointList(CDC* pDC, int width, int height);

    // Reads the whole current file into buffer (NUL-terminated). Returns the
    // bytes read plus one, or 0 when the file cannot be opened, is empty or
    // does not fit in memory (m_strError says which). A read error is thrown
    // as CFileException.
    int ReadWholeFile(FileBuffer& buffer);
    // Opens m_strFilePath for reading (deny-write) in pFile.
    BOOL OpenCurrentFile(CFile* pFile);

    CPointList m_PointList;
    // What one unit of m_PointList measures, in millimetres, for the
    // writers: they keep the pattern's size when it is above 0, and fit it
    // to their format's fixed span otherwise.
    double m_dWriteMmPerUnit = 0;
    // The colours of m_PointList's strokes; empty: all black.
    StrokeColours m_StrokeColours;
    CString m_strFilePath;
    CString m_strFileExt;
    CString m_strFileName;
    // Why the last render failed, in a few words; empty after success.
    std::string m_strError;
    // The format the last render read the file as (null before a render
    // and when no reader was found).
    const FileFormat* m_pFormat = nullptr;

protected:
    void AddPoint(float x, float y) { m_PointList.AddTail(_tagREALPT{x, y}); }
    void AddBreak() { m_PointList.AddTail(kBreakMarker); }
    int Fail(std::string reason) {
        m_strError = std::move(reason);
        return 0;
    }

    // The causes of a file or archive exception that a format accepts as the
    // normal end of its data (-1: none).
    struct EndCause {
        int file = -1;
        int archive = -1;
    };
    // Runs a reader's body, which returns the reader's result. A file or
    // archive exception whose cause the format accepts ends the read as the
    // end of the data does: onEnd() gives the result (it normally draws what
    // was read). Any other exception fails the read with its reason.
    template <class Body, class OnEnd> int ReadGuarded(EndCause accepted, Body&& body, OnEnd&& onEnd) {
        try {
            return body();
        } catch (const CFileException& e) {
            if (e.m_cause == accepted.file) return onEnd();
            return Fail(e.What());
        } catch (const CArchiveException& e) {
            if (e.m_cause == accepted.archive) return onEnd();
            return Fail(e.What());
        }
    }
};

// True when strExt equals the 8-bit text pszExt exactly (case-sensitive).
bool IsFileExt(const CString& strExt, const char* pszExt);

// Paints palette-indexed rows into pDC pixel by pixel, bottom row first,
// one byte per step (8, 2 or 1 pixels per byte for 1, 4 and 8 bits per
// pixel); rows follow each other without padding. The caller guarantees
// height × ceil(width / pixels per byte) bytes and a palette entry per index.
void DrawDibRows(CDC* pDC, const BYTE* pBits, const COLORREF* pPalette, int width, int height,
                 int bitsPerPixel);

// Float to int by truncation toward zero; NaN and values outside int's range
// give INT_MIN, as the processor's conversion does.
inline int TruncToInt(float v) {
    if (!(v > -2147483904.0f && v < 2147483648.0f)) return INT_MIN;
    return static_cast<int>(v);
}
inline int TruncToInt(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
    return static_cast<int>(v);
}

// How DrawPointList maps list units to the pixels of a width × height
// picture, in single precision: the extent scaled by the smaller of the two
// ratios, with 1% free on each side, centred. Not ok (nothing is drawn)
// for an empty list or an extent without width or height.
struct PointListFit {
    bool ok = false;
    float scale = 0, cx = 0, cy = 0, hx = 0, hy = 0;

    PointListFit(const CPointList& list, int width, int height);
    int X(float x) const { return TruncToInt((x - cx) * scale + hx); }
    int Y(float y) const { return TruncToInt((y - cy) * scale + hy); }
};
