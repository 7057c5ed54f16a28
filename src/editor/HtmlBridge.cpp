#include "editor/HtmlBridge.h"

namespace {
HtmlBridge *installed = nullptr;
}

HtmlBridge::~HtmlBridge() = default;

HtmlBridge *HtmlBridge::current()
{
    return installed;
}

void HtmlBridge::install(HtmlBridge *bridge)
{
    installed = bridge;
}
