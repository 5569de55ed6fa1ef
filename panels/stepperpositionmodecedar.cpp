#include "stepperpositionmodecedar.h"

#include "ui_stepperpositionmodecedar.h"

#include "axilmoduleinterface.h"
#include "axiscontroller.h"
#include "toolsinterface.h"

StepperPositionModeCedar::StepperPositionModeCedar(ToolsInterface *tool)
    : QWidget(tool), ui(new Ui_StepperPositionModeCedar)
{
    ui->setupUi(this);
    this->tool = tool;
    motor = tool->motorNumber();
    controller = tool->controller();
    if (!controller)
        return;
    tool->addWidgetParameter(ui->editMaxPosVel, controller->maxVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editAcceleration, controller->maxAcceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editDeceleration, controller->maxDeceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editBow, controller->bow, DisplayType::Plain);
}

StepperPositionModeCedar::~StepperPositionModeCedar()
{
    delete ui;
}
