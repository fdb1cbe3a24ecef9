#include "WindowPlacement.h"

#include "IniFile.h"

#include <QStringList>

#include <algorithm>

namespace placement {
namespace {

// "%d,%d,%d,%d", or nothing when any of the four cannot be read.
std::optional<QRect> readFour(const IniFile& file, const QString& section, const QString& key) {
    if (!file.hasKey(section, key))
        return std::nullopt;
    const QStringList parts = file.readString(section, key).split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return QRect(QPoint(v[0], v[1]), QPoint(v[2], v[3]));
}

std::optional<int> readNumber(const IniFile& file, const QString& section, const QString& key) {
    if (!file.hasKey(section, key))
        return std::nullopt;
    bool ok = false;
    const int v = file.readString(section, key).trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

Restored read(const IniFile& file, const QString& section, int currentPixelsPerInch, bool isMainWindow) {
    Restored r;
    r.state = isMainWindow ? ShowState::Maximized : ShowState::Normal;
    if (!file.hasSection(section))
        return r;
    if (readNumber(file, section, QStringLiteral("FormVersion")).value_or(0) < 0)
        return r;
    r.sectionApplied = true;

    const auto showCmd = readNumber(file, section, QStringLiteral("ShowCmd"));
    if (showCmd) {
        switch (*showCmd) {
        case 1:
        case 5:
        case 9:
            r.state = ShowState::Normal;
            break;
        case 2:
        case 6:
        case 7:
            r.state = ShowState::Minimized;
            break;
        case 3:
            r.state = ShowState::Maximized;
            break;
        default:
            break;
        }
    }

    const auto minMax = readFour(file, section, QStringLiteral("MinMaxPos"));
    const auto norm = readFour(file, section, QStringLiteral("NormPos"));
    const auto ppi = readNumber(file, section, QStringLiteral("PixelsPerInch"));
    const bool positionsApply = (minMax || norm) && ppi && *ppi == currentPixelsPerInch;
    if (positionsApply && norm) {
        // Stored as left, top, right, bottom.
        const QRect& n = *norm;
        const int left = n.topLeft().x(), top = n.topLeft().y();
        const int right = n.bottomRight().x(), bottom = n.bottomRight().y();
        if (left < right)
            r.normal = QRect(left, top, right - left, bottom - top);
    }
    return r;
}

void write(IniFile& file, const QString& section, const Saved& s) {
    file.writeInteger(section, QStringLiteral("FormVersion"), 0);
    file.writeInteger(section, QStringLiteral("Flags"), s.flags);
    file.writeInteger(section, QStringLiteral("ShowCmd"), s.showCmd);
    file.writeInteger(section, QStringLiteral("PixelsPerInch"), s.pixelsPerInch);
    file.writeString(
        section, QStringLiteral("MinMaxPos"),
        QStringLiteral("%1,%2,%3,%4").arg(s.minPos.x()).arg(s.minPos.y()).arg(s.maxPos.x()).arg(s.maxPos.y()));
    const QRect& n = s.normal;
    file.writeString(
        section, QStringLiteral("NormPos"),
        QStringLiteral("%1,%2,%3,%4").arg(n.left()).arg(n.top()).arg(n.left() + n.width()).arg(n.top() + n.height()));
    file.writeString(section, QStringLiteral("Visible"), s.visible ? QStringLiteral("1") : QStringLiteral("0"));
}

int showCmdFor(ShowState state) {
    switch (state) {
    case ShowState::Minimized:
        return 2;
    case ShowState::Maximized:
        return 3;
    case ShowState::Normal:
        break;
    }
    return 1;
}

QRect fitOnScreen(const QRect& wanted, const QList<QRect>& areas, const QSize& minimum) {
    if (areas.isEmpty() || !wanted.isValid())
        return wanted;
    QRect area = areas.first();
    long long best = 0;
    for (const QRect& a : areas) {
        const QRect common = a.intersected(wanted);
        const long long size = common.isValid() ? static_cast<long long>(common.width()) * common.height() : 0;
        if (size > best) {
            best = size;
            area = a;
        }
    }
    if (!area.isValid())
        return wanted;
    const int width = std::max(std::min(wanted.width(), area.width()), std::max(minimum.width(), 1));
    const int height = std::max(std::min(wanted.height(), area.height()), std::max(minimum.height(), 1));
    // Right and bottom edges first, so that a window larger than the area keeps its left-top corner in view.
    const int left = std::max(std::min(wanted.left(), area.left() + area.width() - width), area.left());
    const int top = std::max(std::min(wanted.top(), area.top() + area.height() - height), area.top());
    return QRect(left, top, width, height);
}

int fitSplit(int wanted, int total, int minFirst, int minSecond) {
    const int most = std::max(minFirst, total - minSecond);
    return std::clamp(wanted, minFirst, most);
}

} // namespace placement
