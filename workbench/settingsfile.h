#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class AxilModuleInterface;

// The ramp settings of a module's motors as a document: what a person saves to a file and loads
// again, and what the workbench keeps of a module that is disconnected. Per motor it holds the
// values of the parameters that the motor's tool and ramp panel bind (keys()), never positions,
// targets or readings.
//
//   {"format": "positionmode-settings", "version": 1,
//    "motors": [{"motor": 2, "variant": 71, "parameters": {"par::MaxVelocity": 2000, ...}}]}
//
// A document is checked as a whole against the module before anything is written (check()); a
// checked document is written through the module's parameter objects, the ones the tools are
// bound to, so that open tools show the values at once (apply()).
class SettingsFile final
{
    Q_DECLARE_TR_FUNCTIONS(SettingsFile)
public:
    SettingsFile() = delete;

    static const char formatName[];
    static constexpr int formatVersion = 1;

    // The keys that the tool of a plugin variant binds to its fields, in the order they are
    // written; empty for a variant without a tool.
    static QStringList keys(int variant);

    // The module's settings of every motor whose variant has a tool, read from the module.
    static QJsonDocument capture(AxilModuleInterface *module);

    struct Write
    {
        int motor;
        QString key;
        qint64 value;
    };
    // Checks the document against the module. On success returns true with the writes, in the
    // order that the module and the panels accept, and the number of motors; otherwise false
    // with a reason that names the motor and key where there are any. The motors whose Larch
    // tool is switched to the trapezoidal ramp (which sets V1, V2, A1, A2, D1 and D2 itself) take
    // only the values that the ramp holds for those.
    static bool check(const QByteArray &document, const AxilModuleInterface *module,
                      QVector<Write> *writes, int *motors, QString *reason,
                      const QSet<int> &trapezoidal = {});
    // Writes every value, changed or not: loading is a person's decision about all of them.
    static bool apply(AxilModuleInterface *module, const QVector<Write> &writes, QString *reason);

    // check() and apply() for a document from the named source (a file name, or what the
    // document stands for); the error is one line: the source, the reason, nothing written.
    static bool load(AxilModuleInterface *module, const QByteArray &document, const QString &source,
                     int *motors, QString *error, const QSet<int> &trapezoidal = {});
    static bool loadFile(AxilModuleInterface *module, const QString &fileName, int *motors,
                         QString *error, const QSet<int> &trapezoidal = {});
    static bool saveFile(AxilModuleInterface *module, const QString &fileName, QString *error);
};
