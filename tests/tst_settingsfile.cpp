// Settings files against the simulated module and the real tools: which keys a file holds, what
// a file is refused for (with nothing written), the order of the writes, the offer of a
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

#include <functional>
#include <memory>

namespace {
using namespace ParameterType;
using Edit = std::function<void(QJsonObject &)>;

QStringList writes(const SimulatedModule *module)
{
    return module->journal().filter(QRegularExpression(QStringLiteral("^(refused )?write ")));
}

// Applies an edit to motor entry `index` of a document's "motors".
void editMotor(QJsonObject &document, int index, const Edit &edit)
{
    QJsonArray motors = document.value("motors").toArray();
    QJsonObject motor = motors[index].toObject();
    edit(motor);
    motors[index] = motor;
    document["motors"] = motors;
}

void setParameter(QJsonObject &motor, const QString &key, const QJsonValue &value)
{
    QJsonObject parameters = motor.value("parameters").toObject();
    parameters[key] = value;
    motor["parameters"] = parameters;
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
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QJsonObject readFile(const QString &path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // The maximum velocity field of the shown tool: a bound field, or the Rowan form's own.
    QWidget *maxVelocityField() const
    {
        return m_window->currentTool()->findChild<QWidget *>(QStringLiteral("editMaxPosVel"));
    }
    int shownMaxVelocity() const
    {
        if (auto *bound = qobject_cast<XmlParameterWidget *>(maxVelocityField()))
            return bound->value();
        return qobject_cast<QSpinBox *>(maxVelocityField())->value();
    }
    // As a person commits a value in the field.
    void enterMaxVelocity(int value)
    {
        if (auto *bound = qobject_cast<XmlParameterWidget *>(maxVelocityField()))
            bound->setAndUpdateValue(value);
        else
            qobject_cast<QSpinBox *>(maxVelocityField())->setValue(value);
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

    void cleanup()
    {
        m_window.reset();
        m_host.reset();
    }

    // The keys of a family's list are those its tool binds: the fields bound to a parameter,
    // and what the tool's other fields write when a person changes them (Rowan's own form).
    void keysAreWhatTheToolBinds_data()
    {
        QTest::addColumn<int>("motor");
        const char *const families[] = {"Hazel", "Birch", "Cedar", "Maple", "Larch", "Rowan"};
        for (int motor = 0; motor < ToolHost::familyCount; ++motor)
            QTest::newRow(families[motor]) << motor;
    }

    void keysAreWhatTheToolBinds()
    {
        QFETCH(int, motor);
        SimulatedModule *module = m_host->module();
        QVERIFY(m_window->selectTab(motor));
        m_window->expandCurrentTool();
        ToolsInterface *tool = m_window->currentTool();
        QVERIFY(tool);
        QSet<QString> bound;
        for (const XmlParameterWidget *f : tool->findChildren<XmlParameterWidget *>())
            if (f->parameter())
                bound.insert(f->parameter()->parameterName());
        const auto insideField = [](const QWidget *w) {
            for (; w; w = w->parentWidget())
                if (qobject_cast<const XmlParameterWidget *>(w))
                    return true;
            return false;
        };
        module->clearJournal();
        for (QSpinBox *box : tool->findChildren<QSpinBox *>())
            if (!insideField(box))
                box->setValue(box->value() < box->maximum() ? box->value() + 1 : box->value() - 1);
        for (QComboBox *box : tool->findChildren<QComboBox *>())
            if (!insideField(box) && box->count() > 1)
                box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
        for (const QString &line : writes(module))
            bound.insert(line.section(' ', 2, 2));
        const QStringList keys = SettingsFile::keys(module->pluginVariant(motor));
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()), bound);
    }

    // Each refusal names the file and the culprit, in one line, and nothing is written.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("removed");  // "motor key" taken from the module first
        QTest::addColumn<QString>("mentions"); // split at '|'
        const QJsonObject valid = SettingsFile::capture(ToolHost().module()).object();
        const auto row = [&](const char *name, const Edit &edit, const QString &mentions,
                             const QString &removed = QString()) {
            QJsonObject document = valid;
            edit(document);
            QTest::newRow(name) << QJsonDocument(document).toJson() << removed << mentions;
        };
        QTest::newRow("not JSON") << QByteArray("{\"format\": ") << QString() << "not JSON";
        row(
            "no format", [](QJsonObject &d) { d.remove("format"); }, "format");
        row(
            "other format", [](QJsonObject &d) { d["format"] = "plot"; }, "\"plot\"");
        row(
            "newer version", [](QJsonObject &d) { d["version"] = 2; }, "version 2");
        row(
            "motor the module lacks",
            [](QJsonObject &d) { editMotor(d, 5, [](QJsonObject &m) { m["motor"] = 6; }); },
            "motor 6");
        row(
            "motor twice",
            [](QJsonObject &d) { editMotor(d, 5, [](QJsonObject &m) { m["motor"] = 4; }); },
            "motor 4");
        row(
            "other variant",
            [](QJsonObject &d) { editMotor(d, 4, [](QJsonObject &m) { m["variant"] = 71; }); },
            "motor 4|71|73");
        row(
            "key of another family",
            [](QJsonObject &d) {
                editMotor(d, 2, [](QJsonObject &m) { setParameter(m, cmd_StartVelocity, 5); });
            },
            "motor 2|par::StartVelocity");
        row(
            "position", // no setting, though every motor has one
            [](QJsonObject &d) {
                editMotor(d, 3, [](QJsonObject &m) { setParameter(m, cmd_TargetPosition, 5); });
            },
            "motor 3|par::TargetPosition");
        row(
            "key the motor lacks", [](QJsonObject &) {}, "motor 4|par::TVMAX", "4 par::TVMAX");
        row(
            "fraction",
            [](QJsonObject &d) {
                editMotor(d, 3, [](QJsonObject &m) { setParameter(m, cmd_V1, 800.5); });
            },
            "motor 3|par::V1|800.5");
        row(
            "text",
            [](QJsonObject &d) {
                editMotor(d, 1, [](QJsonObject &m) { setParameter(m, cmd_PulseDivisor, "5"); });
            },
            "motor 1|par::PulseDivisor");
        row(
            "above the maximum",
            [](QJsonObject &d) {
                editMotor(d, 4, [](QJsonObject &m) { setParameter(m, cmd_StartVelocity, 262144); });
            },
            "motor 4|par::StartVelocity|262144|0 to 262143");
        row(
            "below the minimum",
            [](QJsonObject &d) {
                editMotor(d, 5, [](QJsonObject &m) { setParameter(m, cmd_MaxVelocity, -1); });
            },
            "motor 5|par::MaxVelocity|-1");
    }

    void refused()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, removed);
        QFETCH(QString, mentions);
        SimulatedModule *module = m_host->module();
        if (!removed.isEmpty())
            module->removeParameter(static_cast<unsigned char>(removed.section(' ', 0, 0).toInt()),
                                    removed.section(' ', 1));
        const QString file = writeFile("refused.json", document);
        module->clearJournal();
        QString error;
        QVERIFY(!m_window->loadSettings(file, &error));
        QVERIFY2(!error.contains('\n') && error.contains(file), qPrintable(error));
        for (const QString &text : mentions.split('|'))
            QVERIFY2(error.contains(text), qPrintable(error));
        QCOMPARE(writes(module), QStringList());
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
        QVERIFY(parameter(module, 0, cmd_SShapedRamp)->writeValue(0));
        const QString file = m_dir.filePath("round.json");
        QString error;
        QVERIFY2(m_window->saveSettings(file, &error), qPrintable(error));

        enterMaxVelocity(999);
        QCOMPARE(module->moduleValue(motor, cmd_MaxVelocity), 999);
        QVERIFY(parameter(module, 4, cmd_V2)->writeValue(7));
        QVERIFY(parameter(module, 0, cmd_SShapedRamp)->writeValue(1));
        module->clearJournal();
        QVERIFY2(m_window->loadSettings(file, &error), qPrintable(error));

        QCOMPARE(module->moduleValue(motor, cmd_MaxVelocity), 1234);
        QCOMPARE(shownMaxVelocity(), 1234);
        QCOMPARE(module->moduleValue(4, cmd_V2), 4321);
        QCOMPARE(module->moduleValue(0, cmd_SShapedRamp), 0);
        int keyCount = 0;
        for (const QJsonValue &entry : readFile(file).value("motors").toArray()) {
            const QJsonObject motor = entry.toObject();
            const QStringList keys = motor.value("parameters").toObject().keys();
            const QStringList expected = SettingsFile::keys(motor.value("variant").toInt());
            QCOMPARE(QSet<QString>(keys.begin(), keys.end()),
                     QSet<QString>(expected.begin(), expected.end()));
            keyCount += keys.size();
        }
        QCOMPARE(writes(module).size(), keyCount);
        QVERIFY(m_window->statusBar()->currentMessage().contains("Loaded settings of 6 motors"));
    }

    // A start velocity above the stop velocity the Larch motor holds would have the shown panel
    // correct the stop velocity; written in the right order, only the file's values are written.
    void startAboveTheOldStop()
    {
        SimulatedModule *module = m_host->module();
        QVERIFY(m_window->selectTab(4));
        m_window->expandCurrentTool();
        const qint64 oldStop = module->moduleValue(4, cmd_StopVelocity);
        QJsonObject document = SettingsFile::capture(module).object();
        editMotor(document, 4, [&](QJsonObject &m) {
            setParameter(m, cmd_StartVelocity, double(oldStop + 500));
            setParameter(m, cmd_StopVelocity, double(oldStop + 900));
        });
        module->clearJournal();
        QString error;
        QVERIFY2(m_window->loadSettings(writeFile("larch.json", QJsonDocument(document).toJson()),
                                        &error),
                 qPrintable(error));
        QCOMPARE(module->moduleValue(4, cmd_StartVelocity), oldStop + 500);
        QCOMPARE(module->moduleValue(4, cmd_StopVelocity), oldStop + 900);
        QCOMPARE(writes(module).filter(" 4 par::StopVelocity "),
                 QStringList{QStringLiteral("write 4 par::StopVelocity %1").arg(oldStop + 900)});
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
        QCOMPARE(module->moduleValue(2, cmd_MaxAcceleration), 1500);

        const char *button = accept ? "applyKeptSettings" : "dismissKeptSettings";
        QTest::mouseClick(offer->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(offer->isHidden());
        QCOMPARE(module->moduleValue(2, cmd_MaxAcceleration), accept ? 2222 : 1500);
        QCOMPARE(module->moduleValue(5, cmd_StartStopVelocity), accept ? 77 : 0);
        QCOMPARE(writes(module).isEmpty(), !accept);
    }

    // The options through the executable: a refused file stops it with one line; a loaded file
    // is in force before the move and still there in the file saved after it.
    void commandLine()
    {
        QJsonObject document = SettingsFile::capture(m_host->module()).object();
        editMotor(document, 2, [](QJsonObject &m) { setParameter(m, cmd_MaxVelocity, 3456); });
        const QString in = writeFile("in.json", QJsonDocument(document).toJson());
        editMotor(document, 2, [](QJsonObject &m) { setParameter(m, cmd_Bow, -3); });
        const QString bad = writeFile("bad.json", QJsonDocument(document).toJson());
        const QString out = m_dir.filePath("out.json");
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name);
        const auto run = [](const QStringList &arguments, QString *errors) {
            QProcess process;
            process.start(QStringLiteral(WORKBENCH_EXE),
                          QStringList{"-platform", "offscreen", "--plugin", TOOL_PLUGIN} +
                              arguments);
            if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
                return -1;
            *errors = QString::fromLocal8Bit(process.readAllStandardError());
            return process.exitCode();
        };
        QString errors;
        QCOMPARE(run({"--load-settings", bad, "--save-settings", out}, &errors), 2);
        const QStringList lines = errors.split('\n').filter(QRegularExpression("^workbench: "));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(bad) && lines[0].contains("motor 2, par::Bow"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(out));

        QCOMPARE(run({"--tab", "2", "--load-settings", in, "--move", "3000", "--run", "300",
                      "--save-settings", out},
                     &errors),
                 0);
        const QJsonObject saved = readFile(out);
        QCOMPARE(saved.value("motors")[2]["parameters"]["par::MaxVelocity"].toInt(), 3456);
        QString error;
        QVERIFY2(m_window->loadSettings(out, &error), qPrintable(error));
        QCOMPARE(m_host->module()->moduleValue(2, cmd_MaxVelocity), 3456);
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
