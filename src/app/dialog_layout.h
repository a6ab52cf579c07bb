// From a dialog template's dialog units to pixels, as Windows lays dialogs
// out: the template's font sets the base units (the average width of the
// letters and the character height), a dialog unit is a quarter of the
// base width horizontally and an eighth of the base height vertically, and
// each coordinate and size is converted on its own with MulDiv's rounding.
#pragma once

#include "resources/dialog_templates.h"

#include <QFont>
#include <QRect>
#include <QSize>

namespace app {

struct BaseUnits {
    int x = 0;
    int y = 0;
    bool operator==(const BaseUnits&) const = default;
};

// The screen a dialog is sized for: pixels and logical pixels per inch.
struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int dpiX = 96;
    int dpiY = 96;
};

// The primary screen as Qt reports it (logical pixels).
ScreenMetrics PrimaryScreenMetrics();

// The template's font at a screen's vertical resolution: a point size is a
// character height of MulDiv(points, dpiY, 72) pixels. The classic Windows
// dialog faces are not installed here; they are shown in Liberation Sans.
QFont DialogFont(const char* face, int pointSize, int dpiY);

// Base units of a dialog font: x is (width of "A..Za..z" / 26 + 1) / 2, y
// the character height (ascent + descent).
BaseUnits MeasureBaseUnits(const QFont& font);

QRect ControlRect(const resources::DialogControl& control, BaseUnits units);
QSize DialogClientSize(const resources::DialogTemplate& tpl, BaseUnits units);

// How the main window's DoModal fits its template to the screen: at most
// five sixths of the screen and at most eight inches each way, by scaling
// the template's font (and with it every control).
struct FontScaling {
    double ratio = 1.0;
    int pointSize = 0;
    bool changed = false; // the template is rebuilt with pointSize
};
// templateSize: the template's size in pixels at its own font.
FontScaling ScaleTemplateFont(QSize templateSize, const ScreenMetrics& screen, int pointSize);

} // namespace app
