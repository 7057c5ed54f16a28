#pragma once

#include <QString>
#include <QStringList>

// The editor work that is not built yet, by name: "job N" (a command that EditorServices::runJob
// carries out), "dialog XX" (a settings dialog of the companion form by mode), "object N" (an object
// popup item that EditorServices::objectMenuItem carries out).
//
// Every menu item, popup item, toolbar button and function key whose command needs such work is
// disabled, and the empty hooks of EditorServices note each call they get anyway, so that a test can
// walk all items and find one that looks alive and does nothing. To build a piece of work: fill its
// hook (for a runJob code: EditorServices::setJobHandler), then take its name off the list in
// PendingWork.cpp; its items come alive by themselves.
namespace PendingWork {

QString job(int code);
QString dialog(const QString &mode);
QString objectItem(int index);

// True while `work` is on the list.
bool pending(const QString &work);

// An empty hook was asked for `work`.
void reached(const QString &work);
// What the empty hooks were asked for since the last call, oldest first.
QStringList takeReached();

} // namespace PendingWork
