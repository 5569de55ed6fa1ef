#include "stepperpositionmodehazel.h"

#include "ui_stepperpositionmodehazel.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "dynamicproperty.h"
#include "inputhelper.h"
#include "mainappstyle.h"
#include "parametertype.h"
#include "spinbox.h"
#include "toolsinterface.h"
#include "xmlparameterwidget.h"

#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QVector>

StepperPositionModeHazel::StepperPositionModeHazel(ToolsInterface *tool)
    : QWidget(tool), ui(new Ui_StepperPositionModeHazel)
{
    ui->setupUi(this);

    this->tool = tool;
    motor = tool->motorNumber();
    moduleAddress = tool->moduleAddress();
    AxilModuleInterface *module = tool->module();
    controller = module ? module->controller(motor) : nullptr;

    ui->btnInputHelper->setVisible(false);

    // The Kestrel chip has no stop deceleration.
    if (module && module->getChipName(motor) == QLatin1String("Kestrel")) {
        ui->editDStop->setVisible(false);
        ui->lblDStop->setVisible(false);
    } else if (controller) {
        tool->addWidgetParameter(ui->editDStop, controller->stopDeceleration, DisplayType::Plain);
    }
    if (!controller)
        return;

    tool->addWidgetParameter(ui->editMaxPosVel, controller->maxVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editAcceleration, controller->maxAcceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editDeceleration, controller->maxDeceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editVStart, controller->startVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editAStart, controller->startAcceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editVBreak, controller->breakVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editDFinal, controller->finalDeceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editVStop, controller->stopVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editBow1, controller->bow1, DisplayType::Plain);
    tool->addWidgetParameter(ui->editBow2, controller->bow2, DisplayType::Plain);
    tool->addWidgetParameter(ui->editBow3, controller->bow3, DisplayType::Plain);
    tool->addWidgetParameter(ui->editBow4, controller->bow4, DisplayType::Plain);
    tool->addWidgetParameter(ui->checkUseSRamp, controller->sShapedRamp, DisplayType::TwoChoice);
}

StepperPositionModeHazel::~StepperPositionModeHazel()
{
    if (inputHelper) {
        inputHelper->close();
        if (inputHelper)
            delete inputHelper.data();
    }
    delete ui;
}

void StepperPositionModeHazel::on_btnInputHelper_clicked(bool checked)
{
    if (!inputHelper) {
        const QStringList keys{
            QLatin1String(ParameterType::cmd_MaxVelocity),
            QLatin1String(ParameterType::cmd_MaxAcceleration),
            QLatin1String(ParameterType::cmd_MaxDeceleration),
            QLatin1String(ParameterType::cmd_StartVelocity),
            QLatin1String(ParameterType::cmd_StopVelocity),
            QLatin1String(ParameterType::cmd_Bow1),
            QLatin1String(ParameterType::cmd_Bow2),
            QLatin1String(ParameterType::cmd_Bow3),
            QLatin1String(ParameterType::cmd_Bow4),
        };
        const QVector<QPoint> positions{{415, 111}, {291, 223}, {505, 223}, {181, 348}, {562, 346},
                                        {245, 304}, {332, 149}, {476, 131}, {525, 322}};

        inputHelper = new InputHelper(QStringLiteral(":/Images/sRamp1"), AbstractRamp::rampMode(0),
                                      parentWidget());
        inputHelper->setWindowTitle(ui->grpRamp->title());
        inputHelper->setWindowIcon(ui->btnInputHelper->icon());
        inputHelper->showMinimized();

        for (int i = 0; i < keys.size() && tool; ++i) {
            // Every binding that answers to the key gets a proxy, all at the key's position.
            const QList<ToolsInterface::WidgetParameter> bindings = tool->getWidgetParameters();
            for (const ToolsInterface::WidgetParameter &binding : bindings) {
                XmlParameterWidget *widget = binding.first;
                Model::AxilParameter *parameter = binding.second;
                if (parameter->parameterName() != keys.at(i))
                    continue;
                auto *source = qobject_cast<SpinBox *>(widget->widget());
                if (!source)
                    continue;

                auto *proxy = new SpinBox();
                proxy->setValue(source->value(), true);
                proxy->setRange(source->minimum(), source->maximum());
                source->setObjectName(widget->objectName());
                proxy->setObjectName(widget->objectName());
                proxy->setSuffix(parameter->unit());
                proxy->setPrefix(parameter->displayName());
                proxy->setToolTip(source->toolTip());
                proxy->setProperty(DynamicProperty::AdvancedTip,
                                   parameter->displayName() + QLatin1Char(' ') + source->toolTip());
                source->setProperty(DynamicProperty::AdvancedTip,
                                    proxy->property(DynamicProperty::AdvancedTip));
                proxy->setProperty(DynamicProperty::InputGIMPosition, positions.at(i));
                connect(proxy, SIGNAL(valueChanged(int)), source, SLOT(setValue(int)));
                connect(source, SIGNAL(valueChanged(int)), inputHelper, SLOT(setValue(int)));
                inputHelper->addProxyItem(proxy, false);
                proxy->externItemMouseReleased();
            }
        }

        connect(inputHelper, SIGNAL(closed(bool)), ui->btnInputHelper, SLOT(setChecked(bool)));
        MainAppStyle::additionalWidgetSetting(QList<QWidget *>{inputHelper.data()});
        QTimer::singleShot(10, inputHelper, SLOT(showNormal()));
        QTimer::singleShot(15, inputHelper, SLOT(workaroundAdjust()));
        QTimer::singleShot(20, inputHelper, SLOT(updatePolygon()));
    }
    inputHelper->setVisible(checked);
}
