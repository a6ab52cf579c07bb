// Looking at printed pages: a PDF page as pixels (pdftoppm), its document
// information (pdfinfo), and where the ink on it lies.
#pragma once

#include <QImage>
#include <QRect>
#include <map>
#include <string>

namespace test {

// A page of pdf in grey at dpi pixels per inch; a null image on failure.
QImage RasterisePdf(const std::string& pdf, int dpi, int page = 1);

// pdfinfo's "Key: value" lines; empty when pdfinfo fails.
std::map<std::string, std::string> PdfInfo(const std::string& pdf);

// The bounding box of the dark pixels (below half grey) within area (the
// whole image when area is empty); empty when there are none.
QRect InkBox(const QImage& image, QRect area = {});

// A printed page seen as its header (the ink in the top quarter of the page)
// and its pattern (the ink below), for patterns that keep clear of the top
// quarter.
struct PrintedPage {
    QImage image;
    QRect header;
    QRect pattern;
};
PrintedPage ReadPrintedPage(const std::string& pdf, int dpi);

} // namespace test
