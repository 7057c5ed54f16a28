#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

// The backup options: a Word copy at output, a file copy at compaction, and the
// automatic-save interval.
class sbSave : public QDialog
{
    Q_OBJECT
public:
    explicit sbSave(QWidget *parent = nullptr);

    // Shows the dialog with the values; on OK they take the new values, otherwise they stay.
    bool Act(bool &keepWordCopy, bool &keepDbCopy, int &autoSaveMinutes);

    // Puts the values into the controls (the step before showing).
    void setValues(bool keepWordCopy, bool keepDbCopy, int autoSaveMinutes);
    void values(bool &keepWordCopy, bool &keepDbCopy, int &autoSaveMinutes) const;

    QCheckBox *chDcS = nullptr;
    QCheckBox *chDbS = nullptr;
    QCheckBox *chAsv = nullptr;
    QComboBox *cbAsv = nullptr;

private:
    void autoSaveClicked(bool checked);
};
