// The Larch ramp panel inside a Larch tool, driven through its widgets and the simulated module.

#include "testsupport.h"

#include "axilparameter.h"
#include "helpertargetarea.h"
#include "xmlparameterwidget.h"

#include <QtSvg>
#include <QtTest>
#include <QtWidgets>

using namespace TestSupport;

namespace {
// Field order, with the parameter each field edits.
const QStringList fields =
    QString("VSTART VSTOP V1 V2 VMAX TVMAX A1 A2 AMAX D1 D2 DMAX TZERO").split(' ');
const QStringList keys = QString("par::StartVelocity par::StopVelocity par::V1 par::V2 "
                                 "par::MaxVelocity par::TVMAX par::A1 par::A2 par::MaxAcceleration "
                                 "par::D1 par::D2 par::MaxDeceleration par::TZEROWAIT")
                             .split(' ');
} // namespace

class TestLarchPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void formAndDiagram();
    void settingsCheck_data();
    void settingsCheck();
};

void TestLarchPanel::settingsCheck_data()
{
    // Before the tool exists the module holds "FIELD=value ..." and, with "wide", limits that no
    // int holds. Steps: "FIELD=value" the module's change, read; "FIELD:=value" the same, unread;
    // "FIELD~" the person empties the field (typing, uncommitted); "hide", "show"; else a click on
    // "btn" + step.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("stopMinimum");
    QTest::addColumn<QString>("journal");
    const QString held = "V1 0, V2 0, D1 1500, D2 1500, A1 1500, A2 1500, "; // on switching
    const struct
    {
        const char *name, *before, *steps;
        int stopMinimum;
        QString journal;
    } rows[] = {{"start 10", "", "VSTOP=5 VSTART=10", 1, ""},
                {"start 11, stop equal", "", "VSTOP=11 VSTART=11", 12, "StopVelocity 12"},
                {"start 11, stop above", "", "VSTOP=20 VSTART=11", 12, ""},
                {"minimum kept", "", "VSTOP=5 VSTART=30 VSTART=5", 31, "StopVelocity 31"},
                {"trapezoidal", "", "SwitchMode AMAX=500 DMAX=700", 1,
                 held + "A1 500, A2 500, D1 700, D2 700"},
                {"moves", "", "SwitchMode V1=7 Absolute V2=7 Relative", 1,
                 held + "V1 0, move 0 0, V2 0, moveRel 0 0"},
                {"eight-point again", "", "SwitchMode SwitchMode V1=7 AMAX=500 Absolute", 1,
                 held + "move 0 0"},
                {"hidden", "", "hide VSTART=30 SwitchMode V1=7 Absolute Relative", 1,
                 "move 0 0, moveRel 0 0"},
                {"shown again", "", "hide VSTART=30 show", 31, "StopVelocity 31"},
                // The rule judges the values the module holds, every one of them read first.
                {"first show, valid", "VSTART=11 VSTOP=20", "", 12, ""},
                {"first show, broken", "VSTART=40 VSTOP=20", "", 41, "StopVelocity 41"},
                {"reload, valid", "", "VSTART:=11 VSTOP:=20 Reload", 12, ""},
                {"reload, broken", "", "VSTART:=50 VSTOP:=40 Reload", 51, "StopVelocity 51"},
                {"shown again, valid", "", "hide VSTART:=60 VSTOP:=70 show", 61, ""},
                // A stop velocity that came while the person typed in its field is judged when
                // the field shows it, as the person leaves it.
                {"arrived while typed", "", "VSTOP=40 VSTART=30 VSTOP~ VSTOP=20 VSTART~", 31,
                 "StopVelocity 31"},
                // At the top of the int range the stop velocity can only equal the start velocity.
                {"start at the top", "wide VSTART=2147483647 VSTOP=20", "", 2147483647,
                 "StopVelocity 2147483647"},
                {"wide, valid", "wide VSTART=2147483646 VSTOP=4294967296", "", 2147483647, ""}};
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString(row.before) << QString(row.steps) << row.stopMinimum
                                << row.journal;
}

void TestLarchPanel::settingsCheck()
{
    QFETCH(QString, before);
    QFETCH(QString, steps);
    QFETCH(int, stopMinimum);
    QFETCH(QString, journal);
    SimulatedModule module;
    module.setPluginVariant(0, 73);
    Tool tool;
    const auto field = [&tool](const QString &name) {
        return child<QWidget>(tool, "StepperPositionModeLarch")
            ->findChildren<XmlParameterWidget *>(QString(), Qt::FindDirectChildrenOnly)
            .at(fields.indexOf(name));
    };
    const auto run = [&](const QString &list) {
        for (const QString &step : list.split(' ', Qt::SkipEmptyParts)) {
            const QStringList assignment = step.split('=');
            const QString key = keys.value(fields.indexOf(QString(assignment[0]).remove(':')));
            if (step.endsWith('~')) {
                if (!tool->isActiveWindow()) {
                    tool->show();
                    QApplication::setActiveWindow(tool.get());
                    QVERIFY(QTest::qWaitForWindowActive(tool.get()));
                }
                QWidget *editor = field(step.chopped(1))->widget();
                editor->setFocus();
                QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(editor, Qt::Key_Backspace);
            } else if (step == "wide") {
                for (const char *wide : {"par::StartVelocity", "par::StopVelocity"})
                    module.setLimits(0, wide, 0, 1LL << 40);
            } else if (assignment.size() == 2) {
                module.setModuleValue(0, key, assignment.last().toLongLong());
                if (tool && !step.contains(':'))
                    module.parameter(0, key)->readValue(false);
            } else if (step == "hide" || step == "show") {
                step == "hide" ? tool->hidePlugin() : tool->showPlugin();
            } else {
                child<QPushButton>(tool, qPrintable("btn" + step))->click();
            }
        }
    };
    run(before);
    tool = makeTool(module, 73);
    tool->showPlugin();
    if (before.isEmpty())
        module.clearJournal();
    run(steps);
    QCOMPARE(module.journal().join(", ").remove("write 0 par::"), journal);
    QCOMPARE(field("VSTOP")->minimum(), stopMinimum);
}

void TestLarchPanel::formAndDiagram()
{
    SimulatedModule module;
    Tool tool = makeTool(module, 73);
    auto *panel = child<QWidget>(tool, "StepperPositionModeLarch");
    const auto widgets =
        panel->findChildren<XmlParameterWidget *>(QString(), Qt::FindDirectChildrenOnly);
    // The form's fields in field order, bound to their keys.
    auto *form = child<QFormLayout>(panel, "formLayoutRamp");
    for (int i = 0; i < fields.size(); ++i) {
        QCOMPARE(form->itemAt(i, QFormLayout::FieldRole)->widget(), widgets.at(i)->widget());
        QCOMPARE(widgets.at(i)->parameter(), module.parameter(0, keys.at(i)));
    }
    // Eight-point: a target area per field on its element, then the picture. Trapezoidal: only
    // the picture, and only VMAX, AMAX and DMAX can be edited.
    auto *button = child<QPushButton>(panel, "btnSwitchMode");
    const QStringList free{"VMAX", "AMAX", "DMAX"};
    QGraphicsScene *scene = child<QGraphicsView>(panel, "graphicsView")->scene();
    for (int clicks = 0; clicks < 3; ++clicks) {
        const bool trapezoidal = clicks == 1;
        if (clicks > 0)
            button->click();
        QCOMPARE(button->text().startsWith("Switch to eightpoint"), trapezoidal);
        // A locked field says why in its tooltip, after its description.
        for (int i = 0; i < fields.size(); ++i) {
            const bool locked = trapezoidal && !free.contains(fields.at(i));
            QCOMPARE(widgets.at(i)->widget()->isEnabled(), !locked);
            QCOMPARE(widgets.at(i)->widget()->toolTip().endsWith(
                         "Switch to the eight-point ramp to change it."),
                     locked);
            QVERIFY(widgets.at(i)->widget()->toolTip().startsWith(
                widgets.at(i)->parameter()->displayName()));
        }
        const QList<QGraphicsItem *> items = scene->items(Qt::AscendingOrder);
        QCOMPARE(items.size(), trapezoidal ? 1 : fields.size() + 1);
        auto *picture = dynamic_cast<QGraphicsSvgItem *>(items.last());
        QVERIFY(picture && picture->renderer()->isValid());
        for (int i = 0; i < items.size() - 1; ++i) {
            auto *area = dynamic_cast<HelperTargetArea *>(items.at(i));
            QVERIFY(area && area->widget() == widgets.at(i));
            QCOMPARE(area->boundingRect(),
                     picture->renderer()->boundsOnElement("Field-" + fields.at(i)));
        }
    }
}

QTEST_MAIN(TestLarchPanel)
#include "tst_larchpanel.moc"
