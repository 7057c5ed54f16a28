#include "platform/db/JetSql.h"

#include <QList>
#include <QRegularExpression>

namespace {

// Index just past the quoted literal that starts at `pos` ('...' with '' inside).
int skipQuoted(const QString &sql, int pos)
{
    int i = pos + 1;
    while (i < sql.size()) {
        if (sql[i] == u'\'') {
            if (i + 1 < sql.size() && sql[i + 1] == u'\'') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

int fullYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

const QRegularExpression &jetDate()
{
    static const QRegularExpression re(
        QStringLiteral("#\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*#"));
    return re;
}

const QRegularExpression &convertDate()
{
    static const QRegularExpression re(
        QStringLiteral("convert\\s*\\(\\s*datetime\\s*,\\s*'\\s*(\\d{4})[/-](\\d{1,2})[/-](\\d{1,2})"
                       "(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*'\\s*\\)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &likeWord()
{
    static const QRegularExpression re(QStringLiteral("Like\\b"), QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &orderBy()
{
    static const QRegularExpression re(QStringLiteral("Order\\s+By\\b"), QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Index just past the operand that starts at `pos`: a quoted literal, a group
// in parentheses, or a name, number or placeholder.
int skipOperand(const QString &sql, int pos)
{
    if (pos >= sql.size())
        return pos;
    if (sql[pos] == u'\'')
        return skipQuoted(sql, pos);
    if (sql[pos] == u'(') {
        int depth = 0;
        int i = pos;
        while (i < sql.size()) {
            if (sql[i] == u'\'') {
                i = skipQuoted(sql, i);
                continue;
            }
            if (sql[i] == u'(')
                ++depth;
            else if (sql[i] == u')' && --depth == 0)
                return i + 1;
            ++i;
        }
        return i;
    }
    int i = pos;
    while (i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == u'_' || sql[i] == u'.' || sql[i] == u'?'))
        ++i;
    return i;
}

// Null is the lowest value for the file and the classic engine, the highest for
// PostgreSQL: the server is told the file's order for one item of an Order By.
QString nullsOrder(const QString &item)
{
    static const QRegularExpression desc(QStringLiteral("\\bDesc\\s*$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nulls(QStringLiteral("\\bNulls\\s+(First|Last)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (item.trimmed().isEmpty() || nulls.match(item).hasMatch())
        return QString();
    return desc.match(item).hasMatch() ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
}

// Ends the Order By item that started at `start` in `out`, keeping the blanks after it.
void closeOrderItem(QString &out, int start)
{
    int end = out.size();
    while (end > start && out[end - 1].isSpace())
        --end;
    out.insert(end, nullsOrder(out.mid(start, end - start)));
}

const QRegularExpression &selectTop()
{
    static const QRegularExpression re(QStringLiteral("\\bSelect\\s+(Distinct\\s+)?Top\\s+(\\d+)\\s+"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString dateFrom(const QRegularExpressionMatch &m, bool jetOrder, JetSql::Dialect dialect)
{
    const int y = jetOrder ? fullYear(m.captured(3).toInt(), m.capturedLength(3)) : m.captured(1).toInt();
    const int mo = jetOrder ? m.captured(1).toInt() : m.captured(2).toInt();
    const int d = jetOrder ? m.captured(2).toInt() : m.captured(3).toInt();
    return JetSql::dateLiteral(y, mo, d, m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                               dialect);
}

bool matchesAt(const QRegularExpression &re, const QString &sql, int pos, QRegularExpressionMatch *m)
{
    *m = re.match(sql, pos, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    return m->hasMatch();
}

bool wordStart(const QString &sql, int pos)
{
    return pos == 0 || !(sql[pos - 1].isLetterOrNumber() || sql[pos - 1] == u'_');
}

// Rewrites the date literals and Top clauses of one statement.
QString rewriteStatement(const QString &sql, JetSql::Dialect dialect)
{
    QString out;
    out.reserve(sql.size() + 16);
    QList<QPair<int, QString>> limits; // paren depth and LIMIT text waiting for its close
    QList<QPair<int, int>> orders;     // paren depth and start in `out` of the open Order By item (server only)
    const bool server = dialect == JetSql::Postgres;
    int depth = 0;
    int i = 0;
    QRegularExpressionMatch m;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'') {
            const int end = skipQuoted(sql, i);
            out += sql.mid(i, end - i);
            i = end;
        } else if (c == u'#' && matchesAt(jetDate(), sql, i, &m)) {
            out += dateFrom(m, true, dialect);
            i += m.capturedLength();
        } else if ((c == u'c' || c == u'C') && wordStart(sql, i) && matchesAt(convertDate(), sql, i, &m)) {
            out += dateFrom(m, false, dialect);
            i += m.capturedLength();
        } else if ((c == u's' || c == u'S') && wordStart(sql, i) && matchesAt(selectTop(), sql, i, &m)) {
            out += sql.mid(i, 6) + u' ' + m.captured(1);
            limits.append({depth, QStringLiteral(" LIMIT ") + m.captured(2)});
            i += m.capturedLength();
        } else if (server && (c == u'l' || c == u'L') && wordStart(sql, i) && matchesAt(likeWord(), sql, i, &m)) {
            // Letter case folds for ASCII letters only, as in the file: the C rules of the server.
            out += QStringLiteral("ILIKE");
            i += m.capturedLength();
            while (i < sql.size() && sql[i].isSpace())
                out += sql[i++];
            const int end = skipOperand(sql, i);
            out += sql.mid(i, end - i) + QStringLiteral(" COLLATE \"C\"");
            i = end;
        } else if (server && (c == u'o' || c == u'O') && wordStart(sql, i) && matchesAt(orderBy(), sql, i, &m)) {
            out += m.captured();
            i += m.capturedLength();
            orders.append({depth, int(out.size())});
        } else if (server && c == u',' && !orders.isEmpty() && orders.last().first == depth) {
            closeOrderItem(out, orders.last().second);
            out += c;
            orders.last().second = int(out.size());
            ++i;
        } else if (c == u'(') {
            ++depth;
            out += c;
            ++i;
        } else if (c == u')') {
            if (!orders.isEmpty() && orders.last().first == depth)
                closeOrderItem(out, orders.takeLast().second);
            while (!limits.isEmpty() && limits.last().first == depth) {
                while (out.endsWith(u' '))
                    out.chop(1);
                out += limits.takeLast().second;
            }
            --depth;
            out += c;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    while (!orders.isEmpty())
        closeOrderItem(out, orders.takeLast().second);
    if (!limits.isEmpty()) {
        while (out.endsWith(u' '))
            out.chop(1);
        while (!limits.isEmpty())
            out += limits.takeLast().second;
    }
    return out;
}

QString columnType(const QString &jetType)
{
    const QString t = jetType.trimmed().toLower();
    if (t == u"long" || t == u"counter" || t == u"autoincrement")
        return QStringLiteral("INTEGER");
    if (t == u"integer" || t == u"short" || t == u"byte" || t == u"yesno" || t == u"bit")
        return QStringLiteral("SMALLINT");
    if (t == u"single")
        return QStringLiteral("REAL");
    if (t == u"double")
        return QStringLiteral("DOUBLE PRECISION");
    if (t == u"memo" || t == u"longtext")
        return QStringLiteral("TEXT");
    if (t == u"datetime" || t == u"date")
        return QStringLiteral("TIMESTAMP");
    if (t == u"text")
        return QStringLiteral("VARCHAR(255)");
    if (t.startsWith(u"text") && t.contains(u'('))
        return QStringLiteral("VARCHAR") + jetType.trimmed().mid(4).trimmed();
    return jetType.trimmed();
}

// "Alter Table t Add a Long, b integer" and "Alter Table t Drop Column a, b":
// one statement per column; anything else is returned empty.
QStringList splitAlter(const QString &sql)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*Alter\\s+Table\\s+(\\S+)\\s+(Add|Drop)(?:\\s+Column)?\\s+(.+?)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch())
        return {};
    const bool add = m.captured(2).compare(u"add", Qt::CaseInsensitive) == 0;
    // A constraint is no column list: it stands as written.
    static const QRegularExpression constraint(QStringLiteral("^(Constraint|Check|Unique|Primary|Foreign)\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    if (constraint.match(m.captured(3)).hasMatch())
        return {};
    QStringList out;
    for (const QString &part : m.captured(3).split(u',', Qt::SkipEmptyParts)) {
        const QString column = part.trimmed();
        if (column.isEmpty())
            continue;
        QString statement = QStringLiteral("ALTER TABLE ") + m.captured(1);
        if (add) {
            const int blank = column.indexOf(QRegularExpression(QStringLiteral("\\s")));
            statement += QStringLiteral(" ADD COLUMN ") +
                         (blank < 0 ? column : column.left(blank) + u' ' + columnType(column.mid(blank + 1)));
        } else {
            statement += QStringLiteral(" DROP COLUMN ") + column;
        }
        out << statement;
    }
    return out;
}

QString literalPart(const QString &text)
{
    return u'\'' + text + u'\'';
}

// A quoted literal holding placeholders, as a concatenation of its pieces.
QString boundLiteral(const QString &literal, int *count)
{
    const QString inner = literal.mid(1, literal.size() - 2);
    const QStringList pieces = inner.split(u'?');
    QStringList terms;
    for (int k = 0; k < pieces.size(); ++k) {
        if (!pieces[k].isEmpty())
            terms << literalPart(pieces[k]);
        if (k + 1 < pieces.size()) {
            terms << QStringLiteral("?");
            ++*count;
        }
    }
    if (terms.size() == 1)
        return terms.first();
    return u'(' + terms.join(QStringLiteral(" || ")) + u')';
}

} // namespace

QString JetSql::dateLiteral(int y, int mo, int d, int h, int mi, int s, Dialect dialect)
{
    const QString text = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(y, 4, 10, QLatin1Char('0'))
                             .arg(mo, 2, 10, QLatin1Char('0'))
                             .arg(d, 2, 10, QLatin1Char('0'))
                             .arg(h, 2, 10, QLatin1Char('0'))
                             .arg(mi, 2, 10, QLatin1Char('0'))
                             .arg(s, 2, 10, QLatin1Char('0'));
    if (dialect != Sqlite)
        return QStringLiteral("{ts '") + text + QStringLiteral("'}");
    return u'\'' + text + u'\'';
}

QStringList JetSql::translate(const QString &sql, Dialect dialect)
{
    const QStringList alters = splitAlter(sql);
    if (!alters.isEmpty())
        return alters;
    return {rewriteStatement(sql, dialect)};
}

QString JetSql::toBound(const QString &sql, int *count)
{
    int n = 0;
    QString out;
    out.reserve(sql.size());
    int i = 0;
    while (i < sql.size()) {
        if (sql[i] == u'\'') {
            const int end = skipQuoted(sql, i);
            const QString literal = sql.mid(i, end - i);
            out += literal.contains(u'?') && literal.endsWith(u'\'') && literal.size() > 1
                       ? boundLiteral(literal, &n)
                       : literal;
            i = end;
        } else {
            if (sql[i] == u'?')
                ++n;
            out += sql[i];
            ++i;
        }
    }
    if (count)
        *count = n;
    return out;
}

QString JetSql::quoteText(const QString &text)
{
    QString out = text;
    return out.replace(u'\'', QStringLiteral("''"));
}
