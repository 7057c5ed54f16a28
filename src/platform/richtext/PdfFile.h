#pragma once

#include <QString>

// A PDF put in place whole or not at all. It is written beside its target under a name of its
// own, looked at (a size, the end-of-file trailer) and only then renamed over the target: a write
// that failed on the way (a full disk) leaves the old file as it was, and the reason is told.
class PdfFile
{
public:
    explicit PdfFile(const QString &target);
    ~PdfFile();
    PdfFile(const PdfFile &) = delete;
    PdfFile &operator=(const PdfFile &) = delete;

    // The file to write into; empty (with why()) when none can be made beside the target.
    QString path() const { return m_temp; }
    // Puts the written file in the target's place; false (with why()) when it is not whole.
    bool commit();
    QString why() const { return m_why; }

private:
    QString m_target;
    QString m_temp;
    QString m_why;
};
