// The field bound to a module parameter: what it shows, what it writes, and what it must not
// write back.

#include "axilparameter.h"
#include "hostmessages.h"
#include "inputrefusal.h"
#include "parametertype.h"
#include "simulatedmodule.h"
#include "spinbox.h"
#include "xmlparameterwidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QString vmaxKey = QLatin1String(ParameterType::cmd_MaxVelocity);
const QString targetKey = QLatin1String(ParameterType::cmd_TargetPosition);
const QString optionKey = QLatin1String(ParameterType::cmd_RelativePositioningOption);

QString write(const QString &key, qint64 value)
{
    return QStringLiteral("write 0 %1 %2").arg(key).arg(value);
}
} // namespace

class TestXmlParameterWidget : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void edits_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("minimum"); // 0: not set
        QTest::addColumn<int>("edit");    // 0: none
        QTest::addColumn<QString>("journal");
        QTest::addColumn<int>("shown");
        const QString actualVelocity = QString::fromLatin1(ParameterType::cmd_ActualVelocity);
        QTest::newRow("position") << targetKey << 0 << 250 << write(targetKey, 250) << 250;
        QTest::newRow("two choices") << optionKey << 0 << 1 << write(optionKey, 1) << 1;
        QTest::newRow("at the maximum")
            << vmaxKey << 0 << 8388096 << write(vmaxKey, 8388096) << 8388096;
        QTest::newRow("minimum above the value")
            << vmaxKey << 2500 << 0 << write(vmaxKey, 2500) << 2500;
        // The field lets through what the module refuses, then shows what the module holds.
        QTest::newRow("below the module's minimum")
            << vmaxKey << -100 << -5 << "refused " + write(vmaxKey, -5) << 2000;
        QTest::newRow("read-only")
            << actualVelocity << -100 << 50 << "refused " + write(actualVelocity, 50) << 0;
    }

    void edits()
    {
        QFETCH(QString, key);
        QFETCH(int, minimum);
        QFETCH(int, edit);
        QFETCH(QString, journal);
        QFETCH(int, shown);
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, key);
        XmlParameterWidget field;
        field.setParameter(p, key == optionKey ? DisplayType::TwoChoice : DisplayType::Plain);
        QSignalSpy changes(&field, &XmlParameterWidget::valueChanged);
        QSignalSpy reports(&module, &SimulatedModule::report);
        QCOMPARE(field.widget()->inherits("QComboBox"), key == optionKey);
        if (minimum)
            field.setMinimum(minimum);
        if (edit)
            field.setValue(edit);
        QCOMPARE(module.journal().join(QString()), journal);
        QCOMPARE(field.value(), shown);
        QCOMPARE(changes.last().first().toInt(), shown);
        QCOMPARE(p->lastKnownValue(), qint64(shown));
        QCOMPARE(reports.count(), int(journal.startsWith(QLatin1String("refused"))));
        QVERIFY(reports.isEmpty() || reports.first().first().toString().contains(p->displayName()));
    }

    void typingIsNotOverwritten()
    {
        SimulatedModule module;
        Model::AxilParameter *p = module.parameter(0, targetKey);
        XmlParameterWidget field(p, nullptr);
        auto *spin = qobject_cast<SpinBox *>(field.widget());
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
        field.setAndUpdateValue(-7);
        QCOMPARE(module.journal().last(), write(targetKey, -7));

        // Committing the number the field showed, after the module's value changed under it,
        // is the person's decision too.
        type(QStringLiteral("-7"), 900);
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(module.journal().last(), write(targetKey, -7));
        QCOMPARE(field.value(), -7);
        QCOMPARE(module.moduleValue(0, targetKey), -7);
    }

    // A key that a field cannot take is said, with the range and what the field reads, in a
    // host field and in a plain one that is watched.
    void refusedKeysAreSaid_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("said"); // empty: nothing
        QTest::addColumn<bool>("noteShown");
        for (bool plain : {false, true}) {
            const char *kind = plain ? "plain" : "host";
            // The note goes when the person types on; the message stays.
            QTest::addRow("%s, no sign", kind)
                << plain << "-500"
                << "500"
                << "0 steps to 9000 steps: \"-\" was not taken" << false;
            QTest::addRow("%s, too many digits", kind)
                << plain << "90000"
                << "9000"
                << "\"0\" was not taken, the field keeps 9000 steps." << true;
            QTest::addRow("%s, in range", kind) << plain << "2500"
                                                << "2500"
                                                << "" << false;
        }
    }

    void refusedKeysAreSaid()
    {
        QFETCH(bool, plain);
        QFETCH(QString, keys);
        QFETCH(QString, reads);
        QFETCH(QString, said);
        QFETCH(bool, noteShown);
        SimulatedModule module;
        module.setLimits(0, targetKey, 0, 9000);
        XmlParameterWidget field(module.parameter(0, targetKey), nullptr);
        QSpinBox box;
        box.setRange(0, 9000);
        box.setSuffix(" steps");
        InputRefusal::watch(&box, "Target position");
        auto *edit = plain ? static_cast<QAbstractSpinBox *>(&box)
                           : static_cast<QAbstractSpinBox *>(field.widget());
        QSignalSpy messages(HostMessages::instance(), &HostMessages::posted);
        edit->selectAll();
        QTest::keyClicks(edit, keys);
        QCOMPARE(edit->property("cleanText").toString(), reads);
        QCOMPARE(messages.count(), said.isEmpty() ? 0 : 1);
        auto *note = edit->window()->findChild<QLabel *>("inputRefusalNote");
        QCOMPARE(note && note->isVisibleTo(edit->window()), noteShown);
        if (!said.isEmpty()) {
            const QString message = messages.first().first().toString();
            QVERIFY2(message.startsWith("Target position") && message.contains(said),
                     qPrintable(message));
            if (noteShown)
                QCOMPARE(note->text(), message);
        }
    }

    void editorPlacedElsewhere()
    {
        SimulatedModule module;
        QWidget window;
        auto *field = new XmlParameterWidget(module.parameter(0, vmaxKey), &window);
        (new QVBoxLayout(&window))->addWidget(field->widget());
        window.show();
        QVERIFY(!field->isVisible());
        QTRY_VERIFY(field->widget()->isVisible());
        field->setEnabled(false);
        QVERIFY(!field->widget()->isEnabled());
    }
};

QTEST_MAIN(TestXmlParameterWidget)
#include "tst_xmlparameterwidget.moc"
