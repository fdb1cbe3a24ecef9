// libFuzzer target: the values of a grid layout file read into a grid of the contact list's columns.
#include "GridLayout.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DBgrids.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const IniFile file(path);
    GridColumns grid;
    for (const char* field : {"NUM_MAIN", "FAM", "FIRST_NAME", "JOB_TEL1", "NOTES"})
        grid.columns.push_back({QString::fromLatin1(field)});
    RestoreGridLayout(grid, file, QStringLiteral("TFormMain"), QStringLiteral("DBGridEh1"), AllLayoutParts);
    if (grid.columns.size() != 5)
        __builtin_trap(); // a layout only orders and sets columns, never adds or drops one
    showAllColumns(grid);
    return 0;
}
