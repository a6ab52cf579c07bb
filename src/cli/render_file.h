// Renders one file into a picture, as the viewer's off-screen render does.
#pragma once

#include "model/loomveil_doc.h"

#include <QImage>
#include <string>

namespace cli {

struct RenderResult {
    bool ok = false;
    std::string error; // why it failed
    double seconds = 0; // time spent in the reader (read, model, drawing)
    QImage image;
};

// Makes path the document's current file and renders it into a white
// width × height picture.
RenderResult RenderFile(CLoomveilDoc& doc, const std::string& path, int width, int height);

// Writes image as a PNG through a temporary file, so a failure never leaves
// a partial picture; returns an error text or empty on success.
std::string SavePng(const QImage& image, const std::string& path);

} // namespace cli
