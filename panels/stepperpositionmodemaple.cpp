#include "stepperpositionmodemaple.h"

#include "ui_stepperpositionmodemaple.h"

#include "axilmoduleinterface.h"
#include "axiscontroller.h"
#include "dynamicproperty.h"
#include "inputhelper.h"
#include "mainappstyle.h"
#include "spinbox.h"
#include "toolsinterface.h"
#include "xmlparameterwidget.h"

#include <QLabel>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QVector>

StepperPositionModeMaple::StepperPositionModeMaple(ToolsInterface *tool)
    : QWidget(tool), ui(new Ui_StepperPositionModeMaple)
{
    ui->setupUi(this);
    ui->btnInputHelper->setVisible(false);

    this->tool = tool;
    motor = tool->motorNumber();
    moduleAddress = tool->moduleAddress();
    controller = tool->controller();
    if (!controller)
        return;

    tool->addWidgetParameter(ui->editMaxPosVel, controller->maxVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editAcceleration, controller->maxAcceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editDeceleration, controller->maxDeceleration, DisplayType::Plain);
    tool->addWidgetParameter(ui->editVStart, controller->startVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editVStop, controller->stopVelocity, DisplayType::Plain);
    tool->addWidgetParameter(ui->editA1, controller->a1, DisplayType::Plain);
    tool->addWidgetParameter(ui->editD1, controller->d1, DisplayType::Plain);
    tool->addWidgetParameter(ui->editV1, controller->v1, DisplayType::Plain);
    tool->addWidgetParameter(ui->editTzerowait, controller->tzerowait, DisplayType::Plain);
}

StepperPositionModeMaple::~StepperPositionModeMaple()
{
    delete inputHelper.data();
    delete ui;
}

void StepperPositionModeMaple::on_btnInputHelper_clicked(bool checked)
{
    if (!inputHelper) {
        const QStringList words{
            QStringLiteral("VMAX"),   QStringLiteral("AMAX"),  QStringLiteral("DMAX"),
            QStringLiteral("VStart"), QStringLiteral("A1"),    QStringLiteral("V1"),
            QStringLiteral("D1"),     QStringLiteral("VStop"), QStringLiteral("TZEROWAIT"),
        };
        const QVector<QPoint> positions{{381, 47},  {293, 88},  {457, 87},  {179, 192}, {223, 147},
                                        {227, 110}, {514, 144}, {550, 175}, {577, 209}};

        inputHelper = new InputHelper(QStringLiteral(":/Images/RampeMaple"),
                                      AbstractRamp::rampMode(0), parentWidget());
        inputHelper->setWindowTitle(ui->grpRamp->title());
        inputHelper->setWindowIcon(ui->btnInputHelper->icon());
        inputHelper->showMinimized();

        QFormLayout *form = ui->formLayoutRamp;
        for (int i = 0; i < form->count() && i < words.size(); ++i) {
            QLayoutItem *fieldItem = form->itemAt(i, QFormLayout::FieldRole);
            QLayoutItem *labelItem = form->itemAt(i, QFormLayout::LabelRole);
            auto *field =
                qobject_cast<XmlParameterWidget *>(fieldItem ? fieldItem->widget() : nullptr);
            auto *label = qobject_cast<QLabel *>(labelItem ? labelItem->widget() : nullptr);
            if (!field || !label)
                continue;

            auto *proxy = new SpinBox();
            proxy->setValue(field->value());
            proxy->setRange(double(field->minimum()), double(field->maximum()));
            proxy->setObjectName(field->objectName());
            // "Velocity [pps]:" gives the prefix "Velocity " and the suffix "  [pps]".
            const QStringList parts = label->text().split(QLatin1Char('['));
            QString unit = QLatin1Char('[') + parts.last();
            proxy->setSuffix(QLatin1String("  ") + unit.remove(QLatin1Char(':')));
            proxy->setPrefix(parts.first());
            proxy->setToolTip(field->toolTip());
            proxy->setProperty(DynamicProperty::AdvancedTip, label->text() + QLatin1Char(' ') +
                                                                 words.at(i) + QLatin1Char(' ') +
                                                                 field->toolTip());
            field->setProperty(DynamicProperty::AdvancedTip,
                               proxy->property(DynamicProperty::AdvancedTip));
            proxy->setProperty(DynamicProperty::InputGIMPosition, positions.at(i));
            connect(proxy, SIGNAL(valueChanged(int)), field, SLOT(setValue(int)));
            connect(field, SIGNAL(valueChanged(int)), inputHelper, SLOT(setValue(int)));
            inputHelper->addProxyItem(proxy, false);
            proxy->externItemMouseReleased();
        }

        MainAppStyle::additionalWidgetSetting(QList<QWidget *>{inputHelper.data()});
        QTimer::singleShot(10, inputHelper, SLOT(showNormal()));
        QTimer::singleShot(15, inputHelper, SLOT(workaroundAdjust()));
        QTimer::singleShot(20, inputHelper, SLOT(updatePolygon()));
    }
    inputHelper->setVisible(checked);
}
