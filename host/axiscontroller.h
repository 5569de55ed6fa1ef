#pragma once

#include "host_global.h"

#include <QList>
#include <QObject>

class AxilModuleInterface;
namespace Model {
class AxilParameter;
}

// The parameters of one motor axis, by role. The module creates one controller per motor and
// owns it; every role has a parameter object, and exists() tells whether the module really has
// it. Tools take the parameters they need from here.
class HOST_EXPORT AxisController final : public QObject
{
    Q_OBJECT
public:
    AxisController(AxilModuleInterface *module, unsigned char motor, QObject *parent = nullptr);
    ~AxisController() override;

    unsigned char motor() const { return m_motor; }
    // The parameter with the given "par::" key, or nullptr.
    Model::AxilParameter *parameter(const QString &key) const;
    QList<Model::AxilParameter *> parameters() const { return m_all; }
    // Every key that a controller has a role for, in role order.
    static QStringList keys();

    Model::AxilParameter *targetPosition = nullptr;
    Model::AxilParameter *actualPosition = nullptr;
    Model::AxilParameter *actualVelocity = nullptr;
    Model::AxilParameter *relativePositioningOption = nullptr;
    Model::AxilParameter *encoderPosition = nullptr; // the third counter that "Clear" zeros
    Model::AxilParameter *maxVelocity = nullptr;
    Model::AxilParameter *maxAcceleration = nullptr;
    Model::AxilParameter *maxDeceleration = nullptr;
    Model::AxilParameter *startVelocity = nullptr;
    Model::AxilParameter *stopVelocity = nullptr;
    Model::AxilParameter *startStopVelocity = nullptr;
    Model::AxilParameter *v1 = nullptr;
    Model::AxilParameter *v2 = nullptr;
    Model::AxilParameter *a1 = nullptr;
    Model::AxilParameter *a2 = nullptr;
    Model::AxilParameter *d1 = nullptr;
    Model::AxilParameter *d2 = nullptr;
    Model::AxilParameter *tvmax = nullptr;
    Model::AxilParameter *tzerowait = nullptr;
    Model::AxilParameter *bow = nullptr;
    Model::AxilParameter *bow1 = nullptr;
    Model::AxilParameter *bow2 = nullptr;
    Model::AxilParameter *bow3 = nullptr;
    Model::AxilParameter *bow4 = nullptr;
    Model::AxilParameter *startAcceleration = nullptr;
    Model::AxilParameter *breakVelocity = nullptr;
    Model::AxilParameter *finalDeceleration = nullptr;
    Model::AxilParameter *stopDeceleration = nullptr;
    Model::AxilParameter *sShapedRamp = nullptr;
    Model::AxilParameter *pulseDivisor = nullptr;
    Model::AxilParameter *rampDivisor = nullptr;
    Model::AxilParameter *chipStandby = nullptr;
    Model::AxilParameter *externalStepDir = nullptr;
    Model::AxilParameter *clearOnNull = nullptr;

private:
    Q_DISABLE_COPY(AxisController)
    const unsigned char m_motor;
    QList<Model::AxilParameter *> m_all;
};
