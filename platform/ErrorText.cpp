#include "ErrorText.h"

#include <cerrno>
#include <cstring>

namespace errortext {

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString lastOsError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace errortext
