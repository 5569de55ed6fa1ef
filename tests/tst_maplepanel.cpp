// The Maple panel: nine bound rows and an input helper window with a proxy for each.

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

class TestMaplePanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void rowsAndInputHelper();
};

void TestMaplePanel::rowsAndInputHelper()
{
    // Each row's field, the parameter it is bound to, the word in its tip and its place.
    const QStringList names = QString("editMaxPosVel editAcceleration editDeceleration editVStart "
                                      "editVStop editA1 editD1 editV1 editTzerowait")
                                  .split(' ');
    const QStringList keys = QString("MaxVelocity MaxAcceleration MaxDeceleration StartVelocity "
                                     "StopVelocity A1 D1 V1 TZEROWAIT")
                                 .split(' ');
    const QStringList words = QString("VMAX AMAX DMAX VStart VStop A1 D1 V1 TZEROWAIT").split(' ');
    const QVector<QPoint> places{{381, 47},  {293, 88},  {457, 87},  {179, 192}, {550, 175},
                                 {223, 147}, {514, 144}, {227, 110}, {577, 209}};
    SimulatedModule module;
    module.setLimits(0, QStringLiteral("par::TZEROWAIT"), 2, 60000);
    Tool tool = makeTool(module, 72);
    auto *panel = child<QWidget>(tool, "StepperPositionModeMaple");
    auto *button = child<QPushButton>(panel, "btnInputHelper");
    QVERIFY(button->isHidden());
    // A label gives the proxy's prefix, and its last bracket and what follows the suffix.
    child<QLabel>(panel, "lblTzerowait")->setText(QStringLiteral("Wait [a] [ms]:"));
    button->click();
    auto *window = tool->findChild<InputHelper *>();
    QTRY_VERIFY(window->isVisible() && !window->isMinimized()); // after its delayed restore
    // The window shows them as a name and the field's unit around the value.
    QStringList affixes;
    for (const char *name : {"editTzerowait", "editMaxPosVel"}) {
        auto *proxy = child<SpinBox>(window, name);
        affixes << proxy->property(GivenPrefix).toString()
                << proxy->property(GivenSuffix).toString() << proxy->text();
    }
    QCOMPARE(affixes, (QStringList{"Wait ", "  [ms]", "Wait: 2 ms", "Max. velocity:",
                                   "  [Max. velocity", "Max. velocity: 2000 pps"}));

    auto *form = child<QFormLayout>(panel, "formLayoutRamp");
    for (int i = 0; i < names.size(); ++i) {
        auto *field = child<XmlParameterWidget>(panel, qPrintable(names.at(i)));
        auto *proxy = child<SpinBox>(window, qPrintable(names.at(i)));
        const QString label = qobject_cast<QLabel *>(form->labelForField(field))->text();
        const QString tip = label + ' ' + words.at(i) + ' ' + field->toolTip();
        QCOMPARE((QVariantList{proxy->property(InputGIMPosition), proxy->intValue(),
                               proxy->minimum(), proxy->maximum(), proxy->toolTip(),
                               proxy->property(AdvancedTip), field->property(AdvancedTip)}),
                 (QVariantList{places.at(i), field->value(), field->minimum(), field->maximum(),
                               field->toolTip(), tip, tip}));
        QVERIFY(!window->anchorPoint(names.at(i)).isNull()); // the picture marks the field's point
        checkProxyRoundTrip(module, proxy, "par::" + keys.at(i));
    }
    checkHelperWindowToggles(button, window, true);
}

QTEST_MAIN(TestMaplePanel)
#include "tst_maplepanel.moc"
