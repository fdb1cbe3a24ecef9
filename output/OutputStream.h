#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>
#include <stdexcept>
#include <vector>

// A failure of export: the file could not be created or written. message() is what the error box shows.
class OutputError : public std::runtime_error {
public:
    explicit OutputError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A file written front to back through a small fixed buffer: memory does not grow with the file.
// A failed write throws OutputError with the system's text; what was written before stays.
class OutputStream {
public:
    // Creates the file, replacing one of that name; throws "Cannot create file %s" when it cannot.
    explicit OutputStream(const QString& path);
    ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void write(const char* data, qsizetype size) {
        if (used_ + size > static_cast<qsizetype>(buffer_.size())) {
            flush();
            if (size > static_cast<qsizetype>(buffer_.size())) {
                writeThrough(data, size);
                return;
            }
        }
        std::memcpy(buffer_.data() + used_, data, static_cast<size_t>(size));
        used_ += size;
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(char c) {
        if (used_ == static_cast<qsizetype>(buffer_.size()))
            flush();
        buffer_[static_cast<size_t>(used_++)] = c;
    }
    void writeU16(unsigned v) {
        write(static_cast<char>(v & 0xFF));
        write(static_cast<char>((v >> 8) & 0xFF));
    }
    void writeU32(quint32 v) {
        writeU16(v & 0xFFFF);
        writeU16(v >> 16);
    }

    // Hands the buffer to the file.
    void flush();
    // Flushes and closes; a failure throws.
    void close();
    const QString& path() const { return path_; }

private:
    void writeThrough(const char* data, qsizetype size);

    QString path_;
    QFile file_;
    std::vector<char> buffer_;
    qsizetype used_ = 0;
};
