#include "resources/dialog_templates.h"

#include "platform/gdi.h"

namespace resources {

namespace {

constexpr DialogControl kMainControls[] = {
    {IDC_RENDER_TIME, ControlKind::Static, "Static Render", 10, 9, 101, 19, false},
    {IDC_FILE_INFO, ControlKind::Static, "Static File Info", 113, 9, 357, 22, false},
    {IDC_ABOUT, ControlKind::PushButton, "About", 24, 39, 50, 14, false},
    {IDC_PICTURE, ControlKind::OwnerDrawFrame, "", 116, 40, 361, 345, false},
    {IDC_OPEN, ControlKind::PushButton, "Open File", 13, 101, 80, 31, false},
    {IDC_CONVERT, ControlKind::PushButton, "Convert Format", 13, 149, 80, 31, false},
    {IDC_PRINT, ControlKind::PushButton, "Print File", 13, 199, 80, 31, true},
    {IDOK, ControlKind::PushButton, "E&xit", 13, 270, 80, 31, false},
    {IDC_CLOSE, ControlKind::PushButton, "Close", 417, 396, 50, 14, false},
};

constexpr DialogControl kAboutControls[] = {
    {-1, ControlKind::Icon, "", 14, 14, 21, 20, false},
    {-1, ControlKind::Static, "Loomveil, Version 1.0.5", 42, 14, 180, 8, false},
    {-1, ControlKind::Static, "Views, prints and converts quilting patterns and DXF drawings.", 42, 28, 180, 20,
     false},
    {IDOK, ControlKind::DefPushButton, "OK", 178, 72, 50, 14, false},
};

const DialogTemplate kMain{IDD_LOOMVEIL_DIALOG, "Vadodarare", "MS Shell Dlg", 8, 484, 423, kMainControls, true};
const DialogTemplate kAbout{IDD_ABOUTBOX, "About Loomveil", "MS Sans Serif", 8, 235, 94, kAboutControls};

} // namespace

const DialogTemplate& MainDialogTemplate() { return kMain; }
const DialogTemplate& AboutDialogTemplate() { return kAbout; }

PixelSize PictureFrameClientSize(int baseUnitX, int baseUnitY) {
    for (const DialogControl& c : kMainControls) {
        if (c.id == IDC_PICTURE)
            return {MulDiv(c.cx, baseUnitX, 4) - 2, MulDiv(c.cy, baseUnitY, 8) - 2};
    }
    return {0, 0};
}

} // namespace resources
