// Printing the current file on one page: the file name as a centred header
// line and, below it, the pattern drawn anew at the device's resolution
// within one-inch margins. The window prints through a printer, the command
// line onto a PDF page; both hand this a DC attached to the paged device.
#pragma once

#include "model/loomveil_doc.h"

#include <string>

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

// True-size printing: the pattern at 1:1, tiled over as many sheets as it
// needs. The first sheet is the cover: the pattern's size, how the sheets
// go together (a map of them over the pattern) and a 1-inch and a 2-cm
// check square to measure before cutting. Each further sheet shows one
// tile with its row and column in a band at the top; neighbouring tiles
// share an overlap band, bounded by dashed lines on both sheets, with
// alignment crosses at the same places of the pattern on both.
struct TileOptions {
    double overlapMm = 12.7; // half an inch
    double marginIn = 0.4;   // kept free inside the printable area
};

// How the pattern is cut into sheets, in millimetres of the pattern.
struct TilePlan {
    int columns = 0, rows = 0;
    double contentWmm = 0, contentHmm = 0; // what one sheet shows
    double stepXmm = 0, stepYmm = 0;       // from one sheet to the next
    double originXmm = 0, originYmm = 0;   // pattern position at the first sheet's corner
    int Sheets() const { return columns * rows; }
};
// A pattern patternW × patternH mm on sheets that show contentW × contentH
// mm, neighbours sharing overlap mm; the tiles are centred on the pattern.
// No sheets when the content is not larger than the overlap.
TilePlan PlanTiles(double patternWmm, double patternHmm, double contentWmm, double contentHmm,
                   double overlapMm);

// Where a tile sheet's parts go, in device units of the printable area.
struct SheetLayout {
    CRect band;    // the label band at the top
    CRect content; // the pattern's part
};
SheetLayout ComputeSheetLayout(int dpiX, int dpiY, int hRes, int vRes, int bandHeight, double marginIn);

// Reads doc's current file again for printing at true size and returns
// what one unit of its model measures: a DXF drawing becomes a fine outline
// (16384 pixels on its long side, where the window's has the screen's
// coarse pixels). 0 when the file cannot be read or its unit is not known;
// then why says so.
double PrepareTrueSize(CLoomveilDoc& doc, std::string* why = nullptr);

struct TruePrintOutcome {
    bool started = false;
    bool finished = false;
    int pages = 0;
    TilePlan plan;
    std::string why; // when not started
};
// Prints doc.m_PointList, mmPerUnit millimetres a unit, at 1:1 onto the
// paged device pDC is attached to: the cover, then the tiles row by row.
TruePrintOutcome PrintTrueSize(CLoomveilDoc& doc, CDC* pDC, double mmPerUnit,
                               const TileOptions& options = {});
