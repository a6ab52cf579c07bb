// The byte-level operations of the DXF reader, on the locked record. Only
// these touch the file's bytes; the section, table, block and entity readers
// see pairs.
#pragma once

#include "dxf/dxf_reader.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>

// One step forward; FALSE when a read of the file failed.
BOOL DxfAdvance(DXFREADER* r);
void DxfMark(DXFREADER* r);
// Back to the mark; the buffer is refilled from there when needed.
void DxfRewind(DXFREADER* r);
// One line into pDest (n bytes, NUL-terminated; the rest of a longer line is
// passed over). CR, LF and CR LF each end a line; the end of the file ends
// the last one.
void DxfReadLine(DXFREADER* r, char* pDest, int n);
// One pair: returns the group code and copies the value into pValue.
int DxfReadPair(DXFREADER* r, char* pValue, int cbValue);
// Reads on to just after the pair (code, value); at the end of the file puts
// the position back and returns FALSE.
BOOL DxfFindPair(DXFREADER* r, int code, const char* pszValue);

// For tests: searches for (0, keyword) normally skim the buffer for the
// keyword instead of reading every pair; off, they read pair by pair.
namespace dxf_reader_testing {
void UseSkimming(bool on);
}

// A pair whose value is seen in place: good until the next read. The value
// ends at its first NUL, as a C string copy of it would, and is cut after
// limit bytes.
struct DxfPair {
    int code;
    std::string_view value;
};
DxfPair DxfReadPairView(DXFREADER* r, std::size_t limit = DXF_VALUE_BYTES - 1);

// Number conversions with atoi's and atof's acceptance.
int DxfAtoi(std::string_view s);
double DxfAtof(std::string_view s);
// Copies v into a char field of cb bytes, cut to cb - 1 and NUL-terminated.
void DxfCopyText(char* dest, std::size_t cb, std::string_view v);
template <std::size_t N> void DxfCopyText(char (&dest)[N], std::string_view v) {
    DxfCopyText(dest, N, v);
}

// A record field filled from the value of one group code: a double, an int
// (atof's and atoi's acceptance) or a text field.
struct DxfField {
    int code;
    double* number = nullptr;
    int* integer = nullptr;
    char* text = nullptr;
    std::size_t cb = 0;
    DxfField(int c, double* p) : code(c), number(p) {}
    DxfField(int c, int* p) : code(c), integer(p) {}
    template <std::size_t N> DxfField(int c, char (&p)[N]) : code(c), text(p), cb(N) {}
};
// Stores v in the field of code; false when no field has that code.
bool DxfStoreField(int code, std::string_view v, std::initializer_list<DxfField> fields);

// Reads the entity whose (0, name) pair was just read, if its name is one
// this reader knows: fills pCommon's type and fields and pData, ends having
// read the code 0 pair after the entity (its value in pszValue, the mark just
// before it) and returns true. False for any other name, with nothing read.
bool DxfReadKnownEntity(DXFREADER* r, DXFENTITYCOMMON* pCommon, void* pData, char* pszValue);

// The common fields every entity reader stores (layer, colour, line type,
// extrusion, visibility, ...); false for another code.
bool DxfStoreCommon(DXFENTITYCOMMON* pCommon, int code, std::string_view v);
// A count from the file, limited to the items the rest of the file could
// hold when each item takes pairsPerItem pairs.
int DxfCapCount(const DXFREADER* r, int n, int pairsPerItem);
// Codes 10..1n / 20..2n / 30..3n into the entity's first, second, ...
// point (a null entry takes no codes); false for any other code.
bool DxfStorePoint(int code, std::string_view v, std::initializer_list<DXFCOORD*> points);
// The HATCH reader (dxf_hatch_read.cpp), called as DxfReadKnownEntity calls
// each reader.
void DxfReadHatch(DXFREADER* r, DXFENTITYCOMMON* pCommon, DXFHATCH* pHatch, char* pszValue);
// The readers of LEADER, MULTILEADER, MLINE, RAY, XLINE, IMAGE, WIPEOUT and
// ACAD_TABLE (dxf_read_lines.cpp), as DxfReadKnownEntity.
bool DxfReadLineEntity(DXFREADER* r, DXFENTITYCOMMON* pCommon, void* pData, char* pszValue);

// The reader's working memory outside the relocatable record.
struct DxfReaderScratch;
DxfReaderScratch* DxfNewReaderScratch();
void DxfDeleteReaderScratch(DxfReaderScratch* s);
