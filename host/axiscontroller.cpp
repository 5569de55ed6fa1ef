#include "axiscontroller.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "parametertype.h"

#include <QStringList>

namespace {
using Role = Model::AxilParameter *AxisController::*;
struct RoleEntry
{
    const char *key;
    Role member;
};

const RoleEntry roles[] = {
    {ParameterType::cmd_TargetPosition, &AxisController::targetPosition},
    {ParameterType::cmd_ActualPosition, &AxisController::actualPosition},
    {ParameterType::cmd_ActualVelocity, &AxisController::actualVelocity},
    {ParameterType::cmd_RelativePositioningOption, &AxisController::relativePositioningOption},
    {ParameterType::cmd_EncoderPosition, &AxisController::encoderPosition},
    {ParameterType::cmd_MaxVelocity, &AxisController::maxVelocity},
    {ParameterType::cmd_MaxAcceleration, &AxisController::maxAcceleration},
    {ParameterType::cmd_MaxDeceleration, &AxisController::maxDeceleration},
    {ParameterType::cmd_StartVelocity, &AxisController::startVelocity},
    {ParameterType::cmd_StopVelocity, &AxisController::stopVelocity},
    {ParameterType::cmd_StartStopVelocity, &AxisController::startStopVelocity},
    {ParameterType::cmd_V1, &AxisController::v1},
    {ParameterType::cmd_V2, &AxisController::v2},
    {ParameterType::cmd_A1, &AxisController::a1},
    {ParameterType::cmd_A2, &AxisController::a2},
    {ParameterType::cmd_D1, &AxisController::d1},
    {ParameterType::cmd_D2, &AxisController::d2},
    {ParameterType::cmd_TVMAX, &AxisController::tvmax},
    {ParameterType::cmd_TZEROWAIT, &AxisController::tzerowait},
    {ParameterType::cmd_Bow, &AxisController::bow},
    {ParameterType::cmd_Bow1, &AxisController::bow1},
    {ParameterType::cmd_Bow2, &AxisController::bow2},
    {ParameterType::cmd_Bow3, &AxisController::bow3},
    {ParameterType::cmd_Bow4, &AxisController::bow4},
    {ParameterType::cmd_StartAcceleration, &AxisController::startAcceleration},
    {ParameterType::cmd_BreakVelocity, &AxisController::breakVelocity},
    {ParameterType::cmd_FinalDeceleration, &AxisController::finalDeceleration},
    {ParameterType::cmd_StopDeceleration, &AxisController::stopDeceleration},
    {ParameterType::cmd_SShapedRamp, &AxisController::sShapedRamp},
    {ParameterType::cmd_PulseDivisor, &AxisController::pulseDivisor},
    {ParameterType::cmd_RampDivisor, &AxisController::rampDivisor},
    {ParameterType::cmd_ChipStandby, &AxisController::chipStandby},
    {ParameterType::cmd_ExternalStepDir, &AxisController::externalStepDir},
    {ParameterType::cmd_ClearOnNull, &AxisController::clearOnNull},
};
} // namespace

AxisController::AxisController(AxilModuleInterface *module, unsigned char motor, QObject *parent)
    : QObject(parent), m_motor(motor)
{
    for (const RoleEntry &role : roles) {
        const QString key = QLatin1String(role.key);
        auto *parameter =
            new Model::AxilParameter(module, motor, module->describeParameter(motor, key), this);
        this->*role.member = parameter;
        m_all.append(parameter);
    }
}

AxisController::~AxisController() = default;

Model::AxilParameter *AxisController::parameter(const QString &key) const
{
    for (Model::AxilParameter *p : m_all) {
        if (p->parameterName() == key)
            return p;
    }
    return nullptr;
}

QStringList AxisController::keys()
{
    QStringList result;
    for (const RoleEntry &role : roles)
        result.append(QLatin1String(role.key));
    return result;
}
