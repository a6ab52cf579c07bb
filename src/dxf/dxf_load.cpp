#include "dxf/dxf_load.h"

#include "dxf/dxf_codepage.h"
#include "dxf/dxf_heap.h"
#include "dxf/dxf_reader_internal.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

template <std::size_t N> void CopyName(char (&dest)[N], const char* src) {
    const std::size_t n = strnlen(src, N - 1);
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

// As CopyName, and the rest of the field zeroed: the record is stored whole.
template <std::size_t N, std::size_t M> void CopyField(char (&dest)[N], const char (&src)[M]) {
    static_assert(N == M);
    const std::size_t n = strnlen(src, N - 1);
    std::memcpy(dest, src, n);
    std::memset(dest + n, 0, N - n);
}

void Report(DxfLoadProgress* p, const DXFREADER* r) {
    if (!p || !p->report || !*p->report || r->dwFileSize <= 0) return;
    const int percent = static_cast<int>(r->dwMark * 100.0 / r->dwFileSize);
    if (percent <= p->lastSent) return;
    p->lastSent = percent;
    (*p->report)(percent);
}

void StoreTableEntry(HDXFDRAWING hDrawing, DXFDRAWING* d, UINT table, const void* pEntry) {
    switch (table) {
    case DXF_TABLE_LAYER: {
        const auto* e = static_cast<const DXFLAYERENTRY*>(pEntry);
        DXFLAYER rec;
        std::memset(&rec, 0, sizeof rec);
        CopyName(rec.szName, e->szName);
        rec.bFlags = static_cast<BYTE>(e->nFlags);
        rec.nColor = static_cast<short>(e->nColor);
        // A line type that is not in the table (or a drawing without an
        // LTYPE table) leaves the layer without one: its entities draw solid.
        rec.dwLineType = DxfTableIdByName(d, DXF_TABLE_LTYPE, e->szLineType);
        DxfAddTableRecord(hDrawing, table, &rec);
        break;
    }
    case DXF_TABLE_LTYPE: {
        const auto* e = static_cast<const DXFLTYPEENTRY*>(pEntry);
        DXFLTYPE rec;
        std::memset(&rec, 0, sizeof rec);
        CopyName(rec.szName, e->szName);
        rec.bFlags = static_cast<BYTE>(e->nFlags);
        CopyName(rec.szDescription, e->szDescription);
        rec.nDashes = static_cast<short>(e->nDashes);
        std::memcpy(rec.dDashes, e->dDashes, sizeof rec.dDashes);
        rec.dPatternLength = e->dPatternLength;
        DxfAddTableRecord(hDrawing, table, &rec);
        break;
    }
    case DXF_TABLE_STYLE: {
        const auto* e = static_cast<const DXFSTYLEENTRY*>(pEntry);
        DXFSTYLE rec;
        std::memset(&rec, 0, sizeof rec);
        CopyName(rec.szName, e->szName);
        rec.bFlags = static_cast<BYTE>(e->nFlags);
        rec.bGenFlags = static_cast<BYTE>(e->nGenFlags);
        CopyName(rec.szFontFile, e->szFontFile);
        rec.dOblique = e->dOblique;
        rec.dHeight = e->dHeight;
        rec.dWidthFactor = e->dWidthFactor;
        rec.dLastHeight = e->dLastHeight;
        DxfAddTableRecord(hDrawing, table, &rec);
        break;
    }
    case DXF_TABLE_DIMSTYLE: {
        const auto* e = static_cast<const DXFDIMSTYLEENTRY*>(pEntry);
        DXFDIMSTYLE rec;
        std::memset(&rec, 0, sizeof rec);
        CopyName(rec.szName, e->szName);
        rec.bFlags = static_cast<BYTE>(e->nFlags);
        rec.dArrowSize = e->dArrowSize;
        CopyName(rec.szBlk1, e->szBlk1);
        CopyName(rec.szBlk2, e->szBlk2);
        rec.nClrDimLine = static_cast<short>(e->nClrDimLine);
        rec.nClrExtLine = static_cast<short>(e->nClrExtLine);
        rec.nClrText = static_cast<short>(e->nClrText);
        rec.dDimLineExt = e->dDimLineExt;
        rec.dExtLineExt = e->dExtLineExt;
        rec.dExtLineOffset = e->dExtLineOffset;
        rec.dTextGap = e->dTextGap;
        rec.dTextHeight = e->dTextHeight;
        rec.bTextAbove = static_cast<BYTE>(e->nTextAbove);
        rec.dwTextStyle = DxfTableIdByName(d, DXF_TABLE_STYLE, e->szTextStyle);
        CopyName(rec.szPost, e->szPost);
        rec.dLinearFactor = e->dLinearFactor;
        rec.dRound = e->dRound;
        rec.nDecimals = e->nDecimals;
        rec.nZeros = e->nZeros;
        rec.nDecimalSep = e->nDecimalSep;
        DxfAddTableRecord(hDrawing, table, &rec);
        break;
    }
    }
}

void LoadTables(HDXFDRAWING hDrawing, DXFDRAWING* d, HDXFREADER hr) {
    for (;;) {
        const UINT table = DxfNextTable(hr);
        if (table == 0) break;
        if (table != DXF_TABLE_OTHER) {
            union {
                DXFLAYERENTRY layer;
                DXFLTYPEENTRY ltype;
                DXFSTYLEENTRY style;
                DXFDIMSTYLEENTRY dimstyle;
            } entry;
            while (DxfReadTableEntry(hr, &entry) == table) {
                StoreTableEntry(hDrawing, d, table, &entry);
                if (DxfCurrentTable(hr) != table) break;
            }
        }
        if (DxfCurrentSection(hr) != DXF_SECTION_TABLES) break;
    }
}

// The header variables that change how entities are drawn.
void LoadHeader(DXFDRAWING* d, HDXFREADER hr) {
    char value[64];
    auto number = [&](const char* name, double& out) {
        if (!DxfReadHeaderVariable(hr, name, value, sizeof value)) return false;
        const double v = DxfAtof(value);
        if (!std::isfinite(v)) return false;
        out = v;
        return true;
    };
    double v;
    if (number("$LTSCALE", v) && v > 0) d->dLtScale = v;
    if (number("$PDMODE", v)) d->nPdMode = static_cast<int>(std::fmod(v, 1024.0));
    if (number("$PDSIZE", v)) d->dPdSize = v;
}

void LoadBlocks(DXFDRAWING* d, HDXFREADER hr, DxfLoadProgress* progress) {
    DXFBLOCKENTRY entry;
    while (DxfReadBlockHeader(hr, &entry)) {
        DXFBLOCK b;
        std::memset(&b, 0, sizeof b);
        CopyName(b.szName, entry.szName);
        b.bFlags = entry.bFlags;
        b.ptBase = entry.ptBase;
        b.dwLayer = DxfTableIdByName(d, DXF_TABLE_LAYER, entry.szLayer);
        // A refused block (a name that exists, a full list) has ID 0, so its
        // entities go to ENTITIES.
        const DWORD id = DxfAddBlock(d, &b);
        {
            GlobalLockGuard<DXFREADER> r(hr);
            if (r) DxfReadEntities(d, r.get(), id, progress);
        }
        if (DxfCurrentSection(hr) != DXF_SECTION_BLOCKS) break;
    }
}

} // namespace

int DxfReadEntities(DXFDRAWING* d, DXFREADER* r, DWORD dwBlockId, DxfLoadProgress* progress) {
    if (!d || !r) return 0;
    int stored = 0;
    DXFENTITYCOMMON common;
    DXFENTITYENTRY entry;
    DXFENTITYDATA converted;
    // ATTRIBs follow their INSERT and are shown only with it.
    bool afterInsert = false;
    DWORD insertFlags = 0;
    while (DxfReadEntity(r, &common, &entry)) {
        DXFENTITYHEADER h;
        std::memset(&h, 0, sizeof h);
        h.wType = common.wType;
        if (common.szHandle[0]) CopyName(h.szHandle, common.szHandle);
        h.nColor = common.nColor;
        h.dThickness = common.dThickness;
        h.dLineTypeScale = common.dLineTypeScale;
        h.ptExtrusion = common.ptExtrusion;
        h.dwFlags = common.dwFlags;
        if (common.szLayer[0]) h.dwLayer = DxfTableIdByName(d, DXF_TABLE_LAYER, common.szLayer);
        if (common.szLineType[0]) {
            h.dwLineType = DxfTableIdByName(d, DXF_TABLE_LTYPE, common.szLineType);
            if (h.dwLineType == 0 && strncasecmp(common.szLineType, "BYBLOCK", sizeof common.szLineType) == 0)
                h.dwLineType = DXF_LINETYPE_BYBLOCK;
        }
        if (h.wType == DXF_TEXT && entry.text.bAttribute) {
            if (afterInsert) h.dwFlags |= insertFlags;
        } else {
            afterInsert = h.wType == DXF_INSERT;
            insertFlags = h.dwFlags;
        }

        const void* data = &entry;
        switch (h.wType) {
        case DXF_TEXT: {
            const DXFTEXTENTRY& e = entry.text;
            DXFTEXT& t = converted.text;
            // Stored whole, padding included: nothing of the stack goes with it.
            std::memset(&t, 0, offsetof(DXFTEXT, szText));
            t.ptInsert = e.ptInsert;
            t.dHeight = e.dHeight;
            t.dRotation = e.dRotation;
            t.dWidthFactor = e.dWidthFactor;
            t.wJustify = e.wJustify;
            t.ptAlign = e.ptAlign;
            t.dwStyle = e.szStyle[0] ? DxfTableIdByName(d, DXF_TABLE_STYLE, e.szStyle) : 0;
            CopyField(t.szText, e.szText);
            t.dOblique = e.dOblique;
            t.wGenFlags = static_cast<WORD>(e.nGenFlags);
            data = &t;
            break;
        }
        case DXF_MTEXT: {
            const DXFMTEXTENTRY& e = entry.mtext;
            DXFMTEXT& t = converted.mtext;
            std::memset(&t, 0, sizeof t);
            t.ptInsert = e.ptInsert;
            t.ptDirection = e.ptDirection;
            t.dHeight = e.dHeight;
            t.dRefWidth = e.dRefWidth;
            t.dLineSpacing = e.dLineSpacing;
            t.dRotation = e.dRotation;
            t.nAttach = e.nAttach;
            t.dwStyle = e.szStyle[0] ? DxfTableIdByName(d, DXF_TABLE_STYLE, e.szStyle) : 0;
            t.pszText = e.pszText;
            data = &t;
            break;
        }
        case DXF_INSERT: {
            const DXFINSERTENTRY& e = entry.insert;
            DXFBLOCK b;
            CopyName(b.szName, e.szBlock);
            const DWORD block = DxfBlockIdByName(d, b.szName);
            if (block == 0) { // an insert of a block that does not exist is not stored
                insertFlags = DXF_ENTITY_INVISIBLE;
                continue;
            }
            DXFINSERT& t = converted.insert;
            std::memset(&t, 0, sizeof t);
            t.ptInsert = e.ptInsert;
            t.dScaleX = e.dScaleX;
            t.dScaleY = e.dScaleY;
            t.dScaleZ = e.dScaleZ;
            t.dRotation = e.dRotation;
            t.dwBlock = block;
            t.nColumns = e.nColumns;
            t.nRows = e.nRows;
            t.dColSpacing = e.dColSpacing;
            t.dRowSpacing = e.dRowSpacing;
            data = &t;
            break;
        }
        case DXF_DIMENSION: {
            const DXFDIMENSIONENTRY& e = entry.dimension;
            DXFDIMENSION& t = converted.dimension;
            std::memset(&t, 0, sizeof t); // padding too: records are stored byte for byte
            t.ptExt1 = e.ptExt1;
            t.ptExt2 = e.ptExt2;
            t.dTextRotation = e.dTextRotation;
            t.ptDef = e.ptDef;
            t.dwBlock = 0;
            if (e.szBlock[0]) {
                DXFBLOCK b;
                CopyName(b.szName, e.szBlock);
                t.dwBlock = DxfFindBlock(d, DXF_FIND_BYNAME, &b);
            }
            // "*D7" and the like: later generated names go on after it.
            if (e.szBlock[0] && e.szBlock[1]) {
                const long long n = std::strtoll(e.szBlock + 2, nullptr, 10);
                if (n > 0 && static_cast<unsigned long long>(n) > d->dwAnonDimension)
                    d->dwAnonDimension = n > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(n);
            }
            t.dwDimStyle = e.szDimStyle[0] ? DxfTableIdByName(d, DXF_TABLE_DIMSTYLE, e.szDimStyle) : 0;
            CopyField(t.szText, e.szText);
            t.nDimType = e.nDimType;
            t.dMeasurement = e.dMeasurement;
            t.dAngle = e.dAngle;
            t.bAngle = e.bAngle;
            t.ptChord = e.ptChord;
            t.ptArc = e.ptArc;
            data = &t;
            break;
        }
        case DXF_PROXY: {
            // Stored as an INSERT of a block of what its graphics draw.
            DXFPROXYENTRY& e = entry.proxy;
            const DWORD block = DxfMakeProxyBlock(d, &h, e.pGraphics, e.cbGraphics);
            DxfHeapFree(e.pGraphics);
            e.pGraphics = nullptr;
            if (block == 0) continue;
            DXFINSERT& t = converted.insert;
            std::memset(&t, 0, sizeof t);
            t.dScaleX = t.dScaleY = t.dScaleZ = 1.0;
            t.dwBlock = block;
            t.nColumns = t.nRows = 1;
            h.wType = DXF_INSERT;
            h.ptExtrusion = {0.0, 0.0, 1.0};
            data = &t;
            break;
        }
        case DXF_LEADER: {
            // The record leads the entry; its dimension style by name.
            DXFLEADERENTRY& e = entry.leader;
            if (e.szDimStyle[0]) e.leader.dwDimStyle = DxfTableIdByName(d, DXF_TABLE_DIMSTYLE, e.szDimStyle);
            data = &e.leader;
            break;
        }
        default:
            if (DxfEntityDataSize(h.wType) == 0) continue;
            break;
        }
        if (DxfAddEntity(d, dwBlockId, &h, data))
            ++stored;
        else
            DxfFreeEntityData(h.wType, const_cast<void*>(data));
        Report(progress, r);
    }
    return stored;
}

BOOL DxfLoadFile(HDXFDRAWING hDrawing, const DxfSource& source, const DxfProgress& progress) {
    if (!hDrawing || (!source.pszFileName && !source.pFile && !source.pImage)) return FALSE;
    if (GlobalFlags(hDrawing) & GMEM_INVALID_HANDLE) return FALSE;
    HDXFREADER hr = DxfOpenReader(source.pszFileName, source.pFile, source.pImage, source.cbImage);
    if (!hr) return FALSE;
    {
        GlobalLockGuard<DXFDRAWING> d(hDrawing);
        if (d) {
            DxfLoadProgress state{&progress, 0};
            if (progress) progress(0);
            for (UINT section; (section = DxfNextSection(hr)) != 0;) {
                if (section == DXF_SECTION_HEADER) {
                    // The character set of the drawing's text.
                    char version[16], codePage[32];
                    if (!DxfReadHeaderVariable(hr, "$ACADVER", version, sizeof version)) version[0] = '\0';
                    if (!DxfReadHeaderVariable(hr, "$DWGCODEPAGE", codePage, sizeof codePage))
                        codePage[0] = '\0';
                    d->nCodePage = DxfCodePage(codePage, version);
                    LoadHeader(d.get(), hr);
                } else if (section == DXF_SECTION_TABLES) {
                    LoadTables(hDrawing, d.get(), hr);
                } else if (section == DXF_SECTION_BLOCKS) {
                    LoadBlocks(d.get(), hr, &state);
                } else if (section == DXF_SECTION_ENTITIES) {
                    GlobalLockGuard<DXFREADER> r(hr);
                    if (r) DxfReadEntities(d.get(), r.get(), 0, &state);
                }
            }
            if (progress) progress(100);
        }
        if (!d) {
            DxfCloseReader(hr);
            return FALSE;
        }
    }
    const BOOL failed = DxfReaderFailed(hr);
    const BOOL closed = DxfCloseReader(hr);
    return closed && !failed;
}
