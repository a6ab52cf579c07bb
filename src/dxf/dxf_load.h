// Loading a DXF file into a drawing: the reader walks the file's sections,
// and the loader stores the LAYER, LTYPE, STYLE and DIMSTYLE entries as table
// records, the blocks with their entities, and the entities of ENTITIES,
// resolving names (layer, line type, text style, block, dimension style) to
// the IDs of the records already stored. Other tables and sections are
// passed over.
#pragma once

#include "dxf/dxf_drawing.h"
#include "dxf/dxf_reader.h"

#include <cstddef>
#include <functional>

// Where a drawing is read from: a file by name, an open file, or bytes in
// memory (which must stay valid while loading).
struct DxfSource {
    const char* pszFileName = nullptr;
    CFile* pFile = nullptr;
    const BYTE* pImage = nullptr;
    DWORD cbImage = 0;

    static DxfSource Path(const char* path) { return {path, nullptr, nullptr, 0}; }
    static DxfSource File(CFile* file) { return {nullptr, file, nullptr, 0}; }
    static DxfSource Memory(const void* data, std::size_t size) {
        // Sizes the reader cannot address are passed on as one it refuses.
        const DWORD n = size > 0x7FFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(size);
        return {nullptr, nullptr, static_cast<const BYTE*>(data ? data : ""), n};
    }
};

// Told the share of the file read, in percent: 0 at the start, a higher
// value whenever one is reached while entities are read, 100 at the end.
using DxfProgress = std::function<void(int percent)>;

// Reads the source into the drawing. TRUE when the file was read to its end;
// FALSE when it could not be opened or reading it failed part way (what was
// read until then stays in the drawing).
BOOL DxfLoadFile(HDXFDRAWING hDrawing, const DxfSource& source, const DxfProgress& progress = {});

// The progress of one load, as DxfReadEntities reports it.
struct DxfLoadProgress {
    const DxfProgress* report = nullptr;
    int lastSent = 0;
};

// Reads entities until the reader reports the end of the section or block
// and adds them to block dwBlockId (0 = ENTITIES); returns how many were
// stored. The caller holds both records locked.
int DxfReadEntities(DXFDRAWING* pDrawing, DXFREADER* pReader, DWORD dwBlockId,
                    DxfLoadProgress* pProgress = nullptr);
