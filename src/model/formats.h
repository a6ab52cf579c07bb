// Every file format Loomveil reads or writes, one row each.
//
// A row holds all that the rest of the program needs to know of a format:
// its extensions, its name, its reader and writer, what one unit of its
// coordinates measures, a cheap test of a file's first bytes, and how the
// dialogs and the desktop name it. Dispatch, units, `info`, convert, the
// open and save dialogs and the desktop's file types all read this table;
// adding a format is adding a row (and its reader or writer).
#pragma once

#include "model/loomveil_doc.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// What one unit of a format's coordinates measures.
enum class UnitBasis {
    fixed,   // the format fixes it: FileFormat::mmPerUnit
    drawing, // each file states its own (a DXF drawing's $INSUNITS)
    unknown, // the format does not say, and no evidence fixes it
    preview, // the file holds a picture, not a pattern to measure
};

// The first bytes of a file, as many as kSniffBytes, for content tests.
constexpr std::size_t kSniffBytes = 4096;
// True when the bytes look like the format. A test may look only at what
// it is given: a short file gives fewer bytes.
using Sniff = bool (*)(std::span<const unsigned char> head);

struct FileFormat {
    std::string_view name;                // as messages and reports name it
    std::array<std::string_view, 4> exts; // lower case, without the dot; exts[0] is written
    int (CLoomveilDoc::*read)(CDC*, int, int);
    BOOL (CLoomveilDoc::*write)();
    UnitBasis basis;
    double mmPerUnit;                      // for UnitBasis::fixed; 0 otherwise
    Sniff sniff;                           // null: the content says nothing either way
    bool text;                             // a text format: NUL bytes mean the file is something else
    std::string_view openFilter;           // the open dialog's entry, "QLI (… *.qli)"; empty: none
    std::string_view saveFilter;           // the convert dialog's entry; empty: not written
    int saveIndex;                         // 1-based place in the convert dialog's list
    std::string_view mimeType;             // the desktop file type; empty: none is claimed
    std::string_view mimeComment;          // empty: the desktop already knows the type
    std::array<std::string_view, 2> magic; // strings at offset 0 that identify a file

    std::string_view Ext() const { return exts[0]; }
    bool HasExt(std::string_view ext) const;
    bool Reads() const { return read != nullptr; }
    bool Writes() const { return write != nullptr; }
};

// Every row, in the order of the open dialog's list (formats added since
// go at the end, so a remembered filter index keeps its meaning).
std::span<const FileFormat> FileFormats();

// The row of a lower-case extension (read or written), or null.
const FileFormat* FindFormat(std::string_view ext);

// The reader for a file named with ext whose first bytes are head. The
// extension decides whenever its format has no content test or passes it;
// otherwise the first readable format whose test passes, in the order
// files were always tried; failing that, the extension's format again (its
// reader then says what is wrong). Null when neither names a reader.
const FileFormat* ChooseReader(std::string_view ext, std::span<const unsigned char> head);

// Content tests that live beside their readers.
bool SniffHpgl(std::span<const unsigned char> head);
// CMD point lines (X.. Y..), no HPGL modes; HPGL commands one to a line
// that are not the CMD dialect.
bool SniffCmd(std::span<const unsigned char> head);
bool SniffCqpCommands(std::span<const unsigned char> head);
// Numbered G-code moves; the binary PAT's first bytes FF FF 00.
bool SniffTextPat(std::span<const unsigned char> head);
bool SniffBinaryPat(std::span<const unsigned char> head);

// True when head holds a NUL byte: binary data, not text.
bool LooksBinary(std::span<const unsigned char> head);

// The open dialog's filter list ("description|patterns|…||").
std::string OpenFileFilter();
// The convert dialog's filter list, in saveIndex order.
std::string ConvertFileFilter();
