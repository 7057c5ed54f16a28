#include "editor/TitleValidator.h"

#include "core/HtmMoji.h"

QValidator::State TitleValidator::validate(QString &input, int &pos) const
{
    const QString line = HtmMoji::oneLine(input);
    if (line != input) {
        pos = qMin(int(HtmMoji::oneLine(input.left(pos)).size()), int(line.size()));
        input = line;
    }
    return Acceptable;
}
