// Settings files against the simulated module and the real tools: the keys a file holds, what a
// file is refused for (with nothing written), the order of the writes, the offer of a
// disconnected module's settings, and the command-line options.

#include "axilparameter.h"
#include "axiscontroller.h"
#include "mainwindow.h"
#include "parametertype.h"
#include "settingsfile.h"
#include "simulatedmodule.h"
#include "toolhost.h"
#include "toolsinterface.h"
#include "xmlparameterwidget.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {
using namespace ParameterType;

QStringList writes(const SimulatedModule *module)
{
    return module->journal().filter(QRegularExpression(QStringLiteral("^(refused )?write ")));
}

QSet<QString> toSet(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
}

// Sets (or, with an undefined value, removes) the value at a path such as "motors/4/variant".
QJsonValue edited(QJsonValue node, QStringList path, const QJsonValue &value)
{
    if (path.isEmpty())
        return value;
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        array[step.toInt()] = edited(array[step.toInt()], path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && value.isUndefined())
        object.remove(step);
    else
        object[step] = edited(object.value(step), path, value);
    return object;
}

QByteArray edited(const QJsonDocument &document, const QString &path, const QJsonValue &value)
{
    return QJsonDocument(edited(document.object(), path.split('/'), value).toObject()).toJson();
}

Model::AxilParameter *parameter(SimulatedModule *module, int motor, const char *key)
{
    return module->controller(static_cast<unsigned char>(motor))->parameter(QLatin1String(key));
}
} // namespace

class TestSettingsFile final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ToolHost> m_host;
    std::unique_ptr<MainWindow> m_window;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    static QJsonObject readFile(const QString &path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // The shown tool's maximum velocity field: a bound field, or the Rowan form's own.
    QWidget *maxVelocityField() const
    {
        return m_window->currentTool()->findChild<QWidget *>(QStringLiteral("editMaxPosVel"));
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_window.reset();
        m_host = std::make_unique<ToolHost>();
        QVERIFY2(m_host->load(QStringLiteral(TOOL_PLUGIN)), qPrintable(m_host->errorString()));
        m_window = std::make_unique<MainWindow>(m_host.get());
        m_window->show();
    }

    // A family's keys are those its tool binds: the parameters of its bound fields, and what its
    // other fields write when a person changes them (Rowan's form).
    void keysAreWhatTheToolBinds_data()
    {
        QTest::addColumn<int>("motor");
        const ToolHost host;
        for (int motor = 0; motor < ToolHost::familyCount; ++motor)
            QTest::newRow(qPrintable(ToolHost::familyName(host.module()->pluginVariant(motor))))
                << motor;
    }

    void keysAreWhatTheToolBinds()
    {
        QFETCH(int, motor);
        SimulatedModule *module = m_host->module();
        QVERIFY(m_window->selectTab(motor));
        m_window->expandCurrentTool();
        ToolsInterface *tool = m_window->currentTool();
        QSet<QString> bound;
        for (const XmlParameterWidget *field : tool->findChildren<XmlParameterWidget *>())
            if (field->parameter())
                bound.insert(field->parameter()->parameterName());
        module->clearJournal();
        for (QSpinBox *box : tool->findChildren<QSpinBox *>())
            box->setValue(box->value() < box->maximum() ? box->value() + 1 : box->value() - 1);
        for (QComboBox *box : tool->findChildren<QComboBox *>())
            box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
        for (const QString &line : writes(module))
            bound.insert(line.section(' ', 2, 2));
        QCOMPARE(toSet(SettingsFile::keys(module->pluginVariant(motor))), bound);
    }

    // Each refusal is one line naming the file and the culprit, and nothing is written.
    void refused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("mentions"); // split at '|'
        const QString v1 = "motors/3/parameters/par::V1";
        QTest::newRow("not JSON") << "" << QJsonValue() << "not JSON";
        QTest::newRow("no format") << "format" << QJsonValue(QJsonValue::Undefined) << "format";
        QTest::newRow("other format") << "format" << QJsonValue("plot") << "\"plot\"";
        QTest::newRow("newer version") << "version" << QJsonValue(2) << "version 2";
        QTest::newRow("no such motor") << "motors/5/motor" << QJsonValue(6) << "motor 6";
        QTest::newRow("motor twice") << "motors/5/motor" << QJsonValue(4) << "motor 4";
        QTest::newRow("variant") << "motors/4/variant" << QJsonValue(71) << "motor 4|71|73";
        QTest::newRow("other family's key") << "motors/2/parameters/par::StartVelocity"
                                            << QJsonValue(5) << "motor 2|par::StartVelocity";
        QTest::newRow("position") << "motors/3/parameters/par::TargetPosition" << QJsonValue(5)
                                  << "motor 3|par::TargetPosition";
        QTest::newRow("key the motor lacks") // taken from the module in the test
            << "motors/4/parameters/par::TVMAX" << QJsonValue(0) << "motor 4|par::TVMAX";
        QTest::newRow("fraction") << v1 << QJsonValue(800.5) << "motor 3|par::V1|800.5";
        QTest::newRow("text") << v1 << QJsonValue("800") << "motor 3|par::V1";
        QTest::newRow("above the maximum") << "motors/4/parameters/par::StartVelocity"
                                           << QJsonValue(262144) << "motor 4|262144|0 to 262143";
        QTest::newRow("below the minimum") << "motors/5/parameters/par::MaxVelocity"
                                           << QJsonValue(-1) << "motor 5|par::MaxVelocity|-1";
    }

    void refused()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, mentions);
        SimulatedModule *module = m_host->module();
        const QByteArray document = path.isEmpty()
                                        ? QByteArray("{\"format\": ")
                                        : edited(SettingsFile::capture(module), path, value);
        if (path.endsWith(cmd_TVMAX))
            module->removeParameter(4, QLatin1String(cmd_TVMAX));
        const QString file = writeFile("refused.json", document);
        module->clearJournal();
        QString error;
        QVERIFY(!m_window->loadSettings(file, &error));
        QVERIFY2(!error.contains('\n') && error.contains(file), qPrintable(error));
        for (const QString &text : mentions.split('|'))
            QVERIFY2(error.contains(text), qPrintable(error));
        QCOMPARE(writes(module), QStringList());
    }

    // A Larch pair that its tool would correct on its own (stop velocity not above a start
    // velocity over 10) is refused whole, the file's own pair or one made with the module's
    // other value.
    void larchStartStopPair_data()
    {
        QTest::addColumn<QJsonValue>("start"); // undefined: left out of the file
        QTest::addColumn<QJsonValue>("stop");
        QTest::addColumn<bool>("taken");
        const QJsonValue absent(QJsonValue::Undefined);
        QTest::newRow("start far above stop") << QJsonValue(500) << QJsonValue(100) << false;
        QTest::newRow("start at stop") << QJsonValue(11) << QJsonValue(11) << false;
        QTest::newRow("start above the module's stop") << QJsonValue(11) << absent << false;
        QTest::newRow("stop below the module's start") << absent << QJsonValue(20) << true;
        QTest::newRow("start of 10 at stop") << QJsonValue(10) << QJsonValue(10) << true;
        QTest::newRow("stop above start") << QJsonValue(500) << QJsonValue(501) << true;
    }

    void larchStartStopPair()
    {
        QFETCH(QJsonValue, start);
        QFETCH(QJsonValue, stop);
        QFETCH(bool, taken);
        SimulatedModule *module = m_host->module();
        const QString startPath = "motors/4/parameters/par::StartVelocity";
        const QString stopPath = "motors/4/parameters/par::StopVelocity";
        QByteArray document = edited(SettingsFile::capture(module), startPath, start);
        document = edited(QJsonDocument::fromJson(document), stopPath, stop);
        const QString file = writeFile("pair.json", document);
        module->clearJournal();
        QString error;
        QCOMPARE(m_window->loadSettings(file, &error), taken);
        if (taken)
            return;
        QCOMPARE(writes(module), QStringList());
        const qint64 shownStop = stop.isUndefined() ? 10 : stop.toInt();
        for (const QString &text : {QStringLiteral("motor 4: par::StopVelocity %1").arg(shownStop),
                                    QStringLiteral("par::StartVelocity %1").arg(start.toInt())})
            QVERIFY2(error.contains(text), qPrintable(error));
    }

    // A Larch tool switched to the trapezoidal ramp sets V1, V2, A1, A2, D1 and D2 itself: a file
    // that says otherwise for them is refused; what the ramp holds, and the other values, are
    // taken and stay.
    void larchTrapezoidalHolds_data()
    {
        QTest::addColumn<bool>("trapezoidal");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("V1") << true << "par::V1" << 700 << false;
        QTest::newRow("A2 off the maximum") << true << "par::A2" << 1501 << false;
        QTest::newRow("a new maximum, the old A1")
            << true << "par::MaxAcceleration" << 1800 << false;
        QTest::newRow("D1 at the maximum") << true << "par::D1" << 1500 << true;
        QTest::newRow("TVMAX") << true << "par::TVMAX" << 5 << true;
        QTest::newRow("eight-point, V1") << false << "par::V1" << 700 << true;
    }

    void larchTrapezoidalHolds()
    {
        QFETCH(bool, trapezoidal);
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(bool, taken);
        QVERIFY(m_window->selectTab(4));
        if (trapezoidal)
            m_window->currentTool()
                ->findChild<QPushButton *>(QStringLiteral("btnSwitchMode"))
                ->click();
        SimulatedModule *module = m_host->module();
        QCOMPARE(module->moduleValue(4, "par::D1"), trapezoidal ? 1500 : 2500);
        const QString file =
            writeFile("larch.json", edited(SettingsFile::capture(module),
                                           "motors/4/parameters/" + key, QJsonValue(value)));
        module->clearJournal();
        QString error;
        QCOMPARE(m_window->loadSettings(file, &error), taken);
        if (!taken) {
            QCOMPARE(writes(module), QStringList());
            QVERIFY2(error.contains(QStringLiteral("motor 4, ")) && error.contains("trapezoidal"),
                     qPrintable(error));
            return;
        }
        // Shown again, the tool checks its settings; the file's values stay.
        QVERIFY(m_window->selectTab(0));
        QVERIFY(m_window->selectTab(4));
        QCOMPARE(module->moduleValue(4, key), value);
    }

    // What was saved comes back, into the module and into the shown tool's field; the file holds
    // each motor's keys, and loading writes every one of them, changed or not.
    void roundTrip_data()
    {
        QTest::addColumn<int>("motor");
        QTest::newRow("Cedar") << 2;
        QTest::newRow("Rowan") << 5;
    }

    void roundTrip()
    {
        QFETCH(int, motor);
        SimulatedModule *module = m_host->module();
        QVERIFY(m_window->selectTab(motor));
        m_window->expandCurrentTool();
        QVERIFY(parameter(module, motor, cmd_MaxVelocity)->writeValue(1234));
        QVERIFY(parameter(module, 4, cmd_V2)->writeValue(4321));
        const QString file = m_dir.filePath("round.json");
        QString error;
        QVERIFY2(m_window->saveSettings(file, &error), qPrintable(error));

        auto *bound = qobject_cast<XmlParameterWidget *>(maxVelocityField());
        auto *own = qobject_cast<QSpinBox *>(maxVelocityField());
        bound ? bound->setAndUpdateValue(999) : own->setValue(999); // as a person does
        QCOMPARE(module->moduleValue(motor, cmd_MaxVelocity), 999);
        QVERIFY(parameter(module, 4, cmd_V2)->writeValue(7));
        module->clearJournal();
        QVERIFY2(m_window->loadSettings(file, &error), qPrintable(error));

        QCOMPARE(module->moduleValue(motor, cmd_MaxVelocity), 1234);
        QCOMPARE(bound ? bound->value() : own->value(), 1234);
        QCOMPARE(module->moduleValue(4, cmd_V2), 4321);
        int keyCount = 0;
        for (const QJsonValue &entry : readFile(file).value("motors").toArray()) {
            const QStringList keys = entry["parameters"].toObject().keys();
            QCOMPARE(toSet(keys), toSet(SettingsFile::keys(entry["variant"].toInt())));
            keyCount += keys.size();
        }
        QCOMPARE(writes(module).size(), keyCount);
        QVERIFY(m_window->statusBar()->currentMessage().contains("Loaded settings of 6 motors"));
    }

    // A start velocity raised above the Larch motor's stop velocity would have the shown panel
    // correct the stop velocity; in the right order only the file's values are written.
    void startAboveTheOldStop()
    {
        SimulatedModule *module = m_host->module();
        QVERIFY(m_window->selectTab(4));
        const qint64 stop = module->moduleValue(4, cmd_StopVelocity);
        const QString prefix = "motors/4/parameters/";
        QJsonDocument document = SettingsFile::capture(module);
        document = QJsonDocument::fromJson(
            edited(document, prefix + cmd_StartVelocity, double(stop + 500)));
        const QString file = writeFile(
            "larch.json", edited(document, prefix + cmd_StopVelocity, double(stop + 900)));
        module->clearJournal();
        QString error;
        QVERIFY2(m_window->loadSettings(file, &error), qPrintable(error));
        QCOMPARE(module->moduleValue(4, cmd_StartVelocity), stop + 500);
        QCOMPARE(writes(module).filter(" 4 par::StopVelocity "),
                 QStringList{QStringLiteral("write 4 par::StopVelocity %1").arg(stop + 900)});
    }

    // Disconnect keeps the settings; the next module gets them only when the person accepts.
    void offeredAfterConnect_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("applied") << true;
        QTest::newRow("dismissed") << false;
    }

    void offeredAfterConnect()
    {
        QFETCH(bool, accept);
        QVERIFY(parameter(m_host->module(), 2, cmd_MaxAcceleration)->writeValue(2222));
        QVERIFY(parameter(m_host->module(), 5, cmd_StartStopVelocity)->writeValue(77));
        auto *offer = m_window->findChild<QWidget *>("settingsOffer");
        m_window->disconnectModule();
        QVERIFY(offer->isHidden());
        m_window->connectModule();
        SimulatedModule *module = m_host->module();
        QVERIFY(offer->isVisible());
        QCOMPARE(writes(module), QStringList());

        const char *button = accept ? "applyKeptSettings" : "dismissKeptSettings";
        QTest::mouseClick(offer->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(offer->isHidden());
        QCOMPARE(module->moduleValue(2, cmd_MaxAcceleration), accept ? 2222 : 1500);
        QCOMPARE(module->moduleValue(5, cmd_StartStopVelocity), accept ? 77 : 0);
        QCOMPARE(writes(module).isEmpty(), !accept);
    }

    // Through the executable: a refused file stops it with one line; a loaded file is in force
    // before the move and still there in the file saved after it.
    void commandLine()
    {
        const QJsonDocument document = SettingsFile::capture(m_host->module());
        const QString in =
            writeFile("in.json", edited(document, "motors/2/parameters/par::MaxVelocity", 3456));
        const QString bad =
            writeFile("bad.json", edited(document, "motors/2/parameters/par::Bow", -3));
        const QString out = m_dir.filePath("out.json");
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name);
        QString errors;
        const auto run = [&errors](const QStringList &arguments) {
            QProcess process;
            process.start(WORKBENCH_EXE,
                          QStringList{"-platform", "offscreen", "--plugin", TOOL_PLUGIN} +
                              arguments);
            if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
                return -1;
            errors = QString::fromLocal8Bit(process.readAllStandardError());
            return process.exitCode();
        };
        QCOMPARE(run({"--load-settings", bad, "--save-settings", out}), 2);
        const QStringList lines = errors.split('\n').filter(QRegularExpression("^workbench: "));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(bad) && lines[0].contains("motor 2, par::Bow"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(out));

        QCOMPARE(run({"--tab", "2", "--load-settings", in, "--move", "3000", "--run", "300",
                      "--save-settings", out}),
                 0);
        QCOMPARE(readFile(out).value("motors")[2]["parameters"]["par::MaxVelocity"].toInt(), 3456);
        QString error;
        QVERIFY2(m_window->loadSettings(out, &error), qPrintable(error));
        QCOMPARE(m_host->module()->moduleValue(2, cmd_MaxVelocity), 3456);
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
