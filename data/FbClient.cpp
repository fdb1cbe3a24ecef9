#include "FbClient.h"

#include "FbApi.h"

#include "Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

// Loading the client library and reading its status vectors.
namespace fb {

namespace {

QString& libName() {
    static QString name = QStringLiteral("libfbclient.so.2");
    return name;
}

// The engine keeps its lock files in one folder; a folder of the user's own avoids the
// permission failures of a shared /tmp/firebird made by another user.
void prepareLockFolder() {
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString folder = base.isEmpty() ? QStringLiteral("/tmp/korvane-firebird-%1").arg(getuid())
                                    : base + QStringLiteral("/korvane-firebird");
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    qputenv("FIREBIRD_LOCK", path);
}

// Writes a file only when its content differs, through a temporary file and a rename, so that two
// copies of the program starting at once never see half a file.
bool writeIfDifferent(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == content.size() && existing.readAll() == content)
        return true;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(content);
    return out.commit();
}

QByteArray readWhole(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The engine's installed files, where Debian and the upstream packages put them.
QString installedFile(const QStringList& candidates) {
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile())
            return QFileInfo(c).canonicalFilePath();
    return {};
}

// The embedded engine of the installed configuration runs in Super mode, which lets only one
// process open a database file. A private configuration root that asks for SuperClassic lets two
// copies of the program (and the tests' second attachments in other processes) share a file
// through the lock manager. The root must hold real copies of the character-set module and its
// configuration; the engine finds its plugins and messages through the installed paths. A root set
// by the user (FIREBIRD) is left alone.
void preparePrivateRoot() {
    if (qEnvironmentVariableIsSet("FIREBIRD"))
        return;
    const QStringList bases = {QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0"),
                               QStringLiteral("/usr/lib/aarch64-linux-gnu/firebird/3.0"),
                               QStringLiteral("/usr/lib/i386-linux-gnu/firebird/3.0"),
                               QStringLiteral("/usr/lib/firebird/3.0"), QStringLiteral("/opt/firebird")};
    auto find = [&bases](const QString& name, const QStringList& extra = {}) {
        QStringList candidates = extra;
        for (const QString& b : bases)
            candidates << b + u'/' + name;
        return installedFile(candidates);
    };
    const QString intlModule = find(QStringLiteral("intl/libfbintl.so"));
    const QString intlConf =
        find(QStringLiteral("intl/fbintl.conf"), {QStringLiteral("/etc/firebird/3.0/fbintl.conf")});
    if (intlModule.isEmpty() || intlConf.isEmpty())
        return; // an engine laid out otherwise keeps its own configuration
    const QString conf = find(QStringLiteral("firebird.conf"), {QStringLiteral("/etc/firebird/3.0/firebird.conf")});
    const QString messages = find(QStringLiteral("firebird.msg"));

    const QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString root = base.isEmpty() ? QStringLiteral("/tmp/korvane-firebird-root-%1").arg(getuid())
                                        : base + QStringLiteral("/korvane-firebird-root");
    if (!QDir().mkpath(root + QStringLiteral("/intl")))
        return;
    ::chmod(QFile::encodeName(root).constData(), 0700);

    // The installed settings, with the server mode that shares files between processes.
    QByteArray settings;
    for (const QByteArray& line : readWhole(conf).split('\n')) {
        if (line.trimmed().startsWith("ServerMode"))
            continue;
        settings += line + '\n';
    }
    settings += "\n# Set by Korvane: copies of the program share a database file.\nServerMode = SuperClassic\n";
    bool ok = writeIfDifferent(root + QStringLiteral("/firebird.conf"), settings);
    ok = ok && writeIfDifferent(root + QStringLiteral("/intl/libfbintl.so"), readWhole(intlModule));
    ok = ok && writeIfDifferent(root + QStringLiteral("/intl/fbintl.conf"), readWhole(intlConf));
    if (!messages.isEmpty())
        ok = ok && writeIfDifferent(root + QStringLiteral("/firebird.msg"), readWhole(messages));
    if (ok)
        qputenv("FIREBIRD", QFile::encodeName(root));
}

template <typename F> void resolve(void* lib, F& fn, const char* name, bool& ok) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    if (!fn)
        ok = false;
}

struct Loaded {
    std::unique_ptr<Api> api;
    QString loadedName;
};

Loaded& loaded() {
    static Loaded l;
    return l;
}

std::mutex& loadMutex() {
    static std::mutex m;
    return m;
}

std::function<void()>& attachObserver() {
    static std::function<void()> observer;
    return observer;
}

} // namespace

void notifyAttachAttempt() {
    if (attachObserver())
        attachObserver()();
}

void setAttachObserver(std::function<void()> observer) {
    attachObserver() = std::move(observer);
}

QString libraryName() {
    return libName();
}
void setLibraryName(const QString& name) {
    libName() = name;
}

QString libraryMissingMessage() {
    return QStringLiteral(
               "Firebird library %1 not found in the path. Please install Firebird to use this functionality")
        .arg(libName());
}

const Api& api() {
    std::lock_guard lock(loadMutex());
    Loaded& l = loaded();
    if (l.api && l.loadedName == libName())
        return *l.api;
    prepareLockFolder();
    preparePrivateRoot();
    void* lib = dlopen(QFile::encodeName(libName()).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!lib)
        throw DbError(libraryMissingMessage());
    auto a = std::make_unique<Api>();
    bool ok = true;
    resolve(lib, a->attach_database, "isc_attach_database", ok);
    resolve(lib, a->detach_database, "isc_detach_database", ok);
    resolve(lib, a->drop_database, "isc_drop_database", ok);
    resolve(lib, a->start_multiple, "isc_start_multiple", ok);
    resolve(lib, a->commit_transaction, "isc_commit_transaction", ok);
    resolve(lib, a->commit_retaining, "isc_commit_retaining", ok);
    resolve(lib, a->rollback_transaction, "isc_rollback_transaction", ok);
    resolve(lib, a->dsql_allocate_statement, "isc_dsql_allocate_statement", ok);
    resolve(lib, a->dsql_prepare, "isc_dsql_prepare", ok);
    resolve(lib, a->dsql_describe, "isc_dsql_describe", ok);
    resolve(lib, a->dsql_describe_bind, "isc_dsql_describe_bind", ok);
    resolve(lib, a->dsql_execute, "isc_dsql_execute", ok);
    resolve(lib, a->dsql_execute2, "isc_dsql_execute2", ok);
    resolve(lib, a->dsql_execute_immediate, "isc_dsql_execute_immediate", ok);
    resolve(lib, a->dsql_fetch, "isc_dsql_fetch", ok);
    resolve(lib, a->dsql_free_statement, "isc_dsql_free_statement", ok);
    resolve(lib, a->dsql_sql_info, "isc_dsql_sql_info", ok);
    resolve(lib, a->interpret, "fb_interpret", ok);
    resolve(lib, a->sqlcode, "isc_sqlcode", ok);
    resolve(lib, a->service_attach, "isc_service_attach", ok);
    resolve(lib, a->service_detach, "isc_service_detach", ok);
    resolve(lib, a->service_start, "isc_service_start", ok);
    resolve(lib, a->service_query, "isc_service_query", ok);
    if (!ok) {
        dlclose(lib);
        throw DbError(libraryMissingMessage());
    }
    // The library stays loaded for the rest of the run: the engine keeps threads of its own.
    l.api = std::move(a);
    l.loadedName = libName();
    return *l.api;
}

// The server's own texts (its messages, the output of backup and restore) carry file names as the
// bytes they were given, which are UTF-8 here, beside values in the connection's WIN1251. Each run
// of non-ASCII bytes that reads as UTF-8 is taken as such; cp1251 Cyrillic practically never does.
QString serverText(const char* data, qsizetype size) {
    QString text;
    text.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        if (static_cast<unsigned char>(data[i]) < 0x80) {
            text.append(QLatin1Char(data[i++]));
            continue;
        }
        qsizetype end = i;
        while (end < size && static_cast<unsigned char>(data[end]) >= 0x80)
            ++end;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString run = utf8.decode(QByteArrayView(data + i, end - i));
        text.append(utf8.hasError() ? cp1251::decode(data + i, end - i) : run);
        i = end;
    }
    return text;
}

QString statusText(const ISC_STATUS* status) {
    QStringList lines;
    const ISC_STATUS* pvector = status;
    char buffer[1024];
    while (api().interpret(buffer, sizeof buffer, &pvector) > 0)
        lines << serverText(buffer, static_cast<qsizetype>(std::strlen(buffer)));
    return lines.join(QStringLiteral("\n"));
}

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0)
        throw DbError(statusText(status), api().sqlcode(status), status[1]);
}

} // namespace fb
