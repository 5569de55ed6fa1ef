// The field bound to a module parameter: what it shows, what it writes, and what it must not
// write back.

#include "axilparameter.h"
#include "basictools.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString optionKey = QLatin1String(ParameterType::cmd_RelativePositioningOption);

QStringList writes(const SimulatedModule &module)
{
    return module.journal().filter(QLatin1String("write"));
}

SpinBox *spinBoxOf(const XmlParameterWidget &field)
{
    return qobject_cast<SpinBox *>(field.widget());
}
} // namespace

class TestXmlParameterWidget : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void plainEditor_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("velocity") << vmaxKey << " pps";
        QTest::newRow("position") << targetKey << " steps";
        QTest::newRow("no unit") << QString::fromLatin1(ParameterType::cmd_PulseDivisor) << "";
    }

    void plainEditor()
    {
        QFETCH(QString, key);
        QFETCH(QString, suffix);

        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field(p, nullptr);
        QCOMPARE(field.parameter(), p);
        QCOMPARE(field.displayType(), DisplayType::Plain);
        SpinBox *spin = spinBoxOf(field);
        QVERIFY(spin);
        QCOMPARE(field.minimum(), int(p->minimum()));
        QCOMPARE(field.maximum(), int(p->maximum()));
        QCOMPARE(spin->suffix(), suffix);
        QCOMPARE(field.value(), int(p->lastKnownValue()));
        const QString tip = spin->toolTip();
        QVERIFY2(tip.contains(BasicTools::int64InsertDot(p->minimum())) &&
                     tip.contains(BasicTools::int64InsertDot(p->maximum())),
                 qPrintable(tip));
        QVERIFY(module.journal().isEmpty());
    }

    void twoChoice()
    {
        SimulatedModule module;
        XmlParameterWidget field;
        field.setParameter(module.parameter(0, optionKey), DisplayType::TwoChoice);
        auto *combo = qobject_cast<QComboBox *>(field.widget());
        QVERIFY(combo);
        QCOMPARE(combo->count(), 2);
        field.updateFromParameter();
        QCOMPARE(combo->currentIndex(), 1);
        QVERIFY(module.journal().isEmpty());
        combo->setCurrentIndex(0);
        QCOMPARE(module.journal(), QStringList{"write 0 par::RelativePositioningOption 0"});
    }

    void editsWrite()
    {
        SimulatedModule module;
        XmlParameterWidget field(module.parameter(0, vmaxKey), nullptr);
        QSignalSpy changes(&field, &XmlParameterWidget::valueChanged);
        spinBoxOf(field)->setValue(3456);
        field.setValue(3457);
        QCOMPARE(module.journal(),
                 (QStringList{"write 0 par::MaxVelocity 3456", "write 0 par::MaxVelocity 3457"}));
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.last().first().toInt(), 3457);

        field.setAndUpdateValue(100);
        QCOMPARE(field.value(), 100);
        QCOMPARE(module.journal().last(), QStringLiteral("write 0 par::MaxVelocity 100"));
    }

    void moduleValuesAreNotWrittenBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<qint64>("value");
        QTest::newRow("plain") << vmaxKey << int(DisplayType::Plain) << qint64(777);
        QTest::newRow("beyond the field's range")
            << vmaxKey << int(DisplayType::Plain) << qint64(9000000);
        QTest::newRow("two choices") << optionKey << int(DisplayType::TwoChoice) << qint64(0);
    }

    void moduleValuesAreNotWrittenBack()
    {
        QFETCH(QString, key);
        QFETCH(int, type);
        QFETCH(qint64, value);

        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field;
        field.setParameter(p, DisplayType::Type(type));
        module.setModuleValue(0, key, value);
        p->readValue(false);
        QCOMPARE(field.value(), qBound(field.minimum(), int(value), field.maximum()));
        QCOMPARE(module.moduleValue(0, key), value);
        QVERIFY2(writes(module).isEmpty(), qPrintable(module.journal().join(QLatin1Char('\n'))));
    }

    void refusedWriteRestoresModuleValue_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("edit");
        QTest::newRow("below the module's minimum") << vmaxKey << -5;
        QTest::newRow("read-only") << QString::fromLatin1(ParameterType::cmd_ActualVelocity) << 50;
    }

    void refusedWriteRestoresModuleValue()
    {
        QFETCH(QString, key);
        QFETCH(int, edit);

        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field(p, nullptr);
        field.setMinimum(-100); // the field lets through what the module refuses
        const int before = field.value();
        field.setValue(edit);
        QCOMPARE(module.journal().last(),
                 QStringLiteral("refused write 0 %1 %2").arg(key).arg(edit));
        QCOMPARE(field.value(), before);
        QCOMPARE(p->lastKnownValue(), qint64(before));
    }

    void setMinimum_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("above the value") << 2500 << QStringList{"write 0 par::MaxVelocity 2500"};
        QTest::newRow("to the value") << 2000 << QStringList();
        QTest::newRow("lowered") << -10 << QStringList();
    }

    void setMinimum()
    {
        QFETCH(int, minimum);
        QFETCH(QStringList, journal);

        SimulatedModule module;
        XmlParameterWidget field(module.parameter(0, vmaxKey), nullptr);
        field.setMinimum(minimum);
        QCOMPARE(field.minimum(), minimum);
        QCOMPARE(field.value(), qMax(2000, minimum));
        QCOMPARE(module.journal(), journal);
    }

    void typingIsNotOverwritten()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, targetKey);
        XmlParameterWidget field(p, nullptr);
        SpinBox *spin = spinBoxOf(field);
        auto *line = spin->findChild<QLineEdit *>();
        field.show();
        field.activateWindow();
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(line, QStringLiteral("250"));
        QVERIFY(spin->isEditing());

        module.setModuleValue(0, targetKey, 300);
        p->readValue(false);
        QCOMPARE(line->text(), QStringLiteral("250 steps"));
        QVERIFY(writes(module).isEmpty());

        QTest::keyClick(spin, Qt::Key_Return); // commits what the person typed
        QVERIFY(!spin->isEditing());
        QCOMPARE(writes(module), QStringList{"write 0 par::TargetPosition 250"});
        QCOMPARE(field.value(), 250);
    }

    void abandonedTypingShowsModuleValue()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, targetKey);
        XmlParameterWidget field(p, nullptr);
        SpinBox *spin = spinBoxOf(field);
        auto *line = spin->findChild<QLineEdit *>();
        spin->selectAll();
        QTest::keyClicks(line, QStringLiteral("9"));
        QTest::keyClick(line, Qt::Key_Backspace);
        QVERIFY(spin->isEditing());

        module.setModuleValue(0, targetKey, 300);
        p->readValue(false);
        QCOMPARE(field.value(), 0);

        // Focus leaves with nothing typed: what arrived meanwhile is shown, not written.
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &focusOut);
        QVERIFY(!spin->isEditing());
        QCOMPARE(field.value(), 300);
        QVERIFY(writes(module).isEmpty());
    }

    void missingParameterDisablesField()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        XmlParameterWidget field(module.parameter(0, vmaxKey), nullptr);
        QVERIFY(!field.widget()->isEnabled());
        const QString why = field.widget()->toolTip();
        QVERIFY2(why.contains(QLatin1String("Maximum velocity")), qPrintable(why));
        field.setEnabled(true);
        QVERIFY(!field.widget()->isEnabled());
        // A new description does not make the field forget why it is disabled.
        module.setLimits(0, vmaxKey, 0, 100);
        QCOMPARE(field.widget()->toolTip(), why);
        QVERIFY(!field.widget()->isEnabled());
        QVERIFY(module.journal().isEmpty());
    }

    void editorPlacedElsewhere()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, vmaxKey);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new XmlParameterWidget(p, &window);
        layout->addWidget(field);
        window.show();
        QVERIFY(field->isVisible());

        layout->addWidget(field->widget());
        QVERIFY(!field->isVisible());
        QTRY_VERIFY(field->widget()->isVisible());

        spinBoxOf(*field)->setValue(2222);
        QCOMPARE(module.journal(), QStringList{"write 0 par::MaxVelocity 2222"});
        module.setModuleValue(0, vmaxKey, 1111);
        p->readValue(false);
        QCOMPARE(field->value(), 1111);
        field->setEnabled(false);
        QVERIFY(!field->widget()->isEnabled());
        field->setEnabled(true);
        QVERIFY(field->widget()->isEnabled());
        QCOMPARE(module.journal().size(), 1);
    }
};

QTEST_MAIN(TestXmlParameterWidget)
#include "tst_xmlparameterwidget.moc"
