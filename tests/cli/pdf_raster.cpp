#include "cli/pdf_raster.h"

#include "test_support.h"

#include <cstdlib>
#include <sstream>

namespace test {

QImage RasterisePdf(const std::string& pdf, int dpi, int page) {
    TempDir dir;
    const std::string prefix = dir.File("page");
    const std::string pages = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    const std::string cmd = "pdftoppm -r " + std::to_string(dpi) + pages + " -gray -singlefile " + ShellQuote(pdf) +
                            " " + ShellQuote(prefix) + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return {};
    return QImage(QString::fromStdString(prefix + ".pgm"));
}

std::map<std::string, std::string> PdfInfo(const std::string& pdf) {
    TempDir dir;
    const std::string out = dir.File("info");
    std::map<std::string, std::string> fields;
    if (std::system(("pdfinfo " + ShellQuote(pdf) + " >" + ShellQuote(out) + " 2>/dev/null").c_str()) != 0)
        return fields;
    std::istringstream in(ReadFile(out));
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const auto start = line.find_first_not_of(' ', colon + 1);
        fields[line.substr(0, colon)] = start == std::string::npos ? "" : line.substr(start);
    }
    return fields;
}

QRect InkBox(const QImage& image, QRect area) {
    if (area.isEmpty()) area = image.rect();
    area &= image.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

PrintedPage ReadPrintedPage(const std::string& pdf, int dpi) {
    PrintedPage page;
    page.image = RasterisePdf(pdf, dpi);
    if (page.image.isNull()) return page;
    const int split = page.image.height() / 4;
    page.header = InkBox(page.image, QRect(0, 0, page.image.width(), split));
    page.pattern = InkBox(page.image, QRect(0, split, page.image.width(), page.image.height() - split));
    return page;
}

} // namespace test
