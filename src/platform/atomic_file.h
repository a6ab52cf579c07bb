// AtomicFile: a CFile that replaces its target all at once or not at all.
//
// Open creates a new temporary file in the target's folder (so the final
// rename stays on one file system) and every write goes there. Commit (or
// Close) flushes it to the disk and renames it over the target; Discard (or
// Abort, or destruction without a commit, or a failed commit) removes it.
// Whatever goes wrong while writing, the target is the old file or the
// complete new one, and no temporary file is left behind.
//
// An existing target keeps its permission bits, and one reached through a
// symbolic link is replaced at the link's destination. A target that exists
// but is not a regular file (a device such as /dev/null, a pipe) cannot be
// replaced: it is opened and written directly; a pipe that no program reads
// is refused at once (ENXIO) instead of waiting for a reader.
#pragma once

#include "platform/file.h"

#include <string>

class AtomicFile : public CFile {
public:
    AtomicFile() = default;
    ~AtomicFile() override;

    // Only the write modes make sense here; the flags are accepted for the
    // CFile signature and the file is always created new, write-only. A
    // regular target the user may not write is refused (accessDenied), as
    // opening it for writing would be.
    BOOL Open(const CString& path, UINT flags = modeCreate | modeWrite,
              CFileException* pError = nullptr) override;

    // Puts the written file in the target's place. Throws CFileException when
    // the data cannot be flushed or the rename fails; the temporary file is
    // removed then and the target is unchanged.
    void Commit();
    // Closes and removes the temporary file; never throws.
    void Discard();

    void Close() override { Commit(); }
    void Abort() override { Discard(); }

    // The temporary file while one is open (empty when writing directly).
    const std::string& TempPath() const { return m_temp; }

private:
    std::string m_target; // local path that the rename replaces
    std::string m_temp;
};
