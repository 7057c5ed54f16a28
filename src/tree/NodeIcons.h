#pragma once

#include <QIcon>
#include <QString>

// The node images of the page tree, drawn here rather than shipped as files:
// pages (home placements) in blue, links with a shortcut arrow, list-mode
// pages with a list, tag nodes as green labels.
class NodeIcons
{
public:
    // The image for a key of the image list ("ndlef", "lkopn", "tgcls" ...);
    // a null icon for an empty or unknown key.
    static QIcon icon(const QString &key);
    static bool known(const QString &key);
};
