#include "pagestore/graphic_storage.h"

#include "pagestore/byte_stream.h"
#include "platform/error.h"
#include "platform/temp_files.h"

#include <QFile>

#include <algorithm>

namespace rl {

TRLGraphicStorage::TRLGraphicStorage(QObject* owner) : QObject(owner) {}

TRLGraphicStorage::~TRLGraphicStorage() {
    destroying_ = true;
    for (QObject* user : users_)
        disconnect(user, nullptr, this, nullptr);
    users_.clear();
    cache_.clear();
    if (spill_) {
        spill_->close();
        spill_.reset();
        QFile::remove(spillFileName_);
        TempFiles::remove(spillFileName_);
    }
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
    const QString name = TempFiles::newTempFileName();
    TempFiles::add(name);
    auto file = std::make_unique<QFile>(name);
    // Reports may hold payroll data: the spill file is the user's alone.
    if (!file->open(QIODevice::ReadWrite | QIODevice::NewOnly,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        TempFiles::remove(name);
        throw Error("Cannot create the temporary file " + name.toStdString() + ": " +
                    file->errorString().toStdString());
    }
    spill_ = std::move(file);
    spillFileName_ = name;
}

void TRLGraphicStorage::StorePage(TRLGraphicSurface& page) {
    EnsureSpillFile();
    const QByteArray body = page.SaveToBytes();
    QByteArray record;
    record.reserve(body.size() + 4);
    ByteWriter w(record);
    w.int32(std::int32_t(body.size()));
    w.bytes(body.constData(), body.size());

    const qint64 position = spill_->size();
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
