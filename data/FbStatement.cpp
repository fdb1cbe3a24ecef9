#include "FbClient.h"

#include "FbApi.h"

#include "Cp1251.h"

#include <cstring>

// Prepared statements: parameters in, rows out, and the conversions of their values.
namespace fb {

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

} // namespace fb
