#pragma once

#include "PageDb.h"
#include "TreeProbe.h"

#include "core/Usr.h"
#include "support/ScriptedPrompt.h"
#include "tree/uTrX.h"

#include <QtTest>

// The sample database, a scripted prompt and a shown page-tree control with
// its top level loaded (unless asked not to), as a host would have them after opening a database.
struct TreeFixture
{
    PageDb db;
    ScriptedPrompt prompt;
    uTrX tree;
    TreeProbe probe{tree};

    // A test that fails half-way may leave the process marked busy for the next one.
    ~TreeFixture() { Usr::st().busy = false; }

    bool setUp(bool loadTopLevel = true)
    {
        if (!db.ok())
            return false;
        db.fillSample();
        tree.resize(300, 400);
        tree.show();
        if (!QTest::qWaitForWindowExposed(&tree))
            return false;
        if (loadTopLevel)
            tree.SetNodes(QStringLiteral("0"));
        return !QTest::currentTestFailed();
    }
};
