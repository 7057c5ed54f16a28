#include "platform/richtext/PageSetup.h"

#include <algorithm>

int PageSetup::textWidth() const
{
    return std::max(1, width - marginLeft - marginRight);
}

int PageSetup::textHeight() const
{
    return std::max(1, height - marginTop - marginBottom);
}
