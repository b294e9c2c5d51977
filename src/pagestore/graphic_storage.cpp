#include "pagestore/graphic_storage.h"

#include "pagestore/byte_stream.h"
#include "pagestore/graphic_object.h"
#include "platform/error.h"
#include "platform/temp_files.h"

#include <QFile>

#include <algorithm>
#include <utility>

#include <sys/statvfs.h>

namespace rl {

TRLGraphicStorage::TRLGraphicStorage(QObject* owner) : QObject(owner) {}

TRLGraphicStorage::~TRLGraphicStorage() {
    destroying_ = true;
    for (QObject* user : users_)
        disconnect(user, nullptr, this, nullptr);
    users_.clear();
    cache_.clear();
    // The spill file has no name: closing it frees it.
    spill_.reset();
}

std::int32_t TRLGraphicStorage::PaperWidthPixels() const {
    return roundEven(PaperWidth() * kUnitsPerMillimetre);
}
std::int32_t TRLGraphicStorage::PaperHeightPixels() const {
    return roundEven(PaperHeight() * kUnitsPerMillimetre);
}
std::int32_t TRLGraphicStorage::OrientedWidthPixels() const {
    return roundEven(OrientedWidth() * kUnitsPerMillimetre);
}
std::int32_t TRLGraphicStorage::OrientedHeightPixels() const {
    return roundEven(OrientedHeight() * kUnitsPerMillimetre);
}

void TRLGraphicStorage::EnsureSpillFile() {
    if (spill_) return;
    // Only this process reads the spill file, so it never needs a name in the
    // folder: it is gone with the process however it ends, SIGKILL included.
    // Reports may hold payroll data: it is the user's alone (0600).
    spill_ = TempFiles::openAnonymous();
    spillFileName_ = TempFiles::anonymousPath(*spill_);
    spillLimit_ = SpillLimitFor(TempFiles::folder());
}

qint64 TRLGraphicStorage::SpillLimitFor(const QString& folder) {
    bool ok = false;
    const qint64 megabytes = qEnvironmentVariable("RELANTOMADOR_SPILL_LIMIT_MB").toLongLong(&ok);
    if (ok && megabytes > 0) return megabytes * 1024 * 1024;
    qint64 limit = kDefaultSpillLimit;
    struct statvfs info;
    if (::statvfs(QFile::encodeName(folder).constData(), &info) == 0) {
        const qint64 available = qint64(info.f_bavail) * qint64(info.f_frsize);
        limit = std::min(limit, std::max<qint64>(0, available - kSpillFreeMargin));
    }
    return limit;
}

std::int32_t TRLGraphicStorage::PictureIndex(const QByteArray& data) {
    // The same picture on every page is one shared array: found by address
    // first, by content only when new.
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (pictures_[i].constData() == data.constData() && pictures_[i].size() == data.size())
            return std::int32_t(i);
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (pictures_[i] == data) return std::int32_t(i);
    pictures_.push_back(data);
    return std::int32_t(pictures_.size() - 1);
}

namespace {

// Puts each picture of a page back after its reference was serialized in its place.
class PictureSwap {
public:
    ~PictureSwap() {
        for (auto& [image, data] : swapped_)
            image->PictureData = std::move(data);
    }
    void replace(TRLImageObject& image, QByteArray reference) {
        swapped_.emplace_back(&image, std::exchange(image.PictureData, std::move(reference)));
    }

private:
    std::vector<std::pair<TRLImageObject*, QByteArray>> swapped_;
};

QByteArray pictureReference(std::int32_t index) {
    QByteArray reference;
    ByteWriter(reference).int32(index);
    return reference;
}

} // namespace

void TRLGraphicStorage::StorePage(TRLGraphicSurface& page) {
    EnsureSpillFile();
    // A picture is kept once by the store, and the record holds its index:
    // a logo on every page costs its bytes once, not once per page.
    // The record is built in a buffer kept from page to page.
    QByteArray& record = recordBuffer_;
    record.resize(0);
    {
        PictureSwap swap;
        for (const auto& item : page.Items())
            if (item->kind() == ObjectKind::Image) {
                auto& image = static_cast<TRLImageObject&>(*item);
                swap.replace(image, pictureReference(PictureIndex(image.PictureData)));
            }
        ByteWriter w(record);
        w.int32(0);
        page.SaveTo(w);
        w.patch32(0, std::int32_t(w.position() - 4));
    }

    const qint64 position = spill_->size();
    if (position + record.size() > spillLimit_)
        throw Error(QStringLiteral("O arquivo temporário das páginas passaria de %1 MB (o limite; "
                                   "RELANTOMADOR_SPILL_LIMIT_MB o muda): a geração do relatório parou.")
                        .arg(spillLimit_ / (1024 * 1024))
                        .toStdString());
    if (!spill_->seek(position) || spill_->write(record) != record.size() || !spill_->flush())
        throw Error("Cannot write the temporary file " + spillFileName_.toStdString() + ": " +
                    spill_->errorString().toStdString());
    if (page.PageSlot == -1) {
        pageOffsets_.push_back(position);
        page.PageSlot = std::int32_t(pageOffsets_.size() - 1);
    } else {
        pageOffsets_.at(size_t(page.PageSlot)) = position;
    }
    page.IsDirty = false;
}

void TRLGraphicStorage::AddToCache(std::unique_ptr<TRLGraphicSurface> page) {
    if (cache_.size() >= size_t(kCacheSize)) {
        std::unique_ptr<TRLGraphicSurface> oldest = std::move(cache_.front());
        cache_.erase(cache_.begin());
        if (oldest->IsDirty) StorePage(*oldest);
    }
    cache_.push_back(std::move(page));
}

std::unique_ptr<TRLGraphicSurface> TRLGraphicStorage::LoadPage(int index) {
    if (index < 0 || index >= PageCount() || !spill_) return nullptr;
    try {
        const qint64 position = pageOffsets_[size_t(index)];
        if (!spill_->seek(position)) return nullptr;
        const QByteArray sizeBytes = spill_->read(4);
        if (sizeBytes.size() != 4) return nullptr;
        ByteReader sizeReader(sizeBytes.constData(), 4);
        const std::int32_t size = sizeReader.int32();
        // The count is not trusted beyond the file's own end.
        if (size < 0 || size > spill_->size() - position - 4) return nullptr;
        const QByteArray body = spill_->read(size);
        if (body.size() != size) return nullptr;
        auto page = std::make_unique<TRLGraphicSurface>();
        page->SetStore(this);
        page->PageSlot = index;
        page->LoadFromBytes(body.constData(), body.size());
        for (const auto& item : page->Items()) {
            if (item->kind() != ObjectKind::Image) continue;
            auto* image = static_cast<TRLImageObject*>(item.get());
            const QByteArray& reference = image->PictureData;
            if (reference.size() != 4) return nullptr;
            const std::int32_t picture = ByteReader(reference.constData(), 4).int32();
            if (picture < 0 || size_t(picture) >= pictures_.size()) return nullptr;
            image->PictureData = pictures_[size_t(picture)];
        }
        return page;
    } catch (const std::exception&) {
        return nullptr; // a page that cannot be read is a missing page
    }
}

void TRLGraphicStorage::Add(std::unique_ptr<TRLGraphicSurface> page) {
    if (!page) return;
    page->SetStore(this);
    StorePage(*page);
    AddToCache(std::move(page));
}

TRLGraphicSurface* TRLGraphicStorage::Pages(int index) {
    for (const auto& page : cache_)
        if (page->PageSlot == index) return page.get();
    auto loaded = LoadPage(index);
    if (!loaded) return nullptr;
    TRLGraphicSurface* result = loaded.get();
    AddToCache(std::move(loaded));
    return result;
}

bool TRLGraphicStorage::IsCached(int pageSlot) const {
    return std::any_of(cache_.begin(), cache_.end(),
                       [&](const auto& page) { return page->PageSlot == pageSlot; });
}

void TRLGraphicStorage::Clear() {
    if (spill_) spill_->resize(0);
    pageOffsets_.clear();
    cache_.clear();
    pictures_.clear();
    Variables.clear();
}

void TRLGraphicStorage::FlushCache() {
    for (const auto& page : cache_)
        if (page->IsDirty) StorePage(*page);
}

void TRLGraphicStorage::Link(QObject* user) {
    if (!user || user == parent() || std::find(users_.begin(), users_.end(), user) != users_.end()) return;
    users_.push_back(user);
    connect(user, &QObject::destroyed, this, [this, user] { Unlink(user); });
}

void TRLGraphicStorage::Unlink(QObject* user) {
    if (destroying_) return;
    const auto it = std::find(users_.begin(), users_.end(), user);
    if (it == users_.end()) return;
    users_.erase(it);
    disconnect(user, nullptr, this, nullptr);
    if (!parent() && users_.empty()) delete this;
}

} // namespace rl
