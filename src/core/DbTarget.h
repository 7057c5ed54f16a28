#pragma once

#include <QString>

// A file chosen to take a whole new database (a copy, a new database, an export) that must not:
// the open database, the template of new databases, or a database another program has open.
class DbTarget
{
public:
    // The message that refuses `target`, empty when it may be written. `role` names the target in
    // the message ("複写先", "新規作成先", "ｴｸｽﾎﾟｰﾄ先").
    static QString refusal(const QString &target, const QString &role);
};
