#include "output/word/OutputRange.h"

#include "core/TreeWalk.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"

#include <QHash>
#include <QSet>

#include <memory>

QList<qint64> OutputRange::databaseChildren(qint64 parent)
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral(" Select noLfC From tbTree Where noLfP=? Order By inSrt "), {parent}, rows);
    QList<qint64> children;
    children.reserve(count);
    for (int i = 0; i < count; ++i)
        children.append(rows.at(0, i).toLongLong());
    return children;
}

QHash<QString, QString> OutputRange::readTitles()
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(QStringLiteral("Select noLfP, noLfC, szDoc From tbTree"), rows);
    QHash<QString, QString> titles;
    titles.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString key = rows.at(0, i).toString() + u'-' + rows.at(1, i).toString();
        if (!titles.contains(key))
            titles.insert(key, rows.at(2, i).toString());
    }
    return titles;
}

QHash<qint64, QVariantList> OutputRange::readPages(const QStringList &keys, const QString &fields)
{
    QList<qint64> numbers;
    for (const QString &key : keys) {
        QString parent, child;
        bool ok = false;
        const qint64 page = splitKey(key, parent, child) ? child.toLongLong(&ok) : 0;
        if (ok)
            numbers.append(page);
    }
    return readPages(numbers, fields);
}

QHash<qint64, QVariantList> OutputRange::readPages(const QList<qint64> &pageList, const QString &fields,
                                                   QString *error)
{
    if (error)
        error->clear();
    // Page numbers go into the statement as numbers written here, each once.
    QList<qint64> numbers;
    QSet<qint64> seen;
    for (qint64 page : pageList) {
        if (!seen.contains(page)) {
            seen.insert(page);
            numbers.append(page);
        }
    }
    QHash<qint64, QVariantList> pages;
    pages.reserve(numbers.size());
    constexpr int PerStatement = 500;
    for (qsizetype from = 0; from < numbers.size(); from += PerStatement) {
        QStringList list;
        for (qsizetype i = from; i < qMin(numbers.size(), from + PerStatement); ++i)
            list.append(QString::number(numbers.at(i)));
        DbTable rows;
        const int count = zSvr::instance().R_Ary(QStringLiteral("Select noDoc, ") + fields
                                                     + QStringLiteral(" From msDoc Where noDoc In (")
                                                     + list.join(u',') + u')',
                                                 rows);
        if (error && error->isEmpty())
            *error = zSvr::instance().readError();
        const int columns = int(fields.count(u',')) + 1;
        for (int r = 0; r < count; ++r) {
            QVariantList values;
            for (int c = 1; c <= columns; ++c)
                values.append(rows.at(c, r));
            pages.insert(rows.at(0, r).toLongLong(), values);
        }
    }
    return pages;
}

OutputRange::ChildReader OutputRange::databaseTree()
{
    auto tree = std::make_shared<QHash<qint64, QList<qint64>>>();
    auto loaded = std::make_shared<bool>(false);
    return [tree, loaded](qint64 parent) {
        if (!*loaded) {
            *loaded = true;
            DbTable rows;
            const int count = zSvr::instance().R_Ary(
                QStringLiteral("Select noLfP, noLfC From tbTree Order By noLfP, inSrt"), rows);
            for (int i = 0; i < count; ++i)
                (*tree)[rows.at(0, i).toLongLong()].append(rows.at(1, i).toLongLong());
        }
        return tree->value(parent);
    };
}

OutputRange::OutputRange(int range, ChildReader children)
    : m_range(range)
{
    // A page placed in several places is read from the database once per walk.
    auto cache = std::make_shared<QHash<qint64, QList<qint64>>>();
    m_children = [cache, children = std::move(children)](qint64 parent) {
        auto it = cache->constFind(parent);
        if (it == cache->cend())
            it = cache->insert(parent, children(parent));
        return *it;
    };
}

OutputRange::Lists OutputRange::collect(const QString &startPage, const QString &parentPage,
                                        const QString &pageSet) const
{
    Lists lists;
    lists.pageSet = pageSet;
    qint64 start = 0;
    if (m_range != AllPages) {
        bool ok = false;
        start = startPage.trimmed().toLongLong(&ok);
        if (!ok || start < 0) {
            lists.pageSet = pageSet;
            return lists;
        }
    }
    QList<qint64> path{start};
    int left = TreeWalk::MaxNodes;
    collectChildren(start, lists, QString(), path, left);
    if (lists.keys.endsWith(u','))
        lists.keys.chop(1);
    if (m_range != AllPages) {
        const QString page = QString::number(start);
        if (!lists.keys.isEmpty())
            lists.keys.prepend(u',');
        if (!lists.pageSet.contains(u'.' + page + u'.'))
            lists.pageSet.prepend(u'.' + page);
        const QString parent = parentPage.trimmed().isEmpty() ? QStringLiteral("0") : parentPage.trimmed();
        lists.keys.prepend(parent + u'-' + page);
    }
    if (lists.numbers.endsWith(u','))
        lists.numbers.chop(1);
    return lists;
}

void OutputRange::collectChildren(qint64 parent, Lists &lists, const QString &entry, QList<qint64> &path,
                                  int &left) const
{
    const QList<qint64> children = m_children(parent);
    const QString prefix = entry.isEmpty() ? QString() : entry + u'-';
    const QString parentText = QString::number(parent);
    for (int i = 0; i < children.size(); ++i) {
        if (left-- <= 0)
            return;
        const qint64 child = children.at(i);
        const QString childText = QString::number(child);
        lists.keys += parentText + u'-' + childText + u',';
        if (!lists.pageSet.contains(u'.' + childText + u'.'))
            lists.pageSet += childText + u'.';
        const QString own = prefix + QString::number(i + 1);
        lists.numbers += own + u',';
        // A page below itself (through a link placement) is listed but not entered again.
        if (m_range != NodeAndChildren && path.size() < TreeWalk::MaxDepth && !path.contains(child)) {
            path.append(child);
            collectChildren(child, lists, own, path, left);
            path.removeLast();
        }
    }
}

QStringList OutputRange::numbersForKeys(const QStringList &keys, const QStringList &numbers)
{
    const int shift = numbers.size() == keys.size() - 1 ? 1 : 0;
    QStringList result;
    result.reserve(keys.size());
    for (int i = 0; i < keys.size(); ++i)
        result.append(i - shift >= 0 ? numbers.value(i - shift) : QString());
    return result;
}

bool OutputRange::splitKey(const QString &key, QString &parent, QString &child)
{
    const int dash = key.indexOf(u'-');
    if (dash < 0)
        return false;
    parent = key.left(dash);
    child = key.mid(dash + 1);
    return true;
}

QStringList OutputRange::pagesOf(const QString &keys)
{
    QStringList pages;
    for (const QString &key : keys.split(u',', Qt::SkipEmptyParts)) {
        QString parent, child;
        if (!splitKey(key, parent, child))
            continue;
        bool ok = false;
        if (child.toLongLong(&ok) > 0 && ok && !pages.contains(child))
            pages.append(child);
    }
    return pages;
}

QString OutputRange::fullWidth(const QString &number)
{
    QString wide;
    wide.reserve(number.size());
    for (const QChar c : number) {
        const char16_t u = c.unicode();
        // Every printable single-byte character has its double-byte form 0xFEE0 above it.
        wide += (u > 0x20 && u < 0x7F) ? QChar(char16_t(u + 0xFEE0)) : c;
    }
    return wide;
}
