#pragma once

#include <QString>
#include <QStringList>

// The text of each page of a PDF file through pdftotext (poppler-utils); one entry naming the
// problem when the tool is missing or fails, so that a comparison of pages fails visibly.
QStringList pdfPages(const QString &pdf);
