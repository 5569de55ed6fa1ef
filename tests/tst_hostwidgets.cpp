// The host's small widgets and helpers: number formatting, the spin box, enabling a tool, and the
// host's window look.

#include "basictools.h"
#include "mainappstyle.h"
#include "plugininterface.h"
#include "spinbox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QtTest>

#include <limits>

namespace {
class TestPlugin final : public PluginInterface
{
public:
    QString version() const override { return QStringLiteral("1.0"); }
    void aboutToExit() override {}
};
} // namespace

class TestHostWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void int64InsertDot_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative three digits") << qint64(-999) << "-999";
        QTest::newRow("negative six digits") << qint64(-123456) << "-123.456";
        QTest::newRow("seven digits") << qint64(1234567) << "1.234.567";
        QTest::newRow("int64 min")
            << std::numeric_limits<qint64>::min() << "-9.223.372.036.854.775.808";
    }

    void int64InsertDot()
    {
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(BasicTools::int64InsertDot(value), text);
    }

    void spinBox()
    {
        using Limits = std::numeric_limits<int>;
        SpinBox spin;
        QSignalSpy ints(&spin, qOverload<int>(&SpinBox::valueChanged));
        spin.setValue(Limits::min());
        QCOMPARE(spin.intValue(), Limits::min());
        spin.setValue(-7.0, false);
        spin.setValue(Limits::max());
        QCOMPARE(ints.count(), 2);
        QCOMPARE(ints.last().first().toInt(), Limits::max());
    }

    void pluginEnabling()
    {
        TestPlugin tool;
        auto *locked = new QCheckBox(&tool);
        locked->setEnabled(false);
        auto *hint = new QLabel;
        (new QVBoxLayout(new QGroupBox(&tool)))->addWidget(hint);

        tool.setEnabled(false);
        QVERIFY(!tool.toolEnabled() && !hint->isEnabled());
        hint->setEnabled(true); // containers stay enabled, so the tool can keep its hint readable
        tool.setEnabled(false);
        QVERIFY(hint->isEnabled());

        tool.setEnabled(true);
        QVERIFY(tool.toolEnabled() && hint->isEnabled() && !locked->isEnabled());
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
