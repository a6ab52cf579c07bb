// The dialog templates of the main window (133) and the about box (100), as
// data in dialog units. Dialog units become pixels through the dialog font's
// base units: x · baseX / 4 and y · baseY / 8, rounded (MulDiv).
#pragma once

#include <span>

namespace resources {

enum class ControlKind { Static, OwnerDrawFrame, PushButton, DefPushButton, Icon };

struct DialogControl {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;
    bool disabled;
};

struct DialogTemplate {
    int id;
    const char* title;
    const char* fontFace;
    int fontPointSize;
    int cx, cy; // dialog units
    std::span<const DialogControl> controls;
    bool minimizeBox = false; // the caption has a minimise box
};

// Control ids of the main window.
enum ControlId {
    IDOK = 1,
    IDC_ABOUT = 1001,
    IDC_PRINT = 1002,
    IDC_OPEN = 1003,
    IDC_PICTURE = 1004,
    IDC_CONVERT = 1005,
    IDC_CLOSE = 1009,
    IDC_RENDER_TIME = 1010,
    IDC_FILE_INFO = 1011,
};

constexpr int IDD_LOOMVEIL_DIALOG = 133;
constexpr int IDD_ABOUTBOX = 100;

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

// The base units of the main window's dialog font (8 point, shown in
// Liberation Sans) on a 96-dpi screen: what the window measures there, and
// what the command line uses for its default picture size.
constexpr int kBaseUnitX96 = 6;
constexpr int kBaseUnitY96 = 12;

struct PixelSize {
    int width;
    int height;
};

// Client size in pixels of the picture frame (control 1004, which has a
// one-pixel border) for the given dialog base units.
PixelSize PictureFrameClientSize(int baseUnitX, int baseUnitY);

} // namespace resources
