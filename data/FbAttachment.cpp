#include "FbClient.h"

#include "FbApi.h"

#include <QFile>
#include <QtEndian>

// Attaching to a database file and the one transaction.
namespace fb {

// ---- Attachment ----

namespace {

QByteArray dpb(const QString& user, const QString& password, int pageBuffers) {
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
    if (pageBuffers > 0) {
        const quint32 pages = qToLittleEndian(quint32(pageBuffers));
        b.append(char(isc_dpb_num_buffers));
        b.append(char(sizeof pages));
        b.append(reinterpret_cast<const char*>(&pages), sizeof pages);
    }
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
    const QByteArray params = dpb(user, password, pageBuffers_);
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

} // namespace fb
