// The diagram's target area: in-place edits by wheel and by a field opened on the diagram reach
// the module through the bound field; a field that cannot be edited makes the area inert.

#include "axilparameter.h"
#include "helpertargetarea.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsSceneWheelEvent>
#include <QtTest>

class TestHelperTargetArea : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void edit_data();
    void edit();
};

void TestHelperTargetArea::edit_data()
{
    // "field": how the area's field stands; "input": a wheel step (+/-, 10 with Shift) or
    // "2500" typed into the field opened by a double-click and ended by the key or focus-out.
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected");
    QTest::newRow("wheel up") << "" << 2000 << "+1" << 2001;
    QTest::newRow("shift wheel down") << "" << 2000 << "-10" << 1990;
    QTest::newRow("wheel clamped to the minimum") << "" << 12 << "-10" << 5;
    QTest::newRow("Enter commits") << "" << 2000 << "Return" << 2500;
    QTest::newRow("leaving commits") << "" << 2000 << "FocusOut" << 2500;
    QTest::newRow("Escape cancels") << "" << 2000 << "Escape" << 2000;
    QTest::newRow("disabled, double-click") << "disabled" << 2000 << "Return" << 2000;
    QTest::newRow("gone, wheel") << "gone" << 2000 << "+1" << 2000;
    QTest::newRow("parameter missing") << "missing" << 2000 << "+1" << 2000;
}

void TestHelperTargetArea::edit()
{
    QFETCH(QString, field);
    QFETCH(int, start);
    QFETCH(QString, input);
    QFETCH(int, expected);
    const QString key = QLatin1String(ParameterType::cmd_MaxVelocity);
    SimulatedModule module;
    module.setLimits(0, key, 5, 9000);
    module.setModuleValue(0, key, start);
    if (field == "missing")
        module.removeParameter(0, key);
    module.parameter(0, key)->readValue(false);
    auto widget = std::make_unique<XmlParameterWidget>(module.parameter(0, key), nullptr);
    QGraphicsScene scene(0, 0, 300, 200);
    auto *area = new HelperTargetArea(QRectF(40, 30, 60, 16), widget.get());
    scene.addItem(area);
    module.clearJournal();
    if (field == "disabled")
        widget->setEnabled(false);
    else if (field == "gone")
        widget.reset();

    const int step = input.toInt();
    QGraphicsSceneWheelEvent wheel(QEvent::GraphicsSceneWheel);
    wheel.setDelta(step * 12);
    wheel.setOrientation(Qt::Vertical);
    wheel.setModifiers(qAbs(step) == 10 ? Qt::ShiftModifier : Qt::NoModifier);
    QGraphicsSceneMouseEvent doubleClick(QEvent::GraphicsSceneMouseDoubleClick);
    doubleClick.setButton(Qt::LeftButton);
    QGraphicsSceneEvent &event = step ? static_cast<QGraphicsSceneEvent &>(wheel) : doubleClick;
    scene.sendEvent(area, &event);
    QCOMPARE(event.isAccepted(), field.isEmpty());
    QCOMPARE(area->isEditing(), field.isEmpty() && !step);
    if (area->isEditing()) {
        auto *proxy = qgraphicsitem_cast<QGraphicsProxyWidget *>(scene.items().first());
        QCOMPARE(proxy->geometry().center(), area->boundingRect().center());
        auto *editor = qobject_cast<SpinBox *>(proxy->widget());
        QCOMPARE(QVector<double>({editor->value(), editor->minimum(), editor->maximum()}),
                 QVector<double>({2000, 5, 9000}));
        QTest::keyClicks(editor, QStringLiteral("2500"));
        QFocusEvent focusOut(QEvent::FocusOut);
        if (input == "FocusOut")
            QCoreApplication::sendEvent(editor, &focusOut);
        else
            QTest::keyClick(editor, input == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!area->isEditing());
    }
    QTRY_COMPARE(scene.items().size(), 1);
    const QString write = QStringLiteral("write 0 %1 %2").arg(key).arg(expected);
    QCOMPARE(module.journal().join('|'), expected == start ? QString() : write);
    // The tooltip names the value, and the edits only while the area takes them.
    QCOMPARE(area->toolTip().contains('\n'), field.isEmpty());
    if (field.isEmpty()) {
        QCOMPARE(widget->value(), expected);
        QVERIFY(
            area->toolTip().startsWith(QStringLiteral("Maximum velocity: %1 pps\n").arg(expected)));
    }
}

QTEST_MAIN(TestHelperTargetArea)
#include "tst_helpertargetarea.moc"
