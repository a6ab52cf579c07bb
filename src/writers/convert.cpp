#include "writers/convert.h"

#include <QFileInfo>

namespace writers {

const OutputFormat* FindOutputFormat(std::string_view ext) {
    const FileFormat* f = FindFormat(ext);
    return f && f->Writes() ? f : nullptr;
}

const OutputFormat* OutputFormatAt(int filterIndex) {
    for (const FileFormat& f : FileFormats())
        if (f.Writes() && f.saveIndex == filterIndex) return &f;
    return nullptr;
}

namespace {
// Position of the file name's last '.', or -1.
int NameDot(const CString& path) {
    const CString name(QFileInfo(path.Q()).fileName());
    const int dot = name.ReverseFind('.');
    return dot < 0 ? -1 : path.GetLength() - name.GetLength() + dot;
}
} // namespace

ConvertTarget ResolveConvertTarget(const CString& chosenPath, int filterIndex) {
    ConvertTarget t{chosenPath, nullptr};
    if (QFileInfo(chosenPath.Q()).fileName().isEmpty()) return t;
    const int dot = NameDot(chosenPath);
    if (dot >= 0) {
        CString typed = chosenPath.Mid(dot + 1);
        t.format = FindOutputFormat(typed.MakeLower().Utf8());
    }
    if (!t.format) t.format = OutputFormatAt(filterIndex);
    if (t.format && dot < 0) {
        t.path += QChar('.');
        t.path += CString(t.format->Ext());
    }
    return t;
}

CString SuggestedConvertName(const CString& currentPath) {
    const int dot = NameDot(currentPath);
    return dot < 0 ? CString() : currentPath.Left(dot);
}

BOOL WriteOutput(CLoomveilDoc& doc, const OutputFormat& format, const CString& path, double mmPerUnit) {
    struct Restore {
        CLoomveilDoc& doc;
        CString saved;
        ~Restore() {
            doc.m_strFilePath = saved;
            doc.m_dWriteMmPerUnit = 0;
        }
    } restore{doc, doc.m_strFilePath};
    doc.m_strFilePath = path;
    doc.m_dWriteMmPerUnit = mmPerUnit;
    return (doc.*format.write)();
}

} // namespace writers

BOOL CLoomveilDoc::ConvertFile(const CString& chosenPath, int filterIndex, double mmPerUnit) {
    const writers::ConvertTarget target = writers::ResolveConvertTarget(chosenPath, filterIndex);
    if (!target.format) {
        m_strError = "no output format for " + chosenPath.Utf8();
        return FALSE;
    }
    return writers::WriteOutput(*this, *target.format, target.path, mmPerUnit);
}
