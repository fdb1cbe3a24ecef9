// libFuzzer target: a language file parsed and its messages looked up.
#include "IniLang.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto file = std::make_unique<LangFile>(bytes);
    (void)file->read(QStringLiteral("Misc"), QStringLiteral("M001"), QString());
    (void)file->read(QStringLiteral("TFormMain"), QStringLiteral("Caption"), QStringLiteral("-"));
    SetCurrentLangFile(std::move(file));
    (void)LangMessage(QStringLiteral("M110"), QStringLiteral("M110"));
    SetCurrentLangFile(nullptr);
    return 0;
}
