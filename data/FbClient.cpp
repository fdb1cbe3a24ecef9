#include "FbClient.h"

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

namespace fb {

struct Api {
    decltype(&::isc_attach_database) attach_database;
    decltype(&::isc_detach_database) detach_database;
    decltype(&::isc_drop_database) drop_database;
    decltype(&::isc_start_multiple) start_multiple;
    decltype(&::isc_commit_transaction) commit_transaction;
    decltype(&::isc_commit_retaining) commit_retaining;
    decltype(&::isc_rollback_transaction) rollback_transaction;
    decltype(&::isc_dsql_allocate_statement) dsql_allocate_statement;
    decltype(&::isc_dsql_prepare) dsql_prepare;
    decltype(&::isc_dsql_describe) dsql_describe;
    decltype(&::isc_dsql_describe_bind) dsql_describe_bind;
    decltype(&::isc_dsql_execute) dsql_execute;
    decltype(&::isc_dsql_execute2) dsql_execute2;
    decltype(&::isc_dsql_execute_immediate) dsql_execute_immediate;
    decltype(&::isc_dsql_fetch) dsql_fetch;
    decltype(&::isc_dsql_free_statement) dsql_free_statement;
    decltype(&::isc_dsql_sql_info) dsql_sql_info;
    decltype(&::fb_interpret) interpret;
    decltype(&::isc_sqlcode) sqlcode;
    decltype(&::isc_service_attach) service_attach;
    decltype(&::isc_service_detach) service_detach;
    decltype(&::isc_service_start) service_start;
    decltype(&::isc_service_query) service_query;
};

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

void notifyAttachAttempt() {
    if (attachObserver())
        attachObserver()();
}

} // namespace

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

namespace {
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
} // namespace

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

// ---- Attachment ----

namespace {

QByteArray dpb(const QString& user, const QString& password) {
    QByteArray b;
    b.append(char(isc_dpb_version1));
    auto add = [&b](char tag, const QByteArray& value) {
        b.append(tag);
        b.append(char(std::min<qsizetype>(value.size(), 255)));
        b.append(value.left(255));
    };
    // The engine takes the file name and the credentials as UTF-8 when the block says so; without
    // the flag it reads them in the system's character set and refuses anything beyond ASCII.
    add(char(isc_dpb_utf8_filename), QByteArray());
    add(char(isc_dpb_user_name), user.toUtf8());
    add(char(isc_dpb_password), password.toUtf8());
    add(char(isc_dpb_lc_ctype), QByteArrayLiteral("WIN1251"));
    return b;
}

} // namespace

Attachment::~Attachment() {
    if (handle_) {
        ISC_STATUS_ARRAY status;
        api().detach_database(status, &handle_);
        handle_ = 0;
    }
}

void Attachment::attach(const QString& databaseName, const QString& user, const QString& password) {
    const Api& a = api();
    ISC_STATUS_ARRAY status;
    const QByteArray name = databaseName.toUtf8();
    const QByteArray params = dpb(user, password);
    isc_db_handle h = 0;
    a.attach_database(status, static_cast<short>(name.size()), name.constData(), &h, static_cast<short>(params.size()),
                      params.constData());
    notifyAttachAttempt();
    check(status);
    handle_ = h;
}

void Attachment::detach() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().detach_database(status, &handle_);
    handle_ = 0;
    check(status);
}

void Attachment::drop() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().drop_database(status, &handle_);
    check(status);
    handle_ = 0;
}

void Attachment::create(const QString& databaseName, const QString& user, const QString& password) {
    const Api& a = api();
    QString quotedName = databaseName;
    quotedName.replace(u'\'', QStringLiteral("''"));
    QString sql = QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 4096 "
                                 "DEFAULT CHARACTER SET WIN1251")
                      .arg(quotedName, QString(user).replace(u'\'', QStringLiteral("''")),
                           QString(password).replace(u'\'', QStringLiteral("''")));
    const QByteArray bytes = QFile::encodeName(sql);
    ISC_STATUS_ARRAY status;
    isc_db_handle h = 0;
    isc_tr_handle t = 0;
    a.dsql_execute_immediate(status, &h, &t, 0, bytes.constData(), 3, nullptr);
    notifyAttachAttempt();
    check(status);
    handle_ = h;
}

// ---- Transaction ----

namespace {
struct TransactionElement {
    isc_db_handle* db;
    long tpbLength;
    const char* tpb;
};
} // namespace

Transaction::~Transaction() {
    rollback();
}

void Transaction::start(Attachment& db) {
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait};
    ISC_STATUS_ARRAY status;
    TransactionElement teb{db.handle(), static_cast<long>(sizeof tpb), tpb};
    api().start_multiple(status, &handle_, 1, &teb);
    check(status);
}

void Transaction::commit() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().commit_transaction(status, &handle_);
    check(status);
    handle_ = 0;
}

void Transaction::commitRetaining() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().commit_retaining(status, &handle_);
    check(status);
}

void Transaction::rollback() noexcept {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().rollback_transaction(status, &handle_);
    handle_ = 0;
}

// ---- Statement ----

struct Statement::Descriptor {
    std::vector<char> sqldaMemory;
    std::vector<std::vector<char>> buffers;
    std::vector<short> nulls;
    XSQLDA* sqlda() { return reinterpret_cast<XSQLDA*>(sqldaMemory.data()); }
    const XSQLDA* sqlda() const { return reinterpret_cast<const XSQLDA*>(sqldaMemory.data()); }

    void allocate(int n) {
        sqldaMemory.assign(XSQLDA_LENGTH(std::max(n, 1)), 0);
        sqlda()->version = SQLDA_VERSION1;
        sqlda()->sqln = static_cast<short>(std::max(n, 1));
    }

    // Gives every variable a buffer of its described size and a null indicator.
    void bindBuffers() {
        const int n = sqlda()->sqld;
        buffers.assign(n, {});
        nulls.assign(n, 0);
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = sqlda()->sqlvar[i];
            int size = v.sqllen;
            if ((v.sqltype & ~1) == SQL_VARYING)
                size += 2;
            buffers[i].assign(std::max(size, 8) + 2, 0);
            v.sqldata = buffers[i].data();
            v.sqlind = &nulls[i];
            v.sqltype |= 1; // every variable may be null
        }
    }
};

Statement::Statement(Attachment& db, Transaction& tr, const QString& sql)
    : db_(db), tr_(tr), in_(std::make_unique<Descriptor>()), out_(std::make_unique<Descriptor>()) {
    const Api& a = api();
    ISC_STATUS_ARRAY status;
    a.dsql_allocate_statement(status, db_.handle(), &handle_);
    check(status);
    const QByteArray text = cp1251::encode(sql);
    out_->allocate(16);
    a.dsql_prepare(status, tr_.handle(), &handle_, 0, text.constData(), 3, out_->sqlda());
    if (status[0] == 1 && status[1]) {
        const DbError err(statusText(status), a.sqlcode(status), status[1]);
        a.dsql_free_statement(status, &handle_, DSQL_drop);
        handle_ = 0;
        throw err;
    }
    if (out_->sqlda()->sqld > out_->sqlda()->sqln) {
        const int n = out_->sqlda()->sqld;
        out_->allocate(n);
        a.dsql_describe(status, &handle_, 1, out_->sqlda());
        check(status);
    }
    out_->bindBuffers();
    in_->allocate(16);
    a.dsql_describe_bind(status, &handle_, 1, in_->sqlda());
    check(status);
    if (in_->sqlda()->sqld > in_->sqlda()->sqln) {
        const int n = in_->sqlda()->sqld;
        in_->allocate(n);
        a.dsql_describe_bind(status, &handle_, 1, in_->sqlda());
        check(status);
    }
    in_->bindBuffers();

    // Is it a select (rows to fetch) or something else?
    const char item = isc_info_sql_stmt_type;
    char info[16] = {};
    a.dsql_sql_info(status, &handle_, 1, &item, sizeof info, info);
    check(status);
    if (info[0] == isc_info_sql_stmt_type) {
        const int len = static_cast<unsigned char>(info[1]) | (static_cast<unsigned char>(info[2]) << 8);
        int type = 0;
        for (int i = 0; i < len && i < 4; ++i)
            type |= static_cast<unsigned char>(info[3 + i]) << (8 * i);
        isSelect_ = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    }
}

Statement::~Statement() {
    if (handle_) {
        ISC_STATUS_ARRAY status;
        api().dsql_free_statement(status, &handle_, DSQL_drop);
    }
}

int Statement::paramCount() const {
    return in_->sqlda()->sqld;
}

void Statement::setParam(int index, const QVariant& value) {
    XSQLVAR& v = in_->sqlda()->sqlvar[index];
    std::vector<char>& buf = in_->buffers[index];
    if (value.isNull() || !value.isValid()) {
        in_->nulls[index] = -1;
        return;
    }
    in_->nulls[index] = 0;
    const int type = v.sqltype & ~1;
    switch (type) {
    case SQL_VARYING:
    case SQL_TEXT: {
        const QByteArray bytes =
            value.typeId() == QMetaType::QByteArray ? value.toByteArray() : cp1251::encode(value.toString());
        // The parameter takes the text whole; the server reports a text longer than the column.
        if (bytes.size() > v.sqllen || type == SQL_TEXT) {
            v.sqltype = SQL_VARYING | 1;
            v.sqllen = static_cast<short>(std::min<qsizetype>(bytes.size(), 32765));
            buf.assign(v.sqllen + 4, 0);
            v.sqldata = buf.data();
        }
        const short len = static_cast<short>(std::min<qsizetype>(bytes.size(), v.sqllen));
        std::memcpy(buf.data(), &len, 2);
        std::memcpy(buf.data() + 2, bytes.constData(), len);
        break;
    }
    case SQL_SHORT: {
        const short s = static_cast<short>(value.toInt());
        std::memcpy(buf.data(), &s, 2);
        break;
    }
    case SQL_LONG: {
        const ISC_LONG l = value.toInt();
        std::memcpy(buf.data(), &l, 4);
        break;
    }
    case SQL_INT64: {
        const ISC_INT64 l = value.toLongLong();
        std::memcpy(buf.data(), &l, 8);
        break;
    }
    case SQL_TYPE_DATE: {
        const ISC_DATE d = fromQDate(value.toDate());
        std::memcpy(buf.data(), &d, 4);
        break;
    }
    default:
        throw DbError(QStringLiteral("Unsupported parameter type %1").arg(type));
    }
}

void Statement::execute() {
    close();
    ISC_STATUS_ARRAY status;
    const Api& a = api();
    if (isSelect_ || out_->sqlda()->sqld == 0) {
        a.dsql_execute(status, tr_.handle(), &handle_, 3, in_->sqlda()->sqld ? in_->sqlda() : nullptr);
        check(status);
        cursorOpen_ = isSelect_;
    } else {
        // Execute procedure and insert ... returning give their one row at once.
        a.dsql_execute2(status, tr_.handle(), &handle_, 3, in_->sqlda()->sqld ? in_->sqlda() : nullptr, out_->sqlda());
        check(status);
    }
}

bool Statement::fetch() {
    if (!cursorOpen_)
        return false;
    ISC_STATUS_ARRAY status;
    const ISC_STATUS rc = api().dsql_fetch(status, &handle_, 3, out_->sqlda());
    if (rc == 100) {
        close();
        return false;
    }
    check(status);
    return true;
}

void Statement::close() {
    if (!cursorOpen_)
        return;
    ISC_STATUS_ARRAY status;
    api().dsql_free_statement(status, &handle_, DSQL_close);
    cursorOpen_ = false;
}

int Statement::affectedRows() const {
    const char item = isc_info_sql_records;
    char info[64] = {};
    ISC_STATUS_ARRAY status;
    api().dsql_sql_info(status, const_cast<isc_stmt_handle*>(&handle_), 1, &item, sizeof info, info);
    check(status);
    if (info[0] != isc_info_sql_records)
        return 0;
    auto number = [&info](int at, int len) {
        qint64 v = 0;
        for (int i = 0; i < len && i < 8; ++i)
            v |= qint64(static_cast<unsigned char>(info[at + i])) << (8 * i);
        return v;
    };
    const int total = static_cast<int>(number(1, 2));
    int count = 0;
    for (int at = 3; at < 3 + total && at < int(sizeof info) - 3 && info[at] != isc_info_end;) {
        const char kind = info[at];
        const int len = static_cast<int>(number(at + 1, 2));
        if (kind == isc_info_req_update_count || kind == isc_info_req_delete_count || kind == isc_info_req_insert_count)
            count += static_cast<int>(number(at + 3, len));
        at += 3 + len;
    }
    return count;
}

int Statement::columnCount() const {
    return out_->sqlda()->sqld;
}

QString Statement::columnName(int index) const {
    const XSQLVAR& v = out_->sqlda()->sqlvar[index];
    return QString::fromLatin1(v.aliasname, v.aliasname_length);
}

ColumnType Statement::columnType(int index) const {
    const XSQLVAR& v = out_->sqlda()->sqlvar[index];
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
    case SQL_VARYING:
        return ColumnType::Text;
    case SQL_SHORT:
        return v.sqlscale == 0 ? ColumnType::SmallInt : ColumnType::Double;
    case SQL_LONG:
        return v.sqlscale == 0 ? ColumnType::Integer : ColumnType::Double;
    case SQL_INT64:
        return v.sqlscale == 0 ? ColumnType::BigInt : ColumnType::Double;
    case SQL_TYPE_DATE:
        return ColumnType::Date;
    case SQL_TIMESTAMP:
        return ColumnType::Timestamp;
    case SQL_BLOB:
        return ColumnType::Blob;
    default:
        return ColumnType::Other;
    }
}

bool Statement::isNull(int index) const {
    return out_->nulls[index] < 0;
}

const char* Statement::textData(int index, int* length) const {
    const XSQLVAR& v = out_->sqlda()->sqlvar[index];
    if ((v.sqltype & ~1) == SQL_VARYING) {
        short len;
        std::memcpy(&len, v.sqldata, 2);
        *length = len;
        return v.sqldata + 2;
    }
    *length = v.sqllen;
    return v.sqldata;
}

qint64 Statement::integer(int index) const {
    const XSQLVAR& v = out_->sqlda()->sqlvar[index];
    switch (v.sqltype & ~1) {
    case SQL_SHORT: {
        short s;
        std::memcpy(&s, v.sqldata, 2);
        return s;
    }
    case SQL_LONG: {
        ISC_LONG l;
        std::memcpy(&l, v.sqldata, 4);
        return l;
    }
    case SQL_INT64: {
        ISC_INT64 l;
        std::memcpy(&l, v.sqldata, 8);
        return l;
    }
    default:
        return 0;
    }
}

ISC_DATE Statement::rawDate(int index) const {
    ISC_DATE d;
    std::memcpy(&d, out_->sqlda()->sqlvar[index].sqldata, 4);
    return d;
}

QVariant Statement::value(int index) const {
    if (isNull(index))
        return QVariant();
    switch (columnType(index)) {
    case ColumnType::Text: {
        int len = 0;
        const char* p = textData(index, &len);
        const XSQLVAR& v = out_->sqlda()->sqlvar[index];
        if (v.sqlsubtype == 1) // octets: RDB$DB_KEY and the like stay bytes
            return QByteArray(p, len);
        return cp1251::decode(p, len);
    }
    case ColumnType::SmallInt:
    case ColumnType::Integer:
        return static_cast<int>(integer(index));
    case ColumnType::BigInt:
        return integer(index);
    case ColumnType::Date:
        return toQDate(rawDate(index));
    default:
        return QVariant();
    }
}

// Dates: ISC_DATE counts days from 17 November 1858.
QDate toQDate(ISC_DATE d) {
    return QDate(1858, 11, 17).addDays(d);
}
ISC_DATE fromQDate(const QDate& d) {
    return static_cast<ISC_DATE>(QDate(1858, 11, 17).daysTo(d));
}

void executeImmediate(Attachment& db, Transaction& tr, const QString& sql) {
    Statement st(db, tr, sql);
    st.execute();
}

// ---- Service ----

Service::~Service() {
    if (handle_) {
        ISC_STATUS_ARRAY status;
        api().service_detach(status, &handle_);
    }
}

void Service::attach(const QString& serviceName, const QString& user, const QString& password) {
    QByteArray spb;
    spb.append(char(isc_spb_version));
    spb.append(char(isc_spb_current_version));
    auto add = [&spb](char tag, const QByteArray& value) {
        spb.append(tag);
        spb.append(char(std::min<qsizetype>(value.size(), 255)));
        spb.append(value.left(255));
    };
    add(char(isc_spb_utf8_filename), QByteArray());
    add(char(isc_spb_user_name), user.toUtf8());
    add(char(isc_spb_password), password.toUtf8());
    const QByteArray name = serviceName.toUtf8();
    ISC_STATUS_ARRAY status;
    api().service_attach(status, static_cast<unsigned short>(name.size()), name.constData(), &handle_,
                         static_cast<unsigned short>(spb.size()), spb.constData());
    notifyAttachAttempt();
    check(status);
}

void Service::detach() {
    if (!handle_)
        return;
    ISC_STATUS_ARRAY status;
    api().service_detach(status, &handle_);
    handle_ = 0;
    check(status);
}

namespace {
void addString(QByteArray& spb, char tag, const QByteArray& value) {
    spb.append(tag);
    const unsigned short len = static_cast<unsigned short>(value.size());
    spb.append(char(len & 0xff));
    spb.append(char(len >> 8));
    spb.append(value);
}
void addInt(QByteArray& spb, char tag, unsigned int value) {
    spb.append(tag);
    for (int i = 0; i < 4; ++i)
        spb.append(char((value >> (8 * i)) & 0xff));
}
} // namespace

void Service::startBackup(const QString& databasePath, const QString& backupFile, bool verbose) {
    QByteArray spb;
    spb.append(char(isc_action_svc_backup));
    addString(spb, char(isc_spb_dbname), QFile::encodeName(databasePath));
    addString(spb, char(isc_spb_bkp_file), QFile::encodeName(backupFile));
    if (verbose)
        spb.append(char(isc_spb_verbose));
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(spb.size()), spb.constData());
    check(status);
}

void Service::startRestore(const QString& backupFile, const QString& databasePath, bool replace, bool verbose) {
    QByteArray spb;
    spb.append(char(isc_action_svc_restore));
    addString(spb, char(isc_spb_bkp_file), QFile::encodeName(backupFile));
    addString(spb, char(isc_spb_dbname), QFile::encodeName(databasePath));
    addInt(spb, char(isc_spb_options), replace ? isc_spb_res_replace : isc_spb_res_create);
    addInt(spb, char(isc_spb_res_page_size), 4096);
    addInt(spb, char(isc_spb_res_buffers), 3000);
    if (verbose)
        spb.append(char(isc_spb_verbose));
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(spb.size()), spb.constData());
    check(status);
}

void Service::start(const QByteArray& request) {
    ISC_STATUS_ARRAY status;
    api().service_start(status, &handle_, nullptr, static_cast<unsigned short>(request.size()), request.constData());
    check(status);
}

QString Service::queryLine(bool* finished) {
    const char request[] = {isc_info_svc_line};
    char buffer[2048] = {};
    ISC_STATUS_ARRAY status;
    api().service_query(status, &handle_, nullptr, 0, nullptr, sizeof request, request, sizeof buffer, buffer);
    check(status);
    *finished = true;
    if (buffer[0] != isc_info_svc_line)
        return {};
    const int len = static_cast<unsigned char>(buffer[1]) | (static_cast<unsigned char>(buffer[2]) << 8);
    *finished = len == 0;
    return serverText(buffer + 3, std::min(len, int(sizeof buffer) - 3));
}

} // namespace fb
