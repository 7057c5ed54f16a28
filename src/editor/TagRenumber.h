#pragma once

#include <QHash>
#include <QString>

class RichTextEdit;

// Renumbers the tag fields of pages brought in from another database through
// a number map "old=new," (the import's). The map is read once, so a run over
// many pages costs one pass per page. A tag whose page has no entry loses its
// field and keeps its text, in the body format.
class TagRenumber
{
public:
    explicit TagRenumber(const QString &map);

    // The tag fields of the page in `edit`.
    void apply(RichTextEdit &edit) const;

private:
    QString mapped(const QString &key) const;

    QHash<QString, QString> m_map;
};
