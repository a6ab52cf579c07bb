#include "platform/gdi.h"

#include "platform/dc.h"

#include <cstdlib>
#include <cstring>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long p = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const long long r = ((p < 0) != (denominator < 0) ? p - (p < 0 ? half : -half) : p + (p < 0 ? -half : half)) /
                        denominator;
    return static_cast<int>(r);
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, const char* face, CDC* pDC) {
    LOGFONT lf;
    const int dpiY = pDC ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
    lf.lfHeight = -MulDiv(tenthsOfPoint, dpiY, 720);
    std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
    return CreateFontIndirect(lf);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* /*pDC*/, int width, int height) {
    if (width <= 0 || height <= 0) return FALSE;
    m_image = QImage(width, height, QImage::Format_RGB32);
    if (m_image.isNull()) return FALSE;
    m_image.fill(0xFF000000u);
    m_valid = true;
    return TRUE;
}
