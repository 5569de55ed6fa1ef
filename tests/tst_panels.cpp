// The ramp panels: what they bind, the Hazel and Maple input helper windows, and the Birch pulse
// rates and divisors that lock while the motor moves.

#include "axilparameter.h"
#include "dynamicproperty.h"
#include "hostmessages.h"
#include "inputhelper.h"
#include "rampprofile.h"
#include "testsupport.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;
using namespace DynamicProperty;

class TestPanels : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // Every field is bound to the tool's motor (motor 1 here), with its display type; a Hazel
    // chip named "Kestrel" (so spelt) has no stop deceleration, and its row is hidden.
    void bindings_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("bound");
        const QString hazel =
            "MaxVelocity 0, editAcceleration MaxAcceleration 0, editDeceleration "
            "MaxDeceleration 0, editVStart StartVelocity 0, editAStart StartAcceleration 0, "
            "editVBreak BreakVelocity 0, editDFinal FinalDeceleration 0, editVStop StopVelocity "
            "0, editBow1 BOW1 0, editBow2 BOW2 0, editBow3 BOW3 0, editBow4 BOW4 0, checkUseSRamp "
            "SShapedRamp 4, editRelativePosition RelativePositioningOption 4";
        QTest::newRow("Hazel, Kestrel") << 69 << "Kestrel"
                                        << "editMaxPosVel " + hazel;
        QTest::newRow("Hazel, lower case")
            << 69 << "kestrel"
            << "editDStop StopDeceleration 0, editMaxPosVel " + hazel;
        QTest::newRow("Cedar") << 71 << ""
                               << "editMaxPosVel MaxVelocity 0, editAcceleration MaxAcceleration "
                                  "0, editDeceleration MaxDeceleration 0, editBow Bow 0, "
                                  "editRelativePosition RelativePositioningOption 4";
    }

    void bindings()
    {
        QFETCH(int, variant);
        QFETCH(QString, chip);
        QFETCH(QString, bound);
        SimulatedModule module(2);
        module.setChipName(1, chip);
        Tool tool = makeTool(module, variant, 1);
        QStringList list;
        for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters()) {
            QCOMPARE(b.second->motor(), 1);
            list << QStringLiteral("%1 %2 %3")
                        .arg(b.first->objectName(), b.second->parameterName().mid(5))
                        .arg(b.first->displayType());
        }
        QCOMPARE(list.join(", "), bound);
        if (variant == 69)
            for (const char *name : {"editDStop", "lblDStop"})
                QCOMPARE(child<QWidget>(tool, name)->isHidden(), chip == "Kestrel");
    }

    // The input helper window: a proxy for each field named like it, at its key's place on the
    // picture, with its value, range and tips. A row is "field key word x y"; the Hazel window
    // names the parameter, the Maple window the field's label and the word.
    void inputHelper_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("Hazel") << 69
                               << QStringList{"editMaxPosVel MaxVelocity - 415 111",
                                              "editAcceleration MaxAcceleration - 291 223",
                                              "editDeceleration MaxDeceleration - 505 223",
                                              "editVStart StartVelocity - 181 348",
                                              "editVStop StopVelocity - 562 346",
                                              "editBow1 BOW1 - 245 304",
                                              "editBow2 BOW2 - 332 149",
                                              "editBow3 BOW3 - 476 131",
                                              "editBow4 BOW4 - 525 322"};
        QTest::newRow("Maple") << 72
                               << QStringList{"editMaxPosVel MaxVelocity VMAX 381 47",
                                              "editAcceleration MaxAcceleration AMAX 293 88",
                                              "editDeceleration MaxDeceleration DMAX 457 87",
                                              "editVStart StartVelocity VStart 179 192",
                                              "editVStop StopVelocity VStop 550 175",
                                              "editA1 A1 A1 223 147",
                                              "editD1 D1 D1 514 144",
                                              "editV1 V1 V1 227 110",
                                              "editTzerowait TZEROWAIT TZEROWAIT 577 209"};
    }

    void inputHelper()
    {
        QFETCH(int, variant);
        QFETCH(QStringList, rows);
        const bool hazel = variant == 69;
        SimulatedModule module;
        for (const QString &row : rows)
            module.setLimits(0, "par::" + row.section(' ', 1, 1), 3, 900000);
        Tool tool = makeTool(module, variant);
        auto *button = child<QPushButton>(tool, "btnInputHelper");
        QVERIFY(button->isHidden());
        // A Maple label gives the proxy's prefix, and its last bracket and what follows the suffix.
        if (!hazel)
            child<QLabel>(tool, "lblTzerowait")->setText(QStringLiteral("Wait [a] [ms]:"));
        button->click();
        auto *window = tool->findChild<InputHelper *>();
        QTRY_VERIFY(window->isVisible() && !window->isMinimized()); // after its delayed restore
        if (!hazel) {
            QStringList affixes;
            for (const char *name : {"editTzerowait", "editMaxPosVel"}) {
                auto *proxy = child<SpinBox>(window, name);
                affixes << proxy->property(GivenPrefix).toString()
                        << proxy->property(GivenSuffix).toString() << proxy->text();
            }
            QCOMPARE(affixes, (QStringList{"Wait ", "  [ms]", "Wait: 3 ms", "Max. velocity:",
                                           "  [Max. velocity", "Max. velocity: 2000 pps"}));
        }
        auto *form = child<QFormLayout>(tool, "formLayoutRamp");
        for (const QString &row : rows) {
            const QStringList word = row.split(' ');
            auto *field = child<XmlParameterWidget>(tool, qPrintable(word.at(0)));
            QWidget *source = hazel ? field->widget() : field;
            auto *proxy = child<SpinBox>(window, qPrintable(word.at(0)));
            Model::AxilParameter *parameter = module.parameter(0, "par::" + word.at(1));
            const QString tip =
                (hazel ? parameter->displayName()
                       : qobject_cast<QLabel *>(form->labelForField(field))->text() + ' ' +
                             word.at(2)) +
                ' ' + source->toolTip();
            QCOMPARE((QVariantList{proxy->property(InputGIMPosition), proxy->intValue(),
                                   proxy->minimum(), proxy->maximum(), proxy->toolTip(),
                                   proxy->property(AdvancedTip), source->property(AdvancedTip)}),
                     (QVariantList{QPoint(word.at(3).toInt(), word.at(4).toInt()), field->value(),
                                   3, 900000, source->toolTip(), tip, tip}));
            if (hazel) // the parameter's name and unit, given and shown
                QCOMPARE((QStringList{proxy->property(GivenPrefix).toString(),
                                      proxy->property(GivenSuffix).toString(), proxy->prefix(),
                                      proxy->suffix()}),
                         (QStringList{parameter->displayName(), parameter->unit(),
                                      parameter->displayName() + ": ", parameter->unit()}));
            QVERIFY(!window->anchorPoint(word.at(0)).isNull()); // the picture marks the field
        }
        checkHelperWindowToggles(button, window, !hazel);
    }

    // The panel shows the pulse rates that the module's motor really runs at, also where a
    // module declares limits wider than the chip's.
    void ratesAreWhatTheMotorRuns_data()
    {
        QTest::addColumn<qint64>("velocity");
        QTest::addColumn<qint64>("acceleration");
        QTest::addColumn<qint64>("pulseDivisor");
        QTest::addColumn<qint64>("rampDivisor");
        QTest::newRow("power-up") << 200LL << 100LL << 5LL << 8LL;
        QTest::newRow("slowest") << 1LL << 1LL << 13LL << 13LL;
        QTest::newRow("widest shift") << 2047LL << 2047LL << 30LL << 30LL;
        QTest::newRow("divisors beyond the shift") << 2047LL << 2047LL << 40LL << 1000000LL;
        QTest::newRow("int limits") << 2147483647LL << 2147483647LL << 2147483647LL << 2147483647LL;
        QTest::newRow("beyond int") << (1LL << 40) << (1LL << 40) << (1LL << 35) << (1LL << 35);
        QTest::newRow("beyond 64-bit rates") << (1LL << 49) << (1LL << 49) << 0LL << 0LL;
    }

    void ratesAreWhatTheMotorRuns()
    {
        QFETCH(qint64, velocity);
        QFETCH(qint64, acceleration);
        QFETCH(qint64, pulseDivisor);
        QFETCH(qint64, rampDivisor);
        SimulatedModule module;
        module.setPluginVariant(0, 70);
        const std::pair<const char *, qint64> settings[] = {{"par::MaxVelocity", velocity},
                                                            {"par::MaxAcceleration", acceleration},
                                                            {"par::PulseDivisor", pulseDivisor},
                                                            {"par::RampDivisor", rampDivisor}};
        for (const auto &[key, value] : settings) {
            module.setLimits(0, key, 0, 1LL << 50);
            QVERIFY(module.writeParameter(0, key, value));
        }
        Tool tool = makeTool(module, 70);
        tool->showPlugin();
        const RampProfile ramp = module.ramp(0);
        QCOMPARE(child<QLabel>(tool, "dispMaxVelocityPPS")->text(),
                 QString::number(ramp.maxVelocity, 'f', 0));
        QCOMPARE(child<QLabel>(tool, "dispAccelerationPPS")->text(),
                 QString::number(ramp.acceleration, 'f', 0));
    }

    // The rates follow motor 1's values at once, the module's reports and a person's edits
    // alike; halves round up (7812.5 pps and 122070312.5 pps²).
    void ratesFollowTheValues()
    {
        SimulatedModule module(2);
        Tool tool = makeTool(module, 70, 1);
        tool->showPlugin();
        const auto rates = [&tool] {
            return child<QLabel>(tool, "dispMaxVelocityPPS")->text() + ' ' +
                   child<QLabel>(tool, "dispAccelerationPPS")->text();
        };
        module.setModuleValue(1, QStringLiteral("par::PulseDivisor"), 0);
        module.parameter(1, QStringLiteral("par::PulseDivisor"))->readValue(false);
        QCOMPARE(rates(), QStringLiteral("488281 5587935"));
        const std::pair<const char *, int> edits[] = {
            {"editRampDivisor", 0}, {"editMaxVelocity", 32}, {"editAcceleration", 256}};
        for (const auto &[name, value] : edits)
            child<XmlParameterWidget>(tool, name)->setValue(value);
        QCOMPARE(rates(), QStringLiteral("7813 122070313"));
    }

    // The divisors lock while the motor moves, and say so.
    void divisorsSayWhyTheyLock()
    {
        SimulatedModule module(2);
        Tool tool = makeTool(module, 70, 1);
        tool->showPlugin();
        const QString velocity = QStringLiteral("par::ActualVelocity");
        const QString why = QStringLiteral("Locked while the motor moves.");
        for (const int v : {500, 0, -20, 0}) {
            module.setModuleValue(1, velocity, v);
            module.parameter(1, velocity)->readValue(false);
            for (const char *name : {"editPulseDivisor", "editRampDivisor"}) {
                QWidget *editor = child<XmlParameterWidget>(tool, name)->widget();
                QCOMPARE(editor->isEnabled(), v == 0);
                QCOMPARE(editor->toolTip().endsWith('\n' + why), v != 0);
                QVERIFY(editor->toolTip().contains(QLatin1String("Integer [0 .. 13]")));
            }
        }
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
