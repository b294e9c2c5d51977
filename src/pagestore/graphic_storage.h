#pragma once

#include "pagestore/graphic_surface.h"
#include "pagestore/variable_list.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QFile;

namespace rl {

// The page store: every page added is written to a temporary spill file, and
// at most five pages are kept in memory, so reports of any length use bounded
// memory. Pictures are kept once, in memory, whatever the number of pages
// showing them; a spilled page refers to its pictures by index. A page returned by Pages() is owned by the
// store and stays valid only until the next Add, Pages, Clear or FlushCache call.
//
// Lifetime: a store with an owner (QObject parent) lives as long as it; a store
// without owner destroys itself when its last user unlinks. Single-threaded.
class TRLGraphicStorage : public QObject {
    Q_OBJECT
public:
    static constexpr int kCacheSize = 5;

    explicit TRLGraphicStorage(QObject* owner = nullptr);
    ~TRLGraphicStorage() override;

    // Takes the page, writes it to the spill file and caches it. Errors creating
    // or writing the spill file propagate (rl::Error); the page is then discarded.
    void Add(std::unique_ptr<TRLGraphicSurface> page);
    int PageCount() const { return int(pageOffsets_.size()); }
    // Null when the index is out of range or the page cannot be read back.
    TRLGraphicSurface* Pages(int index);
    void Clear();
    void FlushCache();

    VariableList Variables;
    static constexpr std::int32_t FormatVersion = 3;

    std::int32_t FirstPageNumber() const { return Variables.integerValue("FirstPageNumber", 0); }
    void SetFirstPageNumber(std::int32_t value) { Variables.setInteger("FirstPageNumber", value); }
    std::int32_t LastPageNumber() const { return Variables.integerValue("LastPageNumber", 0); }
    void SetLastPageNumber(std::int32_t value) { Variables.setInteger("LastPageNumber", value); }
    std::string Title() const { return Variables.value("Title"); }
    void SetTitle(const std::string& title) { Variables.setValue("Title", title); }
    std::int32_t Orientation() const { return Variables.integerValue("Orientation", 1); }
    void SetOrientation(std::int32_t value) { Variables.setInteger("Orientation", value); }
    double PaperWidth() const { return Variables.numberValue("PaperWidth", 0); }
    void SetPaperWidth(double mm) { Variables.setNumber("PaperWidth", mm); }
    double PaperHeight() const { return Variables.numberValue("PaperHeight", 0); }
    void SetPaperHeight(double mm) { Variables.setNumber("PaperHeight", mm); }
    std::int32_t PaperWidthPixels() const;
    std::int32_t PaperHeightPixels() const;
    double OrientedWidth() const { return Orientation() == 1 ? PaperWidth() : PaperHeight(); }
    double OrientedHeight() const { return Orientation() == 1 ? PaperHeight() : PaperWidth(); }
    std::int32_t OrientedWidthPixels() const;
    std::int32_t OrientedHeightPixels() const;

    // Users besides the owner: they show or print this store.
    void Link(QObject* user);
    void Unlink(QObject* user);
    int UserCount() const { return int(users_.size()); }

    // The spill file never grows past a limit: RELANTOMADOR_SPILL_LIMIT_MB
    // when set, else 4 GiB or the free space of the temporary folder less
    // 256 MiB, whichever is smaller, taken when the file is made. Past it Add
    // throws rl::Error and the report stops being generated.
    static constexpr qint64 kDefaultSpillLimit = qint64(4) * 1024 * 1024 * 1024;
    static constexpr qint64 kSpillFreeMargin = qint64(256) * 1024 * 1024;
    static qint64 SpillLimitFor(const QString& folder);
    qint64 SpillLimit() const { return spillLimit_; }

    // For inspection and tests. The spill file has no name in the temporary
    // folder (see EnsureSpillFile); this path reaches it through the open
    // descriptor while the store lives. Empty until the first page is added.
    QString SpillFileName() const { return spillFileName_; }
    const std::vector<qint64>& PageOffsets() const { return pageOffsets_; }
    int CachedPageCount() const { return int(cache_.size()); }
    int PictureCount() const { return int(pictures_.size()); }
    bool IsCached(int pageSlot) const;

private:
    void StorePage(TRLGraphicSurface& page);
    void AddToCache(std::unique_ptr<TRLGraphicSurface> page);
    std::unique_ptr<TRLGraphicSurface> LoadPage(int index);
    void EnsureSpillFile();
    std::int32_t PictureIndex(const QByteArray& data);

    std::vector<std::unique_ptr<TRLGraphicSurface>> cache_; // oldest first
    std::vector<qint64> pageOffsets_;
    std::vector<QByteArray> pictures_; // every distinct picture of the pages, once
    std::unique_ptr<QFile> spill_;
    QByteArray recordBuffer_; // the page record being written
    QString spillFileName_;
    qint64 spillLimit_ = kDefaultSpillLimit;
    std::vector<QObject*> users_;
    bool destroying_ = false;
};

} // namespace rl
