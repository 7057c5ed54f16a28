// Menu items whose work is an editor command not built yet stay disabled (and their function keys with
// them); a submenu that holds only such items too.
#include "mainwin/fmDoc.h"

#include "editor/uTxm.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace {

struct ItemJob {
    const char *array;
    int index;
    int job;
};

// The editor commands of the menu items, as the dispatchers of the menus run them.
const ItemJob ItemJobs[] = {
    {"mnFile", 0, 8},    {"mnFile", 2, 7},    {"mnFile", 6, 5},    {"mnEdit", 12, 22},  {"mnEdit", 13, 23},
    {"mnEdit", 15, 25},  {"mnPast", 0, 15},   {"mnPast", 2, 15},   {"mnPast", 3, 15},   {"mnLocal", 1, 32},
    {"mnLocal", 3, 33},  {"mnLocal", 4, 34},  {"mnLocal", 5, 35},  {"mnLocal", 8, 40},  {"mnLocal", 9, 41},
    {"mnLocal", 11, 50}, {"mnLocal", 12, 51}, {"mnLocal", 14, 52}, {"mnLocal", 20, 44}, {"mnLocal", 21, 45},
    {"mnInsDc", 0, 30},  {"mnChart", 0, 42},  {"mnChart", 1, 43},  {"mnSelc", 14, 70},  {"mnSelc", 15, 71},
    {"mnTins", 0, 80},   {"mnTins", 2, 80},   {"mnTins", 3, 80},   {"mnTins", 5, 80},   {"mnTins", 6, 80},
    {"mnTsp", 0, 81},    {"mnTsp", 1, 81},    {"mnTdel", 0, 82},   {"mnTdel", 1, 82},   {"mnTdel", 2, 82},
    {"mnTslc", 0, 83},   {"mnTslc", 1, 83},   {"mnTslc", 2, 83},   {"mnProp", 0, 85},   {"mnProp", 1, 85},
    {"mnProp", 2, 85},   {"mnUser", 0, 65},   {"mnUser", 1, 26},   {"mnUser", 2, 66},   {"mnUser", 3, 67},
    {"mnUser", 4, 68},   {"mnUser", 6, 69},
};

void markLater(QAction *action)
{
    action->setProperty("later", true);
    action->setEnabled(false);
}

} // namespace

void fmDoc::markUnbuiltItems()
{
    QSet<QString> touched;
    for (const ItemJob &row : ItemJobs) {
        QAction *action = item(QString::fromLatin1(row.array), row.index);
        if (action && !m_editor->jobBuilt(row.job)) {
            markLater(action);
            touched.insert(QString::fromLatin1(row.array));
        }
    }
    // Upwards from the submenus just touched: a submenu whose items all wait waits too.
    while (!touched.isEmpty()) {
        const QString array = *touched.begin();
        touched.remove(array);
        const QMenu *holder = menu(array);
        if (!holder)
            continue;
        bool waiting = true;
        for (const QAction *a : holder->actions())
            waiting = waiting && (a->isSeparator() || a->property("later").toBool());
        if (!waiting)
            continue;
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
            // The menus of the menu bar stay open to look into.
            if (it.key() == QLatin1String("mnJb") || it.key() == QLatin1String("mnDcDb"))
                continue;
            for (QAction *a : *it) {
                if (a && a->menu() == holder && !a->property("later").toBool()) {
                    markLater(a);
                    touched.insert(it.key());
                }
            }
        }
    }
}
