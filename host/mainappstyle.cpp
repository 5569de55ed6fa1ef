#include "mainappstyle.h"

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QWidget>

namespace MainAppStyle {

QString styleSheet()
{
    return QStringLiteral("QToolTip { padding: 4px; }\n"
                          "QAbstractSpinBox:disabled, QComboBox:disabled { color: palette(mid); }");
}

void additionalWidgetSetting(const QList<QWidget *> &widgets)
{
    for (QWidget *widget : widgets) {
        if (!widget)
            continue;
        if (widget->windowIcon().isNull())
            widget->setWindowIcon(QApplication::windowIcon());
        widget->setPalette(QApplication::palette());
        widget->setStyleSheet(styleSheet());
        widget->setAttribute(Qt::WA_DeleteOnClose, false);
    }
}

} // namespace MainAppStyle
