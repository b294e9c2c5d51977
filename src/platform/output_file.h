#pragma once

#include "platform/error.h"

#include <QFile>
#include <QString>

#include <memory>

namespace rl {

// The failure of an output's file: its name and why (see OutputFile). Callers
// that tell a file problem from a device's failure (the batch mode's exit
// status) catch this one.
class OutputFileError : public Error {
public:
    using Error::Error;
};

// One file the program writes for the user: an export, a text-mode printer
// file, a page picture, a hand-off file, an e-mail attachment. Every output
// goes through here, so one rule holds for all of them:
//
// - The report's own file (ProtectFile) is never written, however the target
//   names it (a symbolic link, a hard link, a /proc path): files are compared
//   by device and inode after symbolic links are resolved.
// - A regular file, or a name that does not exist yet, is written to a file
//   without a name in the target's folder (O_TMPFILE; where the file system
//   lacks it, a hidden name deleted on every exit path the process controls)
//   and gets the target's name only at Commit(). Until then the old file
//   stays whole; a run that fails, is cancelled or is killed, even by SIGKILL,
//   leaves nothing under the name. A symbolic link is followed: the file it
//   points at is replaced, the link stays.
// - An existing target that is not a regular file (a device, a FIFO, a
//   socket) is never replaced by a regular file: it is written directly when
//   the caller says that is meant (a printer's device), refused otherwise.
// - Every error (OutputFileError) names the file and the system's reason, in the one message
//   "Não foi possível gravar o arquivo \"PATH\": REASON".
//
// Not thread-safe; one writer per instance.
class OutputFile {
public:
    enum class SpecialFiles { Refuse, WriteDirectly };

    // Opens the output. Throws rl::Error, with nothing created, when the path
    // is the protected file, a folder, a special file refused, or cannot be
    // opened (the folder is missing or not writable).
    explicit OutputFile(const QString& path, SpecialFiles special = SpecialFiles::Refuse);
    // Without Commit(), whatever was written is dropped (a direct target keeps
    // the bytes it has been sent).
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    QIODevice& device();
    const QString& path() const { return path_; }
    // Whether the bytes go straight to a device or FIFO.
    bool isDirect() const { return direct_; }

    // Writes what is buffered; throws rl::Error naming the file and the
    // reason ("No space left on device") when the system refused it.
    void check();
    // check(), then puts the file in place under its name (or closes a direct
    // target). Throws rl::Error; the target is then as it was before.
    void commit();
    // Drops what was written. Never throws.
    void discard() noexcept;

    // The message of every output failure: the file and why.
    static QString failureText(const QString& path, const QString& reason);
    // The refusal of a target that is the report itself.
    static QString OwnReportText(const QString& path);
    // The process's protected file: the report being shown. Empty: none.
    static void ProtectFile(const QString& path);
    static QString ProtectedFile();
    // Whether both paths reach the same existing file (device and inode,
    // symbolic links followed); false when either does not exist.
    static bool SameFile(const QString& a, const QString& b);
    // Throws the output failure for path when it reaches the protected file.
    static void CheckNotProtected(const QString& path);
    // Throws what the constructor would for a target it refuses, without
    // opening anything; returns the resolved target.
    static QString CheckTarget(const QString& path, SpecialFiles special = SpecialFiles::Refuse);
    // The file a path writes: the path itself, or where its symbolic links
    // lead (a dangling link: the missing file it names), made absolute.
    static QString ResolvedTarget(const QString& path);

private:
    [[noreturn]] void fail(const QString& reason) const;
    [[noreturn]] void failWithErrno(int error) const;
    void openUnnamed(const QString& folder);
    void closeDescriptor() noexcept;

    QString path_;
    QString target_; // the resolved file that Commit() replaces
    QString named_;  // the hidden name, when the file system has no O_TMPFILE
    int fd_ = -1;
    bool direct_ = false;
    bool committed_ = false;
    std::unique_ptr<QFile> file_;
};

} // namespace rl
