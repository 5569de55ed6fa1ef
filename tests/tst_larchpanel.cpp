// The Larch ramp panel inside a Larch tool, driven through its widgets and the simulated module.

#include "testsupport.h"

#include "axilparameter.h"
#include "helpertargetarea.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "stepperpositionmodelarch.h"
#include "xmlparameterwidget.h"

#include <QFormLayout>
#include <QGraphicsSvgItem>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QSvgRenderer>
#include <QtTest>

using namespace TestSupport;

namespace {
// Field order, with the module key each field edits.
const QStringList fields = {"VSTART", "VSTOP", "V1", "V2", "VMAX", "TVMAX", "A1",
                            "A2",     "AMAX",  "D1", "D2", "DMAX", "TZERO"};
using namespace ParameterType;
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
    void cleanup() { tool.reset(); }
    void rowsAndReload();
    void settingsCheck_data();
    void settingsCheck();
    void modes_data();
    void modes();
    void mapRectToScene_data();
    void mapRectToScene();

private:
    std::unique_ptr<SimulatedModule> module;
    Tool tool;
    StepperPositionModeLarch *panel = nullptr;
    QList<XmlParameterWidget *> widgets;
};

void TestLarchPanel::init()
{
    QLocale::setDefault(QLocale::c());
    module = std::make_unique<SimulatedModule>();
    tool = makeTool(*module, PluginVariant::StepperLarchPositionMode);
    panel = child<StepperPositionModeLarch>(tool, "StepperPositionModeLarch");
    widgets = panel->findChildren<XmlParameterWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

void TestLarchPanel::rowsAndReload()
{
    auto *form = child<QFormLayout>(panel, "formLayoutRamp");
    QCOMPARE(form->rowCount(), fields.size() + 1);
    QList<int> reads;
    for (int i = 0; i < fields.size(); ++i) {
        Model::AxilParameter *parameter = module->parameter(0, keys.at(i));
        QCOMPARE(widgets.at(i)->parameter(), parameter);
        auto *label = qobject_cast<QLabel *>(form->itemAt(i, QFormLayout::LabelRole)->widget());
        QCOMPARE(label->text(), parameter->displayName());
        QCOMPARE(form->itemAt(i, QFormLayout::FieldRole)->widget(), widgets.at(i)->widget());
        reads << module->readCount(0, keys.at(i)) + 1;
    }
    auto *reload = qobject_cast<QPushButton *>(
        form->itemAt(fields.size(), QFormLayout::SpanningRole)->widget());
    QCOMPARE(reload->text(), QStringLiteral("Reload"));
    reload->click();
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(module->readCount(0, keys.at(i)), reads.at(i));
}

void TestLarchPanel::settingsCheck_data()
{
    // Steps: "FIELD=value" is the module's own change, read by the host; other steps click the
    // button "btn" + step, or hide or show the tool. The journal follows, without "write 0 par::".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("stopMinimum");
    QTest::addColumn<QString>("journal");
    const QString held = "V1 0, V2 0, D1 1500, D2 1500, A1 1500, A2 1500"; // on switching
    QTest::newRow("start 10") << "VSTOP=5 VSTART=10" << 1 << "";
    QTest::newRow("start 11, stop below") << "VSTOP=5 VSTART=11" << 12 << "StopVelocity 12";
    QTest::newRow("start 11, stop equal") << "VSTOP=11 VSTART=11" << 12 << "StopVelocity 12";
    QTest::newRow("start 11, stop above") << "VSTOP=20 VSTART=11" << 12 << "";
    QTest::newRow("minimum kept") << "VSTOP=5 VSTART=30 VSTART=5" << 31 << "StopVelocity 31";
    QTest::newRow("trapezoidal AMAX") << "SwitchMode AMAX=500" << 1 << held + ", A1 500, A2 500";
    QTest::newRow("trapezoidal DMAX") << "SwitchMode DMAX=700" << 1 << held + ", D1 700, D2 700";
    QTest::newRow("absolute") << "SwitchMode V1=7 Absolute" << 1 << held + ", V1 0, move 0 0";
    QTest::newRow("relative") << "SwitchMode V1=7 Relative" << 1 << held + ", V1 0, moveRel 0 0";
    QTest::newRow("eight-point again")
        << "SwitchMode SwitchMode V1=7 AMAX=500 Absolute" << 1 << held + ", move 0 0";
    QTest::newRow("hidden") << "hide VSTART=30 SwitchMode V1=7 Absolute Relative" << 1
                            << "move 0 0, moveRel 0 0";
    QTest::newRow("shown again") << "hide VSTART=30 show" << 31 << "StopVelocity 31";
}

void TestLarchPanel::settingsCheck()
{
    QFETCH(QString, steps);
    QFETCH(int, stopMinimum);
    QFETCH(QString, journal);
    module->setModuleValue(0, cmd_V1, 7);
    module->setModuleValue(0, cmd_V2, 9);
    tool->showPlugin();
    module->clearJournal();
    for (const QString &step : steps.split(' ')) {
        const QStringList assignment = step.split('=');
        if (assignment.size() == 2) {
            const QString key = keys.at(fields.indexOf(assignment.first()));
            module->setModuleValue(0, key, assignment.last().toInt());
            module->parameter(0, key)->readValue(false);
        } else if (step == "hide" || step == "show") {
            step == "hide" ? tool->hidePlugin() : tool->showPlugin();
        } else {
            child<QPushButton>(tool, qPrintable("btn" + step))->click();
        }
    }
    QCOMPARE(module->journal().join(", ").remove("write 0 par::"), journal);
    QCOMPARE(widgets.at(fields.indexOf("VSTOP"))->minimum(), stopMinimum);
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
    auto *button = child<QPushButton>(panel, "btnSwitchMode");
    for (int i = 0; i < clicks; ++i)
        button->click();
    const bool trapezoidal = clicks == 1;
    QCOMPARE(button->text(), text);
    for (int i = 0; i < fields.size(); ++i) {
        const bool free = QStringList{"VMAX", "AMAX", "DMAX"}.contains(fields.at(i));
        QCOMPARE(widgets.at(i)->widget()->isEnabled(), !trapezoidal || free);
    }
    // Eight-point: one target area per field, in field order, on its element; then the picture.
    QGraphicsScene *scene = child<QGraphicsView>(panel, "graphicsView")->scene();
    const QList<QGraphicsItem *> items = scene->items(Qt::AscendingOrder);
    QCOMPARE(items.size(), trapezoidal ? 1 : fields.size() + 1);
    auto *picture = dynamic_cast<QGraphicsSvgItem *>(items.last());
    QVERIFY(picture && picture->renderer()->isValid());
    if (trapezoidal)
        QCOMPARE(scene->sceneRect(), picture->boundingRect());
    for (int i = 0; i < items.size() - 1; ++i) {
        auto *area = dynamic_cast<HelperTargetArea *>(items.at(i));
        QVERIFY(area && area->widget() == widgets.at(i));
        QCOMPARE(area->boundingRect(),
                 picture->renderer()->boundsOnElement("Field-" + fields.at(i)));
    }
}

void TestLarchPanel::mapRectToScene_data()
{
    QTest::addColumn<QRectF>("viewBox");
    QTest::addColumn<QRectF>("item");
    QTest::addColumn<QRectF>("expected"); // of the element (10, 20, 30, 40)
    QTest::newRow("non-uniform") << QRectF(0, 0, 100, 100) << QRectF(0, 0, 300, 50)
                                 << QRectF(30, 10, 90, 20);
    QTest::newRow("origins ignored")
        << QRectF(50, 60, 100, 100) << QRectF(-7, 9, 200, 200) << QRectF(20, 40, 60, 80);
    const qreal third = qreal(float(1.0 / 3.0)); // the factors are single precision
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

QTEST_MAIN(TestLarchPanel)
#include "tst_larchpanel.moc"
