#include "stepperpositionmodebirch.h"

#include "ui_stepperpositionmodebirch.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "basictools.h"
#include "pulserate.h"
#include "toolsinterface.h"

StepperPositionModeBirch::StepperPositionModeBirch(ToolsInterface *tool)
    : QWidget(tool), ui(new Ui_StepperPositionModeBirch)
{
    ui->setupUi(this);
    for (XmlParameterWidget *field : {ui->editPulseDivisor, ui->editRampDivisor})
        field->setDisabledReason(tr("Locked while the motor moves."));
    this->tool = tool;
    motor = tool->motorNumber();
    controller = tool->controller();
    if (!controller)
        return;

    if (controller->actualVelocity->exists())
        connect(
            controller->actualVelocity, &Model::AbstractParameter::valueChanged, this,
            [this](long long v) { handleActualVelocityValueChanged(BasicTools::clampToInt(v)); });

    const auto recompute = [this](long long v) {
        handleValuesChanged(static_cast<int>(v));
    };
    const struct
    {
        XmlParameterWidget *widget;
        Model::AxilParameter *parameter;
    } bindings[] = {
        {ui->editPulseDivisor, controller->pulseDivisor},
        {ui->editRampDivisor, controller->rampDivisor},
        {ui->editMaxVelocity, controller->maxVelocity},
        {ui->editAcceleration, controller->maxAcceleration},
    };
    for (const auto &b : bindings) {
        Model::AxilParameter *p =
            tool->addWidgetParameter(b.widget, b.parameter, DisplayType::Plain);
        connect(p, &Model::AbstractParameter::valueChanged, this, recompute);
    }
}

StepperPositionModeBirch::~StepperPositionModeBirch()
{
    delete ui;
}

void StepperPositionModeBirch::showPlugin()
{
    if (tool && controller) {
        Model::AxilParameter *velocity = controller->actualVelocity;
        tool->addTrace(velocity->xmlParameter());
        // Polling reports changes only; a panel created after the host last read the velocity
        // would otherwise keep the divisors enabled while the motor runs.
        if (velocity->exists())
            handleActualVelocityValueChanged(BasicTools::clampToInt(velocity->lastKnownValue()));
    }
    handleValuesChanged(0);
}

void StepperPositionModeBirch::handleValuesChanged(int)
{
    // The fields hold ints; a value beyond them counts as the module holds it.
    const qint64 p = ui->editPulseDivisor->exactValue();
    ui->dispMaxVelocityPPS->setText(
        BasicTools::formatNumber(PulseRate::velocityPps(ui->editMaxVelocity->exactValue(), p), 0));
    ui->dispAccelerationPPS->setText(
        BasicTools::formatNumber(PulseRate::accelerationPps2(ui->editAcceleration->exactValue(),
                                                             ui->editPulseDivisor->exactValue(),
                                                             ui->editRampDivisor->exactValue()),
                                 0));
}

void StepperPositionModeBirch::handleActualVelocityValueChanged(int value)
{
    // Changing a divisor while the motor runs would change its speed abruptly.
    const bool standing = value == 0;
    ui->editPulseDivisor->setEnabled(standing);
    ui->editRampDivisor->setEnabled(standing);
}
