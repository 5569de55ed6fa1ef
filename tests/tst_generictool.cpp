// The generic position tool driven through its own widgets against the simulated module.

#include "axilparameter.h"
#include "pluginvariant.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;

namespace {
const QString targetKey = QStringLiteral("par::TargetPosition");
const QString actualKey = QStringLiteral("par::ActualPosition");

void report(SimulatedModule &module, qint64 position)
{
    module.setModuleValue(0, actualKey, position);
    module.pollTraces();
}
} // namespace

class TestGenericTool final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // What the window shows of the number and the bar follows the motor, update after update:
    // the screen (the backing store as the last paints left it) matches a fresh rendering.
    void screenFollowsTheMotor_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("generic") << 71;
        QTest::newRow("Rowan") << 74;
    }

    void screenFollowsTheMotor()
    {
        QFETCH(int, variant);
        SimulatedModule module;
        Tool tool = shownTool(module, variant, true);
        tool->resize(700, 400);
        QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
        child<QSpinBox>(tool, "editTargetPosition")->setValue(3000);
        child<QPushButton>(tool, "btnAbsolute")->click();
        QList<QWidget *> shown{
            child<QLabel>(tool, variant == 74 ? "dispActPos" : "dispActualPosition")};
        if (variant != 74)
            shown << child<QProgressBar>(tool, "progressBar");
        QStringList seen;
        for (int round = 0; round < 20; ++round) { // a round is 200 ms
            module.advance(200);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            const QImage screen = tool->screen()->grabWindow(tool->winId()).toImage();
            for (QWidget *w : shown) {
                const QRect where(w->mapTo(tool.get(), QPoint()), w->size());
                const QImage fresh = w->grab().toImage().convertToFormat(screen.format());
                QVERIFY2(screen.copy(where) == fresh, qPrintable(w->objectName()));
            }
            seen << shown.first()->property("text").toString();
        }
        seen.removeDuplicates();
        QVERIFY(seen.size() > 5 && seen.last() == "3000");
    }

    void targetFieldAndMissingParameters_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("complete") << "";
        QTest::newRow("no target position") << "par::TargetPosition";
        QTest::newRow("no relative option") << "par::RelativePositioningOption";
        QTest::newRow("no actual position") << "par::ActualPosition";
    }

    void targetFieldAndMissingParameters()
    {
        QFETCH(QString, missing);
        const bool targetLimits = missing != targetKey; // else the form's range, and no tooltip
        const bool optionField = !missing.startsWith("par::Relative"); // else a fixed text
        SimulatedModule module;
        module.setLimits(0, targetKey, -5000, 7000);
        module.removeParameter(0, missing);
        module.setModuleValue(0, actualKey, 321);
        Tool tool = makeTool(module, 0);
        auto *edit = child<QSpinBox>(tool, "editTargetPosition");
        const QString tip =
            module.parameter(0, targetKey)->xmlParameter()->parameterTypeDescription() +
            "\nInteger [-5000 .. 7000]";
        auto *combo = child<QComboBox>(tool, "cbRelativePositionOption");
        QCOMPARE(
            (QVariantList{edit->minimum(), edit->maximum(), edit->suffix(), edit->toolTip(),
                          child<QWidget>(tool, "editRelativePosition")->isVisibleTo(tool.get()),
                          combo->isVisibleTo(tool.get()), combo->isEnabled(),
                          combo->currentText()}),
            (QVariantList{targetLimits ? -5000 : 0, targetLimits ? 7000 : 99,
                          targetLimits ? " steps" : "", targetLimits ? tip : QString(), optionField,
                          !optionField, optionField, optionField ? "" : "Actual position"}));

        // The steps that do not need the missing parameter still run.
        tool->showPlugin();
        edit->setValue(50);
        child<QPushButton>(tool, "btnAbsolute")->click();
        child<QPushButton>(tool, "btnClear")->click();
        report(module, 60);
        QCOMPARE(child<QLabel>(tool, "dispActualPosition")->text(),
                 missing == actualKey ? "0" : "60");
        for (const char *line : {"move 0 50", "stop 0", "write 0 par::EncoderPosition 0"})
            QVERIFY2(module.journal().contains(QLatin1String(line)), line);
    }

    // The target field shows its numbers as the display does, without group separators, the
    // least one included (QSpinBox's own rule leaves it out); the Rowan tool's fields too.
    void targetDigitsUngrouped_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("generic") << int(PluginVariant::StepperCedarPositionMode);
        QTest::newRow("Rowan") << int(PluginVariant::StepperRowanPositionMode);
    }

    void targetDigitsUngrouped()
    {
        QFETCH(int, variant);
        // A locale that groups digits, as most do (the tests' default, the C locale, does not).
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([before] { QLocale::setDefault(before); });
        SimulatedModule module;
        module.setPluginVariant(0, variant);
        Tool tool = makeTool(module, variant);
        auto *edit = child<QSpinBox>(tool, "editTargetPosition");
        edit->setMinimum(std::numeric_limits<int>::min());
        for (const int value :
             {std::numeric_limits<int>::min(), -1234567, std::numeric_limits<int>::max()}) {
            edit->setValue(value);
            QCOMPARE(edit->cleanText(), QString::number(value));
        }
    }
};

QTEST_MAIN(TestGenericTool)
#include "tst_generictool.moc"
