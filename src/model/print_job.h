// Printing the current file on one page: the file name as a centred header
// line and, below it, the pattern drawn anew at the device's resolution
// within one-inch margins. The window prints through a printer, the command
// line onto a PDF page; both hand this a DC attached to the paged device.
#pragma once

#include "model/loomveil_doc.h"

// Where the parts of the page go, in device units of the printable area.
struct PrintLayout {
    CPoint pictureOrigin; // top-left of the pattern's rectangle
    int pictureWidth = 0;
    int pictureHeight = 0;
    CPoint headerPos; // top-left of the header text
};

// dpiX, dpiY: the device's pixels per inch; hRes, vRes: its printable width
// and height; header: the extent of the header text in the header font.
// The picture keeps an inch from the left, right and bottom edges and an
// inch plus the header's height from the top; the header's top sits a
// quarter of its height above the one-inch line. A page too small for the
// margins gets an empty picture.
PrintLayout ComputePrintLayout(float dpiX, float dpiY, int hRes, int vRes, CSize header);

// The job's name: the file name without its extension (the text before the
// last dot; the whole name when it has none).
CString PrintJobName(const CString& fileName);

struct PrintOutcome {
    bool started = false;  // the document and the page were started
    bool finished = false; // the page and the document were ended
    int renderResult = 0;  // what RenderBitmap returned (0: the reader failed)
    PrintLayout layout;
};

// Prints doc's current file on one page of the paged device pDC is attached
// to: reads the file again with the reader of its extension, and heads the
// page with doc.m_strFileName in Arial 16 point. printOrigin holds the
// viewport origin the picture replaced while it is drawn and is (0, 0)
// afterwards. The reader's failure does not stop the page: it then carries
// the header and whatever the reader drew.
PrintOutcome PrintCurrentFile(CLoomveilDoc& doc, CDC* pDC, CPoint& printOrigin);
