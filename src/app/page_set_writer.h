#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace rl {

class OutputFile;

// Writes a set of page pictures into a folder as one unit: every picture is
// written to a file without a name (OutputFile) and all of them get their
// names only at commit(), so a run that fails (a full disk, a page that
// cannot be painted) or is ended by any signal, SIGKILL included, leaves no
// part of a set, and the pictures of an earlier run stay as they were.
//
// Each name obeys the rule of every output: never the report's own file,
// never a folder or a special file (refused), a symbolic link followed.
// Errors are rl::Error naming the file and the system's reason.
class PageSetWriter {
public:
    // pageCount: how many pictures the set will hold; each stays open until
    // commit(), so a set the process's open-file limit cannot hold is refused
    // here (rl::Error), before anything is painted.
    PageSetWriter(const QString& folder, int pageCount);
    ~PageSetWriter();
    PageSetWriter(const PageSetWriter&) = delete;
    PageSetWriter& operator=(const PageSetWriter&) = delete;

    // Throws when the name cannot take a picture, before anything is painted.
    void checkName(const QString& name) const;
    // Writes the picture as PNG, still without its name.
    void add(const QString& name, const QImage& image);
    // Puts every picture in place under its name.
    void commit();

private:
    QString folder_;
    std::vector<std::unique_ptr<OutputFile>> files_;
};

} // namespace rl
