#include "inputhelper.h"

InputHelper::InputHelper(const QString &, AbstractRamp::rampMode, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
}

InputHelper::~InputHelper() = default;

void InputHelper::addProxyItem(QWidget *proxy, bool)
{
    proxy->setParent(this);
}

void InputHelper::setValue(int) {}

void InputHelper::workaroundAdjust() {}

void InputHelper::updatePolygon() {}
