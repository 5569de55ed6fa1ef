#pragma once

#include "host_global.h"
#include "parameterinfo.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVector>

class AxisController;
class MotionPlans;
class XmlParameterInterface;
namespace Model {
class BaseXMLParameter;
}

// A connected motion-control module as the host sees it: per motor an axis controller with the
// motor's parameters, identification texts, and the transport that parameters and tools use to
// read, write, move and stop. A module reports every refused request and every access to a
// parameter it lacks through report(), which the host shows to the person.
//
// Traces live here too: while a tool is shown it asks the module to poll some parameters, and
// pollTraces() reads each traced parameter once per polling round.
class HOST_EXPORT AxilModuleInterface : public QObject
{
    Q_OBJECT
public:
    explicit AxilModuleInterface(QObject *parent = nullptr);
    ~AxilModuleInterface() override;

    virtual AxisController *controller(unsigned char motor) const = 0;
    virtual QString getChipName(unsigned char motor) const = 0;
    virtual QString getModuleNameInFirmware() const = 0;
    virtual unsigned char moduleAddress() const = 0;
    virtual int motorCount() const = 0;
    virtual int pluginVariant(unsigned char motor) const = 0;

    // The transport. Each call either succeeds or is reported through report().
    virtual Model::ParameterInfo describeParameter(unsigned char motor,
                                                   const QString &key) const = 0;
    virtual bool hasParameter(unsigned char motor, const QString &key) const = 0;
    virtual bool readParameter(unsigned char motor, const QString &key, qint64 *value) = 0;
    virtual bool writeParameter(unsigned char motor, const QString &key, qint64 value) = 0;
    virtual bool moveToPosition(unsigned char motor, int position) = 0;
    virtual bool moveToRelPosition(unsigned char motor, int distance) = 0;
    virtual bool motorStop(unsigned char motor) = 0;
    // The module's plans for its motors' moves, when it makes them known; null by default.
    virtual MotionPlans *motionPlans() { return nullptr; }

    // Traces, registered per owner (a tool).
    void addTrace(const QObject *owner, XmlParameterInterface *trace);
    void removeTraces(const QObject *owner);
    bool isTraced(const Model::BaseXMLParameter *parameter) const;
    int traceCount() const { return m_traces.size(); }
    // One polling round: every traced parameter is read once, in the order the traces were added.
    void pollTraces();

    // Tells the person about a refused request or a missing parameter.
    void reportProblem(const QString &message);

signals:
    void report(const QString &message);

private:
    Q_DISABLE_COPY(AxilModuleInterface)
    struct Trace
    {
        const QObject *owner;
        QPointer<Model::BaseXMLParameter> parameter;
    };
    QVector<Trace> m_traces;
    // Every traced parameter once, in the order of the traces; rebuilt after they change.
    QVector<QPointer<Model::BaseXMLParameter>> m_pollList;
    bool m_pollListValid = true;
};
