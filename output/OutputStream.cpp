#include "OutputStream.h"

#include <cstring>

namespace {
constexpr size_t kBufferSize = 256 * 1024;
}

OutputStream::OutputStream(const QString& path) : path_(path), file_(path), buffer_(kBufferSize) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw OutputError(QStringLiteral("Cannot create file %1").arg(path));
}

OutputStream::~OutputStream() {
    // The part written so far stays in the file, also after a failure.
    try {
        flush();
    } catch (const OutputError&) {
    }
}

void OutputStream::writeThrough(const char* data, qsizetype size) {
    while (size > 0) {
        const qint64 n = file_.write(data, size);
        if (n <= 0)
            throw OutputError(file_.errorString());
        data += n;
        size -= n;
    }
}

void OutputStream::flush() {
    if (used_ == 0 || !file_.isOpen())
        return;
    const qsizetype n = used_;
    used_ = 0;
    writeThrough(buffer_.data(), n);
}

void OutputStream::close() {
    flush();
    if (!file_.flush())
        throw OutputError(file_.errorString());
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        throw OutputError(file_.errorString());
}
