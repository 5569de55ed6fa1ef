// The host's small widgets: the spin box and the host's window look.

#include "mainappstyle.h"
#include "spinbox.h"

#include <QtTest>

#include <limits>

class TestHostWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void spinBox()
    {
        SpinBox spin;
        QSignalSpy ints(&spin, qOverload<int>(&SpinBox::valueChanged));
        spin.setValue(-7.0, false);
        spin.setValue(std::numeric_limits<int>::min());
        QCOMPARE(ints, QList<QVariantList>{{std::numeric_limits<int>::min()}});
        QCOMPARE(spin.intValue(), std::numeric_limits<int>::min());
    }

    void styleSkipsNullWidgets()
    {
        QWidget window;
        MainAppStyle::additionalWidgetSetting({nullptr, &window, nullptr});
        QCOMPARE(window.styleSheet(), MainAppStyle::styleSheet());
    }
};

QTEST_MAIN(TestHostWidgets)
#include "tst_hostwidgets.moc"
