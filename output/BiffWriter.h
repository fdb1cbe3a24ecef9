#pragma once

#include <QByteArray>
#include <QtGlobal>

class OutputStream;

// The records of a bare BIFF worksheet stream: beginning of file, the code page, one record per cell,
// end of file. Every number is little-endian. The writer keeps a current row and column: each cell
// goes to the current place, the column advances after it and newRow() starts the next row.
class BiffWriter {
public:
    explicit BiffWriter(OutputStream& out) : out_(out) {}

    // Lowest and highest integer that the integer record keeps (30 bits, shifted left by 2).
    static constexpr qint64 kMinRkInteger = -536870912;
    static constexpr qint64 kMaxRkInteger = 536870911;

    void beginFile();
    void endFile();

    // A text cell: the bytes as given (cp1251), cut to 65535 bytes.
    void label(const QByteArray& cp1251Text);
    void label(const char* data, qsizetype size);
    // An integer cell; an integer that the integer record cannot keep is written as a number record.
    void integer(qint64 value);
    // A floating-point cell.
    void number(double value);

    void newRow() {
        ++row_;
        column_ = 0;
    }
    quint16 row() const { return row_; }
    quint16 column() const { return column_; }

private:
    void header(quint16 type, quint16 length);
    void cellPlace();

    OutputStream& out_;
    quint16 row_ = 0;
    quint16 column_ = 0;
};
