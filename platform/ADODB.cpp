// Implementation of database access components over Qt SQL.
#include "ADODB.h"
#include "Language.h"
#include "SysUtils.h"
#include <QAtomicInt>
#include <QDebug>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace {

QAtomicInt GConnectionCounter;

TDateTime DateTimeFromQDateTime(const QDateTime &DT)
{
    static const QDate Epoch(1899, 12, 30);
    const double days = double(Epoch.daysTo(DT.date()));
    const double frac = DT.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the time of day still counts forward from midnight.
    return days >= 0 ? days + frac : days - frac;
}

QString ProviderDriver(const QString &Provider)
{
    const QString p = Provider.trimmed().toLower();
    if (p.startsWith(QLatin1String("sqlite")) || p.startsWith(QLatin1String("microsoft.jet")))
        return QStringLiteral("QSQLITE");
    if (p.startsWith(QLatin1String("postgres")) || p == QLatin1String("qpsql"))
        return QStringLiteral("QPSQL");
    if (p.startsWith(QLatin1String("sqloledb")) || p.startsWith(QLatin1String("sqlncli"))
        || p.startsWith(QLatin1String("msdasql")) || p == QLatin1String("odbc"))
        return QStringLiteral("QODBC");
    return QString();
}

// "Query1: Field 'x' not found"; a query without a name says only the field.
QString FieldNotFound(const QString &DataSet, const QString &Field)
{
    const QString msg = QStringLiteral("Field '%1' not found").arg(Field);
    return DataSet.isEmpty() ? msg : DataSet + QStringLiteral(": ") + msg;
}

QString DatabaseErrorText(const QSqlError &E)
{
    QString s = E.databaseText().trimmed();
    const QString d = E.driverText().trimmed();
    if (s.isEmpty())
        return d;
    if (!d.isEmpty() && !s.contains(d))
        s = d + QStringLiteral(": ") + s;
    return s;
}

// The key=value pairs of a connection string, separated by ';'; a value may
// be quoted with " or '.
QList<QPair<QString, QString>> ConnectionPairs(const QString &s)
{
    QList<QPair<QString, QString>> pairs;
    int i = 0;
    while (i < s.size()) {
        int eq = s.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        // Empty entries (";;") and words without '=' before the key are no part of it.
        QString k = s.mid(i, eq - i);
        k = k.mid(k.lastIndexOf(QLatin1Char(';')) + 1).trimmed();
        int j = eq + 1;
        while (j < s.size() && s[j] == QLatin1Char(' '))
            ++j;
        QString v;
        if (j < s.size() && (s[j] == QLatin1Char('"') || s[j] == QLatin1Char('\''))) {
            const QChar q = s[j];
            int end = s.indexOf(q, j + 1);
            if (end < 0)
                end = s.size();
            v = s.mid(j + 1, end - j - 1);
            j = s.indexOf(QLatin1Char(';'), end);
            if (j < 0)
                j = s.size();
        } else {
            int end = s.indexOf(QLatin1Char(';'), j);
            if (end < 0)
                end = s.size();
            v = s.mid(j, end - j).trimmed();
            j = end;
        }
        pairs.append({k, v});
        i = j + 1;
    }
    return pairs;
}

// SQLite reports declared REAL columns holding whole numbers as integers and the
// reverse; the field accessors convert on demand, so the raw value is kept.
QString DateText(const QVariant &V)
{
    if (V.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = V.toDateTime();
        if (dt.time() == QTime(0, 0))
            return FormatDateTime(FormatSettings.ShortDateFormat, DateTimeFromQDateTime(dt));
        return DateTimeToStr(DateTimeFromQDateTime(dt));
    }
    return FormatDateTime(FormatSettings.ShortDateFormat, DateTimeFromQDateTime(QDateTime(V.toDate(), QTime(0, 0))));
}

bool IsFloatType(const QVariant &V)
{
    const int t = V.typeId();
    return t == QMetaType::Double || t == QMetaType::Float;
}

bool IsIntType(const QVariant &V)
{
    switch (V.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------- TADOConnection

TADOConnection::TADOConnection(TComponent *AOwner)
    : TComponent(AOwner),
      FQtName(QStringLiteral("station-ado-%1").arg(GConnectionCounter.fetchAndAddRelaxed(1) + 1))
{
}

TADOConnection::~TADOConnection()
{
    Close();
    if (QSqlDatabase::contains(FQtName))
        QSqlDatabase::removeDatabase(FQtName);
}

void TADOConnection::SetConnectionString(const QString &Value)
{
    if (Value == FConnectionString)
        return;
    Close();
    FConnectionString = Value;
}

QString TADOConnection::ConnectionParam(const QString &Key) const
{
    for (const auto &kv : ConnectionPairs(FConnectionString))
        if (kv.first.compare(Key, Qt::CaseInsensitive) == 0)
            return kv.second;
    return QString();
}

QStringList TADOConnection::UnusedKeys() const
{
    const QString driver = DriverName();
    if (driver.isEmpty())
        return {};
    // Persist Security Info only tells ADO whether to keep the password: nothing to do here.
    QStringList used = {QStringLiteral("Provider"), QStringLiteral("Data Source"), QStringLiteral("Persist Security Info")};
    if (driver != QLatin1String("QSQLITE"))
        used << QStringLiteral("Port") << QStringLiteral("Initial Catalog") << QStringLiteral("User ID") << QStringLiteral("Password");
    if (driver == QLatin1String("QODBC"))
        used << QStringLiteral("Driver");
    QStringList unused;
    for (const auto &kv : ConnectionPairs(FConnectionString))
        if (!used.contains(kv.first, Qt::CaseInsensitive))
            unused << kv.first;
    return unused;
}

QString TADOConnection::DriverName() const
{
    return ProviderDriver(ConnectionParam(QStringLiteral("Provider")));
}

QSqlDatabase TADOConnection::Database() const
{
    return QSqlDatabase::database(FQtName, false);
}

bool TADOConnection::Connected() const
{
    return QSqlDatabase::contains(FQtName) && Database().isOpen();
}

void TADOConnection::SetConnected(bool Value)
{
    if (Value)
        Open();
    else
        Close();
}

void TADOConnection::Open()
{
    if (Connected())
        return;
    const QString driver = DriverName();
    if (driver.isEmpty())
        throw EDatabaseError(QStringLiteral("Provider cannot be found. It may not be properly installed: '%1'")
                                 .arg(ConnectionParam(QStringLiteral("Provider"))));
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw EDatabaseError(QStringLiteral("Database driver %1 is not installed").arg(driver));
    const QString source = ConnectionParam(QStringLiteral("Data Source"));
    if (QSqlDatabase::contains(FQtName))
        QSqlDatabase::removeDatabase(FQtName);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, FQtName);
    if (driver == QLatin1String("QSQLITE")) {
        // Opening a missing file would silently create an empty database.
        const QFileInfo fi(source);
        if (source.isEmpty() || !fi.exists() || !fi.isFile())
            throw EDatabaseError(ResourceText(QStringLiteral("Could not find file '%1'."), QStringLiteral("找不到文件 '%1'")).arg(source));
        if (!fi.isReadable())
            throw EDatabaseError(ResourceText(QStringLiteral("Cannot open file '%1'."), QStringLiteral("无法打开文件 '%1'")).arg(source));
        db.setDatabaseName(source);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
        const QString catalog = ConnectionParam(QStringLiteral("Initial Catalog"));
        const QString user = ConnectionParam(QStringLiteral("User ID"));
        const QString password = ConnectionParam(QStringLiteral("Password"));
        QString host = source;
        int port = ConnectionParam(QStringLiteral("Port")).toInt();
        const int comma = host.indexOf(QLatin1Char(','));
        if (comma >= 0) { // SQL Server's "host,port"
            port = host.mid(comma + 1).trimmed().toInt();
            host = host.left(comma).trimmed();
        }
        if (driver == QLatin1String("QPSQL")) {
            db.setHostName(host);
            if (port > 0)
                db.setPort(port);
            db.setDatabaseName(catalog);
            db.setUserName(user);
            db.setPassword(password);
            // libpq takes both when connecting: the statement limit as a server setting.
            QStringList options;
            if (FConnectionTimeout > 0)
                options << QStringLiteral("connect_timeout=%1").arg(FConnectionTimeout);
            if (FStatementTimeout > 0)
                options << QStringLiteral("options='-c statement_timeout=%1'").arg(FStatementTimeout);
            db.setConnectOptions(options.join(QLatin1Char(';')));
        } else {
            // An ODBC driver named in the string ("Driver=PostgreSQL Unicode") is used as
            // it is; otherwise FreeTDS reaches a SQL Server.
            const QString named = ConnectionParam(QStringLiteral("Driver")).remove(QLatin1Char('{')).remove(QLatin1Char('}'));
            QString odbc =
                named.isEmpty()
                    ? QStringLiteral("DRIVER={FreeTDS};SERVER=%1;PORT=%2;DATABASE=%3;UID=%4;PWD=%5;TDS_Version=7.3;ClientCharset=UTF-8")
                          .arg(host).arg(port > 0 ? port : 1433).arg(catalog, user, password)
                    : QStringLiteral("DRIVER={%1};SERVER=%2;PORT=%3;DATABASE=%4;UID=%5;PWD=%6")
                          .arg(named, host).arg(port > 0 ? port : 1433).arg(catalog, user, password);
            db.setDatabaseName(odbc);
            if (FConnectionTimeout > 0)
                db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(FConnectionTimeout));
        }
    }
    if (!db.open()) {
        const QString msg = DatabaseErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(FQtName);
        throw EDatabaseError(msg.isEmpty() ? QStringLiteral("Cannot connect to the database") : msg);
    }
    if (FStatementTimeout > 0 && driver != QLatin1String("QPSQL"))
        LimitStatements();
}

void TADOConnection::LimitStatements()
{
    // ODBC has no connection option for it, so the server's own setting is
    // asked for: PostgreSQL bounds whole statements, SQL Server lock waits
    // only. A server that knows neither is used without a limit.
    QSqlDatabase db = Database();
    QStringList tries;
    if (DriverName() == QLatin1String("QODBC")) {
        const QSqlDriver::DbmsType dbms = db.driver()->dbmsType();
        if (dbms != QSqlDriver::MSSqlServer)
            tries << QStringLiteral("set statement_timeout = %1").arg(FStatementTimeout);
        if (dbms != QSqlDriver::PostgreSQL)
            tries << QStringLiteral("set lock_timeout %1").arg(FStatementTimeout);
    }
    QStringList refused;
    for (const QString &sql : tries) {
        QSqlQuery q(db);
        if (q.exec(sql))
            return;
        refused << sql + QStringLiteral(": ") + DatabaseErrorText(q.lastError()).simplified();
    }
    qWarning().noquote() << QStringLiteral("%1: statements on this server run without the %2 ms limit%3")
                                .arg(Name().isEmpty() ? ConnectionParam(QStringLiteral("Provider")) : Name())
                                .arg(FStatementTimeout)
                                .arg(refused.isEmpty() ? QString() : QStringLiteral(" (") + refused.join(QStringLiteral("; ")) + QLatin1Char(')'));
}

void TADOConnection::Close()
{
    if (!QSqlDatabase::contains(FQtName))
        return;
    {
        QSqlDatabase db = Database();
        if (db.isOpen()) {
            if (FInTransaction)
                db.rollback();
            db.close();
        }
    }
    FInTransaction = false;
}

void TADOConnection::BeginTrans()
{
    Open();
    if (!Database().transaction())
        throw EDatabaseError(DatabaseErrorText(Database().lastError()));
    FInTransaction = true;
}

void TADOConnection::CommitTrans()
{
    if (!FInTransaction)
        throw EDatabaseError(QStringLiteral("No transaction is active"));
    FInTransaction = false;
    if (!Database().commit()) {
        const QString msg = DatabaseErrorText(Database().lastError());
        Database().rollback(); // a failed commit must not leave the transaction open
        throw EDatabaseError(msg);
    }
}

void TADOConnection::RollbackTrans()
{
    if (!FInTransaction)
        throw EDatabaseError(QStringLiteral("No transaction is active"));
    FInTransaction = false;
    if (!Database().rollback())
        throw EDatabaseError(DatabaseErrorText(Database().lastError()));
}

void TADOConnection::RunInTransaction(const std::function<void()> &Work)
{
    BeginTrans();
    try {
        Work();
        CommitTrans();
    } catch (...) {
        if (FInTransaction) {
            try {
                RollbackTrans();
            } catch (const Exception &) {
                // The transaction is gone either way; the first error is the one to report.
            }
        }
        throw;
    }
}

// ---------------------------------------------------------------- TField

QString TField::FieldName() const { return FDataSet->FFieldNames.value(FIndex); }

QVariant TField::AsQVariant() const
{
    FDataSet->CheckBrowseRow();
    return FDataSet->CurrentRow().Values.value(FIndex);
}

bool TField::IsNull() const
{
    const QVariant v = AsQVariant();
    return !v.isValid() || v.isNull();
}

Variant TField::Value() const
{
    return IsNull() ? Null() : Variant::FromQVariant(AsQVariant());
}

QString TField::AsString() const
{
    const QVariant v = AsQVariant();
    if (!v.isValid() || v.isNull())
        return QString();
    if (IsFloatType(v))
        return FloatToStr(v.toDouble());
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime)
        return DateText(v);
    if (v.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v.toByteArray());
    return v.toString();
}

qint64 TField::AsLargeInt() const
{
    const QVariant v = AsQVariant();
    if (!v.isValid() || v.isNull())
        return 0;
    if (IsIntType(v))
        return v.toLongLong();
    if (IsFloatType(v))
        return Round64(v.toDouble());
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    const QString s = v.toString().trimmed();
    qint64 i;
    if (TryStrToInt64(s, i))
        return i;
    double d;
    if (TryStrToFloat(s, d))
        return Round64(d);
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
}

int TField::AsInteger() const
{
    const qint64 v = AsLargeInt();
    if (v < INT_MIN || v > INT_MAX)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v));
    return int(v);
}

double TField::AsFloat() const
{
    const QVariant v = AsQVariant();
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (IsIntType(v) || IsFloatType(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime)
        return AsDateTime();
    const QString s = v.toString().trimmed();
    if (s.isEmpty())
        return 0.0;
    return StrToFloat(s);
}

bool TField::AsBoolean() const
{
    const QVariant v = AsQVariant();
    if (!v.isValid() || v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (IsIntType(v) || IsFloatType(v))
        return v.toDouble() != 0.0;
    const QString s = v.toString().trimmed();
    if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s == QLatin1String("1")
        || s.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (s.isEmpty() || s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || s == QLatin1String("0")
        || s.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(s));
}

double TField::AsDateTime() const
{
    const QVariant v = AsQVariant();
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::QDate)
        return DateTimeFromQDateTime(QDateTime(v.toDate(), QTime(0, 0)));
    if (v.typeId() == QMetaType::QDateTime)
        return DateTimeFromQDateTime(v.toDateTime());
    if (IsIntType(v) || IsFloatType(v))
        return v.toDouble();
    const QString s = v.toString().trimmed();
    // Dates are stored as ISO text; accept a time part too.
    const QDateTime iso = QDateTime::fromString(s, Qt::ISODate);
    if (iso.isValid())
        return DateTimeFromQDateTime(iso);
    const QDate d = QDate::fromString(s, Qt::ISODate);
    if (d.isValid())
        return DateTimeFromQDateTime(QDateTime(d, QTime(0, 0)));
    return StrToDateTime(s);
}

void TField::SetValue(const Variant &V)
{
    if (FDataSet->FState != dsEdit && FDataSet->FState != dsInsert)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    FDataSet->CurrentRow().Values[FIndex] = (V).ToQVariant();
}

void TField::SetAsString(const QString &S) { SetValue(Variant(S)); }
void TField::SetAsInteger(int I) { SetValue(Variant(I)); }
void TField::SetAsFloat(double D) { SetValue(Variant(D)); }
void TField::SetAsBoolean(bool B) { SetValue(Variant(B)); }
void TField::Clear() { SetValue(Null()); }

// ---------------------------------------------------------------- TParameters

TParameter *TParameters::FindParam(const QString &Name)
{
    for (auto &p : FItems)
        if (p->Name.compare(Name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

TParameter &TParameters::ParamByName(const QString &Name)
{
    if (TParameter *p = FindParam(Name))
        return *p;
    return AddParameter(Name, Variant());
}

TParameter &TParameters::AddParameter(const QString &Name, const Variant &Value)
{
    FItems.push_back(std::make_unique<TParameter>());
    FItems.back()->Name = Name;
    FItems.back()->Value = Value;
    return *FItems.back();
}

TParameter &TParameters::Items(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return *FItems[size_t(Index)];
}

// ---------------------------------------------------------------- TADOQuery

TADOQuery::TADOQuery(TComponent *AOwner) : TComponent(AOwner) {}

TADOQuery::~TADOQuery() = default;

void TADOQuery::SetConnection(TADOConnection *Value)
{
    if (Value == FConnection)
        return;
    Close();
    FConnection = Value;
}

QString TADOQuery::StatementText() const
{
    QString text = FSQL.Text().trimmed();
    return text;
}

QSqlDatabase TADOQuery::DatabaseOrRaise() const
{
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("Missing Connection or ConnectionString"));
    FConnection->Open();
    return FConnection->Database();
}

// Parameters bind by name (":name") or, when the text uses '?', by position.
void TADOQuery::BindParameters(QSqlQuery &Q, QString &Text) const
{
    bool positional = false;
    bool inQuote = false;
    for (QChar c : Text) {
        if (c == QLatin1Char('\''))
            inQuote = !inQuote;
        else if (!inQuote && c == QLatin1Char('?'))
            positional = true;
    }
    auto *self = const_cast<TADOQuery *>(this);
    for (int i = 0; i < self->FParameters.Count(); ++i) {
        const TParameter &p = self->FParameters.Items(i);
        const QVariant v = (p.Value).ToQVariant();
        if (positional)
            Q.addBindValue(v);
        else
            Q.bindValue(QLatin1Char(':') + p.Name, v);
    }
}

// Statements without parameters run directly: some servers cannot prepare
// every kind of statement (PostgreSQL refuses to prepare DDL).
void TADOQuery::RunStatement(QSqlQuery &Q, QString &Text) const
{
    bool ok;
    if (FParameters.Count() == 0) {
        ok = Q.exec(Text);
    } else {
        if (!Q.prepare(Text))
            throw EDatabaseError(DatabaseErrorText(Q.lastError()));
        BindParameters(Q, Text);
        ok = Q.exec();
    }
    if (!ok)
        throw EDatabaseError(DatabaseErrorText(Q.lastError()));
}

void TADOQuery::Open()
{
    if (Active())
        Close();
    QSqlDatabase db = DatabaseOrRaise();
    QString text = StatementText();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    RunStatement(q, text);
    if (!q.isSelect())
        throw EDatabaseError(QStringLiteral("CommandText does not return a result set"));
    const QSqlRecord rec = q.record();
    FFieldNames.clear();
    for (int i = 0; i < rec.count(); ++i)
        FFieldNames << rec.fieldName(i);
    FRows.clear();
    FDeleted.clear();
    while (q.next()) {
        Row r;
        r.Values.resize(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            r.Values[i] = q.value(i);
        r.Original = r.Values;
        FRows.push_back(std::move(r));
    }
    FState = dsBrowse;
    First();
}

void TADOQuery::Close()
{
    FState = dsInactive;
    FRows.clear();
    FDeleted.clear();
    FFieldNames.clear();
    FFieldObjects.clear();
    FCurrent = 0;
    FEof = FBof = true;
}

void TADOQuery::SetActive(bool Value)
{
    if (Value)
        Open();
    else
        Close();
}

int TADOQuery::ExecSQL()
{
    QSqlDatabase db = DatabaseOrRaise();
    QString text = StatementText();
    QSqlQuery q(db);
    RunStatement(q, text);
    return q.numRowsAffected();
}

void TADOQuery::CheckActive() const
{
    if (FState == dsInactive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TADOQuery::CheckBrowseRow() const
{
    CheckActive();
    if (FRows.empty() || FCurrent < 0 || FCurrent >= int(FRows.size()))
        throw EDatabaseError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
}

TADOQuery::Row &TADOQuery::CurrentRow() { return FRows[size_t(FCurrent)]; }
const TADOQuery::Row &TADOQuery::CurrentRow() const { return FRows[size_t(FCurrent)]; }

void TADOQuery::First()
{
    CheckActive();
    FCurrent = 0;
    FBof = true;
    FEof = FRows.empty();
}

void TADOQuery::Last()
{
    CheckActive();
    FCurrent = FRows.empty() ? 0 : int(FRows.size()) - 1;
    FEof = true;
    FBof = FRows.empty();
}

void TADOQuery::Next()
{
    CheckActive();
    if (FState != dsBrowse)
        Post();
    FBof = false;
    if (FCurrent + 1 < int(FRows.size()))
        ++FCurrent;
    else
        FEof = true;
}

void TADOQuery::Prior()
{
    CheckActive();
    if (FState != dsBrowse)
        Post();
    FEof = false;
    if (FCurrent > 0)
        --FCurrent;
    else
        FBof = true;
}

void TADOQuery::SetRecNo(int Value)
{
    CheckActive();
    if (Value < 1 || Value > int(FRows.size()))
        return;
    FCurrent = Value - 1;
    FEof = FBof = false;
}

int TADOQuery::FieldIndex(const QString &Name) const
{
    for (int i = 0; i < FFieldNames.size(); ++i)
        if (FFieldNames[i].compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TField TADOQuery::FieldByName(const QString &Name)
{
    CheckActive();
    const int i = FieldIndex(Name);
    if (i < 0)
        throw EDatabaseError(FieldNotFound(this->Name(), Name));
    return TField(this, i);
}

TField *TADOQuery::FindField(const QString &Name)
{
    const int i = FieldIndex(Name);
    if (i < 0)
        return nullptr;
    FFieldObjects.push_back(std::make_unique<TField>(this, i));
    return FFieldObjects.back().get();
}

TField TADOQuery::Fields(int Index)
{
    CheckActive();
    if (Index < 0 || Index >= FieldCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return TField(this, Index);
}

bool TADOQuery::Locate(const QString &KeyFields, const Variant &KeyValues, int Options)
{
    CheckActive();
    const QStringList names = KeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVector<int> idx;
    for (const QString &n : names) {
        const int i = FieldIndex(n.trimmed());
        if (i < 0)
            throw EDatabaseError(FieldNotFound(Name(), n.trimmed()));
        idx << i;
    }
    QVector<Variant> wanted;
    if (idx.size() == 1)
        wanted << KeyValues;
    else
        for (int k = 0; k < idx.size(); ++k)
            wanted << VarArrayGet(KeyValues, {VarArrayLowBound(KeyValues, 1) + k});
    for (int r = 0; r < int(FRows.size()); ++r) {
        bool all = true;
        for (int k = 0; k < idx.size() && all; ++k) {
            const QVariant have = FRows[size_t(r)].Values[idx[k]];
            const Variant &w = wanted[k];
            if (VarIsNull(w) || VarIsEmpty(w)) {
                all = !have.isValid() || have.isNull();
                continue;
            }
            if (!have.isValid() || have.isNull()) {
                all = false;
                continue;
            }
            if (VarIsStr(w) || (Options & (loCaseInsensitive | loPartialKey))) {
                const QString a = VarToStr(Variant::FromQVariant(have));
                const QString b = VarToStr(w);
                const Qt::CaseSensitivity cs = (Options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
                all = (Options & loPartialKey) ? a.startsWith(b, cs) : a.compare(b, cs) == 0;
            } else {
                all = VarCompare(Variant::FromQVariant(have), w, opCmpEQ);
            }
        }
        if (all) {
            FCurrent = r;
            FEof = FBof = false;
            return true;
        }
    }
    return false;
}

void TADOQuery::Append()
{
    CheckActive();
    if (FState != dsBrowse)
        Post();
    Row r;
    r.Values.resize(FFieldNames.size());
    r.St = Row::Inserted;
    FRows.push_back(std::move(r));
    FCurrent = int(FRows.size()) - 1;
    FEof = FBof = false;
    FState = dsInsert;
}

void TADOQuery::Edit()
{
    CheckBrowseRow();
    if (FState != dsBrowse)
        return;
    FEditBackup = CurrentRow();
    FState = dsEdit;
}

void TADOQuery::Cancel()
{
    if (FState == dsInsert) {
        FRows.erase(FRows.begin() + FCurrent);
        FCurrent = FRows.empty() ? 0 : std::min(FCurrent, int(FRows.size()) - 1);
        FEof = FBof = FRows.empty();
    } else if (FState == dsEdit) {
        CurrentRow() = FEditBackup;
    }
    if (FState != dsInactive)
        FState = dsBrowse;
}

void TADOQuery::Post()
{
    if (FState != dsEdit && FState != dsInsert)
        return;
    Row &r = CurrentRow();
    if (FState == dsEdit && r.St == Row::Unchanged)
        r.St = Row::Modified;
    FState = dsBrowse;
    if (FLockType != ltBatchOptimistic) {
        try {
            WriteRow(r);
        } catch (...) {
            // The row stays changed in the cache, so nothing typed is lost.
            throw;
        }
    }
}

void TADOQuery::Delete()
{
    CheckBrowseRow();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    FState = dsBrowse;
    Row r = CurrentRow();
    FRows.erase(FRows.begin() + FCurrent);
    if (r.St != Row::Inserted) {
        r.St = Row::Deleted;
        if (FLockType == ltBatchOptimistic)
            FDeleted.push_back(std::move(r));
        else
            WriteRow(r);
    }
    if (FCurrent >= int(FRows.size()))
        FCurrent = std::max(0, int(FRows.size()) - 1);
    FEof = FRows.empty();
    FBof = FRows.empty();
}

QString TADOQuery::TableName() const
{
    static const QRegularExpression re(QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_\\.]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(FSQL.Text());
    if (!m.hasMatch())
        throw EDatabaseError(QStringLiteral("Cannot update: the statement names no table"));
    return m.captured(1);
}

void TADOQuery::WriteRow(Row &R)
{
    QSqlDatabase db = DatabaseOrRaise();
    QSqlDriver *drv = db.driver();
    const QString table = TableName();
    auto ident = [&](const QString &n) { return drv->escapeIdentifier(n, QSqlDriver::FieldName); };
    QSqlQuery q(db);
    QString text;
    QVector<QVariant> binds;
    auto whereOriginal = [&]() {
        // Locate the row by its key when the table has one, else by every value as read.
        const QSqlIndex pk = db.primaryIndex(table);
        QStringList keys;
        for (int i = 0; i < pk.count(); ++i)
            keys << pk.fieldName(i);
        QStringList conds;
        for (int i = 0; i < FFieldNames.size(); ++i) {
            if (!keys.isEmpty() && !keys.contains(FFieldNames[i], Qt::CaseInsensitive))
                continue;
            const QVariant &o = R.Original[i];
            if (!o.isValid() || o.isNull()) {
                conds << ident(FFieldNames[i]) + QStringLiteral(" IS NULL");
            } else {
                conds << ident(FFieldNames[i]) + QStringLiteral(" = ?");
                binds << o;
            }
        }
        return conds.join(QStringLiteral(" AND "));
    };
    switch (R.St) {
    case Row::Unchanged:
        return;
    case Row::Inserted: {
        QStringList cols, marks;
        for (int i = 0; i < FFieldNames.size(); ++i) {
            const QVariant &v = R.Values[i];
            if (!v.isValid())
                continue; // never set: leave it to the column's default
            cols << ident(FFieldNames[i]);
            marks << QStringLiteral("?");
            binds << v;
        }
        text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        if (cols.isEmpty())
            text = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        break;
    }
    case Row::Modified: {
        QStringList sets;
        for (int i = 0; i < FFieldNames.size(); ++i) {
            if (R.Values[i] == R.Original[i] && R.Values[i].isNull() == R.Original[i].isNull())
                continue;
            sets << ident(FFieldNames[i]) + QStringLiteral(" = ?");
            binds << R.Values[i];
        }
        if (sets.isEmpty()) {
            R.St = Row::Unchanged;
            return;
        }
        text = QStringLiteral("UPDATE %1 SET %2 WHERE ").arg(table, sets.join(QStringLiteral(", ")));
        text += whereOriginal();
        break;
    }
    case Row::Deleted:
        text = QStringLiteral("DELETE FROM %1 WHERE ").arg(table) + whereOriginal();
        break;
    }
    if (!q.prepare(text))
        throw EDatabaseError(DatabaseErrorText(q.lastError()));
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        throw EDatabaseError(DatabaseErrorText(q.lastError()));
    if (R.St != Row::Inserted && q.numRowsAffected() == 0)
        throw EDatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read."));
    R.Original = R.Values;
    R.St = Row::Unchanged;
}

void TADOQuery::UpdateBatch()
{
    CheckActive();
    if (FState != dsBrowse)
        Post();
    QSqlDatabase db = DatabaseOrRaise();
    // One batch is one transaction: all rows land or none do.
    const bool own = !FConnection->InTransaction();
    if (own && !db.transaction())
        throw EDatabaseError(DatabaseErrorText(db.lastError()));
    std::vector<Row> deleted = FDeleted;
    std::vector<Row> rows = FRows;
    try {
        for (Row &r : deleted)
            WriteRow(r);
        for (Row &r : rows)
            WriteRow(r);
        if (own && !db.commit())
            throw EDatabaseError(DatabaseErrorText(db.lastError()));
    } catch (...) {
        if (own)
            db.rollback();
        throw;
    }
    FDeleted.clear();
    FRows = std::move(rows);
}

void TADOQuery::CancelBatch()
{
    CheckActive();
    std::vector<Row> kept;
    for (Row &r : FRows) {
        if (r.St == Row::Inserted)
            continue;
        r.Values = r.Original;
        r.St = Row::Unchanged;
        kept.push_back(r);
    }
    for (Row &r : FDeleted) {
        r.St = Row::Unchanged;
        kept.push_back(r);
    }
    FDeleted.clear();
    FRows = std::move(kept);
    FState = dsBrowse;
    First();
}

STATION_PUBLISHED(TADOConnection)
{
    P.Prop("ConnectionString", &TADOConnection::ConnectionString, &TADOConnection::SetConnectionString);
    P.Prop("LoginPrompt", &TADOConnection::LoginPrompt, &TADOConnection::SetLoginPrompt).Default(true);
    P.Prop("ConnectionTimeout", &TADOConnection::ConnectionTimeout, &TADOConnection::SetConnectionTimeout).Default(15);
}

STATION_PUBLISHED(TADOQuery)
{
    P.Prop("Connection", &TADOQuery::Connection, &TADOQuery::SetConnection);
}

STATION_PUBLISHED(TDataSource)
{
    P.Prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
}
