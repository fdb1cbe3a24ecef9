#include "RowStore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

constexpr size_t kBlockSize = size_t(8) << 20;

} // namespace

void RowStore::Unmap::operator()(Block* b) const {
    munmap(b->data, b->size);
    delete b;
}

int PackedRow::offset(int k) const {
    const auto* o = reinterpret_cast<const unsigned char*>(offsets());
    if (!wide())
        return o[k];
    return o[2 * k] | (o[2 * k + 1] << 8);
}

int PackedRow::slot(int i) const {
    const auto* nulls = reinterpret_cast<const unsigned char*>(p_ + kKeySize + 1);
    int below = 0;
    for (int b = 0; b < i / 8; ++b)
        below += std::popcount(static_cast<unsigned>(nulls[b]));
    if (i % 8)
        below += std::popcount(static_cast<unsigned>(nulls[i / 8] & ((1u << (i % 8)) - 1)));
    return i - below;
}

RowBuilder::RowBuilder(int columns) : columns_(columns), nulls_((columns + 7) / 8) {
    offsets_.reserve(static_cast<size_t>(columns) + 1);
    payload_.reserve(1024);
    out_.reserve(1024);
}

void RowBuilder::start(const char* key, int keyLength) {
    std::memset(key_, 0, sizeof key_);
    std::memcpy(key_, key, static_cast<size_t>(std::clamp(keyLength, 0, PackedRow::kKeySize)));
    std::fill(nulls_.begin(), nulls_.end(), 0);
    payload_.clear();
    offsets_.clear();
    column_ = 0;
}

void RowBuilder::addNull() {
    nulls_[static_cast<size_t>(column_ / 8)] |= static_cast<unsigned char>(1 << (column_ % 8));
    ++column_;
}

void RowBuilder::addBytes(const char* data, int length) {
    offsets_.push_back(static_cast<int>(payload_.size()));
    payload_.insert(payload_.end(), data, data + length);
    ++column_;
}

std::string_view RowBuilder::finish() {
    offsets_.push_back(static_cast<int>(payload_.size()));
    const bool wide = payload_.size() > 255;
    out_.clear();
    out_.insert(out_.end(), key_, key_ + PackedRow::kKeySize);
    out_.push_back(wide ? 1 : 0);
    out_.insert(out_.end(), nulls_.begin(), nulls_.end());
    for (int o : offsets_) {
        out_.push_back(static_cast<char>(o & 0xFF));
        if (wide)
            out_.push_back(static_cast<char>((o >> 8) & 0xFF));
    }
    out_.insert(out_.end(), payload_.begin(), payload_.end());
    return std::string_view(out_.data(), out_.size());
}

void RowStore::clear() {
    index_.clear();
    index_.shrink_to_fit();
    blocks_.clear();
    used_ = capacity_ = 0;
}

const char* RowStore::store(std::string_view packed) {
    if (capacity_ - used_ < packed.size()) {
        capacity_ = std::max(kBlockSize, packed.size());
        void* data = mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            throw std::bad_alloc();
        blocks_.push_back(std::unique_ptr<Block, Unmap>(new Block{static_cast<char*>(data), capacity_}));
        used_ = 0;
    }
    char* p = blocks_.back()->data + used_;
    std::memcpy(p, packed.data(), packed.size());
    used_ += packed.size();
    return p;
}

void RowStore::append(std::string_view packed) {
    index_.push_back(store(packed));
}

void RowStore::replace(int row, std::string_view packed) {
    index_[static_cast<size_t>(row)] = store(packed);
}

void RowStore::erase(int row) {
    index_.erase(index_.begin() + row);
}
