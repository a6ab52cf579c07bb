// Renders one file into a picture, as the viewer's off-screen render does,
// and writes what the commands make.
#pragma once

#include "cli/batch.h"
#include "model/loomveil_doc.h"

#include <QByteArray>
#include <QImage>
#include <string>

namespace cli {

struct RenderResult {
    bool ok = false;
    std::string error;  // why it failed
    double seconds = 0; // time spent in the reader (read, model, drawing)
    QImage image;
};

// Makes input the document's current file (read with input.format's reader
// when one is given) without reading it.
void SetCurrentInput(CLoomveilDoc& doc, const Input& input);

// Makes input the document's current file and renders it into a white
// width × height picture.
RenderResult RenderFile(CLoomveilDoc& doc, const Input& input, int width, int height);

// Writes bytes to path all at once: through a temporary file that replaces
// path only when complete (a pipe or device is written directly). Returns
// the reason on failure, empty on success.
std::string WriteWholeFile(const std::string& path, const QByteArray& bytes);

// image encoded as format ("png", "jpg", ... as QImageWriter names them),
// written as WriteWholeFile does.
std::string SaveImage(const QImage& image, const std::string& path, const char* format = "png");

} // namespace cli
