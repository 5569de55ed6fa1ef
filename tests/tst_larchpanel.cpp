// The Larch ramp panel inside a Larch tool, driven through its widgets and the simulated module.

#include "axilparameter.h"
#include "genericstepperpositionmode.h"
#include "helpertargetarea.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "stepperpositionmodelarch.h"
#include "xmlparameterwidget.h"

#include <QFormLayout>
#include <QGraphicsProxyWidget>
#include <QGraphicsSvgItem>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QSvgRenderer>
#include <QtTest>

namespace {
using namespace ParameterType;
// Field order, with the module key each field edits.
const QStringList fields = {"VSTART", "VSTOP", "V1", "V2", "VMAX", "TVMAX", "A1",
                            "A2",     "AMAX",  "D1", "D2", "DMAX", "TZERO"};
const QStringList keys = {cmd_StartVelocity,   cmd_StopVelocity, cmd_V1, cmd_V2,
                          cmd_MaxVelocity,     cmd_TVMAX,        cmd_A1, cmd_A2,
                          cmd_MaxAcceleration, cmd_D1,           cmd_D2, cmd_MaxDeceleration,
                          cmd_TZEROWAIT};
} // namespace

class TestLarchPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsAndReload();
    void settingsCheck_data();
    void settingsCheck();
    void actions_data();
    void actions();
    void trapezoidalHoldsIntermediatePoints_data();
    void trapezoidalHoldsIntermediatePoints();
    void modes_data();
    void modes();
    void mapRectToScene_data();
    void mapRectToScene();
    void editOnTheDiagram();

private:
    XmlParameterWidget *field(const QString &name) const
    {
        return widgets.at(fields.indexOf(name));
    }
    void setModule(const char *key, int value);
    QStringList writes() const { return module->journal().filter(QRegularExpression("^write ")); }
    QString write(const char *key, int value) const
    {
        return QStringLiteral("write 0 %1 %2").arg(QLatin1String(key)).arg(value);
    }
    QPushButton *button(const char *name) const { return tool->findChild<QPushButton *>(name); }
    QGraphicsScene *scene() const { return panel->findChild<QGraphicsView *>()->scene(); }

    std::unique_ptr<SimulatedModule> module;
    std::unique_ptr<ToolsInterface> tool;
    StepperPositionModeLarch *panel = nullptr;
    QList<XmlParameterWidget *> widgets;
};

void TestLarchPanel::init()
{
    QLocale::setDefault(QLocale::c());
    module = std::make_unique<SimulatedModule>();
    GenericStepperPositionMode factory;
    QVERIFY(factory.isUsableForVariant(PluginVariant::StepperLarchPositionMode));
    tool.reset(factory.clone(QStringLiteral("Larch"), 0, module.get()));
    panel = tool->findChild<StepperPositionModeLarch *>();
    QVERIFY(panel);
    widgets = panel->findChildren<XmlParameterWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(widgets.size(), fields.size());
}

void TestLarchPanel::cleanup()
{
    tool.reset();
    module.reset();
}

void TestLarchPanel::setModule(const char *key, int value)
{
    module->setModuleValue(0, QLatin1String(key), value);
    module->parameter(0, QLatin1String(key))->readValue(false);
}

void TestLarchPanel::rowsAndReload()
{
    auto *form = panel->findChild<QFormLayout *>(QStringLiteral("formLayoutRamp"));
    QCOMPARE(form->rowCount(), fields.size() + 1);
    for (int i = 0; i < fields.size(); ++i) {
        Model::AxilParameter *parameter = module->parameter(0, keys.at(i));
        QCOMPARE(widgets.at(i)->parameter(), parameter);
        auto *label = qobject_cast<QLabel *>(form->itemAt(i, QFormLayout::LabelRole)->widget());
        QCOMPARE(label->text(), parameter->displayName());
        QCOMPARE(form->itemAt(i, QFormLayout::FieldRole)->widget(), widgets.at(i)->widget());
    }
    auto *reload = qobject_cast<QPushButton *>(
        form->itemAt(fields.size(), QFormLayout::SpanningRole)->widget());
    QCOMPARE(reload->text(), QStringLiteral("Reload"));
    QList<int> before;
    for (const QString &key : keys)
        before << module->readCount(0, key);
    reload->click();
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(module->readCount(0, keys.at(i)), before.at(i) + 1);
}

void TestLarchPanel::settingsCheck_data()
{
    QTest::addColumn<QList<int>>("starts"); // start velocities set one after the other
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("expectedStop");
    QTest::newRow("start 10 leaves stop") << QList<int>{10} << 5 << 1 << 5;
    QTest::newRow("start 11, stop below") << QList<int>{11} << 5 << 12 << 12;
    QTest::newRow("start 11, stop equal") << QList<int>{11} << 11 << 12 << 12;
    QTest::newRow("start 11, stop above") << QList<int>{11} << 20 << 12 << 20;
    QTest::newRow("minimum stays raised") << QList<int>{30, 5} << 5 << 31 << 31;
}

void TestLarchPanel::settingsCheck()
{
    QFETCH(QList<int>, starts);
    QFETCH(int, stop);
    QFETCH(int, minimum);
    QFETCH(int, expectedStop);
    tool->showPlugin();
    field("VSTOP")->setValue(stop);
    module->clearJournal();
    QStringList expected;
    for (int start : starts) {
        field("VSTART")->setValue(start);
        expected << write(cmd_StartVelocity, start);
        if (start == starts.first() && expectedStop != stop)
            expected << write(cmd_StopVelocity, expectedStop);
    }
    QCOMPARE(field("VSTOP")->minimum(), minimum);
    QCOMPARE(field("VSTOP")->value(), expectedStop);
    QCOMPARE(writes(), expected);
}

void TestLarchPanel::actions_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("command");
    QTest::newRow("shown, absolute move") << true << "btnAbsolute"
                                          << "move 0 .*";
    QTest::newRow("shown, relative move") << true << "btnRelative"
                                          << "moveRel 0 .*";
    QTest::newRow("hidden, value update") << false << ""
                                          << "";
    QTest::newRow("hidden, absolute move") << false << "btnAbsolute"
                                           << "move 0 .*";
    QTest::newRow("hidden, relative move") << false << "btnRelative"
                                           << "moveRel 0 .*";
    QTest::newRow("hidden, mode switch") << false << "btnSwitchMode"
                                         << "";
}

void TestLarchPanel::actions()
{
    QFETCH(bool, shown);
    QFETCH(QString, action);
    QFETCH(QString, command);
    tool->showPlugin();
    if (!shown)
        tool->hidePlugin();
    module->clearJournal();
    setModule(cmd_V1, 7);
    setModule(cmd_StartVelocity, 30); // the module's own change, seen by the host's next read
    if (!action.isEmpty())
        button(qPrintable(action))->click();
    // Shown, the check raises VSTOP before the move reaches the module; hidden, nothing is written.
    const QStringList journal = module->journal();
    QCOMPARE(writes(), shown ? QStringList{write(cmd_StopVelocity, 31)} : QStringList());
    if (!command.isEmpty())
        QVERIFY2(journal.indexOf(QRegularExpression(command)) == journal.size() - 1,
                 qPrintable(journal.join(" | ")));
}

void TestLarchPanel::trapezoidalHoldsIntermediatePoints_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("acceleration");
    QTest::addColumn<int>("deceleration");
    QTest::newRow("switch") << QString() << 0 << 1500 << 1500;
    QTest::newRow("AMAX 500") << "AMAX" << 500 << 500 << 1500;
    QTest::newRow("DMAX 700") << "DMAX" << 700 << 1500 << 700;
}

void TestLarchPanel::trapezoidalHoldsIntermediatePoints()
{
    QFETCH(QString, edited);
    QFETCH(int, value);
    QFETCH(int, acceleration);
    QFETCH(int, deceleration);
    module->setModuleValue(0, cmd_V1, 7);
    module->setModuleValue(0, cmd_V2, 9);
    tool->showPlugin();
    button("btnSwitchMode")->click();
    if (!edited.isEmpty())
        field(edited)->setValue(value);
    const QList<QPair<const char *, int>> held = {{cmd_V1, 0},
                                                  {cmd_V2, 0},
                                                  {cmd_A1, acceleration},
                                                  {cmd_A2, acceleration},
                                                  {cmd_D1, deceleration},
                                                  {cmd_D2, deceleration}};
    for (const auto &h : held) {
        QCOMPARE(module->moduleValue(0, h.first), qint64(h.second));
        QCOMPARE(widgets.at(keys.indexOf(h.first))->value(), h.second);
    }
}

void TestLarchPanel::modes_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("text");
    QTest::newRow("eight-point after construction") << 0 << "switch to trapezoidal ramp";
    QTest::newRow("trapezoidal") << 1 << "Switch to eightpoint ramp";
    QTest::newRow("eight-point again") << 2 << "Switch to trapezoidal ramp";
}

void TestLarchPanel::modes()
{
    QFETCH(int, clicks);
    QFETCH(QString, text);
    QVERIFY(QFile::exists(QStringLiteral(":/Images/EightPointRamp")));
    for (int i = 0; i < clicks; ++i)
        button("btnSwitchMode")->click();
    const bool trapezoidal = clicks == 1;
    QCOMPARE(button("btnSwitchMode")->text(), text);
    for (int i = 0; i < fields.size(); ++i) {
        const bool free = fields.at(i).endsWith(QLatin1String("MAX")) && fields.at(i) != "TVMAX";
        QCOMPARE(widgets.at(i)->widget()->isEnabled(), !trapezoidal || free);
    }

    const QList<QGraphicsItem *> items = scene()->items(Qt::AscendingOrder);
    QCOMPARE(items.size(), trapezoidal ? 1 : fields.size() + 1);
    auto *picture = dynamic_cast<QGraphicsSvgItem *>(items.last());
    QVERIFY(picture && picture->renderer()->isValid());
    if (trapezoidal)
        QCOMPARE(scene()->sceneRect(), picture->boundingRect());
    for (int i = 0; i < items.size() - 1; ++i) {
        auto *area = dynamic_cast<HelperTargetArea *>(items.at(i));
        QVERIFY(area);
        QCOMPARE(area->widget(), widgets.at(i));
        QCOMPARE(area->boundingRect(),
                 picture->renderer()->boundsOnElement("Field-" + fields.at(i)));
    }
}

void TestLarchPanel::mapRectToScene_data()
{
    QTest::addColumn<QRectF>("viewBox");
    QTest::addColumn<QRectF>("item");
    QTest::addColumn<QRectF>("expected");
    // The element rectangle is (10, 20, 30, 40) in every row.
    QTest::newRow("scale 1") << QRectF(0, 0, 400, 300) << QRectF(0, 0, 400, 300)
                             << QRectF(10, 20, 30, 40);
    QTest::newRow("scale 2") << QRectF(0, 0, 200, 150) << QRectF(0, 0, 400, 300)
                             << QRectF(20, 40, 60, 80);
    QTest::newRow("non-uniform") << QRectF(0, 0, 100, 100) << QRectF(0, 0, 300, 50)
                                 << QRectF(30, 10, 90, 20);
    QTest::newRow("origins ignored")
        << QRectF(50, 60, 100, 100) << QRectF(-7, 9, 200, 200) << QRectF(20, 40, 60, 80);
    // The factors are single precision: 1/3 becomes 0.3333333433.
    const qreal third = qreal(float(1.0 / 3.0));
    QTest::newRow("factor 1/3") << QRectF(0, 0, 3, 3) << QRectF(0, 0, 1, 1)
                                << QRectF(10 * third, 20 * third, 30 * third, 40 * third);
}

void TestLarchPanel::mapRectToScene()
{
    QFETCH(QRectF, viewBox);
    QFETCH(QRectF, item);
    QFETCH(QRectF, expected);
    QCOMPARE(panel->mapRectToScene(viewBox, item, QRectF(10, 20, 30, 40)), expected);
}

void TestLarchPanel::editOnTheDiagram()
{
    tool->show();
    button("btnHideController")->setChecked(false);
    QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
    auto *view = panel->findChild<QGraphicsView *>();
    auto *area = dynamic_cast<HelperTargetArea *>(
        scene()->items(Qt::AscendingOrder).at(fields.indexOf("VMAX")));
    QVERIFY(area);
    view->centerOn(area);
    const QPoint at = view->mapFromScene(area->boundingRect().center());
    module->clearJournal();

    QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &wheel);
    QCOMPARE(module->journal(), QStringList{write(cmd_MaxVelocity, 2010)});

    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(area->isEditing());
    SpinBox *editor = nullptr;
    for (QGraphicsItem *item : scene()->items()) {
        if (auto *proxy = qgraphicsitem_cast<QGraphicsProxyWidget *>(item))
            editor = qobject_cast<SpinBox *>(proxy->widget());
    }
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("2500"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(module->journal().last(), write(cmd_MaxVelocity, 2500));
    QCOMPARE(field("VMAX")->value(), 2500);
}

QTEST_MAIN(TestLarchPanel)
#include "tst_larchpanel.moc"
