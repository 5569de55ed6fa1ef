// The host's small widgets and helpers: number formatting, the spin box, enabling a tool, and the
// host's window look.

#include "basictools.h"
#include "mainappstyle.h"
#include "plugininterface.h"
#include "spinbox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("three digits") << qint64(999) << "999";
        QTest::newRow("four digits") << qint64(1000) << "1.000";
        QTest::newRow("negative four digits") << qint64(-1000) << "-1.000";
        QTest::newRow("negative three digits") << qint64(-999) << "-999";
        QTest::newRow("seven digits") << qint64(1234567) << "1.234.567";
        QTest::newRow("negative six digits") << qint64(-123456) << "-123.456";
        QTest::newRow("int64 max")
            << std::numeric_limits<qint64>::max() << "9.223.372.036.854.775.807";
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
        SpinBox spin;
        QSignalSpy ints(&spin, qOverload<int>(&SpinBox::valueChanged));
        QSignalSpy doubles(&spin, qOverload<double>(&QDoubleSpinBox::valueChanged));
        spin.setValue(std::numeric_limits<int>::max());
        spin.setValue(-7.0, true);
        QCOMPARE(ints.count(), 2);
        QCOMPARE(ints.first().first().toInt(), std::numeric_limits<int>::max());
        QCOMPARE(ints.last().first().toInt(), -7);

        spin.setValue(1234.0, false);
        QCOMPARE(spin.intValue(), 1234);
        QCOMPARE(ints.count(), 2);
        QCOMPARE(doubles.count(), 2);
        spin.setValue(std::numeric_limits<int>::min());
        QCOMPARE(spin.intValue(), std::numeric_limits<int>::min());
        QVERIFY(!spin.isEditing());
    }

    void pluginEnabling()
    {
        TestPlugin tool;
        auto *layout = new QVBoxLayout(&tool);
        auto *button = new QPushButton(QStringLiteral("Go"));
        auto *alreadyDisabled = new QCheckBox(QStringLiteral("Locked"));
        alreadyDisabled->setEnabled(false);
        auto *group = new QGroupBox(QStringLiteral("Position"));
        auto *groupLayout = new QVBoxLayout(group);
        auto *hint = new QLabel(QStringLiteral("Why"));
        auto *edit = new QLineEdit;
        groupLayout->addWidget(hint);
        groupLayout->addWidget(edit);
        layout->addWidget(button);
        layout->addWidget(alreadyDisabled);
        layout->addWidget(group);

        tool.setEnabled(false);
        QVERIFY(!tool.toolEnabled());
        QVERIFY(!button->isEnabled() && !edit->isEnabled() && !hint->isEnabled());
        hint->setEnabled(true); // the tool keeps its hint readable
        QVERIFY(hint->isEnabled());
        QVERIFY(!edit->isEnabled());

        tool.setEnabled(true);
        QVERIFY(tool.toolEnabled());
        QVERIFY(button->isEnabled() && edit->isEnabled() && hint->isEnabled());
        QVERIFY(group->isEnabled());
        QVERIFY(!alreadyDisabled->isEnabled());
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
