#pragma once

#include <QString>
#include <QStringList>

// The common files of every published site (style sheets, menu pictures and the
// menu script), kept in the user-data folder's "Htm/Moto/cmn/", from where the
// site writer copies them into each site. They ship inside the program and are
// put there when missing; a file the user changed there is left as it is.
class SiteTemplate
{
public:
    // The file names, in the order the site writer copies them.
    static QStringList files();
    // "Htm/Moto/cmn/" of the user-data folder (ending with "/").
    static QString folder(const QString &userDataFolder);
    // Writes the missing files; true when all of them are there afterwards.
    static bool install(const QString &userDataFolder);
};
