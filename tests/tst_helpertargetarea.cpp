// The diagram's target area: edits by wheel and by an editor opened on it reach the module.

#include "axilparameter.h"
#include "helpertargetarea.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

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
    // A wheel step by the second digit of 2000 (ten of them with Shift), or 2500 typed into the
    // editor a double-click opens.
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("field");
    QTest::newRow("wheel up") << "+1" << 2100 << "";
    QTest::newRow("shift wheel down") << "-10" << 1000 << "";
    QTest::newRow("Enter commits") << "Return" << 2500 << "";
    QTest::newRow("Escape cancels") << "Escape" << 2000 << "";
    QTest::newRow("disabled, double-click") << "Return" << 2000 << "disabled";
    QTest::newRow("gone, wheel") << "+1" << 2000 << "gone";
}

void TestHelperTargetArea::edit()
{
    QFETCH(QString, input);
    QFETCH(int, expected);
    QFETCH(QString, field);
    const QString key = QStringLiteral("par::MaxVelocity");
    SimulatedModule module;
    module.setLimits(0, key, 5, 9000);
    module.setModuleValue(0, key, 2000);
    module.parameter(0, key)->readValue(false);
    auto widget = std::make_unique<XmlParameterWidget>(module.parameter(0, key), nullptr);
    QGraphicsScene scene(0, 0, 300, 200);
    auto *area = new HelperTargetArea(QRectF(40, 30, 60, 16), widget.get());
    scene.addItem(area);
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
        QTest::keyClick(editor, input == "Return" ? Qt::Key_Return : Qt::Key_Escape);
    }
    QTRY_COMPARE(scene.items().size(), 1);
    QCOMPARE(module.journal().join('|'),
             expected == 2000 ? QString() : QStringLiteral("write 0 %1 %2").arg(key).arg(expected));
    // The tooltip names the value, and the edits only while the area takes them.
    QCOMPARE(area->toolTip().contains('\n'), field.isEmpty());
    QVERIFY(!field.isEmpty() ||
            area->toolTip().startsWith(QStringLiteral("Maximum velocity: %1 pps\n").arg(expected)));
}

QTEST_MAIN(TestHelperTargetArea)
#include "tst_helpertargetarea.moc"
