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
    void init();
    void wheel_data();
    void wheel();
    void editor_data();
    void editor();
    void tooltipFollowsValue();

private:
    void build(int value);
    bool send(QGraphicsSceneEvent *event);
    QStringList writes(int value) const;

    const QString key = QLatin1String(ParameterType::cmd_MaxVelocity);
    std::unique_ptr<SimulatedModule> module;
    std::unique_ptr<XmlParameterWidget> widget;
    std::unique_ptr<QGraphicsScene> scene;
    HelperTargetArea *area = nullptr;
};

void TestHelperTargetArea::init()
{
    QLocale::setDefault(QLocale::c());
    module = std::make_unique<SimulatedModule>();
}

void TestHelperTargetArea::build(int value)
{
    module->setModuleValue(0, key, value);
    module->parameter(0, key)->readValue(false);
    widget = std::make_unique<XmlParameterWidget>(module->parameter(0, key), nullptr);
    scene = std::make_unique<QGraphicsScene>(0, 0, 300, 200);
    area = new HelperTargetArea(QRectF(40, 30, 60, 16), widget.get());
    scene->addItem(area);
    module->clearJournal();
}

bool TestHelperTargetArea::send(QGraphicsSceneEvent *event)
{
    scene->sendEvent(area, event);
    return event->isAccepted();
}

QStringList TestHelperTargetArea::writes(int value) const
{
    return {QStringLiteral("write 0 %1 %2").arg(key).arg(value)};
}

void TestHelperTargetArea::wheel_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("expected");
    QTest::newRow("up") << "" << 2000 << 120 << false << 2001;
    QTest::newRow("down") << "" << 2000 << -120 << false << 1999;
    QTest::newRow("shift up") << "" << 2000 << 120 << true << 2010;
    QTest::newRow("shift down") << "" << 2000 << -120 << true << 1990;
    QTest::newRow("clamped to the minimum") << "" << 4 << -120 << true << 0;
    QTest::newRow("at the maximum") << "" << 8388096 << 120 << false << 8388096;
    // An area whose field cannot be edited takes neither the wheel nor a double-click.
    QTest::newRow("disabled field") << "disabled" << 2000 << 120 << false << 2000;
    QTest::newRow("field gone") << "gone" << 2000 << 120 << false << 2000;
    QTest::newRow("parameter missing") << "missing" << 2000 << 120 << false << 2000;
}

void TestHelperTargetArea::wheel()
{
    QFETCH(QString, field);
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(bool, shift);
    QFETCH(int, expected);
    if (field == "missing")
        module->removeParameter(0, key);
    build(start);
    if (field == "disabled")
        widget->setEnabled(false);
    else if (field == "gone")
        widget.reset();
    QGraphicsSceneWheelEvent event(QEvent::GraphicsSceneWheel);
    event.setDelta(delta);
    event.setOrientation(Qt::Vertical);
    event.setModifiers(shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(send(&event), field.isEmpty());
    QCOMPARE(module->journal(), expected == start ? QStringList() : writes(expected));
    if (field.isEmpty()) {
        QCOMPARE(widget->value(), expected);
        return;
    }
    QGraphicsSceneMouseEvent doubleClick(QEvent::GraphicsSceneMouseDoubleClick);
    doubleClick.setButton(Qt::LeftButton);
    QVERIFY(!send(&doubleClick));
    QCOMPARE(scene->items().size(), 1);
}

void TestHelperTargetArea::editor_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("expected");
    QTest::newRow("Enter commits") << "enter" << 2500;
    QTest::newRow("leaving the field commits") << "focus out" << 2500;
    QTest::newRow("Escape cancels") << "escape" << 2000;
}

void TestHelperTargetArea::editor()
{
    QFETCH(QString, end);
    QFETCH(int, expected);
    build(2000);
    module->setLimits(0, key, 5, 9000);
    QGraphicsSceneMouseEvent doubleClick(QEvent::GraphicsSceneMouseDoubleClick);
    doubleClick.setButton(Qt::LeftButton);
    QVERIFY(send(&doubleClick));
    QPointer<QGraphicsProxyWidget> proxy;
    for (QGraphicsItem *item : scene->items()) {
        if (auto *p = qgraphicsitem_cast<QGraphicsProxyWidget *>(item))
            proxy = p;
    }
    QVERIFY(proxy && area->isEditing());
    QCOMPARE(proxy->geometry().center(), area->boundingRect().center());
    auto *spinBox = qobject_cast<SpinBox *>(proxy->widget());
    QCOMPARE(QVector<double>({spinBox->value(), spinBox->minimum(), spinBox->maximum()}),
             QVector<double>({2000, 5, 9000}));

    QTest::keyClicks(spinBox, QStringLiteral("2500"));
    QFocusEvent focusOut(QEvent::FocusOut);
    if (end == "enter")
        QTest::keyClick(spinBox, Qt::Key_Return);
    else if (end == "escape")
        QTest::keyClick(spinBox, Qt::Key_Escape);
    else
        QCoreApplication::sendEvent(spinBox, &focusOut);
    QVERIFY(!area->isEditing());
    QTRY_VERIFY(proxy.isNull());
    QCOMPARE(widget->value(), expected);
    QCOMPARE(module->journal(), expected == 2000 ? QStringList() : writes(expected));
}

void TestHelperTargetArea::tooltipFollowsValue()
{
    build(2000);
    QVERIFY(area->toolTip().startsWith(QStringLiteral("Maximum velocity: 2000 pps\n")));
    module->setModuleValue(0, key, 3125);
    module->parameter(0, key)->readValue(false);
    QVERIFY(area->toolTip().startsWith(QStringLiteral("Maximum velocity: 3125 pps\n")));
    widget->setEnabled(false);
    QCOMPARE(area->toolTip(), QStringLiteral("Maximum velocity: 3125 pps"));
}

QTEST_MAIN(TestHelperTargetArea)
#include "tst_helpertargetarea.moc"
