// The Hazel panel: bindings that depend on the chip, and the input helper window.

#include "testsupport.h"

#include "axilparameter.h"
#include "dynamicproperty.h"
#include "inputhelper.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;
using namespace DynamicProperty;

class TestHazelPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void bindingsAndInputHelper_data();
    void bindingsAndInputHelper();
};

void TestHazelPanel::bindingsAndInputHelper_data()
{
    QTest::addColumn<QString>("chip"); // "Kestrel" has no stop deceleration
    QTest::newRow("Kestrel") << "Kestrel";
    QTest::newRow("lower case") << "kestrel";
}

void TestHazelPanel::bindingsAndInputHelper()
{
    QFETCH(QString, chip);
    // The helper's keys, the fields bound to them and the keys' places on the picture.
    const QStringList keys = QString("MaxVelocity MaxAcceleration MaxDeceleration StartVelocity "
                                     "StopVelocity BOW1 BOW2 BOW3 BOW4")
                                 .split(' ');
    const QStringList names = QString("editMaxPosVel editAcceleration editDeceleration editVStart "
                                      "editVStop editBow1 editBow2 editBow3 editBow4")
                                  .split(' ');
    const QVector<QPoint> places{{415, 111}, {291, 223}, {505, 223}, {181, 348}, {562, 346},
                                 {245, 304}, {332, 149}, {476, 131}, {525, 322}};
    const bool kestrel = chip == "Kestrel";
    SimulatedModule module;
    module.setChipName(0, chip);
    for (const QString &key : keys)
        module.setLimits(0, "par::" + key, 3, 900000);
    Tool tool = makeTool(module, 69);
    auto *panel = child<QWidget>(tool, "StepperPositionModeHazel");
    auto *button = child<QPushButton>(panel, "btnInputHelper");
    QStringList bound;
    for (const ToolsInterface::WidgetParameter &b : tool->getWidgetParameters())
        bound << QStringLiteral("%1 %2 %3")
                     .arg(b.first->objectName(), b.second->parameterName().mid(5))
                     .arg(b.first->displayType());
    QCOMPARE(bound.join(", "),
             QString(kestrel ? "" : "editDStop StopDeceleration 0, ") +
                 "editMaxPosVel MaxVelocity 0, editAcceleration MaxAcceleration 0, "
                 "editDeceleration MaxDeceleration 0, editVStart StartVelocity 0, "
                 "editAStart StartAcceleration 0, editVBreak BreakVelocity 0, "
                 "editDFinal FinalDeceleration 0, editVStop StopVelocity 0, editBow1 BOW1 0, "
                 "editBow2 BOW2 0, editBow3 BOW3 0, editBow4 BOW4 0, checkUseSRamp SShapedRamp 4, "
                 "editRelativePosition RelativePositioningOption 4");
    QCOMPARE(child<QWidget>(panel, "editDStop")->isHidden(), kestrel);
    QCOMPARE(child<QWidget>(panel, "lblDStop")->isHidden(), kestrel);
    QVERIFY(button->isHidden());

    button->click();
    auto *window = tool->findChild<InputHelper *>();
    QTRY_VERIFY(window->isVisible() && !window->isMinimized());
    // A proxy for each key's field, at the key's place; source and proxy share a name.
    for (int i = 0; i < keys.size(); ++i) {
        const QString key = "par::" + keys.at(i);
        auto *source = child<SpinBox>(panel, qPrintable(names.at(i)));
        auto *proxy = child<SpinBox>(window, qPrintable(names.at(i)));
        Model::AxilParameter *parameter = module.parameter(0, key);
        const QString tip = parameter->displayName() + ' ' + source->toolTip();
        // The window shows the name the tool gave, apart from the value, and the unit.
        QCOMPARE((QVariantList{proxy->property(InputGIMPosition), proxy->value(), proxy->minimum(),
                               proxy->maximum(), proxy->property(GivenPrefix),
                               proxy->property(GivenSuffix), proxy->prefix(), proxy->suffix(),
                               proxy->toolTip(), proxy->property(AdvancedTip),
                               source->property(AdvancedTip)}),
                 (QVariantList{places.at(i), source->value(), 3, 900000, parameter->displayName(),
                               parameter->unit(), parameter->displayName() + ": ",
                               parameter->unit(), source->toolTip(), tip, tip}));
        QVERIFY(!window->anchorPoint(names.at(i)).isNull()); // the picture marks the field's point
        checkProxyRoundTrip(module, proxy, key);
    }
    checkHelperWindowToggles(button, window, false);
}

QTEST_MAIN(TestHazelPanel)
#include "tst_hazelpanel.moc"
