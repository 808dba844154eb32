#include "Statement.h"

#include "Dialect.h"
#include "Sql.h"
#include "StoreError.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <sqlite3.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace quirels::store {

Statement::~Statement() = default;

namespace {

// The kinds of the columns appendColumns() writes: a kind byte, then a
// number's 8 bytes, or a text's or blob's length (4 bytes) and bytes.
enum class Packed : char { Null, Integer, Real, Text, Blob };

template <typename T>
char *packNumber(char *out, Packed kind, T v)
{
    *out++ = char(kind);
    std::memcpy(out, &v, sizeof(T));
    return out + sizeof(T);
}

char *packBytes(char *out, Packed kind, const char *data, int size)
{
    if (!data)
        size = 0;
    const qint32 n = size;
    *out++ = char(kind);
    std::memcpy(out, &n, sizeof n);
    out += sizeof n;
    if (size > 0)
        std::memcpy(out, data, static_cast<size_t>(size));
    return out + size;
}

// The same for a value known only as a QVariant (any store but SQLite).
void packVariant(QByteArray &to, ValueType type, const QVariant &v)
{
    QByteArray bytes;
    switch (type) {
    case ValueType::Null: to.append(char(Packed::Null)); return;
    case ValueType::Integer: {
        char b[9];
        packNumber(b, Packed::Integer, static_cast<qint64>(v.toLongLong()));
        to.append(b, sizeof b);
        return;
    }
    case ValueType::Real: {
        char b[9];
        packNumber(b, Packed::Real, v.toDouble());
        to.append(b, sizeof b);
        return;
    }
    case ValueType::Blob: bytes = v.toByteArray(); break;
    case ValueType::Text: bytes = v.toString().toUtf8(); break;
    }
    const qsizetype at = to.size();
    to.resize(at + 1 + 4 + bytes.size());
    packBytes(to.data() + at, type == ValueType::Blob ? Packed::Blob : Packed::Text, bytes.constData(),
              static_cast<int>(bytes.size()));
}

template <typename T>
T unpack(const char *&at)
{
    T v;
    std::memcpy(&v, at, sizeof(T));
    at += sizeof(T);
    return v;
}

// The user's sentence for the engine's last failure, as Qt SQL would report
// it (the technical text goes to the store's log).
Failure failure(sqlite3 *db, const QSqlDriver *driver)
{
    const QSqlError e(QString(), QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                      QString::number(sqlite3_extended_errcode(db)));
    return describe(e, driver);
}

// The engine's own statement on the connection that Qt SQL opened: the same
// file, the same transaction, no conversion through QVariant.
class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3 *db, sqlite3_stmt *stmt, const QSqlDriver *driver) : m_db(db), m_stmt(stmt), m_driver(driver)
    {
    }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    void bindNull(int i) override { sqlite3_bind_null(m_stmt, i + 1); }
    void bindInteger(int i, qint64 v) override { sqlite3_bind_int64(m_stmt, i + 1, v); }
    void bindReal(int i, double v) override { sqlite3_bind_double(m_stmt, i + 1, v); }
    void bindText(int i, QStringView v) override
    {
        // Converted here into a buffer the statement keeps for the
        // parameter (the file's texts are UTF-8): no allocation per value
        // once the buffer is big enough, and no conversion in the engine.
        if (static_cast<size_t>(i) >= m_texts.size())
            m_texts.resize(static_cast<size_t>(i) + 1);
        std::vector<char> &buffer = m_texts[static_cast<size_t>(i)];
        QStringEncoder encoder(QStringEncoder::Utf8);
        const qsizetype room = encoder.requiredSpace(v.size()) + 1;
        if (buffer.size() < static_cast<size_t>(room))
            buffer.resize(static_cast<size_t>(room));
        char *end = encoder.appendToBuffer(buffer.data(), v);
        *end = '\0';
        // A text the engine knows to be NUL-terminated (a length of -1) is
        // read in place by functions such as length() in the tables' width
        // rules; with an explicit length the engine copies it to terminate
        // it, once per rule. A text holding a NUL itself keeps its length.
        const int length = static_cast<int>(end - buffer.data());
        const bool plain = std::memchr(buffer.data(), 0, static_cast<size_t>(length)) == nullptr;
        sqlite3_bind_text(m_stmt, i + 1, buffer.data(), plain ? -1 : length, SQLITE_STATIC);
    }

    Status run() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
            sqlite3_reset(m_stmt);
            return {};
        }
        const Failure why = failure(m_db, m_driver);
        m_failedOnRow = why.aboutRow();
        sqlite3_reset(m_stmt);
        return makeError(why.message, 2);
    }

    qint64 lastInsertId() const override { return sqlite3_last_insert_rowid(m_db); }

    Status start() override
    {
        sqlite3_reset(m_stmt);
        return {};
    }

    Result<bool> next() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE) {
            sqlite3_reset(m_stmt);
            return false;
        }
        const QString why = errorText();
        sqlite3_reset(m_stmt);
        return makeError(why, 2);
    }

    ValueType type(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_NULL: return ValueType::Null;
        case SQLITE_INTEGER: return ValueType::Integer;
        case SQLITE_FLOAT: return ValueType::Real;
        case SQLITE_BLOB: return ValueType::Blob;
        default: return ValueType::Text;
        }
    }
    qint64 integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const override { return sqlite3_column_double(m_stmt, column); }
    QStringView text(int column) const override
    {
        const auto *p = static_cast<const char16_t *>(sqlite3_column_text16(m_stmt, column));
        const int bytes = sqlite3_column_bytes16(m_stmt, column);
        return p ? QStringView(p, bytes / 2) : QStringView();
    }
    QByteArrayView utf8(int column) const override
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return p ? QByteArrayView(p, sqlite3_column_bytes(m_stmt, column)) : QByteArrayView();
    }
    void appendColumns(QByteArray &to, int first, int count) const override
    {
        // One look-up of each column; the value's own functions then read it
        // without a conversion (the file's texts are UTF-8). The row's size
        // first, so that it is written with one growth of `to`.
        constexpr int kAtOnce = 64;
        sqlite3_value *values[kAtOnce];
        int types[kAtOnce];
        for (int from = first; from < first + count; from += kAtOnce) {
            const int k = std::min(kAtOnce, first + count - from);
            qsizetype size = 0;
            for (int i = 0; i < k; ++i) {
                values[i] = sqlite3_column_value(m_stmt, from + i);
                types[i] = sqlite3_value_type(values[i]);
                switch (types[i]) {
                case SQLITE_NULL: size += 1; break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT: size += 1 + 8; break;
                case SQLITE_BLOB: size += 1 + 4 + sqlite3_value_bytes(values[i]); break;
                default:
                    sqlite3_value_text(values[i]); // its bytes are counted as text
                    size += 1 + 4 + sqlite3_value_bytes(values[i]);
                }
            }
            const qsizetype at = to.size();
            to.resize(at + size);
            char *out = to.data() + at;
            for (int i = 0; i < k; ++i) {
                sqlite3_value *v = values[i];
                switch (types[i]) {
                case SQLITE_NULL: *out++ = char(Packed::Null); break;
                case SQLITE_INTEGER: out = packNumber(out, Packed::Integer, sqlite3_value_int64(v)); break;
                case SQLITE_FLOAT: out = packNumber(out, Packed::Real, sqlite3_value_double(v)); break;
                case SQLITE_BLOB:
                    out = packBytes(out, Packed::Blob, static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
                    break;
                default:
                    out = packBytes(out, Packed::Text, reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                    sqlite3_value_bytes(v));
                }
            }
        }
    }

    // The conversions of the Qt SQLite driver, so that both paths read alike.
    QVariant value(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_NULL: return QVariant(QMetaType::fromType<QString>());
        case SQLITE_INTEGER: return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_stmt, column)));
        case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, column));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, column)),
                              sqlite3_column_bytes(m_stmt, column));
        default: {
            // A text of ASCII alone (most of them) is taken as the file
            // holds it; any other goes through the engine's own conversion.
            const auto *bytes = sqlite3_column_text(m_stmt, column);
            const int size = sqlite3_column_bytes(m_stmt, column);
            bool ascii = bytes != nullptr;
            for (int i = 0; ascii && i < size; ++i)
                ascii = bytes[i] < 0x80;
            if (ascii)
                return QString::fromLatin1(reinterpret_cast<const char *>(bytes), size);
            return text(column).toString();
        }
        }
    }

private:
    QString errorText() const { return failure(m_db, m_driver).message; }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    const QSqlDriver *m_driver;
    std::vector<std::vector<char>> m_texts; // the texts bound, per parameter
};

// Any other store: the same operations through a Qt SQL query.
class QtStatement final : public Statement {
public:
    explicit QtStatement(QSqlQuery q) : m_query(std::move(q)) {}

    void bindNull(int i) override { m_query.bindValue(i, QVariant()); }
    void bindInteger(int i, qint64 v) override { m_query.bindValue(i, static_cast<qlonglong>(v)); }
    void bindReal(int i, double v) override { m_query.bindValue(i, v); }
    void bindText(int i, QStringView v) override { m_query.bindValue(i, v.isNull() ? QStringLiteral("") : v.toString()); }

    Status run() override
    {
        if (!m_query.exec()) {
            const Failure why = describe(m_query);
            m_failedOnRow = why.aboutRow();
            return makeError(why.message, 2);
        }
        return {};
    }
    qint64 lastInsertId() const override { return dialect::lastInsertId(m_query); }
    Status start() override { return run(); }
    Result<bool> next() override
    {
        if (m_query.next())
            return true;
        if (m_query.lastError().isValid())
            return makeError(sql::errorText(m_query), 2);
        return false;
    }

    ValueType type(int column) const override
    {
        const QVariant v = m_query.value(column);
        if (v.isNull())
            return ValueType::Null;
        switch (v.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: return ValueType::Integer;
        case QMetaType::Double:
        case QMetaType::Float: return ValueType::Real;
        case QMetaType::QByteArray: return ValueType::Blob;
        default: return ValueType::Text;
        }
    }
    qint64 integer(int column) const override { return m_query.value(column).toLongLong(); }
    double real(int column) const override { return m_query.value(column).toDouble(); }
    QStringView text(int column) const override
    {
        m_text = m_query.value(column).toString();
        return m_text;
    }
    QByteArrayView utf8(int column) const override
    {
        m_utf8 = m_query.value(column).toString().toUtf8();
        return m_utf8;
    }
    void appendColumns(QByteArray &to, int first, int count) const override
    {
        for (int c = first; c < first + count; ++c)
            packVariant(to, type(c), m_query.value(c));
    }
    QVariant value(int column) const override { return m_query.value(column); }

private:
    QSqlQuery m_query;
    mutable QString m_text;
    mutable QByteArray m_utf8;
};

} // namespace

QVariant Statement::readColumn(const char *&at)
{
    switch (static_cast<Packed>(*at++)) {
    case Packed::Null: return QVariant(QMetaType::fromType<QString>());
    case Packed::Integer: return QVariant(static_cast<qlonglong>(unpack<qint64>(at)));
    case Packed::Real: return QVariant(unpack<double>(at));
    case Packed::Blob: {
        const qint32 size = unpack<qint32>(at);
        const QByteArray bytes(at, size);
        at += size;
        return bytes;
    }
    case Packed::Text: break;
    }
    const qint32 size = unpack<qint32>(at);
    const char *text = at;
    at += size;
    // As value() reads it: a text of ASCII alone (most of them) as is, any
    // other from its UTF-8.
    bool ascii = true;
    for (qint32 i = 0; ascii && i < size; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    return ascii ? QString::fromLatin1(text, size) : QString::fromUtf8(text, size);
}

namespace {

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.driver())
        return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

} // namespace

bool bindAsQtSql(Statement &st, int i, const QVariant &v)
{
    if (v.isNull()) {
        st.bindNull(i);
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString &text = *static_cast<const QString *>(v.constData());
        if (text.isNull())
            st.bindNull(i);
        else
            st.bindText(i, text);
        return true;
    }
    case QMetaType::Bool: st.bindInteger(i, v.toBool() ? 1 : 0); return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong: st.bindInteger(i, v.toLongLong()); return true;
    case QMetaType::Double: st.bindReal(i, v.toDouble()); return true;
    default: return false;
    }
}

Result<std::unique_ptr<Statement>> prepare(QSqlDatabase &db, const QString &statement)
{
    if (sqlite3 *h = sqliteHandle(db)) {
        const QByteArray text = statement.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v3(h, text.constData(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                               nullptr) != SQLITE_OK) {
            const QString why = failure(h, db.driver()).message;
            sqlite3_finalize(stmt);
            return makeError(why, 2);
        }
        return std::unique_ptr<Statement>(std::make_unique<SqliteStatement>(h, stmt, db.driver()));
    }
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (!q.prepare(statement))
        return makeError(sql::errorText(q), 2);
    return std::unique_ptr<Statement>(std::make_unique<QtStatement>(std::move(q)));
}

} // namespace quirels::store
