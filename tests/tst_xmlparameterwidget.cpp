// The field bound to a module parameter: what it shows, what it writes, and what it must not
// write back.

#include "axilparameter.h"
#include "basictools.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);

QString write(const QString &key, qint64 value)
{
    return QStringLiteral("write 0 %1 %2").arg(key).arg(value);
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

    void showsAndWrites_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<qint64>("moduleValue");
        QTest::addColumn<int>("edit");
        QTest::newRow("beyond the range") << vmaxKey << 0 << qint64(9000000) << 3456;
        QTest::newRow("position") << targetKey << 0 << qint64(-300) << 250;
        QTest::newRow("two choices")
            << QString::fromLatin1(ParameterType::cmd_RelativePositioningOption)
            << int(DisplayType::TwoChoice) << qint64(0) << 1;
    }

    void showsAndWrites()
    {
        QFETCH(QString, key);
        QFETCH(int, type);
        QFETCH(qint64, moduleValue);
        QFETCH(int, edit);
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field;
        field.setParameter(p, DisplayType::Type(type));
        QSignalSpy changes(&field, &XmlParameterWidget::valueChanged);
        QCOMPARE(bool(spinBoxOf(field)), type == DisplayType::Plain);
        if (spinBoxOf(field))
            QCOMPARE(spinBoxOf(field)->suffix(), p->unit());
        QCOMPARE(field.maximum(), int(p->maximum()));
        const QString tip = field.toolTip();
        QVERIFY2(tip.contains(BasicTools::int64InsertDot(p->minimum())) &&
                     tip.contains(BasicTools::int64InsertDot(p->maximum())),
                 qPrintable(tip));

        module.setModuleValue(0, key, moduleValue);
        p->readValue(false);
        QCOMPARE(field.value(), qBound(field.minimum(), int(moduleValue), field.maximum()));
        QVERIFY(module.journal().isEmpty()); // shown, not written back

        field.setValue(edit);
        QCOMPARE(module.journal(), QStringList{write(key, edit)});
        QCOMPARE(changes.last().first().toInt(), edit);
        field.setAndUpdateValue(int(p->minimum()));
        QCOMPARE(module.journal().last(), write(key, p->minimum()));
    }

    void minimumAndRefusals_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("edit"); // 0: none
        QTest::addColumn<QString>("journal");
        QTest::addColumn<int>("shown");
        const QString actualVelocity = QString::fromLatin1(ParameterType::cmd_ActualVelocity);
        QTest::newRow("minimum above the value")
            << vmaxKey << 2500 << 0 << write(vmaxKey, 2500) << 2500;
        // The field lets through what the module refuses.
        QTest::newRow("below the module's minimum")
            << vmaxKey << -100 << -5 << "refused " + write(vmaxKey, -5) << 2000;
        QTest::newRow("read-only")
            << actualVelocity << -100 << 50 << "refused " + write(actualVelocity, 50) << 0;
    }

    void minimumAndRefusals()
    {
        QFETCH(QString, key);
        QFETCH(int, minimum);
        QFETCH(int, edit);
        QFETCH(QString, journal);
        QFETCH(int, shown);
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field(p, nullptr);
        field.setMinimum(minimum);
        if (edit)
            field.setValue(edit);
        QCOMPARE(module.journal().join(QString()), journal);
        QCOMPARE(field.value(), shown);
        QCOMPARE(p->lastKnownValue(), qint64(shown));
    }

    void typingIsNotOverwritten()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, targetKey);
        XmlParameterWidget field(p, nullptr);
        SpinBox *spin = spinBoxOf(field);
        auto *line = spin->findChild<QLineEdit *>();
        const auto type = [&](const QString &keys, qint64 arriving) {
            spin->selectAll();
            QTest::keyClicks(line, keys);
            module.setModuleValue(0, targetKey, arriving);
            p->readValue(false);
        };
        // Typing abandoned: once focus leaves, what arrived meanwhile is shown, not written.
        type(QStringLiteral("9\b"), 300);
        QCOMPARE(line->text(), QStringLiteral(" steps"));
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &focusOut);
        QCOMPARE(field.value(), 300);

        type(QStringLiteral("250"), 400);
        QCOMPARE(line->text(), QStringLiteral("250 steps"));
        QVERIFY(module.journal().isEmpty());
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(module.journal(), QStringList{write(targetKey, 250)});
        QCOMPARE(field.value(), 250);
    }

    void missingParameterDisablesField()
    {
        SimulatedModule module;
        module.removeParameter(0, vmaxKey);
        XmlParameterWidget field(module.parameter(0, vmaxKey), nullptr);
        const QString why = field.widget()->toolTip();
        QVERIFY2(why.contains(QLatin1String("Maximum velocity")), qPrintable(why));
        field.setEnabled(true);
        module.setLimits(0, vmaxKey, 0, 100); // a new description keeps the reason
        QVERIFY(!field.widget()->isEnabled());
        QCOMPARE(field.widget()->toolTip(), why);
    }

    void editorPlacedElsewhere()
    {
        SimulatedModule module;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new XmlParameterWidget(module.parameter(0, vmaxKey), &window);
        layout->addWidget(field);
        layout->addWidget(field->widget());
        window.show();
        QVERIFY(!field->isVisible());
        QTRY_VERIFY(field->widget()->isVisible());

        spinBoxOf(*field)->setValue(2222);
        QCOMPARE(module.journal(), QStringList{write(vmaxKey, 2222)});
        field->setEnabled(false);
        QVERIFY(!field->widget()->isEnabled());
    }
};

QTEST_MAIN(TestXmlParameterWidget)
#include "tst_xmlparameterwidget.moc"
