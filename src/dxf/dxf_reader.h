// The DXF file reader: walks an ASCII DXF file's sections and yields the
// entries of the LAYER, LTYPE, STYLE and DIMSTYLE tables, the BLOCK headers
// and the entities of the BLOCKS and ENTITIES sections.
//
// The file is a sequence of pairs of text lines: a group code (a decimal
// integer, leading blanks allowed) and a value. A line ends with CR, LF or
// CR LF; nothing is trimmed from a value, and values are compared with
// keywords exactly and case-sensitively. Integers convert as atoi does (an
// empty or non-numeric code line is code 0), reals as atof does, and
// unreadable numbers read as 0. Malformed content never stops the reader:
// unknown group codes are ignored and unknown entities, tables and sections
// are passed over. A search for a pair that is not there scans to the end of
// the file and then puts the position back.
//
// The reader's state is one DXFREADER record in a relocatable block; the
// file is read through one 64 KiB buffer (a memory image is read in place),
// and positions are 32-bit offsets, so a source of 2 GiB or more is refused.
#pragma once

#include "dxf/dxf_types.h"
#include "platform/file.h"

#include <cstddef>

using HDXFREADER = HGLOBAL;

// Section codes.
constexpr UINT DXF_SECTION_HEADER = 1;
constexpr UINT DXF_SECTION_TABLES = 4;
constexpr UINT DXF_SECTION_BLOCKS = 8;
constexpr UINT DXF_SECTION_ENTITIES = 16;
constexpr UINT DXF_SECTION_OTHER = 64;

constexpr LONG DXF_READ_BUFFER_BYTES = 0x10000;
// Value lines are kept up to this many bytes (a longer line is cut; the rest
// is passed over), group-code lines up to 31.
constexpr int DXF_VALUE_BYTES = 2048;
constexpr int DXF_CODE_BYTES = 32;

// Table entries as the file gives them (zeroed before each entry; group
// codes in comments). Text fields keep up to 511 characters; flags take the
// number's low 8 bits as a signed value.
struct DXFLAYERENTRY {
    char szName[512];     // 2
    int nFlags;           // 70
    int nColor;           // 62
    char szLineType[512]; // 6
};

struct DXFLTYPEENTRY {
    char szName[512];               // 2
    int nFlags;                     // 70
    char szDescription[512];        // 3
    int nDashes;                    // 73
    double dPatternLength;          // 40
    double dDashes[DXF_MAX_DASHES]; // 49, in file order; values after the 30th are ignored
};

struct DXFSTYLEENTRY {
    char szName[512];     // 2
    char szFontFile[512]; // 3
    int nFlags;           // 70
    int nGenFlags;        // 71
    double dHeight;       // 40
    double dWidthFactor;  // 41
    double dLastHeight;   // 42
    double dOblique;      // 50
};

struct DXFDIMSTYLEENTRY {
    char szName[512];      // 2
    int nFlags;            // 70
    int nClrDimLine;       // 176
    double dDimLineExt;    // 46
    int nClrExtLine;       // 177
    double dExtLineExt;    // 44
    double dExtLineOffset; // 42
    char szBlk1[512];      // 6
    char szBlk2[512];      // 7
    double dArrowSize;     // 41
    char szTextStyle[512]; // no group fills it: stays empty
    int nTextStyleHandle;  // 340, read as a decimal integer
    int nClrText;          // 178
    double dTextHeight;    // 140
    int nTextAbove;        // 77
    double dTextGap;       // 147
    // How the measured value is written.
    char szPost[64];      // 3: "prefix<>suffix", or a suffix
    double dLinearFactor; // 144
    double dRound;        // 45
    int nDecimals;        // 271; -1 when not given
    int nZeros;           // 78: 4 no leading, 8 no trailing zeros
    int nDecimalSep;      // 278: the separator's character code, 0 for '.'
};

struct DXFBLOCKENTRY {
    char szName[512];  // 2 or 3, the later one wins
    BYTE bFlags;       // 70
    DXFCOORD ptBase;   // 10, 20, 30
    char szLayer[512]; // 8
};

// What every entity has, with the reader's defaults.
struct DXFENTITYCOMMON {
    // The owner handle (330 inside a "{ACAD_REACTORS" group), or for HATCH
    // the entity's own handle (5); up to 15 characters.
    char szHandle[16];
    WORD wType;
    char szLayer[512];     // 8
    char szLineType[512];  // 6
    short nColor;          // 62; 256 (by layer) by default
    double dThickness;     // 39
    double dLineTypeScale; // 48; 1.0 by default
    DXFCOORD ptExtrusion;  // 210, 220, 230; 0, 0, 1 by default
    DWORD dwFlags;         // DXF_ENTITY_INVISIBLE (60 = 1), DXF_ENTITY_PAPERSPACE (67 = 1)
};

// Entities that name what the database refers to by ID.
struct DXFTEXTENTRY {
    DXFCOORD ptInsert;   // 10, 20, 30
    double dHeight;      // 40
    double dRotation;    // 50
    double dWidthFactor; // 41; 1.0 by default
    WORD wJustify;       // low byte 72, high byte 73
    DXFCOORD ptAlign;    // 11, 21, 31
    char szStyle[512];   // 7
    char szText[2048];   // 1
    double dOblique;     // 51
    int nGenFlags;       // 71
    int bAttribute;      // 1 for an ATTRIB (shown only with its INSERT)
};

// MTEXT: the fields of DXFMTEXT with the style's name; the text (3 chunks,
// then 1) in a heap string that belongs to the caller.
struct DXFMTEXTENTRY {
    DXFCOORD ptInsert;    // 10, 20, 30
    DXFCOORD ptDirection; // 11, 21, 31
    double dHeight;       // 40
    double dRefWidth;     // 41
    double dLineSpacing;  // 44; 1.0 by default
    double dRotation;     // 50
    int nAttach;          // 71; 1 by default
    char szStyle[512];    // 7
    char* pszText;
};

struct DXFINSERTENTRY {
    DXFCOORD ptInsert;                // 10, 20, 30
    double dScaleX, dScaleY, dScaleZ; // 41, 42, 43; 1.0 by default
    double dRotation;                 // 50
    int nColumns, nRows;              // 70, 71; 1 by default
    double dColSpacing, dRowSpacing;  // 44, 45
    char szBlock[512];                // 2
};

struct DXFDIMENSIONENTRY {
    DXFCOORD ptExt1;      // 13, 23, 33
    DXFCOORD ptExt2;      // 14, 24, 34
    double dTextRotation; // 53
    DXFCOORD ptDef;       // 10, 20, 30
    char szBlock[16];     // 2
    char szDimStyle[512]; // 3
    char szText[1024];    // 1
    int nDimType;         // 70
    double dMeasurement;  // 42
    double dAngle;        // 50
    int bAngle;           // 1 when 50 was given
    DXFCOORD ptChord;     // 15, 25, 35
    DXFCOORD ptArc;       // 16, 26, 36
};

// A LEADER, naming its dimension style.
struct DXFLEADERENTRY {
    DXFLEADER leader;
    char szDimStyle[512]; // 3
};

// The data record DxfReadEntity fills, by the entity's type.
// ACAD_PROXY_ENTITY: the bytes of its proxy graphics (92 or 160 bytes, in
// 310 hex chunks). Reader side only: the loader turns them into an INSERT
// of a block of what they draw (DxfMakeProxyBlock) and frees them.
constexpr WORD DXF_PROXY = 47;
struct DXFPROXYENTRY {
    unsigned char* pGraphics; // cbGraphics bytes, on the DXF heap
    int cbGraphics;
};

union DXFENTITYENTRY {
    DXFLINE line;
    DXFPOINT point;
    DXFCIRCLE circle;
    DXFELLIPSE ellipse;
    DXFSPLINE spline;
    DXFTEXTENTRY text;
    DXFARC arc;
    DXFSOLID solid;
    DXFINSERTENTRY insert;
    DXFHATCH hatch;
    DXFPOLYLINE polyline;
    DXFDIMENSIONENTRY dimension;
    DXFMTEXTENTRY mtext;
    DXFLEADERENTRY leader;
    DXFMLINE mline;
    DXFRAY ray;
    DXFIMAGE image;
    DXFPROXYENTRY proxy;
};

struct DxfReaderScratch;

struct DXFREADER {
    CFile* hFile;        // source file; NULL for a memory image
    LONG dwFileSize;     // bytes in the source
    LONG dwMark;         // remembered position; also the progress measure
    UINT nSection;       // current section code, 0 outside a section
    UINT nTable;         // current table type, 0 when no table is open
    UINT bInBlock;       // 1 while a block's entities are being read
    const BYTE* pBuffer; // the read buffer, or the memory image itself
    LONG nBuffered;      // bytes held in the buffer
    LONG dwBufferStart;  // file offset of the buffer's first byte
    LONG dwPos;          // current file offset
    UINT bCallerHandle;  // 1 when hFile is the caller's (it is then never closed)

    // A read of the file failed: the data ends where the failure was.
    UINT bReadError;
    // Lines read so far (and at the mark): searches that failed remember the
    // line they started from, and a later search on the same pair alignment
    // from there on fails without scanning again.
    long long nLine, nMarkLine;
    struct FailedSearch {
        int code;
        char szValue[16];
        long long fromLine[2]; // by line parity; -1 when none failed
    } failed[8];
    UINT nFailed;
    char szCodeLine[DXF_CODE_BYTES];
    char szValueLine[DXF_VALUE_BYTES];
    DxfReaderScratch* pScratch;
};

// Opens a reader on pszFileName (when hFile and pImage are both NULL), on
// the open file hFile, or on the cbImage bytes at pImage (which must stay
// valid until the reader is closed). NULL when the source cannot be opened,
// is 2 GiB or larger, or memory runs out.
HDXFREADER DxfOpenReader(const char* pszFileName, CFile* hFile, const BYTE* pImage, DWORD cbImage);
// Frees the reader (and closes a file it opened itself); FALSE while someone
// else holds it locked or when closing the file failed.
BOOL DxfCloseReader(HDXFREADER h);
// The section code of the next section, 0 when there is none.
UINT DxfNextSection(HDXFREADER h);
UINT DxfCurrentSection(HDXFREADER h);
// In TABLES: the type of the next table (DXF_TABLE_OTHER for a table this
// reader does not read), 0 when there is none; elsewhere 0.
UINT DxfNextTable(HDXFREADER h);
UINT DxfCurrentTable(HDXFREADER h);
// Reads the next entry of the current table into pEntry (the entry record of
// the table's type) and returns the table type, or 0.
UINT DxfReadTableEntry(HDXFREADER h, void* pEntry);
// 1 when a BLOCK header was read; its entities (if any) follow.
BOOL DxfReadBlockHeader(HDXFREADER h, DXFBLOCKENTRY* pBlock);
// Reads one entity of ENTITIES or of the current block into pCommon and
// pData (a DXFENTITYENTRY); 0 at the end of the section or block. The
// caller holds the reader locked. The arrays of a POLYLINE, SPLINE or HATCH
// belong to the caller afterwards.
BOOL DxfReadEntity(DXFREADER* pReader, DXFENTITYCOMMON* pCommon, void* pData);
// In the HEADER section: the value of header variable pszName ("$ACADVER")
// into pszValue (cbValue bytes). FALSE when the section does not name it.
BOOL DxfReadHeaderVariable(HDXFREADER h, const char* pszName, char* pszValue, std::size_t cbValue);
// TRUE when reading the file failed part way, so that the data seen was cut
// short.
BOOL DxfReaderFailed(HDXFREADER h);
